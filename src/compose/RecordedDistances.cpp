#include "RecordedDistances.h"

#include "platform/XmlDocument.h"
#include "workout/SeriesText.h"
#include "workout/Units.h"
#include "workout/WorkoutFormat.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace paceforge {
namespace {

using Rounding = Decimal::Rounding;

constexpr int kDistanceDecimals = 4;
constexpr int kClickDistanceDecimals = 3;
constexpr long long kMsPerSecond = 1000;
// The device writes the first two mile splits' distances with two decimals and the others with three.
constexpr std::string_view kFirstMileTexts[] = {"1.61", "3.22"};
// A split that a change moves by less than this keeps the time the device recorded: the device's
// own splits lie a few metres off their unit ("1.001"), and a series to four decimals cannot place
// one closer.
const Decimal kUnmovedSplitKm = Decimal::fromParts(5, 3);

struct Split {
    std::string duration;
    std::string distance;
    std::string pace;
};

std::optional<Decimal> Number(pugi::xml_node node)
{
    const auto value = Decimal::parsePlain(TrimmedXmlSpace(NodeText(node)));
    if (!value || value->isNegative())
        return std::nullopt;
    return value;
}

std::optional<Decimal> Distance(pugi::xml_node node)
{
    const auto value = Number(node);
    if (!value || *value >= Decimal::fromInteger(kLargestKilometres))
        return std::nullopt;
    return value;
}

// Milliseconds or a pace: whole numbers, of any size a file holds.
std::optional<Decimal> Whole(pugi::xml_node node)
{
    const auto value = Number(node);
    if (!value || !value->isInteger() || *value >= Decimal::fromInteger(1'000'000'000'000'000))
        return std::nullopt;
    return value;
}

std::string WholeText(const Decimal& value)
{
    return Int128ToString(value.rounded(0, Rounding::HalfAwayFromZero).integerPart());
}

Decimal Gap(const Decimal& a, const Decimal& b)
{
    return a < b ? b - a : a - b;
}

// The time the samples first reach `target`, between the two samples around it; nothing when
// they never do.
std::optional<long long> CrossingMs(const std::vector<Decimal>& km, const Decimal& seconds, const Decimal& target)
{
    std::size_t at = 0;
    while (at < km.size() && km[at] < target)
        ++at;
    if (at == km.size())
        return std::nullopt;
    if (at == 0)
        return 0;
    const Decimal msPerSample = seconds * Decimal::fromInteger(kMsPerSecond);
    const Decimal before = km[at - 1];
    const Decimal into = ((target - before) * msPerSample).dividedBy(km[at] - before, 0, Rounding::HalfAwayFromZero);
    const Decimal ms = Decimal::fromInteger(static_cast<long long>(at - 1)) * msPerSample + into;
    return static_cast<long long>(ms.rounded(0, Rounding::HalfAwayFromZero).integerPart());
}

std::vector<pugi::xml_node> Snapshots(pugi::xml_node list)
{
    std::vector<pugi::xml_node> found;
    for (pugi::xml_node child : list.children("snapShot"))
        found.push_back(child);
    return found;
}

bool IsBlank(pugi::xml_node node)
{
    return node && node.type() == pugi::node_pcdata && TrimmedXmlSpace(node.value()).empty();
}

// The white space the document puts after an end tag: a line feed in the older firmware's files,
// nothing in the newer.
std::string EndTagGap(pugi::xml_node sportsData)
{
    const pugi::xml_node first = ChildElement(sportsData, "runSummary").first_child();
    const pugi::xml_node after = first ? first.next_sibling() : pugi::xml_node();
    return IsBlank(after) ? std::string(after.value()) : std::string();
}

void AppendElement(pugi::xml_node parent, const char* name, const std::string& gap)
{
    parent.append_child(name);
    if (!gap.empty())
        parent.append_child(pugi::node_pcdata).set_value(gap.c_str());
}

// The list gets exactly one snapShot per split, the ones it has reused in order; new ones are
// copies of its last one (or made in the document's layout when it has none), and extra ones go
// with the white space after them. A split's texts are written only where they changed.
void WriteSplits(pugi::xml_node list, const std::vector<Split>& splits, const std::string& gap)
{
    std::vector<pugi::xml_node> existing = Snapshots(list);
    while (existing.size() > splits.size()) {
        pugi::xml_node last = existing.back();
        if (IsBlank(last.next_sibling()))
            list.remove_child(last.next_sibling());
        list.remove_child(last);
        existing.pop_back();
    }
    if (existing.empty() && !splits.empty()) {
        pugi::xml_node made = list.prepend_child("snapShot");
        for (const char* name : {"duration", "distance", "pace"})
            AppendElement(made, name, gap);
        if (!gap.empty())
            list.insert_child_after(pugi::node_pcdata, made).set_value(gap.c_str());
        existing.push_back(made);
    }
    while (existing.size() < splits.size()) {
        const pugi::xml_node last = existing.back();
        const pugi::xml_node space = IsBlank(last.next_sibling()) ? last.next_sibling() : pugi::xml_node();
        pugi::xml_node copy = list.insert_copy_after(last, space ? space : last);
        if (space)
            list.insert_copy_after(space, copy);
        existing.push_back(copy);
    }
    for (std::size_t i = 0; i < splits.size(); ++i) {
        for (const auto& [name, text] : {std::pair{"duration", &splits[i].duration},
                 std::pair{"distance", &splits[i].distance}, std::pair{"pace", &splits[i].pace}}) {
            const pugi::xml_node node = ChildElement(existing[i], name);
            if (NodeText(node) != *text)
                SetNodeText(node, *text);
        }
    }
}

std::string MileText(long long mile)
{
    if (mile >= 1 && static_cast<std::size_t>(mile) <= std::size(kFirstMileTexts))
        return std::string(kFirstMileTexts[mile - 1]);
    return ShortDistance(
        (Decimal::fromInteger(mile) * KilometresPerMile()).rounded(kClickDistanceDecimals, Rounding::HalfAwayFromZero));
}

// A split made here: the time the samples pass the unit, and the pace from the start, as the
// device's first splits have it.
Split MadeSplit(long long durationMs, const Decimal& kilometres, std::string distance)
{
    return {std::to_string(durationMs), std::move(distance),
        WholeText(Decimal::fromInteger(durationMs).dividedBy(kilometres, 0, Rounding::HalfAwayFromZero))};
}

// Splits at every further whole unit the samples pass, after the one numbered `last`.
void AddSplits(std::vector<Split>& splits, const std::vector<Decimal>& km, const Decimal& seconds, bool miles,
    long long last)
{
    const Decimal unit = miles ? KilometresPerMile() : Decimal::fromInteger(1);
    for (long long n = last + 1;; ++n) {
        const Decimal target = Decimal::fromInteger(n) * unit;
        const auto at = CrossingMs(km, seconds, target);
        if (!at)
            return;
        splits.push_back(MadeSplit(*at, target, miles ? MileText(n) : ShortDistance(Decimal::fromInteger(n))));
    }
}

std::vector<Split> RescaledSplits(pugi::xml_node list, const std::vector<Decimal>& oldKm,
    const std::vector<Decimal>& newKm, const Decimal& seconds, const CorrectionFactor& factor, bool miles)
{
    const Decimal unit = miles ? KilometresPerMile() : Decimal::fromInteger(1);
    std::vector<Split> splits;
    long long lastUnit = 0;
    bool recorded = false;
    for (const pugi::xml_node snapshot : Snapshots(list)) {
        const pugi::xml_node duration = ChildElement(snapshot, "duration");
        const pugi::xml_node distance = ChildElement(snapshot, "distance");
        const pugi::xml_node pace = ChildElement(snapshot, "pace");
        Split split{NodeText(duration), NodeText(distance), NodeText(pace)};
        const auto km = Distance(distance);
        const auto ms = Whole(duration);
        // A split that cannot be read is no value of the correction's: it stays as it is.
        if (!km || !ms) {
            splits.push_back(std::move(split));
            continue;
        }
        if (Gap(factor.scaled(*km, kDistanceDecimals + 2), *km) >= kUnmovedSplitKm) {
            const auto after = CrossingMs(newKm, seconds, *km);
            if (!after)
                break; // the run no longer reaches it, nor any split after it
            // The device's own offset from the samples is kept: only the change moves it.
            const auto before = CrossingMs(oldKm, seconds, *km);
            const long long moved = before ? static_cast<long long>(ms->integerPart()) + *after - *before : *after;
            split.duration = std::to_string(moved >= 0 ? moved : *after);
        }
        if (const auto value = Whole(pace))
            split.pace = WholeText(factor.divided(*value, 0));
        lastUnit = std::max(lastUnit,
            static_cast<long long>(km->dividedBy(unit, 0, Rounding::HalfAwayFromZero).integerPart()));
        recorded = true;
        splits.push_back(std::move(split));
    }
    // A list the device left empty stays so: only the units a longer run now passes are added.
    if (recorded)
        AddSplits(splits, newKm, seconds, miles, lastUnit);
    return splits;
}

std::string_view ListType(pugi::xml_node list)
{
    return TrimmedXmlSpace(list.attribute("snapShotType").value());
}

bool IsSplitList(pugi::xml_node list)
{
    return ListType(list) == "kmSplit" || ListType(list) == "mileSplit";
}

void CorrectClicks(pugi::xml_node list, const CorrectionFactor& factor, const Decimal& oldKm, const Decimal& newKm)
{
    const Decimal oldStop = Decimal::parsePlain(KilometresCutText(oldKm)).value_or(Decimal());
    for (pugi::xml_node snapshot : list.children("snapShot")) {
        const pugi::xml_node distance = ChildElement(snapshot, "distance");
        if (const auto value = Distance(distance)) {
            // The stop holds the summary's distance cut to three decimals; it keeps agreeing with it.
            const bool stop = AttributeText(snapshot.attribute("event")) == "stop" && *value == oldStop;
            const Decimal scaled = stop ? *Decimal::parsePlain(KilometresCutText(newKm))
                                        : factor.scaled(*value, kClickDistanceDecimals, Rounding::Floor);
            SetNodeText(distance, ShortDistance(scaled));
        }
        const pugi::xml_node pace = ChildElement(snapshot, "pace");
        if (const auto value = Whole(pace))
            SetNodeText(pace, WholeText(factor.divided(*value, 0)));
    }
}

// The samples in kilometres: a file whose summary is in miles may hold its series in miles too,
// which is told by the total its last sample lies nearer.
std::vector<Decimal> InKilometres(std::vector<Decimal> values, const Decimal& total, bool totalInMiles)
{
    if (!totalInMiles || values.empty())
        return values;
    const Decimal totalKm = MilesToKilometres(total);
    if (Gap(values.back(), total) < Gap(values.back(), totalKm))
        for (Decimal& value : values)
            value = value * KilometresPerMile();
    return values;
}

} // namespace

Result RescaleRecording(
    pugi::xml_node sportsData, const CorrectionFactor& factor, const SummaryDistance& distance, const QString& fileName)
{
    const auto refuse = [&](const QString& reason) { return Result::failure(QStringLiteral("\"%1\" %2").arg(fileName, reason)); };
    const pugi::xml_node data = DistanceData(sportsData);
    std::optional<SeriesText> series;
    if (data) {
        series = SeriesText::read(NodeText(data));
        if (!series)
            return refuse(QStringLiteral("has a damaged distance series, which cannot be rescaled."));
    }
    std::vector<pugi::xml_node> splitLists;
    for (pugi::xml_node list : sportsData.children("snapShotList"))
        if (IsSplitList(list))
            splitLists.push_back(list);
    const auto seconds = data ? SampleSeconds(data, Decimal::fromInteger(kLargestKilometres)) : std::nullopt;
    const bool haveSplits = std::any_of(
        splitLists.begin(), splitLists.end(), [](pugi::xml_node list) { return !Snapshots(list).empty(); });
    if (haveSplits && (!series || series->values().empty() || !seconds))
        return refuse(QStringLiteral("has km or mile splits but no distance series to work them out from again."));

    if (series) {
        const std::vector<Decimal> before = series->values();
        for (Decimal& value : series->values())
            value = factor.scaled(value, kDistanceDecimals);
        SetNodeText(data, series->written());
        if (seconds && !before.empty()) {
            const std::vector<Decimal> oldKm = InKilometres(before, distance.before, distance.inMiles);
            const std::vector<Decimal> newKm = InKilometres(series->values(), distance.after, distance.inMiles);
            const std::string gap = EndTagGap(sportsData);
            for (pugi::xml_node list : splitLists)
                WriteSplits(list, RescaledSplits(list, oldKm, newKm, *seconds, factor, ListType(list) == "mileSplit"),
                    gap);
        }
    }
    const Decimal oldKm = distance.inMiles ? MilesToKilometres(distance.before) : distance.before;
    const Decimal newKm = distance.inMiles ? MilesToKilometres(distance.after) : distance.after;
    for (pugi::xml_node list : sportsData.children("snapShotList"))
        if (ListType(list) == "userClick")
            CorrectClicks(list, factor, oldKm, newKm);
    return Result::success();
}

void ComposeSplits(pugi::xml_node sportsData, std::string_view series, const Decimal& sampleSeconds)
{
    const auto km = SeriesValues(series);
    if (!km)
        return;
    const std::string gap = EndTagGap(sportsData);
    for (pugi::xml_node list : sportsData.children("snapShotList")) {
        if (!IsSplitList(list))
            continue;
        std::vector<Split> splits;
        AddSplits(splits, *km, sampleSeconds, ListType(list) == "mileSplit", 0);
        WriteSplits(list, splits, gap);
    }
}

} // namespace paceforge
