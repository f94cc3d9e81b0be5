#include "WindowHarness.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include <fstream>
#include <sstream>

namespace paceforge::test {

QStringList RecordingDialogs::titles() const
{
    QStringList result;
    for (const Message& m : messages)
        result << m.title;
    return result;
}

std::optional<BackupEntry> RecordingDialogs::chooseBackup(
    QWidget*, const QString&, const std::vector<BackupEntry>& backups, const Backups&, std::optional<DistanceUnit> unit)
{
    backupsOffered = backups;
    backupUnit = unit;
    if (!backupChoice || *backupChoice >= backups.size())
        return std::nullopt;
    return backups[*backupChoice];
}

QString RecordingDialogs::chooseSaveFile(QWidget*, const QString&, const QString& suggested, const QString&)
{
    suggestedNames << suggested;
    return saveFile;
}

std::unique_ptr<ProgressReport> RecordingDialogs::progress(QWidget*, const QString&, int)
{
    class Counting final : public ProgressReport
    {
    public:
        explicit Counting(RecordingDialogs& owner) : m_owner(owner) { }
        bool update(int) override
        {
            ++m_owner.progressUpdates;
            return m_owner.cancelAfter < 0 || m_owner.progressUpdates <= m_owner.cancelAfter;
        }

    private:
        RecordingDialogs& m_owner;
    };
    return std::make_unique<Counting>(*this);
}

int ScriptedRandom::Rand(int low, int high)
{
    asked.emplace_back(low, high);
    if (next.empty())
        return low;
    const int value = next.front();
    next.pop_front();
    return std::clamp(value, low, high);
}

Window::Window(std::vector<Drive> driveList, QDate today, FileSystem* fileSystem, QLocale locale)
{
    drives.list = std::move(driveList);
    clock.day = today;
    fs::copy_file(fs::path(PACEFORGE_SOURCE_DIR) / "data" / "userdata.xml", programFolder() / "userdata.xml");
    form = std::make_unique<frmMain>(frmMainServices{dialogs, drives, fileSystem ? *fileSystem : realFileSystem, clock,
        random, desktop, locale, programFolder(), backupsFolder()});
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        ADD_FAILURE() << "the window was not shown";
}

Window::~Window() = default;

void Window::click(const char* name, Qt::MouseButton button)
{
    QWidget* widget = find<QWidget>(name);
    ASSERT_NE(widget, nullptr) << name;
    QTest::mouseClick(widget, button, {}, widget->rect().center());
}

void Window::type(const char* name, const QString& text)
{
    auto* box = find<QLineEdit>(name);
    ASSERT_NE(box, nullptr) << name;
    box->clear();
    QTest::keyClicks(box, text);
}

QString Window::text(const char* name) const
{
    if (auto* box = find<QLineEdit>(name))
        return box->text();
    if (auto* label = find<QLabel>(name))
        return label->text();
    if (auto* combo = find<QComboBox>(name))
        return combo->currentText();
    return QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

void Window::clickRow(int row)
{
    auto* list = find<QTreeView>("ListView1");
    const QRect cellRect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cellRect.center());
}

int Window::rowCount() const
{
    return find<QTreeView>("ListView1")->model()->rowCount();
}

QString Window::cell(int row, int column) const
{
    const auto* model = find<QTreeView>("ListView1")->model();
    return model->data(model->index(row, column)).toString();
}

void Window::chooseDate(QDate date)
{
    find<QCalendarWidget>("calMain")->setSelectedDate(date);
}

void Window::fill(const QString& distance, const QString& hours, const QString& minutes, const QString& seconds,
    const QString& weight, const QString& calories)
{
    type("tbxDistance", distance);
    type("tbxTimeHrs", hours);
    type("tbxTimeMins", minutes);
    type("tbxTimeSecs", seconds);
    type("tbxWeight", weight);
    type("tbxCalories", calories);
}

void Window::activate()
{
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get()))
        ADD_FAILURE() << "the window did not become active";
}

void Window::press(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

void Window::typeKeys(const QString& text)
{
    QTest::keyClicks(QApplication::focusWidget() ? QApplication::focusWidget() : form.get(), text);
}

} // namespace paceforge::test
