#pragma once

#include "compose/DistanceCorrection.h"
#include "history/WorkoutHistory.h"
#include "workout/RunFigures.h"

#include <QDialog>
#include <QLocale>

#include <map>
#include <optional>
#include <string>
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

// What a correction may act on: the runs selected in the history, or every run of one sensor
// folder among the readable runs of the history's date range.
struct CorrectionRuns {
    std::vector<HistoryEntry> selected;
    std::vector<HistoryEntry> inRange;
    // The names the user gave sensor folders, by folder.
    std::map<std::string, QString> sensorNames;
};

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
    CorrectDistanceDialog(CorrectionRuns runs, DistanceUnit unit, Services services, QWidget* parent = nullptr);

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
    void runsChanged();
    std::optional<CorrectionFactor> factor(QString* why) const;
    // How the preview, the reference run and the result name a run: its start in the user's
    // locale form and its file name.
    QString runName(const StartTime& start, const std::string& fileName) const;
    QString runName(const std::filesystem::path& file) const;

    CorrectionRuns m_choices;
    // The runs the correction acts on now: the selected ones or those of the chosen sensor.
    std::vector<HistoryEntry> m_runs;
    std::vector<StoredWorkout> m_correctionRuns;
    DistanceUnit m_unit;
    Services m_services;
    std::optional<CorrectionPlan> m_plan;
    QTimer* m_debounce = nullptr;

    QRadioButton* m_selectedRuns = nullptr;
    QRadioButton* m_sensorRuns = nullptr;
    QComboBox* m_sensor = nullptr;
    QLabel* m_intro = nullptr;
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
