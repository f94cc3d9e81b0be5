#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace paceforge {

// A button that is only a picture, with a second picture while it is held down.
class ImageButton final : public QAbstractButton
{
    Q_OBJECT
public:
    ImageButton(const QPixmap& face, const QPixmap& pressedFace, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_face;
    QPixmap m_pressedFace;
};

} // namespace paceforge
