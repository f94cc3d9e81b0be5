#include "WorkoutHistory.h"

#include "HistoryRecords.h"

#include "platform/FileSystem.h"
#include "store/AlteredSignatures.h"
#include "platform/XmlDocument.h"

#include <QDateTime>

#include <algorithm>
#include <map>
#include <unordered_map>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

using history::CachedReading;

// A file written within this long before it was read could be written again with the same size
// and a time the disk cannot tell apart (FAT keeps two seconds): its reading is not cached.
constexpr std::int64_t kRacyWindowNs = 3'000'000'000;

std::int64_t NowNs()
{
    return QDateTime::currentMSecsSinceEpoch() * 1'000'000;
}

// Longer than any run, or farther: a cached reading beyond these was damaged on the way, and the
// file is read again rather than believed.
constexpr long long kLongestRunMs = 1000LL * 3600 * 1000;
constexpr long long kFarthestRunKm = 100'000;

bool Plausible(const CachedReading& reading)
{
    if (reading.problem)
        return true;
    for (const EffortDistance distance : kEffortDistances)
        if (const auto effort = reading.efforts[distance]; effort && effort->endMs() > kLongestRunMs)
            return false;
    return reading.durationMs >= 0 && reading.durationMs <= kLongestRunMs && !reading.distanceKm.isNegative()
        && reading.distanceKm <= Decimal::fromInteger(kFarthestRunKm) && reading.calories.value_or(0) >= 0
        && reading.start.offsetSeconds > -24 * 3600 && reading.start.offsetSeconds < 24 * 3600;
}

void Fill(HistoryEntry& entry, const CachedReading& reading, const AlteredSignatures* altered)
{
    const bool alteredHere = reading.signedByDevice && altered && altered->contains(reading.contentHash);
    entry.signatureAltered = alteredHere;
    entry.problem = reading.problem;
    entry.start = reading.start;
    entry.durationMs = reading.durationMs;
    entry.distanceKm = reading.distanceKm;
    entry.calories = reading.calories;
    entry.signedByDevice = reading.signedByDevice && !alteredHere;
    entry.efforts = reading.efforts;
}

CachedReading ReadingOf(const std::string& bytes, const FileStamp& stamp, const fs::path& path)
{
    CachedReading reading;
    reading.size = stamp.size;
    reading.modifiedNs = stamp.modifiedNs;
    reading.contentHash = ContentHash(bytes);
    const XmlDocument document = XmlDocument::fromBytes(bytes);
    const auto summary = ReadWorkoutSummary(document, DisplayPath(path), SeriesReading::Skip);
    if (!summary) {
        reading.problem = summary.error();
        return reading;
    }
    reading.start = summary->start;
    reading.durationMs = summary->durationMs;
    reading.distanceKm = summary->distanceKm;
    if (summary->calories)
        reading.calories
            = static_cast<long long>(summary->calories->rounded(0, Decimal::Rounding::HalfAwayFromZero).integerPart());
    reading.signedByDevice = summary->signedByDevice;
    const MillimetreSeries series = ReadSeriesMillimetres(document, summary.value());
    reading.efforts = BestEffortsOf(DistanceSamples{series.millimetres, series.sampleSeconds});
    return reading;
}

} // namespace

namespace {

std::string PathKey(const StoredWorkout& file)
{
    std::string key = file.folder.get().native();
    key += fs::path::preferred_separator;
    key += file.fileName;
    return key;
}

} // namespace

struct HistoryReader::State {
    State(std::vector<StoredWorkout> files, const FileSystem& fileSystem, HistoryCache* cache)
        : files(std::move(files)),
          fileSystem(fileSystem),
          cache(cache),
          stamper(fileSystem.stamper())
    { }

    // The files not read yet; each moves into its entry when read.
    std::vector<StoredWorkout> files;
    const FileSystem& fileSystem;
    HistoryCache* cache;
    const AlteredSignatures* altered = nullptr;
    std::vector<HistoryEntry> entries;
    // Beside each entry: the stamp of the bytes it was read from, and whether it may be cached; the
    // rest of its reading is the entry's (a copy of every reading made the history twice as big).
    struct Slot {
        std::uint64_t size = 0;
        std::int64_t modifiedNs = 0;
        std::uint64_t contentHash = 0;
        bool cacheable = false;
        bool fromCache = false;
    };
    std::vector<Slot> reads;
    std::size_t cached = 0;
    bool changed = false;
    std::unique_ptr<FileStamper> stamper;
    std::string key;
    // The cache of the iPod of the last file read.
    const fs::path* storeRoot = nullptr;
    HistoryCache::Store* store = nullptr;

    const StoredWorkout& file(std::size_t i) const { return i < entries.size() ? entries[i].file : files[i]; }
    void readNext();
    CachedReading reading(std::size_t i) const;
};

CachedReading HistoryReader::State::reading(std::size_t i) const
{
    const HistoryEntry& entry = entries[i];
    CachedReading reading;
    reading.size = reads[i].size;
    reading.modifiedNs = reads[i].modifiedNs;
    reading.contentHash = reads[i].contentHash;
    reading.problem = entry.problem;
    reading.start = entry.start;
    reading.durationMs = entry.durationMs;
    reading.distanceKm = entry.distanceKm;
    reading.calories = entry.calories;
    reading.signedByDevice = entry.signedByDevice || entry.signatureAltered;
    reading.efforts = entry.efforts;
    return reading;
}

void HistoryReader::State::readNext()
{
    const std::size_t index = entries.size();
    HistoryEntry& entry = entries.emplace_back();
    entry.file = std::move(files[index]);
    const StoredWorkout& file = entry.file;
    const fs::path& folder = file.folder.get();
    key.assign(folder.native());
    key += fs::path::preferred_separator;
    key += file.fileName;
    const std::optional<FileStamp> stamp = stamper->stamp(folder, file.fileName);

    if (cache && storeRoot != &file.ipodRoot.get()) {
        storeRoot = &file.ipodRoot.get();
        store = &cache->storeFor(*storeRoot);
    }
    if (stamp && store) {
        const std::optional<CachedReading> found = store->find(key);
        if (found && found->size == stamp->size && found->modifiedNs == stamp->modifiedNs && Plausible(*found)) {
            Fill(entry, *found, altered);
            reads.push_back({found->size, found->modifiedNs, found->contentHash, true, true});
            ++cached;
            return;
        }
    }

    changed = true;
    const fs::path path = file.fullPath();
    const auto bytes = fileSystem.readFile(path);
    if (!bytes) {
        // Unreadable is not a property of the bytes: nothing is cached, and the file is read again.
        entry.problem = bytes.error();
        reads.emplace_back();
        return;
    }
    CachedReading reading = ReadingOf(bytes.value(), stamp.value_or(FileStamp{}), path);
    reading.size = bytes.value().size();
    Fill(entry, reading, altered);
    // The stamp was taken before the read: a file that changed in between is read again next time.
    // A reading the cache would not believe is not written to it either.
    const bool cacheable = stamp && stamp->size == bytes.value().size() && NowNs() - stamp->modifiedNs > kRacyWindowNs
        && Plausible(reading);
    reads.push_back({reading.size, reading.modifiedNs, reading.contentHash, cacheable, false});
}

HistoryReader::HistoryReader(std::vector<StoredWorkout> files, const FileSystem& fileSystem, HistoryCache* cache)
    : m_state(std::make_unique<State>(std::move(files), fileSystem, cache))
{
    m_state->entries.reserve(m_state->files.size());
    m_state->reads.reserve(m_state->files.size());
}

void HistoryReader::setAlteredSignatures(const AlteredSignatures* altered)
{
    m_state->altered = altered;
}

HistoryReader::~HistoryReader() = default;

std::size_t HistoryReader::total() const
{
    return m_state->files.size();
}

std::size_t HistoryReader::done() const
{
    return m_state->entries.size();
}

std::span<const HistoryEntry> HistoryReader::readMore(std::size_t count)
{
    const std::size_t first = m_state->entries.size();
    const std::size_t end = std::min(m_state->files.size(), first + count);
    while (m_state->entries.size() < end)
        m_state->readNext();
    return std::span<const HistoryEntry>(m_state->entries).subspan(first);
}

const std::vector<HistoryEntry>& HistoryReader::readAll()
{
    readMore(total());
    return m_state->entries;
}

const std::vector<HistoryEntry>& HistoryReader::entries() const
{
    return m_state->entries;
}

std::vector<HistoryEntry> HistoryReader::takeEntries()
{
    return std::move(m_state->entries);
}

std::size_t HistoryReader::cachedEntries() const
{
    return m_state->cached;
}

Result HistoryReader::saveCache()
{
    State& s = *m_state;
    if (!s.cache)
        return Result::success();
    std::map<fs::path, std::vector<std::size_t>> byRoot;
    // The files of one iPod share one root object: the map is asked only when it changes.
    const fs::path* lastRoot = nullptr;
    std::vector<std::size_t>* indicesOfRoot = nullptr;
    for (std::size_t i = 0; i < s.files.size(); ++i) {
        const fs::path& root = s.file(i).ipodRoot.get();
        if (&root != lastRoot) {
            lastRoot = &root;
            indicesOfRoot = &byRoot[root];
        }
        indicesOfRoot->push_back(i);
    }
    for (const auto& [root, indices] : byRoot) {
        HistoryCache::Store& store = s.cache->storeFor(root);
        // Every file read from the cache, and no other reading in it: the file holds what it should.
        const bool unchanged = !s.changed && store.places.size() == indices.size()
            && std::all_of(indices.begin(), indices.end(),
                [&](std::size_t i) { return i < s.entries.size() && s.reads[i].fromCache; });
        if (unchanged)
            continue;
        // Only the files listed now: a file that is gone takes its reading with it. Files not read
        // yet keep the reading they had, which is checked when they are read.
        std::vector<std::string> keys;
        keys.reserve(indices.size());
        std::vector<history::KeyedReading> readings;
        readings.reserve(indices.size());
        for (const std::size_t i : indices) {
            std::string path = PathKey(s.file(i));
            if (i < s.entries.size()) {
                if (!s.reads[i].cacheable)
                    continue;
                readings.push_back({{}, s.reading(i)});
            } else if (std::optional<CachedReading> kept = store.find(path)) {
                readings.push_back({{}, std::move(*kept)});
            } else {
                continue;
            }
            keys.push_back(std::move(path));
        }
        for (std::size_t j = 0; j < readings.size(); ++j)
            readings[j].path = keys[j];
        s.storeRoot = nullptr;
        if (Result written = s.cache->write(root, readings); !written)
            return written;
    }
    s.changed = false;
    for (std::size_t i = 0; i < s.entries.size(); ++i)
        s.reads[i].fromCache = s.reads[i].cacheable;
    return Result::success();
}

std::vector<StoredWorkout> WorkoutsOf(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection)
{
    std::vector<StoredWorkout> workouts;
    workouts.reserve(selection.size());
    for (const std::size_t index : selection)
        workouts.push_back(entries.at(index).file);
    return workouts;
}

ExportSelection ExportSelectionOf(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection)
{
    ExportSelection chosen;
    chosen.workouts = WorkoutsOf(entries, selection);
    for (const StoredWorkout& workout : chosen.workouts)
        if (std::find(chosen.ipodRoots.begin(), chosen.ipodRoots.end(), workout.ipodRoot.get())
            == chosen.ipodRoots.end())
            chosen.ipodRoots.push_back(workout.ipodRoot);
    return chosen;
}

std::vector<HistoryEntry> ReadHistory(std::vector<StoredWorkout> files, const FileSystem& fileSystem,
    HistoryCache* cache, const AlteredSignatures* altered)
{
    HistoryReader reader(std::move(files), fileSystem, cache);
    reader.setAlteredSignatures(altered);
    reader.readAll();
    // A cache that cannot be written costs only time at the next reading.
    (void)reader.saveCache();
    return reader.takeEntries();
}

} // namespace paceforge
