#include "WindowHarness.h"

#include "export/Csv.h"

#include <QAction>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeView>

using namespace paceforge;
using namespace paceforge::test;

namespace {

const std::string kSensor = "4H7136ZXVSX";

void Trigger(Window& w, const char* action)
{
    auto* found = w.form->findChild<QAction*>(QString::fromLatin1(action));
    ASSERT_NE(found, nullptr) << action;
    found->trigger();
}

std::vector<fs::path> FilesIn(const fs::path& folder)
{
    std::vector<fs::path> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

// A restore puts the chosen version's exact bytes back and keeps the version it replaces.
TEST(WorkoutTools, RestoreBringsBackTheChosenVersion)
{
    TempStore store;
    const std::string original = WorkoutXml();
    const fs::path file = store.add(kSensor, "latest", "2006-08-01 18;05;09.xml", original);
    store.add(kSensor, "latest", "2006-07-01 18;05;09.xml", WorkoutXml({.calories = "5"}));
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    w.type("tbxCalories", "400");
    w.click("imgSave");
    w.click("imgContinue");
    ASSERT_EQ(w.text("tbxCalories"), "400");

    w.clickRow(0);
    w.dialogs.backupChoice = 0;
    Trigger(w, "actRestore");
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Workout Restored"});
    ASSERT_EQ(w.dialogs.backupsOffered.size(), 1u);
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_EQ(FilesIn(w.backupsFolder()).size(), 2u) << "the edited version is kept too";
    EXPECT_EQ(w.text("tbxCalories"), "312") << "the list is read again";
    EXPECT_EQ(store.files().size(), 2u);

    // A workout Paceforge never changed has nothing to restore.
    w.dialogs.messages.clear();
    w.clickRow(1);
    Trigger(w, "actRestore");
    EXPECT_EQ(w.dialogs.titles(), QStringList{"No Backups"});

    Trigger(w, "actShowBackups");
    ASSERT_EQ(w.desktop.opened.size(), 1u);
    EXPECT_TRUE(w.desktop.opened[0].toLocalFile().startsWith(DisplayPath(w.backupsFolder())));
}

// An edit moved the run from synched to latest; its version from before goes back to synched, and
// the edited copy is taken out of latest (and kept), so that the run is one file again.
TEST(WorkoutTools, RestoreMovesAnEditedRunBackWhereItWas)
{
    TempStore store;
    const std::string original = WorkoutXml();
    const fs::path synched = store.add(kSensor, "synched", "2006-08-01 18;05;09.xml", original);
    fs::create_directories(store.empeds() / kSensor / "latest");
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    w.type("tbxCalories", "400");
    w.click("imgSave");
    w.click("imgContinue");
    ASSERT_FALSE(fs::exists(synched));

    w.clickRow(0);
    w.dialogs.backupChoice = 0;
    Trigger(w, "actRestore");
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Workout Restored"});
    EXPECT_TRUE(w.dialogs.messages[0].text.contains("in the synched folder; it replaced the changed version in the "
                                                    "latest folder, kept as a backup."))
        << w.dialogs.messages[0].text.toStdString();
    EXPECT_EQ(store.files(), (std::map<fs::path, std::string>{{synched, original}}));
    EXPECT_EQ(FilesIn(w.backupsFolder()).size(), 2u);
    EXPECT_EQ(w.text("tbxCalories"), "312");
}

// Exports write only outside the iPod, skip what cannot be read and name it, and can be cancelled.
TEST(WorkoutTools, ExportsFromTheListMenu)
{
    TempStore store;
    store.add(kSensor, "latest", "2006-08-01 18;05;09.xml", WorkoutXml());
    store.add(kSensor, "synched", "2006-07-01 18;05;09.xml", WorkoutXml({.time = "2006-07-01T18:05:09-04:00"}));
    store.add(kSensor, "synched", "2006-06-01 18;05;09.xml", "<html><body>saved page</body></html>");
    const auto before = store.files();
    QTemporaryDir out;
    const fs::path folder = out.path().toStdString();
    Window w({store.drive()});
    w.click("imgExistingWorkout");

    ASSERT_EQ(w.rowCount(), 3);
    w.dialogs.folder = out.path();
    Trigger(w, "actExportAllTcx");
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Export Finished"});
    EXPECT_TRUE(w.dialogs.messages[0].text.startsWith("2 of 3 workouts exported"))
        << w.dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(w.dialogs.messages[0].text.contains("2006-06-01 18;05;09.xml"));
    EXPECT_EQ(FilesIn(folder).size(), 2u);

    w.dialogs.saveFile = QString::fromStdString((folder / "runs.csv").string());
    Trigger(w, "actExportAllCsv");
    const std::string csv = ReadBytes(folder / "runs.csv");
    EXPECT_TRUE(csv.starts_with(CsvHeader())) << csv.substr(0, 80);

    w.clickRow(0);
    w.dialogs.messages.clear();
    w.dialogs.saveFile = QString::fromStdString((folder / "one.tcx").string());
    w.dialogs.openFolder = true;
    Trigger(w, "actExportTcx");
    EXPECT_EQ(w.dialogs.suggestedNames.last(), "2006-09-15_06-30-00.tcx");
    EXPECT_TRUE(fs::exists(folder / "one.tcx"));
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Export Finished"});
    EXPECT_EQ(w.dialogs.messages[0].text,
        QStringLiteral("The workout \"2006-08-01 18;05;09.xml\" was exported to \"%1\".").arg(w.dialogs.saveFile));
    EXPECT_TRUE(w.dialogs.messages[0].folderOffered);
    ASSERT_FALSE(w.desktop.opened.empty());
    EXPECT_EQ(w.desktop.opened.back().toLocalFile(), out.path());
    w.dialogs.openFolder = false;

    QTemporaryDir cancelled;
    w.dialogs.messages.clear();
    w.dialogs.folder = cancelled.path();
    w.dialogs.cancelAfter = w.dialogs.progressUpdates + 1;
    Trigger(w, "actExportAllTcx");
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Export Finished"});
    EXPECT_TRUE(w.dialogs.messages[0].text.contains("cancelled"));
    EXPECT_LT(FilesIn(cancelled.path().toStdString()).size(), 2u);

    EXPECT_EQ(store.files(), before);
}

// The pace line and the save agree, down to a tie rounded to the even second and its carry.
TEST(WorkoutTools, PaceLineShowsWhatTheSaveWrites)
{
    struct Case {
        const char* distance;
        bool kilometres;
        const char* minutes;
        const char* seconds;
        const char* line;
        bool tooFast;
    };
    const Case cases[] = {
        {"5", false, "30", "0", "6:00 min/mi \u00B7 3:44 min/km", false},
        {"5", true, "30", "0", "9:39 min/mi \u00B7 6:00 min/km", false},
        {"1", false, "4", "1", "4:01 min/mi \u00B7 2:30 min/km", false},
        {"1", false, "4", "0", "4:00 min/mi \u00B7 2:29 min/km \u2014 too fast", true},
        {"2", false, "11", "59", "6:00 min/mi \u00B7 3:43 min/km", false},
        {"1", false, "0", "45", "0:00 min/mi \u00B7 0:00 min/km", false},
        {"", false, "30", "0", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.distance) + (c.kilometres ? " km in " : " mi in ") + c.minutes + ":" + c.seconds);
        TempStore store;
        fs::create_directories(store.empeds() / kSensor / "latest");
        fs::create_directories(store.empeds() / kSensor / "synched");
        Window w({store.drive()});
        if (c.kilometres)
            w.click("optKilometers");
        w.fill(c.distance, "", c.minutes, c.seconds);
        const auto* line = w.find<QLabel>("lblPace");
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->text(), QString::fromUtf8(c.line));
        EXPECT_EQ(line->styleSheet().contains("color"), c.tooFast);

        w.click("imgSave");
        if (c.tooFast) {
            EXPECT_EQ(w.dialogs.titles(), QStringList{"You're too fast!"});
        } else if (*c.distance) {
            ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
            const std::string saved = ReadBytes(store.empeds() / kSensor / "latest" / "2006-09-15 06;00;00.xml");
            const std::string pace = QString::fromUtf8(c.line).section(u' ', 0, 1).toStdString();
            EXPECT_NE(saved.find("<pace>" + pace + "</pace>"), std::string::npos) << pace;
        }
    }
}

// A loaded run keeps its recorded pace unless its distance or time changes, and the line says so.
TEST(WorkoutTools, PaceLineOfALoadedRunShowsThePaceEveryFigureShows)
{
    // 1800.321 s over 3.1156 mi is 577.84 s per mile: 9:37 as the device cuts it (and as the
    // history and the exports show it), where the save's rounding of a new pace would give 9:38.
    TempStore store;
    store.add(kSensor, "latest", "2006-08-01 18;05;09.xml", WorkoutXml({.distance = "5.0140"}));
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    const auto* line = w.find<QLabel>("lblPace");
    EXPECT_EQ(line->text(), QString::fromUtf8("9:37 min/mi \u00B7 5:59 min/km"));
    w.type("tbxTimeMins", "31");
    EXPECT_EQ(line->text(), QString::fromUtf8("9:57 min/mi \u00B7 6:11 min/km"));
    w.type("tbxTimeMins", "30");
    EXPECT_EQ(line->text(), QString::fromUtf8("9:37 min/mi \u00B7 5:59 min/km"));
}

// Newer firmware signs its workouts; the list says so before an edit takes the proof away.
TEST(WorkoutTools, SignedWorkoutsSayEditingRemovesTheProof)
{
    TempStore store;
    std::string signedBytes = WorkoutXml();
    signedBytes.insert(signedBytes.rfind("</sportsData>"),
        "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignatureValue>AAAA\nBBBB</SignatureValue>"
        "</Signature>");
    store.add(kSensor, "latest", "2006-08-01 18;05;09.xml", signedBytes);
    store.add(kSensor, "latest", "2006-07-01 18;05;09.xml", WorkoutXml());
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    const auto* model = w.find<QTreeView>("ListView1")->model();
    const QString kSigned = "signed by the iPod; editing removes the proof of origin";
    EXPECT_TRUE(model->data(model->index(0, 1), Qt::ToolTipRole).toString().endsWith("\n" + kSigned));
    EXPECT_FALSE(model->data(model->index(1, 1), Qt::ToolTipRole).toString().contains(kSigned));
}

// The Time column is the time in the file's name, which the iPod sets when a run ends; the tooltip
// gives the start the document records.
TEST(WorkoutTools, RowTooltipsGiveTheStartTheDocumentRecords)
{
    TempStore store;
    store.add(kSensor, "latest", "2006-08-01 18;05;09.xml", WorkoutXml({.time = "2006-08-01T17:40:00-04:00"}));
    store.add(kSensor, "latest", "2006-07-01 07;31;00.xml", WorkoutXml({.time = "2006-07-01T07:01:00+02:00"}));
    store.add(kSensor, "latest", "2006-06-01 07;00;00.xml", WorkoutXml({.time = "early in June"}));
    store.add(kSensor, "latest", "2006-05-01 07;00;00.xml", "<html><body>saved page</body></html>");
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    const auto* model = w.find<QTreeView>("ListView1")->model();
    const char* const tips[]
        = {"Start: 2006-08-01 05:40:00 pm (UTC-04:00)", "Start: 2006-07-01 07:01:00 am (UTC+02:00)", nullptr, nullptr};
    ASSERT_EQ(w.rowCount(), 4);
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(w.cell(row, 0).toStdString());
        for (int column = 0; column < 3; ++column) {
            const QVariant tip = model->data(model->index(row, column), Qt::ToolTipRole);
            if (tips[row])
                EXPECT_EQ(tip.toString().toStdString(), tips[row]);
            else
                EXPECT_FALSE(tip.isValid()) << tip.toString().toStdString();
        }
    }
}

// Where the desktop has no program for a page or a folder, the user is shown its path to copy.
TEST(WorkoutTools, PlacesNoProgramOpensAreShownAsPaths)
{
    TempStore store;
    store.add(kSensor, "latest", "2006-08-01 18;05;09.xml", WorkoutXml());
    QTemporaryDir out;
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    w.desktop.opens = false;
    w.dialogs.openFolder = true;
    w.dialogs.saveFile = out.filePath("one.tcx");

    w.click("imgWebsite");
    Trigger(w, "actShowBackups");
    Trigger(w, "actExportTcx");
    const char* const titles[] = {"Help Page", "Backups Folder", "Export Folder"};
    ASSERT_EQ(w.dialogs.pathBoxes.size(), 3u);
    ASSERT_EQ(w.desktop.opened.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(titles[i]);
        EXPECT_EQ(w.dialogs.pathBoxes[i].title, titles[i]);
        EXPECT_EQ(w.dialogs.pathBoxes[i].path, w.desktop.opened[i].toLocalFile());
    }
    EXPECT_TRUE(w.dialogs.pathBoxes[0].path.endsWith("docs/index.html"));
    EXPECT_TRUE(w.dialogs.pathBoxes[1].path.startsWith(DisplayPath(w.backupsFolder())));
    EXPECT_EQ(w.dialogs.pathBoxes[2].path, out.path());
}
