#pragma once

#include "compose/Backups.h"
#include "workout/RunFigures.h"

#include <QDialog>

#include <optional>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace paceforge {

// Lets the user pick one backup of a workout, newest first. It only reports the choice: the
// window restores it, so that a failure reaches the user through the window's dialogs. The
// distances are in `unit` when one is given (the history's), else as each backup holds them.
class RestoreDialog final : public QDialog
{
    Q_OBJECT
public:
    RestoreDialog(const QString& workoutName, std::vector<BackupEntry> backups, const Backups& store,
        std::optional<DistanceUnit> unit, QWidget* parent = nullptr);

    // The selected backup, if any.
    std::optional<BackupEntry> chosen() const;

private:
    std::vector<BackupEntry> m_backups;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_restore = nullptr;
};

} // namespace paceforge
