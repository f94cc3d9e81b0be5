#include "YearCalendar.h"

#include "Artwork.h"

#include <QHelpEvent>
#include <QLocale>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace paceforge {
namespace {

const QColor kGround(0x0D, 0x0F, 0x12);
const QColor kNoRun(0x23, 0x27, 0x2E);
constexpr int kWeekColumns = 54;
constexpr int kDays = 7;
constexpr int kLeastCell = 7;
constexpr int kMostCell = 22;
// Room for the weekday names on the left, the month names above and the key below.
constexpr int kLeftGutter = 34;
constexpr int kTopGutter = 22;
constexpr int kBottomGutter = 30;

// The accent laid over the ground, more of it for a longer day.
QColor Shade(int shade)
{
    if (shade <= 0)
        return kNoRun;
    const QColor accent = artwork::accentColor();
    const double share = 0.25 + 0.75 * shade / kCalendarShades;
    return QColor::fromRgbF(static_cast<float>(kGround.redF() + (accent.redF() - kGround.redF()) * share),
        static_cast<float>(kGround.greenF() + (accent.greenF() - kGround.greenF()) * share),
        static_cast<float>(kGround.blueF() + (accent.blueF() - kGround.blueF()) * share));
}

} // namespace

YearCalendar::YearCalendar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("calYear"));
    setAccessibleName(QStringLiteral("Runs per day of the year"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void YearCalendar::showYear(const CalendarYear& year, const QString& unit)
{
    m_year = year;
    m_unit = unit;
    update();
}

QSize YearCalendar::sizeHint() const
{
    return {kLeftGutter + kWeekColumns * 14, kTopGutter + kDays * 14 + kBottomGutter};
}

QSize YearCalendar::minimumSizeHint() const
{
    return {kLeftGutter + kWeekColumns * kLeastCell, kTopGutter + kDays * kLeastCell + kBottomGutter};
}

YearCalendar::Grid YearCalendar::grid() const
{
    const int across = (width() - kLeftGutter - 8) / kWeekColumns;
    const int down = (height() - kTopGutter - kBottomGutter) / kDays;
    Grid grid;
    grid.cell = std::clamp(std::min(across, down), kLeastCell, kMostCell);
    grid.gap = std::max(1, grid.cell / 6);
    // Centred in the height the squares leave.
    const int spare = height() - kTopGutter - kBottomGutter - kDays * grid.cell;
    grid.origin = QPoint(kLeftGutter, kTopGutter + std::max(0, spare / 2));
    return grid;
}

int YearCalendar::columnOf(const QDate& date) const
{
    const int lead = QDate(m_year.year, 1, 1).dayOfWeek() - 1;
    return (date.dayOfYear() - 1 + lead) / kDays;
}

QRect YearCalendar::cellRect(const QDate& date) const
{
    if (m_year.days.empty() || date.year() != m_year.year)
        return {};
    const Grid g = grid();
    return {g.origin.x() + columnOf(date) * g.cell, g.origin.y() + (date.dayOfWeek() - 1) * g.cell, g.cell - g.gap,
        g.cell - g.gap};
}

std::optional<CalendarDay> YearCalendar::dayAt(const QPoint& at) const
{
    for (const CalendarDay& day : m_year.days)
        if (cellRect(day.date).contains(at))
            return day;
    return std::nullopt;
}

QString YearCalendar::tipAt(const QPoint& at) const
{
    const auto day = dayAt(at);
    if (!day)
        return {};
    const QString date = QLocale::c().toString(day->date, QStringLiteral("ddd d MMM yyyy"));
    if (day->runs == 0)
        return QStringLiteral("%1: no runs").arg(date);
    return QStringLiteral("%1: %2 %3, %4 %5")
        .arg(date)
        .arg(day->runs)
        .arg(day->runs == 1 ? QStringLiteral("run") : QStringLiteral("runs"))
        .arg(day->distance, 0, 'f', 2)
        .arg(m_unit);
}

bool YearCalendar::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = tipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this, cellRect(dayAt(help->pos())->date));
        return true;
    }
    return QWidget::event(event);
}

void YearCalendar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), kGround);
    if (m_year.days.empty())
        return;
    const Grid g = grid();
    painter.setPen(artwork::panelTextColor());
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    painter.setFont(small);
    const QLocale c = QLocale::c();
    for (int weekday : {1, 3, 5})
        painter.drawText(QRect(0, g.origin.y() + (weekday - 1) * g.cell, kLeftGutter - 6, g.cell),
            Qt::AlignRight | Qt::AlignVCenter, c.dayName(weekday, QLocale::ShortFormat));
    for (int month = 1; month <= 12; ++month) {
        const int column = columnOf(QDate(m_year.year, month, 1));
        painter.drawText(
            QPoint(g.origin.x() + column * g.cell, g.origin.y() - 6), c.monthName(month, QLocale::ShortFormat));
    }
    painter.setPen(Qt::NoPen);
    for (const CalendarDay& day : m_year.days)
        painter.fillRect(cellRect(day.date), Shade(day.shade));

    // The key: how the shades run, lightest to the longest days.
    const int keyTop = g.origin.y() + kDays * g.cell + 8;
    const int keyCell = std::min(g.cell, 12);
    int x = g.origin.x() + columnOf(QDate(m_year.year, 12, 31)) * g.cell + g.cell - g.gap
        - (kCalendarShades + 1) * keyCell;
    painter.setPen(artwork::panelTextColor());
    const QFontMetrics metrics(small);
    const QString less = QStringLiteral("Less"), more = QStringLiteral("More");
    painter.drawText(QRect(x - metrics.horizontalAdvance(less) - 6, keyTop, metrics.horizontalAdvance(less), keyCell),
        Qt::AlignVCenter, less);
    for (int shade = 0; shade <= kCalendarShades; ++shade)
        painter.fillRect(QRect(x + shade * keyCell, keyTop, keyCell - 2, keyCell - 2), Shade(shade));
    painter.drawText(
        QRect(x + (kCalendarShades + 1) * keyCell + 4, keyTop, metrics.horizontalAdvance(more) + 2, keyCell),
        Qt::AlignVCenter, more);
}

} // namespace paceforge
