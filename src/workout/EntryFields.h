#pragma once

#include <QString>

namespace paceforge {

// The texts of the six entry fields, in the order the window clears them.
struct EntryFields {
    QString distance;
    QString hours;
    QString minutes;
    QString seconds;
    QString weight;
    QString calories;
};

} // namespace paceforge
