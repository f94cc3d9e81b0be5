#pragma once

#include "export/Exporter.h"
#include "platform/FileSystem.h"
#include "store/Catalogue.h"

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace paceforge::test {

inline std::string ReadBytes(const std::filesystem::path& file)
{
    std::ostringstream bytes;
    bytes << std::ifstream(file, std::ios::binary).rdbuf();
    return std::move(bytes).str();
}

// A copy of examples/sample-ipod: km and miles workouts, one without a series, a web page saved
// under a workout's name, a misnamed copy, and one workout in both latest and synched.
struct SampleStore {
    QTemporaryDir dir;
    std::filesystem::path drive = std::filesystem::path(dir.path().toStdString()) / "Sample iPod";
    std::filesystem::path empeds = StoreRoot(drive);

    SampleStore()
    {
        std::filesystem::copy(std::filesystem::path(PACEFORGE_SOURCE_DIR) / "examples" / "sample-ipod", drive,
            std::filesystem::copy_options::recursive);
    }
    CatalogueBuild build() const
    {
        FileSystem fileSystem;
        return BuildCatalogue({QStringLiteral("Sample iPod"), drive, {}, {}}, fileSystem, {.renameMisnamedFiles = false});
    }
    iPodRecord catalogue() const { return build().ipod; }
    // The record that stands for the workout of the file at that path below Empeds.
    StoredWorkout workout(const std::filesystem::path& relative) const
    {
        const iPodRecord ipod = catalogue();
        for (const StoredWorkout& file : ipod.workouts)
            if (file.fullPath() == empeds / relative)
                return ipod.workouts.at(file.workout);
        return {};
    }
    ExportSelection selection() const
    {
        const CatalogueBuild built = build();
        return SelectionOf(built.ipod, built.rows);
    }
    std::map<std::string, std::string> snapshot() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(drive))
            files[std::filesystem::relative(entry.path(), drive).string()]
                = entry.is_regular_file() ? ReadBytes(entry.path()) : "(folder)";
        return files;
    }
};

} // namespace paceforge::test
