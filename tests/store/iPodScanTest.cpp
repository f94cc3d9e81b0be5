#include "store/iPodScan.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <system_error>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

struct FakeDrives : DriveSource {
    std::vector<Drive> list;
    mutable int failures = 0;
    mutable int calls = 0;
    std::vector<Drive> drives() const override
    {
        ++calls;
        if (failures != 0) {
            --failures;
            throw std::system_error(EIO, std::generic_category(), "drive list");
        }
        return list;
    }
};

struct Reports {
    std::vector<ScanError> seen;
    ScanErrorReport callback()
    {
        return [this](const ScanError& e) { seen.push_back(e); };
    }
};

TEST(iPodScanTest, FindsDrivesWithIPodControlInOrder)
{
    QTemporaryDir dir;
    const fs::path base = dir.path().toStdString();
    fs::create_directories(base / "F" / "iPod_Control");
    fs::create_directories(base / "plain" / "Music");
    fs::create_directories(base / "E" / "ipod_control");
    FakeDrives drives;
    drives.list = {{"F", base / "F"}, {"plain", base / "plain"}, {"E", base / "E"}, {"gone", base / "gone"}};
    Reports reports;
    const auto found = FindIPods(drives, FileSystem(), reports.callback());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].driveLetter, "F");
    EXPECT_EQ(found[0].root, base / "F");
    EXPECT_EQ(found[1].driveLetter, "E");
    EXPECT_TRUE(found[1].sensors.empty());
    EXPECT_TRUE(reports.seen.empty());
    EXPECT_EQ(SelectorEntry(found[1]), "Ipod located on drive 'E'");
}

TEST(iPodScanTest, FailureIsReportedOnceAndRetriedOnce)
{
    QTemporaryDir dir;
    fs::create_directories(dir.filePath("iPod_Control").toStdString());
    for (const int failures : {1, -1}) {
        SCOPED_TRACE(failures);
        FakeDrives drives;
        drives.list = {{"E", dir.path().toStdString()}};
        drives.failures = failures;
        Reports reports;
        const auto found = FindIPods(drives, FileSystem(), reports.callback());
        EXPECT_EQ(drives.calls, 2);
        ASSERT_EQ(reports.seen.size(), 1u);
        EXPECT_EQ(reports.seen[0].number, EIO);
        EXPECT_TRUE(reports.seen[0].description.contains("drive list"));
        EXPECT_EQ(found.size(), failures == 1 ? 1u : 0u);
    }
}

TEST(iPodScanTest, FailingDriveTestSkipsOnlyThatDrive)
{
    struct Throwing : FileSystem {
        mutable int calls = 0;
        bool folderExists(const fs::path& path) const override
        {
            ++calls;
            if (path.parent_path().filename() == "bad")
                throw std::runtime_error("not ready");
            return FileSystem::folderExists(path);
        }
    } fileSystem;
    QTemporaryDir dir;
    const fs::path base = dir.path().toStdString();
    fs::create_directories(base / "bad" / "iPod_Control");
    fs::create_directories(base / "good" / "iPod_Control");
    FakeDrives drives;
    drives.list = {{"bad", base / "bad"}, {"good", base / "good"}};
    Reports reports;
    const auto found = FindIPods(drives, fileSystem, reports.callback());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].driveLetter, "good");
    EXPECT_EQ(fileSystem.calls, 3);
    ASSERT_EQ(reports.seen.size(), 1u);
    EXPECT_EQ(ScanErrorText(reports.seen[0]), "Error Number: 5\r\nError Description: not ready");
    EXPECT_EQ(ScanErrorText({380, ""}), "Error Number: 380\r\nError Description: ");
}

TEST(iPodScanTest, RestoredSelectorPosition)
{
    const int remembered[] = {-1, 0, 1, 5};
    const int expected[][4] = {
        {-1, -1, -1, -1}, // no entries
        {0, 0, 0, 0},
        {0, 0, 1, 1},
        {0, 0, 1, 2},
    };
    for (int count = 0; count < 4; ++count)
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(testing::Message() << "remembered " << remembered[i] << ", entries " << count);
            EXPECT_EQ(RestoredSelectorPosition(remembered[i], count), expected[count][i]);
        }
}

// Two iPods of one volume name must not read the same: a workout could go to the wrong one.
TEST(iPodScanTest, SelectorEntriesTellIPodsOfOneNameApart)
{
    const std::vector<iPodRecord> ipods{
        {"IPOD", "/media/ann/IPOD", {}}, {"RUNNER", "/media/ann/RUNNER", {}}, {"IPOD", "/media/ann/IPOD1", {}}};
    const std::vector<QString> expected{"Ipod located on drive 'IPOD' (/media/ann/IPOD)",
        "Ipod located on drive 'RUNNER'", "Ipod located on drive 'IPOD' (/media/ann/IPOD1)"};
    EXPECT_EQ(SelectorEntries(ipods), expected);
    EXPECT_EQ(SelectorEntries({ipods[0]}), std::vector<QString>{"Ipod located on drive 'IPOD'"});
}

} // namespace
