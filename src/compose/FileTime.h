#pragma once

#include "platform/FileSystem.h"

#include <QDateTime>

#include <filesystem>

namespace paceforge {

// Gives the file the last-write time of `start`, whose date and time of day are read as local
// wall-clock time on that date (daylight saving as it stood then). Nothing else of the file
// changes. False for a missing or hidden file, a start without a valid date or time, or a file
// that cannot be written.
bool SetFileDateTime(const std::filesystem::path& file, const QDateTime& start, FileSystem& fileSystem);

} // namespace paceforge
