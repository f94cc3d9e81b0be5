#include "PacePreview.h"

#include "SaveWorkout.h"

namespace paceforge {

std::optional<PacePreview> PreviewPace(const EntryFields& fields, bool miles, const QLocale& locale)
{
    SaveEntries entries;
    static_cast<EntryFields&>(entries) = fields;
    entries.miles = miles;
    const auto checked = CheckEntries(entries, locale);
    const auto* values = std::get_if<CheckedEntries>(&checked);
    if (!values)
        return std::nullopt;
    const DistanceFigures distance = ComposeDistance(*values, miles);
    const Pace perMile = PaceFor(values->totalSeconds, distance.paceMiles);
    if (PaceRefusal(values->totalSeconds, distance, perMile) && !perMile.tooFast)
        return std::nullopt;
    const Pace perKilometre = PaceFor(values->totalSeconds, distance.kilometres);
    PacePreview preview;
    preview.tooFast = perMile.tooFast;
    preview.text = QString::fromStdString(perMile.text) + QStringLiteral(" min/mi \u00B7 ")
        + QString::fromStdString(perKilometre.text) + QStringLiteral(" min/km");
    if (preview.tooFast)
        preview.text += QStringLiteral(" \u2014 too fast");
    return preview;
}

} // namespace paceforge
