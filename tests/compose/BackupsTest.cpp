#include "compose/Backups.h"
#include "compose/Restore.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

const std::string kSensor = "4H7136ZXVSX";
const std::string kRun = "2024-03-11 08;28;38.xml";

class SetClock final : public Clock
{
public:
    QDateTime now() const override { return at; }
    QDateTime at = QDateTime({2026, 12, 8}, {6, 32, 12, 345}, Qt::UTC);
};

// Fails every write to a path that holds the given text.
struct FailingWrites final : FileSystem {
    explicit FailingWrites(std::string where) : where(std::move(where)) { }
    Result writeFileAtomic(const fs::path& path, std::string_view bytes) override
    {
        if (path.string().find(where) != std::string::npos)
            return Result::failure(QStringLiteral("No space left on device"));
        return FileSystem::writeFileAtomic(path, bytes);
    }
    std::string where;
};

fs::path Write(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

struct Store {
    QTemporaryDir dir;
    fs::path top = dir.path().toStdString();
    fs::path root = top / "backups";
    SetClock clock;
    FileSystem fileSystem;
    Backups backups{root, clock, fileSystem};
    fs::path workout(const std::string& bytes, const std::string& name = kRun, const std::string& folder = "latest")
    {
        return Write(top / "IPOD" / folder / name, bytes);
    }
};

TEST(BackupsTest, ExactBytesUnderUtcNamesThatNeverCollideNorLeaveTheRoot)
{
    Store s;
    const std::string bytes("<a>\r\n\0\xFF\xFE\x80</a>\r\n", 14);
    const fs::path file = s.workout(bytes);
    s.clock.at = QDateTime({2026, 12, 8}, {7, 32, 12, 345}, Qt::OffsetFromUTC, 3600);
    const std::string stamp = kRun + ".20261208T063212.345Z";
    const std::tuple<QString, bool, fs::path> cases[] = {
        {"IPOD", true, fs::path("IPOD") / kSensor / "latest" / stamp},
        {"IPOD", true, fs::path("IPOD") / kSensor / "latest" / (stamp + "-2")},
        {"a/b", false, fs::path("a%2Fb") / kSensor / "synched" / stamp},
        {"..", true, fs::path(".%2E") / kSensor / "latest" / stamp},
        {"", true, fs::path("%") / kSensor / "latest" / stamp},
    };
    for (const auto& [volume, latest, path] : cases) {
        SCOPED_TRACE(path.string());
        const auto copy = s.backups.backUp(file, volume, kSensor, latest);
        ASSERT_TRUE(copy.ok()) << copy.error().toStdString();
        EXPECT_EQ(copy.value(), s.root / path);
        EXPECT_EQ(ReadWholeFile(s.root / path), bytes);
    }
}

TEST(BackupsTest, ListsNewestFirstAcrossFoldersIgnoringCaseAndForeignFiles)
{
    Store s;
    const auto at = [](int hour) { return QDateTime({2026, 12, 8}, {hour, 0}, Qt::UTC); };
    const std::string upper = "2024-03-11 08;28;38.XML";
    const std::tuple<int, std::string, bool> taken[] = {
        {8, kRun, true},
        {10, upper, false},
        {10, upper, false},
        {9, kRun, true},
        {11, "2024-03-12 08;28;38.xml", true},
    };
    for (const auto& [hour, name, latest] : taken) {
        s.clock.at = at(hour);
        const fs::path file = s.workout("run", name, latest ? "latest" : "synched");
        ASSERT_TRUE(s.backups.backUp(file, "IPOD", kSensor, latest).ok());
    }
    for (const std::string& foreign : {kRun, kRun + ".20261340T000000.000Z", kRun + ".20261208T063212.000Z-x",
             kRun + ".20261208T063212Z", kRun + "20261208T063212.000Z"})
        Write(s.backups.folderFor("IPOD", kSensor, true) / foreign, "foreign");

    std::vector<std::tuple<std::string, QDateTime, bool>> listed;
    for (const BackupEntry& entry : s.backups.list("IPOD", kSensor, "2024-03-11 08;28;38.Xml"))
        listed.emplace_back(entry.path.filename().string(), entry.taken, entry.fromLatest);
    const std::vector<std::tuple<std::string, QDateTime, bool>> expected = {
        {upper + ".20261208T100000.000Z-2", at(10), false},
        {upper + ".20261208T100000.000Z", at(10), false},
        {kRun + ".20261208T090000.000Z", at(9), true},
        {kRun + ".20261208T080000.000Z", at(8), true},
    };
    EXPECT_EQ(listed, expected);
}

TEST(BackupsTest, RefusedBackupNamesTheFolderAndWritesNoFile)
{
    Store s;
    const fs::path file = s.workout("run");
    Write(s.top / "blocker", "a file, not a folder");
    fs::create_directories(s.top / "locked");
    fs::permissions(s.top / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    FailingWrites diskFull("backups");
    const std::tuple<fs::path, FileSystem*, QString> cases[] = {
        {s.top / "blocker" / "backups", &s.fileSystem, "Not a directory"},
        {s.top / "locked" / "backups", &s.fileSystem, "read-only"},
        {s.root, &diskFull, "No space left on device"},
    };
    for (const auto& [root, fileSystem, reason] : cases) {
        SCOPED_TRACE(root.string());
        Backups backups(root, s.clock, *fileSystem);
        const auto copy = backups.backUp(file, "IPOD", kSensor, false);
        ASSERT_FALSE(copy.ok());
        EXPECT_TRUE(copy.error().contains(DisplayPath(backups.folderFor("IPOD", kSensor, false))));
        EXPECT_TRUE(copy.error().contains(reason)) << copy.error().toStdString();
        for (const auto& entry : fs::recursive_directory_iterator(s.top))
            EXPECT_TRUE(entry.is_directory() || entry.path() == file || entry.path() == s.top / "blocker");
    }
    fs::permissions(s.top / "locked", fs::perms::owner_all);
}

TEST(BackupsTest, RestoreBacksUpTheCurrentVersionFirstAndChangesNothingOnFailure)
{
    Store s;
    const std::string older("older\r\n\0\xFF", 9);
    const fs::path file = s.workout(older);
    const auto start = fs::file_time_type::clock::from_sys(
        std::chrono::sys_seconds{std::chrono::sys_days{std::chrono::year{2024} / 3 / 11}});
    fs::last_write_time(file, start);
    ASSERT_TRUE(s.backups.backUp(file, "IPOD", kSensor, true).ok());
    Write(file, "newer");
    const BackupEntry backup = s.backups.list("IPOD", kSensor, kRun).front();
    StoredWorkout workout;
    workout.volume = "IPOD";
    workout.sensor = kSensor;
    workout.latestFolder = SharedPath(s.top / "IPOD" / "latest");
    workout.synchedFolder = SharedPath(s.top / "IPOD" / "synched");
    workout.folder = workout.latestFolder;
    workout.fileName = kRun;

    // The write to the iPod fails, then the copy of the current version.
    for (const std::string failing : {"IPOD/latest", "backups"}) {
        SCOPED_TRACE(failing);
        s.clock.at = s.clock.at.addSecs(1);
        FailingWrites fileSystem(failing);
        Backups backups(s.root, s.clock, fileSystem);
        EXPECT_FALSE(RestoreBackup(backup, workout, fileSystem, backups).ok());
        EXPECT_EQ(ReadWholeFile(file), "newer");
        EXPECT_EQ(s.backups.list("IPOD", kSensor, kRun).size(), 1u);
    }
    s.clock.at = s.clock.at.addSecs(1);
    ASSERT_TRUE(RestoreBackup(backup, workout, s.fileSystem, s.backups).ok());
    EXPECT_EQ(ReadWholeFile(file), older);
    EXPECT_EQ(fs::last_write_time(file), start);
    const auto after = s.backups.list("IPOD", kSensor, kRun);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(ReadWholeFile(after.front().path), "newer");
}

} // namespace
