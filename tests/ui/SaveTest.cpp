#include "WindowHarness.h"

#include "store/StopSnapshot.h"
#include "workout/WorkoutFormat.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStringList>
#include <QTest>
#include <QTimeEdit>

#include <fstream>
#include <functional>

using namespace paceforge;
using namespace paceforge::test;

namespace {

const std::string kSensor = "4H7136ZXVSX";
const std::string kNewName = "2006-09-15 06;00;00.xml";

struct Saved {
    explicit Saved(const fs::path& path) : bytes(ReadBytes(path)), document(XmlDocument::fromBytes(bytes)) { }
    std::string text(pugi::xml_node node) const { return NodeText(node); }
    WorkoutNodes nodes() const { return FindWorkoutNodes(document); }
    std::vector<pugi::xml_node> stopSnapshots() const
    {
        std::vector<pugi::xml_node> found;
        for (pugi::xpath_node n : document.documentElement().select_nodes("//snapShot[@event='stop']"))
            found.push_back(n.node());
        return found;
    }
    std::string bytes;
    XmlDocument document;
};

std::vector<std::string> Lines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = bytes.find('\n', start)) != std::string::npos; start = at + 1)
        lines.push_back(bytes.substr(start, at - start));
    lines.push_back(bytes.substr(start));
    return lines;
}

// A store with one sensor whose latest and synched folders exist but are empty.
struct EmptySensor {
    EmptySensor()
    {
        fs::create_directories(store.empeds() / kSensor / "latest");
        fs::create_directories(store.empeds() / kSensor / "synched");
    }
    fs::path synched(const std::string& name = kNewName) const { return store.empeds() / kSensor / "synched" / name; }
    fs::path latest(const std::string& name = kNewName) const { return store.empeds() / kSensor / "latest" / name; }
    TempStore store;
};

} // namespace

TEST(Save, NewWorkoutInMilesIsWrittenToBothFoldersFromTheTemplate)
{
    EmptySensor sensor;
    Window w({sensor.store.drive()});
    w.random.next = {42, 500, 50, 600, 60};
    w.fill("5", "", "30", "0", "160", "");
    w.click("imgSave");
    ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();

    ASSERT_TRUE(fs::exists(sensor.synched()));
    ASSERT_TRUE(fs::exists(sensor.latest()));
    const Saved saved(sensor.synched());
    EXPECT_EQ(saved.bytes, ReadBytes(sensor.latest()));
    const WorkoutNodes n = saved.nodes();
    EXPECT_EQ(saved.text(n.time), "2006-09-15T06:00:00+00:00");
    EXPECT_EQ(saved.text(n.startTime), "2006-09-15T06:00:00+00:00");
    EXPECT_EQ(saved.text(n.duration), "1800042");
    EXPECT_EQ(saved.text(n.durationString), "30:00");
    EXPECT_EQ(saved.text(n.distance), "8.0470");
    EXPECT_EQ(AttributeText(n.distanceUnit), "km");
    EXPECT_EQ(saved.text(n.distanceString), "5.00 mi");
    EXPECT_EQ(saved.text(n.pace), "6:00 min/mi");
    EXPECT_EQ(saved.text(n.calories), ""); // blank stays the template's empty element
    EXPECT_EQ(saved.text(n.weight), "72.576");
    EXPECT_EQ(saved.text(n.empedID), kSensor);
    // 8.047 km is 5.0002 mi or 26401 feet: 8250 walking and 9428 running steps.
    EXPECT_EQ(saved.text(n.walkBegin), "500");
    EXPECT_EQ(saved.text(n.walkEnd), "8800");
    EXPECT_EQ(saved.text(n.runBegin), "600");
    EXPECT_EQ(saved.text(n.runEnd), "10088");
    const auto stops = saved.stopSnapshots();
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(NodeText(ChildElement(stops[0], "duration")), "1800042");
    EXPECT_EQ(NodeText(ChildElement(stops[0], "distance")), "8.047");
    EXPECT_TRUE(saved.text(n.extendedData).starts_with("0.0,0.0447,0.0894,"));
    EXPECT_TRUE(saved.text(n.extendedData).ends_with(",8.0470"));
    const std::vector<std::pair<int, int>> draws{{15, 599}, {200, 1200}, {10, 100}, {200, 1200}, {10, 100}};
    EXPECT_EQ(w.random.asked, draws);

    // A split at every kilometre and mile its samples pass, and no event it did not have.
    const std::string bytes = saved.bytes;
    const auto splitsOf = [&](const std::string& type) {
        const std::size_t from = bytes.find("<snapShotList snapShotType=\"" + type + "\">");
        const std::string list = bytes.substr(from, bytes.find("</snapShotList>", from) - from);
        std::vector<std::string> distances;
        for (std::size_t at = 0; (at = list.find("<distance>", at)) != std::string::npos; at += 10)
            distances.push_back(list.substr(at + 10, list.find('<', at + 10) - at - 10));
        return distances;
    };
    EXPECT_EQ(splitsOf("kmSplit"), (std::vector<std::string>{"1.0", "2.0", "3.0", "4.0", "5.0", "6.0", "7.0", "8.0"}));
    EXPECT_EQ(splitsOf("mileSplit"), (std::vector<std::string>{"1.61", "3.22", "4.828", "6.438", "8.047"}));
    EXPECT_EQ(splitsOf("userClick"), std::vector<std::string>{"8.047"});
    EXPECT_NE(bytes.find("<snapShot><duration>223714</duration>\n<distance>1.0</distance>\n<pace>223714</pace>"),
        std::string::npos);

    // Line for line, only the written values differ from the template; the clean-up adds the final CR LF.
    ASSERT_TRUE(saved.bytes.ends_with("</sportsData>\n\r\n"));
    EXPECT_EQ(saved.bytes.find('\t'), std::string::npos);
    EXPECT_EQ(saved.bytes.find('\r'), saved.bytes.size() - 2);
    const auto templateLines = Lines(ReadBytes(w.programFolder() / "userdata.xml"));
    std::string withoutSplits = saved.bytes.substr(0, saved.bytes.size() - 2);
    for (const char* type : {"kmSplit", "mileSplit"}) {
        const std::string open = std::string("<snapShotList snapShotType=\"") + type + "\">";
        const std::size_t from = withoutSplits.find(open) + open.size();
        withoutSplits.erase(from, withoutSplits.find("</snapShotList>", from) - from);
    }
    const auto savedLines = Lines(withoutSplits);
    ASSERT_EQ(savedLines.size(), templateLines.size());
    const QStringList written{"<time>", "<duration>", "<durationString>", "<distance", "<distanceString>", "<pace>",
        "<calories>", "<stepCounts><walkBegin>", "<walkEnd>", "<runBegin>", "<runEnd>", "<weight>",
        "<userInfo><empedID>", "<startTime>", "<extendedDataList>", "<snapShot event=\"stop\"><duration>",
        "<snapShotList snapShotType=\"userClick\"><snapShot event=\"stop\"><duration>"};
    for (std::size_t i = 0; i < savedLines.size(); ++i) {
        if (savedLines[i] == templateLines[i])
            continue;
        const QString line = QString::fromStdString(templateLines[i]);
        EXPECT_TRUE(std::any_of(written.begin(), written.end(), [&](const QString& p) { return line.startsWith(p); }))
            << "unexpected change: " << templateLines[i] << " -> " << savedLines[i];
    }

    // The workout's start is the new files' last-write time (the tests run in UTC).
    const auto expected = std::chrono::file_clock::from_sys(
        std::chrono::sys_seconds(std::chrono::sys_days(std::chrono::year(2006) / 9 / 15) + std::chrono::hours(6)));
    EXPECT_EQ(fs::last_write_time(sensor.synched()), expected);
    EXPECT_EQ(fs::last_write_time(sensor.latest()), expected);

    EXPECT_TRUE(w.find<QWidget>("frmWorkoutSaved")->isVisible());
    // The same workout in both folders is one row, waiting in latest.
    ASSERT_EQ(w.rowCount(), 1);
    EXPECT_EQ(w.cell(0, 2), "No");

    w.click("imgContinue");
    EXPECT_EQ(w.form->workoutMode(), WorkoutMode::Add);
    EXPECT_FALSE(w.find<QWidget>("frmWorkoutSaved")->isVisible());
    EXPECT_EQ(w.text("tbxDistance"), "");
}

TEST(Save, CheckMessagesAndTheirMarksOnScreen)
{
    EmptySensor sensor;
    Window w({sensor.store.drive()});
    w.fill("letters", "", "", "", "", "");
    w.click("imgSave");
    EXPECT_EQ(w.dialogs.messages.back().text, "Please enter a distance!");
    EXPECT_EQ(w.text("tbxDistance"), "0.0");
    w.fill("5", "", "", "", "", "");
    w.click("imgSave");
    EXPECT_EQ(w.dialogs.messages.back().text, "Please enter the amount of time you worked out!");
    EXPECT_EQ(QStringList({w.text("tbxTimeHrs"), w.text("tbxTimeMins"), w.text("tbxTimeSecs")}),
        QStringList({"0", "0", "0"}));
    w.fill("1", "", "4", "0", "", "");
    w.click("imgSave");
    EXPECT_EQ(w.dialogs.messages.back().text,
        "The current highest supported pace is 4 Minutes, 1 Second per mile. "
        "Please enter your data to fit this criteria!");

    Window none({});
    none.fill("5", "", "30", "0");
    none.click("imgSave");
    ASSERT_EQ(none.dialogs.titles(), QStringList{"No iPods connected"});
    EXPECT_EQ(none.dialogs.messages[0].text, "No iPods are available!");
}

// Two runs on one day easily share the start time the picker keeps; the second never replaces the
// first, also when the name stands in another letter case in only one of the folders.
TEST(Save, SameStartIsRefusedAndKeepsTheEarlierWorkout)
{
    EmptySensor sensor;
    Window w({sensor.store.drive()});
    w.fill("5", "", "30", "0");
    w.click("imgSave");
    w.click("imgContinue");
    const auto before = sensor.store.files();
    w.fill("6", "", "30", "0");
    w.click("imgSave");
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Workout Exists"});
    EXPECT_TRUE(w.dialogs.messages[0].text.startsWith("The iPod already holds a workout file named \"2006-09-15 "
                                                      "06;00;00.xml\", the name of a workout starting at 9/15/06 "
                                                      "6:00:00 AM."));
    EXPECT_EQ(sensor.store.files(), before);

    EmptySensor other;
    other.store.add(kSensor, "latest", "2006-09-15 06;00;00.XML", WorkoutXml());
    Window v({other.store.drive()});
    v.fill("6", "", "30", "0");
    v.click("imgSave");
    EXPECT_EQ(v.dialogs.titles(), QStringList{"Workout Exists"});
    EXPECT_FALSE(fs::exists(other.synched()));
}

TEST(Save, EditFromSynchedMovesTheWorkoutToLatest)
{
    TempStore store;
    const fs::path original = store.add(kSensor, "synched", "2006-08-01 18;05;09.xml", WorkoutXml());
    fs::create_directories(store.empeds() / kSensor / "latest");
    const auto originalTime = fs::last_write_time(original);
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    ASSERT_EQ(w.text("tbxCalories"), "312");
    w.type("tbxCalories", "400");
    w.random.next = {107};
    w.click("imgSave");
    ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();

    const fs::path moved = store.empeds() / kSensor / "latest" / "2006-08-01 18;05;09.xml";
    EXPECT_FALSE(fs::exists(original));
    ASSERT_TRUE(fs::exists(moved));
    EXPECT_EQ(store.files().size(), 1u);
    const Saved saved(moved);
    const WorkoutNodes n = saved.nodes();
    EXPECT_EQ(saved.text(n.calories), "400");
    // Only the calories were changed: the duration keeps its milliseconds and the distance is not
    // taken through miles and back.
    EXPECT_EQ(saved.text(n.duration), "1800321");
    EXPECT_EQ(saved.text(n.distance), "5.0000");
    EXPECT_EQ(saved.text(n.time), "2006-09-15T06:30:00-04:00"); // an edit keeps its start,
    EXPECT_EQ(saved.text(n.empedID), "4H7136ZXVSX"); // its sensor and its step counts
    EXPECT_EQ(saved.text(n.walkEnd), "200");
    EXPECT_NE(fs::last_write_time(moved), originalTime);
    EXPECT_TRUE(w.random.asked.empty());

    w.click("imgContinue");
    EXPECT_EQ(w.form->workoutMode(), WorkoutMode::Edit);
    EXPECT_EQ(w.text("tbxCalories"), "400");
}

TEST(Save, EditFromSynchedNeverOverwritesADifferentWorkoutInLatest)
{
    TempStore store;
    const fs::path synched = store.add(kSensor, "synched", "2006-08-01 18;05;09.xml", WorkoutXml());
    const fs::path latest = store.add(kSensor, "latest", "2006-08-01 18;05;09.xml", WorkoutXml({.calories = "500"}));
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    w.clickRow(1);
    ASSERT_EQ(w.text("tbxCalories"), "312");
    const auto before = store.files();
    w.click("imgSave");
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Workout Name Taken"});
    EXPECT_EQ(store.files(), before);

    // The same workout in both folders, as a new workout is saved: the move goes ahead.
    std::ofstream(latest, std::ios::binary) << WorkoutXml();
    w.dialogs.messages.clear();
    w.clickRow(1);
    w.click("imgSave");
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_FALSE(fs::exists(synched));
    EXPECT_TRUE(fs::exists(latest));
}

TEST(Save, EditInLatestRewritesInPlaceAndUpdatesEveryStopSnapshot)
{
    TempStore store;
    const fs::path file = store.add(kSensor, "latest", "2006-08-01 18;05;09.xml",
        ReadBytes(fs::path(PACEFORGE_TEST_DATA) / "documents" / "two-stop-snapshots.xml"));
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    w.fill("5", "", "30", "0", "150", "300");
    w.random.next = {99};
    w.click("imgSave");
    ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
    EXPECT_EQ(store.files().size(), 1u);
    const Saved saved(file);
    const auto stops = saved.stopSnapshots();
    ASSERT_EQ(stops.size(), 2u);
    for (pugi::xml_node stop : stops) {
        EXPECT_EQ(NodeText(ChildElement(stop, "duration")), "1800099");
        EXPECT_EQ(NodeText(ChildElement(stop, "distance")), "8.047");
    }
}

TEST(Save, EditNeedsAWorkoutThatWasReadFromTheList)
{
    TempStore store;
    const fs::path file = store.add(kSensor, "latest", "2006-08-01 18;05;09.xml", WorkoutXml());
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    fs::remove(file);
    w.click("imgRefresh"); // the list is empty now; the selection still names the old entry
    const auto before = store.files();
    w.fill("5", "", "30", "0");
    w.click("imgSave");
    ASSERT_EQ(w.dialogs.titles(), QStringList{"No Workout Selected"});
    EXPECT_EQ(store.files(), before);

    // A row whose file cannot be read is selected, but the document on hand is another one.
    TempStore broken;
    broken.add(kSensor, "latest", "2006-08-01 18;05;09.xml", WorkoutXml());
    const fs::path unreadable = broken.add(kSensor, "latest", "2006-09-01 18;05;09.xml", "<sportsData><runSummary>");
    Window v({broken.drive()});
    v.click("imgExistingWorkout");
    v.clickRow(1);
    v.clickRow(0);
    v.fill("5", "", "30", "0");
    v.click("imgSave");
    ASSERT_EQ(v.dialogs.titles().last(), "Unreadable Workout");
    EXPECT_EQ(ReadBytes(unreadable), "<sportsData><runSummary>");
}

TEST(Save, IncompleteWorkoutIsNamedAndLeftAlone)
{
    TempStore store;
    std::string bytes = WorkoutXml();
    bytes.replace(bytes.find("<pace>9:39 min/mi</pace>\n"), 25, "");
    const fs::path file = store.add(kSensor, "latest", "2006-08-01 18;05;09.xml", bytes);
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    w.click("imgSave");
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Incomplete Workout"});
    EXPECT_TRUE(w.dialogs.messages[0].text.contains("runSummary/pace"));
    EXPECT_EQ(ReadBytes(file), bytes);
}

namespace {
// Fails the chosen operation once, as a full or pulled iPod would.
class FaultyFileSystem final : public FileSystem
{
public:
    enum class Fault { None, Write, Copy, Delete } fault = Fault::None;
    Result writeFileAtomic(const fs::path& path, std::string_view bytes) override
    {
        if (fault == Fault::Write)
            return Result::failure(
                QStringLiteral("Could not write \"%1\": No space left on device.").arg(DisplayPath(path)));
        return FileSystem::writeFileAtomic(path, bytes);
    }
    Result copyFile(const fs::path& from, const fs::path& to) override
    {
        if (fault == Fault::Copy)
            return Result::failure(
                QStringLiteral("Could not write \"%1\": No space left on device.").arg(DisplayPath(to)));
        return FileSystem::copyFile(from, to);
    }
    Result deleteFile(const fs::path& path) override
    {
        if (fault == Fault::Delete)
            return Result::failure(
                QStringLiteral("Could not delete \"%1\": Permission denied.").arg(DisplayPath(path)));
        return FileSystem::deleteFile(path);
    }
};
} // namespace

TEST(Save, FileFailuresAreReportedAndKeepWhatWasThere)
{
    {
        EmptySensor sensor;
        FaultyFileSystem faulty;
        Window w({sensor.store.drive()}, {2006, 9, 15}, &faulty);
        faulty.fault = FaultyFileSystem::Fault::Write;
        w.fill("5", "", "30", "0");
        w.click("imgSave");
        ASSERT_EQ(w.dialogs.titles(), QStringList{"Save Failed"});
        EXPECT_TRUE(w.dialogs.messages[0].text.contains(QString::fromStdString(kNewName)));
        EXPECT_TRUE(sensor.store.files().empty());
        EXPECT_FALSE(w.find<QWidget>("frmWorkoutSaved")->isVisible());
    }
    {
        EmptySensor sensor;
        FaultyFileSystem faulty;
        Window w({sensor.store.drive()}, {2006, 9, 15}, &faulty);
        faulty.fault = FaultyFileSystem::Fault::Copy;
        w.fill("5", "", "30", "0");
        w.click("imgSave");
        ASSERT_EQ(w.dialogs.titles(), QStringList{"Copy Failed"});
        EXPECT_TRUE(fs::exists(sensor.synched()));
        EXPECT_FALSE(fs::exists(sensor.latest()));
    }
    {
        TempStore store;
        const fs::path original = store.add(kSensor, "synched", "2006-08-01 18;05;09.xml", WorkoutXml());
        fs::create_directories(store.empeds() / kSensor / "latest");
        FaultyFileSystem faulty;
        Window w({store.drive()}, {2006, 9, 15}, &faulty);
        w.click("imgExistingWorkout");
        faulty.fault = FaultyFileSystem::Fault::Delete;
        w.click("imgSave");
        ASSERT_EQ(w.dialogs.titles(), QStringList{"Old Copy Kept"});
        EXPECT_EQ(ReadBytes(original), WorkoutXml());
        EXPECT_TRUE(fs::exists(store.empeds() / kSensor / "latest" / "2006-08-01 18;05;09.xml"));
    }
}

TEST(Save, ReadOnlyWorkoutIsNotReplaced)
{
    TempStore store;
    const fs::path file = store.add(kSensor, "latest", "2006-08-01 18;05;09.xml", WorkoutXml());
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    w.type("tbxCalories", "1");
    w.click("imgSave");
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Save Failed"});
    EXPECT_TRUE(w.dialogs.messages[0].text.contains("read-only"));
    EXPECT_EQ(ReadBytes(file), WorkoutXml());
    EXPECT_EQ(store.files().size(), 1u);
}

namespace {

// A double-click: press, release, double-click, release. Save's clicked fires twice.
void DoubleClick(Window& w, const char* name)
{
    QWidget* button = w.find<QWidget>(name);
    const QPoint at = button->rect().center();
    QTest::mousePress(button, Qt::LeftButton, {}, at);
    QTest::mouseRelease(button, Qt::LeftButton, {}, at);
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, button->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(button, &twice);
    QTest::mouseRelease(button, Qt::LeftButton, {}, at);
}

std::string SeriesWorkout()
{
    std::string bytes = WorkoutXml();
    const std::string series = "0.0, 0.0278, 0.0556";
    return bytes.replace(bytes.find(series), series.size(), "0.0,1.0,2.0,3.0,4.0,5.0");
}

} // namespace

// Each click on Save acts once, on the values on screen; a save that fails changes nothing, so that
// trying again gives what a save straight after loading would have given.
TEST(Save, ASaveActsOnceOnWhatTheUserSees)
{
    const std::string newest = "2006-09-10 07;15;00.xml";
    const std::string newestBytes = WorkoutXml({.durationString = "45:00", .distance = "10.0003", .calories = "777"});
    {
        SCOPED_TRACE("a double-click on Save adds one workout and leaves it as typed");
        EmptySensor sensor;
        sensor.store.add(kSensor, "latest", newest, newestBytes);
        Window w({sensor.store.drive()});
        w.fill("3", "", "25", "0", "", "250");
        DoubleClick(w, "imgSave");
        ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
        const Saved saved(sensor.synched());
        const WorkoutNodes n = saved.nodes();
        EXPECT_EQ(NodeText(n.distance), "4.8282");
        EXPECT_EQ(NodeText(n.durationString), "25:00");
        EXPECT_EQ(NodeText(n.calories), "250");
        EXPECT_EQ(ReadBytes(sensor.latest()), ReadBytes(sensor.synched()));
        EXPECT_EQ(ReadBytes(sensor.latest(newest)), newestBytes);
    }
    {
        SCOPED_TRACE("a double-click on Save in the list changes only the chosen workout");
        TempStore store;
        const fs::path chosen = store.add(kSensor, "latest", "2006-08-01 18;05;09.xml", WorkoutXml());
        const fs::path other = store.add(kSensor, "latest", newest, newestBytes);
        Window w({store.drive()});
        w.click("imgExistingWorkout");
        w.clickRow(1);
        w.type("tbxCalories", "400");
        DoubleClick(w, "imgSave");
        ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
        EXPECT_EQ(NodeText(Saved(chosen).nodes().calories), "400");
        EXPECT_EQ(ReadBytes(other), newestBytes);
    }

    // 5 km with a sample at every kilometre, rescaled by a change of distance.
    struct Failure {
        const char* name;
        std::function<void(const fs::path&latest)> make, mend;
    };
    const Failure failures[] = {
        {"read-only latest folder",
            [](const fs::path& latest) { fs::permissions(latest, fs::perms::owner_write, fs::perm_options::remove); },
            [](const fs::path& latest) { fs::permissions(latest, fs::perms::owner_write, fs::perm_options::add); }},
        {"a different workout of the name in latest",
            [](const fs::path& latest) {
                std::ofstream(latest / "2006-08-01 18;05;09.xml", std::ios::binary) << WorkoutXml({.calories = "9"});
            },
            [](const fs::path& latest) { fs::remove(latest / "2006-08-01 18;05;09.xml"); }},
    };
    const auto editedTo = [](Window& w, const char* kilometres) {
        w.click("optKilometers");
        w.fill(kilometres, "", "30", "0", "", "312");
        w.random.next = {107};
        w.click("imgSave");
    };
    std::string fresh;
    {
        TempStore store;
        const fs::path file = store.add(kSensor, "synched", "2006-08-01 18;05;09.xml", SeriesWorkout());
        fs::create_directories(store.empeds() / kSensor / "latest");
        Window w({store.drive()});
        w.click("imgExistingWorkout");
        editedTo(w, "4.5");
        ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
        fresh = ReadBytes(store.empeds() / kSensor / "latest" / "2006-08-01 18;05;09.xml");
        EXPECT_NE(fresh.find(">0.0,0.9,1.8,2.7,3.6,4.5<"), std::string::npos);
    }
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.name);
        TempStore store;
        const fs::path file = store.add(kSensor, "synched", "2006-08-01 18;05;09.xml", SeriesWorkout());
        const fs::path latest = store.empeds() / kSensor / "latest";
        fs::create_directories(latest);
        Window w({store.drive()});
        w.click("imgExistingWorkout");
        f.make(latest);
        editedTo(w, "2.5");
        ASSERT_EQ(w.dialogs.messages.size(), 1u);
        EXPECT_EQ(ReadBytes(file), SeriesWorkout());
        f.mend(latest);
        editedTo(w, "4.5");
        ASSERT_EQ(w.dialogs.messages.size(), 1u) << w.dialogs.messages.back().text.toStdString();
        EXPECT_EQ(ReadBytes(latest / "2006-08-01 18;05;09.xml"), fresh);
    }
}

// Calories and a weight in kilograms go into the document as typed only where the typed text is a
// plain number of the same value; where "." groups digits, "1.000" is a thousand.
TEST(Save, NumbersTypedInTheUsersLocaleAreWrittenWithTheirValue)
{
    for (const char* name :
        {"de_DE", "es_ES", "it_IT", "nl_NL", "pt_BR", "da_DK", "tr_TR", "id_ID", "en_US", "fr_FR"}) {
        const QLocale locale(QString::fromLatin1(name));
        SCOPED_TRACE(locale.name().toStdString());
        EmptySensor sensor;
        Window w({sensor.store.drive()}, {2006, 9, 15}, nullptr, locale);
        w.click("optKilograms");
        w.fill("5", "", "30", "0");
        // Separators such as a narrow no-break space cannot be typed as key clicks.
        w.find<QLineEdit>("tbxWeight")->setText("72" + locale.decimalPoint() + "5");
        w.find<QLineEdit>("tbxCalories")->setText("1" + locale.groupSeparator() + "000");
        w.click("imgSave");
        ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
        const Saved saved(sensor.synched());
        const WorkoutNodes n = saved.nodes();
        EXPECT_EQ(NodeText(n.calories), "1000");
        EXPECT_EQ(NodeText(n.weight), "72.5");
    }
    // Where the typed text is already a plain number, it stands as typed.
    EmptySensor sensor;
    Window w({sensor.store.drive()});
    w.click("optKilograms");
    w.fill("5", "", "30", "0", "72.50", "250");
    w.click("imgSave");
    const Saved saved(sensor.synched());
    const WorkoutNodes n = saved.nodes();
    EXPECT_EQ(NodeText(n.calories), "250");
    EXPECT_EQ(NodeText(n.weight), "72.50");
}

// The temporary file a save writes first is named after the workout, plus seven characters.
TEST(Save, NameTooLongForTheDiskIsSaidSo)
{
    TempStore store;
    const std::string name = "2006-08-01 18;05;09." + std::string(230, 'x') + ".xml";
    const fs::path file = store.add(kSensor, "latest", name, WorkoutXml());
    ASSERT_TRUE(fs::exists(file));
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    w.type("tbxCalories", "400");
    w.click("imgSave");
    // The copy kept before the save is named after the workout too, so it is the first to fail.
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Backup Failed"});
    EXPECT_TRUE(w.dialogs.messages[0].text.contains("name is too long")) << w.dialogs.messages[0].text.toStdString();
    EXPECT_EQ(ReadBytes(file), WorkoutXml());
}

namespace {

// Every file below the folder, by path relative to it, with its bytes.
std::map<std::string, std::string> FilesBelow(const fs::path& root)
{
    std::map<std::string, std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            found[fs::relative(entry.path(), root).string()] = ReadBytes(entry.path());
    return found;
}

} // namespace

// Before an edit replaces or deletes a file on the iPod, its bytes are kept on the computer; the
// iPod gets nothing new, and without a backup the edit does not happen.
TEST(Save, EveryFileAnEditReplacesOrDeletesIsBackedUpFirst)
{
    const std::string name = "2006-08-01 18;05;09.xml";
    const std::string original = WorkoutXml();
    struct Case {
        const char* name;
        std::vector<std::string> folders; // where the workout stands; the first is chosen in the list
        std::vector<std::string> backedUp;
    };
    const Case cases[] = {
        {"rewritten in latest", {"latest"}, {"latest"}},
        {"moved from synched", {"synched"}, {"synched"}},
        {"moved from synched onto its copy in latest", {"synched", "latest"}, {"latest", "synched"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempStore store;
        for (const std::string& folder : c.folders)
            store.add(kSensor, folder, name, original);
        fs::create_directories(store.empeds() / kSensor / "latest");
        Window w({store.drive()});
        w.click("imgExistingWorkout");
        w.clickRow(c.folders.size() == 2 ? 1 : 0);
        w.type("tbxCalories", "400");
        w.click("imgSave");
        ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
        EXPECT_EQ(store.files().size(), 1u) << "the iPod holds the edited workout and nothing else";

        const auto kept = FilesBelow(w.backupsFolder());
        ASSERT_EQ(kept.size(), c.backedUp.size());
        auto it = kept.begin();
        for (const std::string& folder : c.backedUp) {
            const std::string prefix = "IPOD/" + kSensor + "/" + folder + "/" + name + ".";
            EXPECT_TRUE(it->first.starts_with(prefix)) << it->first;
            EXPECT_EQ(it->second, original);
            ++it;
        }
    }

    SCOPED_TRACE("a backups folder that cannot be written");
    TempStore store;
    store.add(kSensor, "latest", name, original);
    Window w({store.drive()});
    fs::permissions(w.backupsFolder(), fs::perms::owner_write, fs::perm_options::remove);
    w.click("imgExistingWorkout");
    const auto before = store.files();
    w.type("tbxCalories", "400");
    w.click("imgSave");
    fs::permissions(w.backupsFolder(), fs::perms::owner_write, fs::perm_options::add);
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Backup Failed"});
    EXPECT_TRUE(w.dialogs.messages[0].text.contains(DisplayPath(w.backupsFolder())));
    EXPECT_EQ(store.files(), before);
    EXPECT_TRUE(FilesBelow(w.backupsFolder()).empty());
}

// Synced again while the user typed: the save refuses, and the fields show the file as it is now.
TEST(Save, AWorkoutChangedSinceItWasReadIsReadAgainNotOverwritten)
{
    TempStore store;
    const fs::path file = store.add(kSensor, "latest", "2006-08-01 18;05;09.xml", WorkoutXml());
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    w.type("tbxWeight", "170");
    std::ofstream(file, std::ios::binary) << WorkoutXml({.calories = "9"});
    w.click("imgSave");
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Workout Changed"});
    EXPECT_EQ(ReadBytes(file), WorkoutXml({.calories = "9"}));
    EXPECT_EQ(w.text("tbxCalories"), "9");
    EXPECT_EQ(w.text("tbxWeight"), "160");
}
