#include "DarkStyle.h"

#include "Artwork.h"
#include "PaintedIconEngine.h"

#include <QApplication>
#include <QFocusFrame>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

namespace paceforge {
namespace {

const QColor kDisabledArrow(0x5A, 0x60, 0x6B);
constexpr qreal kFocusRingWidth = 2.0;
constexpr qreal kFocusRingGap = 2.0;

double Luminance(const QColor& color)
{
    const auto channel = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
}

double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QIcon ArrowIcon(Qt::ArrowType direction)
{
    return PaintedIconEngine::icon([direction](QPainter& painter, const QRectF& area, QIcon::Mode mode) {
        // Icons are painted in device pixels: the arrow keeps its share of the icon at any ratio.
        artwork::paintArrow(painter, area, direction, mode == QIcon::Disabled ? kDisabledArrow : artwork::accentColor(),
            std::min(area.width(), area.height()) * 0.6);
    });
}

} // namespace

DarkStyle::DarkStyle(QStyle* base) : QProxyStyle(base) { }

DarkStyle* DarkStyle::instance()
{
    static QPointer<DarkStyle> style;
    if (!style) {
        style = new DarkStyle(QStyleFactory::create(QApplication::style()->name()));
        style->setParent(qApp);
    }
    return style;
}

void DarkStyle::drawPrimitive(
    PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    const bool enabled = option->state & State_Enabled;
    const QColor arrow = enabled ? artwork::accentColor() : kDisabledArrow;
    switch (element) {
    case PE_IndicatorArrowUp:
        artwork::paintArrow(*painter, option->rect, Qt::UpArrow, arrow);
        return;
    case PE_IndicatorArrowDown:
        artwork::paintArrow(*painter, option->rect, Qt::DownArrow, arrow);
        return;
    case PE_IndicatorSpinUp:
    case PE_IndicatorSpinPlus:
    case PE_IndicatorSpinDown:
    case PE_IndicatorSpinMinus: {
        // The step buttons hand in a box narrower than the button; the arrow is sized on its height.
        const bool up = element == PE_IndicatorSpinUp || element == PE_IndicatorSpinPlus;
        const qreal side = std::clamp(option->rect.height() * 0.85, 5.0, 9.0);
        artwork::paintArrow(*painter, option->rect, up ? Qt::UpArrow : Qt::DownArrow, arrow, side);
        return;
    }
    case PE_IndicatorArrowLeft:
        artwork::paintArrow(*painter, option->rect, Qt::LeftArrow, arrow);
        return;
    case PE_IndicatorArrowRight:
        artwork::paintArrow(*painter, option->rect, Qt::RightArrow, arrow);
        return;
    case PE_FrameFocusRect: {
        // Shown once the keyboard moves the focus, so that a click leaves no ring. Item views set
        // the option's flag for every focused row, so the window is asked instead.
        const auto* asker = widget ? widget : qobject_cast<const QWidget*>(option->styleObject);
        const bool byKeyboard = asker ? asker->window()->testAttribute(Qt::WA_KeyboardFocusChange)
                                      : bool(option->state & State_KeyboardFocusChange);
        if (!byKeyboard)
            return;
        // On an accent fill (the chosen day, a selected row) the accent would vanish.
        QColor ring = artwork::accentColor();
        if (const auto* focus = qstyleoption_cast<const QStyleOptionFocusRect*>(option))
            if (focus->backgroundColor.isValid() && Contrast(ring, focus->backgroundColor) < 3.0)
                ring = artwork::panelTextColor();
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(QPen(ring, 1.0));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
        painter->restore();
        return;
    }
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void DarkStyle::drawControl(
    ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if (element != CE_FocusFrame) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // A ring with a gap around the focused picture button: the accent faces and the accent line
    // under the tabs would swallow a ring that touched them.
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(QPen(artwork::accentColor(), kFocusRingWidth));
    painter->setBrush(Qt::NoBrush);
    const qreal inset = kFocusRingWidth / 2.0;
    painter->drawRoundedRect(QRectF(option->rect).adjusted(inset, inset, -inset, -inset), 6, 6);
    painter->restore();
}

int DarkStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    // Only for the ring, which asks without naming itself at times; item views place their text by
    // the same measure.
    const QObject* asker = widget ? widget : option ? option->styleObject : nullptr;
    if ((metric == PM_FocusFrameHMargin || metric == PM_FocusFrameVMargin)
        && (!asker || qobject_cast<const QFocusFrame*>(asker)))
        return static_cast<int>(kFocusRingWidth + kFocusRingGap);
    return QProxyStyle::pixelMetric(metric, option, widget);
}

QIcon DarkStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const
{
    switch (icon) {
    case SP_ArrowLeft:
    case SP_ArrowBack:
        return ArrowIcon(Qt::LeftArrow);
    case SP_ArrowRight:
    case SP_ArrowForward:
        return ArrowIcon(Qt::RightArrow);
    default:
        return QProxyStyle::standardIcon(icon, option, widget);
    }
}

QString DarkSheetSharedRules(int scrollBarWidth)
{
    return QStringLiteral(
        "QMenu { background: #1A1D22; color: %2; border: 1px solid #3A3F48; }"
        "QMenu::item { padding: 3px 14px; }"
        "QMenu::item:selected { background: %1; color: #111; }"
        "QMenu::item:disabled { color: #7D848F; }"
        "QMenu::separator { height: 1px; background: #3A3F48; margin: 3px 6px; }"
        "QCalendarWidget QWidget#qt_calendar_navigationbar { background: #23272E; }"
        "QCalendarWidget QToolButton { color: %2; background: transparent; font-weight: bold; }"
        "QCalendarWidget QAbstractItemView { background: #0D0F12; color: %2; selection-background-color: %1;"
        "  selection-color: #111; }"
        // Days of the other months are dimmed, yet must stay readable (WCAG AA: 4.5:1 on #0D0F12).
        "QCalendarWidget QAbstractItemView:disabled { color: #7D848F; }"
        "QScrollBar:vertical { background: #0D0F12; width: %3px; margin: 0; border: 0; }"
        "QScrollBar:horizontal { background: #0D0F12; height: %3px; margin: 0; border: 0; }"
        "QScrollBar::handle { background: #5A606B; border-radius: 3px; margin: 2px; }"
        "QScrollBar::handle:vertical { min-height: 20px; }"
        "QScrollBar::handle:horizontal { min-width: 20px; }"
        "QScrollBar::handle:hover, QScrollBar::handle:pressed { background: %1; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: 0; background: none; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"
        "QToolTip { color: #111; background: %2; border: 1px solid %1; }")
        .arg(artwork::accentColor().name(), artwork::panelTextColor().name(), QString::number(scrollBarWidth));
}

} // namespace paceforge
