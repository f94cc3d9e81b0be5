#include "WindowHarness.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QTest>
#include <QTimeEdit>
#include <QTreeView>

using namespace paceforge;
using namespace paceforge::test;

namespace {

struct TwoWorkouts {
    TwoWorkouts()
    {
        store.add("4H7136ZXVSX", "latest", "2006-09-20 07;15;00.xml",
            WorkoutXml({.time = "2006-09-20T07:15:00-04:00",
                .durationString = "1:05:07",
                .distance = "5.0000",
                .calories = "420",
                .weight = "72.576"}));
        store.add("4H7136ZXVSX", "synched", "2006-08-01 18;05;09.xml",
            WorkoutXml({.time = "2006-08-01T18:05:09-04:00",
                .durationString = "32:15",
                .distance = "3.1",
                .unit = "mi",
                .calories = "",
                .weight = ""}));
    }
    TempStore store;
};

} // namespace

TEST(Loading, ExistingTabLoadsTheNewestAndRowsLoadOnClick)
{
    TwoWorkouts data;
    Window w({data.store.drive()});
    w.click("imgExistingWorkout");
    EXPECT_EQ(w.text("tbxDistance"), "3.1069");
    EXPECT_EQ(w.text("tbxTimeHrs"), "1");
    EXPECT_EQ(w.text("tbxTimeMins"), "05");
    EXPECT_EQ(w.text("tbxTimeSecs"), "07");
    EXPECT_EQ(w.text("tbxWeight"), "160");
    EXPECT_EQ(w.text("tbxCalories"), "420");
    EXPECT_EQ(w.text("lblWorkoutDte"), "- 2006-09-20 07:15:00 am");

    w.clickRow(1);
    EXPECT_EQ(w.form->selectedSensorIndex(), 1);
    EXPECT_EQ(w.form->selectedFileIndex(), 2);
    EXPECT_EQ(w.text("tbxDistance"), "3.1");
    EXPECT_EQ(w.text("tbxTimeHrs"), "");
    EXPECT_EQ(w.text("tbxTimeMins"), "32");
    EXPECT_EQ(w.text("tbxTimeSecs"), "15");
    EXPECT_EQ(w.text("tbxWeight"), "0");
    EXPECT_EQ(w.text("tbxCalories"), "");
    EXPECT_EQ(w.text("lblWorkoutDte"), "- 2006-08-01 6:05:09 pm");

    // Every click reloads, also of the selected row, and replaces what was typed.
    w.type("tbxCalories", "999");
    w.clickRow(1);
    EXPECT_EQ(w.text("tbxCalories"), "");
}

TEST(Loading, RowsLoadInKilometresAndKilograms)
{
    TwoWorkouts data;
    Window w({data.store.drive()});
    w.click("optKilometers");
    w.click("optKilograms");
    w.click("imgExistingWorkout");
    EXPECT_EQ(w.text("tbxDistance"), "5.0000");
    EXPECT_EQ(w.text("tbxWeight"), "72.6");
    w.clickRow(1);
    EXPECT_EQ(w.text("tbxDistance"), "4.9891");
}

TEST(Loading, ExistingTabWithAnEmptyListKeepsTheFields)
{
    TempStore store;
    Window w({store.drive()});
    w.type("tbxDistance", "7");
    w.click("imgExistingWorkout");
    EXPECT_EQ(w.form->workoutMode(), WorkoutMode::Edit);
    EXPECT_EQ(w.text("tbxDistance"), "7");
    EXPECT_EQ(w.form->selectedSensorIndex(), 0);
}

TEST(Loading, ListLabelsCannotBeEdited)
{
    TwoWorkouts data;
    Window w({data.store.drive()});
    w.click("imgExistingWorkout");
    auto* list = w.find<QTreeView>("ListView1");
    const QRect first = list->visualRect(list->model()->index(0, 0));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first.center());
    QTest::keyClick(list, Qt::Key_F2);
    EXPECT_TRUE(list->viewport()->findChildren<QLineEdit*>().isEmpty());
    EXPECT_FALSE(list->model()->flags(list->model()->index(0, 0)) & Qt::ItemIsEditable);
}

TEST(Loading, NewWorkoutEmptiesTheFieldsAndKeepsDateAndTime)
{
    TwoWorkouts data;
    Window w({data.store.drive()});
    w.click("imgExistingWorkout");
    w.click("imgNewWorkout");
    EXPECT_EQ(w.text("tbxDistance"), "");
    EXPECT_EQ(w.text("tbxWeight"), "");
    EXPECT_EQ(w.text("lblWorkoutDte"), "- 2006-09-20 07:15:00 am"); // the loaded workout's, until the date changes
    w.type("tbxCalories", "5");
    w.click("imgNewWorkout");
    EXPECT_EQ(w.text("tbxCalories"), "");
    EXPECT_EQ(w.find<QTimeEdit>("DTPicker1")->time(), QTime(6, 0));
}

TEST(Loading, DateRuleRefusesDatesMoreThanFourMonthsBack)
{
    Window w({});
    w.chooseDate({2006, 5, 1});
    ASSERT_TRUE(w.dialogs.messages.empty());
    const QString accepted = w.text("lblWorkoutDte");
    EXPECT_TRUE(accepted.startsWith("- 5/1/06")) << accepted.toStdString();
    EXPECT_TRUE(accepted.endsWith("6:00:00 AM")) << accepted.toStdString();

    w.chooseDate({2006, 4, 30});
    ASSERT_EQ(w.dialogs.titles(), QStringList{"You're too late!"});
    EXPECT_EQ(
        w.dialogs.messages[0].text, "The limit for previous workouts is 4 months. Please select a different date!");
    EXPECT_TRUE(w.dialogs.messages[0].critical);
    EXPECT_EQ(w.text("lblWorkoutDte"), accepted);

    // A new time with the refused date still selected is refused again.
    w.find<QTimeEdit>("DTPicker1")->setTime(QTime(7, 30));
    EXPECT_EQ(w.dialogs.messages.size(), 2u);
    EXPECT_EQ(w.text("lblWorkoutDte"), accepted);

    w.chooseDate({2030, 1, 1});
    EXPECT_TRUE(w.text("lblWorkoutDte").endsWith("7:30:00 AM"));
}

// A file under a workout's name that is not a workout: the fields must not go on showing another
// workout, and Save must refuse with the reason the user was given.
TEST(Loading, UnreadableWorkoutIsNamedAndEmptiesTheFields)
{
    TempStore store;
    const fs::path page
        = store.add("S", "latest", "2006-09-20 07;15;00.xml", "<html><body>not a workout<br></body></html>");
    store.add("S", "latest", "2006-09-10 07;15;00.xml", WorkoutXml());
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Unreadable Workout"});
    EXPECT_TRUE(w.dialogs.messages[0].critical);
    EXPECT_TRUE(w.dialogs.messages[0].text.contains(DisplayPath(page)));

    w.clickRow(1);
    EXPECT_EQ(w.text("tbxCalories"), "312");
    w.clickRow(0);
    for (const char* field : {"tbxDistance", "tbxTimeHrs", "tbxTimeMins", "tbxTimeSecs", "tbxWeight", "tbxCalories"})
        EXPECT_EQ(w.text(field), "") << field;
    ASSERT_EQ(w.dialogs.messages.size(), 2u);

    const auto before = store.files();
    w.fill("5", "", "30", "0");
    w.click("imgSave");
    ASSERT_EQ(w.dialogs.messages.size(), 3u);
    EXPECT_EQ(w.dialogs.messages[2].title, w.dialogs.messages[1].title);
    EXPECT_EQ(w.dialogs.messages[2].text, w.dialogs.messages[1].text);
    EXPECT_EQ(store.files(), before);
}

TEST(Loading, VanishedWorkoutRescansOnceAndNeverLoops)
{
    TempStore store;
    store.add("S", "latest", "2006-09-10 07;15;00.xml", WorkoutXml());
    const fs::path newest = store.add("S", "latest", "2006-09-20 07;15;00.xml", WorkoutXml({.calories = "1"}));
    // A link to nowhere is listed like a file but can never be loaded, so each rebuild meets it again.
    fs::create_symlink(store.root() / "nowhere.xml", store.empeds() / "S" / "latest" / "2006-09-30 07;15;00.xml");
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    EXPECT_EQ(w.rowCount(), 3);
    EXPECT_EQ(w.text("tbxCalories"), "");

    fs::remove(newest);
    w.clickRow(1);
    EXPECT_EQ(w.rowCount(), 2);
    EXPECT_TRUE(w.dialogs.messages.empty());
}

// A folder of the iPod that cannot be read would hide its workouts without a word.
TEST(Loading, AnUnreadableFolderIsNamedWithItsReason)
{
    class UnreadableSynched final : public FileSystem
    {
    public:
        FolderListing<std::string> fileNames(const fs::path& folder) const override
        {
            if (folder.filename() != "synched")
                return FileSystem::fileNames(folder);
            return {{}, QStringLiteral("Could not read the folder \"%1\": Input/output error.").arg(DisplayPath(folder))};
        }
    };
    TempStore store;
    store.add("S", "latest", "2006-09-10 07;15;00.xml", WorkoutXml());
    store.add("S", "synched", "2006-09-11 07;15;00.xml", WorkoutXml());
    UnreadableSynched fileSystem;
    Window w({store.drive()}, {2006, 9, 15}, &fileSystem);
    ASSERT_EQ(w.dialogs.titles().value(0), "Workouts Missing");
    EXPECT_TRUE(w.dialogs.messages[0].text.contains("synched\": Input/output error."))
        << w.dialogs.messages[0].text.toStdString();
    w.click("imgExistingWorkout");
    EXPECT_EQ(w.rowCount(), 1);
}
