#pragma once

#include <QPixmap>
#include <QSize>

namespace paceforge {

// The face of the header's history button: the window buttons' rounded box around three rising
// bars. Painted for the application's pixel ratio.
QPixmap HistoryButtonFace(QSize size, bool pressed);

} // namespace paceforge
