#pragma once

#include "platform/Drives.h"

#include <QTemporaryDir>

#include <filesystem>
#include <map>
#include <string>

namespace paceforge::test {

namespace fs = std::filesystem;

// A drive folder with an iPod store below it, in a temporary folder of its own.
class TempStore
{
public:
    explicit TempStore(const std::string& driveName = "IPOD");
    Drive drive() const;
    fs::path empeds() const { return m_drive / "iPod_Control" / "Device" / "Trainer" / "Workouts" / "Empeds"; }
    // Writes a file below Empeds, creating folders as needed.
    fs::path add(
        const std::string& sensor, const std::string& folder, const std::string& name, const std::string& bytes);
    // Every file below the drive with its bytes.
    std::map<fs::path, std::string> files() const;
    const fs::path& root() const { return m_drive; }

private:
    QTemporaryDir m_dir;
    fs::path m_drive;
};

struct WorkoutValues {
    std::string time = "2006-09-15T06:30:00-04:00";
    std::string durationString = "30:00";
    std::string distance = "5.0000";
    std::string unit = "km";
    std::string calories = "312";
    std::string weight = "72.576";
    std::string duration = "1800321";
    std::string series = "0.0, 0.0278, 0.0556";
};
// An older-firmware workout document with a stop snapshot and a short series.
std::string WorkoutXml(const WorkoutValues& values = {});
std::string ReadBytes(const fs::path& path);

} // namespace paceforge::test
