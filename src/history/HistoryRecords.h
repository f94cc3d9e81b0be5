#pragma once

#include "HistoryCache.h"
#include "platform/FileSystem.h"
#include "WorkoutHistory.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// What the history reader and its cache share; not for other users.
namespace paceforge::history {

// What a reading of one file gave, as the cache keeps it.
struct CachedReading {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    // Of the file's bytes: copies of one workout in latest and synched have equal hashes.
    std::uint64_t contentHash = 0;
    std::optional<QString> problem;
    StartTime start;
    long long durationMs = 0;
    Decimal distanceKm;
    std::optional<long long> calories;
    bool signedByDevice = false;
    RunEfforts efforts;
};

// A reading and the path of its file.
struct KeyedReading {
    std::string_view path;
    CachedReading reading;
};

// The cache file's bytes for the readings, in their order, and back (the paths then view into the
// bytes); nothing when the bytes are damaged or of another format.
std::string EncodeReadings(const std::vector<KeyedReading>& readings);
std::optional<std::vector<KeyedReading>> DecodeReadings(std::string_view bytes);

// Where each reading of a cache file's bytes lies: what an opening keeps of the file, decoding a
// reading only when it is asked for (all of them decoded were a second copy of the history).
struct ReadingPlace {
    std::string_view path;
    std::size_t offset = 0;
};
// Nothing, as DecodeReadings, for bytes that are damaged or of another format.
std::optional<std::vector<ReadingPlace>> IndexReadings(std::string_view bytes);
// The reading at a place IndexReadings gave for these bytes.
CachedReading ReadingAt(std::string_view bytes, std::size_t offset);

} // namespace paceforge::history

namespace paceforge {

// One iPod's cache file as read. The readings are kept in the order the history last read them,
// which is the order it reads them in again: each look-up first tries the reading after the last
// one found, and an index by path is made only when that misses.
struct HistoryCache::Store {
    bool loaded = false;
    std::string bytes;
    std::vector<history::ReadingPlace> places;
    std::unordered_map<std::string_view, std::size_t> index;
    std::size_t next = 0;

    std::optional<history::CachedReading> find(std::string_view path);
};

} // namespace paceforge
