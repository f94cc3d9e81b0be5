#pragma once

#include <QString>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace paceforge {

// A path that many records share without a copy each: a std::filesystem::path holds every
// component separately, and copying one per file was the largest cost of listing a large store.
class SharedPath
{
public:
    SharedPath() = default;
    SharedPath(std::filesystem::path path) : m_path(std::make_shared<const std::filesystem::path>(std::move(path))) { }

    const std::filesystem::path& get() const { return m_path ? *m_path : Empty(); }
    operator const std::filesystem::path&() const { return get(); }

private:
    static const std::filesystem::path& Empty();
    std::shared_ptr<const std::filesystem::path> m_path;
};

struct WorkoutFileEntry {
    std::string fileName;
    // The latest or synched folder that holds the file, as the disk spells it.
    SharedPath folderPath;

    std::filesystem::path fullPath() const { return folderPath.get() / fileName; }
};

struct SensorFolder {
    std::string name;
    std::filesystem::path folderPath;
    std::filesystem::path latestPath;
    std::filesystem::path synchedPath;
    std::vector<WorkoutFileEntry> files;
};

struct iPodRecord {
    QString driveLetter;
    std::filesystem::path root;
    std::vector<SensorFolder> sensors;
};

// One row of the workout list; the key designates sensor and file of the build that made it.
struct CatalogueRow {
    QString key;
    QString date;
    QString time;
    bool synched = false;
    // "YYYYMMDD000000" from the Date column, empty when that is not a date.
    std::string sortKey;
};

// Lists of the catalogue count from 1, as the row keys do.
const SensorFolder* SensorAt(const iPodRecord& ipod, long long sensorIndex);
const WorkoutFileEntry* FileAt(const iPodRecord& ipod, long long sensorIndex, long long fileIndex);

} // namespace paceforge
