#pragma once

#include "history/ChartFrames.h"

#include <QWidget>

#include <optional>

namespace paceforge {

// A year as a grid of days, a column per week from Monday, a square per day in the shade the core
// gave it; a tooltip names the day's runs and distance.
class YearCalendar final : public QWidget
{
    Q_OBJECT
public:
    explicit YearCalendar(QWidget* parent = nullptr);

    // `unit` is "mi" or "km", the unit the year's distances are in.
    void showYear(const CalendarYear& year, const QString& unit);

    // Where the day's square is painted; empty for a day not shown.
    QRect cellRect(const QDate& date) const;
    // "Sun 2 Jul 2006: 2 runs, 12.30 km"; empty away from the squares.
    QString tipAt(const QPoint& at) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Grid {
        int cell = 0;
        int gap = 0;
        QPoint origin;
    };
    Grid grid() const;
    std::optional<CalendarDay> dayAt(const QPoint& at) const;
    int columnOf(const QDate& date) const;

    CalendarYear m_year;
    QString m_unit;
};

} // namespace paceforge
