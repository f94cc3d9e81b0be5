#include "export/ExportFixtures.h"
#include "history/HistoryCache.h"
#include "history/HistoryRecords.h"
#include "history/HistoryTotals.h"
#include "history/WorkoutHistory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

using namespace paceforge;
using namespace paceforge::test;
namespace fs = std::filesystem;

namespace {

const fs::path kWebPage = fs::path("6J2894KLVSX") / "synched" / "2007-10-20 09;14;52.xml";
const fs::path kLatestTwin = fs::path("8P5W31QNVSX") / "latest" / "2009-02-07 08;07;36.xml";
const fs::path kSynchedTwin = fs::path("8P5W31QNVSX") / "synched" / "2009-02-07 08;07;36.xml";
const fs::path kKilometres = fs::path("6J2894KLVSX") / "synched" / "2007-06-03 07;12;48.xml";

// The sample store with every file an hour old: a file written moments ago is never cached.
struct AgedStore : SampleStore {
    AgedStore()
    {
        for (const auto& entry : fs::recursive_directory_iterator(drive))
            if (entry.is_regular_file())
                age(entry.path());
    }
    void age(const fs::path& file) const
    {
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
    }
    std::vector<StoredWorkout> files() const
    {
        const CatalogueBuild built = build();
        return ListedWorkouts(built.ipod, built.rows);
    }
};

const HistoryEntry* Find(const std::vector<HistoryEntry>& entries, const fs::path& relative, const fs::path& empeds)
{
    for (const HistoryEntry& entry : entries)
        if (entry.file.fullPath() == empeds / relative)
            return &entry;
    return nullptr;
}

std::map<std::string, history::CachedReading> CacheFile(const HistoryCache& cache, const fs::path& drive)
{
    const std::string bytes = ReadBytes(cache.fileFor(drive));
    const auto decoded = history::DecodeReadings(bytes);
    EXPECT_TRUE(decoded);
    std::map<std::string, history::CachedReading> readings;
    for (const history::KeyedReading& keyed : decoded.value_or(std::vector<history::KeyedReading>()))
        readings.emplace(keyed.path, keyed.reading);
    return readings;
}

} // namespace

TEST(HistoryTest, EveryListedWorkoutIsAnEntry)
{
    AgedStore store;
    FileSystem fileSystem;
    const std::vector<StoredWorkout> files = store.files();
    HistoryReader reader(files, fileSystem);
    EXPECT_EQ(reader.total(), files.size());
    // A few at a time, in the files' order, as a window fills its table.
    std::size_t seen = 0;
    while (!reader.finished()) {
        const auto fresh = reader.readMore(4);
        ASSERT_FALSE(fresh.empty());
        for (std::size_t i = 0; i < fresh.size(); ++i)
            EXPECT_EQ(fresh[i].file.fullPath(), files[seen + i].fullPath());
        seen += fresh.size();
        EXPECT_EQ(reader.done(), seen);
    }
    const std::vector<HistoryEntry>& entries = reader.entries();
    ASSERT_EQ(entries.size(), files.size());

    const HistoryEntry* page = Find(entries, kWebPage, store.empeds);
    ASSERT_TRUE(page);
    EXPECT_FALSE(page->readable());
    EXPECT_TRUE(page->problem->contains("2007-10-20 09;14;52.xml")) << page->problem->toStdString();

    const HistoryEntry* km = Find(entries, kKilometres, store.empeds);
    ASSERT_TRUE(km && km->readable());
    EXPECT_EQ(km->start.date, QDate(2007, 6, 3));
    EXPECT_EQ(km->start.time, QTime(6, 45, 12));
    EXPECT_EQ(km->start.offsetSeconds, -4 * 3600);
    EXPECT_EQ(km->durationMs, 1656364);
    EXPECT_EQ(km->distanceKm, *Decimal::parsePlain("5.2131"));
    EXPECT_EQ(km->calories, 409);
    EXPECT_TRUE(km->file.synched);
    ASSERT_TRUE(km->efforts[EffortDistance::Kilometres5]);
    EXPECT_LT(km->efforts[EffortDistance::Kilometres5]->durationMs, km->durationMs);
    EXPECT_FALSE(km->efforts[EffortDistance::Kilometres10]);

    // The history's own reading of the series gives what a chosen run's full reading gives, miles too.
    for (const HistoryEntry& entry : entries) {
        if (!entry.readable())
            continue;
        SCOPED_TRACE(entry.file.fileName);
        const auto run = ReadWorkoutFile(entry.file.fullPath(), fileSystem);
        ASSERT_TRUE(run);
        EXPECT_EQ(entry.efforts, BestEffortsOf(run.value()));
    }

    const HistoryEntry* twin = Find(entries, kSynchedTwin, store.empeds);
    ASSERT_TRUE(twin);
    EXPECT_TRUE(twin->signedByDevice);
    const std::size_t readable
        = static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(), [](auto& e) { return e.readable(); }));
    EXPECT_EQ(TotalsOf(entries).runs, static_cast<int>(readable));
}

TEST(HistoryTest, TheCacheServesUnchangedFilesOnlyAndForgetsFilesThatAreGone)
{
    AgedStore store;
    QTemporaryDir cacheFolder;
    FileSystem fileSystem;
    HistoryCache cache(cacheFolder.path().toStdString(), fileSystem);
    const std::vector<HistoryEntry> first = ReadHistory(store.files(), fileSystem, &cache);
    const std::string key = (store.empeds / kKilometres).string();
    ASSERT_EQ(CacheFile(cache, store.drive).count(key), 1u);

    // The same size, another distance, a new time: read again.
    std::string bytes = ReadBytes(store.empeds / kKilometres);
    std::ofstream(store.empeds / kKilometres, std::ios::binary) << bytes.replace(bytes.find("5.2131"), 6, "5.3131");
    store.age(store.empeds / kKilometres);
    fs::last_write_time(
        store.empeds / kKilometres, fs::last_write_time(store.empeds / kKilometres) + std::chrono::seconds(5));
    fs::remove(store.empeds / kLatestTwin);

    HistoryCache again(cacheFolder.path().toStdString(), fileSystem);
    HistoryReader reader(store.files(), fileSystem, &again);
    const std::vector<HistoryEntry>& second = reader.readAll();
    EXPECT_EQ(second.size(), first.size());
    EXPECT_EQ(reader.cachedEntries(), second.size() - 1);
    EXPECT_EQ(Find(second, kKilometres, store.empeds)->distanceKm, *Decimal::parsePlain("5.3131"));
    ASSERT_TRUE(reader.saveCache());
    const auto kept = CacheFile(again, store.drive);
    EXPECT_EQ(kept.size(), second.size());
    EXPECT_EQ(kept.count((store.empeds / kLatestTwin).string()), 0u);
    EXPECT_EQ(TotalsOf(second).runs, TotalsOf(first).runs);

    // A cache entry never outlives its file: a file gone is an entry gone, even when read from cache.
    HistoryCache third(cacheFolder.path().toStdString(), fileSystem);
    HistoryReader cached(store.files(), fileSystem, &third);
    cached.readAll();
    EXPECT_EQ(cached.cachedEntries(), second.size());
    for (std::size_t i = 0; i < second.size(); ++i) {
        EXPECT_EQ(cached.entries()[i].distanceKm, second[i].distanceKm);
        EXPECT_EQ(cached.entries()[i].efforts, second[i].efforts);
        EXPECT_EQ(cached.entries()[i].problem, second[i].problem);
        EXPECT_EQ(cached.entries()[i].file.fullPath(), second[i].file.fullPath());
    }
}

TEST(HistoryTest, ADamagedCacheIsReadAsEmpty)
{
    AgedStore store;
    QTemporaryDir cacheFolder;
    FileSystem fileSystem;
    HistoryCache cache(cacheFolder.path().toStdString(), fileSystem);
    const std::vector<HistoryEntry> first = ReadHistory(store.files(), fileSystem, &cache);
    const std::string good = ReadBytes(cache.fileFor(store.drive));
    std::string flipped = good;
    flipped[flipped.size() / 2] ^= 0x20;
    // The format before the best efforts, its sum right: read as empty, not misread.
    std::string older = good.substr(0, good.size() - sizeof(std::uint64_t));
    older[12] = 1;
    const std::uint64_t sum = ContentHash(older);
    older.append(reinterpret_cast<const char*>(&sum), sizeof sum);
    for (const std::string& bytes : {std::string(), std::string("PFHIST"), good.substr(0, good.size() / 2), flipped,
             std::string(4096, '\xff'), older}) {
        SCOPED_TRACE(bytes.size());
        std::ofstream(cache.fileFor(store.drive), std::ios::binary | std::ios::trunc) << bytes;
        HistoryCache damaged(cacheFolder.path().toStdString(), fileSystem);
        HistoryReader reader(store.files(), fileSystem, &damaged);
        reader.readAll();
        EXPECT_EQ(reader.cachedEntries(), 0u);
        ASSERT_EQ(reader.entries().size(), first.size());
        for (std::size_t i = 0; i < first.size(); ++i)
            EXPECT_EQ(reader.entries()[i].distanceKm, first[i].distanceKm);
    }
}

// A cache entry holding what no workout could give is not believed: the file is read again.
TEST(HistoryTest, AnAbsurdCachedReadingIsReadAgainFromTheFile)
{
    AgedStore store;
    QTemporaryDir cacheFolder;
    FileSystem fileSystem;
    HistoryCache cache(cacheFolder.path().toStdString(), fileSystem);
    const std::vector<HistoryEntry> first = ReadHistory(store.files(), fileSystem, &cache);
    const std::string cached = ReadBytes(cache.fileFor(store.drive));
    const auto decoded = history::DecodeReadings(cached);
    ASSERT_TRUE(decoded);
    std::vector<std::string> paths;
    std::vector<history::KeyedReading> readings = *decoded;
    for (history::KeyedReading& keyed : readings)
        paths.emplace_back(keyed.path);
    for (std::size_t i = 0; i < readings.size(); ++i) {
        readings[i].path = paths[i];
        if (paths[i] == (store.empeds / kKilometres).string()) {
            readings[i].reading.distanceKm = *Decimal::parsePlain("-5.2131");
            readings[i].reading.durationMs = 4'000'000'000'000'000;
        }
    }
    std::ofstream(cache.fileFor(store.drive), std::ios::binary | std::ios::trunc) << history::EncodeReadings(readings);

    HistoryCache damaged(cacheFolder.path().toStdString(), fileSystem);
    HistoryReader reader(store.files(), fileSystem, &damaged);
    const std::vector<HistoryEntry>& entries = reader.readAll();
    EXPECT_EQ(reader.cachedEntries(), entries.size() - 1);
    EXPECT_EQ(Find(entries, kKilometres, store.empeds)->distanceKm, *Decimal::parsePlain("5.2131"));
    EXPECT_EQ(Find(entries, kKilometres, store.empeds)->durationMs, 1656364);
}
