#include "WindowHarness.h"

#include "store/WorkoutStore.h"
#include "ui/CorrectDistanceDialog.h"
#include "ui/HistoryModel.h"
#include "ui/HistoryWindow.h"
#include "ui/YearCalendar.h"

#include <QAction>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <set>

using namespace paceforge;
using namespace paceforge::test;

namespace {

const std::string kSensor = "4H7136ZXVSX";

HistoryWindow* History(const Window& w)
{
    return w.form->findChild<HistoryWindow*>(QStringLiteral("historyWindow"));
}

// Lets the window read every slice; the counts of rows seen after each turn of the event loop.
std::vector<int> ReadToTheEnd(HistoryWindow* history)
{
    std::vector<int> seen;
    for (int turn = 0; turn < 10000 && history->reading(); ++turn) {
        QCoreApplication::processEvents();
        seen.push_back(history->model().rowCount());
    }
    return seen;
}

HistoryWindow* OpenHistory(Window& w)
{
    w.form->ShowHistory();
    HistoryWindow* history = History(w);
    if (history)
        ReadToTheEnd(history);
    return history;
}

template <typename T> T* Find(HistoryWindow* history, const char* name)
{
    return history->findChild<T*>(QString::fromLatin1(name));
}

// A column as the table shows it, top to bottom.
QStringList Column(HistoryWindow* history, int column)
{
    const auto* model = Find<QTableView>(history, "tblHistory")->model();
    QStringList cells;
    for (int row = 0; row < model->rowCount(); ++row)
        cells << model->data(model->index(row, column)).toString();
    return cells;
}

// Types a date whole into a date field, as a user does: all its text selected, then the new one.
void TypeDate(HistoryWindow* history, const char* field, const QString& text)
{
    auto* edit = Find<QLineEdit>(history, field);
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

// The rows of a small table of the window, each row's cells joined by " | ".
QStringList Rows(HistoryWindow* history, const char* table)
{
    const auto* model = Find<QTableView>(history, table)->model();
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->data(model->index(row, column)).toString();
        rows << cells.join(" | ");
    }
    return rows;
}

// Three runs whose distances sort differently as text and as numbers, and a file that is no workout.
struct FourFiles {
    FourFiles()
    {
        // The name says the 1st; the document, which the table believes, the 2nd.
        store.add(kSensor, "latest", "2006-08-01 18;05;09.xml",
            WorkoutXml({.time = "2006-08-02T07:10:00-04:00", .distance = "10.2000"}));
        store.add(kSensor, "synched", "2006-07-01 18;05;09.xml",
            WorkoutXml({.time = "2006-07-01T18:05:09-04:00", .distance = "9.8000", .calories = "500"}));
        store.add(kSensor, "synched", "2006-06-01 18;05;09.xml",
            WorkoutXml({.time = "2006-06-01T18:05:09-04:00", .distance = "2.5000", .calories = "100"}));
        store.add(kSensor, "synched", "2006-05-01 18;05;09.xml", "<html><body>saved page</body></html>");
    }
    TempStore store;
};

} // namespace

// The table shows what the documents say, sorts by the numbers, keeps the unreadable file in
// sight whatever the range, and follows the unit.
TEST(HistoryWindow, ListsSortsAndFiltersEveryWorkout)
{
    FourFiles data;
    const auto before = data.store.files();
    Window w({data.store.drive()});
    HistoryWindow* history = OpenHistory(w);
    ASSERT_NE(history, nullptr);
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_EQ(data.store.files(), before) << "the history and its cache write nothing onto the iPod";
    Find<QRadioButton>(history, "optUnitKm")->click();

    EXPECT_EQ(
        Column(history, HistoryModel::Date), QStringList({"2006-08-02", "2006-07-01", "2006-06-01", "unreadable"}));
    EXPECT_EQ(Column(history, HistoryModel::Where), QStringList({"latest", "synched", "synched", "synched"}));
    auto* table = Find<QTableView>(history, "tblHistory");
    EXPECT_TRUE(table->model()->data(table->model()->index(3, 0), Qt::ToolTipRole).toString().contains("2006-05-01"));

    Find<QTableView>(history, "tblHistory")->sortByColumn(HistoryModel::Distance, Qt::AscendingOrder);
    EXPECT_EQ(Column(history, HistoryModel::Distance).mid(0, 3), QStringList({"2.50", "9.80", "10.20"}));
    Find<QRadioButton>(history, "optUnitMiles")->click();
    EXPECT_EQ(Column(history, HistoryModel::Distance).mid(0, 3), QStringList({"1.55", "6.09", "6.34"}));
    // The paces cut to whole seconds, as in the totals, the statistics and the exports.
    EXPECT_EQ(Column(history, HistoryModel::Pace).mid(0, 3), QStringList({"19:18", "4:55", "4:44"}));
    EXPECT_TRUE(table->model()->headerData(HistoryModel::Distance, Qt::Horizontal).toString().contains("mi"));

    Find<QCheckBox>(history, "chkRange")->click();
    TypeDate(history, "dteSince", "2006-06-15");
    TypeDate(history, "dteUntil", "2006-07-01");
    table->sortByColumn(HistoryModel::Date, Qt::DescendingOrder);
    EXPECT_EQ(Column(history, HistoryModel::Date), QStringList({"2006-07-01", "unreadable"}));
    Find<QCheckBox>(history, "chkRange")->click();
    EXPECT_EQ(table->model()->rowCount(), 4);
}

// Totals follow a selection of several rows, and otherwise the runs shown; periods list the same runs.
TEST(HistoryWindow, TotalsOfTheSelectionAndPerPeriod)
{
    FourFiles data;
    Window w({data.store.drive()});
    HistoryWindow* history = OpenHistory(w);
    ASSERT_NE(history, nullptr);
    Find<QRadioButton>(history, "optUnitKm")->click();
    const auto* totals = Find<QLabel>(history, "lblTotals");
    EXPECT_TRUE(totals->text().startsWith("All: 3 runs")) << totals->text().toStdString();
    EXPECT_TRUE(totals->text().contains("22.50 km"));

    auto* table = Find<QTableView>(history, "tblHistory");
    table->selectRow(1);
    table->selectionModel()->select(
        table->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_TRUE(totals->text().startsWith("Selected: 2 runs")) << totals->text().toStdString();
    EXPECT_TRUE(totals->text().contains("12.30 km"));
    EXPECT_TRUE(totals->text().contains("600 cal"));

    auto* periods = Find<QTableView>(history, "tblPeriods");
    Find<QComboBox>(history, "cbxPeriod")->setCurrentIndex(1);
    QStringList months;
    for (int row = 0; row < periods->model()->rowCount(); ++row)
        months << periods->model()->data(periods->model()->index(row, 0)).toString() + " "
                + periods->model()->data(periods->model()->index(row, 2)).toString();
    EXPECT_EQ(months, QStringList({"2006-08 10.20", "2006-07 9.80", "2006-06 2.50"}));
}

// The calendar tab offers the years with runs and names a day's runs in the unit shown.
TEST(HistoryWindow, CalendarShowsTheDaysOfAYear)
{
    FourFiles data;
    Window w({data.store.drive()});
    HistoryWindow* history = OpenHistory(w);
    ASSERT_NE(history, nullptr);
    Find<QRadioButton>(history, "optUnitKm")->click();
    auto* tabs = Find<QTabWidget>(history, "tabCharts");
    tabs->setCurrentWidget(Find<QWidget>(history, "pageCalendar"));
    const auto* years = Find<QComboBox>(history, "cbxCalendarYear");
    ASSERT_EQ(years->count(), 1);
    EXPECT_EQ(years->currentText(), QStringLiteral("2006"));
    const auto* calendar = Find<YearCalendar>(history, "calYear");
    const QPoint day = calendar->cellRect(QDate(2006, 7, 1)).center();
    EXPECT_EQ(calendar->tipAt(day), QStringLiteral("Sat 1 Jul 2006: 1 run, 9.80 km"));
    Find<QRadioButton>(history, "optUnitMiles")->click();
    EXPECT_EQ(calendar->tipAt(day), QStringLiteral("Sat 1 Jul 2006: 1 run, 6.09 mi"));
}

// Exports take the rows selected in the sorted table, name what they cannot read, and write only
// where the user chose.
TEST(HistoryWindow, ExportsTheSelectedRuns)
{
    FourFiles data;
    const auto before = data.store.files();
    QTemporaryDir out;
    Window w({data.store.drive()});
    HistoryWindow* history = OpenHistory(w);
    ASSERT_NE(history, nullptr);
    auto* table = Find<QTableView>(history, "tblHistory");
    table->sortByColumn(HistoryModel::Distance, Qt::AscendingOrder);
    table->selectRow(0); // 2.5 km, run of 1 June
    table->selectionModel()->select(
        table->model()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows); // unreadable

    w.dialogs.folder = out.path();
    Find<QPushButton>(history, "cmdExportTcx")->click();
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Export Finished"});
    EXPECT_TRUE(w.dialogs.messages[0].text.startsWith("1 of 2 workouts exported"))
        << w.dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(w.dialogs.messages[0].text.contains("2006-05-01 18;05;09.xml"));
    EXPECT_TRUE(fs::exists(fs::path(out.path().toStdString()) / "2006-06-01_18-05-09.tcx"));
    EXPECT_EQ(data.store.files(), before);
}

// The reading runs in slices between which the window answers; Cancel stops it where it is, and
// the next opening reads everything.
TEST(HistoryWindow, FillsInSlicesAndCancelStopsIt)
{
    TempStore store;
    constexpr int kFiles = 300;
    for (int i = 0; i < kFiles; ++i) {
        const QDateTime start = QDateTime(QDate(2007, 1, 1), QTime(7, 0)).addSecs(i * 86400LL);
        const std::string time = start.toString("yyyy-MM-ddTHH:mm:ss").toStdString() + "-04:00";
        store.add(kSensor, "synched", start.toString("yyyy-MM-dd HH;mm;ss").toStdString() + ".xml",
            WorkoutXml({.time = time}));
    }
    Window w({store.drive()});
    w.form->ShowHistory();
    HistoryWindow* history = History(w);
    ASSERT_NE(history, nullptr);
    EXPECT_TRUE(history->reading());
    EXPECT_EQ(history->model().rowCount(), 0) << "nothing is read before the window can paint";
    EXPECT_TRUE(Find<QWidget>(history, "prgReading")->isVisible());

    QCoreApplication::processEvents();
    const int partly = history->model().rowCount();
    ASSERT_GT(partly, 0);
    ASSERT_LT(partly, kFiles);
    Find<QPushButton>(history, "cmdCancelReading")->click();
    EXPECT_FALSE(history->reading());
    QCoreApplication::processEvents();
    EXPECT_EQ(history->model().rowCount(), partly);
    EXPECT_FALSE(Find<QWidget>(history, "prgReading")->isVisible());
    EXPECT_TRUE(Find<QLabel>(history, "lblReading")->text().startsWith("Stopped"));

    w.form->ShowHistory();
    const std::vector<int> seen = ReadToTheEnd(history);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), kFiles);
    EXPECT_GE(std::set<int>(seen.begin(), seen.end()).size(), 3u) << "the rows arrive a slice at a time";
}

// The button, the list's menu and Ctrl+H open one window, which keeps its size for next time.
TEST(HistoryWindow, OpensFromTheMainWindowAndKeepsItsSize)
{
    FourFiles data;
    Window w({data.store.drive()});
    EXPECT_EQ(w.find<QWidget>("imgHistory")->toolTip(), "History (Ctrl+H)");
    w.click("imgHistory");
    HistoryWindow* history = History(w);
    ASSERT_NE(history, nullptr);
    EXPECT_TRUE(history->isVisible());
    history->close();

    w.click("imgExistingWorkout");
    w.form->findChild<QAction*>("actShowHistory")->trigger();
    EXPECT_TRUE(history->isVisible());
    history->resize(1100, 640);
    const QSize chosen = history->size();
    history->close();
    w.activate();
    w.press(Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(history->isVisible());
    EXPECT_EQ(w.form->findChildren<HistoryWindow*>().size(), 1);
    history->close();

    Backups backups(w.backupsFolder(), w.clock, w.realFileSystem);
    WorkoutStore store;
    HistoryWindow another({store, w.dialogs, w.realFileSystem, w.desktop, backups});
    EXPECT_EQ(another.size(), chosen);
}

namespace {

// The iPod refuses to take the new bytes of one workout file; its backups are written as usual.
class RefusingFile final : public FileSystem
{
public:
    Result writeFileAtomic(const fs::path& path, std::string_view bytes) override
    {
        if (path.filename() == refused)
            return Result::failure(QStringLiteral("Could not write \"%1\": disk full.").arg(DisplayPath(path)));
        return FileSystem::writeFileAtomic(path, bytes);
    }
    std::string refused;
};

CorrectDistanceDialog* OpenCorrection(HistoryWindow* history, std::initializer_list<int> rows)
{
    auto* table = Find<QTableView>(history, "tblHistory");
    table->clearSelection();
    for (int row : rows)
        table->selectionModel()->select(
            table->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Find<QPushButton>(history, "cmdCorrectDistance")->click();
    return history->findChild<CorrectDistanceDialog*>(QStringLiteral("dlgCorrectDistance"));
}

QStringList PreviewRows(CorrectDistanceDialog* dialog)
{
    const auto* preview = dialog->findChild<QTableWidget*>(QStringLiteral("tblPreview"));
    QStringList rows;
    for (int row = 0; row < preview->rowCount(); ++row) {
        QStringList cells;
        for (int column = 1; column <= 4; ++column)
            cells << (preview->item(row, column) ? preview->item(row, column)->text() : QString());
        rows << cells.join(' ');
    }
    return rows;
}

} // namespace

// The preview shows each run's old and new figures and writes nothing; Apply rewrites the runs,
// each backed up first, and the table shows the new distances. A restore brings the old bytes back.
TEST(HistoryWindow, CorrectsDistancesOnlyAfterThePreviewIsApplied)
{
    FourFiles data;
    const auto before = data.store.files();
    const fs::path latest = data.store.empeds() / kSensor / "latest" / "2006-08-01 18;05;09.xml";
    Window w({data.store.drive()});
    HistoryWindow* history = OpenHistory(w);
    ASSERT_NE(history, nullptr);
    Find<QRadioButton>(history, "optUnitKm")->click();
    CorrectDistanceDialog* dialog = OpenCorrection(history, {0, 1});
    ASSERT_NE(dialog, nullptr);

    QTest::keyClicks(dialog->findChild<QLineEdit*>("tbxPercent"), "104");
    EXPECT_EQ(PreviewRows(dialog), QStringList({"10.20 10.61 2:56 2:49", "9.80 10.19 3:03 2:56"}));
    // 10.29 km for the run that recorded 9.80: every run 5 % longer.
    dialog->findChild<QComboBox*>("cbxReferenceRun")->setCurrentIndex(1);
    QTest::keyClicks(dialog->findChild<QLineEdit*>("tbxTrueDistance"), "10.29");
    EXPECT_EQ(PreviewRows(dialog), QStringList({"10.20 10.71 2:56 2:48", "9.80 10.29 3:03 2:54"}));
    EXPECT_EQ(data.store.files(), before) << "the preview writes nothing";
    EXPECT_TRUE(w.dialogs.messages.empty());

    dialog->findChild<QPushButton*>("cmdApply")->click();
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Distances Corrected"}) << w.dialogs.messages[0].text.toStdString();
    EXPECT_NE(ReadBytes(latest).find("<distance unit=\"km\">10.7100</distance>"), std::string::npos);
    EXPECT_FALSE(fs::exists(data.store.empeds() / kSensor / "synched" / "2006-07-01 18;05;09.xml"))
        << "a corrected run moves to latest, as an edit does";
    ReadToTheEnd(history);
    history->findChild<QTableView*>("tblHistory")->sortByColumn(HistoryModel::Date, Qt::DescendingOrder);
    EXPECT_EQ(Column(history, HistoryModel::Distance).mid(0, 3), QStringList({"10.71", "10.29", "2.50"}));

    w.dialogs.messages.clear();
    w.dialogs.backupChoice = 0;
    Find<QTableView>(history, "tblHistory")->selectRow(0);
    Find<QAction>(history, "actHistoryRestore")->trigger(); // the table's context menu
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Workout Restored"});
    EXPECT_EQ(ReadBytes(latest), before.at(latest));
    EXPECT_TRUE(w.dialogs.messages[0].text.contains("in the latest folder; it replaced the version that stood there"));

    // The run the correction moved to latest goes back to synched, and is one file again.
    const fs::path synched = data.store.empeds() / kSensor / "synched" / "2006-07-01 18;05;09.xml";
    ReadToTheEnd(history);
    w.dialogs.messages.clear();
    EXPECT_EQ(w.dialogs.backupUnit, DistanceUnit::Kilometres);
    Find<QRadioButton>(history, "optUnitMiles")->click(); // the backups' distances follow the switch
    Find<QTableView>(history, "tblHistory")->selectRow(1);
    Find<QPushButton>(history, "cmdRestore")->click();
    EXPECT_EQ(w.dialogs.backupUnit, DistanceUnit::Miles);
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Workout Restored"});
    EXPECT_TRUE(w.dialogs.messages[0].text.contains(
        "in the synched folder; it replaced the changed version in the latest folder, kept as a backup."))
        << w.dialogs.messages[0].text.toStdString();
    EXPECT_EQ(ReadBytes(synched), before.at(synched));
    EXPECT_FALSE(fs::exists(data.store.empeds() / kSensor / "latest" / synched.filename()));
}

// A run that cannot be written stops the correction; the message names what was done and what not.
TEST(HistoryWindow, AFailedCorrectionNamesTheRunsDoneAndNotDone)
{
    FourFiles data;
    RefusingFile disk;
    disk.refused = "2006-07-01 18;05;09.xml";
    Window w({data.store.drive()}, {2006, 9, 15}, &disk);
    HistoryWindow* history = OpenHistory(w);
    ASSERT_NE(history, nullptr);
    CorrectDistanceDialog* dialog = OpenCorrection(history, {0, 1, 2});
    ASSERT_NE(dialog, nullptr);
    QTest::keyClicks(dialog->findChild<QLineEdit*>("tbxPercent"), "96");
    dialog->findChild<QPushButton*>("cmdApply")->click();

    ASSERT_EQ(w.dialogs.titles(), QStringList{"Correction Stopped"});
    const QString text = w.dialogs.messages[0].text;
    const QString done = text.section("Not corrected:", 0, 0);
    const QString notDone = text.section("Not corrected:", 1);
    EXPECT_TRUE(done.contains("2006-08-01 18;05;09.xml")) << text.toStdString();
    EXPECT_TRUE(notDone.contains("2006-07-01 18;05;09.xml")) << text.toStdString();
    EXPECT_TRUE(notDone.contains("2006-06-01 18;05;09.xml")) << text.toStdString();
    EXPECT_NE(ReadBytes(data.store.empeds() / kSensor / "synched" / "2006-06-01 18;05;09.xml").find("2.5000"),
        std::string::npos);
}

// The history is told of every change the main window makes: after an edit moved a run from synched
// to latest with a new distance, a correction from the open history acts on the edited file.
TEST(HistoryWindow, ActsOnTheFileAsTheMainWindowLeftIt)
{
    TempStore store;
    const fs::path synched = store.add(kSensor, "synched", "2006-07-01 18;05;09.xml",
        WorkoutXml({.time = "2006-07-01T18:05:09-04:00", .distance = "5.0000"}));
    fs::create_directories(store.empeds() / kSensor / "latest");
    const fs::path latest = store.empeds() / kSensor / "latest" / "2006-07-01 18;05;09.xml";
    Window w({store.drive()});
    HistoryWindow* history = OpenHistory(w);
    ASSERT_NE(history, nullptr);
    Find<QRadioButton>(history, "optUnitKm")->click();

    w.click("imgExistingWorkout");
    w.click("optKilometers");
    w.fill("6", "", "30", "0");
    w.click("imgSave");
    ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
    ASSERT_FALSE(fs::exists(synched));
    ReadToTheEnd(history);
    ASSERT_EQ(history->model().rowCount(), 1);
    EXPECT_EQ(history->model().entry(0).file.fullPath(), latest);

    CorrectDistanceDialog* dialog = OpenCorrection(history, {0});
    ASSERT_NE(dialog, nullptr);
    QTest::keyClicks(dialog->findChild<QLineEdit*>("tbxTrueDistance"), "6.3");
    dialog->findChild<QPushButton*>("cmdApply")->click();
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Distances Corrected"}) << w.dialogs.messages[0].text.toStdString();
    EXPECT_NE(ReadBytes(latest).find("<distance unit=\"km\">6.3000</distance>"), std::string::npos);
    EXPECT_FALSE(fs::exists(synched));
}

// "Every run of the sensor" corrects the runs of the sensor chosen in the range, whichever run is
// selected, and leaves the other sensor's runs as they were.
TEST(HistoryWindow, CorrectsEveryRunOfTheChosenSensor)
{
    TempStore store;
    const std::string other = "8P5W31QNVSX";
    store.add(kSensor, "latest", "2006-07-01 18;05;09.xml",
        WorkoutXml({.time = "2006-07-01T18:05:09-04:00", .distance = "5.0000"}));
    const fs::path first = store.add(other, "latest", "2006-07-02 18;05;09.xml",
        WorkoutXml({.time = "2006-07-02T18:05:09-04:00", .distance = "6.0000"}));
    const fs::path second = store.add(other, "latest", "2006-07-03 18;05;09.xml",
        WorkoutXml({.time = "2006-07-03T18:05:09-04:00", .distance = "7.0000"}));
    const auto before = store.files();
    Window w({store.drive()});
    HistoryWindow* history = OpenHistory(w);
    ASSERT_NE(history, nullptr);
    Find<QRadioButton>(history, "optUnitKm")->click();
    history->findChild<QTableView*>("tblHistory")->sortByColumn(HistoryModel::Date, Qt::AscendingOrder);

    CorrectDistanceDialog* dialog = OpenCorrection(history, {0});
    ASSERT_NE(dialog, nullptr);
    auto* sensor = dialog->findChild<QComboBox*>("cbxSensor");
    ASSERT_EQ(sensor->count(), 2);
    EXPECT_EQ(sensor->currentData().toString().toStdString(), kSensor) << "the selected run's sensor first";
    sensor->setCurrentIndex(sensor->findData(QString::fromStdString(other)));
    dialog->findChild<QRadioButton*>("optSensorRuns")->click();
    QTest::keyClicks(dialog->findChild<QLineEdit*>("tbxPercent"), "110");
    QStringList rows = PreviewRows(dialog);
    rows.sort();
    EXPECT_EQ(rows, QStringList({"6.00 6.60 5:00 4:32", "7.00 7.70 4:17 3:53"}));
    const auto* preview = dialog->findChild<QTableWidget*>("tblPreview");
    const QString name = preview->item(preview->item(0, 1)->text() == "6.00" ? 0 : 1, 0)->text();
    EXPECT_TRUE(name.endsWith("  2006-07-02 18;05;09.xml")) << name.toStdString();
    EXPECT_TRUE(name.startsWith(QLocale(QLocale::English, QLocale::UnitedStates)
                                    .toString(QDateTime({2006, 7, 2}, {18, 5, 9}), QLocale::ShortFormat)))
        << name.toStdString();

    dialog->findChild<QPushButton*>("cmdApply")->click();
    ASSERT_EQ(w.dialogs.titles(), QStringList{"Distances Corrected"});
    EXPECT_TRUE(w.dialogs.messages[0].text.contains("  " + name)) << "named as the preview names it";
    auto after = store.files();
    EXPECT_NE(after.at(first), before.at(first));
    EXPECT_NE(after.at(second), before.at(second));
    after.erase(first);
    after.erase(second);
    auto untouched = before;
    untouched.erase(first);
    untouched.erase(second);
    EXPECT_EQ(after, untouched);
}

namespace {

QCategoryAxis* PaceAxisOf(HistoryWindow* history, const char* view)
{
    const auto axes = Find<QChartView>(history, view)->chart()->axes(Qt::Vertical);
    return axes.isEmpty() ? nullptr : qobject_cast<QCategoryAxis*>(axes.front());
}

} // namespace

// A sensor that barely moved gives paces of days per mile; the charts still open at once, with a
// handful of labels on an axis that holds the slowest pace.
TEST(HistoryWindow, AbsurdPacesGiveAHandfulOfAxisLabels)
{
    TempStore store;
    store.add(kSensor, "synched", "2006-08-01 07;00;00.xml", WorkoutXml({.time = "2006-08-01T07:00:00-04:00"}));
    // 1.3 m in an hour, and 0.1 m in a hundred hours.
    store.add(kSensor, "synched", "2006-08-02 07;00;00.xml",
        WorkoutXml({.time = "2006-08-02T07:00:00-04:00", .distance = "0.0013", .duration = "3600000"}));
    store.add(kSensor, "synched", "2006-08-03 07;00;00.xml",
        WorkoutXml({.time = "2006-08-03T07:00:00-04:00",
            .distance = "0.0001",
            .duration = "360000000",
            .series = "0.0, 0.0001, 0.0001, 0.0001, 0.0001, 0.0001, 0.0001, 0.0001, 0.0002"}));
    Window w({store.drive()});
    HistoryWindow* history = OpenHistory(w);
    ASSERT_NE(history, nullptr);
    auto* table = Find<QTableView>(history, "tblHistory");
    table->sortByColumn(HistoryModel::Date, Qt::DescendingOrder);
    table->selectRow(0);

    const struct {
        const char* view;
        double slowest; // seconds per mile
    } charts[] = {{"chartPace", 3.6e9}, {"chartRunPace", 9.6e5}};
    for (const auto& c : charts) {
        SCOPED_TRACE(c.view);
        const QCategoryAxis* axis = PaceAxisOf(history, c.view);
        ASSERT_NE(axis, nullptr);
        EXPECT_GE(axis->count(), 2);
        EXPECT_LE(axis->count(), 8);
        EXPECT_TRUE(std::isfinite(axis->min()) && std::isfinite(axis->max()));
        EXPECT_GE(axis->max(), c.slowest);
    }
}

// A date typed whole is the date typed; text that is no date is refused in sight and changes
// nothing; a range that holds no run says so.
TEST(HistoryWindow, TypedDatesMeanWhatWasTyped)
{
    FourFiles data;
    Window w({data.store.drive()});
    HistoryWindow* history = OpenHistory(w);
    ASSERT_NE(history, nullptr);
    auto* table = Find<QTableView>(history, "tblHistory");
    Find<QCheckBox>(history, "chkRange")->click();
    // The fields offer the runs' own range: a sectioned field would keep 2006 of "2006-06-01".
    TypeDate(history, "dteSince", "2006-07-01");
    TypeDate(history, "dteUntil", "2006-08-02");
    EXPECT_EQ(Column(history, HistoryModel::Date), QStringList({"2006-08-02", "2006-07-01", "unreadable"}));
    EXPECT_EQ(Find<QLineEdit>(history, "dteSince")->text(), "2006-07-01");

    TypeDate(history, "dteUntil", "2006-13-01");
    auto* until = Find<QLineEdit>(history, "dteUntil");
    EXPECT_TRUE(until->property("rejected").toBool());
    const auto* status = Find<QLabel>(history, "lblReading");
    EXPECT_TRUE(status->text().contains("no date")) << status->text().toStdString();
    EXPECT_EQ(table->model()->rowCount(), 3) << "the range stays as it was";

    TypeDate(history, "dteSince", "2009-01-01");
    TypeDate(history, "dteUntil", "2009-01-03");
    EXPECT_FALSE(until->property("rejected").toBool());
    EXPECT_EQ(Column(history, HistoryModel::Date), QStringList({"unreadable"}));
    EXPECT_TRUE(status->text().startsWith("No runs between 1 ")) << status->text().toStdString();
    EXPECT_TRUE(status->text().contains(" 2009 and 3 ")) << status->text().toStdString();
}

// A sensor named from the table's menu shows with its name beside its folder, in the table, the
// filter and the totals per sensor; the name lives in the settings, not on the iPod.
TEST(HistoryWindow, NamedSensorsFilterTheRuns)
{
    FourFiles data;
    data.store.add("2BA5B4C7", "synched", "2007-03-01 07;00;00.xml",
        WorkoutXml({.time = "2007-03-01T07:00:00-05:00", .distance = "8.0000"}));
    const auto before = data.store.files();
    Window w({data.store.drive()});
    HistoryWindow* history = OpenHistory(w);
    ASSERT_NE(history, nullptr);
    Find<QRadioButton>(history, "optUnitKm")->click();
    auto* table = Find<QTableView>(history, "tblHistory");
    table->sortByColumn(HistoryModel::Date, Qt::DescendingOrder);
    table->selectRow(0);
    ASSERT_EQ(Column(history, HistoryModel::Sensor).front(), "2BA5B4C7");

    w.dialogs.textAnswer = "Pegasus";
    Find<QAction>(history, "actNameSensor")->trigger();
    ASSERT_EQ(w.dialogs.textsAsked.size(), 1u);
    EXPECT_TRUE(w.dialogs.textsAsked[0].first.contains("2BA5B4C7"));
    EXPECT_EQ(Column(history, HistoryModel::Sensor).front(), "Pegasus (2BA5B4C7)");
    EXPECT_EQ(data.store.files(), before) << "a sensor's name is kept on this computer";

    auto* sensors = Find<QComboBox>(history, "cbxSensor");
    const int pegasus = sensors->findText("Pegasus (2BA5B4C7)");
    ASSERT_GT(pegasus, 0);
    EXPECT_EQ(sensors->itemText(0), "All sensors");
    sensors->setCurrentIndex(pegasus);
    EXPECT_EQ(Column(history, HistoryModel::Date), QStringList({"2007-03-01"}));
    EXPECT_TRUE(Find<QLabel>(history, "lblTotals")->text().startsWith("Shown: 1 run"))
        << Find<QLabel>(history, "lblTotals")->text().toStdString();
    EXPECT_EQ(Rows(history, "tblShoes").join('\n').toStdString(),
        "Pegasus (2BA5B4C7) | 1 | 8.00 | 30:00 | 2007-03-01 | 2007-03-01\n" + kSensor
            + " | 3 | 22.50 | 1:30:00 | 2006-06-01 | 2006-08-02");

    // An empty name forgets it, and leaves the next test's settings as they were.
    w.dialogs.textAnswer = "";
    Find<QAction>(history, "actNameSensor")->trigger();
    EXPECT_EQ(Column(history, HistoryModel::Sensor), QStringList({"2BA5B4C7"}));
    EXPECT_EQ(sensors->currentText(), "2BA5B4C7");
    sensors->setCurrentIndex(0);
    EXPECT_EQ(table->model()->rowCount(), 5);
}

// The records are those of the runs shown, in the unit shown; a record goes to its run.
TEST(HistoryWindow, ARecordGoesToItsRun)
{
    FourFiles data;
    Window w({data.store.drive()});
    HistoryWindow* history = OpenHistory(w);
    ASSERT_NE(history, nullptr);
    Find<QRadioButton>(history, "optUnitKm")->click();
    auto* table = Find<QTableView>(history, "tblHistory");
    table->sortByColumn(HistoryModel::Distance, Qt::AscendingOrder);
    Find<QTabWidget>(history, "tabSummaries")->setCurrentIndex(2);
    auto* records = Find<QTableView>(history, "tblRecords");
    const auto longest = [&] {
        const QStringList rows = Rows(history, "tblRecords");
        for (int row = 0; row < rows.size(); ++row)
            if (rows[row].startsWith("Longest run"))
                return row;
        return -1;
    };
    ASSERT_GE(longest(), 0) << Rows(history, "tblRecords").join('\n').toStdString();
    EXPECT_TRUE(Rows(history, "tblRecords")[longest()].contains("| 10.20 |"));

    const QModelIndex cell = records->model()->index(longest(), 0);
    records->setCurrentIndex(cell);
    QTest::keyClick(records, Qt::Key_Return);
    const QModelIndexList chosen = table->selectionModel()->selectedRows(HistoryModel::Distance);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen.front().data().toString(), "10.20");
    EXPECT_EQ(table->currentIndex().row(), chosen.front().row());
    EXPECT_TRUE(Find<QLabel>(history, "lblSplits")->text().contains("2006-08-02"));

    Find<QRadioButton>(history, "optUnitMiles")->click();
    EXPECT_TRUE(Rows(history, "tblRecords")[longest()].contains("| 6.34 |"));
    Find<QCheckBox>(history, "chkRange")->click();
    TypeDate(history, "dteUntil", "2006-07-31");
    EXPECT_TRUE(Rows(history, "tblRecords")[longest()].contains("| 6.09 |"))
        << Rows(history, "tblRecords").join('\n').toStdString();
}
