#pragma once

#include "StoredWorkout.h"

#include <QString>

#include <filesystem>
#include <string>
#include <vector>

namespace paceforge {

struct SensorFolder {
    std::string name;
    std::filesystem::path folderPath;
    std::filesystem::path latestPath;
    std::filesystem::path synchedPath;
    // Its files in the catalogue's numbering: positions in iPodRecord::workouts.
    std::vector<std::size_t> files;
};

struct iPodRecord {
    QString driveLetter;
    std::filesystem::path root;
    std::vector<SensorFolder> sensors = {};
    // Every file of every latest and synched folder, in the order of the walk.
    std::vector<StoredWorkout> workouts = {};
};

// One row of the workout list: a workout of the build that made it.
struct CatalogueRow {
    // Its position in iPodRecord::workouts.
    std::size_t workout = 0;
    QString date;
    QString time;
    bool synched = false;
    // "YYYYMMDD000000" from the Date column, empty when that is not a date.
    std::string sortKey;
};

// Lists of the catalogue count from 1.
const SensorFolder* SensorAt(const iPodRecord& ipod, long long sensorIndex);
const StoredWorkout* FileAt(const iPodRecord& ipod, long long sensorIndex, long long fileIndex);

// The workouts the rows stand for, in the rows' order.
std::vector<StoredWorkout> ListedWorkouts(const iPodRecord& ipod, const std::vector<CatalogueRow>& rows);

} // namespace paceforge
