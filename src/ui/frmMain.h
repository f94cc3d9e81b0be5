#pragma once

#include "ArtworkCache.h"

#include "compose/EditSession.h"
#include "platform/XmlDocument.h"
#include "store/Records.h"

#include <QLocale>
#include <QPointF>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

class QCalendarWidget;
class QComboBox;
class QFocusFrame;
class QFrame;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTimeEdit;
class QTreeView;

namespace paceforge {

class Backups;
class Clock;
class Desktop;
class Dialogs;
class DriveSource;
class FileSystem;
class HistoryWindow;
class ImageButton;
class RandomSource;
class WorkoutListModel;
struct ScanError;

// Everything the window reaches outside itself; tests pass fakes.
struct frmMainServices {
    Dialogs& dialogs;
    DriveSource& drives;
    FileSystem& fileSystem;
    Clock& clock;
    RandomSource& random;
    Desktop& desktop;
    QLocale locale = QLocale();
    // Where the template workout and the help page stand; empty means the program's own folder.
    std::filesystem::path programFolder = {};
    // Where copies of replaced workout files are kept; empty means the user's data folder.
    std::filesystem::path backupsFolder = {};
    // Where the painted artwork is kept between runs; empty keeps nothing.
    std::filesystem::path artworkCacheFolder = StandardArtworkCacheFolder();
};

// The one window of the program. It holds the state of a session and wires the elements' events
// to the rules, which live in the core library.
class frmMain final : public QWidget
{
    Q_OBJECT
public:
    explicit frmMain(frmMainServices services, QWidget* parent = nullptr);
    ~frmMain() override;

    WorkoutMode workoutMode() const { return m_session->mode(); }
    bool iPodFoundFlag() const { return iPodFound; }
    long long selectedSensorIndex() const { return m_session->selectedSensorIndex(); }
    long long selectedFileIndex() const { return m_session->selectedFileIndex(); }
    const iPodRecord& currentIPod() const { return m_session->currentIPod(); }
    const std::filesystem::path& programFolder() const { return ProgramFolder; }

public slots:
    void ScanForIPods();
    void cbxiPodDrv_Click();
    void ListView1_Click();
    void imgNewWorkout_Click();
    void imgExistingWorkout_Click();
    void imgContinue_Click();
    void imgRefresh_Click();
    void imgSave_Click();
    void imgWebsite_Click();
    void CheckWorkoutDate();
    void ClearEntryFields();
    void ShowSavedPanel();
    void UpdatePaceLine();
    void ShowHistory();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Form_Load();
    void buildElements(ArtworkCache& artwork);
    void wireEvents();
    void addWorkoutTools();
    void addHistory();
    void applyStyle();
    void styleElements();
    void setUpKeyboard();
    void describeElements();
    void LoadWorkoutEntry(long long sensorIndex, long long fileIndex);
    void selectFirstRowAndLoad();
    void reportScanError(const ScanError& error);

    frmMainServices m_services;
    std::unique_ptr<Backups> m_backups;

    // The mode, the chosen iPod's catalogue, the workout loaded and its save live in the session.
    std::unique_ptr<EditSession> m_session;
    std::filesystem::path ProgramFolder;
    bool iPodFound = false;
    std::vector<iPodRecord> iPodList;
    bool m_dragging = false;
    QPointF m_pressPoint;
    // A workout that vanished makes the loader rescan once; the rescan's own load must not again.
    bool m_rescanningForMissingFile = false;

    QPixmap m_background;
    QFocusFrame* m_focusRing = nullptr;
    // The elements in the order Tab visits them, hidden ones included.
    std::vector<QWidget*> m_tabStops;
    QMetaObject::Connection m_focusWatch;

    ImageButton* imgWebsite = nullptr;
    ImageButton* imgMinimize = nullptr;
    ImageButton* imgClose = nullptr;
    ImageButton* imgNewWorkout = nullptr;
    ImageButton* imgExistingWorkout = nullptr;
    ImageButton* imgNewWorkoutLow = nullptr;
    ImageButton* imgExistingWorkoutLow = nullptr;
    QLabel* lblWorkoutDte = nullptr;
    QFrame* Frame2 = nullptr;
    QComboBox* cbxiPodDrv = nullptr;
    ImageButton* imgRefresh = nullptr;
    QFrame* frmDatePick = nullptr;
    QCalendarWidget* calMain = nullptr;
    QTimeEdit* DTPicker1 = nullptr;
    QTreeView* ListView1 = nullptr;
    WorkoutListModel* m_listModel = nullptr;
    QFrame* frmWorkout = nullptr;
    QLineEdit* tbxDistance = nullptr;
    QRadioButton* optMiles = nullptr;
    QRadioButton* optKilometers = nullptr;
    QLineEdit* tbxTimeHrs = nullptr;
    QLineEdit* tbxTimeMins = nullptr;
    QLineEdit* tbxTimeSecs = nullptr;
    QLineEdit* tbxWeight = nullptr;
    QFrame* Frame1 = nullptr;
    QRadioButton* optPounds = nullptr;
    QRadioButton* optKilograms = nullptr;
    QLineEdit* tbxCalories = nullptr;
    QLabel* lblPace = nullptr;
    ImageButton* imgSave = nullptr;
    QFrame* frmWorkoutSaved = nullptr;
    ImageButton* imgContinue = nullptr;
    ImageButton* imgHistory = nullptr;
    HistoryWindow* m_history = nullptr;
};

} // namespace paceforge
