#include "FaultFixtures.h"

#include "platform/XmlDocument.h"
#include "workout/WorkoutFormat.h"

#include <QStringList>

#include <fstream>
#include <functional>
#include <sys/stat.h>

using namespace paceforge;
using namespace paceforge::test;

namespace {

const std::string kNewest = "2006-09-20 07;15;00.xml";

std::string Inserted(std::string bytes, const std::string& after, const std::string& what)
{
    const auto at = bytes.find(after);
    EXPECT_NE(at, std::string::npos) << after;
    return bytes.insert(at + after.size(), what);
}

std::string Text(const fs::path& file, pugi::xml_node WorkoutNodes::*node)
{
    const XmlDocument document = XmlDocument::fromBytes(ReadBytes(file));
    return NodeText(FindWorkoutNodes(document).*node);
}

} // namespace

// Whatever stands in a workout folder under the newest workout name, the window opens, lists the
// real workout beside it, refuses to save over it and leaves it as it was.
TEST(HostileFiles, OddEntriesNamedLikeAWorkoutAreLeftAlone)
{
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        int rows;
        // Listed, but not a workout: choosing it says so.
        bool unreadable = false;
    };
    const Case cases[] = {
        {"zero-byte file", [](const fs::path& p) { std::ofstream(p, std::ios::binary); }, 2, true},
        {"web page", [](const fs::path& p) { std::ofstream(p, std::ios::binary) << "<html><body>x<br></body></html>"; },
            2, true},
        {"NUL after the workout",
            [](const fs::path& p) {
                std::ofstream(p, std::ios::binary) << WorkoutXml() << std::string(1, '\0') << "<tail/>";
            },
            2, true},
        {"dangling link", [](const fs::path& p) { fs::create_symlink(p.parent_path() / "nowhere.xml", p); }, 2},
        {"folder", [](const fs::path& p) { fs::create_directory(p); }, 1},
        {"fifo", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, 2},
        {"100,000 levels never closed",
            [](const fs::path& p) {
                std::ofstream file(p, std::ios::binary);
                for (int i = 0; i < 100000; ++i)
                    file << "<lap>";
            },
            2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SensorStore store;
        store.add("synched", kOldName, WorkoutXml());
        c.make(store.latest(kNewest));
        const Listing before = store.snapshot();
        Window w({store.drive()});
        w.click("imgExistingWorkout");
        ASSERT_EQ(w.rowCount(), c.rows);
        EXPECT_EQ(w.dialogs.titles(), c.unreadable ? QStringList{"Unreadable Workout"} : QStringList{});
        w.dialogs.messages.clear();

        // The real workout still loads, then the odd row is chosen and saved.
        w.clickRow(c.rows - 1);
        EXPECT_EQ(w.text("tbxCalories"), "312");
        if (c.rows == 2) {
            w.clickRow(0);
            w.fill("5", "", "30", "0");
            w.click("imgSave");
            const QString refusal = c.unreadable ? "Unreadable Workout" : "No Workout Selected";
            EXPECT_EQ(w.dialogs.titles().last(), refusal);
        }
        EXPECT_EQ(ListingChanges(before, store.snapshot()), "");

        // A new workout is saved beside it.
        w.dialogs.messages.clear();
        w.click("imgNewWorkout");
        w.fill("5", "", "30", "0");
        w.click("imgSave");
        EXPECT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
        EXPECT_TRUE(fs::is_regular_file(store.latest(kNewName)));
    }
}

// A save never writes through a link, which could point anywhere on the computer.
TEST(HostileFiles, LinksInAWorkoutFolderAreNeverWrittenThrough)
{
    {
        SCOPED_TRACE("dangling link named like the new workout");
        SensorStore store;
        const fs::path outside = store.root().parent_path() / "outside.xml";
        fs::create_symlink(outside, store.latest(kNewName));
        Window w({store.drive()});
        w.fill("5", "", "30", "0");
        w.click("imgSave");
        ASSERT_EQ(w.dialogs.titles(), QStringList{"Copy Failed"});
        EXPECT_TRUE(w.dialogs.messages[0].text.contains("link"));
        EXPECT_FALSE(fs::exists(outside)) << "the save wrote outside the iPod";
        EXPECT_TRUE(fs::is_symlink(store.latest(kNewName)));
        EXPECT_TRUE(fs::is_regular_file(store.synched(kNewName)));
    }
    {
        SCOPED_TRACE("link to a workout outside the iPod");
        SensorStore store;
        const fs::path outside = store.root().parent_path() / "outside.xml";
        std::ofstream(outside, std::ios::binary) << WorkoutXml();
        fs::create_symlink(outside, store.latest(kOldName));
        Window w({store.drive()});
        w.click("imgExistingWorkout");
        ASSERT_EQ(w.text("tbxCalories"), "312");
        w.type("tbxCalories", "400");
        w.click("imgSave");
        ASSERT_EQ(w.dialogs.titles(), QStringList{"Save Failed"});
        EXPECT_TRUE(w.dialogs.messages[0].text.contains("link"));
        EXPECT_EQ(ReadBytes(outside), WorkoutXml());
        EXPECT_TRUE(fs::is_symlink(store.latest(kOldName)));
    }
}

TEST(HostileFiles, FolderNamedLikeANewWorkoutStaysAndTheSaveSaysWhy)
{
    struct Case {
        const char* folder;
        QString title;
    };
    const Case cases[] = {{"synched", "Save Failed"}, {"latest", "Copy Failed"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        SensorStore store;
        const fs::path blocker = (c.folder == std::string("synched") ? store.synched() : store.latest()) / kNewName;
        fs::create_directory(blocker);
        std::ofstream(blocker / "inside.txt") << "keep me";
        Window w({store.drive()});
        w.fill("5", "", "30", "0");
        w.click("imgSave");
        ASSERT_EQ(w.dialogs.titles(), QStringList{c.title});
        EXPECT_TRUE(fs::is_directory(blocker));
        EXPECT_EQ(ReadBytes(blocker / "inside.txt"), "keep me");
    }
}

TEST(HostileFiles, NamesThatAreNotValidUtf8)
{
    SensorStore store;
    // Extra words that are not text are dropped by the renaming like any others.
    store.add("latest", "2006-09-20 07;15;00 \xE9t\xE9.xml", WorkoutXml({.calories = "420"}));
    const fs::path odd = store.add("synched", "2006-08-01 18;05;09\xFF.xml", WorkoutXml());
    Window w({store.drive()});
    EXPECT_TRUE(fs::is_regular_file(store.latest(kNewest)));
    w.click("imgExistingWorkout");
    ASSERT_EQ(w.rowCount(), 2);
    EXPECT_EQ(w.text("tbxCalories"), "420");

    // A name that stays undecodable is edited under its own bytes, which Qt cannot spell.
    w.clickRow(1);
    ASSERT_EQ(w.text("tbxCalories"), "312");
    w.type("tbxCalories", "313");
    w.click("imgSave");
    ASSERT_EQ(w.dialogs.titles(), QStringList{});
    EXPECT_FALSE(fs::exists(odd));
    EXPECT_NE(ReadBytes(store.latest(odd.filename().string())).find("<calories>313</calories>"), std::string::npos);
}

TEST(HostileFiles, FiftyMegabyteWorkoutIsEditedWhole)
{
    const std::string comment = "<!--" + std::string(50 * 1024 * 1024, 'x') + "-->\n";
    const std::string bytes = Inserted(WorkoutXml(), "</startTime>\n", comment);
    SensorStore store;
    const fs::path file = store.add("latest", kOldName, bytes);
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    ASSERT_EQ(w.text("tbxCalories"), "312");
    w.type("tbxCalories", "400");
    w.click("imgSave");
    ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
    const std::string saved = ReadBytes(file);
    EXPECT_NE(saved.find(comment), std::string::npos);
    EXPECT_EQ(Text(file, &WorkoutNodes::calories), "400");
}

TEST(HostileFiles, WorkoutNestedOneHundredThousandLevelsIsEditedWhole)
{
    std::string nest;
    for (int i = 0; i < 100000; ++i)
        nest += "<lap>";
    nest += "<calories>1</calories>";
    for (int i = 0; i < 100000; ++i)
        nest += "</lap>";
    // Placed before the values, so that the loader's lookups and the stop-snapshot walk go through it.
    const std::string bytes = Inserted(WorkoutXml(), "<runSummary>", nest);
    SensorStore store;
    const fs::path file = store.add("latest", kOldName, bytes);
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    ASSERT_TRUE(w.dialogs.messages.empty());
    // The loader looks values up anywhere below runSummary, so the nested one comes first.
    ASSERT_EQ(w.text("tbxCalories"), "1");
    w.type("tbxCalories", "400");
    w.click("imgSave");
    ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
    const std::string saved = ReadBytes(file);
    EXPECT_NE(saved.find(nest), std::string::npos);
    EXPECT_EQ(Text(file, &WorkoutNodes::calories), "400");
}

TEST(HostileFiles, SeriesOfOneMillionValues)
{
    // Kilometres every ten seconds, from 0 to 5.
    std::string series = "0.0";
    for (long long i = 1; i < 1000000; ++i) {
        const long long tenThousandths = i * 50000 / 999999;
        series += ", " + std::to_string(tenThousandths / 10000) + "."
            + std::to_string(10000 + tenThousandths % 10000).substr(1);
    }
    std::string bytes = WorkoutXml();
    const std::string shortSeries = "0.0, 0.0278, 0.0556";
    bytes.replace(bytes.find(shortSeries), shortSeries.size(), series);

    SensorStore store;
    const fs::path file = store.add("latest", kOldName, bytes);
    Window w({store.drive()});
    w.click("imgExistingWorkout");

    // Two miles in an hour is 3.2188 km: every one of the samples is rescaled to it.
    w.fill("2", "1", "0", "0");
    w.click("imgSave");
    ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
    const std::string cut = Text(file, &WorkoutNodes::extendedData);
    ASSERT_TRUE(cut.starts_with("0.0, 0.0000, 0.0000,")) << cut.substr(0, 80);
    const auto last = Decimal::parsePlain(TrimmedXmlSpace(std::string_view(cut).substr(cut.rfind(',') + 1)));
    ASSERT_TRUE(last);
    EXPECT_EQ(*last, *Decimal::parsePlain("3.2188"));
    EXPECT_EQ(std::count(cut.begin(), cut.end(), ','), 999999);

    // Ten miles from the original series rescales all of it too.
    std::ofstream(file, std::ios::binary) << bytes;
    w.click("imgContinue");
    w.clickRow(0);
    w.fill("10", "1", "0", "0");
    w.click("imgSave");
    ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
    const std::string extended = Text(file, &WorkoutNodes::extendedData);
    EXPECT_EQ(std::count(extended.begin(), extended.end(), ','), 999999);
    EXPECT_TRUE(extended.ends_with(", 16.0940")) << extended.substr(extended.size() - 80);
}
