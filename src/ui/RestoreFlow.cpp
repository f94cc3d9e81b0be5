#include "RestoreFlow.h"

#include "Dialogs.h"

#include "compose/Backups.h"
#include "platform/FileSystem.h"

namespace paceforge {

void RestorePreviousVersion(QWidget* parent, Dialogs& dialogs, Backups& backups, const QString& volume,
    const std::string& sensor, const std::filesystem::path& file, const std::function<void()>& restored)
{
    const std::string fileName = file.filename().string();
    const QString name = QString::fromStdString(fileName);
    const auto kept = backups.list(volume, sensor, fileName);
    if (kept.empty()) {
        dialogs.information(parent, QStringLiteral("No Backups"),
            QStringLiteral("Paceforge has kept no earlier version of \"%1\". A copy is kept each time Paceforge "
                           "changes or moves a workout.")
                .arg(name));
        return;
    }
    const auto chosen = dialogs.chooseBackup(parent, name, kept, backups);
    if (!chosen)
        return;
    const bool inLatest = NamesEqualIgnoringCase(file.parent_path().filename().string(), "latest");
    if (Result done = backups.restore(*chosen, file, volume, sensor, inLatest); !done) {
        dialogs.critical(parent, QStringLiteral("Restore Failed"),
            done.error() + QStringLiteral(" The workout on the iPod was not changed."));
        return;
    }
    const QString text = QStringLiteral("The version of %1 is back on the iPod as \"%2\"; the version it "
                                        "replaced was kept as a backup.")
                             .arg(backups.summary(*chosen).taken, name);
    if (restored)
        restored();
    dialogs.information(parent, QStringLiteral("Workout Restored"), text);
}

} // namespace paceforge
