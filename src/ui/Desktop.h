#pragma once

#include <QDesktopServices>
#include <QUrl>

namespace paceforge {

// Hands pages to the user's browser; tests replace it so that nothing is launched.
class Desktop
{
public:
    virtual ~Desktop() = default;
    virtual void openUrl(const QUrl& url) { QDesktopServices::openUrl(url); }
};

} // namespace paceforge
