#include "Records.h"

namespace paceforge {

const SensorFolder* SensorAt(const iPodRecord& ipod, long long sensorIndex)
{
    if (sensorIndex < 1 || sensorIndex > static_cast<long long>(ipod.sensors.size()))
        return nullptr;
    return &ipod.sensors[static_cast<std::size_t>(sensorIndex - 1)];
}

const StoredWorkout* FileAt(const iPodRecord& ipod, long long sensorIndex, long long fileIndex)
{
    const SensorFolder* sensor = SensorAt(ipod, sensorIndex);
    if (!sensor || fileIndex < 1 || fileIndex > static_cast<long long>(sensor->files.size()))
        return nullptr;
    const std::size_t at = sensor->files[static_cast<std::size_t>(fileIndex - 1)];
    return at < ipod.workouts.size() ? &ipod.workouts[at] : nullptr;
}

std::vector<StoredWorkout> ListedWorkouts(const iPodRecord& ipod, const std::vector<CatalogueRow>& rows)
{
    std::vector<StoredWorkout> listed;
    listed.reserve(rows.size());
    for (const CatalogueRow& row : rows)
        if (row.workout < ipod.workouts.size())
            listed.push_back(ipod.workouts[row.workout]);
    return listed;
}

} // namespace paceforge
