#pragma once

#include "store/StoredWorkout.h"
#include "workout/RunFigures.h"

#include <functional>
#include <optional>

class QWidget;

namespace paceforge {

class Backups;
class Dialogs;
class FileSystem;

// Offers the backups of a workout of the current catalogue and puts the chosen one back into the
// folder it came from (RestoreBackup), telling the user what it replaced. `restored` runs once the
// iPod was changed, before the user is told: whoever shows the iPod's workouts reads them again there.
// The backups' distances are shown in `unit`, or as each backup holds them without one.
void RestorePreviousVersion(QWidget* parent, Dialogs& dialogs, Backups& backups, FileSystem& fileSystem,
    StoredWorkout workout, const std::function<void()>& restored, std::optional<DistanceUnit> unit = std::nullopt);

} // namespace paceforge
