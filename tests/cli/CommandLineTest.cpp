#include "cli/CommandLine.h"
#include "export/ExportFixtures.h"
#include "platform/Drives.h"
#include "platform/Version.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTextStream>

using namespace paceforge;
using namespace paceforge::test;
namespace fs = std::filesystem;

namespace {

class FixedDrives final : public DriveSource
{
public:
    explicit FixedDrives(std::vector<Drive> drives) : m_drives(std::move(drives)) { }
    std::vector<Drive> drives() const override { return m_drives; }

private:
    std::vector<Drive> m_drives;
};

struct Outputs {
    int code = 0;
    QString out, err;
};

Outputs RunCommand(const QStringList& arguments, const DriveSource& drives = FixedDrives({}))
{
    Outputs run;
    QTextStream out(&run.out), err(&run.err);
    FileSystem fileSystem;
    std::vector<std::string> raw{"paceforge"};
    for (const QString& argument : arguments)
        raw.push_back(argument.toStdString());
    run.code = RunCommandLine(raw, out, err, drives, fileSystem);
    return run;
}

QString Path(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

} // namespace

TEST(CommandLineTest, ListAndExportOnlyReadTheStore)
{
    SampleStore store;
    const auto before = store.snapshot();

    const Outputs list = RunCommand({"list", "--drive", Path(store.drive)});
    EXPECT_EQ(list.code, 0) << list.err.toStdString();
    EXPECT_TRUE(list.out.startsWith("Ipod located on drive 'Sample iPod'\n  Date        Time         Synched\n"
                                    "  02/10/2009  07:10:46 am  No\n"))
        << list.out.toStdString();
    EXPECT_TRUE(list.out.contains("  05/17/2008  07:45:10 am  Yes\n")) << list.out.toStdString();
    EXPECT_EQ(list.out.count('\n'), 17);

    QTemporaryDir out;
    const fs::path folder = fs::path(out.path().toStdString()) / "made";
    const Outputs tcx = RunCommand(
        {"export", "--format", "tcx", "--out", Path(folder)}, FixedDrives({{QStringLiteral("E"), store.drive}}));
    EXPECT_EQ(tcx.code, 1);
    EXPECT_TRUE(tcx.err.contains("2007-10-20 09;14;52.xml")) << tcx.err.toStdString();
    EXPECT_EQ(tcx.out.count("Wrote "), 13);
    EXPECT_TRUE(tcx.out.endsWith("Exported 13 workouts into 13 files.\n")) << tcx.out.toStdString();
    EXPECT_TRUE(fs::exists(folder / "2008-05-17_07-04-21.tcx"));

    const Outputs csv = RunCommand({"export", "--format=CSV", "--out", Path(folder), "--drive", Path(store.drive)});
    EXPECT_EQ(csv.code, 1);
    EXPECT_TRUE(fs::exists(folder / "workouts.csv"));

    EXPECT_EQ(store.snapshot(), before);
}

TEST(CommandLineTest, UsageErrorsExitWithTwo)
{
    SampleStore store;
    const QString drive = Path(store.drive);
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{}, "no command"},
        {{"show"}, "unknown command \"show\""},
        {{"list", "--format", "csv"}, "list takes no --format"},
        {{"list", "--frob"}, "frob"},
        {{"export", "--out", "x", "--drive", drive}, "--format"},
        {{"export", "--format", "gpx", "--out", "x", "--drive", drive}, "\"gpx\""},
        {{"export", "--format", "tcx", "--drive", drive}, "--out"},
        {{"list", "--drive", Path(store.empeds)}, "is not an iPod"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const Outputs run = RunCommand(c.arguments);
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(RunCommand({"--version"}).out, QStringLiteral("paceforge " PACEFORGE_VERSION "\n"));
    EXPECT_TRUE(RunCommand({"--help"}).out.contains("--format <tcx|csv>"));
}

TEST(CommandLineTest, OnlyCommandsAndOurOptionsLeaveTheWindowClosed)
{
    for (const QStringList& window : {QStringList(), QStringList{"-platform", "offscreen"}, QStringList{"-style", "x"}})
        EXPECT_FALSE(IsCommandInvocation(QStringList{"paceforge"} + window)) << window.join(' ').toStdString();
    for (const QStringList& command :
        {QStringList{"show"}, QStringList{"-v"}, QStringList{"--drive=/media/IPOD", "list"}})
        EXPECT_TRUE(IsCommandInvocation(QStringList{"paceforge"} + command)) << command.join(' ').toStdString();
}

TEST(CommandLineTest, TheProgramListsWithoutADisplay)
{
    SampleStore store;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(PACEFORGE_PROGRAM), {"list", "--drive", Path(store.drive)});
    // A guard against a hang only: a program waiting for a display fails here instead of holding CI.
    ASSERT_TRUE(program.waitForFinished(120000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(program.readAllStandardOutput().startsWith("Ipod located on drive 'Sample iPod'\n"));
}

TEST(CommandLineTest, AnUnreadableFolderIsNamedAndFailsTheCommand)
{
    // Root reads any folder whatever its permissions: the refusal is made by the disk layer here.
    class UnreadableSynched final : public FileSystem
    {
    public:
        std::vector<std::string> fileNames(const fs::path& folder, QString* problem) const override
        {
            if (folder.filename() != "synched" || folder.parent_path().filename() != "6J2894KLVSX")
                return FileSystem::fileNames(folder, problem);
            if (problem)
                *problem = QStringLiteral("Could not read the folder \"%1\": Permission denied.")
                               .arg(QString::fromStdString(folder.string()));
            return {};
        }
    };
    SampleStore store;
    UnreadableSynched fileSystem;
    QTemporaryDir out;
    for (const QStringList& arguments : {QStringList{"list", "--drive", Path(store.drive)},
             QStringList{"export", "--format", "csv", "--out", out.path(), "--drive", Path(store.drive)}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        Outputs run;
        QTextStream o(&run.out), e(&run.err);
        std::vector<std::string> raw{"paceforge"};
        for (const QString& argument : arguments)
            raw.push_back(argument.toStdString());
        EXPECT_EQ(RunCommandLine(raw, o, e, FixedDrives({}), fileSystem), 1);
        EXPECT_TRUE(run.err.contains("6J2894KLVSX/synched\": Permission denied.")) << run.err.toStdString();
        // What could be read is still listed or exported.
        EXPECT_TRUE(run.out.contains("02/10/2009") || run.out.contains("Exported 8 workouts")) << run.out.toStdString();
    }
}

TEST(CommandLineTest, AFolderNameThatIsNotUtf8IsUsedByteForByte)
{
    SampleStore store;
    QTemporaryDir out;
    const std::string latin1 = out.path().toStdString() + "/caf\xe9";
    Outputs run;
    QTextStream o(&run.out), e(&run.err);
    FileSystem fileSystem;
    const int code = RunCommandLine({"paceforge", "export", "--format", "csv", "--out=" + latin1, "--drive",
                                        store.drive.string()},
        o, e, FixedDrives({}), fileSystem);
    EXPECT_EQ(code, 1) << run.err.toStdString(); // the web page in the sample store
    EXPECT_TRUE(fs::exists(fs::path(latin1) / "workouts.csv"));
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path().toStdString()), fs::directory_iterator()), 1);
    fs::remove_all(latin1); // QTemporaryDir cannot spell it
}
