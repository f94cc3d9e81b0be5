#include "HistoryButton.h"

#include "Artwork.h"

#include <QPainter>

namespace paceforge {

QPixmap HistoryButtonFace(QSize size, bool pressed)
{
    const qreal ratio = artwork::applicationRatio();
    QPixmap face(size * ratio);
    face.setDevicePixelRatio(ratio);
    face.fill(Qt::transparent);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing, true);
    // The same box as minimize and close beside it.
    const QRectF box = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(255, 255, 255, pressed ? 20 : 40), 1.0));
    p.setBrush(pressed ? QColor(255, 255, 255, 14) : QColor(255, 255, 255, 26));
    p.drawRoundedRect(box, 4, 4);

    const QColor ink = pressed ? QColor(0xB8, 0xBE, 0xC7) : QColor(0xE6, 0xE9, 0xEE);
    const qreal unit = box.width() / 17.0;
    const qreal base = box.bottom() - 4.0 * unit + (pressed ? 0.5 : 0.0);
    const qreal heights[] = {3.5, 6.0, 8.5};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        const QColor bar = i == 2 && !pressed ? artwork::accentColor() : ink;
        p.setBrush(bar);
        const qreal left = box.left() + (3.9 + i * 3.5) * unit;
        p.drawRect(QRectF(left, base - heights[i] * unit, 2.2 * unit, heights[i] * unit));
    }
    return face;
}

} // namespace paceforge
