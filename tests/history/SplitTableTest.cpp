#include "history/SplitTable.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

const fs::path kDocuments = fs::path(PACEFORGE_TEST_DATA) / "documents";
const fs::path kSampleRun = fs::path(PACEFORGE_SOURCE_DIR) / "examples" / "sample-ipod" / "iPod_Control" / "Device"
    / "Trainer" / "Workouts" / "Empeds" / "8P5W31QNVSX" / "latest" / "2009-02-10 07;10;46.xml";

struct Expected {
    long long durationMs;
    const char* km;
    long long splitMs;
    long long paceSeconds;
};

void ExpectSplits(const std::vector<Split>& splits, const std::vector<Expected>& expected)
{
    ASSERT_EQ(splits.size(), expected.size());
    for (std::size_t i = 0; i < splits.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(splits[i].number, static_cast<int>(i) + 1);
        EXPECT_EQ(splits[i].durationMs, expected[i].durationMs);
        EXPECT_EQ(splits[i].distanceKm, *Decimal::parsePlain(expected[i].km));
        EXPECT_EQ(splits[i].splitMs, expected[i].splitMs);
        EXPECT_EQ(splits[i].paceSeconds, expected[i].paceSeconds);
    }
}

} // namespace

TEST(SplitTableTest, SplitsAsRecordedWithTheirOwnTimeAndPace)
{
    FileSystem fileSystem;
    // The mile splits stand at 1.61 km steps as the device rounds them: 1.0004 mi each.
    const auto sample = ReadSplitTable(kSampleRun, fileSystem);
    ASSERT_TRUE(sample) << sample.error().toStdString();
    ExpectSplits(sample->kilometres,
        {{332131, "1.0", 332131, 332}, {668336, "2.0", 336205, 336}, {1002161, "3.0", 333825, 333},
            {1332499, "4.0", 330338, 330}});
    ExpectSplits(sample->miles, {{538944, "1.61", 538944, 538}, {1074803, "3.22", 535859, 535}});
    EXPECT_EQ(sample->kilometres[1].recordedPace, Decimal::fromInteger(334168));

    // Another layout, the mile list after the km list, its last split 1.608 km.
    const auto old = ReadSplitTable(kDocuments / "old-firmware.xml", fileSystem);
    ASSERT_TRUE(old);
    ASSERT_EQ(old->kilometres.size(), 5u);
    EXPECT_EQ(old->kilometres[4].splitMs, 319743);
    ExpectSplits(
        old->miles, {{524994, "1.61", 524994, 524}, {1040436, "3.22", 515442, 515}, {1559957, "4.828", 519521, 519}});

    const auto page = ReadSplitTable(kDocuments / "not-xml.xml", fileSystem);
    ASSERT_FALSE(page);
    EXPECT_TRUE(page.error().contains("not-xml.xml")) << page.error().toStdString();
}
