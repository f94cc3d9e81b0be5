#include "store/Catalogue.h"
#include "store/SameWorkout.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <functional>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

constexpr const char* kName = "2009-02-07 08;07;36.xml";

void Write(const fs::path& file, const std::string& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

} // namespace

// The one rule every count of the program goes by: the list, the history and its totals, the
// exports, the statistics and the correction all take the workouts the catalogue lists.
TEST(SameWorkout, WhichFilesAreOneWorkout)
{
    const struct {
        const char* what;
        std::function<void(const fs::path& sensor, const fs::path& other)> make;
        std::size_t rows;
        Namesake namesake;
    } cases[] = {
        {"the same bytes in latest and synched",
            [](const fs::path& s, const fs::path&) {
                Write(s / "latest" / kName, "run");
                Write(s / "synched" / kName, "run");
            },
            1, Namesake::SameWorkout},
        {"the same bytes under one name in another letter case",
            [](const fs::path& s, const fs::path&) {
                Write(s / "latest" / kName, "run");
                Write(s / "synched" / "2009-02-07 08;07;36.XML", "run");
            },
            1, Namesake::SameWorkout},
        {"a synched folder that is a link to latest",
            [](const fs::path& s, const fs::path&) {
                Write(s / "latest" / kName, "run");
                fs::create_directory_symlink("latest", s / "synched");
            },
            1, Namesake::SameWorkout},
        {"two versions of one run",
            [](const fs::path& s, const fs::path&) {
                Write(s / "latest" / kName, "run, corrected");
                Write(s / "synched" / kName, "run");
            },
            2, Namesake::Differs},
        {"the same bytes under two names",
            [](const fs::path& s, const fs::path&) {
                Write(s / "latest" / kName, "run");
                Write(s / "synched" / "2009-02-08 08;07;36.xml", "run");
            },
            2, Namesake::None},
        {"the same bytes in two sensor folders",
            [](const fs::path& s, const fs::path& other) {
                Write(s / "latest" / kName, "run");
                Write(other / "synched" / kName, "run");
            },
            2, Namesake::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const fs::path drive = dir.path().toStdString();
        const fs::path empeds = StoreRoot(drive);
        c.make(empeds / "4H7136ZXVSX", empeds / "6J2894KLVSX");
        FileSystem fileSystem;
        const CatalogueBuild build = BuildCatalogue({QStringLiteral("IPOD"), drive}, fileSystem);
        ASSERT_EQ(build.rows.size(), c.rows);
        const StoredWorkout& first = build.ipod.workouts.at(build.rows.front().workout);
        EXPECT_EQ(first.namesake, c.namesake);
        if (c.namesake == Namesake::SameWorkout) {
            // The synched file stands for both: an edit of it moves it to latest and leaves one file.
            EXPECT_TRUE(first.synched);
            EXPECT_FALSE(build.rows.front().synched) << "it still waits in latest";
            for (const StoredWorkout& file : build.ipod.workouts)
                EXPECT_EQ(file.workout, build.rows.front().workout);
        }
        for (const CatalogueRow& row : build.rows)
            EXPECT_EQ(build.ipod.workouts.at(row.workout).workout, row.workout);
    }
}
