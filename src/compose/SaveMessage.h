#pragma once

#include <QString>

namespace paceforge {

// A critical box: why a save wrote nothing, or what went wrong after a file was written.
struct SaveMessage {
    QString title;
    QString text;
};

} // namespace paceforge
