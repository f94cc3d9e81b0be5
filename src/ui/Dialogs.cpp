#include "Dialogs.h"

#include "DialogLook.h"
#include "RestoreDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStandardPaths>

namespace paceforge {
namespace {

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

QString StartFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

} // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(
    QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    auto box = std::make_unique<QMessageBox>(icon, title, text, QMessageBox::Ok, parent);
    ApplyDialogLook(box.get());
    return box;
}

MessageBoxDialogs::MessageBoxDialogs(Runner run)
    : m_run(run ? std::move(run) : Runner([](QDialog& dialog) { dialog.exec(); }))
{ }

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

std::optional<BackupEntry> MessageBoxDialogs::chooseBackup(
    QWidget* parent, const QString& workoutName, const std::vector<BackupEntry>& backups, const Backups& store)
{
    RestoreDialog dialog(workoutName, backups, store, parent);
    m_run(dialog);
    return dialog.result() == QDialog::Accepted ? dialog.chosen() : std::nullopt;
}

QString MessageBoxDialogs::chooseFolder(QWidget* parent, const QString& title)
{
    QFileDialog dialog(parent, title, StartFolder());
    dialog.setObjectName(QStringLiteral("dlgChooseFolder"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    ApplyDialogLook(&dialog);
    m_run(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString MessageBoxDialogs::chooseSaveFile(
    QWidget* parent, const QString& title, const QString& suggested, const QString& filter)
{
    QFileDialog dialog(parent, title, StartFolder(), filter);
    dialog.setObjectName(QStringLiteral("dlgSaveFile"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QFileInfo(suggested).suffix());
    dialog.selectFile(suggested);
    ApplyDialogLook(&dialog);
    m_run(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

std::unique_ptr<ProgressReport> MessageBoxDialogs::progress(QWidget* parent, const QString& label, int total)
{
    return std::make_unique<ProgressDialogReport>(parent, label, total);
}

} // namespace paceforge
