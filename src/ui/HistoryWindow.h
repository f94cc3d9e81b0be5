#pragma once

#include "history/HistoryTotals.h"
#include "history/WorkoutHistory.h"
#include "store/Records.h"

#include <QLocale>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QModelIndex;
class QSplitter;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class QTimer;

namespace paceforge {

class Backups;
class DateField;
class Desktop;
class Dialogs;
class FileSystem;
class HistoryCache;
class HistoryCharts;
class HistoryFilter;
class HistoryModel;
class SensorNames;
class WorkoutStore;

struct HistoryServices {
    // The chosen iPod's catalogue, shared with the main window.
    WorkoutStore& store;
    Dialogs& dialogs;
    FileSystem& fileSystem;
    Desktop& desktop;
    Backups& backups;
    QLocale locale = QLocale();
    // Where the summaries of workouts read before are kept; empty means the user's cache folder.
    std::filesystem::path cacheFolder = {};
};

// Every workout of the chosen iPod in a table with totals and charts, and what can be done to a
// selection of them. It only reads the iPod, except for a correction or a restore the user
// confirms; after those it asks the main window to read the iPod again. Whenever the catalogue
// is built again, from either window, it reads the workouts again before anything else is done.
class HistoryWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryWindow(HistoryServices services, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // Starts reading the workouts of the store's catalogue, a slice at a time; the table fills as it
    // goes. The window does so by itself whenever the catalogue changes.
    void reload();
    bool reading() const;
    // Every workout of the catalogue is in the table: the reading was neither cancelled nor is going on.
    bool readEverything() const;
    const HistoryModel& model() const { return *m_model; }

public slots:
    void cancelReading();
    void exportTcx();
    void exportCsv();
    void restoreSelected();
    void correctDistance();

signals:
    // Files on the iPod were replaced: whoever lists them must read them again.
    void workoutsChanged();
    void readingFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildElements();
    void applyStyle();
    void readSlice();
    void finishReading(bool cancelled);
    void rangeChanged();
    void sensorChanged();
    void nameSensor();
    void goToRecord(const QModelIndex& index);
    void updateSensors();
    void updateShoes();
    void updateRecords();
    void updateSplits();
    void updateStatus();
    // Everything that follows the runs shown once the reading is done.
    void updateSummaries();
    void unitChanged();
    void selectionChanged();
    void updateTotals();
    void updatePeriodsAndCharts();
    void updateRunChart();
    void updateButtons();
    std::vector<std::size_t> selectedEntries() const;
    std::vector<std::size_t> shownEntries() const;
    DistanceUnit unit() const;
    Period period() const;
    void saveSettings() const;
    void restoreSettings();

    HistoryServices m_services;
    int m_storeListener = 0;
    std::unique_ptr<HistoryCache> m_cache;
    std::unique_ptr<HistoryReader> m_reader;
    QTimer* m_slices = nullptr;
    std::size_t m_sliceFiles = 0;
    std::unique_ptr<SensorNames> m_names;
    // What the reading came to; the status shows it unless the filter has something to say.
    QString m_readingStatus;
    QString m_dateProblem;

    HistoryModel* m_model = nullptr;
    HistoryFilter* m_filter = nullptr;
    QStandardItemModel* m_periodModel = nullptr;
    QRadioButton* m_miles = nullptr;
    QRadioButton* m_kilometres = nullptr;
    QCheckBox* m_rangeOn = nullptr;
    DateField* m_since = nullptr;
    DateField* m_until = nullptr;
    QComboBox* m_sensor = nullptr;
    QAction* m_nameSensor = nullptr;
    QComboBox* m_period = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_status = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_totals = nullptr;
    QTableView* m_periods = nullptr;
    QTabWidget* m_summaries = nullptr;
    QStandardItemModel* m_shoesModel = nullptr;
    QTableView* m_shoes = nullptr;
    QStandardItemModel* m_recordsModel = nullptr;
    QTableView* m_records = nullptr;
    QStandardItemModel* m_splitsModel = nullptr;
    QTableView* m_splits = nullptr;
    QLabel* m_splitsTitle = nullptr;
    HistoryCharts* m_charts = nullptr;
    QSplitter* m_splitter = nullptr;
    QPushButton* m_exportTcx = nullptr;
    QPushButton* m_exportCsv = nullptr;
    QPushButton* m_restore = nullptr;
    QPushButton* m_correct = nullptr;
    std::vector<std::pair<QPushButton*, QAction*>> m_commands;
};

// "1 run", "3 runs".
QString RunsText(int runs);

// The dark look of the history window and its dialogs, matching the main window's.
QString HistoryStyleSheet();

} // namespace paceforge
