#include "compose/DistanceCorrection.h"
#include "compose/Backups.h"
#include "compose/DistanceSeries.h"
#include "compose/FileCleanup.h"
#include "compose/Restore.h"
#include "history/WorkoutHistory.h"
#include "export/ExportFixtures.h"
#include "TestCorpus.h"
#include "workout/SeriesText.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

using namespace paceforge;
using namespace paceforge::test;
namespace fs = std::filesystem;

namespace {

const fs::path kSynchedKm = fs::path("6J2894KLVSX") / "synched" / "2007-06-03 07;12;48.xml";
const fs::path kLatestMiles = fs::path("8P5W31QNVSX") / "latest" / "2009-02-10 07;10;46.xml";
const fs::path kLatestTwin = fs::path("8P5W31QNVSX") / "latest" / "2009-02-07 08;07;36.xml";
const fs::path kSynchedTwin = fs::path("8P5W31QNVSX") / "synched" / "2009-02-07 08;07;36.xml";
const fs::path kWebPage = fs::path("6J2894KLVSX") / "synched" / "2007-10-20 09;14;52.xml";
const fs::path kMilesSummary = fs::path("6J2894KLVSX") / "synched" / "2007-09-09 08;54;57.xml";

class FixedClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime({2026, 12, 9}, {7, 0, 0}, Qt::UTC); }
};

Decimal D(const char* text)
{
    return *Decimal::parsePlain(text);
}

CorrectionFactor Factor(const char* ratio)
{
    return CorrectionFactor::fromRatio(D(ratio)).value();
}

// The texts a correction may change, each replaced by "#": what is left must be the same bytes.
std::string Masked(std::string bytes)
{
    QString text = QString::fromStdString(bytes);
    text.replace(QRegularExpression(R"re((<snapShotList snapShotType="(?:kmSplit|mileSplit)">).*?(</snapShotList>))re",
                     QRegularExpression::DotMatchesEverythingOption),
        QStringLiteral("\\1#\\2"));
    text.replace(QRegularExpression(R"re((<(distance|distanceString|pace)(?: [^>]*)?>)[^<]*(</\2>))re"),
        QStringLiteral("\\1#\\3"));
    text.replace(QRegularExpression(R"re((<extendedData [^>]*>)[^<]*(</extendedData>))re"), QStringLiteral("\\1#\\2"));
    return text.toStdString();
}

std::vector<Decimal> Values(pugi::xml_node node)
{
    return SeriesValues(NodeText(node)).value();
}

pugi::xml_node List(const XmlDocument& document, const char* type)
{
    return document.documentElement().find_child_by_attribute("snapShotList", "snapShotType", type);
}

std::string Text(pugi::xml_node node)
{
    return NodeText(node);
}

// When the series first passes that many kilometres, in milliseconds, between the samples around it.
double TimeAt(const std::vector<Decimal>& km, double target)
{
    for (std::size_t i = 1; i < km.size(); ++i)
        if (km[i].toDouble() >= target) {
            const double a = km[i - 1].toDouble(), b = km[i].toDouble();
            return (static_cast<double>(i - 1) + (target - a) / (b - a)) * 10000.0;
        }
    return -1;
}

struct CorrectionStore : SampleStore {
    QTemporaryDir backupFolder;
    FixedClock clock;
    FileSystem fileSystem;
    Backups backups{backupFolder.path().toStdString(), clock, fileSystem};

    StoredWorkout run(const fs::path& relative) const { return workout(relative); }
};

} // namespace

TEST(DistanceCorrectionTest, ARecordedRunRescaledByOnePointZeroFive)
{
    SampleStore store;
    const std::string original = ReadBytes(store.empeds / kSynchedKm);
    const XmlDocument before = XmlDocument::fromBytes(original);
    const auto corrected = CorrectWorkout(before, Factor("1.05"), "run.xml");
    ASSERT_TRUE(corrected) << corrected.error().toStdString();
    const XmlDocument& after = corrected->document;
    const pugi::xml_node summary = after.documentElement().child("runSummary");

    EXPECT_EQ(Text(summary.child("distance")), "5.4738"); // 5.2131 x 1.05 = 5.473755
    EXPECT_EQ(Text(summary.child("distanceString")), "5.47 km");
    EXPECT_EQ(Text(summary.child("pace")), "5:02 min/km"); // 1656.364 s / 5.4738 km = 302.6 s, cut
    EXPECT_EQ(corrected->newDistanceKm, D("5.4738"));
    EXPECT_EQ(corrected->oldPace, "5:17 min/km");

    // Every sample x 1.05 to four decimals; as many samples, the device's separators.
    const pugi::xml_node oldSeries = before.documentElement().child("extendedDataList").child("extendedData");
    const pugi::xml_node newSeries = after.documentElement().child("extendedDataList").child("extendedData");
    const std::vector<Decimal> oldKm = Values(oldSeries), newKm = Values(newSeries);
    ASSERT_EQ(newKm.size(), oldKm.size());
    for (std::size_t i = 0; i < oldKm.size(); ++i)
        ASSERT_EQ(newKm[i], (oldKm[i] * D("1.05")).rounded(4, Decimal::Rounding::HalfAwayFromZero)) << i;
    EXPECT_TRUE(Text(newSeries).starts_with("0.0, 0.0253, 0.0534, ")) << Text(newSeries).substr(0, 40);

    // A split is the same kilometre or mile after the change: its distance stays as recorded, its
    // time moves as far as the rescaled samples move that distance, and its pace is the device's
    // divided by the factor, never time over distance.
    for (const char* type : {"kmSplit", "mileSplit"}) {
        SCOPED_TRACE(type);
        const auto was = List(before, type).children("snapShot");
        const auto now = List(after, type).children("snapShot");
        ASSERT_EQ(std::distance(was.begin(), was.end()), std::distance(now.begin(), now.end()));
        for (auto o = was.begin(), n = now.begin(); o != was.end(); ++o, ++n) {
            const std::string distance = Text(o->child("distance"));
            EXPECT_EQ(Text(n->child("distance")), distance);
            const double km = std::stod(distance);
            const long long moved = std::stoll(Text(n->child("duration"))) - std::stoll(Text(o->child("duration")));
            EXPECT_NEAR(static_cast<double>(moved), TimeAt(newKm, km) - TimeAt(oldKm, km), 2.0) << distance;
            EXPECT_EQ(std::stoll(Text(n->child("pace"))), std::llround(std::stod(Text(o->child("pace"))) / 1.05));
        }
    }
    // The clicks keep their times; distances are cut to three decimals, paces shrink by the factor.
    const pugi::xml_node click = List(after, "userClick").first_child();
    EXPECT_EQ(Text(click.child("duration")), "795055");
    EXPECT_EQ(Text(click.child("distance")), "2.636"); // 2.511 x 1.05 = 2.63655
    EXPECT_EQ(Text(click.child("pace")), "301596"); // 316676 / 1.05
    const pugi::xml_node stop = click.next_sibling("snapShot");
    EXPECT_EQ(Text(stop.child("distance")), "5.473"); // the new summary distance, cut as the device cuts it

    EXPECT_EQ(Masked(after.toBytes()), Masked(original));
}

TEST(DistanceCorrectionTest, SplitsComeAndGoWithTheDistanceInTheFilesOwnLayout)
{
    SampleStore store;
    const struct {
        fs::path file;
        const char* factor;
        std::size_t km, miles;
        const char* lastMile;
    } cases[] = {
        {kSynchedKm, "1.5", 7, 4, "6.438"}, // older firmware: a line feed after every end tag
        {kSynchedKm, "0.6", 3, 1, "1.61"},
        {kSynchedTwin, "1.2", 11, 7, "11.266"}, // newer firmware: no white space at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.string() + " x " + c.factor);
        const std::string original = ReadBytes(store.empeds / c.file);
        const auto corrected = CorrectWorkout(XmlDocument::fromBytes(original), Factor(c.factor), "run.xml");
        ASSERT_TRUE(corrected) << corrected.error().toStdString();
        const XmlDocument& after = corrected->document;
        const auto splits = [&](const char* type) {
            std::vector<pugi::xml_node> found;
            for (pugi::xml_node split : List(after, type).children("snapShot"))
                found.push_back(split);
            return found;
        };
        ASSERT_EQ(splits("kmSplit").size(), c.km);
        ASSERT_EQ(splits("mileSplit").size(), c.miles);
        EXPECT_EQ(Text(splits("mileSplit").back().child("distance")), c.lastMile);
        const bool lineFeeds = original.find("</snapShot>\n") != std::string::npos;
        const std::string bytes = after.toBytes();
        std::size_t closed = 0;
        for (std::size_t at = 0; (at = bytes.find(lineFeeds ? "</snapShot>\n" : "</snapShot><", at)) != bytes.npos;
             ++at)
            ++closed;
        EXPECT_EQ(closed, c.km + c.miles + List(after, "userClick").select_nodes("snapShot").size());
        EXPECT_EQ(bytes.find("<snapShot/>"), bytes.npos);
        EXPECT_TRUE(ReadWorkoutSummary(XmlDocument::fromBytes(bytes), "run.xml"));
    }
}

TEST(DistanceCorrectionTest, RunsAreSavedAsEditsAndRestoreGivesTheirBytesBack)
{
    CorrectionStore store;
    const auto before = store.snapshot();
    const std::vector<StoredWorkout> runs{store.run(kLatestMiles), store.run(kSynchedKm), store.run(kLatestTwin),
        store.run(kSynchedTwin), store.run(kLatestMiles)};
    int calls = 0;
    const CorrectionPlan plan = PlanCorrection(runs, Factor("1.05"), store.fileSystem, [&](int, int) {
        ++calls;
        return true;
    });
    EXPECT_EQ(calls, 6);
    // The twins are one workout, corrected from the synched copy; the run named twice is planned once.
    ASSERT_EQ(plan.runs.size(), 3u);
    EXPECT_EQ(plan.runs[2].source, store.empeds / kSynchedTwin);
    EXPECT_EQ(plan.runs[2].target, store.empeds / kLatestTwin);
    EXPECT_TRUE(plan.runs[2].signedByDevice);
    EXPECT_EQ(plan.runs[0].oldDistanceKm, D("4.0117"));
    EXPECT_EQ(plan.runs[0].newDistanceKm, D("4.2123"));
    EXPECT_EQ(plan.runs[0].oldPace, "8:56 min/mi");
    EXPECT_EQ(plan.runs[0].newPace, "8:30 min/mi"); // 1336.431 s / 2.6174 mi
    EXPECT_EQ(store.snapshot(), before); // the preview writes nothing

    const CorrectionReport report = ApplyCorrection(plan, store.fileSystem, store.backups);
    EXPECT_TRUE(report.ok());
    EXPECT_EQ(report.done,
        (std::vector<fs::path>{store.empeds / kLatestMiles,
            store.empeds / "6J2894KLVSX" / "latest" / kSynchedKm.filename(), store.empeds / kLatestTwin}));
    EXPECT_FALSE(fs::exists(store.empeds / kSynchedKm));
    EXPECT_FALSE(fs::exists(store.empeds / kSynchedTwin));
    EXPECT_TRUE(
        ReadBytes(store.empeds / kLatestTwin).find("<distance unit=\"km\">9.9333</distance>") != std::string::npos);
    // The twin was signed; its new bytes no longer carry the device's proof, wherever they are read.
    const AlteredSignatures& altered = store.backups.alteredSignatures();
    const auto history = ReadHistory({store.run(kLatestTwin)}, store.fileSystem, nullptr, &altered);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_FALSE(history[0].signedByDevice);
    EXPECT_TRUE(history[0].signatureAltered);
    EXPECT_FALSE(PlanCorrection({store.run(kLatestTwin)}, Factor("1.01"), store.fileSystem, {}, &altered)
                     .runs.at(0)
                     .signedByDevice);

    // Restore gives each file back byte for byte, where it was: the run moved to latest goes back
    // to synched, and its corrected copy is taken out of latest.
    const struct {
        fs::path original;
        fs::path current;
        bool inLatest;
    } restores[] = {{kLatestMiles, kLatestMiles, true},
        {kSynchedKm, fs::path("6J2894KLVSX") / "latest" / kSynchedKm.filename(), false}};
    for (const auto& r : restores) {
        SCOPED_TRACE(r.original.string());
        const std::string sensor = r.original.begin()->string();
        const auto backups = store.backups.list(QStringLiteral("Sample iPod"), sensor, r.original.filename().string());
        const auto taken
            = std::find_if(backups.begin(), backups.end(), [&](auto& b) { return b.fromLatest == r.inLatest; });
        ASSERT_NE(taken, backups.end());
        ASSERT_TRUE(RestoreBackup(*taken, store.workout(r.current), store.fileSystem, store.backups));
        EXPECT_EQ(ReadBytes(store.empeds / r.original),
            before.at(("iPod_Control/Device/Trainer/Workouts/Empeds" / r.original).string()));
        EXPECT_EQ(fs::exists(store.empeds / r.current), r.current == r.original);
    }
}

TEST(DistanceCorrectionTest, AFailureStopsAndNamesTheRunsDoneAndNotDone)
{
    // Fails the write of the one file named.
    struct FailingWrite final : FileSystem {
        Result writeFileAtomic(const fs::path& path, std::string_view bytes) override
        {
            if (path.filename() == failing)
                return Result::failure(QStringLiteral("Could not write \"%1\": No space left on device.")
                                           .arg(QString::fromStdString(path.string())));
            return FileSystem::writeFileAtomic(path, bytes);
        }
        std::string failing = "2008-07-04 07;31;46.xml";
    };
    CorrectionStore store;
    FailingWrite fileSystem;
    Backups backups(store.backupFolder.path().toStdString(), store.clock, fileSystem);
    const fs::path failing = fs::path("8P5W31QNVSX") / "synched" / fileSystem.failing;
    const fs::path changed = fs::path("8P5W31QNVSX") / "synched" / "2009-01-18 10;54;22.xml";
    const fs::path after = fs::path("8P5W31QNVSX") / "synched" / "2008-08-23 19;11;35.xml";
    const std::vector<StoredWorkout> runs{
        store.run(kWebPage), store.run(kLatestMiles), store.run(failing), store.run(after)};
    const CorrectionPlan plan = PlanCorrection(runs, Factor("0.97"), fileSystem);
    ASSERT_EQ(plan.runs.size(), 4u);
    EXPECT_FALSE(plan.runs[0].ready());
    EXPECT_TRUE(plan.runs[0].problem->contains("2007-10-20 09;14;52.xml")) << plan.runs[0].problem->toStdString();

    const CorrectionReport report = ApplyCorrection(plan, fileSystem, backups);
    EXPECT_EQ(report.done, std::vector<fs::path>{store.empeds / kLatestMiles});
    ASSERT_EQ(report.notDone.size(), 3u);
    EXPECT_EQ(report.notDone[0].file, store.empeds / kWebPage);
    EXPECT_TRUE(report.notDone[1].reason.contains("No space left")) << report.notDone[1].reason.toStdString();
    EXPECT_EQ(report.notDone[2].file, store.empeds / after);
    EXPECT_TRUE(report.notDone[2].reason.contains("stopped at")) << report.notDone[2].reason.toStdString();
    EXPECT_TRUE(fs::exists(store.empeds / failing));

    // A file that changes between the preview and the writing is left alone.
    const CorrectionPlan second = PlanCorrection({store.run(changed)}, Factor("0.97"), store.fileSystem);
    std::ofstream(store.empeds / changed, std::ios::app) << "\n";
    const CorrectionReport refused = ApplyCorrection(second, store.fileSystem, store.backups);
    ASSERT_EQ(refused.notDone.size(), 1u);
    EXPECT_TRUE(refused.notDone[0].reason.contains("changed after the preview"))
        << refused.notDone[0].reason.toStdString();
    EXPECT_TRUE(refused.done.empty());
}

// A synched run whose old copy cannot be removed would stand in both folders in two versions: it
// is not corrected, and says why.
TEST(DistanceCorrectionTest, ARunWhoseOldCopyStaysIsNotCorrected)
{
    struct KeepsOneFile final : FileSystem {
        Result deleteFile(const fs::path& path) override
        {
            if (path.filename() == kept && path.parent_path().filename() == "synched")
                return Result::failure(QStringLiteral("Could not delete \"%1\": Read-only file system.")
                                           .arg(QString::fromStdString(path.string())));
            return FileSystem::deleteFile(path);
        }
        std::string kept = kSynchedKm.filename().string();
    };
    CorrectionStore store;
    KeepsOneFile fileSystem;
    Backups backups(store.backupFolder.path().toStdString(), store.clock, fileSystem);
    const auto before = store.snapshot();
    const CorrectionPlan plan = PlanCorrection({store.run(kSynchedKm)}, Factor("1.03"), fileSystem);
    ASSERT_TRUE(plan.runs.at(0).ready());
    const CorrectionReport report = ApplyCorrection(plan, fileSystem, backups);
    EXPECT_FALSE(report.ok());
    EXPECT_TRUE(report.done.empty());
    ASSERT_EQ(report.notDone.size(), 1u);
    EXPECT_TRUE(report.notDone[0].reason.contains("old copy could not be removed"))
        << report.notDone[0].reason.toStdString();
    EXPECT_TRUE(report.notDone[0].reason.contains(QString::fromStdString(kSynchedKm.filename().string())));
    EXPECT_EQ(store.snapshot(), before);
}

TEST(DistanceCorrectionTest, FactorsFromARatioAPercentOrATrueDistance)
{
    const auto fromTrue = CorrectionFactor::fromTrueDistance(D("10"), D("9.6"));
    ASSERT_TRUE(fromTrue);
    EXPECT_EQ(fromTrue->scaled(D("9.6"), 4), D("10")); // exactly, where a rounded factor would miss
    EXPECT_EQ(fromTrue->text(), QStringLiteral("1.0417 (+4.17 %)"));
    EXPECT_EQ(CorrectionFactor::fromPercent(D("96"))->text(), QStringLiteral("0.9600 (-4.00 %)"));
    EXPECT_EQ(CorrectionFactor::fromPercent(D("104"))->scaled(D("5.2131"), 4), D("5.4216"));
    for (const auto& refused : {CorrectionFactor::fromRatio(D("2.5")), CorrectionFactor::fromRatio(D("0.4")),
             CorrectionFactor::fromPercent(D("4")), CorrectionFactor::fromTrueDistance(D("10"), D("0")),
             CorrectionFactor::fromTrueDistance(D("30"), D("10")),
             // Exactly 1 would rewrite every file to change nothing.
             CorrectionFactor::fromRatio(D("1.000")), CorrectionFactor::fromPercent(D("100")),
             CorrectionFactor::fromTrueDistance(D("6.2"), DistanceUnit::Kilometres, D("6.2"))})
        EXPECT_FALSE(refused);
}

namespace {

// Blanks every text the correction owns: the summary's distance, its text and pace, the samples,
// every snapshot's pace and the userClick snapshots' distances.
std::string WithoutOwnedValues(const XmlDocument& document)
{
    XmlDocument copy = document.clone();
    const pugi::xml_node sports = copy.documentElement();
    for (const char* name : {"distance", "distanceString", "pace"})
        SetNodeText(sports.child("runSummary").child(name), "#");
    for (pugi::xml_node data : sports.child("extendedDataList").children("extendedData"))
        SetNodeText(data, "#");
    for (pugi::xml_node list : sports.children("snapShotList"))
        for (pugi::xml_node snapshot : list.children("snapShot")) {
            SetNodeText(snapshot.child("pace"), "#");
            if (std::string_view(list.attribute("snapShotType").value()) == "userClick")
                SetNodeText(snapshot.child("distance"), "#");
        }
    return copy.toBytes();
}

} // namespace

// Every device-like file corrected by 1.0001 and back: each split keeps its distance and time as the
// device recorded them, and every value the correction does not own comes back byte for byte.
TEST(DistanceCorrectionTest, ATinyCorrectionAndBackKeepsWhatTheDeviceRecorded)
{
    SampleStore store;
    std::vector<fs::path> files = WellFormedCorpusDocuments();
    for (const auto& entry : fs::recursive_directory_iterator(store.empeds))
        if (entry.is_regular_file() && entry.path().extension() == ".xml")
            files.push_back(entry.path());
    const CorrectionFactor there = Factor("1.0001");
    const CorrectionFactor back = CorrectionFactor::between(D("1"), D("1.0001"));
    int corrected = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const XmlDocument original = XmlDocument::fromBytes(ReadBytes(file));
        const auto once = CorrectWorkout(original, there, "run.xml");
        if (!once)
            continue; // not a run with a distance: nothing a correction could change
        const auto twice = CorrectWorkout(once->document, back, "run.xml");
        ASSERT_TRUE(twice) << twice.error().toStdString();
        ++corrected;
        EXPECT_EQ(WithoutOwnedValues(twice->document), WithoutOwnedValues(original));
        for (const char* type : {"kmSplit", "mileSplit"}) {
            const auto was = List(original, type).children("snapShot");
            const auto now = List(twice->document, type).children("snapShot");
            ASSERT_EQ(std::distance(was.begin(), was.end()), std::distance(now.begin(), now.end())) << type;
            for (auto o = was.begin(), n = now.begin(); o != was.end(); ++o, ++n) {
                EXPECT_EQ(Text(n->child("duration")), Text(o->child("duration")));
                EXPECT_EQ(Text(n->child("distance")), Text(o->child("distance")));
                // Divided and multiplied again, a whole number can land one off.
                EXPECT_NEAR(std::stod(Text(n->child("pace"))), std::stod(Text(o->child("pace"))), 1.0);
            }
        }
    }
    EXPECT_GE(corrected, 15);
}
