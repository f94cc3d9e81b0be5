#pragma once

#include "history/ChartFrames.h"

#include <QString>
#include <QWidget>

#include <vector>

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QTabWidget;

namespace paceforge {

class YearCalendar;

// The history window's charts and its calendar of a year on tabs, in the window's dark colours.
// They draw the frames the core worked out, already in the user's unit.
class HistoryCharts final : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryCharts(QWidget* parent = nullptr);

    // `period` is "week" or "month"; `unit` "mi" or "km".
    void showDistance(const DistanceFrame& frame, const QString& period, const QString& unit);
    void showPace(const PaceFrame& frame, const QString& unit);
    // An empty frame says why in `title` ("This run has no distance samples").
    void showRunPace(const AlongFrame& frame, const QString& title, const QString& unit);
    // Newest first; the year shown stays while it has runs, else the newest is.
    void showCalendar(std::vector<CalendarYear> years, const QString& unit);

    QTabWidget* tabs() const { return m_tabs; }

private:
    void showChosenYear();

    QTabWidget* m_tabs;
    QChartView* m_distance;
    QChartView* m_pace;
    QChartView* m_runPace;
    QComboBox* m_calendarYear;
    QLabel* m_calendarTotals;
    YearCalendar* m_calendar;
    std::vector<CalendarYear> m_years;
    QString m_calendarUnit;
};

// "8:05"; the charts' and the table's way to show a pace.
QString PaceLabel(double secondsPerUnit);

} // namespace paceforge
