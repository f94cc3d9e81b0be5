#include "ImageButton.h"

#include <QKeyEvent>
#include <QPainter>

namespace paceforge {

ImageButton::ImageButton(const QPixmap& face, const QPixmap& pressedFace, QWidget* parent)
    : QAbstractButton(parent),
      m_face(face),
      m_pressedFace(pressedFace)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void ImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), isDown() ? m_pressedFace : m_face);
}

void ImageButton::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

} // namespace paceforge
