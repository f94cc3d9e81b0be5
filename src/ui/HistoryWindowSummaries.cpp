// What the history window shows under its table: the totals per period and per sensor, the
// records, the chosen run's splits and the charts, each worked out by the core from the runs shown.
#include "HistoryWindow.h"

#include "HistoryCharts.h"
#include "HistoryModel.h"

#include "history/ChartFrames.h"
#include "history/PersonalRecords.h"
#include "history/SplitTable.h"
#include "platform/FileSystem.h"
#include "workout/WorkoutSummary.h"

#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTabWidget>

#include <algorithm>

namespace paceforge {
namespace {

// Millimetres as a Decimal of kilometres.
constexpr int kMillimetreScale = 6;

} // namespace

void HistoryWindow::updateShoes()
{
    const std::vector<HistoryEntry>& entries = m_model->entries();
    const DistanceUnit shownUnit = unit();
    const QString symbol = UnitSymbol(shownUnit);
    m_shoesModel->clear();
    m_shoesModel->setHorizontalHeaderLabels(
        {QStringLiteral("Sensor"), QStringLiteral("Runs"), QStringLiteral("Distance (%1)").arg(symbol),
            QStringLiteral("Time"), QStringLiteral("First run"), QStringLiteral("Last run")});
    // Every sensor in the range, whichever one the table shows: a shoe's mileage beside the others'.
    for (const SensorTotals& each : TotalsBySensor(entries, EntriesIn(entries, m_filter->range()))) {
        auto* name = new QStandardItem(m_model->sensorText(each.sensor));
        name->setData(QString::fromStdString(each.sensor), Qt::UserRole);
        QList<QStandardItem*> row{name, new QStandardItem(QString::number(each.totals.runs)),
            new QStandardItem(QString::fromStdString(DistanceIn(each.totals.distanceKm, shownUnit).toFixedString(2))),
            new QStandardItem(ClockText(each.totals.durationMs / 1000)),
            new QStandardItem(each.first ? each.first->toString(Qt::ISODate) : QString()),
            new QStandardItem(each.last ? each.last->toString(Qt::ISODate) : QString())};
        for (int column = 1; column <= 3; ++column)
            row[column]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_shoesModel->appendRow(row);
    }
    m_shoes->resizeColumnsToContents();
}

void HistoryWindow::updateRecords()
{
    const std::vector<HistoryEntry>& entries = m_model->entries();
    const DistanceUnit shownUnit = unit();
    const QString symbol = UnitSymbol(shownUnit);
    m_recordsModel->clear();
    m_recordsModel->setHorizontalHeaderLabels(
        {QStringLiteral("Record"), QStringLiteral("Date"), QStringLiteral("Distance (%1)").arg(symbol),
            QStringLiteral("Time"), QStringLiteral("Pace (min/%1)").arg(symbol)});
    // Efforts, runs and periods are summed over the efforts the reading kept: no file is read here.
    const PersonalRecords records = RecordsOf(entries, shownEntries());
    const auto add = [&](const QString& what, const Decimal& km, long long durationMs, const QString& when,
                         const std::vector<std::size_t>& runs) {
        QVariantList indices;
        for (std::size_t index : runs)
            indices << QVariant::fromValue(static_cast<qulonglong>(index));
        const auto pace = PaceSeconds(durationMs, km, shownUnit);
        QList<QStandardItem*> row{new QStandardItem(what), new QStandardItem(when),
            new QStandardItem(QString::fromStdString(DistanceIn(km, shownUnit).toFixedString(2))),
            new QStandardItem(ElapsedText(durationMs)), new QStandardItem(pace ? ClockText(*pace) : QString())};
        for (QStandardItem* item : row)
            item->setData(indices, Qt::UserRole);
        for (int column = 2; column <= 4; ++column)
            row[column]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_recordsModel->appendRow(row);
    };
    for (const std::optional<EffortRecord>& fastest : records.fastest)
        if (fastest)
            add(QStringLiteral("Fastest %1").arg(EffortName(fastest->distance).toLower()),
                Decimal::fromParts(EffortMillimetres(fastest->distance), kMillimetreScale), fastest->effort.durationMs,
                fastest->date.toString(Qt::ISODate), {fastest->entry});
    if (const auto& longest = records.longestRun)
        add(QStringLiteral("Longest run"), longest->distanceKm, longest->durationMs,
            longest->date.toString(Qt::ISODate), {longest->entry});
    if (const auto& week = records.longestWeek)
        add(QStringLiteral("Longest week, %1").arg(RunsText(week->totals.runs)), week->totals.distanceKm,
            week->totals.durationMs, week->label, week->entries);
    if (const auto& month = records.mostRunsInAMonth)
        add(QStringLiteral("Most runs in a month: %1").arg(month->totals.runs), month->totals.distanceKm,
            month->totals.durationMs, month->label, month->entries);
    m_records->resizeColumnsToContents();
}

void HistoryWindow::goToRecord(const QModelIndex& index)
{
    const QVariantList indices = index.siblingAtColumn(0).data(Qt::UserRole).toList();
    QItemSelection runs;
    QModelIndex first;
    for (const QVariant& each : indices) {
        const int row = static_cast<int>(each.toULongLong());
        if (row >= m_model->rowCount())
            continue;
        const QModelIndex shown = m_filter->mapFromSource(m_model->index(row, 0));
        if (!shown.isValid())
            continue;
        runs.select(shown, shown.siblingAtColumn(HistoryModel::ColumnCount - 1));
        if (!first.isValid() || shown.row() < first.row())
            first = shown;
    }
    if (!first.isValid())
        return;
    m_table->selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    m_table->selectionModel()->select(runs, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_table->scrollTo(first, QAbstractItemView::PositionAtCenter);
}

void HistoryWindow::updateSplits()
{
    m_splitsModel->clear();
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid()) {
        m_splitsTitle->setText(QStringLiteral("Choose a run in the table to see its splits"));
        return;
    }
    const HistoryEntry& entry = m_model->entry(m_filter->mapToSource(current).row());
    const QString when
        = entry.readable() ? entry.start.date.toString(Qt::ISODate) : QString::fromStdString(entry.file.fileName);
    const auto table = ReadSplitTable(entry.file.fullPath(), m_services.fileSystem);
    if (!table) {
        m_splitsTitle->setText(QStringLiteral("The run of %1 cannot be read").arg(when));
        return;
    }
    // The list of the unit shown, else the other one the device kept.
    const bool miles = unit() == DistanceUnit::Miles;
    const bool ofMiles = miles ? !table->miles.empty() || table->kilometres.empty()
                               : table->kilometres.empty() && !table->miles.empty();
    const std::vector<Split>& splits = ofMiles ? table->miles : table->kilometres;
    const DistanceUnit listUnit = ofMiles ? DistanceUnit::Miles : DistanceUnit::Kilometres;
    const QString symbol = UnitSymbol(listUnit);
    if (splits.empty()) {
        m_splitsTitle->setText(QStringLiteral("The run of %1 has no splits").arg(when));
        return;
    }
    m_splitsTitle->setText(QStringLiteral("%1 splits of the run of %2, as the iPod recorded them")
                               .arg(ofMiles ? QStringLiteral("Mile") : QStringLiteral("Kilometre"), when));
    m_splitsModel->setHorizontalHeaderLabels({QStringLiteral("Split"), QStringLiteral("At (%1)").arg(symbol),
        QStringLiteral("Time"), QStringLiteral("Split time"), QStringLiteral("Pace (min/%1)").arg(symbol)});
    for (const Split& split : splits) {
        QList<QStandardItem*> row{new QStandardItem(QString::number(split.number)),
            new QStandardItem(QString::fromStdString(DistanceIn(split.distanceKm, listUnit).toFixedString(2))),
            new QStandardItem(ElapsedText(split.durationMs)),
            new QStandardItem(split.splitMs ? ElapsedText(*split.splitMs) : QString()),
            new QStandardItem(split.paceSeconds ? ClockText(*split.paceSeconds) : QString())};
        for (QStandardItem* item : row)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_splitsModel->appendRow(row);
    }
}

void HistoryWindow::updatePeriodsAndCharts()
{
    const std::vector<HistoryEntry>& entries = m_model->entries();
    const std::vector<std::size_t> shown = shownEntries();
    const DateRange range = m_filter->range();
    const DistanceUnit shownUnit = unit();
    const QString symbol = UnitSymbol(shownUnit);

    const std::vector<PeriodTotals> periods
        = WithoutFarGaps(TotalsByPeriod(entries, shown, period(), EmptyPeriods::Include, range));
    m_periodModel->clear();
    m_periodModel->setHorizontalHeaderLabels(
        {m_period->currentText(), QStringLiteral("Runs"), QStringLiteral("Distance (%1)").arg(symbol),
            QStringLiteral("Time"), QStringLiteral("Calories"), QStringLiteral("Pace (min/%1)").arg(symbol)});
    // Newest first, as the table of runs opens.
    for (auto it = periods.rbegin(); it != periods.rend(); ++it) {
        const auto pace = AveragePaceSeconds(it->totals, shownUnit);
        QList<QStandardItem*> row{new QStandardItem(it->partial ? it->label + QStringLiteral(" (partial)") : it->label),
            new QStandardItem(QString::number(it->totals.runs)),
            new QStandardItem(QString::fromStdString(DistanceIn(it->totals.distanceKm, shownUnit).toFixedString(2))),
            new QStandardItem(ClockText(it->totals.durationMs / 1000)),
            new QStandardItem(m_services.locale.toString(it->totals.calories)),
            new QStandardItem(pace ? ClockText(*pace) : QString())};
        for (int column = 1; column < row.size(); ++column)
            row[column]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_periodModel->appendRow(row);
    }
    // A few hundred periods at most: measuring them costs nothing worth avoiding.
    m_periods->resizeColumnsToContents();

    // Years are too few for bars worth drawing; the chart then shows months.
    const Period barPeriod = period() == Period::Week ? Period::Week : Period::Month;
    m_charts->showDistance(
        FrameDistance(TotalsByPeriod(entries, shown, barPeriod, EmptyPeriods::Include, range), barPeriod, shownUnit),
        barPeriod == Period::Week ? QStringLiteral("week") : QStringLiteral("month"), symbol);
    m_charts->showPace(FramePace(PaceOverTime(entries, shown, shownUnit)), symbol);
    m_charts->showCalendar(CalendarYears(entries, shown, shownUnit), symbol);
}

void HistoryWindow::updateRunChart()
{
    const QString symbol = UnitSymbol(unit());
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid()) {
        m_charts->showRunPace({}, QStringLiteral("Choose a run in the table to see its pace along the way"), symbol);
        return;
    }
    const HistoryEntry& entry = m_model->entry(m_filter->mapToSource(current).row());
    const QString when = entry.readable() ? QStringLiteral("%1 %2").arg(entry.start.date.toString(Qt::ISODate),
                             m_services.locale.toString(entry.start.time, QLocale::ShortFormat))
                                          : QString::fromStdString(entry.file.fileName);
    // Only the chosen run's series is read: the history keeps none.
    const auto run = ReadWorkoutFile(entry.file.fullPath(), m_services.fileSystem);
    const AlongFrame frame = run ? FrameRunPace(PaceAlongRun(run.value(), unit())) : AlongFrame{};
    const QString title = !run ? QStringLiteral("The run of %1 cannot be read").arg(when)
        : frame.dots.empty()   ? QStringLiteral("The run of %1 has no distance samples").arg(when)
                               : QStringLiteral("Pace along the run of %1 (min/%2)").arg(when, symbol);
    m_charts->showRunPace(frame, title, symbol);
}

} // namespace paceforge
