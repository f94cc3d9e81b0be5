#pragma once

#include <QDateTime>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class QChart;
class QChartView;
class QTabWidget;

namespace paceforge {

// What the charts draw, already in the user's unit: they only show figures the core worked out.
struct ChartBar {
    QString label;
    double distance = 0;
};

struct ChartPacePoint {
    QDateTime when;
    double secondsPerUnit = 0;
};

struct ChartTrend {
    ChartPacePoint from;
    ChartPacePoint to;
};

struct ChartAlongPoint {
    double distance = 0;
    double secondsPerUnit = 0;
};

// The history window's three charts on tabs, in the window's dark colours.
class HistoryCharts final : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryCharts(QWidget* parent = nullptr);

    // `period` is "week" or "month"; `unit` "mi" or "km".
    void showDistance(const std::vector<ChartBar>& bars, const QString& period, const QString& unit);
    void showPace(
        const std::vector<ChartPacePoint>& points, const std::optional<ChartTrend>& trend, const QString& unit);
    // An empty series says why in `title` ("This run has no distance samples").
    void showRunPace(const std::vector<ChartAlongPoint>& points, const QString& title, const QString& unit);

    QTabWidget* tabs() const { return m_tabs; }

private:
    QTabWidget* m_tabs;
    QChartView* m_distance;
    QChartView* m_pace;
    QChartView* m_runPace;
};

// "8:05"; the charts' and the table's way to show a pace.
QString PaceLabel(double secondsPerUnit);

} // namespace paceforge
