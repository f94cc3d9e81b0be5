#include "platform/Drives.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

// Puts the variable back as it was, so that no other test sees the folders.
struct DrivesVariable {
    const bool had = qEnvironmentVariableIsSet("PACEFORGE_DRIVES");
    const QByteArray old = qgetenv("PACEFORGE_DRIVES");
    ~DrivesVariable() { had ? qputenv("PACEFORGE_DRIVES", old) : qunsetenv("PACEFORGE_DRIVES"); }
};

TEST(DrivesTest, FoldersFromEnvironmentFollowMountedVolumes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("My iPod") && QDir(dir.path()).mkpath("second"));
    const QString first = dir.filePath("My iPod");
    const QString second = dir.filePath("second") + "/";

    const DrivesVariable restore;
    qunsetenv("PACEFORGE_DRIVES");
    const std::vector<Drive> volumes = SystemDrives().drives();
    qputenv("PACEFORGE_DRIVES", (first + QDir::listSeparator() + QDir::listSeparator() + second).toLocal8Bit());
    const std::vector<Drive> all = SystemDrives().drives();
    ASSERT_EQ(all.size(), volumes.size() + 2);
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        EXPECT_EQ(all[i].id, volumes[i].id);
        EXPECT_EQ(all[i].root, volumes[i].root);
    }
    EXPECT_EQ(all[volumes.size()].id, "My iPod");
    EXPECT_EQ(all[volumes.size()].root, fs::path(first.toStdString()));
    EXPECT_EQ(all[volumes.size() + 1].id, "second");
    EXPECT_EQ(all[volumes.size() + 1].root, fs::path(second.toStdString()));
}

TEST(DrivesTest, DriveIdForFolder)
{
    const struct {
        const char* root;
        const char* id;
    } cases[] = {
        {"/x/My iPod/", "My iPod"},
        {"/x/My iPod", "My iPod"},
        {"/media/user/IPOD//", "IPOD"},
        {"relative/card", "card"},
        {"/", "/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root);
        EXPECT_EQ(DriveIdForFolder(c.root), QString::fromUtf8(c.id));
    }
}

// A mount root goes by its volume's label, as the window's selector shows it; any other folder,
// and a volume without a label, by the folder's name.
TEST(DrivesTest, VolumeNameIsTheLabelOfAMountRootElseTheFolderName)
{
    const std::vector<MountedVolume> mounted = {{"/", ""}, {"/media/user/IPOD", "John's iPod"}, {"/mnt/card", ""},
        {"/mnt/stack", "Below"}, {"/mnt/stack", "Top"}};
    const struct {
        const char* root;
        const char* name;
    } cases[] = {
        {"/media/user/IPOD", "John's iPod"},
        {"/media/user/IPOD//", "John's iPod"},
        {"/media/user/./IPOD", "John's iPod"},
        {"/media/user/IPOD/copy", "copy"},
        {"/media/user/ipod", "ipod"},
        {"/mnt/card", "card"},
        {"/mnt/stack", "Top"},
        {"relative/IPOD", "IPOD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root);
        EXPECT_EQ(VolumeName(c.root, mounted), QString::fromUtf8(c.name));
    }
    const std::vector<Drive> drives = DrivesOf(mounted, {"/media/user/IPOD/", "/x/My iPod"});
    ASSERT_EQ(drives.size(), 7u);
    EXPECT_EQ(drives[1].id, "John's iPod");
    EXPECT_EQ(drives[3].id, "Below") << "each mounted volume by its own label";
    EXPECT_EQ(drives[5].id, "John's iPod") << "a folder that is a mount root, as the volume";
    EXPECT_EQ(drives[6].id, "My iPod");
}

} // namespace
