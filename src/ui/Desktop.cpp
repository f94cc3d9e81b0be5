#include "Desktop.h"

#include "Dialogs.h"

namespace paceforge {

void OpenLocalPath(
    Desktop& desktop, Dialogs& dialogs, QWidget* parent, const QString& path, const QString& title, const QString& text)
{
    if (!desktop.openUrl(QUrl::fromLocalFile(path)))
        dialogs.showPath(parent, title, text, path);
}

} // namespace paceforge
