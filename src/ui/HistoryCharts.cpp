#include "HistoryCharts.h"

#include "Artwork.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLineSeries>
#include <QScatterSeries>
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
// More labels than this on the period axis get cut short ("2008-W07" needs its room).
constexpr int kMostPeriodLabels = 7;

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

HistoryCharts::HistoryCharts(QWidget* parent) : QWidget(parent), m_tabs(new QTabWidget(this))
{
    setObjectName(QStringLiteral("historyCharts"));
    m_tabs->setObjectName(QStringLiteral("tabCharts"));
    m_distance = MakeView("chartDistance", m_tabs);
    m_pace = MakeView("chartPace", m_tabs);
    m_runPace = MakeView("chartRunPace", m_tabs);
    m_tabs->addTab(m_distance, QStringLiteral("Distance"));
    m_tabs->addTab(m_pace, QStringLiteral("Pace"));
    m_tabs->addTab(m_runPace, QStringLiteral("Pace along the run"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
}

void HistoryCharts::showDistance(const std::vector<ChartBar>& bars, const QString& period, const QString& unit)
{
    QChart* chart = Renew(m_distance, QStringLiteral("Distance per %1 (%2)").arg(period, unit));
    chart->legend()->hide();
    auto* set = new QBarSet(QStringLiteral("Distance"));
    set->setColor(artwork::accentColor());
    set->setBorderColor(artwork::accentColor());
    double most = 0;
    for (const ChartBar& bar : bars) {
        set->append(bar.distance);
        most = std::max(most, bar.distance);
    }
    auto* series = new QBarSeries;
    series->append(set);
    series->setBarWidth(0.8);
    chart->addSeries(series);

    // Bars stand at 0, 1, 2...; a category axis names only every few of them, so years of weeks stay legible.
    auto* periods = new QCategoryAxis;
    periods->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    const int every = std::max<int>(1, static_cast<int>((bars.size() + kMostPeriodLabels - 1) / kMostPeriodLabels));
    // Each label gets the width of the span before it; the first has none unless it starts earlier.
    periods->setStartValue(-every);
    for (std::size_t i = 0; i < bars.size(); i += static_cast<std::size_t>(every))
        periods->append(bars[i].label, static_cast<double>(i));
    periods->setRange(-0.5, std::max<double>(0.5, static_cast<double>(bars.size()) - 0.5));
    periods->setGridLineVisible(false);
    StyleAxis(periods);
    chart->addAxis(periods, Qt::AlignBottom);
    series->attachAxis(periods);

    auto* distance = new QValueAxis;
    RoundRange(distance, most);
    StyleAxis(distance);
    chart->addAxis(distance, Qt::AlignLeft);
    series->attachAxis(distance);
}

void HistoryCharts::showPace(
    const std::vector<ChartPacePoint>& points, const std::optional<ChartTrend>& trend, const QString& unit)
{
    QChart* chart = Renew(m_pace, QStringLiteral("Pace per run (min/%1, faster upwards)").arg(unit));
    // A line drawn without its line: its points are painted in one go, where a scatter series
    // makes an item of each dot and takes a second over ten thousand runs.
    auto* runs = new QLineSeries;
    runs->setName(QStringLiteral("Runs"));
    runs->setColor(artwork::accentColor());
    runs->setPen(QPen(artwork::accentColor(), 0, Qt::NoPen));
    runs->setPointsVisible(true);
    runs->setMarkerSize(4);
    double low = 0, high = 0;
    qint64 first = 0, last = 0;
    QList<QPointF> dots;
    dots.reserve(static_cast<qsizetype>(points.size()));
    for (const ChartPacePoint& point : points) {
        if (!std::isfinite(point.secondsPerUnit))
            continue;
        const qint64 at = point.when.toMSecsSinceEpoch();
        const bool firstDot = dots.isEmpty();
        dots.append(QPointF(static_cast<double>(at), point.secondsPerUnit));
        low = firstDot ? point.secondsPerUnit : std::min(low, point.secondsPerUnit);
        high = firstDot ? point.secondsPerUnit : std::max(high, point.secondsPerUnit);
        first = firstDot ? at : std::min(first, at);
        last = firstDot ? at : std::max(last, at);
    }
    runs->replace(dots);
    chart->addSeries(runs);
    QLineSeries* line = nullptr;
    if (trend) {
        line = new QLineSeries;
        line->setName(QStringLiteral("Trend"));
        line->setPen(QPen(kTrend, 2.5));
        line->append(static_cast<double>(trend->from.when.toMSecsSinceEpoch()), trend->from.secondsPerUnit);
        line->append(static_cast<double>(trend->to.when.toMSecsSinceEpoch()), trend->to.secondsPerUnit);
        chart->addSeries(line);
    }
    chart->legend()->setVisible(!points.empty());

    auto* time = new QDateTimeAxis;
    // A day either side, so that a single run does not sit on the frame.
    const qint64 day = 24LL * 3600 * 1000;
    time->setRange(QDateTime::fromMSecsSinceEpoch(first - day), QDateTime::fromMSecsSinceEpoch(last + day));
    time->setFormat(last - first > 400 * day ? QStringLiteral("MMM yyyy") : QStringLiteral("d MMM"));
    time->setTickCount(points.size() > 1 ? 6 : 3);
    StyleAxis(time);
    chart->addAxis(time, Qt::AlignBottom);
    QCategoryAxis* pace = PaceAxis(low, high, unit);
    chart->addAxis(pace, Qt::AlignLeft);
    for (QAbstractSeries* series : {static_cast<QAbstractSeries*>(runs), static_cast<QAbstractSeries*>(line)})
        if (series) {
            series->attachAxis(time);
            series->attachAxis(pace);
        }
}

void HistoryCharts::showRunPace(const std::vector<ChartAlongPoint>& points, const QString& title, const QString& unit)
{
    QChart* chart = Renew(m_runPace, title);
    chart->legend()->hide();
    auto* line = new QLineSeries;
    line->setPen(QPen(artwork::accentColor(), 2.5));
    double low = 0, high = 0, farthest = 0;
    QList<QPointF> along;
    along.reserve(static_cast<qsizetype>(points.size()));
    for (const ChartAlongPoint& point : points) {
        if (!std::isfinite(point.secondsPerUnit) || !std::isfinite(point.distance))
            continue;
        low = along.isEmpty() ? point.secondsPerUnit : std::min(low, point.secondsPerUnit);
        high = along.isEmpty() ? point.secondsPerUnit : std::max(high, point.secondsPerUnit);
        farthest = std::max(farthest, point.distance);
        along.append(QPointF(point.distance, point.secondsPerUnit));
    }
    line->replace(along);
    chart->addSeries(line);
    auto* distance = new QValueAxis;
    RoundRange(distance, farthest);
    distance->setTitleText(unit);
    StyleAxis(distance);
    chart->addAxis(distance, Qt::AlignBottom);
    QCategoryAxis* pace = PaceAxis(low, high, unit);
    chart->addAxis(pace, Qt::AlignLeft);
    line->attachAxis(distance);
    line->attachAxis(pace);
}

} // namespace paceforge
