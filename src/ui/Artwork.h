#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

class QColor;

namespace paceforge::artwork {

// The whole window background (designed for 739x444; other sizes are scaled).
QPixmap background(QSize size);

// Tab face with a centred caption; active = accent fill, dimmed = muted grey.
QPixmap tabFace(const QString& caption, QSize size, bool active);

enum class Glyph { Website, Minimize, Close, Refresh, Save, Continue };

// Button faces; pressed gives a darker, slightly lowered look.
QPixmap buttonFace(Glyph glyph, QSize size, bool pressed);

// Colours for the window's widgets, so style sheets match the artwork.
QColor accentColor();
QColor panelTextColor();

} // namespace paceforge::artwork
