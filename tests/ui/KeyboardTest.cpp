#include "WindowHarness.h"

#include "ui/ImageButton.h"
#include "workout/WorkoutFormat.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTest>

#include <functional>

using namespace paceforge;
using namespace paceforge::test;

namespace {

const std::string kSensor = "4H7136ZXVSX";

// A store with an empty sensor folder ready for new workouts, and three workouts to list.
struct ThreeWorkouts {
    ThreeWorkouts()
    {
        fs::create_directories(store.empeds() / kSensor / "latest");
        for (const auto& [name, calories] : {std::pair{"2006-09-10 07;00;00.xml", "100"},
                 std::pair{"2006-09-11 07;00;00.xml", "200"}, std::pair{"2006-09-12 07;00;00.xml", "300"}})
            store.add(
                kSensor, "synched", name, WorkoutXml({.time = "2006-09-10T07:00:00-04:00", .calories = calories}));
    }
    TempStore store;
};

} // namespace

TEST(Keyboard, NewWorkoutIsTypedAndSavedWithKeysAlone)
{
    ThreeWorkouts data;
    Window w({data.store.drive()});
    w.activate(); // the keys start from the drive selector
    w.press(Qt::Key_N, Qt::ControlModifier);
    const std::pair<int, QString> path[] = {
        {Qt::Key_Tab, {}}, {Qt::Key_Tab, {}}, {Qt::Key_Left, {}}, // refresh; calendar: the day before
        {Qt::Key_Tab, {}}, {Qt::Key_Up, {}}, // start time: one hour later
        {Qt::Key_Tab, "5"}, {Qt::Key_Tab, {}}, {Qt::Key_Right, {}}, // distance; miles, then kilometres
        {Qt::Key_Tab, {}}, {Qt::Key_Tab, "30"}, {Qt::Key_Tab, "15"}, // hours left empty; minutes; seconds
        {Qt::Key_Tab, "160"}, {Qt::Key_Tab, {}}, {Qt::Key_Tab, "300"}, // weight; pounds as they are; calories
    };
    for (const auto& [key, text] : path) {
        w.press(key);
        w.typeKeys(text);
    }
    w.press(Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();

    const fs::path saved = data.store.empeds() / kSensor / "synched" / "2006-09-14 07;00;00.xml";
    ASSERT_TRUE(fs::exists(saved));
    const XmlDocument document = XmlDocument::fromBytes(ReadBytes(saved));
    const WorkoutNodes n = FindWorkoutNodes(document);
    EXPECT_EQ(NodeText(n.distance), "8.0470");
    EXPECT_EQ(AttributeText(n.distanceUnit), "km");
    EXPECT_EQ(NodeText(n.durationString), "30:15");
    EXPECT_EQ(NodeText(n.weight), "72.576");
    EXPECT_EQ(NodeText(n.calories), "300");
}

TEST(Keyboard, ShortcutsInTheTooltipsDoWhatTheButtonsDo)
{
    ThreeWorkouts data;
    Window w({data.store.drive()});
    w.activate();
    struct Case {
        const char* button;
        std::function<bool()> done;
    };
    const Case cases[] = {
        {"imgExistingWorkout", [&] { return w.form->workoutMode() == WorkoutMode::Edit; }},
        {"imgNewWorkout", [&] { return w.form->workoutMode() == WorkoutMode::Add; }},
        {"imgRefresh", [&] { return w.rowCount() == 4; }},
        {"imgSave", [&] { return !w.dialogs.messages.empty(); }}, // empty fields: the save explains itself
        {"imgWebsite", [&] { return w.desktop.opened.size() == 1; }},
        {"imgClose", [&] { return !w.form->isVisible(); }},
    };
    data.store.add(kSensor, "latest", "2006-09-13 07;00;00.xml", WorkoutXml());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        const QString tip = w.find<QWidget>(c.button)->toolTip();
        const QKeySequence keys = QKeySequence::fromString(tip.section('(', -1).chopped(1));
        ASSERT_EQ(keys.count(), 1) << tip.toStdString();
        // Typing in a field must not keep the keys from the window (Ctrl+E ends a line on X11).
        w.find<QWidget>("tbxDistance")->setFocus(Qt::OtherFocusReason);
        w.press(keys[0].key(), keys[0].keyboardModifiers());
        EXPECT_TRUE(c.done());
    }
}

TEST(Keyboard, ListRowsLoadOnEnterOrSpaceButNotWhileTheArrowsMove)
{
    ThreeWorkouts data;
    Window w({data.store.drive()});
    w.activate();
    w.press(Qt::Key_E, Qt::ControlModifier);
    w.find<QWidget>("ListView1")->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(w.text("tbxCalories"), "300");
    for (const auto& [key, calories] : {std::pair{Qt::Key_Return, "200"}, std::pair{Qt::Key_Space, "100"}}) {
        SCOPED_TRACE(calories);
        w.press(Qt::Key_Down);
        EXPECT_NE(w.text("tbxCalories"), calories);
        w.press(key);
        EXPECT_EQ(w.text("tbxCalories"), calories);
    }
}

TEST(Keyboard, EnterInAFieldSavesAndPictureButtonsClickOnSpaceAndEnter)
{
    Window w({});
    for (const char* field : {"tbxDistance", "tbxTimeHrs", "tbxTimeMins", "tbxTimeSecs", "tbxWeight", "tbxCalories"}) {
        SCOPED_TRACE(field);
        const std::size_t before = w.dialogs.messages.size();
        QTest::keyClick(w.find<QWidget>(field), Qt::Key_Return);
        EXPECT_EQ(w.dialogs.messages.size(), before + 1); // with no iPod the save explains why not
    }
    for (ImageButton* button : w.form->findChildren<ImageButton*>())
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
            SCOPED_TRACE(button->objectName().toStdString() + " " + QKeySequence(key).toString().toStdString());
            QSignalSpy clicks(button, &QAbstractButton::clicked);
            QTest::keyClick(button, key);
            EXPECT_EQ(clicks.count(), 1);
        }
}

TEST(Keyboard, EverythingTabReachesHasANameForScreenReaders)
{
    ThreeWorkouts data;
    Window w({data.store.drive()});
    for (const char* screen : {"imgNewWorkout", "imgExistingWorkout", "saved panel"}) {
        if (screen == std::string("saved panel"))
            w.form->ShowSavedPanel();
        else
            w.click(screen);
        int reached = 0;
        for (QWidget* widget = w.form->nextInFocusChain(); widget != w.form.get();
             widget = widget->nextInFocusChain()) {
            if (!(widget->focusPolicy() & Qt::TabFocus) || widget->focusProxy() || !widget->isVisibleTo(w.form.get()))
                continue;
            ++reached;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(accessible, nullptr);
            EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
                << screen << ": " << widget->objectName().toStdString();
        }
        EXPECT_GE(reached, 14) << screen;
    }
}

// Tab and Shift+Tab visit the screen's elements in the order they are seen, also where the desktop
// sends Tab to text fields alone.
TEST(Keyboard, TabAndShiftTabFollowTheScreen)
{
    ThreeWorkouts data;
    Window w({data.store.drive()});
    w.activate();
    const QStringList newScreen = {"cbxiPodDrv", "imgRefresh", "calMain", "DTPicker1", "tbxDistance", "optMiles",
        "tbxTimeHrs", "tbxTimeMins", "tbxTimeSecs", "tbxWeight", "optPounds", "tbxCalories", "imgSave"};
    QStringList existingScreen = newScreen;
    existingScreen.replace(2, "ListView1");
    existingScreen.removeAt(3);
    // The element holding the focus; a calendar's focus lies on its day grid.
    const auto focused = [&](const QStringList& names) {
        QWidget* widget = QApplication::focusWidget();
        while (widget && !names.contains(widget->objectName()))
            widget = widget->parentWidget();
        return widget ? widget->objectName() : QStringLiteral("(elsewhere)");
    };
    QStyleHints* hints = QGuiApplication::styleHints();
    const Qt::TabFocusBehavior desktops = hints->tabFocusBehavior();
    for (Qt::TabFocusBehavior behaviour : {Qt::TabFocusAllControls, Qt::TabFocusTextControls}) {
        hints->setTabFocusBehavior(behaviour);
        for (const auto& [keys, order] : {std::pair{Qt::Key_N, newScreen}, std::pair{Qt::Key_E, existingScreen}}) {
            SCOPED_TRACE(std::to_string(behaviour) + (keys == Qt::Key_N ? " New" : " Existing"));
            w.press(keys, Qt::ControlModifier);
            w.find<QWidget>("cbxiPodDrv")->setFocus(Qt::TabFocusReason);
            QStringList forward{focused(order)}, backward;
            for (qsizetype i = 1; i < order.size(); ++i) {
                w.press(Qt::Key_Tab);
                forward << focused(order);
            }
            for (qsizetype i = 1; i < order.size(); ++i) {
                w.press(Qt::Key_Tab, Qt::ShiftModifier);
                backward.prepend(focused(order));
            }
            backward << forward.last();
            EXPECT_EQ(forward.join(' ').toStdString(), order.join(' ').toStdString());
            EXPECT_EQ(backward.join(' ').toStdString(), order.join(' ').toStdString());
        }
    }
    hints->setTabFocusBehavior(desktops);
}
