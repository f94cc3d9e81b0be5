#pragma once

#include "store/Records.h"

#include <QObject>

class QAction;
class QMenu;
class QTreeView;

namespace paceforge {

class Backups;
class Desktop;
struct ExportReport;
class Dialogs;
class FileSystem;
class WorkoutListModel;

// The workout list's context menu: backups of the highlighted workout and exports. Everything here
// only reads the iPod, except a restore the user asked for, which backs up what it replaces.
class WorkoutListMenu final : public QObject
{
    Q_OBJECT
public:
    struct Services {
        Dialogs& dialogs;
        Desktop& desktop;
        FileSystem& fileSystem;
        Backups& backups;
    };
    // The list shows the catalogue of `ipod`, which the window rebuilds in place.
    WorkoutListMenu(QTreeView* list, WorkoutListModel* model, const iPodRecord& ipod, Services services);

    void restorePreviousVersion();
    void showBackupsFolder();
    void exportOneAsTcx();
    void exportAllAsTcx();
    void exportAllAsCsv();

signals:
    // A workout file on the iPod was replaced: the list must be read again.
    void workoutRestored();
    void historyRequested();

private:
    void popUp(const QPoint& at);
    QWidget* window() const;
    const SensorFolder* highlightedSensor() const;
    const StoredWorkout* highlightedFile() const;
    // `where` is what the export wrote, a folder or a file; `folder` is where the user finds it.

    QTreeView* m_list;
    WorkoutListModel* m_model;
    const iPodRecord& m_ipod;
    Services m_services;
    QMenu* m_menu;
    QAction* m_restore;
    QAction* m_showBackups;
    QAction* m_exportOne;
    QAction* m_exportAllTcx;
    QAction* m_exportAllCsv;
};

} // namespace paceforge
