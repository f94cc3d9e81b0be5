#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <future>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Names(const std::vector<FolderEntry>& entries)
{
    std::vector<std::string> names;
    for (const FolderEntry& e : entries)
        names.push_back(e.name);
    return names;
}

struct TempFolder {
    QTemporaryDir dir;
    fs::path root{dir.path().toStdString()};
    ~TempFolder()
    {
        // Folders made read-only by a test would keep QTemporaryDir from cleaning up.
        for (const auto& e : fs::recursive_directory_iterator(root))
            if (e.is_directory() && !e.is_symlink())
                fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
    }
};

TEST(FileSystemTest, LookupsIgnoreLetterCase)
{
    TempFolder t;
    Write(t.root / "IPOD_CONTROL" / "Latest" / "Run.xml", "x");
    FileSystem fsys;
    EXPECT_EQ(
        fsys.resolve(t.root / "iPod_Control" / "latest" / "run.XML"), t.root / "IPOD_CONTROL" / "Latest" / "Run.xml");
    EXPECT_TRUE(fsys.folderExists(t.root / "ipod_control"));
    EXPECT_TRUE(fsys.folderExists(t.root / "iPod_Control" / "LATEST"));
    EXPECT_TRUE(fsys.fileExists(t.root / "ipod_control" / "latest" / "RUN.xml"));
    EXPECT_FALSE(fsys.fileExists(t.root / "ipod_control" / "latest"));
    EXPECT_FALSE(fsys.folderExists(t.root / "ipod_control" / "latest" / "run.xml"));
    EXPECT_FALSE(fsys.resolve(t.root / "ipod_control" / "missing" / "run.xml"));
    EXPECT_EQ(Names(fsys.files(t.root / "ipod_control" / "LATEST")), std::vector<std::string>{"Run.xml"});
    EXPECT_EQ(fsys.readFile(t.root / "ipod_control" / "latest" / "run.xml").value(), "x");
}

TEST(FileSystemTest, ListingsSortWithoutCaseThenByBytes)
{
    TempFolder t;
    for (const char* name : {"synched", "latest", "c", "B", "a", "A"})
        fs::create_directory(t.root / name);
    for (const char* name : {"b.xml", "a.xml", "A.xml", "C.xml"})
        Write(t.root / name, "");
    FileSystem fsys;
    EXPECT_EQ(Names(fsys.subfolders(t.root).entries), (std::vector<std::string>{"A", "a", "B", "c", "latest", "synched"}));
    EXPECT_EQ(Names(fsys.files(t.root)), (std::vector<std::string>{"A.xml", "a.xml", "b.xml", "C.xml"}));
    EXPECT_EQ(fsys.files(t.root).front().path, t.root / "A.xml");
    EXPECT_TRUE(fsys.files(t.root / "missing").empty());
}

TEST(FileSystemTest, LinksFifosAndFolders)
{
    TempFolder t;
    fs::create_directory(t.root / "folder");
    fs::create_symlink(t.root / "gone.xml", t.root / "dangling.xml");
    ASSERT_EQ(::mkfifo((t.root / "fifo.xml").c_str(), 0600), 0);
    FileSystem fsys;
    EXPECT_EQ(Names(fsys.files(t.root)), (std::vector<std::string>{"dangling.xml", "fifo.xml"}));
    for (const char* name : {"dangling.xml", "folder", "fifo.xml"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(fsys.fileExists(t.root / name));
    }
    EXPECT_FALSE(fsys.readFile(t.root / "dangling.xml"));

    auto read = std::async(std::launch::async, [&] { return fsys.readFile(t.root / "fifo.xml").ok(); });
    if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "reading a fifo blocked";
        ::close(::open((t.root / "fifo.xml").c_str(), O_WRONLY | O_NONBLOCK));
    }
    EXPECT_FALSE(read.get());
}

TEST(FileSystemTest, WriteFileAtomic)
{
    TempFolder t;
    FileSystem fsys;
    Write(t.root / "w" / "Run.xml", "old");
    ASSERT_TRUE(fsys.writeFileAtomic(t.root / "w" / "Run.xml", "new").ok());
    ASSERT_TRUE(fsys.writeFileAtomic(t.root / "W" / "run.xml", "newer").ok());
    EXPECT_EQ(Names(fsys.files(t.root / "w")), std::vector<std::string>{"Run.xml"});
    EXPECT_EQ(ReadWholeFile(t.root / "w" / "Run.xml"), "newer");

    Write(t.root / "ro" / "Run.xml", "old");
    fs::permissions(t.root / "ro" / "Run.xml", fs::perms::owner_write, fs::perm_options::remove);
    fs::create_directory(t.root / "locked");
    fs::permissions(t.root / "locked", fs::perms::owner_write, fs::perm_options::remove);
    const struct {
        fs::path file;
        const char* reason;
    } refused[] = {
        {t.root / "ro" / "Run.xml", "read-only"},
        {t.root / "locked" / "Run.xml", "read-only"},
        {t.root / "missing" / "Run.xml", "does not exist"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.file.string());
        const Result result = fsys.writeFileAtomic(c.file, "new");
        ASSERT_FALSE(result.ok());
        EXPECT_TRUE(result.error().contains(DisplayPath(c.file))) << result.error().toStdString();
        EXPECT_TRUE(result.error().contains(c.reason)) << result.error().toStdString();
    }
    EXPECT_EQ(ReadWholeFile(t.root / "ro" / "Run.xml"), "old");
    EXPECT_EQ(Names(fsys.files(t.root / "ro")), std::vector<std::string>{"Run.xml"});
    EXPECT_TRUE(fs::is_empty(t.root / "locked"));
}

TEST(FileSystemTest, CopyKeepsSourceTimeAndOverwrites)
{
    TempFolder t;
    FileSystem fsys;
    Write(t.root / "from.xml", "source");
    Write(t.root / "to.xml", "older and longer");
    const fs::file_time_type time = fs::file_time_type::clock::from_sys(
        std::chrono::sys_seconds{std::chrono::sys_days{std::chrono::year{2006} / 9 / 15}});
    fs::last_write_time(t.root / "from.xml", time);
    ASSERT_TRUE(fsys.copyFile(t.root / "FROM.xml", t.root / "to.xml").ok());
    EXPECT_EQ(ReadWholeFile(t.root / "to.xml"), "source");
    EXPECT_EQ(fs::last_write_time(t.root / "to.xml"), time);
    EXPECT_EQ(fsys.lastWriteTime(t.root / "TO.xml"), time);

    const Result missing = fsys.copyFile(t.root / "gone.xml", t.root / "to.xml");
    EXPECT_FALSE(missing.ok());
    EXPECT_TRUE(missing.error().contains("gone.xml"));
    EXPECT_EQ(ReadWholeFile(t.root / "to.xml"), "source");
}

TEST(FileSystemTest, DeleteRemovesReadOnlyFile)
{
    TempFolder t;
    FileSystem fsys;
    Write(t.root / "Run.xml", "x");
    fs::permissions(t.root / "Run.xml", fs::perms::owner_read);
    EXPECT_TRUE(fsys.deleteFile(t.root / "run.xml").ok());
    EXPECT_FALSE(fs::exists(t.root / "Run.xml"));
    EXPECT_FALSE(fsys.deleteFile(t.root / "Run.xml").ok());
}

TEST(FileSystemTest, RenameNeverReplaces)
{
    TempFolder t;
    FileSystem fsys;
    Write(t.root / "a b c.xml", "one");
    Write(t.root / "A B.XML", "two");
    fs::create_directory(t.root / "Folder.xml");
    for (const char* target : {"a b.xml", "A B.XML", "folder.XML"}) {
        SCOPED_TRACE(target);
        const Result result = fsys.renameNoReplace(t.root / "a b c.xml", t.root / target);
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(result.error().contains(DisplayPath(t.root / "a b c.xml"))) << result.error().toStdString();
    }
    EXPECT_EQ(ReadWholeFile(t.root / "a b c.xml"), "one");
    EXPECT_EQ(ReadWholeFile(t.root / "A B.XML"), "two");

    ASSERT_TRUE(fsys.renameNoReplace(t.root / "A B C.xml", t.root / "new.xml").ok());
    EXPECT_FALSE(fs::exists(t.root / "a b c.xml"));
    EXPECT_EQ(ReadWholeFile(t.root / "new.xml"), "one");
}

// Workout names have few letters, so other spellings are looked up one by one instead of listing
// the folder; the outcome must be the listing's.
TEST(FileSystemTest, RenameNeverReplacesAWorkoutNameInAnyCase)
{
    TempFolder t;
    FileSystem fsys;
    Write(t.root / "2006-09-15 10;20;30 copy.xml", "one");
    Write(t.root / "2006-09-15 10;20;30.XmL", "two");
    fs::create_directory(t.root / "2006-09-16 10;20;30.XML");
    fs::create_directory(t.root / "real folder");
    fs::create_directory_symlink(t.root / "real folder", t.root / "2006-09-17 10;20;30.xML");
    Write(t.root / "Track 5.xml", "three");
    const struct {
        const char* target;
        const char* reason;
    } cases[] = {
        {"2006-09-15 10;20;30.xml", "a file of the new name exists"},
        {"2006-09-16 10;20;30.xml", "a folder of the new name exists"},
        {"2006-09-17 10;20;30.xml", "a folder of the new name exists"},
        {"track 5.XML", "a file of the new name exists"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const Result result = fsys.renameNoReplace(t.root / "2006-09-15 10;20;30 copy.xml", t.root / c.target);
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(result.error().contains(QString::fromLatin1(c.reason))) << result.error().toStdString();
    }
    EXPECT_EQ(ReadWholeFile(t.root / "2006-09-15 10;20;30 copy.xml"), "one");
    ASSERT_TRUE(fsys.renameNoReplace(t.root / "2006-09-15 10;20;30 copy.xml", t.root / "2006-09-18 10;20;30.xml").ok());
    EXPECT_EQ(ReadWholeFile(t.root / "2006-09-18 10;20;30.xml"), "one");
}

TEST(FileSystemTest, SetLastWriteTimeTouchesOnlyMtime)
{
    TempFolder t;
    FileSystem fsys;
    const fs::path file = t.root / "Run.xml";
    Write(file, "x");
    const timespec before[2] = {{1000000000, 0}, {1100000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), before, 0), 0);

    const auto when = std::chrono::system_clock::from_time_t(1158315630) + std::chrono::milliseconds(250);
    ASSERT_TRUE(fsys.setLastWriteTime(t.root / "RUN.xml", when));
    struct stat st { };
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_atim.tv_sec, 1000000000);
    EXPECT_EQ(st.st_mtim.tv_sec, 1158315630);
    EXPECT_EQ(st.st_mtim.tv_nsec, 250000000);

    fs::permissions(file, fs::perms::owner_read);
    EXPECT_FALSE(fsys.setLastWriteTime(file, std::chrono::system_clock::from_time_t(0)));
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1158315630);
    EXPECT_FALSE(fsys.setLastWriteTime(t.root / "missing.xml", when));
}

} // namespace
