#include "WindowHarness.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>
#include <QToolTip>
#include <QTreeView>

using namespace paceforge;
using namespace paceforge::test;

namespace {

bool Shown(const Window& w, const char* name)
{
    return w.find<QWidget>(name)->isVisibleTo(w.form.get());
}

void Send(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)),
        type == QEvent::MouseMove ? Qt::NoButton : button, held, {});
    QApplication::sendEvent(target, &event);
}

// Presses on `pressed`, then moves the pointer 40 right and 10 down over the window and releases.
QPoint DragFrom(Window& w, QWidget* pressed, Qt::MouseButton button)
{
    const QPoint before = w.form->pos();
    const QPoint start = pressed->mapTo(w.form.get(), pressed->rect().center());
    Send(pressed, QEvent::MouseButtonPress, pressed->rect().center(), button);
    Send(w.form.get(), QEvent::MouseMove, start + QPoint(40, 10), button);
    Send(w.form.get(), QEvent::MouseButtonRelease, start + QPoint(40, 10), button);
    return w.form->pos() - before;
}

} // namespace

TEST(Window, OpensOnTheNewWorkoutScreenWithoutAnIPod)
{
    Window w({});
    EXPECT_EQ(w.form->windowTitle(), "Paceforge");
    EXPECT_EQ(w.form->size(), QSize(739, 444));
    EXPECT_TRUE(w.form->windowFlags() & Qt::FramelessWindowHint);
    auto* selector = w.find<QComboBox>("cbxiPodDrv");
    ASSERT_EQ(selector->count(), 1);
    EXPECT_EQ(selector->currentText(), "(No iPods Found)");
    EXPECT_FALSE(w.form->iPodFoundFlag());
    EXPECT_EQ(w.form->workoutMode(), WorkoutMode::Add);
    EXPECT_TRUE(Shown(w, "frmDatePick"));
    EXPECT_FALSE(Shown(w, "ListView1"));
    EXPECT_TRUE(Shown(w, "imgExistingWorkoutLow"));
    EXPECT_FALSE(Shown(w, "imgNewWorkoutLow"));
    EXPECT_FALSE(Shown(w, "frmWorkoutSaved"));
    EXPECT_EQ(w.find<QWidget>("frmWorkoutSaved")->pos(), QPoint(359, 108));
    EXPECT_EQ(w.find<QWidget>("imgExistingWorkoutLow")->geometry(), w.find<QWidget>("imgExistingWorkout")->geometry());
    EXPECT_EQ(w.find<QTimeEdit>("DTPicker1")->time(), QTime(6, 0));
    EXPECT_EQ(w.find<QCalendarWidget>("calMain")->selectedDate(), QDate(2006, 9, 15));
    EXPECT_EQ(w.text("lblWorkoutDte"), "");
    EXPECT_EQ(w.rowCount(), 0);
    auto* header = w.find<QTreeView>("ListView1")->header();
    EXPECT_EQ(header->model()->headerData(0, Qt::Horizontal).toString(), "Date");
    EXPECT_EQ(header->model()->headerData(2, Qt::Horizontal).toString(), "Synched");
    EXPECT_EQ(header->sectionSize(0), 80);
    EXPECT_EQ(header->sectionSize(2), 70);
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_EQ(w.find<QWidget>("imgRefresh")->toolTip(), "Refresh iPod List (F5)");
    for (const char* box : {"tbxTimeMins", "tbxTimeSecs"}) // one line with the hours
        EXPECT_EQ(w.find<QWidget>(box)->y(), w.find<QWidget>("tbxTimeHrs")->y()) << box;
}

TEST(Window, StartUpListsTheNewestWorkoutAndShowsItsDate)
{
    TempStore store;
    store.add("sensor1", "latest", "2006-09-20 07;15;00.xml", WorkoutXml({.time = "2006-09-20T07:15:00-04:00"}));
    store.add("sensor1", "synched", "2006-09-15 18;30;45.xml", WorkoutXml());
    Window w({store.drive()});
    EXPECT_EQ(w.text("cbxiPodDrv"), "Ipod located on drive 'IPOD'");
    ASSERT_EQ(w.rowCount(), 2);
    EXPECT_EQ(w.cell(0, 0), "09/20/2006");
    EXPECT_EQ(w.cell(0, 1), "07:15:00 am");
    EXPECT_EQ(w.cell(0, 2), "No");
    EXPECT_EQ(w.cell(1, 1), "6:30:45 pm");
    EXPECT_EQ(w.cell(1, 2), "Yes");
    // The scan passed through the edit screen and loaded the newest row before the new screen emptied the fields.
    EXPECT_EQ(w.text("lblWorkoutDte"), "- 2006-09-20 07:15:00 am");
    EXPECT_EQ(w.text("tbxDistance"), "");
    EXPECT_EQ(w.form->selectedSensorIndex(), 1);
    EXPECT_EQ(w.form->selectedFileIndex(), 1);
}

TEST(Window, TabsAndTheirDimmedFacesSwitchScreens)
{
    TempStore store;
    store.add("sensor1", "latest", "2006-09-20 07;15;00.xml", WorkoutXml());
    Window w({store.drive()});

    w.click("imgExistingWorkoutLow");
    EXPECT_EQ(w.form->workoutMode(), WorkoutMode::Edit);
    EXPECT_TRUE(Shown(w, "ListView1"));
    EXPECT_FALSE(Shown(w, "frmDatePick"));
    EXPECT_TRUE(Shown(w, "imgNewWorkoutLow"));
    EXPECT_FALSE(Shown(w, "imgExistingWorkoutLow"));
    EXPECT_EQ(w.text("tbxCalories"), "312");

    w.click("imgNewWorkoutLow");
    EXPECT_EQ(w.form->workoutMode(), WorkoutMode::Add);
    EXPECT_TRUE(Shown(w, "frmDatePick"));
    EXPECT_EQ(w.text("tbxCalories"), "");

    w.form->ShowSavedPanel();
    EXPECT_TRUE(Shown(w, "frmWorkoutSaved"));
    EXPECT_FALSE(Shown(w, "imgExistingWorkoutLow"));
    w.click("imgExistingWorkout");
    EXPECT_FALSE(Shown(w, "frmWorkoutSaved"));
    EXPECT_EQ(w.form->workoutMode(), WorkoutMode::Edit);
}

TEST(Window, RefreshKeepsTheSelectorPosition)
{
    TempStore e("E"), f("F");
    e.add("sensor1", "latest", "2006-01-01 10;00;00.xml", WorkoutXml());
    f.add("sensor1", "latest", "2007-02-02 10;00;00.xml", WorkoutXml());
    f.add("sensor1", "latest", "2007-03-03 10;00;00.xml", WorkoutXml());
    Window w({e.drive(), f.drive()});
    auto* selector = w.find<QComboBox>("cbxiPodDrv");
    ASSERT_EQ(selector->count(), 2);
    EXPECT_EQ(selector->itemText(0), "Ipod located on drive 'E'");
    EXPECT_EQ(selector->itemText(1), "Ipod located on drive 'F'");
    EXPECT_EQ(selector->currentIndex(), 0);
    EXPECT_EQ(w.rowCount(), 1);

    selector->setCurrentIndex(1);
    emit selector->activated(1);
    EXPECT_EQ(w.rowCount(), 2);

    f.add("sensor1", "synched", "2007-04-04 10;00;00.xml", WorkoutXml());
    w.click("imgRefresh");
    EXPECT_EQ(selector->currentIndex(), 1);
    EXPECT_EQ(w.rowCount(), 3);
    EXPECT_EQ(w.form->workoutMode(), WorkoutMode::Add);

    // One iPod fewer: the last entry is selected, without a message.
    w.drives.list.pop_back();
    w.click("imgRefresh");
    EXPECT_EQ(selector->currentIndex(), 0);
    EXPECT_EQ(w.rowCount(), 1);
    EXPECT_TRUE(w.dialogs.messages.empty());
}

// A volume's name seldom fits the selector: the open list and the closed box's tooltip show it whole.
TEST(Window, SelectorShowsLongVolumeNamesWhole)
{
    TempStore store("Sample iPod of the Thursday running club");
    Window w({store.drive()});
    auto* selector = w.find<QComboBox>("cbxiPodDrv");
    const QString entry = "Ipod located on drive 'Sample iPod of the Thursday running club'";
    ASSERT_EQ(selector->currentText(), entry);
    QHelpEvent hover(QEvent::ToolTip, selector->rect().center(), selector->mapToGlobal(selector->rect().center()));
    QApplication::sendEvent(selector, &hover);
    EXPECT_EQ(QToolTip::text(), entry);
    selector->showPopup();
    QAbstractItemView* list = selector->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    EXPECT_GE(list->viewport()->width(), list->sizeHintForColumn(0));
    selector->hidePopup();
}

TEST(Window, ScanFailureIsReportedOnceAndTheWindowStillOpens)
{
    class FailingDrives final : public DriveSource
    {
    public:
        std::vector<Drive> drives() const override
        {
            throw std::system_error(std::make_error_code(std::errc::io_error), "drive list");
        }
    };
    FailingDrives failing;
    RecordingDialogs dialogs;
    FileSystem fileSystem;
    FixedClock clock;
    ScriptedRandom random;
    RecordingDesktop desktop;
    frmMain form({dialogs, failing, fileSystem, clock, random, desktop});
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(dialogs.messages[0].critical);
    EXPECT_EQ(dialogs.messages[0].title, "Paceforge");
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("Error Number: 5\r\nError Description: "));
    EXPECT_EQ(form.findChild<QComboBox*>("cbxiPodDrv")->currentText(), "(No iPods Found)");
}

TEST(Window, DraggingTheBackgroundMovesTheWindowWithAnyButton)
{
    Window w({});
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        SCOPED_TRACE(button);
        const QPoint before = w.form->pos();
        Send(w.form.get(), QEvent::MouseButtonPress, {300, 30}, button);
        Send(w.form.get(), QEvent::MouseMove, {340, 40}, button);
        Send(w.form.get(), QEvent::MouseButtonRelease, {340, 40}, button);
        EXPECT_EQ(w.form->pos() - before, QPoint(40, 10));
        // Released: moving over the background no longer moves the window.
        Send(w.form.get(), QEvent::MouseMove, {360, 60}, Qt::NoButton);
        EXPECT_EQ(w.form->pos() - before, QPoint(40, 10));
    }
}

TEST(Window, PressesOnElementsNeverDrag)
{
    Window w({});
    for (const char* name : {"imgNewWorkout", "imgSave", "frmWorkout", "lblWorkoutDte", "tbxDistance", "optMiles",
             "frmDatePick", "calMain", "Frame2"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(DragFrom(w, w.find<QWidget>(name), Qt::LeftButton), QPoint(0, 0));
    }
}

TEST(Window, WindowButtons)
{
    Window w({});
    w.click("imgWebsite");
    ASSERT_EQ(w.desktop.opened.size(), 1u);
    EXPECT_TRUE(w.desktop.opened[0].isLocalFile());
    EXPECT_TRUE(w.desktop.opened[0].toLocalFile().endsWith("docs/index.html"));
    w.click("imgClose");
    EXPECT_FALSE(w.form->isVisible());
}

TEST(Window, UnitSelectorsConvertWhatIsTyped)
{
    Window w({});
    w.type("tbxDistance", "5");
    w.click("optKilometers");
    EXPECT_EQ(w.text("tbxDistance"), "8.047");
    w.click("optMiles");
    EXPECT_EQ(w.text("tbxDistance"), "5.0002");
    w.click("optMiles"); // already selected: nothing changes
    EXPECT_EQ(w.text("tbxDistance"), "5.0002");

    w.type("tbxWeight", "150");
    w.click("optKilograms");
    EXPECT_EQ(w.text("tbxWeight"), "68");
    w.click("optPounds");
    EXPECT_EQ(w.text("tbxWeight"), "149.9");
    EXPECT_EQ(w.text("tbxDistance"), "5.0002"); // the pairs are independent

    w.type("tbxDistance", "");
    w.click("optKilometers");
    EXPECT_EQ(w.text("tbxDistance"), "0");
    w.type("tbxDistance", "five");
    w.click("optMiles");
    EXPECT_EQ(w.text("tbxDistance"), "five");
    EXPECT_TRUE(w.find<QRadioButton>("optMiles")->isChecked());
}

TEST(Window, UnitSelectorsUseTheUsersDecimalComma)
{
    Window w({}, {2006, 9, 15}, nullptr, QLocale(QLocale::German, QLocale::Germany));
    w.click("optKilometers");
    w.type("tbxDistance", "8,047");
    w.click("optMiles");
    EXPECT_EQ(w.text("tbxDistance"), "5,0002");
}
