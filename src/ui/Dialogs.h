#pragma once

#include "compose/Backups.h"
#include "workout/RunFigures.h"

#include <QMessageBox>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QDialog;
class QSettings;
class QWidget;

namespace paceforge {

// A long task's progress as the user sees it.
class ProgressReport
{
public:
    virtual ~ProgressReport() = default;
    // False once the user has cancelled.
    virtual bool update(int done) = 0;
};

// The window reports and asks through this, never through QMessageBox or a file dialog directly,
// so that tests record messages and script answers instead of blocking on them.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // Modal, critical icon, one OK button.
    virtual void critical(QWidget* parent, const QString& title, const QString& text) = 0;
    // Modal, no icon, one OK button.
    virtual void plain(QWidget* parent, const QString& title, const QString& text) = 0;
    // Modal, information icon, one OK button.
    virtual void information(QWidget* parent, const QString& title, const QString& text) = 0;
    // As information, with an Open Folder button beside OK; true when the user chooses it.
    virtual bool informationOfferingFolder(QWidget* parent, const QString& title, const QString& text) = 0;
    // Modal: a text and a path the user can select and copy, for a place the desktop could not open.
    virtual void showPath(QWidget* parent, const QString& title, const QString& text, const QString& path) = 0;
    // The backup of the workout to restore, or nothing when the user cancels. Distances in `unit`,
    // or as each backup holds them when none is given.
    virtual std::optional<BackupEntry> chooseBackup(QWidget* parent, const QString& workoutName,
        const std::vector<BackupEntry>& backups, const Backups& store, std::optional<DistanceUnit> unit)
        = 0;
    // An existing folder, or empty when the user cancels.
    virtual QString chooseFolder(QWidget* parent, const QString& title) = 0;
    // A file to write, or empty when the user cancels.
    virtual QString chooseSaveFile(
        QWidget* parent, const QString& title, const QString& suggested, const QString& filter)
        = 0;
    virtual std::unique_ptr<ProgressReport> progress(QWidget* parent, const QString& label, int total) = 0;
    // One line of text, offered with `text` in it; nothing when the user cancels.
    virtual std::optional<QString> askText(
        QWidget* parent, const QString& title, const QString& label, const QString& text)
        = 0;
};

class MessageBoxDialogs final : public Dialogs
{
public:
    // Runs a dialog to its end; tests pass one that looks at the dialog and answers for the user.
    using Runner = std::function<void(QDialog&)>;
    // The choosers start in the last folder chosen, kept in `settings` between runs when given.
    explicit MessageBoxDialogs(QSettings* settings = nullptr, Runner run = {});

    void critical(QWidget* parent, const QString& title, const QString& text) override;
    void plain(QWidget* parent, const QString& title, const QString& text) override;
    void information(QWidget* parent, const QString& title, const QString& text) override;
    bool informationOfferingFolder(QWidget* parent, const QString& title, const QString& text) override;
    void showPath(QWidget* parent, const QString& title, const QString& text, const QString& path) override;
    std::optional<BackupEntry> chooseBackup(QWidget* parent, const QString& workoutName,
        const std::vector<BackupEntry>& backups, const Backups& store, std::optional<DistanceUnit> unit) override;
    QString chooseFolder(QWidget* parent, const QString& title) override;
    QString chooseSaveFile(
        QWidget* parent, const QString& title, const QString& suggested, const QString& filter) override;
    std::unique_ptr<ProgressReport> progress(QWidget* parent, const QString& label, int total) override;
    std::optional<QString> askText(
        QWidget* parent, const QString& title, const QString& label, const QString& text) override;

private:
    QString startFolder() const;
    void remember(const QString& folder);

    QSettings* m_settings;
    Runner m_run;
    QString m_lastFolder;
};

// The box MessageBoxDialogs shows, not yet shown; tests render it to check what users read.
std::unique_ptr<QMessageBox> MakeMessageBox(
    QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text);

} // namespace paceforge
