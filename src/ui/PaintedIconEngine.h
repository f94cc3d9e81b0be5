#pragma once

#include <QIconEngine>

#include <functional>

namespace paceforge {

// An icon drawn in code at whatever size and pixel ratio it is asked for, so that it stays crisp
// without image files (Qt's SVG support is not a dependency).
class PaintedIconEngine final : public QIconEngine
{
public:
    using Painter = std::function<void(QPainter&, const QRectF&, QIcon::Mode)>;
    explicit PaintedIconEngine(Painter painter);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;

    static QIcon icon(Painter painter);

private:
    Painter m_painter;
};

} // namespace paceforge
