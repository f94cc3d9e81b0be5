#pragma once

#include "workout/EntryFields.h"

#include <QLocale>
#include <QString>

#include <optional>

namespace paceforge {

struct PacePreview {
    QString text; // "6:00 min/mi · 3:44 min/km"
    // The save would refuse this pace.
    bool tooFast = false;
};

// The pace a save of these entries would write, per mile and per kilometre, worked out by the
// save's own stages so that the two never disagree; nothing while the save would refuse the
// entries before it comes to the pace.
std::optional<PacePreview> PreviewPace(const EntryFields& fields, bool miles, const QLocale& locale);

} // namespace paceforge
