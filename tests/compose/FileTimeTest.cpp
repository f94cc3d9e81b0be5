#include "compose/FileTime.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

struct TimeZone {
    std::string old = std::getenv("TZ") ? std::getenv("TZ") : "UTC";
    explicit TimeZone(const char* zone) { Use(zone); }
    ~TimeZone() { Use(old.c_str()); }
    static void Use(const char* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }
};

struct stat StatOf(const fs::path& file)
{
    struct stat s { };
    ::stat(file.c_str(), &s);
    return s;
}

long long Utc(const char* iso)
{
    return QDateTime::fromString(iso, Qt::ISODate).toSecsSinceEpoch();
}

struct FileTimeTest : testing::Test {
    QTemporaryDir dir;
    FileSystem fileSystem;
    fs::path Make(const char* name)
    {
        const fs::path file = dir.filePath(name).toStdString();
        std::ofstream(file) << "<sportsData/>";
        const timespec old[2] = {{1000, 0}, {2000, 0}}; // access, write: any change shows
        ::utimensat(AT_FDCWD, file.c_str(), old, 0);
        return file;
    }
};

TEST_F(FileTimeTest, LocalStartAtItsOwnDateOffset)
{
    const fs::path file = Make("2006-09-01 06;00;00.xml");
    const struct {
        const char* zone;
        QDateTime start;
        long long earliest, latest;
    } cases[] = {
        {"UTC", {{2006, 9, 1}, {6, 0}}, Utc("2006-09-01T06:00Z"), Utc("2006-09-01T06:00Z")},
        {"America/New_York", {{2006, 1, 15}, {6, 0}}, Utc("2006-01-15T11:00Z"), Utc("2006-01-15T11:00Z")},
        {"America/New_York", {{2006, 7, 15}, {6, 0}}, Utc("2006-07-15T10:00Z"), Utc("2006-07-15T10:00Z")},
        {"Australia/Sydney", {{2006, 1, 15}, {6, 0}}, Utc("2006-01-14T19:00Z"), Utc("2006-01-14T19:00Z")},
        {"Australia/Sydney", {{2006, 7, 15}, {6, 0}}, Utc("2006-07-14T20:00Z"), Utc("2006-07-14T20:00Z")},
        // 02:30 does not exist on that morning and 01:30 exists twice; either reading will do.
        {"America/New_York", {{2006, 4, 2}, {2, 30}}, Utc("2006-04-02T06:30Z"), Utc("2006-04-02T07:30Z")},
        {"America/New_York", {{2006, 10, 29}, {1, 30}}, Utc("2006-10-29T05:30Z"), Utc("2006-10-29T06:30Z")},
    };
    for (const auto& c : cases) {
        const TimeZone zone(c.zone);
        SCOPED_TRACE(testing::Message() << c.zone << ' ' << c.start.toString(Qt::ISODate).toStdString());
        ASSERT_TRUE(SetFileDateTime(file, c.start, fileSystem));
        const struct stat s = StatOf(file);
        EXPECT_GE(s.st_mtim.tv_sec, c.earliest);
        EXPECT_LE(s.st_mtim.tv_sec, c.latest);
        EXPECT_EQ(s.st_mtim.tv_nsec, 0);
        EXPECT_EQ(s.st_atim.tv_sec, 1000);
    }
}

TEST_F(FileTimeTest, RefusesWithoutTouchingTheFile)
{
    const fs::path file = Make("W.xml"), hidden = Make(".W.xml"), readOnly = Make("RO.xml");
    fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::remove);
    const QDateTime start(QDate(2006, 9, 1), QTime(6, 0));
    const struct {
        const char* what;
        fs::path path;
        QDateTime start;
    } cases[] = {
        {"missing", dir.filePath("missing.xml").toStdString(), start},
        {"folder", dir.path().toStdString(), start},
        {"hidden", hidden, start},
        {"read-only", readOnly, start},
        {"null", file, QDateTime()},
        {"no date", file, QDateTime(QDate(), QTime(6, 0))},
        {"year 1", file, QDateTime(QDate(1, 1, 1), QTime(6, 0))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(SetFileDateTime(c.path, c.start, fileSystem));
    }
    for (const fs::path& untouched : {file, hidden, readOnly})
        EXPECT_EQ(StatOf(untouched).st_mtim.tv_sec, 2000) << untouched;
    EXPECT_EQ(ReadWholeFile(file), "<sportsData/>");
}

} // namespace
