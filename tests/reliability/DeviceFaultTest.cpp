#include "FaultFixtures.h"

#include "platform/XmlDocument.h"
#include "store/iPodScan.h"
#include "workout/WorkoutFormat.h"

#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/mount.h>
#include <unistd.h>

using namespace paceforge;
using namespace paceforge::test;

namespace {

enum class Action { New, EditLatest, EditSynched };

const char* Describe(Action action)
{
    switch (action) {
    case Action::New:
        return "new workout";
    case Action::EditLatest:
        return "edit in latest";
    case Action::EditSynched:
        return "edit from synched";
    }
    return "";
}

// Puts the workout an edit needs where the action wants it.
void Prepare(SensorStore& store, Action action)
{
    if (action == Action::EditLatest)
        store.add("latest", kOldName, WorkoutXml());
    else if (action == Action::EditSynched)
        store.add("synched", kOldName, WorkoutXml());
}

// Fills the entry fields and presses Save, on the screen the action belongs to.
void Save(Window& w, Action action)
{
    if (action != Action::New) {
        w.click("imgExistingWorkout");
        ASSERT_EQ(w.text("tbxCalories"), "312") << "the workout was not loaded";
    }
    w.dialogs.messages.clear();
    w.random.next = {99};
    w.fill("5", "", "30", "0", "150", "300");
    w.click("imgSave");
}

} // namespace

TEST(DeviceFaults, ReadOnlyPlacesRefuseTheSaveAndKeepEveryFile)
{
    struct Case {
        const char* name;
        Action action;
        std::function<fs::path(const SensorStore&)> readOnly;
    };
    const Case cases[] = {
        {"workout file", Action::EditLatest, [](const SensorStore& s) { return s.latest(kOldName); }},
        {"latest folder", Action::EditLatest, [](const SensorStore& s) { return s.latest(); }},
        {"latest folder", Action::EditSynched, [](const SensorStore& s) { return s.latest(); }},
        {"synched folder", Action::New, [](const SensorStore& s) { return s.synched(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " read-only, " + Describe(c.action));
        SensorStore store;
        Prepare(store, c.action);
        Window w({store.drive()});
        const ReadOnly guard(c.readOnly(store));
        const Listing before = store.snapshot();
        Save(w, c.action);
        ASSERT_EQ(w.dialogs.titles(), QStringList{"Save Failed"});
        EXPECT_TRUE(w.dialogs.messages[0].text.contains("read-only")) << w.dialogs.messages[0].text.toStdString();
        EXPECT_EQ(ListingChanges(before, store.snapshot()), "");
        EXPECT_FALSE(w.find<QWidget>("frmWorkoutSaved")->isVisible());
    }
}

TEST(DeviceFaults, ReadOnlyLatestFolderKeepsANewWorkoutInSynchedAndSaysSo)
{
    SensorStore store;
    Window w({store.drive()});
    const ReadOnly guard(store.latest());
    const Listing before = store.snapshot();
    Save(w, Action::New);
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Copy Failed"});
    EXPECT_TRUE(w.dialogs.messages[0].text.contains("synched folder only"));
    const std::string added = store.synched(kNewName).lexically_relative(store.root()).string();
    EXPECT_EQ(ListingChanges(before, store.snapshot()), "added: " + added + "\n");
}

TEST(DeviceFaults, ReadOnlySynchedFolderNeverLosesTheEditedWorkout)
{
    // Moving an edit out of a read-only synched folder: the old copy goes (where the system lets
    // root delete it) or stays with a message; the workout is in latest either way.
    SensorStore store;
    store.add("synched", kOldName, WorkoutXml());
    Window w({store.drive()});
    const ReadOnly guard(store.synched());
    Save(w, Action::EditSynched);
    ASSERT_TRUE(fs::exists(store.latest(kOldName)));
    EXPECT_EQ(NodeText(FindWorkoutNodes(XmlDocument::fromBytes(ReadBytes(store.latest(kOldName)))).calories), "300");
    if (fs::exists(store.synched(kOldName))) {
        EXPECT_EQ(w.dialogs.titles(), QStringList{"Old Copy Kept"});
        EXPECT_EQ(ReadBytes(store.synched(kOldName)), WorkoutXml());
    } else {
        EXPECT_TRUE(w.dialogs.messages.empty());
    }
}

namespace {

std::string SavedCalories(const fs::path& file)
{
    return NodeText(FindWorkoutNodes(XmlDocument::fromBytes(ReadBytes(file))).calories);
}

} // namespace

TEST(DeviceFaults, MissingFoldersAreReportedAndNothingIsWritten)
{
    struct Case {
        const char* missing;
        Action action;
        QString title;
    };
    const Case cases[] = {
        {"synched", Action::New, "Save Failed"},
        {"latest", Action::New, "No Workout Folder"},
        {"latest", Action::EditSynched, "Save Failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.missing) + " missing, " + Describe(c.action));
        SensorStore store;
        Prepare(store, c.action);
        fs::remove_all(c.missing == std::string("latest") ? store.latest() : store.synched());
        Window w({store.drive()});
        const Listing before = store.snapshot();
        Save(w, c.action);
        ASSERT_EQ(w.dialogs.titles(), QStringList{c.title});
        EXPECT_EQ(ListingChanges(before, store.snapshot()), "");
    }
}

TEST(DeviceFaults, WorkoutInLatestIsEditedWithoutASynchedFolder)
{
    SensorStore store;
    store.add("latest", kOldName, WorkoutXml());
    fs::remove_all(store.synched());
    Window w({store.drive()});
    Save(w, Action::EditLatest);
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_EQ(SavedCalories(store.latest(kOldName)), "300");
}

namespace {

// A disk that takes the given number of writes and then reports itself full.
class FillingDisk final : public FileSystem
{
public:
    // Only the iPod fills up; the backups on the computer still go through.
    FillingDisk(int writesLeft, fs::path device) : m_writesLeft(writesLeft), m_device(std::move(device)) { }
    Result writeFileAtomic(const fs::path& path, std::string_view bytes) override
    {
        const bool onDevice = !path.lexically_relative(m_device).string().starts_with("..");
        if (onDevice && m_writesLeft-- <= 0)
            return Result::failure(
                QStringLiteral("Could not write \"%1\": No space left on device.").arg(DisplayPath(path)));
        return FileSystem::writeFileAtomic(path, bytes);
    }

private:
    int m_writesLeft;
    fs::path m_device;
};

} // namespace

TEST(DeviceFaults, FullDeviceKeepsEveryWorkoutAsItWas)
{
    struct Case {
        Action action;
        int writesLeft;
        QString title;
        bool newWorkoutInSynched;
    };
    const Case cases[] = {
        {Action::New, 0, "Save Failed", false},
        {Action::New, 1, "Copy Failed", true},
        {Action::EditLatest, 0, "Save Failed", false},
        {Action::EditSynched, 0, "Save Failed", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(Describe(c.action)) + " with room for " + std::to_string(c.writesLeft) + " writes");
        SensorStore store;
        Prepare(store, c.action);
        FillingDisk disk(c.writesLeft, store.root());
        Window w({store.drive()}, {2006, 9, 15}, &disk);
        const Listing before = store.snapshot();
        Save(w, c.action);
        ASSERT_EQ(w.dialogs.titles(), QStringList{c.title});
        EXPECT_TRUE(w.dialogs.messages[0].text.contains("No space left on device"));
        Listing expected = before;
        if (c.newWorkoutInSynched) {
            ASSERT_TRUE(fs::exists(store.synched(kNewName)));
            EXPECT_EQ(SavedCalories(store.synched(kNewName)), "300");
            expected[store.synched(kNewName).lexically_relative(store.root()).string()]
                = ReadBytes(store.synched(kNewName));
        }
        EXPECT_EQ(ListingChanges(expected, store.snapshot()), "");
    }
}

namespace {

// A drive on a tmpfs of its own, small enough to fill in a moment. Mounting needs root; elsewhere
// the drive stays unmounted and the test skips.
class TinyDrive
{
public:
    TinyDrive() : m_drive(fs::path(m_dir.path().toStdString()) / "IPOD")
    {
        fs::create_directories(m_drive);
        if (::geteuid() != 0)
            return;
        m_mounted = ::mount("tmpfs", m_drive.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=512k,mode=0755") == 0;
        if (!m_mounted)
            m_mountError = std::strerror(errno);
        fs::create_directories(latest());
        fs::create_directories(latest().parent_path() / "synched");
    }
    ~TinyDrive()
    {
        if (m_mounted)
            ::umount2(m_drive.c_str(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    const std::string& mountError() const { return m_mountError; }
    Drive drive() const { return {QStringLiteral("IPOD"), m_drive}; }
    const fs::path& root() const { return m_drive; }
    fs::path latest() const { return m_drive / "iPod_Control/Device/Trainer/Workouts/Empeds" / kSensor / "latest"; }
    fs::path synched() const { return latest().parent_path() / "synched"; }

    // Writes a filler file until the device has no room left, then gives `room` bytes back.
    void fill(off_t room = 0)
    {
        const int fd = ::open((m_drive / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        const std::string block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) { }
        const int error = errno;
        const bool shrunk = ::ftruncate(fd, ::lseek(fd, 0, SEEK_END) - room) == 0;
        ::close(fd);
        ASSERT_EQ(error, ENOSPC);
        ASSERT_TRUE(shrunk);
    }
    void makeRoom() { fs::remove(m_drive / "filler"); }

private:
    QTemporaryDir m_dir;
    fs::path m_drive;
    bool m_mounted = false;
    std::string m_mountError = "not root";
};

} // namespace

TEST(DeviceFaults, FullTmpfsRefusesEverySaveAndLeavesNoTemporaryFile)
{
    // Smaller and larger than what Qt buffers before it writes.
    const std::string large
        = WorkoutXml().insert(WorkoutXml().find("<startTime>"), "<!--" + std::string(100000, 'x') + "-->");
    for (const std::string& workout : {WorkoutXml(), large}) {
        SCOPED_TRACE(workout.size());
        TinyDrive device;
        if (!device.mounted())
            GTEST_SKIP() << "no tmpfs could be mounted: " << device.mountError();
        std::ofstream(device.latest() / kOldName, std::ios::binary) << workout;
        Window w({device.drive()});
        device.fill();
        const Listing before = Snapshot(device.root());

        Save(w, Action::EditLatest);
        ASSERT_EQ(w.dialogs.titles(), QStringList{"Save Failed"});
        EXPECT_TRUE(w.dialogs.messages[0].text.contains(QString::fromStdString(kOldName)));
        EXPECT_TRUE(w.dialogs.messages[0].text.contains("No space left on device"))
            << w.dialogs.messages[0].text.toStdString();
        EXPECT_EQ(ListingChanges(before, Snapshot(device.root())), "");

        w.click("imgNewWorkout");
        Save(w, Action::New);
        ASSERT_EQ(w.dialogs.titles(), QStringList{"Save Failed"});
        EXPECT_EQ(ListingChanges(before, Snapshot(device.root())), "");

        // With room again the same save goes through: the refusals were the full device's.
        device.makeRoom();
        w.click("imgExistingWorkout");
        Save(w, Action::EditLatest);
        EXPECT_TRUE(w.dialogs.messages.empty());
        EXPECT_EQ(SavedCalories(device.latest() / kOldName), "300");
    }
}

// With some room left, the disk takes part of the bytes before it refuses the rest; the message
// must still give the system's reason, and the old file must stay.
TEST(DeviceFaults, TooLittleRoomIsReportedAsNoSpaceAndKeepsTheOldFile)
{
    TinyDrive device;
    if (!device.mounted())
        GTEST_SKIP() << "no tmpfs could be mounted: " << device.mountError();
    std::ofstream(device.latest() / kOldName, std::ios::binary) << WorkoutXml();
    device.fill(64 * 1024);
    const Listing before = Snapshot(device.root());
    FileSystem fileSystem;
    for (const fs::path& file : {device.latest() / kOldName, device.synched() / kNewName}) {
        SCOPED_TRACE(file.string());
        const Result written = fileSystem.writeFileAtomic(file, std::string(256 * 1024, 'x'));
        EXPECT_EQ(written.error().toStdString(),
            QStringLiteral("Could not write \"%1\": No space left on device.").arg(DisplayPath(file)).toStdString());
    }
    EXPECT_EQ(ListingChanges(before, Snapshot(device.root())), "");
}

TEST(DeviceFaults, StoreRemovedBetweenListingAndLoading)
{
    SensorStore store;
    store.add("latest", "2006-09-20 07;15;00.xml", WorkoutXml({.calories = "420"}));
    store.add("synched", kOldName, WorkoutXml());
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    ASSERT_EQ(w.rowCount(), 2);
    fs::remove_all(store.root());

    w.clickRow(1);
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_EQ(w.rowCount(), 0);
    EXPECT_EQ(w.text("cbxiPodDrv"), kNoIPodsFound);
    w.fill("5", "", "30", "0");
    w.click("imgSave");
    EXPECT_EQ(w.dialogs.titles(), QStringList{"No iPods connected"});
    EXPECT_FALSE(fs::exists(store.root()));
}

TEST(DeviceFaults, StoreRemovedBetweenLoadingAndSaving)
{
    struct Case {
        Action action;
        QString title;
    };
    const Case cases[] = {
        {Action::New, "iPod Not Found"},
        {Action::EditLatest, "iPod Not Found"},
        {Action::EditSynched, "iPod Not Found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.action));
        SensorStore store;
        Prepare(store, c.action);
        Window w({store.drive()});
        if (c.action != Action::New)
            w.click("imgExistingWorkout");
        fs::remove_all(store.root());
        w.dialogs.messages.clear();
        w.fill("5", "", "30", "0");
        w.click("imgSave");
        ASSERT_EQ(w.dialogs.titles(), QStringList{c.title});
        EXPECT_FALSE(fs::exists(store.root())) << "the save made folders on a drive that was gone";
        EXPECT_FALSE(w.find<QWidget>("frmWorkoutSaved")->isVisible());
    }
}
