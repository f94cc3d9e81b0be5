#include "compose/Backups.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <map>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

const std::string kSensor = "4H7136ZXVSX";
const std::string kRun = "2024-03-11 08;28;38.xml";
const fs::file_time_type kStart = fs::file_time_type::clock::from_sys(
    std::chrono::sys_seconds{std::chrono::sys_days{std::chrono::year{2024} / 3 / 11}});

class SetClock final : public Clock
{
public:
    QDateTime now() const override { return at; }
    QDateTime at = QDateTime({2026, 12, 8}, {6, 32, 12, 345}, Qt::UTC);
};

// Fails every write into folders whose path holds the given text.
class FailingWrites final : public FileSystem
{
public:
    explicit FailingWrites(std::string where) : m_where(std::move(where)) { }
    Result writeFileAtomic(const fs::path& path, std::string_view bytes) override
    {
        if (path.string().find(m_where) != std::string::npos)
            return Result::failure(QStringLiteral("No space left on device"));
        return FileSystem::writeFileAtomic(path, bytes);
    }

private:
    std::string m_where;
};

void Write(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every file below the folder with its bytes; empty folders left behind do no harm.
std::map<fs::path, std::string> Files(const fs::path& root)
{
    std::map<fs::path, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (!entry.is_directory())
            files[entry.path()] = ReadWholeFile(entry.path()).value_or("?");
    return files;
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
        Write(top / "IPOD" / folder / name, bytes);
        return top / "IPOD" / folder / name;
    }
};

TEST(BackupsTest, CopiesExactBytesUnderUtcNamesThatNeverCollide)
{
    Store s;
    const std::string bytes("<a>\r\n\0\xFF\xFE\x80</a>\r\n", 14);
    const fs::path file = s.workout(bytes);
    fs::last_write_time(file, kStart);
    s.clock.at = QDateTime({2026, 12, 8}, {7, 32, 12, 345}, Qt::OffsetFromUTC, 3600);

    const fs::path latest = s.root / "IPOD" / kSensor / "latest";
    const std::pair<bool, fs::path> expected[] = {
        {true, latest / (kRun + ".20261208T063212.345Z")},
        {true, latest / (kRun + ".20261208T063212.345Z-2")},
        {false, s.root / "IPOD" / kSensor / "synched" / (kRun + ".20261208T063212.345Z")},
    };
    for (const auto& [inLatest, path] : expected) {
        SCOPED_TRACE(path.string());
        const auto copy = s.backups.backUp(file, QStringLiteral("IPOD"), kSensor, inLatest);
        ASSERT_TRUE(copy.ok()) << copy.error().toStdString();
        EXPECT_EQ(copy.value(), path);
        EXPECT_EQ(ReadWholeFile(path), bytes);
        EXPECT_EQ(fs::last_write_time(path), kStart);
    }
}

TEST(BackupsTest, VolumeNameBecomesOneFolderOfItsOwn)
{
    Store s;
    const std::pair<QString, std::string> cases[] = {
        {"IPOD", "IPOD"},
        {"a/b", "a%2Fb"},
        {"a%2Fb", "a%252Fb"},
        {"..", ".%2E"},
        {"", "%"},
        {"Run: 5K?", "Run%3A 5K%3F"},
        {"Läufer", "Läufer"},
    };
    for (const auto& [volume, folder] : cases) {
        SCOPED_TRACE(volume.toStdString());
        EXPECT_EQ(s.backups.folderFor(volume, kSensor, true), s.root / folder / kSensor / "latest");
    }
}

TEST(BackupsTest, ListsNewestFirstAcrossFoldersIgnoringCaseAndForeignFiles)
{
    Store s;
    const auto at = [](int hour) { return QDateTime({2026, 12, 8}, {hour, 0}, Qt::UTC); };
    const struct {
        int hour;
        std::string name, folder;
    } taken[] = {
        {8, kRun, "latest"},
        {10, "2024-03-11 08;28;38.XML", "synched"},
        {10, "2024-03-11 08;28;38.XML", "synched"},
        {9, kRun, "latest"},
        {11, "2024-03-12 08;28;38.xml", "latest"},
    };
    for (const auto& t : taken) {
        s.clock.at = at(t.hour);
        ASSERT_TRUE(s.backups.backUp(s.workout(t.name, t.name, t.folder), "IPOD", kSensor, t.folder == "latest").ok());
    }
    const fs::path latest = s.backups.folderFor("IPOD", kSensor, true);
    for (const std::string& foreign : {kRun, kRun + ".20261340T000000.000Z", kRun + ".20261208T063212.000Z-x",
             kRun + ".20261208T063212Z", kRun + "20261208T063212.000Z", std::string("notes.txt")})
        Write(latest / foreign, "foreign");

    const auto found = s.backups.list("IPOD", kSensor, "2024-03-11 08;28;38.Xml");
    const std::vector<std::tuple<std::string, QDateTime, bool>> expected = {
        {"2024-03-11 08;28;38.XML.20261208T100000.000Z-2", at(10), false},
        {"2024-03-11 08;28;38.XML.20261208T100000.000Z", at(10), false},
        {kRun + ".20261208T090000.000Z", at(9), true},
        {kRun + ".20261208T080000.000Z", at(8), true},
    };
    std::vector<std::tuple<std::string, QDateTime, bool>> actual;
    for (const BackupEntry& entry : found)
        actual.emplace_back(entry.path.filename().string(), entry.taken, entry.fromLatest);
    EXPECT_EQ(actual, expected);
}

TEST(BackupsTest, RefusedBackupNamesTheFolderAndWritesNothing)
{
    Store s;
    const fs::path file = s.workout("run");
    Write(s.top / "blocker", "a file, not a folder");
    fs::create_directories(s.top / "locked");
    fs::permissions(s.top / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    FailingWrites diskFull("backups");
    const struct {
        fs::path root;
        FileSystem& fileSystem;
        QString reason;
    } cases[] = {
        {s.top / "blocker" / "backups", s.fileSystem, "Not a directory"},
        {s.top / "locked" / "backups", s.fileSystem, "read-only"},
        {s.root, diskFull, "No space left on device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root.string());
        const auto before = Files(s.top);
        Backups backups(c.root, s.clock, c.fileSystem);
        const auto copy = backups.backUp(file, "IPOD", kSensor, false);
        ASSERT_FALSE(copy.ok());
        EXPECT_TRUE(copy.error().contains(DisplayPath(backups.folderFor("IPOD", kSensor, false))));
        EXPECT_TRUE(copy.error().contains(c.reason)) << copy.error().toStdString();
        EXPECT_EQ(Files(s.top), before);
    }
    fs::permissions(s.top / "locked", fs::perms::owner_all);
}

TEST(BackupsTest, RestoreKeepsTheCurrentVersionFirstAndChangesNothingOnFailure)
{
    Store s;
    const std::string older("older\r\n\0\xFF", 9);
    const fs::path file = s.workout(older);
    fs::last_write_time(file, kStart);
    ASSERT_TRUE(s.backups.backUp(file, "IPOD", kSensor, true).ok());
    Write(file, "newer");
    const BackupEntry backup = s.backups.list("IPOD", kSensor, kRun).front();

    // A failing write of the workout, then of the copy of the current version.
    for (const std::string failing : {"IPOD/latest", "backups"}) {
        SCOPED_TRACE(failing);
        s.clock.at = s.clock.at.addSecs(1);
        FailingWrites fileSystem(failing);
        Backups backups(s.root, s.clock, fileSystem);
        EXPECT_FALSE(backups.restore(backup, file, "IPOD", kSensor, true).ok());
        EXPECT_EQ(ReadWholeFile(file), "newer");
        EXPECT_EQ(backups.list("IPOD", kSensor, kRun).size(), 1u);
    }

    s.clock.at = s.clock.at.addSecs(1);
    ASSERT_TRUE(s.backups.restore(backup, file, "IPOD", kSensor, true).ok());
    EXPECT_EQ(ReadWholeFile(file), older);
    EXPECT_EQ(fs::last_write_time(file), kStart);
    const auto after = s.backups.list("IPOD", kSensor, kRun);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(ReadWholeFile(after.front().path), "newer");
}

TEST(BackupsTest, SummaryReadsTheDocumentOrSaysUnreadable)
{
    Store s;
    const struct {
        std::string document;
        QString distance, duration;
    } cases[] = {
        {"old-firmware.xml", "5.8421 km", "31:24"},
        {"miles-unit.xml", "4.0000 mi", "33:20"},
        {"utf16le-bom.xml", "3.9511 km", "21:30"},
        {"not-xml.xml", "unreadable", "unreadable"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document);
        const BackupEntry backup{fs::path(PACEFORGE_TEST_DATA) / "documents" / c.document, s.clock.at, true};
        const BackupSummary summary = s.backups.summary(backup);
        EXPECT_EQ(summary.taken, "2026-12-08 06:32:12");
        EXPECT_EQ(summary.distance, c.distance);
        EXPECT_EQ(summary.duration, c.duration);
    }
}

} // namespace
