// Pictures of the history window for the README and the help page, taken from the real windows on
// a made-up year and a half of a runner's workouts: history_screens OUTPUT_FOLDER (scripts/screenshots
// runs it).
#include "SyntheticStore.h"
#include "ui/HistoryWindow.h"
#include "ui/WindowHarness.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>

using namespace paceforge;
using namespace paceforge::test;

namespace {

const std::string kSensor = "2F6D84TRVSX";

// Cumulative kilometres every ten seconds of a run that starts slow, surges and sprints home.
std::string Series(double kilometres, long long seconds, double wobble)
{
    std::vector<double> speed;
    for (long long t = 0; t < seconds; t += 10) {
        const double along = static_cast<double>(t) / static_cast<double>(seconds);
        double pace = 1.0 + (along < 0.12 ? 0.07 * (0.12 - along) / 0.12 : 0.0)
            + 0.025 * std::sin(along * 6.283 * 3 + wobble) - (along > 0.9 ? 0.05 * (along - 0.9) / 0.1 : 0.0);
        speed.push_back(1.0 / pace);
    }
    double sum = 0;
    for (double s : speed)
        sum += s;
    std::string series = "0.0";
    double done = 0;
    for (double s : speed) {
        done += s / sum * kilometres;
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, ", %.4f", done);
        series += buffer;
    }
    return series;
}

void AddRun(const fs::path& folder, const bench::WorkoutShape& shape, double wobble)
{
    std::string bytes = bench::WorkoutBytes(shape);
    const auto open = bytes.find('>', bytes.find("<extendedData "));
    const auto close = bytes.find("</extendedData>");
    bytes.replace(open + 1, close - open - 1, Series(shape.kilometres, shape.seconds, wobble));
    std::ofstream(folder / bench::WorkoutFileName(shape), std::ios::binary) << bytes;
}

// Three runs a week from January 2008, a long one on Sundays, getting faster, with a break in August.
void MakeRunnersIPod(const fs::path& drive)
{
    const fs::path sensor = drive / "iPod_Control" / "Device" / "Trainer" / "Workouts" / "Empeds" / kSensor;
    fs::create_directories(sensor / "latest");
    fs::create_directories(sensor / "synched");
    std::mt19937 random(20080107);
    std::normal_distribution<double> noise(0.0, 7.0);
    const QDate first(2008, 1, 8), last(2009, 6, 28);
    for (QDate day = first; day <= last; day = day.addDays(1)) {
        const int weekday = day.dayOfWeek();
        if ((weekday != 2 && weekday != 4 && weekday != 7) || (day.month() == 8 && day.year() == 2008))
            continue;
        const double weeks = first.daysTo(day) / 7.0;
        const bool longRun = weekday == 7;
        const double kilometres = longRun ? std::min(12.0 + weeks * 0.12, 21.1) : (weekday == 2 ? 6.4 : 8.2);
        const double secondsPerKm = 352.0 - weeks * 0.45 + (longRun ? 18.0 : 0.0) + noise(random);
        bench::WorkoutShape shape;
        shape.year = day.year();
        shape.month = day.month();
        shape.day = day.day();
        shape.hour = longRun ? 8 : 6;
        shape.minute = static_cast<int>(random() % 50);
        shape.second = static_cast<int>(random() % 60);
        shape.kilometres = std::round(kilometres * (1.0 + noise(random) / 300.0) * 100) / 100;
        shape.seconds = static_cast<long long>(shape.kilometres * secondsPerKm);
        shape.sensor = kSensor;
        const bool recent = first.daysTo(day) > first.daysTo(last) - 6;
        AddRun(sensor / (recent ? "latest" : "synched"), shape, static_cast<double>(random() % 100) / 16.0);
    }
    std::ofstream(sensor / "synched" / "2008-05-17 07;45;10.xml", std::ios::binary) << "<html>saved page</html>";
    // A walk typed in by hand: far slower than every run, it sits on the pace chart's edge.
    bench::WorkoutShape walk;
    walk.year = 2009;
    walk.month = 3;
    walk.day = 15;
    walk.hour = 17;
    walk.kilometres = 1.5;
    walk.seconds = 40 * 60;
    walk.sensor = kSensor;
    AddRun(sensor / "synched", walk, 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QTemporaryDir cache, config;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: history_screens OUTPUT_FOLDER\n");
        return 2;
    }
    const fs::path out = argv[1];
    fs::create_directories(out);

    QTemporaryDir scratch;
    const fs::path drive = fs::path(scratch.path().toStdString()) / "Runner's iPod";
    MakeRunnersIPod(drive);
    Window w({{QStringLiteral("Runner's iPod"), drive}}, QDate(2009, 6, 30));
    w.form->ShowHistory();
    auto* history = w.form->findChild<HistoryWindow*>(QStringLiteral("historyWindow"));
    history->resize(1180, 780);
    if (!QTest::qWaitForWindowExposed(history))
        return 1;
    while (history->reading())
        QApplication::processEvents();
    history->findChild<QRadioButton*>(QStringLiteral("optUnitKm"))->click();
    history->findChild<QComboBox*>(QStringLiteral("cbxPeriod"))->setCurrentIndex(0);
    auto* table = history->findChild<QTableView*>(QStringLiteral("tblHistory"));
    table->selectRow(2);
    auto* tabs = history->findChild<QTabWidget*>(QStringLiteral("tabCharts"));

    bool saved = true;
    const auto shoot = [&](QWidget* widget, const char* name) {
        QApplication::processEvents();
        const fs::path file = out / name;
        saved = widget->grab().save(QString::fromStdString(file.string())) && saved;
        std::printf("%s\n", file.c_str());
    };
    tabs->setCurrentIndex(0);
    shoot(history, "history.png");
    tabs->setCurrentIndex(1);
    shoot(tabs, "history-pace.png");
    tabs->setCurrentIndex(2);
    shoot(tabs, "history-run.png");
    tabs->setCurrentIndex(3);
    shoot(tabs, "history-calendar.png");
    tabs->setCurrentIndex(0);
    auto* summaries = history->findChild<QTabWidget*>(QStringLiteral("tabSummaries"));
    summaries->setCurrentIndex(2);
    shoot(summaries, "history-records.png");
    summaries->setCurrentIndex(0);

    // A month of runs the sensor measured 4 % short.
    table->clearSelection();
    for (int row = 0; row < table->model()->rowCount(); ++row)
        if (table->model()->index(row, 0).data().toString().startsWith(QLatin1String("2009-05")))
            table->selectionModel()->select(
                table->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    history->correctDistance();
    auto* dialog = history->findChild<QDialog*>(QStringLiteral("dlgCorrectDistance"));
    if (!QTest::qWaitForWindowExposed(dialog))
        return 1;
    QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("tbxPercent")), QStringLiteral("104"));
    shoot(dialog, "correct-distance.png");
    dialog->reject();

    for (const auto& message : w.dialogs.messages)
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(message.text));
    return saved && w.dialogs.messages.empty() ? 0 : 1;
}
