#include "StoreFixtures.h"

#include <fstream>
#include <sstream>

namespace paceforge::test {

TempStore::TempStore(const std::string& driveName) : m_drive(fs::path(m_dir.path().toStdString()) / driveName)
{
    fs::create_directories(empeds());
}

Drive TempStore::drive() const
{
    return {QString::fromStdString(m_drive.filename().string()), m_drive};
}

fs::path TempStore::add(
    const std::string& sensor, const std::string& folder, const std::string& name, const std::string& bytes)
{
    const fs::path dir = folder.empty() ? empeds() / sensor : empeds() / sensor / folder;
    fs::create_directories(dir);
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::map<fs::path, std::string> TempStore::files() const
{
    std::map<fs::path, std::string> result;
    for (const auto& entry : fs::recursive_directory_iterator(m_drive))
        if (entry.is_regular_file())
            result[entry.path()] = ReadBytes(entry.path());
    return result;
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string WorkoutXml(const WorkoutValues& v)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<sportsData><vers>2</vers>\n"
           "<runSummary><workoutName><![CDATA[Basic]]></workoutName>\n"
           "<time>"
        + v.time
        + "</time>\n"
          "<duration>"
        + v.duration
        + "</duration>\n"
          "<durationString>"
        + v.durationString
        + "</durationString>\n"
          "<distance unit=\""
        + v.unit + "\">" + v.distance
        + "</distance>\n"
          "<distanceString>3.11 mi</distanceString>\n"
          "<pace>9:39 min/mi</pace>\n"
          "<calories>"
        + v.calories
        + "</calories>\n"
          "<battery></battery>\n"
          "<stepCounts><walkBegin>100</walkBegin>\n<walkEnd>200</walkEnd>\n<runBegin>300</runBegin>\n"
          "<runEnd>4000</runEnd>\n</stepCounts>\n"
          "</runSummary>\n"
          "<userInfo><empedID>4H7136ZXVSX</empedID>\n<weight>"
        + v.weight
        + "</weight>\n<device>iPod</device>\n"
          "</userInfo>\n"
          "<startTime>"
        + v.time
        + "</startTime>\n"
          "<snapShotList snapShotType=\"userClick\"><snapShot event=\"pause\"><duration>600000</duration>\n"
          "<distance>1.7</distance>\n<pace>350000</pace>\n</snapShot>\n"
          "<snapShot event=\"stop\"><duration>1800321</duration>\n<distance>5.0</distance>\n<pace>360000</pace>\n"
          "</snapShot>\n</snapShotList>\n"
          "<extendedDataList><extendedData dataType=\"distance\" intervalType=\"time\" intervalUnit=\"s\" "
          "intervalValue=\"10\">"
        + v.series
        + "</extendedData>\n</extendedDataList>\n"
          "</sportsData>\n";
}

} // namespace paceforge::test
