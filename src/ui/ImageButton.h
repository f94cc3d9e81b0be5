#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace paceforge {

// A button that is only a picture, with a second picture while it is held down. It is reached by
// Tab (a click does not move the focus to it) and clicks on Space or Enter; the window draws its
// focus ring, which must lie outside the picture to show on the accent faces.
class ImageButton final : public QAbstractButton
{
    Q_OBJECT
public:
    ImageButton(const QPixmap& face, const QPixmap& pressedFace, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPixmap m_face;
    QPixmap m_pressedFace;
};

} // namespace paceforge
