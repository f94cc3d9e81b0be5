#pragma once

#include <QProxyStyle>

namespace paceforge {

// The application's style with the window's arrows, focus marks and arrow icons. The window's
// style sheet draws everything else, but a style sheet can only draw arrows from image files,
// which the stock light ones are; this style draws them in the accent colour at any pixel ratio.
class DarkStyle final : public QProxyStyle
{
    Q_OBJECT
public:
    // One instance serves every window and outlives them, as the widgets it draws refer to it.
    static DarkStyle* instance();

    void drawPrimitive(
        PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const override;
    void drawControl(
        ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const override;

private:
    explicit DarkStyle(QStyle* base);
};

// Style sheet rules every window shares, so a menu, calendar, scroll bar or tooltip looks the same in
// each; scroll bars are given a width, as the main window's fixed layout has less room for them.
QString DarkSheetSharedRules(int scrollBarWidth);

} // namespace paceforge
