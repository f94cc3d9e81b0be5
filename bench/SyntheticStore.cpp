#include "SyntheticStore.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace paceforge::bench {
namespace {

constexpr double kKilometresPerMile = 1.609344;

std::string Format(const char* pattern, double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, value);
    return buffer;
}

std::string Two(int value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

std::string ClockText(long long seconds)
{
    const long long h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        return std::to_string(h) + ":" + Two(static_cast<int>(m)) + ":" + Two(static_cast<int>(s));
    return std::to_string(m) + ":" + Two(static_cast<int>(s));
}

const std::string& TemplateBytes()
{
    static const std::string bytes = [] {
        std::ifstream in(TemplateFile(), std::ios::binary);
        if (!in)
            throw std::runtime_error("cannot read the template workout " + TemplateFile().string());
        std::ostringstream all;
        all << in.rdbuf();
        return all.str();
    }();
    return bytes;
}

void SetText(pugi::xml_node node, const std::string& text)
{
    node.remove_children();
    node.append_child(pugi::node_pcdata).set_value(text.c_str());
}

pugi::xml_node SnapShotList(pugi::xml_node sportsData, const char* type)
{
    return sportsData.find_child_by_attribute("snapShotList", "snapShotType", type);
}

// Replaces the list's snapshots by copies of its first (or its "stop") snapshot with new values.
void FillSnapShots(pugi::xml_node list, const char* event, const std::vector<std::array<std::string, 3>>& values)
{
    pugi::xml_node prototype
        = event ? list.find_child_by_attribute("snapShot", "event", event) : list.child("snapShot");
    pugi::xml_document keep;
    keep.append_copy(prototype);
    list.remove_children();
    for (const auto& [duration, distance, pace] : values) {
        pugi::xml_node shot = list.append_copy(keep.first_child());
        SetText(shot.child("duration"), duration);
        SetText(shot.child("distance"), distance);
        SetText(shot.child("pace"), pace);
        list.append_child(pugi::node_pcdata).set_value("\n");
    }
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string SensorName(int index)
{
    static const char* const names[] = {"2F6D84TRVSX", "A93KQ07LMZP", "7HD20XWQ5RB", "Q4N8E1TCJ6Y"};
    return names[index % 4];
}

} // namespace

fs::path TemplateFile()
{
    return fs::path(PACEFORGE_SOURCE_DIR) / "data" / "userdata.xml";
}

std::string WorkoutFileName(const WorkoutShape& s)
{
    return std::to_string(s.year) + "-" + Two(s.month) + "-" + Two(s.day) + " " + Two(s.hour) + ";" + Two(s.minute)
        + ";" + Two(s.second) + ".xml";
}

std::string WorkoutBytes(const WorkoutShape& s)
{
    pugi::xml_document doc;
    const std::string& source = TemplateBytes();
    doc.load_buffer(source.data(), source.size(), pugi::parse_default | pugi::parse_ws_pcdata);
    pugi::xml_node sports = doc.child("sportsData");
    pugi::xml_node summary = sports.child("runSummary");

    const std::string start = std::to_string(s.year) + "-" + Two(s.month) + "-" + Two(s.day) + "T" + Two(s.hour) + ":"
        + Two(s.minute) + ":" + Two(s.second) + "-04:00";
    const long long ms = s.seconds * 1000 + (s.seconds * 37) % 1000;
    const double msPerKm = static_cast<double>(ms) / s.kilometres;
    const long long paceSeconds = static_cast<long long>(msPerKm / 1000.0 + 0.5);

    SetText(summary.child("time"), start);
    SetText(summary.child("duration"), std::to_string(ms));
    SetText(summary.child("durationString"), ClockText(s.seconds));
    SetText(summary.child("distance"), Format("%.4f", s.kilometres));
    SetText(summary.child("distanceString"), Format("%.2f km", s.kilometres));
    SetText(summary.child("pace"), ClockText(paceSeconds) + " min/km");
    SetText(summary.child("calories"), std::to_string(static_cast<long long>(s.kilometres * 72.5 * 1.036)));
    const auto feet = static_cast<long long>(s.kilometres / kKilometresPerMile * 5280);
    pugi::xml_node steps = summary.child("stepCounts");
    SetText(steps.child("walkBegin"), std::to_string(300 + s.seconds % 700));
    SetText(steps.child("walkEnd"), std::to_string(300 + s.seconds % 700 + feet * 10 / 32));
    SetText(steps.child("runBegin"), std::to_string(250 + s.seconds % 900));
    SetText(steps.child("runEnd"), std::to_string(250 + s.seconds % 900 + feet * 10 / 28));
    SetText(sports.child("userInfo").child("empedID"), s.sensor);
    SetText(sports.child("startTime"), start);

    std::vector<std::array<std::string, 3>> km, miles;
    for (int k = 1; k <= static_cast<int>(s.kilometres); ++k) {
        const auto at = static_cast<long long>(msPerKm * k);
        km.push_back({std::to_string(at), std::to_string(k) + ".0", std::to_string(at / k)});
    }
    const double totalMiles = s.kilometres / kKilometresPerMile;
    for (int k = 1; k <= static_cast<int>(totalMiles); ++k) {
        const auto at = static_cast<long long>(msPerKm * kKilometresPerMile * k);
        miles.push_back({std::to_string(at), Format("%.2f", kKilometresPerMile * k), std::to_string(at / k)});
    }
    FillSnapShots(SnapShotList(sports, "kmSplit"), nullptr, km);
    FillSnapShots(SnapShotList(sports, "mileSplit"), nullptr, miles);
    FillSnapShots(SnapShotList(sports, "userClick"), "stop",
        {{std::to_string(ms), Format("%.3f", s.kilometres), std::to_string(static_cast<long long>(msPerKm))}});

    const long long samples = s.seconds / 10;
    std::string series = "0.0";
    series.reserve(static_cast<std::size_t>(samples) * 9 + 8);
    for (long long i = 1; i <= samples; ++i)
        series += Format(", %.4f", s.kilometres * static_cast<double>(i) / static_cast<double>(samples));
    SetText(sports.child("extendedDataList").child("extendedData"), series);

    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    doc.save(out, "", pugi::format_raw | pugi::format_no_empty_element_tags | pugi::format_no_declaration);
    out << "\n";
    return out.str();
}

int SensorsFor(int files)
{
    int sensors = 1;
    for (int n = files; n >= 1000 && sensors < 4; n /= 10)
        ++sensors;
    return sensors;
}

SyntheticStore MakeStore(const fs::path& drive, int files, int sensors, unsigned seed)
{
    SyntheticStore store;
    store.drive = drive;
    store.files = files;
    store.empeds = drive / "iPod_Control" / "Device" / "Trainer" / "Workouts" / "Empeds";
    std::vector<fs::path> latest, synched;
    for (int k = 0; k < sensors; ++k) {
        const fs::path sensor = store.empeds / SensorName(k);
        latest.push_back(sensor / "latest");
        synched.push_back(sensor / "synched");
        fs::create_directories(latest.back());
        fs::create_directories(synched.back());
    }

    std::mt19937 random(seed);
    const auto draw = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    // A few at every size, as on a real disk: the renaming pass looks at the live folder for each.
    const int misnamed = std::min(files, 4);
    const int colliding = std::min(files - misnamed, 2);
    // Each sensor is an iPod of its own with runs at least two hours apart from 2006 on, so every
    // name in a folder is distinct.
    std::vector<long long> clocks(static_cast<std::size_t>(sensors), 0);
    for (int i = 0; i < files; ++i) {
        const int sensor = i % sensors;
        long long& clock = clocks[static_cast<std::size_t>(sensor)];
        clock += 2 * 3600 + draw(0, 18 * 3600);
        const long long day = clock / 86400;
        const int secondOfDay = static_cast<int>(clock % 86400);
        WorkoutShape shape;
        const long long civil = day + 719468 + 13149; // days from 0000-03-01 to 2006-01-01
        {
            // Days to a civil date (proleptic Gregorian), after Howard Hinnant's algorithm.
            const long long z = civil;
            const long long era = z / 146097;
            const long long doe = z - era * 146097;
            const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
            const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
            const long long mp = (5 * doy + 2) / 153;
            shape.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
            shape.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
            shape.year = static_cast<int>(yoe + era * 400 + (shape.month <= 2));
        }
        shape.hour = secondOfDay / 3600;
        shape.minute = secondOfDay / 60 % 60;
        shape.second = secondOfDay % 60;
        shape.seconds = draw(15 * 60, 95 * 60);
        shape.kilometres = static_cast<double>(shape.seconds) / draw(270, 420);
        shape.sensor = SensorName(sensor);
        const bool inLatest = i % 5 == 0;
        const fs::path folder
            = inLatest ? latest[static_cast<std::size_t>(sensor)] : synched[static_cast<std::size_t>(sensor)];
        const std::string name = WorkoutFileName(shape);
        const std::string bytes = WorkoutBytes(shape);
        if (i < misnamed) {
            const std::string stem = name.substr(0, name.size() - 4);
            store.misnamed.push_back({folder / (stem + " copy.xml"), folder / name});
            WriteFile(store.misnamed.back().original, bytes);
        } else if (i < misnamed + colliding) {
            WriteFile(folder / name, bytes);
            WriteFile(folder / (name.substr(0, name.size() - 4) + " (2).xml"), bytes);
        } else {
            WriteFile(folder / name, bytes);
        }
        if (inLatest && store.sampleLatest.empty() && i >= misnamed + colliding)
            store.sampleLatest = folder / name;
    }
    WriteFile(synched.front() / "notes.txt", "not a workout\n");
    return store;
}

void SyntheticStore::restoreMisnamed() const
{
    for (const MisnamedFile& file : misnamed) {
        std::error_code ec;
        if (fs::exists(file.renamed, ec) && !fs::exists(file.original, ec))
            fs::rename(file.renamed, file.original, ec);
    }
}

TempFolder::TempFolder(const std::string& stem)
{
    std::string pattern = (fs::temp_directory_path() / ("paceforge-bench-" + stem + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    m_path = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

} // namespace paceforge::bench
