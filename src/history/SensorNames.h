#pragma once

#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QSettings;

namespace paceforge {

// The names the user gave the sensor folders, the shoes they are tied to ("Pegasus 2008"). Kept in
// the user's settings, never on the iPod: the device names a sensor by its folder alone. The window
// and the commands read the same settings.
class SensorNames
{
public:
    // The user's own settings (~/.config/Paceforge/Paceforge.conf on Linux).
    SensorNames();
    // Settings of the caller's, for tests.
    explicit SensorNames(QSettings& settings);
    ~SensorNames();

    // The name given to the sensor folder, else nothing.
    std::optional<QString> given(std::string_view sensor) const;
    // The given name, else the folder's own.
    QString shown(std::string_view sensor) const;
    // An empty name forgets it. Written to the settings at once.
    void setName(std::string_view sensor, const QString& name);
    // The sensor folder a text names: its folder name or its given name, letter case aside;
    // `sensors` are the folders known. Nothing when none or more than one match.
    std::optional<std::string> find(const QString& text, const std::vector<std::string>& sensors) const;

private:
    void load();
    std::unique_ptr<QSettings> m_own;
    QSettings* m_settings;
    std::map<std::string, QString> m_names;
};

} // namespace paceforge
