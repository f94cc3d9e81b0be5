#pragma once

#include <QDesktopServices>
#include <QString>
#include <QUrl>

class QWidget;

namespace paceforge {

class Dialogs;

// Hands pages and folders to the desktop's programs; tests replace it so that nothing is launched.
class Desktop
{
public:
    virtual ~Desktop() = default;
    // False when the desktop has no program to open the URL with.
    virtual bool openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }
};

// Opens a local file or folder; where no program opens it, shows `text` and the path instead, so
// that the user learns where it is rather than nothing at all.
void OpenLocalPath(Desktop& desktop, Dialogs& dialogs, QWidget* parent, const QString& path, const QString& title,
    const QString& text);

} // namespace paceforge
