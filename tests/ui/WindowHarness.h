#pragma once

#include "compose/Random.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "ui/Desktop.h"
#include "ui/Dialogs.h"
#include "ui/frmMain.h"

#include "StoreFixtures.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QTreeView;

namespace paceforge::test {

namespace fs = std::filesystem;

class RecordingDialogs final : public Dialogs
{
public:
    struct Message {
        bool critical = false;
        QString title;
        QString text;
        bool folderOffered = false;
    };
    struct PathBox {
        QString title;
        QString text;
        QString path;
    };
    void critical(QWidget*, const QString& title, const QString& text) override
    {
        messages.push_back({true, title, text});
    }
    void plain(QWidget*, const QString& title, const QString& text) override
    {
        messages.push_back({false, title, text});
    }
    void information(QWidget*, const QString& title, const QString& text) override
    {
        messages.push_back({false, title, text});
    }
    bool informationOfferingFolder(QWidget*, const QString& title, const QString& text) override
    {
        messages.push_back({false, title, text, true});
        return openFolder;
    }
    void showPath(QWidget*, const QString& title, const QString& text, const QString& path) override
    {
        pathBoxes.push_back({title, text, path});
    }
    // Answers scripted by the test; nothing chosen by default, as if the user cancelled.
    std::optional<BackupEntry> chooseBackup(QWidget*, const QString&, const std::vector<BackupEntry>& backups,
        const Backups&, std::optional<DistanceUnit> unit) override;
    QString chooseFolder(QWidget*, const QString&) override { return folder; }
    QString chooseSaveFile(QWidget*, const QString&, const QString& suggested, const QString&) override;
    std::unique_ptr<ProgressReport> progress(QWidget*, const QString&, int total) override;
    std::optional<QString> askText(QWidget*, const QString&, const QString& label, const QString& text) override
    {
        textsAsked.push_back({label, text});
        return textAnswer;
    }
    QStringList titles() const;

    std::vector<Message> messages;
    std::vector<PathBox> pathBoxes;
    bool openFolder = false;
    std::optional<std::size_t> backupChoice;
    std::vector<BackupEntry> backupsOffered;
    std::optional<DistanceUnit> backupUnit;
    QString folder;
    QString saveFile;
    QStringList suggestedNames;
    // The progress update after which the user cancels; never when negative.
    int cancelAfter = -1;
    int progressUpdates = 0;
    // The label and the text offered of each question; the answer, nothing meaning cancel.
    std::vector<std::pair<QString, QString>> textsAsked;
    std::optional<QString> textAnswer;
};

class ListedDrives final : public DriveSource
{
public:
    std::vector<Drive> drives() const override { return list; }
    std::vector<Drive> list;
};

class FixedClock final : public Clock
{
public:
    QDate today() const override { return day; }
    QDateTime now() const override { return QDateTime(day, QTime(12, 0)); }
    QDate day{2006, 9, 15};
};

// Hands out the numbers it was given, in order, and records every range asked for.
class ScriptedRandom final : public RandomSource
{
public:
    int Rand(int low, int high) override;
    std::deque<int> next;
    std::vector<std::pair<int, int>> asked;
};

class RecordingDesktop final : public Desktop
{
public:
    bool openUrl(const QUrl& url) override
    {
        opened.push_back(url);
        return opens;
    }
    std::vector<QUrl> opened;
    // False for a desktop without a program to open anything with.
    bool opens = true;
};

// The window on fakes, with the shipped template beside it in a folder the test owns.
class Window
{
public:
    explicit Window(std::vector<Drive> drives, QDate today = {2006, 9, 15}, FileSystem* fileSystem = nullptr,
        QLocale locale = QLocale(QLocale::English, QLocale::UnitedStates));
    ~Window();

    template <typename T> T* find(const char* name) const { return form->findChild<T*>(QString::fromLatin1(name)); }
    void click(const char* name, Qt::MouseButton button = Qt::LeftButton);
    void type(const char* name, const QString& text);
    QString text(const char* name) const;
    void clickRow(int row);
    int rowCount() const;
    QString cell(int row, int column) const;
    void chooseDate(QDate date);
    void fill(const QString& distance, const QString& hours, const QString& minutes, const QString& seconds,
        const QString& weight = QString(), const QString& calories = QString());
    fs::path programFolder() const { return fs::path(programDir.path().toStdString()); }
    // Keys go where the user's would: the window must be the active one for its shortcuts.
    void activate();
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void typeKeys(const QString& text);

    RecordingDialogs dialogs;
    ListedDrives drives;
    FileSystem realFileSystem;
    FixedClock clock;
    ScriptedRandom random;
    RecordingDesktop desktop;
    QTemporaryDir programDir;
    QTemporaryDir backupsDir;
    fs::path backupsFolder() const { return fs::path(backupsDir.path().toStdString()); }
    std::unique_ptr<frmMain> form;
};

} // namespace paceforge::test
