#include "Artwork.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace paceforge::artwork {

namespace {

// The background is laid out for this window size; element positions are
// absolute in it, so other sizes are scaled rather than re-laid out.
constexpr qreal kDesignW = 739.0;
constexpr qreal kDesignH = 444.0;

const QColor kAccent(0xFF, 0x6B, 0x1A);
const QColor kAccentLight(0xFF, 0x8E, 0x45);
const QColor kAccentDeep(0xE2, 0x52, 0x08);
const QColor kInk(0x17, 0x19, 0x1D); // dark text on accent fills
const QColor kPanelText(0xF5, 0xF7, 0xFA);

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

QPixmap blankPixmap(QSize size, qreal ratio)
{
    const qreal dpr = ratio > 0 ? ratio : applicationRatio();
    QPixmap pm(QSize(qCeil(size.width() * dpr), qCeil(size.height() * dpr)));
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    return pm;
}

void prepare(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QFont uiFont(int pixelSize, QFont::Weight weight, bool italic = false)
{
    QFont f = QGuiApplication::font();
    f.setPixelSize(pixelSize);
    f.setWeight(weight);
    f.setItalic(italic);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QPainterPath topRoundedRect(const QRectF& r, qreal radius)
{
    QPainterPath path;
    path.moveTo(r.left(), r.bottom());
    path.lineTo(r.left(), r.top() + radius);
    path.arcTo(QRectF(r.left(), r.top(), 2 * radius, 2 * radius), 180, -90);
    path.lineTo(r.right() - radius, r.top());
    path.arcTo(QRectF(r.right() - 2 * radius, r.top(), 2 * radius, 2 * radius), 90, -90);
    path.lineTo(r.right(), r.bottom());
    path.closeSubpath();
    return path;
}

// Slanted bar used by the wordmark and the speed stripes: a parallelogram
// leaning forward like a runner.
QPainterPath slantedBar(qreal x, qreal y, qreal w, qreal h, qreal lean)
{
    QPainterPath path;
    path.moveTo(x + lean, y);
    path.lineTo(x + lean + w, y);
    path.lineTo(x + w, y + h);
    path.lineTo(x, y + h);
    path.closeSubpath();
    return path;
}

void drawPanel(QPainter& p, const QRectF& r)
{
    constexpr qreal radius = 10.0;

    // A soft drop shadow keeps the panel lifted from the striped backdrop.
    for (int i = 3; i >= 1; --i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 22));
        p.drawRoundedRect(r.adjusted(-i, -i + 2, i, i + 2), radius + i, radius + i);
    }

    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0.0, QColor(0x1A, 0x1D, 0x22, 238));
    fill.setColorAt(1.0, QColor(0x12, 0x14, 0x18, 238));
    p.setBrush(fill);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1.0));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    // Faint inner highlight along the top edge only.
    QLinearGradient rim(r.topLeft(), QPointF(r.left(), r.top() + 24));
    rim.setColorAt(0.0, QColor(255, 255, 255, 16));
    rim.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(rim);
    p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), radius - 1, radius - 1);
}

void drawPill(QPainter& p, const QRectF& area, const QString& caption, bool pressed, bool chevron)
{
    QRectF body = area.adjusted(0.5, 0.5, -0.5, -2.0);
    if (pressed)
        body.translate(0, 1.0);
    const qreal radius = body.height() / 2.0;

    if (!pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 90));
        p.drawRoundedRect(body.translated(0, 1.5), radius, radius);
    }

    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    if (pressed) {
        fill.setColorAt(0.0, kAccentDeep.darker(112));
        fill.setColorAt(1.0, kAccentDeep);
    } else {
        fill.setColorAt(0.0, kAccentLight);
        fill.setColorAt(1.0, kAccentDeep);
    }
    p.setBrush(fill);
    p.setPen(QPen(pressed ? kAccentDeep.darker(135) : kAccentDeep.darker(115), 1.0));
    p.drawRoundedRect(body, radius, radius);

    if (!pressed) {
        QLinearGradient gloss(body.topLeft(), QPointF(body.left(), body.center().y()));
        gloss.setColorAt(0.0, QColor(255, 255, 255, 70));
        gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(gloss);
        p.drawRoundedRect(body.adjusted(1, 1, -1, -body.height() / 2.0), radius - 1, (body.height() / 2.0 - 1) / 2.0);
    }

    const int px = std::clamp(qRound(body.height() * 0.5), 11, 13);
    const QFont font = uiFont(px, QFont::Bold);
    const QFontMetricsF fm(font);
    const qreal textW = fm.horizontalAdvance(caption);
    const qreal chevronW = chevron ? px * 0.45 + 6.0 : 0.0;
    const qreal startX = body.center().x() - (textW + chevronW) / 2.0;
    const qreal baseline = body.center().y() + (fm.ascent() - fm.descent()) / 2.0;

    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QPointF(startX, baseline), caption);

    if (chevron) {
        const qreal cx = startX + textW + 6.0;
        const qreal h = px * 0.42;
        const qreal cy = body.center().y();
        QPainterPath arrow;
        arrow.moveTo(cx, cy - h);
        arrow.lineTo(cx + h * 0.85, cy);
        arrow.lineTo(cx, cy + h);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kInk, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(arrow);
    }
}

void drawWindowButton(QPainter& p, const QRectF& area, Glyph glyph, bool pressed)
{
    const QRectF box = area.adjusted(0.5, 0.5, -0.5, -0.5);
    QColor face
        = pressed ? (glyph == Glyph::Close ? kAccentDeep : QColor(255, 255, 255, 14)) : QColor(255, 255, 255, 26);
    p.setPen(QPen(QColor(255, 255, 255, pressed ? 20 : 40), 1.0));
    p.setBrush(face);
    p.drawRoundedRect(box, 4, 4);

    const QColor ink = pressed && glyph != Glyph::Close ? QColor(0xB8, 0xBE, 0xC7) : QColor(0xE6, 0xE9, 0xEE);
    const QPointF c = box.center() + QPointF(0, pressed ? 0.5 : 0.0);
    const qreal s = std::min(box.width(), box.height()) * 0.24;
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    if (glyph == Glyph::Minimize) {
        // Sits low, like the taskbar it sends the window to.
        const qreal y = c.y() + s * 0.9;
        p.drawLine(QPointF(c.x() - s * 1.15, y), QPointF(c.x() + s * 1.15, y));
    } else {
        p.drawLine(QPointF(c.x() - s, c.y() - s), QPointF(c.x() + s, c.y() + s));
        p.drawLine(QPointF(c.x() - s, c.y() + s), QPointF(c.x() + s, c.y() - s));
    }
}

void drawRefresh(QPainter& p, const QRectF& area, bool pressed)
{
    const QRectF box = area.adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(255, 255, 255, pressed ? 20 : 36), 1.0));
    p.setBrush(QColor(255, 255, 255, pressed ? 10 : 20));
    p.drawRoundedRect(box, 4, 4);

    const QColor ink = pressed ? kAccentDeep : kAccent;
    const QPointF c = box.center() + QPointF(0, pressed ? 0.5 : 0.0);
    const qreal r = std::min(box.width(), box.height()) * 0.29;
    const QRectF circle(c.x() - r, c.y() - r, 2 * r, 2 * r);

    // Gap at the upper right, where the arrowhead leads back into the arc.
    constexpr qreal startDeg = 60.0;
    constexpr qreal spanDeg = 285.0;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ink, 1.7, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(circle, qRound(startDeg * 16), qRound(spanDeg * 16));

    const qreal endRad = qDegreesToRadians(startDeg);
    const QPointF tip(c.x() + r * std::cos(endRad), c.y() - r * std::sin(endRad));
    // Tangent direction of travel at the arc start (clockwise on screen).
    const QPointF dir(std::sin(endRad), std::cos(endRad));
    const QPointF normal(-dir.y(), dir.x());
    const qreal a = r * 0.95;
    QPainterPath head;
    head.moveTo(tip + dir * (a * 0.9));
    head.lineTo(tip - dir * (a * 0.25) + normal * (a * 0.75));
    head.lineTo(tip - dir * (a * 0.25) - normal * (a * 0.75));
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(head);
}

void drawWordmark(QPainter& p, const QRectF& area, bool pressed)
{
    if (pressed) {
        p.translate(0, 1.0);
        p.setOpacity(0.78);
    }
    const qreal h = area.height();
    const qreal stripeH = h * 0.52;
    const qreal top = area.center().y() - stripeH / 2.0;
    const qreal lean = stripeH * 0.55;

    // Stripes brightening towards the text read as motion trailing the name.
    constexpr qreal stripeW = 3.0;
    const int alphas[] = {110, 180, 255};
    qreal x = area.left() + 1.0;
    p.setPen(Qt::NoPen);
    for (int alpha : alphas) {
        p.setBrush(withAlpha(kAccent, alpha));
        p.drawPath(slantedBar(x, top, stripeW, stripeH, lean));
        x += stripeW + 2.0;
    }

    const QString first = QStringLiteral("Pace");
    const QString second = QStringLiteral("forge");
    const qreal textX = x + lean + 1.0;
    const qreal room = area.right() - textX - 1.0;

    // Shrink until the whole word fits; the logo must never be clipped.
    int px = std::clamp(qRound(h * 0.72), 9, 22);
    QFont font = uiFont(px, QFont::Black, true);
    while (px > 9 && QFontMetricsF(font).horizontalAdvance(first + second) > room)
        font = uiFont(--px, QFont::Black, true);
    const QFontMetricsF fm(font);
    const qreal baseline = area.center().y() + (fm.ascent() - fm.descent()) / 2.0;

    p.setFont(font);
    p.setPen(kPanelText);
    p.drawText(QPointF(textX, baseline), first);
    p.setPen(kAccent);
    p.drawText(QPointF(textX + fm.horizontalAdvance(first), baseline), second);
}

void drawSpeedStripes(QPainter& p)
{
    // Forward-leaning bands across the header, fading out before the date
    // label so the motif never competes with text.
    p.save();
    p.setPen(Qt::NoPen);
    constexpr qreal height = 100.0;
    constexpr qreal lean = 58.0;
    const struct {
        qreal x, w;
        int alpha;
        bool accent;
    } bands[] = {
        {392, 34, 16, false},
        {436, 8, 22, false},
        {452, 56, 12, false},
        {520, 5, 90, true},
        {534, 18, 18, false},
        {562, 3, 60, true},
        {574, 40, 10, false},
    };
    for (const auto& b : bands) {
        QLinearGradient fade(QPointF(0, 0), QPointF(0, height));
        const QColor base = b.accent ? kAccent : QColor(255, 255, 255);
        fade.setColorAt(0.0, withAlpha(base, b.alpha));
        fade.setColorAt(0.55, withAlpha(base, b.alpha / 3));
        fade.setColorAt(1.0, withAlpha(base, 0));
        p.setBrush(fade);
        p.drawPath(slantedBar(b.x, 0, b.w, height, lean));
    }
    p.restore();
}

void drawTrackLanes(QPainter& p)
{
    // Curved lanes of a running track sweeping out of the lower right corner.
    p.save();
    p.setBrush(Qt::NoBrush);
    const QPointF centre(kDesignW + 90, kDesignH + 250);
    for (int lane = 0; lane < 7; ++lane) {
        const qreal r = 330.0 + lane * 15.0;
        const bool accentLane = lane == 2;
        const int alpha = accentLane ? 70 : 16 - lane;
        const QColor c = accentLane ? withAlpha(kAccent, alpha) : QColor(255, 255, 255, alpha);
        p.setPen(QPen(c, accentLane ? 2.0 : 1.2));
        p.drawEllipse(centre, r * 1.35, r);
    }
    p.restore();
}

} // namespace

qreal applicationRatio()
{
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

QColor accentColor()
{
    return kAccent;
}

QColor panelTextColor()
{
    return kPanelText;
}

QPixmap background(QSize size, qreal ratio)
{
    if (size.isEmpty())
        return QPixmap();

    QPixmap pm = blankPixmap(size, ratio);
    QPainter p(&pm);
    prepare(p);
    p.scale(size.width() / kDesignW, size.height() / kDesignH);
    const QRectF all(0, 0, kDesignW, kDesignH);

    QLinearGradient base(all.topLeft(), all.bottomRight());
    base.setColorAt(0.0, QColor(0x2A, 0x2E, 0x35));
    base.setColorAt(0.55, QColor(0x1E, 0x21, 0x26));
    base.setColorAt(1.0, QColor(0x14, 0x16, 0x1A));
    p.fillRect(all, base);

    QRadialGradient glow(QPointF(kDesignW - 80, -40), 360);
    glow.setColorAt(0.0, withAlpha(kAccent, 34));
    glow.setColorAt(1.0, withAlpha(kAccent, 0));
    p.fillRect(all, glow);

    drawSpeedStripes(p);
    drawTrackLanes(p);

    // Header rule: fades out to the right so it does not box the window in.
    {
        QLinearGradient rule(QPointF(26, 0), QPointF(713, 0));
        rule.setColorAt(0.0, QColor(255, 255, 255, 60));
        rule.setColorAt(1.0, QColor(255, 255, 255, 6));
        p.fillRect(QRectF(26, 50, 687, 1), rule);
    }

    // Tab baseline the tabs stand on, carrying the accent into the content.
    {
        QLinearGradient rule(QPointF(52, 0), QPointF(700, 0));
        rule.setColorAt(0.0, kAccent);
        rule.setColorAt(0.45, withAlpha(kAccent, 150));
        rule.setColorAt(1.0, withAlpha(kAccent, 0));
        p.fillRect(QRectF(52, 103, 648, 2), rule);
    }

    drawPanel(p, QRectF(52, 110, 278, 255));
    drawPanel(p, QRectF(360, 110, 340, 200));

    // Hairline frame so the frameless window keeps a crisp edge on any desktop.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 200), 1.0));
    p.drawRect(all.adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(QPen(QColor(255, 255, 255, 24), 1.0));
    p.drawRect(all.adjusted(1.5, 1.5, -1.5, -1.5));

    return pm;
}

QPixmap tabFace(const QString& caption, QSize size, bool active, qreal ratio)
{
    if (size.isEmpty())
        return QPixmap();

    QPixmap pm = blankPixmap(size, ratio);
    QPainter p(&pm);
    prepare(p);
    const QRectF r(0, 0, size.width(), size.height());
    const qreal radius = std::min<qreal>(8.0, r.height() / 3.0);
    const QPainterPath shape = topRoundedRect(r.adjusted(0.5, 0.5, -0.5, 0), radius);

    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    if (active) {
        fill.setColorAt(0.0, kAccentLight);
        fill.setColorAt(1.0, kAccent);
        p.setPen(QPen(kAccentDeep, 1.0));
    } else {
        fill.setColorAt(0.0, QColor(0x3A, 0x3F, 0x47));
        fill.setColorAt(1.0, QColor(0x2C, 0x30, 0x36));
        p.setPen(QPen(QColor(255, 255, 255, 22), 1.0));
    }
    p.setBrush(fill);
    p.drawPath(shape);

    if (active) {
        QLinearGradient gloss(r.topLeft(), QPointF(0, r.height() * 0.5));
        gloss.setColorAt(0.0, QColor(255, 255, 255, 80));
        gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(gloss);
        p.drawPath(topRoundedRect(r.adjusted(1.5, 1.5, -1.5, -r.height() * 0.5), radius - 1));
    }

    const int px = std::clamp(qRound(r.height() * 0.38), 11, 16);
    p.setFont(uiFont(px, active ? QFont::Bold : QFont::DemiBold));
    p.setPen(active ? kInk : QColor(0x8E, 0x95, 0x9F));
    p.drawText(r.adjusted(0, 1, 0, 0), Qt::AlignCenter, caption);
    return pm;
}

QPixmap buttonFace(Glyph glyph, QSize size, bool pressed, qreal ratio)
{
    if (size.isEmpty())
        return QPixmap();

    QPixmap pm = blankPixmap(size, ratio);
    QPainter p(&pm);
    prepare(p);
    const QRectF r(0, 0, size.width(), size.height());

    switch (glyph) {
    case Glyph::Website:
        drawWordmark(p, r, pressed);
        break;
    case Glyph::Minimize:
    case Glyph::Close:
        drawWindowButton(p, r, glyph, pressed);
        break;
    case Glyph::Refresh:
        drawRefresh(p, r, pressed);
        break;
    case Glyph::Save:
        drawPill(p, r, QStringLiteral("Save"), pressed, false);
        break;
    case Glyph::Continue:
        drawPill(p, r, QStringLiteral("Continue"), pressed, true);
        break;
    }
    return pm;
}

void paintAppIcon(QPainter& p, const QRectF& area)
{
    p.save();
    prepare(p);
    p.translate(area.topLeft());
    p.scale(area.width() / 64.0, area.height() / 64.0);

    QLinearGradient tile(QPointF(2, 2), QPointF(62, 62));
    tile.setColorAt(0.0, QColor(0x2A, 0x2E, 0x35));
    tile.setColorAt(1.0, QColor(0x14, 0x16, 0x1A));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    const qreal opacities[] = {1.0, 0.75, 0.5};
    for (int i = 0; i < 3; ++i) {
        const qreal x = 10 + 9 * i;
        QPainterPath bar;
        bar.moveTo(x, 44);
        bar.lineTo(x + 8, 20);
        bar.lineTo(x + 13, 20);
        bar.lineTo(x + 5, 44);
        bar.closeSubpath();
        p.setOpacity(opacities[i]);
        p.fillPath(bar, kAccent);
    }
    p.setOpacity(1.0);

    QPainterPath letter;
    letter.moveTo(40, 44);
    letter.lineTo(46, 20);
    letter.lineTo(52, 20);
    letter.cubicTo(57, 20, 58, 24, 57, 27);
    letter.cubicTo(56, 31, 53, 33, 48, 33);
    letter.lineTo(45, 33);
    letter.lineTo(42, 44);
    letter.closeSubpath();
    letter.moveTo(46, 29);
    letter.lineTo(48.5, 29);
    letter.cubicTo(51, 29, 52, 28, 52.4, 26.5);
    letter.cubicTo(52.8, 25, 52, 24, 50, 24);
    letter.lineTo(48, 24);
    letter.closeSubpath();
    p.fillPath(letter, kPanelText);
    p.restore();
}

void paintArrow(QPainter& p, const QRectF& area, Qt::ArrowType direction, const QColor& color, qreal side)
{
    if (side <= 0)
        side = std::clamp(std::min(area.width(), area.height()) * 0.6, 4.0, 10.0);
    const qreal half = side / 2.0;
    const qreal depth = side * 0.55;
    const QPointF c = area.center();
    QPolygonF shape;
    switch (direction) {
    case Qt::UpArrow:
        shape << QPointF(c.x() - half, c.y() + depth / 2) << QPointF(c.x() + half, c.y() + depth / 2)
              << QPointF(c.x(), c.y() - depth / 2);
        break;
    case Qt::DownArrow:
        shape << QPointF(c.x() - half, c.y() - depth / 2) << QPointF(c.x() + half, c.y() - depth / 2)
              << QPointF(c.x(), c.y() + depth / 2);
        break;
    case Qt::LeftArrow:
        shape << QPointF(c.x() + depth / 2, c.y() - half) << QPointF(c.x() + depth / 2, c.y() + half)
              << QPointF(c.x() - depth / 2, c.y());
        break;
    default:
        shape << QPointF(c.x() - depth / 2, c.y() - half) << QPointF(c.x() - depth / 2, c.y() + half)
              << QPointF(c.x() + depth / 2, c.y());
        break;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(shape);
    p.restore();
}

} // namespace paceforge::artwork
