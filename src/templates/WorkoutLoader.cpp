#include "WorkoutLoader.h"

#include "store/Catalogue.h"
#include "workout/Decimal.h"
#include "workout/Units.h"

#include <QStringList>

#include <array>

namespace paceforge {
namespace {

QString Text(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::optional<Decimal> DocumentNumber(const std::string& text)
{
    return Decimal::parsePlain(text);
}

// A document number shown as it stands, but in the user's decimal separator.
QString ShownAsStored(const std::string& text, const QLocale& locale)
{
    if (!DocumentNumber(text))
        return Text(text);
    return Text(text).replace(u'.', locale.decimalPoint());
}

// The element's trimmed text, empty for blank text, the default when there is no element.
std::string TrimmedText(pugi::xml_node found, std::string_view defaultText)
{
    if (!found)
        return std::string(defaultText);
    std::string text = NodeText(found);
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    text.erase(last + 1);
    text.erase(0, first);
    return text;
}

QString DistanceEntry(pugi::xml_node runSummary, pugi::xml_node firstDistance, bool miles, const QLocale& locale)
{
    const std::string unit = AttributeText(ChildElement(runSummary, "distance").attribute("unit"));
    const std::string stored = TrimmedText(firstDistance, kAbsentValue);
    const bool inKilometres = unit == "km";
    if (miles == !inKilometres)
        return ShownAsStored(stored, locale);
    const auto value = DocumentNumber(stored);
    if (!value)
        return Text(stored);
    return WriteEntryNumber(miles ? KilometresToMiles(*value) : MilesToKilometres(*value), locale);
}

QString WeightEntry(pugi::xml_node userInfo, bool pounds, const QLocale& locale)
{
    std::string stored = GetDescendantText(userInfo, "weight", kAbsentValue);
    if (stored.empty())
        stored.assign(1, '0');
    const auto kilograms = DocumentNumber(stored);
    if (!kilograms)
        return Text(stored);
    const Decimal shown = pounds ? KilogramsToPounds(*kilograms) : *kilograms;
    return WriteEntryNumber(shown.rounded(1, Decimal::Rounding::HalfEven), locale);
}

void FillDuration(WorkoutEntries& entries, const std::string& durationString)
{
    const QStringList pieces = Text(durationString).split(u':');
    if (pieces.size() < 2) {
        // Without a ":" nothing tells minutes from seconds; show it as unreadable.
        entries.hours.clear();
        entries.minutes = Text(kAbsentValue);
        entries.seconds = Text(kAbsentValue);
        return;
    }
    if (pieces.size() == 2) {
        entries.hours.clear();
        entries.minutes = pieces[0];
        entries.seconds = pieces[1];
        return;
    }
    const QString hours = pieces[0].trimmed();
    const auto hoursValue = Decimal::parsePlain(hours.toStdString());
    entries.hours = (hoursValue && hoursValue->isZero()) ? QString() : hours;
    entries.minutes = pieces[1];
    entries.seconds = pieces[2];
}

std::optional<QString> DateLabel(const std::string& time)
{
    const auto t = time.find('T');
    if (time.empty() || t == std::string::npos)
        return std::nullopt;
    const std::string date = time.substr(0, t);
    const auto afterT = time.find('T', t + 1);
    std::string clock = time.substr(t + 1, afterT == std::string::npos ? std::string::npos : afterT - t - 1);
    // The clock time ends where the zone begins: "-04:00" on the device's American firmware, but
    // "+01:00" or "Z" elsewhere.
    clock = clock.substr(0, clock.find_first_of("-+Z"));
    const auto shown = FormatTime12(clock, ":");
    if (!shown)
        return std::nullopt;
    return QStringLiteral("- ") + Text(date) + u' ' + *shown;
}

} // namespace

std::string GetDescendantText(pugi::xml_node node, std::string_view name, std::string_view defaultText)
{
    return TrimmedText(FirstDescendant(node, name), defaultText);
}

std::optional<WorkoutEntries> ReadWorkoutEntries(
    const XmlDocument& document, bool miles, bool pounds, const QLocale& locale)
{
    const pugi::xml_node sportsData = ChildElement(document.document(), "sportsData");
    if (!sportsData)
        return std::nullopt;
    const pugi::xml_node runSummary = ChildElement(sportsData, "runSummary");

    // One walk for the summary's fields instead of one for each.
    static constexpr std::array<std::string_view, 4> kNames = {"calories", "time", "distance", "durationString"};
    std::array<pugi::xml_node, kNames.size()> found;
    FirstDescendants(runSummary, kNames, found);

    WorkoutEntries entries;
    entries.calories = Text(TrimmedText(found[0], kAbsentValue));
    entries.dateLabel = DateLabel(TrimmedText(found[1], kAbsentValue));
    entries.distance = DistanceEntry(runSummary, found[2], miles, locale);
    FillDuration(entries, TrimmedText(found[3], kAbsentValue));
    entries.weight = WeightEntry(ChildElement(sportsData, "userInfo"), pounds, locale);
    return entries;
}

} // namespace paceforge
