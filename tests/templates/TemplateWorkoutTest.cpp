#include "templates/TemplateWorkout.h"
#include "workout/WorkoutFormat.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {
void Write(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}
} // namespace

TEST(TemplateWorkout, ShippedTemplateIsACompleteWorkoutForNewAndEditedSaves)
{
    const auto document = LoadTemplateWorkout(fs::path(PACEFORGE_SOURCE_DIR) / "data");
    ASSERT_TRUE(document);
    EXPECT_TRUE(MissingContent(*document, true).empty());
    EXPECT_TRUE(MissingContent(*document, false).empty());
    // New workouts start with an empty series, so that theirs is evenly spaced.
    EXPECT_EQ(NodeText(FindWorkoutNodes(*document).extendedData), "0.0");
}

TEST(TemplateWorkout, EveryLoadReadsTheFileAnew)
{
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    Write(folder / "userdata.xml", "<sportsData><vers>2</vers></sportsData>");
    ASSERT_TRUE(LoadTemplateWorkout(folder));
    Write(folder / "userdata.xml", "<sportsData><vers>5</vers></sportsData>");
    const auto again = LoadTemplateWorkout(folder);
    ASSERT_TRUE(again);
    EXPECT_EQ(NodeText(ChildElement(again->documentElement(), "vers")), "5");
}
