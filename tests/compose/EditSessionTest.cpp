#include "compose/EditSession.h"
#include "compose/EditWrite.h"
#include "compose/FileCleanup.h"
#include "compose/Random.h"
#include "platform/FileSystem.h"
#include "store/Catalogue.h"
#include "workout/WorkoutFormat.h"

#include "StoreFixtures.h"
#include "TestCorpus.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

using namespace paceforge;
using namespace paceforge::test;

namespace {

const std::string kSensor = "4H7136ZXVSX";
const std::string kRun = "2007-10-13 07;34;15.xml";

class LowRandom final : public RandomSource
{
public:
    int Rand(int low, int) override
    {
        ++draws;
        return low;
    }
    int draws = 0;
};

// The session on a store of the test's own, as the window drives it.
struct Editing {
    explicit Editing(QLocale locale = QLocale(QLocale::English, QLocale::UnitedStates))
        : session({fileSystem, random, nullptr, fs::path(PACEFORGE_SOURCE_DIR) / "data", locale})
    {
        fs::create_directories(store.empeds() / kSensor / "latest");
        fs::create_directories(store.empeds() / kSensor / "synched");
    }
    void open()
    {
        build = BuildCatalogue({QStringLiteral("IPOD"), store.root(), {}}, fileSystem);
        session.setCatalogue(build);
    }
    LoadOutcome load(const fs::path& file, bool miles = true, bool pounds = true)
    {
        open();
        session.setMode(WorkoutMode::Edit);
        for (const StoredWorkout& w : build.ipod.workouts)
            if (w.fullPath() == file)
                return session.load(w.sensorIndex, w.fileIndex, miles, pounds);
        ADD_FAILURE() << "not listed: " << file;
        return {};
    }
    SaveOutcome save(const EntryFields& fields, bool miles = true, bool pounds = true, QDate date = {2006, 9, 15})
    {
        SaveEntries entries{fields, miles, pounds, date, QTime(6, 0)};
        return session.save(entries, true, QDate(2006, 9, 15));
    }
    fs::path latest(const std::string& name = kRun) const { return store.empeds() / kSensor / "latest" / name; }
    fs::path synched(const std::string& name = kRun) const { return store.empeds() / kSensor / "synched" / name; }

    TempStore store;
    FileSystem fileSystem;
    LowRandom random;
    EditSession session;
    CatalogueBuild build;
};

EntryFields Fields(const char* distance, const char* hours, const char* minutes, const char* seconds,
    const char* weight = "", const char* calories = "")
{
    return {distance, hours, minutes, seconds, weight, calories};
}

std::string Title(const SaveOutcome& outcome)
{
    return outcome.message ? outcome.message->title.toStdString() : std::string();
}

// Every element text and attribute of a document by its path ("runSummary/pace",
// "snapShotList[2]/snapShot[1]/pace", "runSummary/distance@unit").
std::map<std::string, std::string> Values(const XmlDocument& document)
{
    std::map<std::string, std::string> values;
    std::vector<std::pair<pugi::xml_node, std::string>> pending{{document.documentElement(), ""}};
    while (!pending.empty()) {
        auto [node, path] = pending.back();
        pending.pop_back();
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
            values[path + "@" + a.name()] = AttributeText(a);
        std::map<std::string, int> seen;
        bool leaf = true;
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element)
                continue;
            leaf = false;
            const int n = ++seen[child.name()];
            pending.emplace_back(
                child, (path.empty() ? "" : path + "/") + child.name() + (n > 1 ? "[" + std::to_string(n) + "]" : ""));
        }
        if (leaf)
            values[path] = NodeText(node);
    }
    return values;
}

std::set<std::string> Changed(const std::string& before, const std::string& after)
{
    const auto a = Values(XmlDocument::fromBytes(before));
    const auto b = Values(XmlDocument::fromBytes(after));
    std::set<std::string> changed;
    for (const auto& [path, text] : a)
        if (!b.contains(path) || b.at(path) != text)
            changed.insert(path);
    for (const auto& [path, text] : b)
        if (!a.contains(path))
            changed.insert(path);
    return changed;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// A recorded run as the older firmware writes it (31:24 for 5.8421 km, pace in min/km), standing
// still for its last samples.
std::string Recorded()
{
    std::string bytes = ReadBytes(kCorpusDocuments / "old-firmware.xml");
    return Replaced(bytes, ", 5.8293</extendedData>", ", 5.8293, 5.8421, 5.8421, 5.8421</extendedData>");
}

} // namespace

TEST(EditSession, NewWorkoutsAreComposedFromTheEntries)
{
    struct Case {
        const char* name;
        EntryFields fields;
        bool miles, pounds;
        std::string distance, distanceString, pace, durationString, weight, calories;
    };
    const Case cases[] = {
        {"5 km in 30 min", {"5", "", "30", "0", "72.5", "250"}, false, false, "5.0000", "3.11 mi", "9:39 min/mi",
            "30:00", "72.5", "250"},
        // Blank weight and calories keep the template's empty elements: no runner weighs 0 kg.
        {"a mile in 4:01 is the fastest accepted", {"1", "0", "4", "1", "", ""}, true, true, "1.6094", "1.00 mi",
            "4:01 min/mi", "4:01", "", ""},
        {"under a minute has no pace", {"0.2", "", "0", "45", "", ""}, true, false, "0.3219", "0.20 mi", "0:00 min/mi",
            "0:45", "", ""},
        {"seconds that round to 60 carry", {"1.0016", "", "5", "0", "150", ""}, true, true, "1.6120", "1.00 mi",
            "5:00 min/mi", "5:00", "68.04", ""},
        {"hours as typed", {"10", "01", "5", "7", "", ""}, true, true, "16.0940", "10.00 mi", "6:31 min/mi", "01:5:07",
            "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Editing e;
        e.open();
        e.session.setMode(WorkoutMode::Add);
        const SaveOutcome outcome = e.save(c.fields, c.miles, c.pounds);
        ASSERT_TRUE(outcome.saved) << Title(outcome);
        const auto values = Values(XmlDocument::fromBytes(ReadBytes(e.synched("2006-09-15 06;00;00.xml"))));
        EXPECT_EQ(values.at("runSummary/distance"), c.distance);
        EXPECT_EQ(values.at("runSummary/distanceString"), c.distanceString);
        EXPECT_EQ(values.at("runSummary/pace"), c.pace);
        EXPECT_EQ(values.at("runSummary/durationString"), c.durationString);
        EXPECT_EQ(values.at("userInfo/weight"), c.weight);
        EXPECT_EQ(values.at("runSummary/calories"), c.calories);
        EXPECT_EQ(e.random.draws, 5);
    }
}

TEST(EditSession, RefusalsWriteNothing)
{
    struct Case {
        const char* title;
        EntryFields fields;
        QDate date = {2006, 9, 15};
        const char* locale = "en_US";
        std::function<void(Editing&)> prepare = {};
    };
    const auto unreadableChosen = [](Editing& e) {
        std::ofstream(e.latest(), std::ios::binary) << "<sportsData><runSummary>";
        e.load(e.latest());
    };
    const Case cases[] = {
        {"No Distance", Fields("abc", "", "30", "0")},
        {"No Distance", Fields("", "", "30", "0")},
        {"No Time", Fields("5", "", "", "")},
        {"Invalid Distance", Fields("5abc", "", "30", "0")},
        {"Invalid Distance", Fields("-5", "", "30", "0")},
        // Where the decimal mark is a comma, "0.5" is mistyped, not missing.
        {"Invalid Distance", Fields("0.5", "", "30", "0"), {2006, 9, 15}, "de_DE"},
        {"Invalid Time", Fields("5", "1.5", "0", "0")},
        {"Invalid Time", Fields("5", "", "x", "0")},
        {"Invalid Time", Fields("5", "", "-30", "0")},
        {"Invalid Time", Fields("5", "101", "0", "0")},
        {"Invalid Calories", Fields("5", "", "30", "0", "", "lots")},
        {"Invalid Weight", Fields("5", "", "30", "0", "-3")},
        {"You're too fast!", Fields("1", "", "4", "0")},
        {"You're too late!", Fields("5", "", "30", "0"), {2006, 4, 30}},
        {"No Workout Folder", Fields("5", "", "30", "0"), {2006, 9, 15}, "en_US",
            [](Editing& e) { fs::remove(e.store.empeds() / kSensor / "latest"); }},
        // The iPod names a run's file by when it ended: a new start can meet another run's name.
        {"Workout Exists", Fields("5", "", "30", "0"), {2006, 9, 15}, "en_US",
            [](Editing& e) { std::ofstream(e.latest("2006-09-15 06;00;00.xml"), std::ios::binary) << WorkoutXml(); }},
        // The fields of a file that cannot be read were emptied: its reason is what to say.
        {"Unreadable Workout", Fields("", "", "", ""), {2006, 9, 15}, "en_US", unreadableChosen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.title) + " " + c.fields.distance.toStdString() + " " + c.locale);
        Editing e{QLocale(QString::fromLatin1(c.locale))};
        e.session.setMode(WorkoutMode::Add);
        if (c.prepare)
            c.prepare(e);
        if (e.session.mode() == WorkoutMode::Add)
            e.open();
        const auto before = e.store.files();
        const SaveOutcome outcome = e.save(c.fields, true, true, c.date);
        EXPECT_EQ(Title(outcome), c.title);
        EXPECT_FALSE(outcome.saved);
        EXPECT_EQ(e.store.files(), before);
        if (std::string(c.title) == "Workout Exists") {
            EXPECT_TRUE(outcome.message->text.contains("\"2006-09-15 06;00;00.xml\""))
                << outcome.message->text.toStdString();
        }
    }
}

// An edit writes back only what the user changed; every other recorded value stays as it was,
// the milliseconds of the duration, the empty calories and the runner's standing still included.
TEST(EditSession, AnEditChangesOnlyWhatTheUserChanged)
{
    const std::set<std::string> stop = {"snapShotList[3]/snapShot[5]/duration", "snapShotList[3]/snapShot[5]/pace"};
    struct Case {
        const char* name;
        std::function<void(EntryFields&)> edit;
        std::set<std::string> changed;
        const char* blankCalories = nullptr; // when set, the recorded calories are empty
    };
    const Case cases[] = {
        {"nothing", [](EntryFields&) {}, {}},
        {"nothing, with empty calories and weight", [](EntryFields&) {}, {}, "yes"},
        {"calories", [](EntryFields& f) { f.calories = "415"; }, {"runSummary/calories"}},
        {"weight", [](EntryFields& f) { f.weight = "151"; }, {"userInfo/weight"}},
        {"time", [](EntryFields& f) { f.minutes = "32"; },
            {"runSummary/duration", "runSummary/durationString", "runSummary/pace", *stop.begin(), *stop.rbegin()}},
        // What the run recorded along its way is rescaled, not cut: split times and paces, clicks.
        {"distance", [](EntryFields& f) { f.distance = "3"; },
            {"runSummary/distance", "runSummary/distanceString", "runSummary/pace", "extendedDataList/extendedData",
                "snapShotList[3]/snapShot[5]/distance", "snapShotList[3]/snapShot[5]/pace"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Editing e;
        std::string recorded = Recorded();
        if (c.blankCalories) {
            recorded = Replaced(recorded, "<calories>414</calories>", "<calories></calories>");
            recorded = Replaced(recorded, "<weight>68.4</weight>", "<weight></weight>");
        }
        std::ofstream(e.synched(), std::ios::binary) << recorded;
        const LoadOutcome loaded = e.load(e.synched());
        ASSERT_EQ(loaded.status, LoadStatus::Loaded);
        EntryFields fields = loaded.entries;
        c.edit(fields);
        const SaveOutcome outcome = e.save(fields);
        ASSERT_TRUE(outcome.saved) << Title(outcome);
        EXPECT_FALSE(outcome.message) << Title(outcome);
        // The edit still moves the workout from synched to latest.
        EXPECT_FALSE(fs::exists(e.synched()));
        const std::string saved = ReadBytes(e.latest());
        std::set<std::string> changed = Changed(recorded, saved);
        if (std::string(c.name) == "distance") {
            // Splits keep their distances; their times and paces, and the clicks, follow the samples,
            // and a kilometre the shorter run no longer reaches loses its split.
            const auto now = Values(XmlDocument::fromBytes(saved));
            std::erase_if(changed, [&](const std::string& key) {
                if (key.starts_with("snapShotList") && !now.contains(key))
                    return true;
                return key.starts_with("snapShotList") && key != "snapShotList[3]/snapShot[5]/distance"
                    && key != "snapShotList[3]/snapShot[5]/pace"
                    && (key.ends_with("/duration") || key.ends_with("/pace")
                        || key.starts_with("snapShotList[3]/"));
            });
        }
        EXPECT_EQ(changed, c.changed);

        const auto values = Values(XmlDocument::fromBytes(saved));
        if (std::string(c.name) == "time") {
            EXPECT_EQ(values.at("runSummary/duration"), "1944015"); // 32:24 and the lowest milliseconds
            EXPECT_EQ(values.at("runSummary/pace"), "5:33 min/km"); // in the unit it was recorded in
            EXPECT_EQ(values.at("snapShotList[3]/snapShot[5]/pace"), "332760");
        }
        if (std::string(c.name) == "distance") {
            EXPECT_EQ(values.at("runSummary/distance"), "4.8282");
            EXPECT_EQ(values.at("runSummary/duration"), "1884283");
            EXPECT_EQ(values.at("runSummary/pace"), "10:28 min/mi");
            EXPECT_EQ(values.at("snapShotList[3]/snapShot[5]/distance"), "4.828");
            EXPECT_EQ(values.at("snapShotList[3]/snapShot[5]/pace"), "390266");
            // Every sample rescaled by the change in the device's own form: no sample made up, none cut.
            const std::string series = values.at("extendedDataList/extendedData");
            const std::string before = Values(XmlDocument::fromBytes(recorded)).at("extendedDataList/extendedData");
            EXPECT_EQ(std::count(series.begin(), series.end(), ','), std::count(before.begin(), before.end(), ','));
            EXPECT_EQ(series.find(",0"), std::string::npos) << "a blank after each comma, as recorded";
            const auto oldLast = *Decimal::parsePlain(before.substr(before.rfind(',') + 2));
            const auto oldKm = *Decimal::parsePlain(Values(XmlDocument::fromBytes(recorded)).at("runSummary/distance"));
            EXPECT_EQ(*Decimal::parsePlain(series.substr(series.rfind(',') + 2)),
                (oldLast * *Decimal::parsePlain("4.8282"))
                    .dividedBy(oldKm, 4, Decimal::Rounding::HalfAwayFromZero));
        }
    }
}

// A save with no field touched keeps every value of every workout we have, in both pairs of units.
TEST(EditSession, NothingChangedKeepsEveryValueOfEveryWorkout)
{
    std::vector<fs::path> workouts = WellFormedCorpusDocuments();
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(PACEFORGE_SOURCE_DIR) / "examples"))
        if (entry.path().extension() == ".xml" && entry.path().filename() != "lastWorkout.xml")
            workouts.push_back(entry.path());
    // And one of our own: 5 miles in 42:30 went in as 8.0470 km and 2550 s and some milliseconds.
    Editing adding;
    adding.open();
    adding.session.setMode(WorkoutMode::Add);
    ASSERT_TRUE(adding.save(Fields("5", "", "42", "30")).saved);
    workouts.push_back(adding.latest("2006-09-15 06;00;00.xml"));
    int saved = 0;
    for (const fs::path& workout : workouts)
        for (const bool miles : {true, false}) {
            SCOPED_TRACE(workout.filename().string() + (miles ? " in miles" : " in kilometres"));
            Editing e;
            const std::string bytes = ReadBytes(workout);
            std::ofstream(e.latest(), std::ios::binary) << bytes;
            const LoadOutcome loaded = e.load(e.latest(), miles, miles);
            if (loaded.status != LoadStatus::Loaded || !MissingContent(XmlDocument::fromBytes(bytes), false).empty())
                continue; // not a workout a save can be asked of
            const SaveOutcome outcome = e.save(loaded.entries, miles, miles);
            ASSERT_TRUE(outcome.saved) << Title(outcome);
            EXPECT_TRUE(LoadsBackAs(ReadBytes(e.latest()), XmlDocument::fromBytes(bytes)));
            EXPECT_EQ(e.random.draws, 0);
            ++saved;
        }
    EXPECT_GE(saved, 2 * 20);
}

TEST(EditSession, AWorkoutChangedOnTheIPodSinceItWasReadIsNeverOverwritten)
{
    const struct {
        const char* name;
        std::function<void(const fs::path&)> meanwhile;
    } cases[] = {
        {"synced again",
            [](const fs::path& file) { std::ofstream(file, std::ios::binary) << WorkoutXml({.calories = "9"}); }},
        {"moved away", [](const fs::path& file) { fs::remove(file); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Editing e;
        std::ofstream(e.synched(), std::ios::binary) << WorkoutXml();
        const LoadOutcome loaded = e.load(e.synched());
        EntryFields fields = loaded.entries;
        fields.calories = "400";
        c.meanwhile(e.synched());
        const auto before = e.store.files();
        const SaveOutcome outcome = e.save(fields);
        EXPECT_EQ(Title(outcome), "Workout Changed");
        EXPECT_TRUE(outcome.sourceChanged);
        EXPECT_EQ(e.store.files(), before);
    }
}

// A copy of an iPod whose synched folder is a link to latest lists each file twice: the edit of
// the synched row writes latest, which is the same file, and must not then delete it.
TEST(EditSession, ASynchedFolderLinkedToLatestNeverLosesTheWorkout)
{
    Editing e;
    fs::remove(e.store.empeds() / kSensor / "synched");
    fs::create_directory_symlink("latest", e.store.empeds() / kSensor / "synched");
    std::ofstream(e.latest(), std::ios::binary) << WorkoutXml();
    const LoadOutcome loaded = e.load(e.synched());
    ASSERT_EQ(loaded.status, LoadStatus::Loaded);
    EntryFields fields = loaded.entries;
    fields.calories = "400";
    const SaveOutcome outcome = e.save(fields);
    EXPECT_TRUE(outcome.saved);
    EXPECT_FALSE(outcome.message) << Title(outcome);
    ASSERT_TRUE(fs::exists(e.latest()));
    EXPECT_NE(ReadBytes(e.latest()).find("<calories>400</calories>"), std::string::npos);
}

TEST(EditWrite, OnlyBytesThatLoadBackAsTheDocumentAreWritten)
{
    const XmlDocument workout = XmlDocument::fromBytes(WorkoutXml());
    const std::string cleaned = CleanedBytes(workout);
    std::string otherValue = cleaned;
    otherValue.replace(otherValue.find("312"), 3, "313");
    const XmlDocument withTabs = XmlDocument::fromBytes("<sportsData><a b=\"x\ty\">1\t2</a><!--c\td--></sportsData>");
    const struct {
        const char* name;
        std::string bytes;
        const XmlDocument& document;
        bool loadsBack;
    } cases[] = {
        {"the clean-up's bytes", cleaned, workout, true},
        {"tabs removed in texts, attributes and comments", CleanedBytes(withTabs), withTabs, true},
        {"another value", otherValue, workout, false},
        {"cut short", cleaned.substr(0, cleaned.size() / 2), workout, false},
        {"an early end of an instruction", "<sportsData><?pi ?>?></sportsData>", withTabs, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LoadsBackAs(c.bytes, c.document), c.loadsBack);
    }
}

// Switching a unit and back, or switching it and editing another field, keeps the recorded
// distance and weight: what the switches made of them still stands for them.
TEST(EditSession, UnitSwitchesKeepTheRecordedDistanceAndWeight)
{
    const struct {
        const char* name;
        std::vector<std::pair<char, bool>> switches; // 'd'istance or 'w'eight, to kilometres / kilograms
    } cases[] = {
        {"kilometres, then calories", {{'d', true}}},
        {"kilometres and back", {{'d', true}, {'d', false}}},
        {"kilograms and back, kilometres", {{'w', true}, {'w', false}, {'d', true}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Editing e;
        const std::string recorded = Replaced(Recorded(), "<distance unit=\"km\">5.8421", "<distance unit=\"km\">9.6398");
        std::ofstream(e.synched(), std::ios::binary) << recorded;
        const LoadOutcome loaded = e.load(e.synched());
        ASSERT_EQ(loaded.status, LoadStatus::Loaded);
        EntryFields fields = loaded.entries;
        bool miles = true, pounds = true;
        for (const auto& [field, toMetric] : c.switches) {
            QString& text = field == 'd' ? fields.distance : fields.weight;
            text = *(field == 'd' ? e.session.switchDistanceUnit(text, toMetric)
                                  : e.session.switchWeightUnit(text, toMetric));
            (field == 'd' ? miles : pounds) = !toMetric;
        }
        fields.calories = "500";
        const SaveOutcome outcome = e.save(fields, miles, pounds);
        ASSERT_TRUE(outcome.saved) << Title(outcome);
        EXPECT_EQ(Changed(recorded, ReadBytes(e.latest())), std::set<std::string>{"runSummary/calories"});
    }
}
