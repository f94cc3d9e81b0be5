#include "Records.h"

namespace paceforge {

const std::filesystem::path& SharedPath::Empty()
{
    static const std::filesystem::path empty;
    return empty;
}

const SensorFolder* SensorAt(const iPodRecord& ipod, long long sensorIndex)
{
    if (sensorIndex < 1 || sensorIndex > static_cast<long long>(ipod.sensors.size()))
        return nullptr;
    return &ipod.sensors[static_cast<std::size_t>(sensorIndex - 1)];
}

const WorkoutFileEntry* FileAt(const iPodRecord& ipod, long long sensorIndex, long long fileIndex)
{
    const SensorFolder* sensor = SensorAt(ipod, sensorIndex);
    if (!sensor || fileIndex < 1 || fileIndex > static_cast<long long>(sensor->files.size()))
        return nullptr;
    return &sensor->files[static_cast<std::size_t>(fileIndex - 1)];
}

} // namespace paceforge
