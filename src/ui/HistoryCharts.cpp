#include "HistoryCharts.h"

#include "Artwork.h"
#include "YearCalendar.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QSignalBlocker>
#include <QStackedBarSeries>
#include <QTabWidget>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace paceforge {
namespace {

const QColor kChartGround(0x1A, 0x1D, 0x22);
const QColor kPlotGround(0x0D, 0x0F, 0x12);
const QColor kGrid(0x2C, 0x30, 0x38);
const QColor kAxisLine(0x5A, 0x60, 0x6B);
// Readable on both grounds (7:1 and more), and told apart from the accent by colour-blind eyes.
const QColor kTrend(0x7C, 0xC4, 0xFF);
// What lies outside the shown range, put on its edge: light, apart from both the accent and the trend.
const QColor kOutside(0xE4, 0xE6, 0xEA);
// More labels than this on the period axis get cut short ("2008-W07" needs its room).
constexpr int kMostPeriodLabels = 5;

QChart* DarkChart(const QString& title)
{
    auto* chart = new QChart;
    chart->setBackgroundBrush(kChartGround);
    chart->setBackgroundRoundness(0);
    chart->setPlotAreaBackgroundBrush(kPlotGround);
    chart->setPlotAreaBackgroundVisible(true);
    chart->setTitleBrush(artwork::panelTextColor());
    QFont font = chart->titleFont();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.1);
    chart->setTitleFont(font);
    chart->setTitle(title);
    chart->legend()->setLabelColor(artwork::panelTextColor());
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(6, 6, 10, 6));
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

void StyleAxis(QAbstractAxis* axis)
{
    axis->setLabelsColor(artwork::panelTextColor());
    axis->setGridLineColor(kGrid);
    axis->setMinorGridLineColor(kGrid);
    axis->setLinePenColor(kAxisLine);
    axis->setTitleBrush(artwork::panelTextColor());
}

QChartView* MakeView(const char* name, QWidget* parent)
{
    auto* view = new QChartView(DarkChart(QString()), parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setBackgroundBrush(kChartGround);
    view->setFrameShape(QFrame::NoFrame);
    view->setMinimumSize(320, 200);
    return view;
}

QString WithNote(const QString& title, const QString& note)
{
    return note.isEmpty() ? title : QStringLiteral("%1 \u00B7 %2").arg(title, note);
}

// A line drawn without its line: its points are painted in one go, where a scatter series makes an
// item of each dot and takes a second over ten thousand runs.
QLineSeries* Dots(const QString& name, const QColor& colour, qreal size)
{
    auto* dots = new QLineSeries;
    dots->setName(name);
    dots->setColor(colour);
    dots->setPen(QPen(colour, 0, Qt::NoPen));
    dots->setPointsVisible(true);
    dots->setMarkerSize(size);
    return dots;
}

// Replaces the view's chart, so that no series or axis of the last figures lingers.
QChart* Renew(QChartView* view, const QString& title)
{
    QChart* chart = DarkChart(title);
    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
    return chart;
}

constexpr double kMostPaceSteps = 6;
constexpr double kPaceAxisRoom = 0.03;
constexpr double kSecondsPerHour = 3600;

// Round steps a runner reads at a glance: 10 s, 15 s, 30 s, a minute, two, five. A sensor that
// barely moved gives paces of days per unit: whole hours then, in steps of 1, 2 or 5 times a power
// of ten, so that the axis keeps a handful of labels however far apart the paces are.
double PaceStep(double span)
{
    for (double step : {10.0, 15.0, 30.0, 60.0, 120.0, 300.0, 600.0, 1200.0, 1800.0, kSecondsPerHour})
        if (span / step <= kMostPaceSteps)
            return step;
    const double hours = span / kMostPaceSteps / kSecondsPerHour;
    const double magnitude = std::pow(10.0, std::floor(std::log10(hours)));
    for (double factor : {1.0, 2.0, 5.0})
        if (hours <= factor * magnitude)
            return factor * magnitude * kSecondsPerHour;
    return 10 * magnitude * kSecondsPerHour;
}

// Pace on a value axis with "8:30" labels, faster upwards.
QCategoryAxis* PaceAxis(double low, double high, const QString& unit)
{
    if (!std::isfinite(low) || !std::isfinite(high))
        low = high = 0;
    // A little room, so that the fastest and slowest dots are not cut by the frame.
    const double room = (high - low) * kPaceAxisRoom;
    low -= room;
    high += room;
    const double step = PaceStep(std::max(high - low, 1.0));
    const double from = std::floor(low / step) * step;
    const double to = std::max(std::ceil(high / step) * step, from + step);
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    for (double at = from; at <= to + 0.5; at += step)
        axis->append(PaceLabel(at), at);
    axis->setRange(from, to);
    axis->setReverse(true);
    axis->setTitleText(QStringLiteral("min/%1").arg(unit));
    StyleAxis(axis);
    return axis;
}

// An axis from 0 in five or six round steps (2.5, 5, 10...) that just holds the largest value.
void RoundRange(QValueAxis* axis, double largest)
{
    const double raw = std::max(largest, 0.1) / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * magnitude;
    for (double factor : {1.0, 2.0, 2.5, 5.0})
        if (raw <= factor * magnitude) {
            step = factor * magnitude;
            break;
        }
    const int steps = std::max(1, static_cast<int>(std::ceil(largest / step - 1e-9)));
    axis->setRange(0, steps * step);
    axis->setTickCount(steps + 1);
    axis->setLabelFormat(step == std::floor(step) ? QStringLiteral("%.0f") : QStringLiteral("%.1f"));
}

} // namespace

QString PaceLabel(double secondsPerUnit)
{
    // In doubles: a pace of years per unit is beyond a whole number of seconds.
    const double seconds = std::round(secondsPerUnit);
    const double minutes = std::floor(seconds / 60);
    return QStringLiteral("%1:%2").arg(minutes, 0, 'f', 0).arg(seconds - minutes * 60, 2, 'f', 0, QLatin1Char('0'));
}

HistoryCharts::HistoryCharts(QWidget* parent)
    : QWidget(parent),
      m_tabs(new QTabWidget(this)),
      m_calendarYear(new QComboBox(this)),
      m_calendarTotals(new QLabel(this)),
      m_calendar(new YearCalendar(this))
{
    setObjectName(QStringLiteral("historyCharts"));
    m_tabs->setObjectName(QStringLiteral("tabCharts"));
    m_distance = MakeView("chartDistance", m_tabs);
    m_pace = MakeView("chartPace", m_tabs);
    m_runPace = MakeView("chartRunPace", m_tabs);
    m_tabs->addTab(m_distance, QStringLiteral("Distance"));
    m_tabs->addTab(m_pace, QStringLiteral("Pace"));
    m_tabs->addTab(m_runPace, QStringLiteral("Pace along the run"));

    auto* calendarPage = new QWidget(m_tabs);
    calendarPage->setObjectName(QStringLiteral("pageCalendar"));
    calendarPage->setAutoFillBackground(true);
    QPalette ground = calendarPage->palette();
    ground.setColor(QPalette::Window, kChartGround);
    calendarPage->setPalette(ground);
    m_calendarYear->setObjectName(QStringLiteral("cbxCalendarYear"));
    m_calendarYear->setAccessibleName(QStringLiteral("Year of the calendar"));
    m_calendarTotals->setObjectName(QStringLiteral("lblCalendarTotals"));
    QFont bold = m_calendarTotals->font();
    bold.setBold(true);
    m_calendarTotals->setFont(bold);
    auto* chooser = new QHBoxLayout;
    chooser->addWidget(new QLabel(QStringLiteral("Year"), calendarPage));
    chooser->addWidget(m_calendarYear);
    chooser->addSpacing(12);
    chooser->addWidget(m_calendarTotals, 1);
    auto* calendarLayout = new QVBoxLayout(calendarPage);
    calendarLayout->setContentsMargins(8, 8, 8, 8);
    calendarLayout->addLayout(chooser);
    calendarLayout->addWidget(m_calendar, 1);
    m_tabs->addTab(calendarPage, QStringLiteral("Calendar"));
    connect(m_calendarYear, &QComboBox::currentIndexChanged, this, &HistoryCharts::showChosenYear);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
}

void HistoryCharts::showDistance(const DistanceFrame& frame, const QString& period, const QString& unit)
{
    const QString what = period == QLatin1String("week") ? QStringLiteral("week") : QStringLiteral("month");
    QStringList notes;
    for (const QString& note : {OutsideNote(frame.outside, what), CutNote(frame.cut, what)})
        if (!note.isEmpty())
            notes << note;
    QChart* chart = Renew(m_distance,
        WithNote(QStringLiteral("Distance per %1 (%2)").arg(period, unit), notes.join(QStringLiteral(", "))));
    auto* distance = new QValueAxis;
    RoundRange(distance, frame.top);
    // A bar is in one set and naught in the others: whole, of part of its period, or cut at the top.
    auto* whole = new QBarSet(QStringLiteral("Distance"));
    whole->setColor(artwork::accentColor());
    whole->setBorderColor(artwork::accentColor());
    QColor faint = artwork::accentColor();
    faint.setAlphaF(0.45f);
    auto* partial = new QBarSet(QStringLiteral("Part of the %1 in the range").arg(period));
    partial->setColor(faint);
    partial->setBorderColor(artwork::accentColor());
    auto* cut = new QBarSet(QStringLiteral("Taller than shown"));
    cut->setBrush(QBrush(kOutside, Qt::BDiagPattern));
    cut->setBorderColor(kOutside);
    bool anyPartial = false;
    for (const BarFrame& bar : frame.bars) {
        whole->append(bar.cut || bar.partial ? 0 : bar.distance);
        partial->append(!bar.cut && bar.partial ? bar.distance : 0);
        cut->append(bar.cut ? distance->max() : 0);
        anyPartial = anyPartial || bar.partial;
    }
    auto* series = new QStackedBarSeries;
    series->append(whole);
    series->append(partial);
    series->append(cut);
    series->setBarWidth(0.8);
    chart->addSeries(series);
    chart->legend()->setVisible(anyPartial || frame.cut > 0);
    // The legend names only what the bars show.
    const auto markers = chart->legend()->markers(series);
    if (markers.size() == 3) {
        markers[0]->setVisible(anyPartial || frame.cut > 0);
        markers[1]->setVisible(anyPartial);
        markers[2]->setVisible(frame.cut > 0);
    }

    // Bars stand at 0, 1, 2...; a category axis names only every few of them, so years of weeks stay legible.
    auto* periods = new QCategoryAxis;
    periods->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    const std::size_t count = frame.bars.size();
    const int every = std::max<int>(1, static_cast<int>((count + kMostPeriodLabels - 1) / kMostPeriodLabels));
    // Each label gets the width of the span before it; the first has none unless it starts earlier.
    periods->setStartValue(-every);
    for (std::size_t i = 0; i < count; i += static_cast<std::size_t>(every))
        periods->append(frame.bars[i].label, static_cast<double>(i));
    periods->setRange(-0.5, std::max<double>(0.5, static_cast<double>(count) - 0.5));
    periods->setGridLineVisible(false);
    StyleAxis(periods);
    chart->addAxis(periods, Qt::AlignBottom);
    series->attachAxis(periods);

    StyleAxis(distance);
    chart->addAxis(distance, Qt::AlignLeft);
    series->attachAxis(distance);
}

void HistoryCharts::showPace(const PaceFrame& frame, const QString& unit)
{
    QChart* chart = Renew(m_pace,
        WithNote(QStringLiteral("Pace per run (min/%1, faster upwards)").arg(unit), OutsideNote(frame.outside, "run")));
    QLineSeries* runs = Dots(QStringLiteral("Runs"), artwork::accentColor(), 4);
    QLineSeries* outside = Dots(QStringLiteral("Outside the range, at its edge"), kOutside, 7);
    QList<QPointF> inDots, outDots;
    inDots.reserve(static_cast<qsizetype>(frame.dots.size()));
    for (const PaceDot& dot : frame.dots)
        (dot.outside ? outDots : inDots)
            .append(QPointF(static_cast<double>(dot.when.toMSecsSinceEpoch()), dot.secondsPerUnit));
    runs->replace(inDots);
    outside->replace(outDots);
    chart->addSeries(runs);
    std::vector<QAbstractSeries*> all{runs};
    if (!outDots.isEmpty()) {
        chart->addSeries(outside);
        all.push_back(outside);
    } else {
        delete outside;
    }
    if (frame.trend) {
        auto* line = new QLineSeries;
        line->setName(QStringLiteral("Trend"));
        line->setPen(QPen(kTrend, 2.5));
        for (const PaceDot& end : *frame.trend)
            line->append(static_cast<double>(end.when.toMSecsSinceEpoch()), end.secondsPerUnit);
        chart->addSeries(line);
        all.push_back(line);
    }
    chart->legend()->setVisible(!frame.dots.empty());

    auto* time = new QDateTimeAxis;
    time->setRange(frame.from, frame.to);
    time->setFormat(frame.timeFormat);
    time->setTickCount(frame.dots.size() > 1 ? 6 : 3);
    StyleAxis(time);
    chart->addAxis(time, Qt::AlignBottom);
    QCategoryAxis* pace = PaceAxis(frame.pace.low, frame.pace.high, unit);
    chart->addAxis(pace, Qt::AlignLeft);
    for (QAbstractSeries* series : all) {
        series->attachAxis(time);
        series->attachAxis(pace);
    }
}

void HistoryCharts::showRunPace(const AlongFrame& frame, const QString& title, const QString& unit)
{
    QChart* chart = Renew(m_runPace, WithNote(title, OutsideNote(frame.outside, "sample")));
    chart->legend()->setVisible(frame.outside > 0);
    auto* line = new QLineSeries;
    line->setName(QStringLiteral("Pace"));
    line->setPen(QPen(artwork::accentColor(), 2.5));
    QLineSeries* outside = Dots(QStringLiteral("Outside the range, at its edge"), kOutside, 7);
    QList<QPointF> along, outDots;
    along.reserve(static_cast<qsizetype>(frame.dots.size()));
    for (const AlongDot& dot : frame.dots) {
        along.append(QPointF(dot.distance, dot.secondsPerUnit));
        if (dot.outside)
            outDots.append(along.back());
    }
    line->replace(along);
    outside->replace(outDots);
    chart->addSeries(line);
    chart->addSeries(outside);
    auto* distance = new QValueAxis;
    RoundRange(distance, frame.farthest);
    distance->setTitleText(unit);
    StyleAxis(distance);
    chart->addAxis(distance, Qt::AlignBottom);
    QCategoryAxis* pace = PaceAxis(frame.pace.low, frame.pace.high, unit);
    chart->addAxis(pace, Qt::AlignLeft);
    for (QAbstractSeries* series : {line, outside}) {
        series->attachAxis(distance);
        series->attachAxis(pace);
    }
}

void HistoryCharts::showCalendar(std::vector<CalendarYear> years, const QString& unit)
{
    const int shown = m_calendarYear->currentData().isValid() ? m_calendarYear->currentData().toInt() : 0;
    m_years = std::move(years);
    m_calendarUnit = unit;
    {
        const QSignalBlocker quiet(m_calendarYear);
        m_calendarYear->clear();
        for (const CalendarYear& year : m_years)
            m_calendarYear->addItem(QString::number(year.year), year.year);
        const int again = m_calendarYear->findData(shown);
        m_calendarYear->setCurrentIndex(again >= 0 ? again : 0);
    }
    showChosenYear();
}

void HistoryCharts::showChosenYear()
{
    const int index = m_calendarYear->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= m_years.size()) {
        m_calendar->showYear({}, m_calendarUnit);
        m_calendarTotals->setText(QStringLiteral("No runs to show"));
        return;
    }
    const CalendarYear& year = m_years[static_cast<std::size_t>(index)];
    m_calendar->showYear(year, m_calendarUnit);
    m_calendarTotals->setText(QStringLiteral("%1 %2, %3 %4")
                                  .arg(year.runs)
                                  .arg(year.runs == 1 ? QStringLiteral("run") : QStringLiteral("runs"))
                                  .arg(year.distance, 0, 'f', 1)
                                  .arg(m_calendarUnit));
}

} // namespace paceforge
