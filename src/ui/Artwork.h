#pragma once

#include <QPixmap>
#include <QRectF>
#include <QSize>
#include <QString>

class QColor;
class QPainter;

namespace paceforge::artwork {

// Pictures are painted for a device pixel ratio; 0 means the application's.

// The whole window background (designed for 739x444; other sizes are scaled).
QPixmap background(QSize size, qreal ratio = 0);

// Tab face with a centred caption; active = accent fill, dimmed = muted grey.
QPixmap tabFace(const QString& caption, QSize size, bool active, qreal ratio = 0);

enum class Glyph { Website, Minimize, Close, Refresh, Save, Continue };

// Button faces; pressed gives a darker, slightly lowered look.
QPixmap buttonFace(Glyph glyph, QSize size, bool pressed, qreal ratio = 0);

qreal applicationRatio();

// The program's icon, as share/linux/io.paceforge.Paceforge.svg draws it, filling `area`.
void paintAppIcon(QPainter& painter, const QRectF& area);

// A solid triangle pointing along `direction`, centred in `area`; `side` is its base, or as
// suits the area when 0.
void paintArrow(QPainter& painter, const QRectF& area, Qt::ArrowType direction, const QColor& color, qreal side = 0);

// Colours for the window's widgets, so style sheets match the artwork.
QColor accentColor();
QColor panelTextColor();

} // namespace paceforge::artwork
