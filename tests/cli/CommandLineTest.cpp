#include "cli/CommandLine.h"
#include "compose/Backups.h"
#include "export/ExportFixtures.h"
#include "history/HistoryTotals.h"
#include "platform/Drives.h"
#include "platform/Version.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTextStream>

#include <fstream>
#include <set>

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
    EXPECT_EQ(list.out.count('\n'), 16);

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
    EXPECT_TRUE(RunCommand({"--help"}).out.contains("--format <tcx|csv|text|json>"));
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
        FolderListing<std::string> fileNames(const fs::path& folder) const override
        {
            if (folder.filename() != "synched" || folder.parent_path().filename() != "6J2894KLVSX")
                return FileSystem::fileNames(folder);
            return {{},
                QStringLiteral("Could not read the folder \"%1\": Permission denied.")
                    .arg(QString::fromStdString(folder.string()))};
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
        EXPECT_TRUE(run.out.contains("02/10/2009") || run.out.contains("Exported 7 workouts")) << run.out.toStdString();
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
    const int code
        = RunCommandLine({"paceforge", "export", "--format", "csv", "--out=" + latin1, "--drive", store.drive.string()},
            o, e, FixedDrives({}), fileSystem);
    EXPECT_EQ(code, 1) << run.err.toStdString(); // the web page in the sample store
    EXPECT_TRUE(fs::exists(fs::path(latin1) / "workouts.csv"));
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path().toStdString()), fs::directory_iterator()), 1);
    fs::remove_all(latin1); // QTemporaryDir cannot spell it
}

namespace {

// The user's cache and data folders, for the history cache and the backups, in a folder of the test's own.
struct UserFolders {
    QTemporaryDir home;
    QByteArray cache = qgetenv("XDG_CACHE_HOME");
    QByteArray data = qgetenv("XDG_DATA_HOME");
    UserFolders()
    {
        qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toLocal8Bit());
        qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
    }
    ~UserFolders()
    {
        qputenv("XDG_CACHE_HOME", cache);
        qputenv("XDG_DATA_HOME", data);
    }
    fs::path backups() const { return fs::path(home.path().toStdString()) / "data" / "Paceforge" / "backups"; }
};

} // namespace

TEST(CommandLineTest, StatsPrintTotalsPerPeriodAsTextCsvAndJson)
{
    SampleStore store;
    UserFolders folders;
    const QString drive = Path(store.drive);
    const auto before = store.snapshot();

    const Outputs text = RunCommand({"stats", "--drive", drive});
    EXPECT_EQ(text.code, 1); // the web page saved under a workout's name
    EXPECT_TRUE(text.err.contains("not counted: \"" + drive)) << text.err.toStdString();
    const QStringList lines = text.out.split('\n');
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[0], "Month      Runs  Distance km  Distance mi       Time  Pace /km  Pace /mi  Calories");
    EXPECT_EQ(lines[11], "2009-02       2        13.47         8.37    1:14:50      5:33      8:56      1010");
    EXPECT_EQ(lines[12], "Total        13        90.73        56.38    8:23:23      5:32      8:55      6475");

    const Outputs csv
        = RunCommand({"stats", "--by", "week", "--since", "2009-01-01", "--format", "csv", "--drive", drive});
    EXPECT_EQ(csv.out,
        "period,first_day,last_day,runs,distance_km,distance_mi,duration_s,pace_s_per_km,pace_s_per_mi,calories\r\n"
        "2009-W03,2009-01-12,2009-01-18,1,7.9236,4.9235,2720.386,343,552,598\r\n"
        "2009-W06,2009-02-02,2009-02-08,1,9.4603,5.8784,3154.019,333,536,710\r\n"
        "2009-W07,2009-02-09,2009-02-15,1,4.0117,2.4928,1336.431,333,536,300\r\n");

    const Outputs json = RunCommand({"stats", "--by", "year", "--since", "2008-07-01", "--until", "2008-12-31",
        "--format", "json", "--drive", drive});
    const QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(root.value("by").toString(), "year");
    EXPECT_EQ(root.value("since").toString(), "2008-07-01");
    const QJsonArray periods = root.value("periods").toArray();
    ASSERT_EQ(periods.size(), 1);
    const QJsonObject year = periods[0].toObject();
    EXPECT_EQ(year.value("period").toString(), "2008");
    EXPECT_EQ(year.value("runs").toInt(), 3);
    EXPECT_DOUBLE_EQ(year.value("distance_km").toDouble(), 23.6236);
    EXPECT_EQ(year.value("pace_s_per_km").toInt(), 332); // 7856.093 s over 23.6236 km, cut
    QJsonObject total = year;
    for (const char* key : {"period", "first_day", "last_day"})
        total.remove(key);
    EXPECT_EQ(root.value("total").toObject(), total);
    EXPECT_EQ(root.value("unreadable").toArray().size(), 1);

    EXPECT_EQ(store.snapshot(), before);
    EXPECT_TRUE(fs::exists(fs::path(folders.home.path().toStdString()) / "cache" / "Paceforge"));
}

TEST(CommandLineTest, CorrectPreviewsThenWritesWithBackups)
{
    SampleStore store;
    UserFolders folders;
    const QString drive = Path(store.drive);
    const auto before = store.snapshot();
    const fs::path latest = store.empeds / "8P5W31QNVSX" / "latest" / "2009-02-10 07;10;46.xml";
    const std::string original = ReadBytes(latest);

    const Outputs preview = RunCommand({"correct", "--factor", "1.04", "--since", "2009-02-09", "--until", "2009-02-10",
        "--dry-run", "--drive", drive});
    EXPECT_EQ(preview.code, 1) << preview.err.toStdString(); // the web page has no date to be left out by
    EXPECT_TRUE(preview.out.startsWith("2009-02-10 07;10;46.xml  2009-02-10 06:48  4.0117 km -> 4.1722 km  "
                                       "8:56 min/mi -> 8:35 min/mi"))
        << preview.out.toStdString();
    EXPECT_TRUE(preview.out.endsWith("Dry run: nothing was written. 1 run would be corrected by 1.0400 (+4.00 %).\n"));
    EXPECT_EQ(store.snapshot(), before);

    const Outputs corrected
        = RunCommand({"correct", "--true-distance", "2.6mi", "--workout", "2009-02-10 07;10;46", "--drive", drive});
    EXPECT_EQ(corrected.code, 0) << corrected.err.toStdString();
    EXPECT_TRUE(corrected.out.contains("Corrected 1 of 1 run by 1.0430 (+4.30 %).")) << corrected.out.toStdString();
    EXPECT_NE(ReadBytes(latest).find("<distanceString>2.60 mi</distanceString>"), std::string::npos);
    const fs::path backups = folders.backups() / "Sample iPod" / "8P5W31QNVSX" / "latest";
    ASSERT_TRUE(fs::is_directory(backups));
    const auto copy = fs::directory_iterator(backups);
    ASSERT_NE(copy, fs::directory_iterator());
    EXPECT_EQ(ReadBytes(copy->path()), original);
    // Nothing else on the iPod changed.
    auto after = store.snapshot();
    after.erase("iPod_Control/Device/Trainer/Workouts/Empeds/8P5W31QNVSX/latest/2009-02-10 07;10;46.xml");
    auto expected = before;
    expected.erase("iPod_Control/Device/Trainer/Workouts/Empeds/8P5W31QNVSX/latest/2009-02-10 07;10;46.xml");
    EXPECT_EQ(after, expected);
}

TEST(CommandLineTest, ExportTakesTheRunsOfADateRange)
{
    SampleStore store;
    UserFolders folders;
    QTemporaryDir out;
    const Outputs run = RunCommand({"export", "--format", "tcx", "--out", out.path(), "--since", "2008-07-01",
        "--until", "2009-01-31", "--drive", Path(store.drive)});
    EXPECT_EQ(run.code, 1); // the web page, named
    EXPECT_TRUE(run.out.endsWith("Exported 4 workouts into 4 files.\n")) << run.out.toStdString();
    EXPECT_TRUE(fs::exists(fs::path(out.path().toStdString()) / "2008-08-23_18-40-27.tcx"));
}

TEST(CommandLineTest, StatsAndCorrectRefuseBadArgumentsWithTwo)
{
    SampleStore store;
    UserFolders folders;
    const QString drive = Path(store.drive);
    const auto before = store.snapshot();
    const struct {
        QStringList arguments;
        const char* message;
    } cases[] = {
        {{"stats", "--by", "fortnight", "--drive", drive}, "\"fortnight\""},
        {{"stats", "--format", "xml", "--drive", drive}, "\"xml\""},
        {{"stats", "--since", "2009-2-1", "--drive", drive}, "YYYY-MM-DD"},
        {{"stats", "--since", "2009-02-30", "--drive", drive}, "\"2009-02-30\" is a day that does not exist"},
        {{"stats", "--until", "2009-13-01", "--drive", drive}, "is a day that does not exist"},
        {{"stats", "--since", "2009-02-02", "--until", "2009-02-01", "--drive", drive}, "before --since"},
        {{"stats", "--factor", "1.1", "--drive", drive}, "stats takes no --factor"},
        {{"export", "--format", "csv", "--out", "x", "--until", "yesterday", "--drive", drive}, "YYYY-MM-DD"},
        {{"correct", "--drive", drive}, "--factor"},
        {{"correct", "--factor", "1.1", "--true-distance", "5", "--workout", "x", "--drive", drive}, "either"},
        {{"correct", "--true-distance", "5", "--drive", drive}, "go together"},
        {{"correct", "--factor", "1,1", "--drive", drive}, "not a number"},
        {{"correct", "--factor", "2.5", "--drive", drive},
            "out of range: a correction factor must lie between 0.5 and 2"},
        {{"correct", "--factor", "1e308", "--drive", drive},
            "\"1e308\" is out of range: a correction factor must lie between 0.5 and 2."},
        {{"correct", "--factor", "1e-400", "--drive", drive}, "out of range"},
        {{"correct", "--factor", "100000000000000000000", "--drive", drive}, "out of range"},
        {{"correct", "--factor", "1.04e0", "--drive", drive}, "a plain decimal of at most 12 decimals"},
        {{"correct", "--factor", "1.0400000000001", "--drive", drive}, "a plain decimal"},
        {{"correct", "--true-distance", "far", "--workout", "x", "--drive", drive}, "not a distance"},
        {{"correct", "--true-distance", "1e308km", "--workout", "x", "--drive", drive}, "out of range"},
        {{"correct", "--true-distance", "5", "--workout", "2001-01-01 00;00;00", "--drive", drive}, "no readable"},
        {{"correct", "--true-distance", "50", "--workout", "2009-02-10 07;10;46", "--drive", drive}, "too far"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const Outputs run = RunCommand(c.arguments);
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    EXPECT_EQ(store.snapshot(), before);
}

// One store gives one number everywhere: a workout kept in both folders counts once, two
// versions of one run count twice, in the list, both exports and the statistics alike.
TEST(CommandLineTest, OneStoreGivesOneNumberEverywhere)
{
    SampleStore store;
    const fs::path sensor = store.empeds / "6J2894KLVSX";
    fs::create_directories(sensor / "latest");
    std::string bytes = ReadBytes(sensor / "synched" / "2007-06-03 07;12;48.xml");
    std::ofstream(sensor / "latest" / "2007-06-03 07;12;48.xml", std::ios::binary)
        << bytes.replace(bytes.find("5.2131"), 6, "5.3131");
    const QString drive = Path(store.drive);
    QTemporaryDir out;

    const Outputs list = RunCommand({"list", "--drive", drive});
    const int listed = static_cast<int>(list.out.count(QRegularExpression(QStringLiteral("\n  \\d\\d/"))));
    const int readable = listed - 1; // the web page saved under a workout's name
    EXPECT_EQ(list.out.count(QStringLiteral("06/03/2007")), 2) << "both versions are listed";

    const Outputs csv = RunCommand({"export", "--format", "csv", "--out", out.path(), "--drive", drive});
    EXPECT_TRUE(csv.out.contains(QStringLiteral("Exported %1 workouts").arg(readable))) << csv.out.toStdString();
    const Outputs tcx = RunCommand({"export", "--format", "tcx", "--out", out.path() + "/tcx", "--drive", drive});
    EXPECT_TRUE(tcx.out.contains(QStringLiteral("Exported %1 workouts").arg(readable))) << tcx.out.toStdString();
    const Outputs stats = RunCommand({"stats", "--by", "year", "--format", "json", "--drive", drive});
    const QJsonObject total = QJsonDocument::fromJson(stats.out.toUtf8()).object().value("total").toObject();
    EXPECT_EQ(total.value("runs").toInt(), readable);
}

// 10 km in 3141.647 s is 505.6 s per mile: every figure of the program cuts it to 8:25, as the
// device cuts the paces it records, where rounding would give 8:26.
TEST(CommandLineTest, OnePaceRuleForTheHistoryTheStatsAndTheExport)
{
    SampleStore sample;
    UserFolders folders;
    QTemporaryDir dir;
    const fs::path drive = fs::path(dir.path().toStdString()) / "Pace iPod";
    const fs::path run = StoreRoot(drive) / "6J2894KLVSX" / "synched" / "2007-06-03 07;12;48.xml";
    fs::create_directories(run.parent_path());
    std::string bytes = ReadBytes(sample.empeds / "6J2894KLVSX" / "synched" / run.filename());
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"<duration>1656364<", "<duration>3141647<"},
             {"\">5.2131<", "\">10.0000<"}}) {
        ASSERT_NE(bytes.find(from), std::string::npos) << from;
        bytes.replace(bytes.find(from), from.size(), to);
    }
    std::ofstream(run, std::ios::binary) << bytes;

    HistoryEntry entry;
    entry.start = ParseStartTime("2007-06-03T06:45:12-04:00").value();
    entry.durationMs = 3141647;
    entry.distanceKm = Decimal::fromInteger(10);
    const std::vector<HistoryEntry> entries{entry};
    const std::vector<std::size_t> all{0};
    const auto miles = DistanceUnit::Miles;
    EXPECT_EQ(ClockText(PaceSeconds(entry.durationMs, entry.distanceKm, miles).value()), "8:25");
    EXPECT_EQ(AveragePaceSeconds(TotalsOf(entries), miles), 505);
    EXPECT_EQ(AveragePaceSeconds(TotalsByPeriod(entries, all, Period::Month).at(0).totals, miles), 505);
    EXPECT_EQ(PaceOverTime(entries, all, miles).at(0).paceSeconds, 505);

    const QString at = Path(drive);
    const Outputs text = RunCommand({"stats", "--drive", at});
    EXPECT_TRUE(text.out.contains(QRegularExpression("\n2007-06 .* 5:14 +8:25 "))) << text.out.toStdString();
    const Outputs csv = RunCommand({"stats", "--format", "csv", "--drive", at});
    EXPECT_TRUE(csv.out.contains(",3141.647,314,505,")) << csv.out.toStdString();
    const Outputs json = RunCommand({"stats", "--format", "json", "--drive", at});
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).object()["total"].toObject()["pace_s_per_mi"].toInt(), 505);

    QTemporaryDir out;
    ASSERT_EQ(RunCommand({"export", "--format", "csv", "--out", out.path(), "--drive", at}).code, 0);
    EXPECT_NE(ReadBytes(fs::path(out.path().toStdString()) / "workouts.csv").find(",5:14,8:25,"), std::string::npos);
}

// The sample iPod mounted at a folder whose name is not its label: a correction made from the
// command line keeps its backup under the name the window shows, where the window finds it.
TEST(CommandLineTest, BackupsOfACorrectionAreFiledUnderTheWindowsNameOfTheVolume)
{
    SampleStore store;
    UserFolders folders;
    class LabelledVolume final : public DriveSource
    {
    public:
        explicit LabelledVolume(fs::path root) : m_root(std::move(root)) { }
        std::vector<Drive> drives() const override { return DrivesOf(mountedVolumes(), {}); }
        std::vector<MountedVolume> mountedVolumes() const override { return {{m_root, "JOHN'S IPOD"}}; }

    private:
        fs::path m_root;
    } platform(store.drive);
    const Drive shown = platform.drives().at(0);
    ASSERT_EQ(shown.id, "JOHN'S IPOD");

    const Outputs run = RunCommand({"correct", "--factor", "1.04", "--since", "2009-02-10", "--until", "2009-02-10",
                                       "--drive", Path(store.drive) + "/"},
        platform);
    EXPECT_EQ(run.code, 1) << run.err.toStdString(); // the web page, which has no date to be left out by
    EXPECT_TRUE(run.out.contains("Corrected 1 of 1 run")) << run.out.toStdString();
    const Clock clock;
    FileSystem fileSystem;
    const Backups backups(StandardBackupsFolder(), clock, fileSystem);
    EXPECT_EQ(backups.list(shown.id, "8P5W31QNVSX", "2009-02-10 07;10;46.xml").size(), 1u);
    EXPECT_TRUE(RunCommand({"list", "--drive", Path(store.drive)}, platform)
                    .out.startsWith("Ipod located on drive 'JOHN'S IPOD'\n"));
}

TEST(CommandLineTest, RecordsOfOneSensorFolderAndADateRange)
{
    SampleStore store;
    UserFolders folders;
    const QString drive = Path(store.drive);
    const auto before = store.snapshot();

    const Outputs text = RunCommand({"records", "--drive", drive});
    EXPECT_EQ(text.code, 1); // the web page saved under a workout's name
    EXPECT_TRUE(text.err.contains("not counted: \"" + drive)) << text.err.toStdString();
    const QStringList lines = text.out.split('\n');
    ASSERT_EQ(lines.size(), 12) << text.out.toStdString();
    EXPECT_EQ(lines[0], "Record                    Value  Pace /km  Pace /mi  Date        Workout");
    EXPECT_EQ(lines[4], "5 km                    26:22.1      5:16      8:29  2007-06-03  2007-06-03 07;12;48.xml");
    EXPECT_EQ(lines[6], "Half marathon                 -");
    EXPECT_EQ(lines[8], "Longest run            13.14 km      5:27      8:46  2008-07-04  2008-07-04 07;31;46.xml");
    EXPECT_EQ(lines[10], "Most runs in a month     2 runs      5:23      8:40  2007-06     12.24 km");

    // The sensor named in small letters; the web page lies in the other folder, so nothing fails.
    const Outputs csv = RunCommand({"records", "--sensor", "8p5w31qnvsx", "--since", "2008-07-01", "--until",
        "2009-01-31", "--format", "csv", "--drive", drive});
    EXPECT_EQ(csv.code, 0) << csv.err.toStdString();
    const QStringList rows = csv.out.split("\r\n");
    ASSERT_EQ(rows.size(), 10) << csv.out.toStdString();
    EXPECT_EQ(rows[0],
        "record,date,period,first_day,last_day,runs,distance_km,duration_s,pace_s_per_km,"
        "pace_s_per_mi,start_in_run_s,sensor,workout");
    EXPECT_EQ(rows[3], "1mi,2008-07-04,,,,,1.6094,508.861,316,508,211.139,8P5W31QNVSX,2008-07-04 07;31;46.xml");
    EXPECT_EQ(rows[7], "longest_week,,2008-W27,2008-06-30,2008-07-06,1,13.1407,4302.512,327,526,,,");

    const Outputs json = RunCommand({"records", "--since", "2009-02-01", "--format", "json", "--drive", drive});
    const QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_TRUE(root.value("sensor").isNull());
    EXPECT_EQ(root.value("since").toString(), "2009-02-01");
    const QJsonObject month = root.value("most_runs_in_a_month").toObject();
    EXPECT_EQ(month.value("period").toString(), "2009-02");
    EXPECT_EQ(month.value("runs").toInt(), 2);
    EXPECT_EQ(month.value("workouts").toArray().size(), 2);
    EXPECT_EQ(root.value("fastest").toArray().size(), 4); // 400 m to 5 km in runs under 10 km
    EXPECT_EQ(root.value("unreadable").toArray().size(), 1);

    for (const auto& [arguments, message] : std::vector<std::pair<QStringList, const char*>>{
             {{"records", "--sensor", "4H7136ZXVSX", "--drive", drive}, "no sensor folder \"4H7136ZXVSX\""},
             {{"records", "--format", "tcx", "--drive", drive}, "\"tcx\""},
             {{"records", "--by", "week", "--drive", drive}, "records takes no --by"},
             {{"list", "--sensor", "8P5W31QNVSX", "--drive", drive}, "list takes no --sensor"},
         }) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Outputs run = RunCommand(arguments);
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(run.err.contains(message)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(store.snapshot(), before);
}

// --sensor takes the runs of one sensor folder in every command, and stats --by sensor sums each
// folder's runs under the name the user gave it.
TEST(CommandLineTest, TheRunsOfOneSensorFolder)
{
    SampleStore store;
    UserFolders folders;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folders.home.path() + "/config");
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Paceforge", "Paceforge");
    settings.setValue("sensors/6j2894klvsx", "Pegasus, 2007");
    settings.sync();
    const QString drive = Path(store.drive);
    const auto before = store.snapshot();

    for (const QStringList& command : {QStringList{"stats"}, QStringList{"correct", "--factor", "1.02"},
             QStringList{"export", "--format", "csv", "--out", "x"}}) {
        SCOPED_TRACE(command.join(' ').toStdString());
        const Outputs run = RunCommand(command + QStringList{"--sensor", "4H7136ZXVSX", "--drive", drive});
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(run.err.contains(
            "no sensor folder \"4H7136ZXVSX\" on the iPod; there are: 6J2894KLVSX (Pegasus, 2007), 8P5W31QNVSX."))
            << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(store.snapshot(), before);

    const Outputs bySensor = RunCommand({"stats", "--by", "sensor", "--format", "csv", "--drive", drive});
    EXPECT_EQ(bySensor.code, 1); // the web page, in the first folder
    const QStringList rows = bySensor.out.split("\r\n");
    ASSERT_EQ(rows.size(), 4) << bySensor.out.toStdString();
    EXPECT_EQ(rows[0],
        "sensor,name,first_run,last_run,runs,distance_km,distance_mi,duration_s,pace_s_per_km,pace_s_per_mi,calories");
    EXPECT_TRUE(rows[1].startsWith("6J2894KLVSX,\"Pegasus, 2007\",2007-06-03,")) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].startsWith("8P5W31QNVSX,,2008-06-14,2009-02-10,")) << rows[2].toStdString();
    // Each folder's line is the total of that folder alone, and the lines add up to the whole.
    const auto total = [&](const QStringList& more) {
        const Outputs run = RunCommand(QStringList{"stats", "--format", "json", "--drive", drive} + more);
        return QJsonDocument::fromJson(run.out.toUtf8()).object().value("total").toObject();
    };
    const QJsonObject whole = total({});
    const QJsonObject first = total({"--sensor", "6j2894klvsx"});
    const QJsonObject second = total({"--sensor", "8P5W31QNVSX"});
    EXPECT_EQ(rows[2].section(',', 4, 4).toInt(), second.value("runs").toInt());
    EXPECT_EQ(rows[2].section(',', 5, 5).toDouble(), second.value("distance_km").toDouble());
    EXPECT_EQ(first.value("runs").toInt() + second.value("runs").toInt(), whole.value("runs").toInt());
    EXPECT_DOUBLE_EQ(first.value("distance_km").toDouble() + second.value("distance_km").toDouble(),
        whole.value("distance_km").toDouble());
    const Outputs text = RunCommand({"stats", "--by", "sensor", "--drive", drive});
    EXPECT_TRUE(
        text.out.contains(QRegularExpression("\n6J2894KLVSX +\\d+ .* 2007-06-03  2008-\\d\\d-\\d\\d  Pegasus, 2007\n")))
        << text.out.toStdString();

    QTemporaryDir out;
    const Outputs exported
        = RunCommand({"export", "--format", "csv", "--out", out.path(), "--sensor", "8P5W31QNVSX", "--drive", drive});
    EXPECT_EQ(exported.code, 0) << exported.err.toStdString();
    EXPECT_TRUE(exported.out.endsWith("Exported 7 workouts into 1 file.\n")) << exported.out.toStdString();

    // Every run of one folder, from the true distance of one of them; the other folder is left alone.
    const Outputs corrected = RunCommand({"correct", "--true-distance", "4.1722", "--workout", "2009-02-10 07;10;46",
        "--sensor", "8P5W31QNVSX", "--since", "2009-01-01", "--drive", drive});
    EXPECT_EQ(corrected.code, 0) << corrected.err.toStdString();
    EXPECT_TRUE(corrected.out.contains("Corrected 3 of 3 runs by 1.0400 (+4.00 %).")) << corrected.out.toStdString();
    std::set<std::string> changed;
    const auto after = store.snapshot();
    for (const auto& [file, bytes] : after)
        if (!before.contains(file) || before.at(file) != bytes)
            changed.insert(file);
    for (const auto& [file, bytes] : before)
        if (!after.contains(file))
            changed.insert(file);
    EXPECT_FALSE(changed.empty());
    for (const std::string& file : changed)
        EXPECT_NE(file.find("/8P5W31QNVSX/"), std::string::npos) << file;
}
