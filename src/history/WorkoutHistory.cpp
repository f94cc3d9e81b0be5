#include "WorkoutHistory.h"

#include "HistoryRecords.h"

#include "platform/FileSystem.h"
#include "platform/XmlDocument.h"

#include <QDateTime>

#include <algorithm>
#include <map>

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

HistoryEntry EntryOf(const HistoryFile& file, const CachedReading& reading)
{
    HistoryEntry entry;
    entry.file = file;
    entry.problem = reading.problem;
    entry.start = reading.start;
    entry.durationMs = reading.durationMs;
    entry.distanceKm = reading.distanceKm;
    entry.calories = reading.calories;
    entry.signedByDevice = reading.signedByDevice;
    return entry;
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
        const RowKeyParts key = SplitRowKey(row.key);
        const long long sensorIndex = key.sensorText.toLongLong();
        const WorkoutFileEntry* file = FileAt(build.ipod, sensorIndex, key.fileText.toLongLong());
        if (!file)
            continue;
        const auto& [latest, synched] = sensorFolders[static_cast<std::size_t>(sensorIndex - 1)];
        files.push_back({build.ipod.driveLetter, SensorAt(build.ipod, sensorIndex)->name, root, file->folderPath,
            file->fileName, row.synched, latest, synched});
    }
    return files;
}

struct HistoryReader::State {
    State(std::vector<HistoryFile> files, const FileSystem& fileSystem, HistoryCache* cache)
        : files(std::move(files)),
          fileSystem(fileSystem),
          cache(cache)
    { }

    std::vector<HistoryFile> files;
    const FileSystem& fileSystem;
    HistoryCache* cache;
    std::vector<HistoryEntry> entries;
    // Beside each entry: what was read of its bytes, and whether that may be cached.
    struct Slot {
        CachedReading reading;
        bool hasBytes = false;
        bool cacheable = false;
    };
    std::vector<Slot> reads;
    std::size_t cached = 0;
    bool changed = false;
    FolderStamps stamps;
    std::map<FileIdentity, std::size_t> byIdentity;
    // Entries by sensor folder and file name, folded: the candidates for copies in the other folder.
    std::map<std::pair<std::string, std::string>, std::vector<std::size_t>> byName;
    std::string key;

    void readNext();
    void findWorkout(std::size_t index, const std::optional<FileStamp>& stamp);
};

void HistoryReader::State::readNext()
{
    const HistoryFile& file = files[entries.size()];
    const fs::path& folder = file.folder.get();
    key.assign(folder.native());
    key += fs::path::preferred_separator;
    key += file.fileName;
    const std::optional<FileStamp> stamp = stamps.stamp(folder, file.fileName);

    HistoryCache::Store* store = cache ? &cache->storeFor(file.ipodRoot.get()) : nullptr;
    if (stamp && store) {
        const auto found = store->readings.find(key);
        if (found != store->readings.end() && found->second.size == stamp->size
            && found->second.modifiedNs == stamp->modifiedNs) {
            entries.push_back(EntryOf(file, found->second));
            reads.push_back({found->second, true, true});
            ++cached;
            findWorkout(entries.size() - 1, stamp);
            return;
        }
    }

    changed = true;
    const fs::path path = file.fullPath();
    const auto bytes = fileSystem.readFile(path);
    if (!bytes) {
        // Unreadable is not a property of the bytes: nothing is cached, and the file is read again.
        HistoryEntry entry;
        entry.file = file;
        entry.problem = bytes.error();
        entries.push_back(std::move(entry));
        reads.emplace_back();
        findWorkout(entries.size() - 1, stamp);
        return;
    }
    CachedReading reading = ReadingOf(bytes.value(), stamp.value_or(FileStamp{}), path);
    reading.size = bytes.value().size();
    entries.push_back(EntryOf(file, reading));
    // The stamp was taken before the read: a file that changed in between is read again next time.
    const bool cacheable = stamp && stamp->size == bytes.value().size() && NowNs() - stamp->modifiedNs > kRacyWindowNs;
    reads.push_back({std::move(reading), true, cacheable});
    findWorkout(entries.size() - 1, stamp);
}

void HistoryReader::State::findWorkout(std::size_t index, const std::optional<FileStamp>& stamp)
{
    HistoryEntry& entry = entries[index];
    entry.workout = index;
    if (stamp) {
        const auto [at, fresh] = byIdentity.emplace(stamp->identity, index);
        if (!fresh) {
            entry.workout = entries[at->second].workout;
            return;
        }
    }
    const Slot& slot = reads[index];
    if (!slot.hasBytes)
        return;
    auto& namesakes = byName[{Folded(entry.file.folder.get().parent_path().native()), Folded(entry.file.fileName)}];
    for (const std::size_t other : namesakes) {
        if (entries[other].file.synched == entry.file.synched || !reads[other].hasBytes)
            continue;
        if (reads[other].reading.size == slot.reading.size
            && reads[other].reading.contentHash == slot.reading.contentHash) {
            entry.workout = entries[other].workout;
            return;
        }
    }
    namesakes.push_back(index);
}

HistoryReader::HistoryReader(std::vector<HistoryFile> files, const FileSystem& fileSystem, HistoryCache* cache)
    : m_state(std::make_unique<State>(std::move(files), fileSystem, cache))
{
    m_state->entries.reserve(m_state->files.size());
    m_state->reads.reserve(m_state->files.size());
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

std::size_t HistoryReader::cachedEntries() const
{
    return m_state->cached;
}

Result HistoryReader::saveCache()
{
    State& s = *m_state;
    if (!s.cache)
        return Result::success();
    // Only what the files listed now have: a file that is gone takes its reading with it.
    std::map<fs::path, std::unordered_map<std::string, CachedReading>> kept;
    std::string key;
    for (std::size_t i = 0; i < s.files.size(); ++i) {
        const HistoryFile& file = s.files[i];
        auto& readings = kept[file.ipodRoot.get()];
        key.assign(file.folder.get().native());
        key += fs::path::preferred_separator;
        key += file.fileName;
        if (i < s.entries.size()) {
            if (s.reads[i].cacheable)
                readings.insert_or_assign(key, s.reads[i].reading);
            continue;
        }
        HistoryCache::Store& store = s.cache->storeFor(file.ipodRoot.get());
        if (const auto found = store.readings.find(key); found != store.readings.end())
            readings.insert_or_assign(key, found->second);
    }
    for (auto& [root, readings] : kept) {
        HistoryCache::Store& store = s.cache->storeFor(root);
        if (!s.changed && readings.size() == store.readings.size())
            continue;
        store.readings = std::move(readings);
        if (Result written = s.cache->write(root); !written)
            return written;
    }
    s.changed = false;
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
    return reader.entries();
}

} // namespace paceforge
