#include "compose/Restore.h"
#include "compose/Backups.h"
#include "compose/EditWrite.h"
#include "store/Catalogue.h"

#include "StoreFixtures.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace paceforge;
using namespace paceforge::test;

namespace {

const std::string kSensor = "4H7136ZXVSX";
const std::string kRun = "2006-09-15 06;30;00.xml";
const std::string kOriginal = WorkoutXml();
const std::string kChanged = WorkoutXml({.calories = "400"});

class StepClock final : public Clock
{
public:
    QDateTime now() const override { return at = at.addSecs(1); }
    mutable QDateTime at = QDateTime({2026, 12, 8}, {6, 0}, Qt::UTC);
};

// Refuses to write or to delete the files whose paths hold the given texts.
struct FaultyDisk final : FileSystem {
    Result writeFileAtomic(const fs::path& path, std::string_view bytes) override
    {
        if (!refusedWrite.empty() && path.string().find(refusedWrite) != std::string::npos)
            return Result::failure(
                QStringLiteral("Could not write \"%1\": No space left on device.").arg(DisplayPath(path)));
        return FileSystem::writeFileAtomic(path, bytes);
    }
    Result deleteFile(const fs::path& path) override
    {
        if (!refusedDelete.empty() && path.string().find(refusedDelete) != std::string::npos)
            return Result::failure(
                QStringLiteral("Could not delete \"%1\": Read-only file system.").arg(DisplayPath(path)));
        return FileSystem::deleteFile(path);
    }
    std::string refusedWrite;
    std::string refusedDelete;
};

struct Ipod {
    TempStore store;
    QTemporaryDir backupsDir;
    StepClock clock;
    FaultyDisk disk;
    Backups backups{fs::path(backupsDir.path().toStdString()) / "backups-root", clock, disk};

    Ipod()
    {
        fs::create_directories(folder("latest"));
        fs::create_directories(folder("synched"));
    }
    fs::path folder(const std::string& name) const { return store.empeds() / kSensor / name; }
    fs::path file(const std::string& name) const { return folder(name) / kRun; }
    // The record that stands for the run in the catalogue as it is now.
    StoredWorkout current()
    {
        const CatalogueBuild build = BuildCatalogue({"IPOD", store.root(), {}, {}}, disk);
        return build.ipod.workouts.at(build.rows.at(0).workout);
    }
    // As the main window saves a change: latest written, the synched copy removed, each backed up.
    void edit(const std::string& from)
    {
        const EditedFile edited{"IPOD", kSensor, file(from), file("latest"), ReadBytes(file(from))};
        ASSERT_TRUE(WriteEditedWorkout(edited, XmlDocument::fromBytes(kChanged), disk, &backups).written);
    }
    BackupEntry backupFrom(bool latest) const
    {
        for (const BackupEntry& backup : backups.list("IPOD", kSensor, kRun))
            if (backup.fromLatest == latest)
                return backup;
        ADD_FAILURE() << "no backup from " << (latest ? "latest" : "synched");
        return {};
    }
    std::map<fs::path, std::string> files() const { return store.files(); }
};

} // namespace

// The version goes back into the folder it was taken from, and the run is one file again, as it
// was: whichever folder a change or a sync has moved it to since, and whatever the row clicked.
TEST(RestoreTest, PutsTheVersionBackWhereItWasAndSaysWhatItReplaced)
{
    const struct {
        const char* name;
        const char* startsIn; // "synched", "latest" or "both"
        bool synced; // the device moved the changed run from latest to synched after the change
        bool fromLatest; // the backup restored
        bool deletedSince; // the user deleted the run from the iPod
        RestoreReplaced replaced;
        const char* message;
    } cases[] = {
        {"moved to latest by the change", "synched", false, false, false, RestoreReplaced::MovedVersion,
            "in the synched folder; it replaced the changed version in the latest folder, kept as a backup."},
        {"changed in place", "latest", false, true, false, RestoreReplaced::VersionThere,
            "in the latest folder; it replaced the version that stood there, kept as a backup."},
        {"synched by the device after the change", "latest", true, true, false, RestoreReplaced::MovedVersion,
            "in the latest folder; it replaced the changed version in the synched folder, kept as a backup."},
        {"kept in both, the latest copy back", "both", false, true, false, RestoreReplaced::VersionThere,
            "replaced the version that stood there"},
        {"kept in both, the synched copy back", "both", false, false, false, RestoreReplaced::MovedVersion,
            "replaced the changed version in the latest folder"},
        {"deleted since", "synched", false, false, true, RestoreReplaced::Nothing,
            "in the synched folder; no version of the run stood on the iPod, so nothing was replaced."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Ipod ipod;
        const std::string first = c.startsIn == std::string("both") ? "synched" : c.startsIn;
        for (const std::string folder : {"latest", "synched"})
            if (c.startsIn == std::string("both") || c.startsIn == folder)
                ipod.store.add(kSensor, folder, kRun, kOriginal);
        ipod.edit(first);
        const std::string changed = ReadBytes(ipod.file("latest"));
        if (c.synced)
            fs::rename(ipod.file("latest"), ipod.file("synched"));
        StoredWorkout workout = ipod.current();
        if (c.deletedSince)
            fs::remove(workout.fullPath());
        const std::size_t backupsBefore = ipod.backups.list("IPOD", kSensor, kRun).size();

        const auto restored = RestoreBackup(ipod.backupFrom(c.fromLatest), workout, ipod.disk, ipod.backups);
        ASSERT_TRUE(restored.ok()) << restored.error().toStdString();
        EXPECT_EQ(restored->replaced, c.replaced);
        const std::string back = c.fromLatest ? "latest" : "synched";
        EXPECT_EQ(ipod.files(), (std::map<fs::path, std::string>{{ipod.file(back), kOriginal}}));
        const std::size_t kept = c.replaced == RestoreReplaced::Nothing ? 0 : 1;
        const auto after = ipod.backups.list("IPOD", kSensor, kRun);
        ASSERT_EQ(after.size(), backupsBefore + kept);
        if (kept) {
            EXPECT_EQ(ReadBytes(after.front().path), changed) << "the version replaced is kept";
        }
        const QString text = RestoredText(restored.value(), QStringLiteral("2026-12-08 07:00:01"));
        EXPECT_TRUE(text.startsWith(
            "The version of 2026-12-08 07:00:01 is back on the iPod as \"" + QString::fromStdString(kRun) + "\""));
        EXPECT_TRUE(text.contains(c.message)) << text.toStdString();
    }
}

// A failure at any step leaves the iPod as it was and the backups as they were, and names the
// file and the reason.
TEST(RestoreTest, AFailureChangesNothingAndNamesTheFile)
{
    const struct {
        const char* refusedWrite;
        const char* refusedDelete;
        const char* named;
        const char* reason;
    } cases[] = {
        {"backups-root", "", "latest", "No space left on device"}, // the backup of the changed version
        {"Empeds/4H7136ZXVSX/synched", "", "synched", "No space left on device"},
        {"", "Empeds/4H7136ZXVSX/latest", "latest", "Read-only file system"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.named + std::string(" ") + c.reason);
        Ipod ipod;
        ipod.store.add(kSensor, "synched", kRun, kOriginal);
        ipod.edit("synched");
        const auto before = ipod.files();
        const std::size_t backups = ipod.backups.list("IPOD", kSensor, kRun).size();
        ipod.disk.refusedWrite = c.refusedWrite;
        ipod.disk.refusedDelete = c.refusedDelete;

        const auto restored = RestoreBackup(ipod.backupFrom(false), ipod.current(), ipod.disk, ipod.backups);
        ASSERT_FALSE(restored.ok());
        EXPECT_TRUE(restored.error().contains(c.reason)) << restored.error().toStdString();
        EXPECT_TRUE(restored.error().contains(QString::fromStdString(kRun)));
        EXPECT_TRUE(restored.error().contains(QString::fromLatin1(c.named)));
        EXPECT_TRUE(restored.error().endsWith("The workout on the iPod was not changed."));
        EXPECT_EQ(ipod.files(), before);
        ipod.disk.refusedWrite.clear();
        ipod.disk.refusedDelete.clear();
        EXPECT_EQ(ipod.backups.list("IPOD", kSensor, kRun).size(), backups);
    }
}
