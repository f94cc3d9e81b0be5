#pragma once

class QWidget;

namespace paceforge {

// Gives a dialog the program's dark look. A dialog is a child of the window, so the window's
// style sheet reaches it and paints its text light; everything that sheet leaves to the palette
// would otherwise stay light too, and light text on it cannot be read.
void ApplyDialogLook(QWidget* dialog);

} // namespace paceforge
