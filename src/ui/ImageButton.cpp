#include "ImageButton.h"

#include <QPainter>

namespace paceforge {

ImageButton::ImageButton(const QPixmap& face, const QPixmap& pressedFace, QWidget* parent)
    : QAbstractButton(parent),
      m_face(face),
      m_pressedFace(pressedFace)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void ImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), isDown() ? m_pressedFace : m_face);
}

} // namespace paceforge
