#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace paceforge::bench {

namespace fs = std::filesystem;

// The values one generated workout carries.
struct WorkoutShape {
    int year = 2008;
    int month = 6;
    int day = 14;
    int hour = 6;
    int minute = 0;
    int second = 0;
    long long seconds = 1800;
    double kilometres = 5.0;
    std::string sensor = "2F6D84TRVSX";
};

// A workout document made from data/userdata.xml with the shape's values, km splits, a stop
// snapshot and a distance sample every ten seconds.
std::string WorkoutBytes(const WorkoutShape& shape);

// "2008-06-14 06;00;00.xml"
std::string WorkoutFileName(const WorkoutShape& shape);

struct MisnamedFile {
    fs::path original;
    fs::path renamed;
};

// A drive folder with an iPod store below it: `sensors` sensor folders, each with latest and
// synched, and `files` workout files spread over them (about a fifth in latest), among them four
// whose names carry extra words and two more whose new name is taken already, and one file that
// is not a workout.
struct SyntheticStore {
    fs::path drive;
    fs::path empeds;
    int files = 0;
    // The files that the renaming pass renames; the catalogue benchmark puts them back.
    std::vector<MisnamedFile> misnamed;
    // One workout of the store, in a latest folder.
    fs::path sampleLatest;

    void restoreMisnamed() const;
};

SyntheticStore MakeStore(const fs::path& drive, int files, int sensors, unsigned seed = 20080614);

// The sensor folder count used for a store of that size: 1 for 100 files up to 4 for 100,000.
int SensorsFor(int files);

// A fresh folder below the system's temporary folder, removed with the object.
class TempFolder
{
public:
    explicit TempFolder(const std::string& stem);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

// The template workout shipped with the sources.
fs::path TemplateFile();

} // namespace paceforge::bench
