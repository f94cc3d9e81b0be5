#include "Dialogs.h"

#include "DialogLook.h"
#include "PathDialog.h"
#include "RestoreDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>

namespace paceforge {
namespace {

const QString kLastFolderKey = QStringLiteral("lastFolder");

class ProgressDialogReport final : public ProgressReport
{
public:
    ProgressDialogReport(QWidget* parent, const QString& label, int total)
        : m_dialog(label, QStringLiteral("Cancel"), 0, total, parent)
    {
        m_dialog.setObjectName(QStringLiteral("dlgProgress"));
        m_dialog.setWindowTitle(QStringLiteral("Paceforge"));
        m_dialog.setWindowModality(Qt::WindowModal);
        ApplyDialogLook(&m_dialog);
        // Short tasks finish before a dialog would be worth showing.
        m_dialog.setMinimumDuration(500);
    }
    bool update(int done) override
    {
        m_dialog.setValue(done);
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

bool IsFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(
    QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    auto box = std::make_unique<QMessageBox>(icon, title, text, QMessageBox::Ok, parent);
    ApplyDialogLook(box.get());
    return box;
}

MessageBoxDialogs::MessageBoxDialogs(QSettings* settings, Runner run)
    : m_settings(settings),
      m_run(run ? std::move(run) : Runner([](QDialog& dialog) { dialog.exec(); }))
{
    if (m_settings)
        m_lastFolder = m_settings->value(kLastFolderKey).toString();
}

void MessageBoxDialogs::critical(QWidget* parent, const QString& title, const QString& text)
{
    m_run(*MakeMessageBox(parent, QMessageBox::Critical, title, text));
}

void MessageBoxDialogs::plain(QWidget* parent, const QString& title, const QString& text)
{
    m_run(*MakeMessageBox(parent, QMessageBox::NoIcon, title, text));
}

void MessageBoxDialogs::information(QWidget* parent, const QString& title, const QString& text)
{
    m_run(*MakeMessageBox(parent, QMessageBox::Information, title, text));
}

bool MessageBoxDialogs::informationOfferingFolder(QWidget* parent, const QString& title, const QString& text)
{
    const auto box = MakeMessageBox(parent, QMessageBox::Information, title, text);
    QPushButton* open = box->addButton(QStringLiteral("Open Folder"), QMessageBox::ActionRole);
    open->setObjectName(QStringLiteral("cmdOpenFolder"));
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
    m_run(*box);
    return box->clickedButton() == open;
}

void MessageBoxDialogs::showPath(QWidget* parent, const QString& title, const QString& text, const QString& path)
{
    PathDialog dialog(title, text, path, parent);
    m_run(dialog);
}

std::optional<BackupEntry> MessageBoxDialogs::chooseBackup(QWidget* parent, const QString& workoutName,
    const std::vector<BackupEntry>& backups, const Backups& store, std::optional<DistanceUnit> unit)
{
    RestoreDialog dialog(workoutName, backups, store, unit, parent);
    m_run(dialog);
    return dialog.result() == QDialog::Accepted ? dialog.chosen() : std::nullopt;
}

// A folder that is not there would open the chooser at its parent with the missing name typed in
// and the Choose button disabled.
QString MessageBoxDialogs::startFolder() const
{
    for (const QString& folder : {m_lastFolder, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)})
        if (IsFolder(folder))
            return folder;
    return QDir::homePath();
}

void MessageBoxDialogs::remember(const QString& folder)
{
    m_lastFolder = folder;
    if (m_settings)
        m_settings->setValue(kLastFolderKey, folder);
}

QString MessageBoxDialogs::chooseFolder(QWidget* parent, const QString& title)
{
    QFileDialog dialog(parent, title, startFolder());
    dialog.setObjectName(QStringLiteral("dlgChooseFolder"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    ApplyDialogLook(&dialog);
    m_run(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    remember(chosen);
    return chosen;
}

QString MessageBoxDialogs::chooseSaveFile(
    QWidget* parent, const QString& title, const QString& suggested, const QString& filter)
{
    QFileDialog dialog(parent, title, startFolder(), filter);
    dialog.setObjectName(QStringLiteral("dlgSaveFile"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QFileInfo(suggested).suffix());
    dialog.selectFile(suggested);
    ApplyDialogLook(&dialog);
    m_run(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    remember(QFileInfo(chosen).absolutePath());
    return chosen;
}

std::unique_ptr<ProgressReport> MessageBoxDialogs::progress(QWidget* parent, const QString& label, int total)
{
    return std::make_unique<ProgressDialogReport>(parent, label, total);
}

std::optional<QString> MessageBoxDialogs::askText(
    QWidget* parent, const QString& title, const QString& label, const QString& text)
{
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("dlgAskText"));
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setTextValue(text);
    ApplyDialogLook(&dialog);
    m_run(dialog);
    if (dialog.result() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

} // namespace paceforge
