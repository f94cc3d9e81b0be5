#include "PaintedIconEngine.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace paceforge {

PaintedIconEngine::PaintedIconEngine(Painter painter) : m_painter(std::move(painter)) { }

void PaintedIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State)
{
    m_painter(*painter, QRectF(rect), mode);
}

QPixmap PaintedIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State)
{
    // Qt asks in device pixels; the pixmap's ratio is set by QIcon afterwards.
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    m_painter(painter, QRectF(QPointF(0, 0), QSizeF(size)), mode);
    return picture;
}

QIconEngine* PaintedIconEngine::clone() const
{
    return new PaintedIconEngine(m_painter);
}

QString PaintedIconEngine::key() const
{
    return QStringLiteral("PaintedIconEngine");
}

QIcon PaintedIconEngine::icon(Painter painter)
{
    return QIcon(new PaintedIconEngine(std::move(painter)));
}

} // namespace paceforge
