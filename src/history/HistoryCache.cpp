#include "HistoryCache.h"

#include "HistoryRecords.h"

#include <QFile>
#include <QStandardPaths>

#include <cstring>
#include <map>
#include <unordered_map>

namespace fs = std::filesystem;

namespace paceforge {
namespace history {
namespace {

// A file of another version, or written on a machine of the other byte order, is not read.
constexpr char kMagic[8] = {'P', 'F', 'H', 'I', 'S', 'T', '\0', '\0'};
constexpr std::uint32_t kFormatVersion = 2;
constexpr std::uint32_t kByteOrderMark = 0x01020304;
constexpr int kLargestScale = Decimal::kMaxFractionDigits;

__extension__ typedef unsigned __int128 Unsigned128;

enum Flags : std::uint8_t { kReadable = 1, kSigned = 2, kHasCalories = 4 };

class Writer
{
public:
    template <typename T> void put(T value)
    {
        char raw[sizeof(T)];
        std::memcpy(raw, &value, sizeof(T));
        m_bytes.append(raw, sizeof(T));
    }
    void text(std::string_view text)
    {
        put(static_cast<std::uint32_t>(text.size()));
        m_bytes.append(text);
    }
    std::string& bytes() { return m_bytes; }

private:
    std::string m_bytes;
};

// Every read is checked against the end: a damaged file must never be read past.
class Reader
{
public:
    explicit Reader(std::string_view bytes) : m_rest(bytes) { }
    template <typename T> bool get(T& value)
    {
        if (m_rest.size() < sizeof(T))
            return false;
        std::memcpy(&value, m_rest.data(), sizeof(T));
        m_rest.remove_prefix(sizeof(T));
        return true;
    }
    bool text(std::string_view& text)
    {
        std::uint32_t size = 0;
        if (!get(size) || m_rest.size() < size)
            return false;
        text = m_rest.substr(0, size);
        m_rest.remove_prefix(size);
        return true;
    }
    bool atEnd() const { return m_rest.empty(); }
    const char* position() const { return m_rest.data(); }

private:
    std::string_view m_rest;
};

void PutReading(Writer& out, std::string_view path, const CachedReading& reading)
{
    out.text(path);
    out.put(reading.size);
    out.put(reading.modifiedNs);
    out.put(reading.contentHash);
    std::uint8_t flags = 0;
    if (!reading.problem)
        flags |= kReadable;
    if (reading.signedByDevice)
        flags |= kSigned;
    if (reading.calories)
        flags |= kHasCalories;
    out.put(flags);
    if (!(flags & kReadable)) {
        out.text(reading.problem->toStdString());
        return;
    }
    out.put(static_cast<std::int32_t>(reading.start.date.year()));
    out.put(static_cast<std::uint8_t>(reading.start.date.month()));
    out.put(static_cast<std::uint8_t>(reading.start.date.day()));
    out.put(static_cast<std::int32_t>(reading.start.time.msecsSinceStartOfDay()));
    out.put(static_cast<std::int32_t>(reading.start.offsetSeconds));
    out.put(static_cast<std::int64_t>(reading.durationMs));
    const Int128 mantissa = reading.distanceKm.mantissa();
    out.put(static_cast<std::uint64_t>(static_cast<Unsigned128>(mantissa)));
    out.put(static_cast<std::uint64_t>(static_cast<Unsigned128>(mantissa) >> 64));
    out.put(static_cast<std::int32_t>(reading.distanceKm.scale()));
    out.put(static_cast<std::int64_t>(reading.calories.value_or(0)));
    // A run's efforts end within 2^32 ms (RunEfforts keeps no other).
    std::uint8_t efforts = 0;
    for (std::size_t i = 0; i < kEffortDistanceCount; ++i)
        if (reading.efforts[kEffortDistances[i]])
            efforts |= static_cast<std::uint8_t>(1u << i);
    out.put(efforts);
    for (const EffortDistance distance : kEffortDistances) {
        if (const std::optional<BestEffort> effort = reading.efforts[distance]) {
            out.put(static_cast<std::uint32_t>(effort->startMs));
            out.put(static_cast<std::uint32_t>(effort->durationMs));
        }
    }
}

bool GetReading(Reader& in, std::string_view& path, CachedReading& reading)
{
    std::uint8_t flags = 0;
    if (!in.text(path) || !in.get(reading.size) || !in.get(reading.modifiedNs) || !in.get(reading.contentHash)
        || !in.get(flags))
        return false;
    if (!(flags & kReadable)) {
        std::string_view problem;
        if (!in.text(problem) || problem.empty())
            return false;
        reading.problem = QString::fromUtf8(problem.data(), static_cast<qsizetype>(problem.size()));
        return true;
    }
    std::int32_t year = 0, msecs = 0, offset = 0, scale = 0;
    std::uint8_t month = 0, day = 0;
    std::int64_t duration = 0, calories = 0;
    std::uint64_t low = 0, high = 0;
    if (!in.get(year) || !in.get(month) || !in.get(day) || !in.get(msecs) || !in.get(offset) || !in.get(duration)
        || !in.get(low) || !in.get(high) || !in.get(scale) || !in.get(calories))
        return false;
    reading.start.date = QDate(year, month, day);
    reading.start.time = QTime::fromMSecsSinceStartOfDay(msecs);
    reading.start.offsetSeconds = offset;
    if (!reading.start.date.isValid() || !reading.start.time.isValid() || scale < 0 || scale > kLargestScale
        || duration < 0 || calories < 0)
        return false;
    reading.durationMs = duration;
    const auto mantissa = static_cast<Int128>((static_cast<Unsigned128>(high) << 64) | low);
    reading.distanceKm = Decimal::fromParts(mantissa, scale);
    if (flags & kHasCalories)
        reading.calories = calories;
    reading.signedByDevice = (flags & kSigned) != 0;
    std::uint8_t efforts = 0;
    if (!in.get(efforts) || efforts >> kEffortDistanceCount != 0)
        return false;
    for (std::size_t i = 0; i < kEffortDistanceCount; ++i) {
        std::uint32_t start = 0, length = 0;
        if (!(efforts & (1u << i)))
            continue;
        if (!in.get(start) || !in.get(length))
            return false;
        if (length == 0)
            return false;
        reading.efforts.set(kEffortDistances[i], BestEffort{start, length});
    }
    return true;
}

} // namespace

std::string EncodeReadings(const std::vector<KeyedReading>& readings)
{
    Writer out;
    out.bytes().append(kMagic, sizeof kMagic);
    out.put(kByteOrderMark);
    out.put(kFormatVersion);
    out.put(static_cast<std::uint64_t>(readings.size()));
    for (const KeyedReading& keyed : readings)
        PutReading(out, keyed.path, keyed.reading);
    out.put(ContentHash(out.bytes()));
    return std::move(out.bytes());
}

std::optional<std::vector<ReadingPlace>> IndexReadings(std::string_view bytes)
{
    std::uint64_t sum = 0;
    if (bytes.size() < sizeof kMagic + sizeof sum || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    const std::string_view body = bytes.substr(0, bytes.size() - sizeof sum);
    std::memcpy(&sum, bytes.data() + body.size(), sizeof sum);
    if (sum != ContentHash(body))
        return std::nullopt;
    Reader in(body.substr(sizeof kMagic));
    std::uint32_t order = 0, version = 0;
    std::uint64_t count = 0;
    if (!in.get(order) || order != kByteOrderMark || !in.get(version) || version != kFormatVersion || !in.get(count))
        return std::nullopt;
    std::vector<ReadingPlace> places;
    places.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(count, body.size())));
    // Every reading is read through once, so that a damaged one empties the whole cache as before.
    CachedReading checked;
    for (std::uint64_t i = 0; i < count; ++i) {
        ReadingPlace& place = places.emplace_back();
        place.offset = static_cast<std::size_t>(in.position() - bytes.data());
        if (!GetReading(in, place.path, checked))
            return std::nullopt;
    }
    if (!in.atEnd())
        return std::nullopt;
    return places;
}

CachedReading ReadingAt(std::string_view bytes, std::size_t offset)
{
    Reader in(bytes.substr(offset));
    std::string_view path;
    CachedReading reading;
    (void)GetReading(in, path, reading);
    return reading;
}

std::optional<std::vector<KeyedReading>> DecodeReadings(std::string_view bytes)
{
    const auto places = IndexReadings(bytes);
    if (!places)
        return std::nullopt;
    std::vector<KeyedReading> readings;
    readings.reserve(places->size());
    for (const ReadingPlace& place : *places)
        readings.push_back({place.path, ReadingAt(bytes, place.offset)});
    return readings;
}

} // namespace history

struct HistoryCache::State {
    fs::path folder;
    FileSystem& fileSystem;
    std::map<fs::path, Store> stores;
};

HistoryCache::HistoryCache(fs::path folder, FileSystem& fileSystem)
    : m_state(std::make_unique<State>(State{std::move(folder), fileSystem, {}}))
{ }

HistoryCache::~HistoryCache() = default;

const fs::path& HistoryCache::folder() const
{
    return m_state->folder;
}

fs::path HistoryCache::fileFor(const fs::path& ipodRoot) const
{
    char name[32];
    std::snprintf(
        name, sizeof name, "history-%016llx.cache", static_cast<unsigned long long>(ContentHash(ipodRoot.native())));
    return m_state->folder / name;
}

HistoryCache::Store& HistoryCache::storeFor(const fs::path& ipodRoot)
{
    Store& store = m_state->stores[ipodRoot];
    if (store.loaded)
        return store;
    store = Store();
    store.loaded = true;
    // A cache that is missing, unreadable or damaged only costs the reading of every file.
    if (auto bytes = m_state->fileSystem.readFile(fileFor(ipodRoot))) {
        store.bytes = std::move(bytes).value();
        if (auto places = history::IndexReadings(store.bytes))
            store.places = std::move(*places);
    }
    return store;
}

Result HistoryCache::write(const fs::path& ipodRoot, const std::vector<history::KeyedReading>& readings)
{
    if (Result made = m_state->fileSystem.createFolders(m_state->folder); !made)
        return made;
    Result written = m_state->fileSystem.writeFileAtomic(fileFor(ipodRoot), history::EncodeReadings(readings));
    // Read again when next asked: the readings just written view into bytes of their own.
    m_state->stores[ipodRoot].loaded = false;
    return written;
}

std::optional<history::CachedReading> HistoryCache::Store::find(std::string_view path)
{
    if (next < places.size() && places[next].path == path)
        return history::ReadingAt(bytes, places[next++].offset);
    if (index.empty()) {
        index.reserve(places.size());
        for (std::size_t i = 0; i < places.size(); ++i)
            index.emplace(places[i].path, i);
    }
    const auto found = index.find(path);
    if (found == index.end())
        return std::nullopt;
    next = found->second + 1;
    return history::ReadingAt(bytes, places[found->second].offset);
}

fs::path StandardHistoryCacheFolder()
{
    return fs::path(
               QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)).toStdString())
        / "Paceforge";
}

} // namespace paceforge
