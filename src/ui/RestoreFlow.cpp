#include "RestoreFlow.h"

#include "Dialogs.h"

#include "compose/Backups.h"
#include "compose/Restore.h"

namespace paceforge {

void RestorePreviousVersion(QWidget* parent, Dialogs& dialogs, Backups& backups, FileSystem& fileSystem,
    StoredWorkout workout, const std::function<void()>& restored, std::optional<DistanceUnit> unit)
{
    const QString name = QString::fromStdString(workout.fileName);
    const auto kept = backups.list(workout.volume, workout.sensor, workout.fileName);
    if (kept.empty()) {
        dialogs.information(parent, QStringLiteral("No Backups"),
            QStringLiteral("Paceforge has kept no earlier version of \"%1\". A copy is kept each time Paceforge "
                           "changes or moves a workout.")
                .arg(name));
        return;
    }
    const auto chosen = dialogs.chooseBackup(parent, name, kept, backups, unit);
    if (!chosen)
        return;
    const auto done = RestoreBackup(*chosen, workout, fileSystem, backups);
    if (!done) {
        dialogs.critical(parent, QStringLiteral("Restore Failed"), done.error());
        return;
    }
    const QString text = RestoredText(done.value(), backups.summary(*chosen).taken);
    if (restored)
        restored();
    dialogs.information(parent, QStringLiteral("Workout Restored"), text);
}

} // namespace paceforge
