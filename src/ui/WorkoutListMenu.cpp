#include "WorkoutListMenu.h"

#include "Desktop.h"
#include "Dialogs.h"
#include "ExportMessages.h"
#include "RestoreFlow.h"
#include "WorkoutListModel.h"

#include "compose/Backups.h"
#include "export/Exporter.h"
#include "export/Tcx.h"
#include "workout/WorkoutSummary.h"
#include "platform/FileSystem.h"
#include "store/Catalogue.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QStringList>
#include <QTreeView>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

fs::path LocalPath(const QString& chosen)
{
    return fs::path(QFile::encodeName(chosen).toStdString());
}

// The exporter counts workouts; the progress dialog shows percent.
ExportProgress Percent(ProgressReport& progress)
{
    return [&progress](int done, int total) { return total == 0 || progress.update(done * 100 / total); };
}

QString FileName(const StoredWorkout& file)
{
    return QString::fromStdString(file.fileName);
}

const QString kNoFolderProgram = QStringLiteral("Paceforge found no program on this computer to open folders with.");

} // namespace

WorkoutListMenu::WorkoutListMenu(QTreeView* list, WorkoutListModel* model, const iPodRecord& ipod, Services services)
    : QObject(list),
      m_list(list),
      m_model(model),
      m_ipod(ipod),
      m_services(services),
      m_menu(new QMenu(list))
{
    const auto add = [this](const char* name, const QString& text, void (WorkoutListMenu::*slot)()) {
        QAction* action = m_menu->addAction(text, this, slot);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    m_restore
        = add("actRestore", QStringLiteral("Restore previous version..."), &WorkoutListMenu::restorePreviousVersion);
    m_showBackups = add("actShowBackups", QStringLiteral("Show backups folder"), &WorkoutListMenu::showBackupsFolder);
    m_menu->addSeparator();
    m_exportOne = add("actExportTcx", QStringLiteral("Export as TCX..."), &WorkoutListMenu::exportOneAsTcx);
    m_exportAllTcx = add("actExportAllTcx", QStringLiteral("Export all as TCX..."), &WorkoutListMenu::exportAllAsTcx);
    m_exportAllCsv = add("actExportAllCsv", QStringLiteral("Export all as CSV..."), &WorkoutListMenu::exportAllAsCsv);
    m_menu->addSeparator();
    add("actShowHistory", QStringLiteral("Show history..."), &WorkoutListMenu::historyRequested);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, &WorkoutListMenu::popUp);
}

void WorkoutListMenu::popUp(const QPoint& at)
{
    // A right click highlights the row under the pointer; it does not load it.
    const bool onRow = highlightedFile() != nullptr;
    m_restore->setEnabled(onRow);
    m_exportOne->setEnabled(onRow);
    m_exportAllTcx->setEnabled(m_model->rowCount() > 0);
    m_exportAllCsv->setEnabled(m_model->rowCount() > 0);
    m_menu->popup(m_list->viewport()->mapToGlobal(at));
}

QWidget* WorkoutListMenu::window() const
{
    return m_list->window();
}

const SensorFolder* WorkoutListMenu::highlightedSensor() const
{
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid() || current.row() >= m_model->rowCount())
        return nullptr;
    const StoredWorkout* file = highlightedFile();
    return file ? SensorAt(m_ipod, file->sensorIndex) : nullptr;
}

const StoredWorkout* WorkoutListMenu::highlightedFile() const
{
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid() || current.row() >= m_model->rowCount())
        return nullptr;
    const std::size_t chosen = m_model->row(current.row()).workout;
    return chosen < m_ipod.workouts.size() ? &m_ipod.workouts[chosen] : nullptr;
}

void WorkoutListMenu::restorePreviousVersion()
{
    const StoredWorkout* file = highlightedFile();
    if (!file)
        return;
    // Taken as a copy: the list is read again on success, which replaces the catalogue `file` points into.
    RestorePreviousVersion(window(), m_services.dialogs, m_services.backups, m_services.fileSystem, *file,
        [this] { emit workoutRestored(); });
}

void WorkoutListMenu::showBackupsFolder()
{
    Backups& backups = m_services.backups;
    fs::path folder = backups.root();
    if (const SensorFolder* sensor = highlightedSensor()) {
        const fs::path sensorFolder = backups.folderFor(m_ipod.driveLetter, sensor->name, true).parent_path();
        if (m_services.fileSystem.folderExists(sensorFolder))
            folder = sensorFolder;
    }
    if (Result made = m_services.fileSystem.createFolders(folder); !made) {
        m_services.dialogs.critical(window(), QStringLiteral("No Backups Folder"), made.error());
        return;
    }
    OpenLocalPath(m_services.desktop, m_services.dialogs, window(), DisplayPath(folder),
        QStringLiteral("Backups Folder"), kNoFolderProgram + QStringLiteral(" The backups are kept in this folder:"));
}

void WorkoutListMenu::exportOneAsTcx()
{
    const StoredWorkout* file = highlightedFile();
    if (!file)
        return;
    const auto workout = ReadWorkoutFile(file->fullPath(), m_services.fileSystem);
    if (!workout) {
        m_services.dialogs.critical(window(), QStringLiteral("Export Failed"), workout.error());
        return;
    }
    const QString target = m_services.dialogs.chooseSaveFile(window(), QStringLiteral("Export as TCX"),
        TcxFileName(workout.value()), QStringLiteral("Training Center files (*.tcx)"));
    if (target.isEmpty())
        return;
    Exporter exporter(m_services.fileSystem);
    if (Result written = exporter.exportWorkoutTcx(m_ipod, file->fullPath(), LocalPath(target)); !written) {
        m_services.dialogs.critical(window(), QStringLiteral("Export Failed"), written.error());
        return;
    }
    FinishExport(window(), m_services.dialogs, m_services.desktop,
        QStringLiteral("The workout \"%1\" was exported to \"%2\".").arg(FileName(*file), target), FolderOf(target));
}

void WorkoutListMenu::exportAllAsTcx()
{
    const QString folder = m_services.dialogs.chooseFolder(window(), QStringLiteral("Export all as TCX"));
    if (folder.isEmpty())
        return;
    Exporter exporter(m_services.fileSystem);
    const auto progress = m_services.dialogs.progress(window(), QStringLiteral("Exporting workouts..."), 100);
    const ExportReport report
        = exporter.exportTcx(SelectionOf(m_ipod, m_model->rows()), LocalPath(folder), Percent(*progress));
    ReportExport(window(), m_services.dialogs, m_services.desktop, report, folder, folder);
}

void WorkoutListMenu::exportAllAsCsv()
{
    const QString file = m_services.dialogs.chooseSaveFile(window(), QStringLiteral("Export all as CSV"),
        QStringLiteral("workouts.csv"), QStringLiteral("CSV files (*.csv)"));
    if (file.isEmpty())
        return;
    Exporter exporter(m_services.fileSystem);
    const auto progress = m_services.dialogs.progress(window(), QStringLiteral("Exporting workouts..."), 100);
    const ExportReport report
        = exporter.exportCsv(SelectionOf(m_ipod, m_model->rows()), LocalPath(file), Percent(*progress));
    ReportExport(window(), m_services.dialogs, m_services.desktop, report, file, FolderOf(file));
}

} // namespace paceforge
