#include "store/Catalogue.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

struct Row {
    std::string key, date, time;
    bool synched;
    bool operator==(const Row&) const = default;
    friend void PrintTo(const Row& r, std::ostream* os)
    {
        *os << r.key << ' ' << r.date << ' ' << r.time << ' ' << r.synched;
    }
};

struct Store {
    QTemporaryDir dir;
    fs::path drive{dir.path().toStdString()};
    fs::path root = drive / "iPod_Control" / "Device" / "Trainer" / "Workouts" / "Empeds";

    void file(const fs::path& relative, const std::string& bytes = {}) const
    {
        fs::create_directories((root / relative).parent_path());
        std::ofstream(root / relative, std::ios::binary) << bytes;
    }
    CatalogueBuild build(FileSystem& fileSystem) const
    {
        return BuildCatalogue(iPodRecord{"E", drive, {}}, fileSystem);
    }
};

// The row's workout as the list's key names it, "sensor::file".
std::string Key(const CatalogueBuild& build, const CatalogueRow& row)
{
    const StoredWorkout& w = build.ipod.workouts.at(row.workout);
    return std::to_string(w.sensorIndex) + "::" + std::to_string(w.fileIndex);
}

std::vector<Row> Rows(const CatalogueBuild& build)
{
    std::vector<Row> rows;
    for (const CatalogueRow& r : build.rows)
        rows.push_back({Key(build, r), r.date.toStdString(), r.time.toStdString(), r.synched});
    return rows;
}

std::vector<std::string> FileNames(const CatalogueBuild& build, long long sensor)
{
    std::vector<std::string> names;
    for (const std::size_t f : SensorAt(build.ipod, sensor)->files)
        names.push_back(build.ipod.workouts.at(f).fileName);
    return names;
}

TEST(CatalogueTest, OneSensorTwoRowsNewestFirst)
{
    Store store;
    store.file("sensor1/latest/2006-09-20 07;15;00.xml");
    store.file("sensor1/synched/2006-09-15 18;30;45.xml");
    FileSystem fileSystem;
    const CatalogueBuild build = store.build(fileSystem);
    EXPECT_EQ(Rows(build),
        (std::vector<Row>{{"1::1", "09/20/2006", "07:15:00 am", false}, {"1::2", "09/15/2006", "6:30:45 pm", true}}));
    ASSERT_EQ(build.ipod.sensors.size(), 1u);
    const SensorFolder& sensor = build.ipod.sensors[0];
    EXPECT_EQ(sensor.name, "sensor1");
    EXPECT_EQ(sensor.folderPath, store.root / "sensor1");
    EXPECT_EQ(sensor.latestPath, store.root / "sensor1" / "latest");
    EXPECT_EQ(sensor.synchedPath, store.root / "sensor1" / "synched");
    EXPECT_EQ(FileAt(build.ipod, 1, 2)->fullPath(), store.root / "sensor1" / "synched" / "2006-09-15 18;30;45.xml");
    EXPECT_EQ(build.ipod.driveLetter, "E");
}

TEST(CatalogueTest, StoreEdgeCases)
{
    const struct {
        const char* what;
        std::vector<const char*> files;
        std::vector<Row> rows;
        std::size_t entries;
    } cases[] = {
        {"a file without a date takes an index", {"s/latest/notes.txt", "s/synched/2006-09-15 10;20;30.xml"},
            {{"1::2", "09/15/2006", "10:20:30 am", true}}, 2},
        {"listing ignores the extension", {"s/latest/2006-09-15 10;20;30.bak", "s/latest/2006-09-16 10;20;30.xml.old"},
            {{"1::2", "09/16/2006", "10:20:30 am", false}, {"1::1", "09/15/2006", "10:20:30 am", false}}, 2},
        {"year before month", {"s/latest/2005-12-31 10;00;00.xml", "s/latest/2006-01-02 09;00;00.xml"},
            {{"1::2", "01/02/2006", "09:00:00 am", false}, {"1::1", "12/31/2005", "10:00:00 am", false}}, 2},
        {"same day keeps walk order", {"s/latest/2006-09-15 23;00;00.xml", "s/synched/2006-09-15 06;00;00.xml"},
            {{"1::1", "09/15/2006", "11:00:00 pm", false}, {"1::2", "09/15/2006", "06:00:00 am", true}}, 2},
        {"sensor without workout folders advances the index",
            {"a/other/2006-09-15 10;20;30.xml", "b/latest/2006-09-15 10;20;30.xml"},
            {{"2::1", "09/15/2006", "10:20:30 am", false}}, 1},
        {"folder names in any case",
            {"s/SYNCHED/2006-09-14 10;00;00.xml", "s/Latest/2006-09-15 10;00;00.xml",
                "s/latest.old/2006-09-16 10;00;00.xml"},
            {{"1::1", "09/15/2006", "10:00:00 am", false}, {"1::2", "09/14/2006", "10:00:00 am", true}}, 2},
        {"invalid date", {"s/latest/2006-02-30 10;00;00.xml", "s/latest/2006-03-01 10;00;00.xml"},
            {{"1::2", "03/01/2006", "10:00:00 am", false}}, 2},
        {"hour above 24", {"s/latest/2006-09-15 25;00;00.xml"}, {{"1::1", "09/15/2006", "", false}}, 1},
        // '-' sorts between ' ' and '.', so only the renamed name is numbered after it.
        {"extra words renamed before listing",
            {"s/latest/2006-09-15 10;20;30 copy.xml", "s/latest/2006-09-15 10;20;30-1.xml"},
            {{"1::1", "09/15/2006", "10:20:30-1 am", false}, {"1::2", "09/15/2006", "10:20:30 am", false}}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Store store;
        for (const char* f : c.files)
            store.file(f);
        FileSystem fileSystem;
        const CatalogueBuild build = store.build(fileSystem);
        EXPECT_EQ(Rows(build), c.rows);
        std::size_t entries = 0;
        for (const SensorFolder& s : build.ipod.sensors)
            entries += s.files.size();
        EXPECT_EQ(entries, c.entries);
    }
}

TEST(CatalogueTest, NoStoreGivesOneBlankSensor)
{
    for (const bool rootExists : {false, true}) {
        SCOPED_TRACE(rootExists);
        Store store;
        if (rootExists)
            fs::create_directories(store.root);
        FileSystem fileSystem;
        const CatalogueBuild build = store.build(fileSystem);
        EXPECT_TRUE(build.rows.empty());
        ASSERT_EQ(build.ipod.sensors.size(), 1u);
        EXPECT_TRUE(build.ipod.sensors[0].name.empty() && build.ipod.sensors[0].latestPath.empty());
        EXPECT_TRUE(build.ipod.sensors[0].files.empty());
    }
}

TEST(CatalogueTest, RenamingNeverOverwritesAWorkout)
{
    Store store;
    store.file("s/latest/2006-09-15 10;20;30 copy.xml", "copy");
    store.file("s/latest/2006-09-15 10;20;30.XML", "original");
    store.file("s/synched/2006-09-16 08;00;00 new.xml", "new");
    store.file("s/synched/2006-09-16 08;00;00 old.xml", "old");
    FileSystem fileSystem;
    const CatalogueBuild build = store.build(fileSystem);

    EXPECT_EQ(ReadWholeFile(store.root / "s/latest/2006-09-15 10;20;30 copy.xml"), "copy");
    EXPECT_EQ(ReadWholeFile(store.root / "s/latest/2006-09-15 10;20;30.XML"), "original");
    EXPECT_EQ(ReadWholeFile(store.root / "s/synched/2006-09-16 08;00;00.xml"), "new");
    EXPECT_EQ(ReadWholeFile(store.root / "s/synched/2006-09-16 08;00;00 old.xml"), "old");
    EXPECT_FALSE(fs::exists(store.root / "s/synched/2006-09-16 08;00;00 new.xml"));
    EXPECT_EQ(FileNames(build, 1),
        (std::vector<std::string>{"2006-09-15 10;20;30 copy.xml", "2006-09-15 10;20;30.XML",
            "2006-09-16 08;00;00 old.xml", "2006-09-16 08;00;00.xml"}));
    EXPECT_EQ(build.rows.size(), 4u);
}

TEST(CatalogueTest, FailedRenameLeavesFileAndGoesOn)
{
    struct StuckRename : FileSystem {
        Result renameNoReplace(const fs::path& from, const fs::path& to) override
        {
            if (from.filename().string().find("stuck") != std::string::npos)
                return Result::failure("device busy");
            return FileSystem::renameNoReplace(from, to);
        }
    } fileSystem;
    Store store;
    store.file("a/latest/2006-09-15 10;20;30 stuck.xml", "stuck");
    store.file("a/latest/2006-09-16 10;20;30 moved.xml", "moved");
    store.file("b/synched/2006-09-17 10;20;30 moved.xml", "b");
    const CatalogueBuild build = store.build(fileSystem);
    EXPECT_EQ(ReadWholeFile(store.root / "a/latest/2006-09-15 10;20;30 stuck.xml"), "stuck");
    EXPECT_EQ(
        FileNames(build, 1), (std::vector<std::string>{"2006-09-15 10;20;30 stuck.xml", "2006-09-16 10;20;30.xml"}));
    EXPECT_EQ(FileNames(build, 2), std::vector<std::string>{"2006-09-17 10;20;30.xml"});
    EXPECT_EQ(Rows(build),
        (std::vector<Row>{{"2::1", "09/17/2006", "10:20:30 am", true}, {"1::2", "09/16/2006", "10:20:30 am", false},
            {"1::1", "09/15/2006", "10:20:30 am", false}}));
}

TEST(CatalogueTest, FormatTime12)
{
    const struct {
        const char* time;
        std::optional<QString> text;
    } cases[] = {
        {"10;20;30", "10:20:30 am"},
        {"13;05;07", "1:05:07 pm"},
        {"24;00;00", "12:00:00 pm"},
        {"00;00;00", "00:00:00 am"},
        {"12;00;00", "12:00:00 am"},
        {"09;5;7", "09:5:7 am"},
        {"9;5", "9:5:00 am"},
        {"23;59", "11:59:00 pm"},
        {"10;20;30;40", "10:20:30 am"},
        {"25;00;00", ""},
        {"ab;00", ""},
        {";00", ""},
        {"1030", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.time);
        EXPECT_EQ(FormatTime12(c.time, ";"), c.text);
    }
    EXPECT_EQ(FormatTime12("13:05", ":"), "1:05:00 pm");
}

TEST(CatalogueTest, RenameTarget)
{
    const struct {
        const char* name;
        std::optional<std::string> target;
    } cases[] = {
        {"2006-09-15 10;20;30 old.xml", "2006-09-15 10;20;30.xml"},
        {"2006-09-15 10;20;30 old copy.bak", "2006-09-15 10;20;30.xml"},
        {"2006-09-15  10;20;30.xml", "2006-09-15 .xml"},
        {"a b c.d.e", "a b.xml"},
        {"2006-09-15 10;20;30.xml", std::nullopt},
        {"2006-09-15 10;20;30 copy", std::nullopt},
        {"notes.txt", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RenameTarget(c.name), c.target);
    }
}

TEST(CatalogueTest, MakeRowReadsOnlyValidDates)
{
    const struct {
        const char* name;
        const char* date; // nullptr: no row
        const char* sortKey;
    } cases[] = {
        {"2006-09-15 10;20;30.xml", "09/15/2006", "20060915000000"},
        {"2006-9-5 10;20.xml", "9/5/2006", "20060905000000"},
        {"2004-02-29 10;20;30.xml", "02/29/2004", "20040229000000"},
        {"2006-09-15-7 10;20;30.x", "09/15/2006", "20060915000000"},
        {"2005-02-29 10;20;30.xml", nullptr, ""},
        {"2006-13-01 10;20;30.xml", nullptr, ""},
        {"2006-00-10 10;20;30.xml", nullptr, ""},
        {"2006-09-x 10;20;30.xml", nullptr, ""},
        {"2006-09 10;20;30.xml", nullptr, ""},
        {"2006-09-15.xml", nullptr, ""},
        {"2006-09-15 1030.xml", nullptr, ""},
        {"2006-09-15 10;20;30", nullptr, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto row = MakeRow(c.name, false, 17);
        ASSERT_EQ(row.has_value(), c.date != nullptr);
        if (!row)
            continue;
        EXPECT_EQ(row->date, c.date);
        EXPECT_EQ(row->sortKey, c.sortKey);
        EXPECT_EQ(row->workout, 17u);
        EXPECT_FALSE(row->synched);
    }
    EXPECT_TRUE(MakeRow("2006-09-15 10;20;30.xml", true, 1)->synched);
}

TEST(CatalogueTest, SortCatalogueNewestFirstTiesStable)
{
    // Enough rows that an unstable sort would show: short ranges are sorted stably by accident.
    const char* const dates[] = {"20060915000000", "", "20060916000000", "20051231000000"};
    std::vector<CatalogueRow> rows;
    for (std::size_t i = 1; i <= 40; ++i)
        rows.push_back({i, {}, {}, false, dates[(i * 7) % 4]});
    std::vector<std::size_t> expected;
    for (const std::size_t group : {2, 0, 3, 1})
        for (std::size_t i = 1; i <= 40; ++i)
            if ((i * 7) % 4 == group)
                expected.push_back(i);
    SortCatalogue(rows);
    std::vector<std::size_t> order;
    for (const CatalogueRow& r : rows)
        order.push_back(r.workout);
    EXPECT_EQ(order, expected);
}

} // namespace
