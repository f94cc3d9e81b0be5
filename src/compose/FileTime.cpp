#include "FileTime.h"

#include <chrono>
#include <optional>
#include <string>

namespace paceforge {
namespace {

using std::chrono::system_clock;

constexpr qint64 kMsecsPerDay = 24LL * 60 * 60 * 1000;

// Milliseconds since the epoch of the local wall-clock time. A time that the spring change skips
// has no instant of its own; it is read with the offset in force before the change, which moves it
// forward by the length of the gap, as a clock that was not yet changed would show it.
qint64 LocalToEpochMsecs(const QDate& date, const QTime& time)
{
    const QDateTime local(date, time, Qt::LocalTime);
    if (local.isValid())
        return local.toMSecsSinceEpoch();
    const qint64 wall = QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
    const int offsetBefore = QDateTime::fromMSecsSinceEpoch(wall - kMsecsPerDay, Qt::LocalTime).offsetFromUtc();
    return wall - qint64(offsetBefore) * 1000;
}

std::optional<system_clock::time_point> ToTimePoint(qint64 msecs)
{
    using Ms = std::chrono::milliseconds;
    constexpr auto lowest = std::chrono::floor<Ms>(system_clock::time_point::min().time_since_epoch()).count() + 1;
    constexpr auto highest = std::chrono::floor<Ms>(system_clock::time_point::max().time_since_epoch()).count();
    if (msecs < lowest || msecs > highest)
        return std::nullopt;
    return system_clock::time_point(std::chrono::duration_cast<system_clock::duration>(Ms(msecs)));
}

} // namespace

bool SetFileDateTime(const std::filesystem::path& file, const QDateTime& start, FileSystem& fileSystem)
{
    const std::string name = file.filename().string();
    if (name.empty() || name.front() == '.' || !fileSystem.fileExists(file))
        return false;
    // Only the wall-clock fields count: a start that falls into the spring gap is not a valid
    // QDateTime, yet it is a time the user can pick.
    if (!start.date().isValid() || !start.time().isValid())
        return false;
    const auto time = ToTimePoint(LocalToEpochMsecs(start.date(), start.time()));
    return time && fileSystem.setLastWriteTime(file, *time);
}

} // namespace paceforge
