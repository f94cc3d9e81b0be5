#pragma once

#include <QString>

#include <filesystem>
#include <functional>
#include <string>

class QWidget;

namespace paceforge {

class Backups;
class Dialogs;

// Offers the backups of one workout file and puts the chosen one back, telling the user how it
// went. `restored` runs once the file on the iPod was replaced, before the user is told: whoever
// shows the iPod's workouts reads them again there.
void RestorePreviousVersion(QWidget* parent, Dialogs& dialogs, Backups& backups, const QString& volume,
    const std::string& sensor, const std::filesystem::path& file, const std::function<void()>& restored);

} // namespace paceforge
