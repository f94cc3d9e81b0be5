#include "SensorNames.h"

#include <QSettings>

#include <vector>

namespace paceforge {
namespace {

const QString kGroup = QStringLiteral("sensors");

std::string Folded(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

} // namespace

SensorNames::SensorNames()
    : m_own(std::make_unique<QSettings>(
          QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Paceforge"), QStringLiteral("Paceforge"))),
      m_settings(m_own.get())
{
    load();
}

SensorNames::SensorNames(QSettings& settings) : m_settings(&settings)
{
    load();
}

SensorNames::~SensorNames() = default;

void SensorNames::load()
{
    m_settings->beginGroup(kGroup);
    for (const QString& key : m_settings->childKeys())
        if (const QString name = m_settings->value(key).toString().trimmed(); !name.isEmpty())
            m_names[Folded(key.toStdString())] = name;
    m_settings->endGroup();
}

std::optional<QString> SensorNames::given(std::string_view sensor) const
{
    const auto it = m_names.find(Folded(sensor));
    if (it == m_names.end())
        return std::nullopt;
    return it->second;
}

QString SensorNames::shown(std::string_view sensor) const
{
    return given(sensor).value_or(QString::fromUtf8(sensor.data(), static_cast<qsizetype>(sensor.size())));
}

void SensorNames::setName(std::string_view sensor, const QString& name)
{
    // Folder names are ASCII on the device; the key is the folded name, so that "abc" and "ABC"
    // are one sensor as on the iPod's own disk.
    const std::string key = Folded(sensor);
    m_settings->beginGroup(kGroup);
    if (name.trimmed().isEmpty()) {
        m_names.erase(key);
        m_settings->remove(QString::fromStdString(key));
    } else {
        m_names[key] = name.trimmed();
        m_settings->setValue(QString::fromStdString(key), name.trimmed());
    }
    m_settings->endGroup();
    m_settings->sync();
}

std::optional<std::string> SensorNames::find(const QString& text, const std::vector<std::string>& sensors) const
{
    std::vector<std::string> matches;
    const std::string wanted = Folded(text.trimmed().toStdString());
    for (const std::string& sensor : sensors) {
        const auto name = given(sensor);
        if (Folded(sensor) == wanted || (name && name->compare(text.trimmed(), Qt::CaseInsensitive) == 0))
            matches.push_back(sensor);
    }
    if (matches.size() != 1)
        return std::nullopt;
    return matches.front();
}

} // namespace paceforge
