#pragma once

#include "platform/XmlDocument.h"
#include "workout/EntryFields.h"

#include <QLocale>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace paceforge {

inline constexpr std::string_view kAbsentValue = "???";

// Text of the first element of that name below the node, in document order, trimmed; the default
// when there is none.
std::string GetDescendantText(pugi::xml_node node, std::string_view name, std::string_view defaultText);

// What a workout document puts into the entry fields, in the units the window shows.
struct WorkoutEntries : EntryFields {
    // The date label, when the document's time reads as a date and a time.
    std::optional<QString> dateLabel;
};

// Absent values show as "???", and values that cannot be converted show as found, so that nothing
// on screen looks like a valid value that the file does not hold; the save refuses such fields.
// Numbers in the document always use "."; on screen they take the user's decimal separator.
std::optional<WorkoutEntries> ReadWorkoutEntries(
    const XmlDocument& document, bool miles, bool pounds, const QLocale& locale);

} // namespace paceforge
