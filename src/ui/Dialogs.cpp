#include "Dialogs.h"

#include "Artwork.h"
#include "RestoreDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStandardPaths>

namespace paceforge {

void MessageBoxDialogs::critical(QWidget* parent, const QString& title, const QString& text)
{
    MakeMessageBox(parent, QMessageBox::Critical, title, text)->exec();
}

void MessageBoxDialogs::plain(QWidget* parent, const QString& title, const QString& text)
{
    MakeMessageBox(parent, QMessageBox::NoIcon, title, text)->exec();
}

std::unique_ptr<QMessageBox> MakeMessageBox(
    QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    auto box = std::make_unique<QMessageBox>(icon, title, text, QMessageBox::Ok, parent);
    box->setStyleSheet(QStringLiteral(
        "QMessageBox { background: #1A1D22; }"
        "QMessageBox QLabel { color: %2; background: transparent; font-size: 12px; }"
        "QMessageBox QPushButton { background: #23272E; color: %2; border: 1px solid #3A3F48; border-radius: 3px;"
        "  padding: 4px 18px; min-width: 48px; font-size: 12px; }"
        "QMessageBox QPushButton:focus { border-color: %1; }"
        "QMessageBox QPushButton:pressed { background: #0D0F12; }")
                           .arg(artwork::accentColor().name(), artwork::panelTextColor().name()));
    return box;
}

} // namespace paceforge

namespace paceforge {
namespace {

class ProgressDialogReport final : public ProgressReport
{
public:
    ProgressDialogReport(QWidget* parent, const QString& label, int total)
        : m_dialog(label, QStringLiteral("Cancel"), 0, total, parent)
    {
        m_dialog.setWindowTitle(QStringLiteral("Paceforge"));
        m_dialog.setWindowModality(Qt::WindowModal);
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

void MessageBoxDialogs::information(QWidget* parent, const QString& title, const QString& text)
{
    MakeMessageBox(parent, QMessageBox::Information, title, text)->exec();
}

std::optional<BackupEntry> MessageBoxDialogs::chooseBackup(
    QWidget* parent, const QString& workoutName, const std::vector<BackupEntry>& backups, const Backups& store)
{
    return RestoreDialog::ask(workoutName, backups, store, parent);
}

QString MessageBoxDialogs::chooseFolder(QWidget* parent, const QString& title)
{
    return QFileDialog::getExistingDirectory(parent, title, StartFolder());
}

QString MessageBoxDialogs::chooseSaveFile(
    QWidget* parent, const QString& title, const QString& suggested, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, title, QDir(StartFolder()).filePath(suggested), filter);
}

std::unique_ptr<ProgressReport> MessageBoxDialogs::progress(QWidget* parent, const QString& label, int total)
{
    return std::make_unique<ProgressDialogReport>(parent, label, total);
}

} // namespace paceforge
