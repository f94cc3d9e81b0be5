#include "export/Exporter.h"
#include "export/Tcx.h"
#include "workout/WorkoutSummary.h"
#include "ExportFixtures.h"
#include "TestCorpus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace paceforge;
using namespace paceforge::test;
namespace fs = std::filesystem;

namespace {

double Number(pugi::xml_node node)
{
    return std::stod(node.text().get());
}

// An RFC 4180 reader for rows without line ends inside fields, to see them as a spreadsheet would.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        rows.emplace_back(1);
        bool quoted = false;
        for (std::size_t i = at; i < end; ++i) {
            if (text[i] == '"' && quoted && text[i + 1] == '"')
                rows.back().back() += text[++i];
            else if (text[i] == '"')
                quoted = !quoted;
            else if (text[i] == ',' && !quoted)
                rows.back().emplace_back();
            else
                rows.back().back() += text[i];
        }
    }
    return rows;
}

Outcome<WorkoutSummary> Read(const std::string& runSummary, const std::string& rest = {})
{
    const std::string bytes = "<sportsData><runSummary>" + runSummary + "</runSummary>" + rest + "</sportsData>";
    return ReadWorkoutSummary(XmlDocument::fromBytes(bytes), "w.xml");
}

} // namespace

TEST(ExportTest, EveryTcxOfTheSampleStoreIsValidAndKeepsTheFilesDistance)
{
    SampleStore store;
    // The copy in synched is made to differ: two workouts of one name, both exported, latest first.
    const fs::path synchedCopy = store.empeds / "8P5W31QNVSX" / "synched" / "2009-02-07 08;07;36.xml";
    std::string bytes = ReadBytes(synchedCopy);
    std::ofstream(synchedCopy, std::ios::binary) << bytes.replace(bytes.find("9.4603"), 6, "9.5603");
    QTemporaryDir out;
    FileSystem fileSystem;
    const ExportReport report = Exporter(fileSystem).exportTcx(store.selection(), out.path().toStdString());

    // 15 listed files, the web page skipped. Identical copies are written once (the command line's test).
    EXPECT_EQ(report.workouts, 14);
    ASSERT_EQ(report.written.size(), 14u);
    ASSERT_EQ(report.skipped.size(), 1u);
    EXPECT_TRUE(report.skipped[0].reason.contains("2007-10-20 09;14;52.xml")) << report.skipped[0].reason.toStdString();

    const struct {
        const char* tcx;
        double meters;
        std::size_t points;
    } expected[] = {
        // A point per sample, and one at the lap's end.
        {"2007-06-03_06-45-12.tcx", 5213.1, 167}, // km
        {"2007-09-09_08-30-05.tcx", 4989.1, 151}, // the summary in miles, the series in km
        {"2008-06-14_07-37-19.tcx", 5002.1, 2}, // no series: the start and the end
        {"2009-02-07_07-15-02.tcx", 9460.3, 317}, // signed, in latest and synched
        {"2009-02-07_07-15-02-2.tcx", 9560.3, 317}, // the synched namesake
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.tcx);
        pugi::xml_document tcx;
        ASSERT_TRUE(tcx.load_file((fs::path(out.path().toStdString()) / e.tcx).c_str()));
        const pugi::xml_node lap = tcx.first_element_by_path("TrainingCenterDatabase/Activities/Activity/Lap");
        EXPECT_DOUBLE_EQ(Number(lap.child("DistanceMeters")), e.meters);
        const auto points = lap.child("Track").children("Trackpoint");
        ASSERT_EQ(static_cast<std::size_t>(std::distance(points.begin(), points.end())), e.points);
        EXPECT_EQ(Number(lap.child("Track").last_child().child("DistanceMeters")), e.meters);
        // The last sample lies below the summary; a series read in the wrong unit would be held at it.
        EXPECT_LT(Number(lap.child("Track").last_child().previous_sibling().child("DistanceMeters")), e.meters);
    }

    if (std::system("xmllint --version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "xmllint is not installed";
    std::string command = "xmllint --noout --schema '" PACEFORGE_TEST_DATA "/TrainingCenterDatabasev2.xsd'";
    for (const fs::path& file : report.written)
        command += " '" + file.string() + "'";
    std::string output(4096, '\0');
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    ASSERT_TRUE(pipe);
    output.resize(fread(output.data(), 1, output.size(), pipe));
    EXPECT_EQ(pclose(pipe), 0) << output;
}

TEST(ExportTest, StartTimesBecomeUtcWithTheFilesOwnOffset)
{
    const struct {
        const char* text;
        const char* utc; // nullptr: unreadable
        const char* tcxName;
    } cases[] = {
        {"2007-07-09T20:37:24-04:00", "2007-07-10T00:37:24Z", "2007-07-09_20-37-24.tcx"},
        {"2024-03-11T08:28:38+02:00", "2024-03-11T06:28:38Z", "2024-03-11_08-28-38.tcx"},
        {"2008-12-31T23:30:00Z", "2008-12-31T23:30:00Z", "2008-12-31_23-30-00.tcx"},
        {"2009-01-01T00:15:00+05:30", "2008-12-31T18:45:00Z", "2009-01-01_00-15-00.tcx"},
        {"2008-02-29T22:00:00-03:00", "2008-03-01T01:00:00Z", "2008-02-29_22-00-00.tcx"},
        {"2007-07-09T20:37:24", nullptr, nullptr},
        {"2007-07-09 20:37:24-04:00", nullptr, nullptr},
        {"2008-02-30T06:00:00-04:00", nullptr, nullptr},
        {"2007-07-09T24:00:00Z", nullptr, nullptr},
        {"2007-07-09T20:37:24+0400", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto summary = Read(std::string("<time>") + c.text + "</time><duration>1000</duration>");
        ASSERT_EQ(summary.ok(), c.utc != nullptr) << summary.error().toStdString();
        if (c.utc) {
            EXPECT_EQ(UtcTimeText(summary->start.utc()).toStdString(), c.utc);
            EXPECT_EQ(TcxFileName(summary.value()).toStdString(), c.tcxName);
        }
    }
}

// The track ends at the lap's totals: never after its end, never above its distance, and its
// distance never goes back.
TEST(ExportTest, TrackEndsAtTheLapsTotals)
{
    const struct {
        long long durationMs;
        const char* km;
        std::vector<const char*> series;
        std::vector<std::pair<const char*, double>> points; // time, metres
    } cases[] = {
        {25400, "0.1", {"0.0", "0.03", "0.07"}, {{"00Z", 0}, {"10Z", 30}, {"20Z", 70}, {"25.400Z", 100}}},
        {25000, "0.07", {"0.0", "0.03", "0.07"}, {{"00Z", 0}, {"10Z", 30}, {"20Z", 70}, {"25Z", 70}}},
        {20000, "0.08", {"0.0", "0.03", "0.07", "0.08"}, {{"00Z", 0}, {"10Z", 30}, {"20Z", 80}}},
        {25000, "0.05", {"0.01", "0.06", "0.04"}, {{"00Z", 10}, {"10Z", 50}, {"20Z", 50}, {"25Z", 50}}},
        {0, "0.0", {"0.0", "0.01"}, {{"00Z", 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.durationMs << " ms, " << c.km << " km");
        WorkoutSummary workout;
        workout.start = *ParseStartTime("2008-06-14T07:37:00Z");
        workout.durationMs = c.durationMs;
        workout.distanceKm = *Decimal::parsePlain(c.km);
        for (const char* value : c.series)
            workout.seriesKm.push_back(*Decimal::parsePlain(value));
        workout.sampleSeconds = Decimal::fromInteger(10);
        pugi::xml_document tcx;
        ASSERT_TRUE(tcx.load_string(TcxDocument(workout).c_str()));
        std::vector<std::pair<std::string, double>> points;
        for (pugi::xml_node point :
            tcx.first_element_by_path("TrainingCenterDatabase/Activities/Activity/Lap/Track").children("Trackpoint"))
            points.emplace_back(
                std::string(point.child("Time").text().get()).substr(17), Number(point.child("DistanceMeters")));
        EXPECT_EQ(points, (std::vector<std::pair<std::string, double>>(c.points.begin(), c.points.end())));
    }
}

TEST(ExportTest, WhatMakesAWorkoutUnreadableAndWhatDoesNot)
{
    const auto failure = [](const std::string& bytes) {
        return ReadWorkoutSummary(XmlDocument::fromBytes(bytes), "w.xml").error().toStdString();
    };
    EXPECT_EQ(failure("<html><br></html>"), "\"w.xml\" is not an XML document.");
    EXPECT_EQ(failure("<html/>"), "\"w.xml\" is not a workout: its document is <html>, not <sportsData>.");
    EXPECT_EQ(Read("<duration>1</duration>").error().toStdString(), "\"w.xml\" has no start time (runSummary/time).");
    EXPECT_EQ(Read("<time>2008-06-14T07:37:19Z</time>").error().toStdString(),
        "\"w.xml\" has no duration (runSummary/duration).");

    const std::string times = "<time>2008-06-14T07:37:19-04:00</time><duration>1708211</duration>";
    const auto blanks = Read(times + "<calories></calories>", "<userInfo><weight/></userInfo>");
    ASSERT_TRUE(blanks.ok());
    EXPECT_FALSE(blanks->calories || blanks->weightKg);

    // A series in miles, blanks around its values, is converted with the program's own factor.
    const auto miles = Read(times + "<distance unit=\"mi\">1.0</distance>",
        "<extendedDataList><extendedData dataType=\"distance\" intervalUnit=\"s\" "
        "intervalValue=\"10\"> 0.0 ,0.5,  1.0 </extendedData></extendedDataList>");
    ASSERT_TRUE(miles.ok());
    ASSERT_EQ(miles->seriesKm.size(), 3u);
    EXPECT_EQ(miles->seriesKm[2], *Decimal::parsePlain("1.6094"));
    EXPECT_EQ(miles->distanceKm, *Decimal::parsePlain("1.6094"));

    const auto damaged = Read(times,
        "<extendedDataList><extendedData intervalValue=\"10\">0.0, x, 0.2"
        "</extendedData></extendedDataList>");
    ASSERT_TRUE(damaged.ok());
    EXPECT_TRUE(damaged->seriesKm.empty());
    EXPECT_NE(TcxDocument(damaged.value()).find("<Time>2008-06-14T12:05:47.211Z</Time>"), std::string::npos);

    EXPECT_TRUE(IsSignedWorkout(XmlDocument::fromFile(kCorpusDocuments / "new-firmware-signed.xml")));
    EXPECT_FALSE(IsSignedWorkout(XmlDocument::fromFile(kCorpusDocuments / "old-firmware.xml")));
    EXPECT_FALSE(IsSignedWorkout(XmlDocument::fromBytes(
        "<sportsData><Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"/><vers/></sportsData>")));
}

TEST(ExportTest, CsvFieldsComeBackAsWritten)
{
    SampleStore store;
    const fs::path synched = store.empeds / "6J2894KLVSX" / "synched";
    const std::string oddName = "2008-03-16 17;45;14 \"race\", 10k.xml";
    fs::copy_file(synched / "2008-03-15 17;45;14.xml", synched / oddName);
    QTemporaryDir out;
    const fs::path file = fs::path(out.path().toStdString()) / "workouts.csv";
    FileSystem fileSystem;
    const ExportReport report = Exporter(fileSystem).exportCsv(store.selection(), file);
    // The workout kept in both folders is one row.
    EXPECT_EQ(report.workouts, 14);
    EXPECT_EQ(report.skipped.size(), 1u);

    const auto rows = ParseCsv(ReadBytes(file));
    ASSERT_EQ(rows.size(), 15u);
    for (const auto& row : rows)
        ASSERT_EQ(row.size(), rows[0].size());
    std::map<std::string, std::vector<std::string>> byFile;
    for (const auto& row : rows)
        byFile[row.back()] = row;
    EXPECT_EQ(byFile[oddName],
        (std::vector<std::string>{"2008-03-15", "17:10:44-04:00", "1999.174", "0:33:19", "6.0244", "3.7434", "5:31",
            "8:54", "", "74.3", "6J2894KLVSX", "Yes", oddName}));
    EXPECT_EQ(byFile["2007-09-09 08;54;57.xml"][5], "3.1000");
    EXPECT_EQ(byFile["2009-02-10 07;10;46.xml"][11], "No");
}

TEST(ExportTest, CancelledOrRefusedExportsLeaveNoHalfWrittenOutput)
{
    SampleStore store;
    const auto before = store.snapshot();
    QTemporaryDir out;
    const fs::path folder = out.path().toStdString();
    FileSystem fileSystem;
    Exporter exporter(fileSystem);
    const auto stopAt = [](int stop) { return [stop](int done, int) { return done < stop; }; };

    const ExportReport tcx = exporter.exportTcx(store.selection(), folder, stopAt(2));
    EXPECT_TRUE(tcx.cancelled);
    EXPECT_EQ(tcx.written.size(), 2u);
    EXPECT_TRUE(exporter.exportCsv(store.selection(), folder / "all.csv", stopAt(5)).cancelled);
    EXPECT_FALSE(fs::exists(folder / "all.csv"));

    // The iPod however it is reached: by its path, a link to it, or another letter case of it.
    fs::create_directory_symlink(store.drive, folder / "link");
    for (const fs::path& target : {store.drive / "exports", folder / "link" / "exports", store.empeds / "X" / "y"}) {
        const ExportReport onIPod = exporter.exportTcx(store.selection(), target);
        ASSERT_TRUE(onIPod.writeError);
        EXPECT_TRUE(onIPod.writeError->contains("does not write onto the iPod")) << onIPod.writeError->toStdString();
    }
    const fs::path synched = store.empeds / "6J2894KLVSX" / "synched";
    EXPECT_FALSE(
        exporter.exportWorkoutTcx(store.catalogue(), synched / "2007-06-03 07;12;48.xml", store.drive / "x.tcx"));
    const fs::path page = synched / "2007-10-20 09;14;52.xml";
    const Result unreadable = exporter.exportWorkoutTcx(store.catalogue(), page, folder / "page.tcx");
    EXPECT_TRUE(unreadable.error().contains("2007-10-20 09;14;52.xml")) << unreadable.error().toStdString();
    EXPECT_FALSE(fs::exists(folder / "page.tcx"));
    EXPECT_EQ(store.snapshot(), before);
}
