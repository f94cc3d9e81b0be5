#include "PacePreview.h"

#include "SaveWorkout.h"

namespace paceforge {

namespace {

struct Paces {
    Pace perMile;
    Pace perKilometre;
};

// Both paces as the save works them out; nothing while the save would refuse the entries before
// it comes to the pace.
std::optional<Paces> ComputedPaces(const EntryFields& fields, bool miles, const QLocale& locale)
{
    SaveEntries entries;
    static_cast<EntryFields&>(entries) = fields;
    entries.miles = miles;
    const EntryCheck checked = CheckEntries(entries, locale);
    const auto* values = std::get_if<CheckedEntries>(&checked.result);
    if (!values)
        return std::nullopt;
    const DistanceFigures distance = ComposeDistance(*values, miles);
    const Pace perMile = PaceFor(values->totalSeconds, distance.paceMiles);
    if (PaceRefusal(values->totalSeconds, distance, perMile) && !perMile.tooFast)
        return std::nullopt;
    return Paces{perMile, PaceFor(values->totalSeconds, distance.kilometres)};
}

PacePreview Preview(const std::string& perMile, const std::string& perKilometre, bool tooFast)
{
    PacePreview preview;
    preview.tooFast = tooFast;
    preview.text = QString::fromStdString(perMile) + QStringLiteral(" min/mi \u00B7 ")
        + QString::fromStdString(perKilometre) + QStringLiteral(" min/km");
    if (preview.tooFast)
        preview.text += QStringLiteral(" \u2014 too fast");
    return preview;
}

} // namespace

std::optional<PacePreview> PreviewPace(const EntryFields& fields, bool miles, const QLocale& locale)
{
    const auto paces = ComputedPaces(fields, miles, locale);
    if (!paces)
        return std::nullopt;
    return Preview(paces->perMile.text, paces->perKilometre.text, paces->perMile.tooFast);
}

std::optional<PacePreview> RecordedPacePreview(const EntryFields& fields, bool miles, const QLocale& locale,
    const std::optional<std::string>& perMile, const std::optional<std::string>& perKilometre)
{
    const auto paces = ComputedPaces(fields, miles, locale);
    if (!paces)
        return std::nullopt;
    return Preview(perMile.value_or(paces->perMile.text), perKilometre.value_or(paces->perKilometre.text), false);
}

} // namespace paceforge
