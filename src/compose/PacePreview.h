#pragma once

#include "workout/EntryFields.h"

#include <QLocale>
#include <QString>

#include <optional>
#include <string>

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

// The same for a workout whose save keeps its recorded pace ("12:13" per mile, or per kilometre):
// that text for its unit, the other worked out from the entries; never refused as too fast.
std::optional<PacePreview> RecordedPacePreview(const EntryFields& fields, bool miles, const QLocale& locale,
    const std::optional<std::string>& perMile, const std::optional<std::string>& perKilometre);

} // namespace paceforge
