#include "WorkoutHistory.h"

#include "HistoryRecords.h"

#include "platform/FileSystem.h"
#include "platform/XmlDocument.h"

#include <QDateTime>

#include <algorithm>
#include <map>
#include <unordered_map>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define PACEFORGE_POSIX_STAT 1
#endif

namespace fs = std::filesystem;

namespace paceforge {
namespace {

using history::CachedReading;
using history::FileStamp;

// A file written within this long before it was read could be written again with the same size
// and a time the disk cannot tell apart (FAT keeps two seconds): its reading is not cached.
constexpr std::int64_t kRacyWindowNs = 3'000'000'000;

std::string Folded(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// Stats the files of a few folders through an open handle on each folder: a stat by full path
// walks every folder above the file again, and a second opening stats every file of the store.
class FolderStamps
{
public:
    FolderStamps() = default;
    FolderStamps(const FolderStamps&) = delete;
    FolderStamps& operator=(const FolderStamps&) = delete;
    ~FolderStamps()
    {
#ifdef PACEFORGE_POSIX_STAT
        for (const auto& [folder, handle] : m_handles)
            if (handle >= 0)
                ::close(handle);
#endif
    }

    std::optional<FileStamp> stamp(const fs::path& folder, const std::string& name)
    {
#ifdef PACEFORGE_POSIX_STAT
        const int handle = handleFor(folder);
        struct stat status { };
        const int result
            = handle >= 0 ? ::fstatat(handle, name.c_str(), &status, 0) : ::stat((folder / name).c_str(), &status);
        if (result != 0 || !S_ISREG(status.st_mode))
            return std::nullopt;
        FileStamp stamp;
        stamp.size = static_cast<std::uint64_t>(status.st_size);
#if defined(__APPLE__)
        stamp.modifiedNs
            = static_cast<std::int64_t>(status.st_mtimespec.tv_sec) * 1'000'000'000 + status.st_mtimespec.tv_nsec;
#else
        stamp.modifiedNs = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
#endif
        stamp.identity = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
        return stamp;
#else
        std::error_code ec;
        const fs::path path = folder / name;
        if (!fs::is_regular_file(path, ec))
            return std::nullopt;
        FileStamp stamp;
        stamp.size = fs::file_size(path, ec);
        const auto time = fs::last_write_time(path, ec);
        if (ec)
            return std::nullopt;
        stamp.modifiedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
        // Without a device and inode, a file reached twice is told by where its links lead.
        stamp.identity = {0, history::ContentHash(fs::weakly_canonical(path, ec).string())};
        return stamp;
#endif
    }

private:
#ifdef PACEFORGE_POSIX_STAT
    int handleFor(const fs::path& folder)
    {
        for (const auto& [known, handle] : m_handles)
            if (known == &folder)
                return handle;
        const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        m_handles.emplace_back(&folder, handle);
        return handle;
    }
    // Keyed by the shared folder path's address: every file of a folder shares one path object.
    std::vector<std::pair<const fs::path*, int>> m_handles;
#endif
};

std::int64_t NowNs()
{
    return QDateTime::currentMSecsSinceEpoch() * 1'000'000;
}

void Fill(HistoryEntry& entry, const CachedReading& reading)
{
    entry.problem = reading.problem;
    entry.start = reading.start;
    entry.durationMs = reading.durationMs;
    entry.distanceKm = reading.distanceKm;
    entry.calories = reading.calories;
    entry.signedByDevice = reading.signedByDevice;
}

CachedReading ReadingOf(const std::string& bytes, const FileStamp& stamp, const fs::path& path)
{
    CachedReading reading;
    reading.size = stamp.size;
    reading.modifiedNs = stamp.modifiedNs;
    reading.contentHash = history::ContentHash(bytes);
    const auto summary = ReadWorkoutSummary(XmlDocument::fromBytes(bytes), DisplayPath(path), SeriesReading::Skip);
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
    return reading;
}

// "2::17" gives 2 and 17, without the texts a split would make for each row.
std::pair<long long, long long> KeyNumbers(const QString& key)
{
    long long numbers[2] = {0, 0};
    int at = 0;
    for (const QChar c : key) {
        if (c == u':') {
            at = 1;
        } else if (c >= u'0' && c <= u'9') {
            numbers[at] = numbers[at] * 10 + (c.unicode() - u'0');
        } else {
            return {0, 0};
        }
    }
    return {numbers[0], numbers[1]};
}

} // namespace

std::vector<HistoryFile> HistoryFiles(const CatalogueBuild& build)
{
    const SharedPath root(build.ipod.root);
    std::vector<std::pair<SharedPath, SharedPath>> sensorFolders;
    for (const SensorFolder& sensor : build.ipod.sensors)
        sensorFolders.emplace_back(SharedPath(sensor.latestPath), SharedPath(sensor.synchedPath));
    std::vector<HistoryFile> files;
    files.reserve(build.rows.size());
    for (const CatalogueRow& row : build.rows) {
        const auto [sensorIndex, fileIndex] = KeyNumbers(row.key);
        const WorkoutFileEntry* file = FileAt(build.ipod, sensorIndex, fileIndex);
        if (!file)
            continue;
        const auto& [latest, synched] = sensorFolders[static_cast<std::size_t>(sensorIndex - 1)];
        files.push_back({build.ipod.driveLetter, SensorAt(build.ipod, sensorIndex)->name, root, file->folderPath,
            file->fileName, row.synched, latest, synched});
    }
    return files;
}

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr std::uint64_t kMixer = 0x9E3779B97F4A7C15ULL;

// Entry indices by a 64-bit key with open addressing: a long history puts ten thousand keys into
// each of two of these, and a node allocated for each was a tenth of a second opening.
class FlatIndex
{
public:
    // The index held for the key, or kNone after `index` was put there.
    std::size_t find_or_put(std::uint64_t key, std::size_t index)
    {
        if ((m_count + 1) * 2 > m_keys.size())
            grow();
        std::size_t at = Spread(key) & (m_keys.size() - 1);
        while (m_values[at] != kNone) {
            if (m_keys[at] == key)
                return m_values[at];
            at = (at + 1) & (m_keys.size() - 1);
        }
        m_keys[at] = key;
        m_values[at] = index;
        ++m_count;
        return kNone;
    }
    void replace(std::uint64_t key, std::size_t index)
    {
        std::size_t at = Spread(key) & (m_keys.size() - 1);
        while (m_keys[at] != key || m_values[at] == kNone)
            at = (at + 1) & (m_keys.size() - 1);
        m_values[at] = index;
    }
    void reserve(std::size_t count)
    {
        while (m_keys.size() < count * 2)
            grow();
    }

private:
    static std::size_t Spread(std::uint64_t key) { return static_cast<std::size_t>((key * kMixer) >> 16); }
    void grow()
    {
        std::vector<std::uint64_t> keys = std::move(m_keys);
        std::vector<std::size_t> values = std::move(m_values);
        m_keys.assign(std::max<std::size_t>(16, keys.size() * 2), 0);
        m_values.assign(m_keys.size(), kNone);
        m_count = 0;
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (values[i] != kNone)
                find_or_put(keys[i], values[i]);
    }
    std::vector<std::uint64_t> m_keys;
    std::vector<std::size_t> m_values;
    std::size_t m_count = 0;
};

std::string PathKey(const HistoryFile& file)
{
    std::string key = file.folder.get().native();
    key += fs::path::preferred_separator;
    key += file.fileName;
    return key;
}

} // namespace

struct HistoryReader::State {
    State(std::vector<HistoryFile> files, const FileSystem& fileSystem, HistoryCache* cache)
        : files(std::move(files)),
          fileSystem(fileSystem),
          cache(cache)
    { }

    // The files not read yet; each moves into its entry when read.
    std::vector<HistoryFile> files;
    const FileSystem& fileSystem;
    HistoryCache* cache;
    std::vector<HistoryEntry> entries;
    // Beside each entry: what was read of its bytes, and whether that may be cached.
    struct Slot {
        CachedReading reading;
        bool hasBytes = false;
        bool cacheable = false;
        bool fromCache = false;
        FileIdentity identity;
        bool hasIdentity = false;
        // The entry read before it with the same key in byIdentity and byName.
        std::size_t sameIdentityKey = kNone;
        std::size_t namesake = kNone;
    };
    std::vector<Slot> reads;
    std::size_t cached = 0;
    bool changed = false;
    FolderStamps stamps;
    FlatIndex byIdentity;
    // The last entry read of each sensor folder and folded name, by a hash of the two; the older
    // ones follow through Slot::namesake.
    FlatIndex byName;
    // The folded sensor folder of each folder met and its hash, by the shared path's address.
    struct SensorKey {
        const fs::path* folder;
        std::string folded;
        std::uint64_t hash;
    };
    std::vector<SensorKey> sensorKeys;
    std::string key;
    std::string foldedName;
    // The cache of the iPod of the last file read.
    const fs::path* storeRoot = nullptr;
    HistoryCache::Store* store = nullptr;

    const HistoryFile& file(std::size_t i) const { return i < entries.size() ? entries[i].file : files[i]; }
    void readNext();
    void findWorkout(std::size_t index, const std::optional<FileStamp>& stamp);
    const SensorKey& sensorKey(const fs::path& folder);
};

const HistoryReader::State::SensorKey& HistoryReader::State::sensorKey(const fs::path& folder)
{
    for (const SensorKey& known : sensorKeys)
        if (known.folder == &folder)
            return known;
    std::string folded = Folded(folder.parent_path().native());
    const std::uint64_t hash = history::ContentHash(folded);
    return sensorKeys.emplace_back(SensorKey{&folder, std::move(folded), hash});
}

void HistoryReader::State::readNext()
{
    const std::size_t index = entries.size();
    HistoryEntry& entry = entries.emplace_back();
    entry.file = std::move(files[index]);
    const HistoryFile& file = entry.file;
    const fs::path& folder = file.folder.get();
    key.assign(folder.native());
    key += fs::path::preferred_separator;
    key += file.fileName;
    const std::optional<FileStamp> stamp = stamps.stamp(folder, file.fileName);

    if (cache && storeRoot != &file.ipodRoot.get()) {
        storeRoot = &file.ipodRoot.get();
        store = &cache->storeFor(*storeRoot);
    }
    if (stamp && store) {
        const CachedReading* found = store->find(key);
        if (found && found->size == stamp->size && found->modifiedNs == stamp->modifiedNs) {
            Fill(entry, *found);
            Slot& slot = reads.emplace_back();
            slot.reading = *found;
            slot.hasBytes = slot.cacheable = slot.fromCache = true;
            ++cached;
            findWorkout(index, stamp);
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
        findWorkout(index, stamp);
        return;
    }
    CachedReading reading = ReadingOf(bytes.value(), stamp.value_or(FileStamp{}), path);
    reading.size = bytes.value().size();
    Fill(entry, reading);
    // The stamp was taken before the read: a file that changed in between is read again next time.
    const bool cacheable = stamp && stamp->size == bytes.value().size() && NowNs() - stamp->modifiedNs > kRacyWindowNs;
    Slot& slot = reads.emplace_back();
    slot.reading = std::move(reading);
    slot.hasBytes = true;
    slot.cacheable = cacheable;
    findWorkout(index, stamp);
}

void HistoryReader::State::findWorkout(std::size_t index, const std::optional<FileStamp>& stamp)
{
    HistoryEntry& entry = entries[index];
    entry.workout = index;
    Slot& slot = reads[index];
    if (stamp) {
        slot.identity = stamp->identity;
        slot.hasIdentity = true;
        const std::uint64_t key = stamp->identity.inode * kMixer ^ stamp->identity.device;
        const std::size_t head = byIdentity.find_or_put(key, index);
        for (std::size_t other = head; other != kNone; other = reads[other].sameIdentityKey) {
            if (reads[other].identity == stamp->identity) {
                entry.workout = entries[other].workout;
                return;
            }
        }
        if (head != kNone) {
            slot.sameIdentityKey = head;
            byIdentity.replace(key, index);
        }
    }
    if (!slot.hasBytes)
        return;
    foldedName.assign(entry.file.fileName);
    for (char& c : foldedName)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    const SensorKey& sensor = sensorKey(entry.file.folder.get());
    const std::uint64_t name = history::ContentHash(foldedName) ^ (sensor.hash * kMixer);
    const std::size_t head = byName.find_or_put(name, index);
    if (head == kNone)
        return;
    for (std::size_t other = head; other != kNone; other = reads[other].namesake) {
        const Slot& candidate = reads[other];
        const HistoryEntry& namesake = entries[other];
        if (namesake.file.synched == entry.file.synched || !candidate.hasBytes
            || candidate.reading.size != slot.reading.size || candidate.reading.contentHash != slot.reading.contentHash
            || Folded(namesake.file.fileName) != foldedName
            || sensorKey(namesake.file.folder.get()).folded != sensor.folded)
            continue;
        entry.workout = namesake.workout;
        return;
    }
    slot.namesake = head;
    byName.replace(name, index);
}

HistoryReader::HistoryReader(std::vector<HistoryFile> files, const FileSystem& fileSystem, HistoryCache* cache)
    : m_state(std::make_unique<State>(std::move(files), fileSystem, cache))
{
    m_state->entries.reserve(m_state->files.size());
    m_state->reads.reserve(m_state->files.size());
    m_state->byIdentity.reserve(m_state->files.size());
    m_state->byName.reserve(m_state->files.size());
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
    for (std::size_t i = 0; i < s.files.size(); ++i)
        byRoot[s.file(i).ipodRoot.get()].push_back(i);
    for (const auto& [root, indices] : byRoot) {
        HistoryCache::Store& store = s.cache->storeFor(root);
        // Every file read from the cache, and no other reading in it: the file holds what it should.
        const bool unchanged = !s.changed && store.readings.size() == indices.size()
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
            const CachedReading* reading = nullptr;
            std::string path = PathKey(s.file(i));
            if (i < s.entries.size())
                reading = s.reads[i].cacheable ? &s.reads[i].reading : nullptr;
            else
                reading = store.find(path);
            if (!reading)
                continue;
            keys.push_back(std::move(path));
            readings.push_back({{}, *reading});
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

std::vector<CorrectionRun> CorrectionRuns(
    const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection)
{
    std::vector<CorrectionRun> runs;
    runs.reserve(selection.size());
    for (const std::size_t index : selection) {
        const HistoryFile& file = entries.at(index).file;
        runs.push_back({file.volume, file.sensor, file.fullPath(), file.latestFolder, file.synchedFolder});
    }
    return runs;
}

ExportSelection ExportSelectionOf(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection)
{
    ExportSelection chosen;
    for (const std::size_t index : selection) {
        const HistoryFile& file = entries.at(index).file;
        chosen.workouts.push_back({file.fullPath(), file.sensor, file.synched});
        if (std::find(chosen.ipodRoots.begin(), chosen.ipodRoots.end(), file.ipodRoot.get()) == chosen.ipodRoots.end())
            chosen.ipodRoots.push_back(file.ipodRoot);
    }
    return chosen;
}

std::vector<HistoryEntry> ReadHistory(std::vector<HistoryFile> files, const FileSystem& fileSystem, HistoryCache* cache)
{
    HistoryReader reader(std::move(files), fileSystem, cache);
    reader.readAll();
    // A cache that cannot be written costs only time at the next reading.
    (void)reader.saveCache();
    return reader.takeEntries();
}

} // namespace paceforge
