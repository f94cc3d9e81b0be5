#pragma once

#include "compose/DistanceCorrection.h"
#include "history/WorkoutHistory.h"
#include "workout/RunFigures.h"

#include <QDialog>
#include <QLocale>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTimer;

namespace paceforge {

class Backups;
class Dialogs;
class FileSystem;

// Scales the distances of the chosen runs by one factor, given as the true distance of one of
// them or in percent. The preview reads the files and shows each run's old and new distance and
// pace; nothing is written before Apply, and then each run as an edit is saved, backup first.
class CorrectDistanceDialog final : public QDialog
{
    Q_OBJECT
public:
    struct Services {
        Dialogs& dialogs;
        FileSystem& fileSystem;
        Backups& backups;
        QLocale locale = QLocale();
    };
    CorrectDistanceDialog(
        std::vector<HistoryEntry> runs, DistanceUnit unit, Services services, QWidget* parent = nullptr);

    // The plan of the last preview, when the entries make a factor.
    const std::optional<CorrectionPlan>& plan() const { return m_plan; }

public slots:
    void preview();
    void apply();

signals:
    // At least one run was rewritten on the iPod.
    void workoutsChanged();

private:
    void inputsChanged();
    std::optional<CorrectionFactor> factor(QString* why) const;
    QString runName(const StartTime& start) const;

    std::vector<HistoryEntry> m_runs;
    std::vector<StoredWorkout> m_correctionRuns;
    DistanceUnit m_unit;
    Services m_services;
    std::optional<CorrectionPlan> m_plan;
    QTimer* m_debounce = nullptr;

    QRadioButton* m_byTrueDistance = nullptr;
    QRadioButton* m_byPercent = nullptr;
    QComboBox* m_reference = nullptr;
    QLineEdit* m_trueDistance = nullptr;
    QLineEdit* m_percent = nullptr;
    QLabel* m_factor = nullptr;
    QTableWidget* m_preview = nullptr;
    QPushButton* m_apply = nullptr;
};

} // namespace paceforge
