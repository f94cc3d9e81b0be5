#include "DistanceCorrection.h"

#include "Backups.h"
#include "DistanceSeries.h"
#include "EditWrite.h"

#include "platform/FileSystem.h"
#include "workout/SeriesText.h"
#include "workout/Units.h"
#include "workout/WorkoutFormat.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <optional>
#include <string_view>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

using Rounding = Decimal::Rounding;

constexpr int kDistanceDecimals = 4;
constexpr int kClickDistanceDecimals = 3;
constexpr long long kMsPerSecond = 1000;
constexpr long long kSecondsPerMinute = 60;
constexpr int kPercent = 100;
constexpr int kTextPercentDecimals = 2;
constexpr int kTextFactorDecimals = 4;

// The device writes the first two mile splits' distances with two decimals and the others with three.
constexpr std::string_view kFirstMileTexts[] = {"1.61", "3.22"};
// A mile split's written distance may differ from the true mile by this much.
const Decimal kMileTextTolerance = Decimal::fromParts(1, 2);

std::string Trimmed(pugi::xml_node node)
{
    return std::string(TrimmedXmlSpace(NodeText(node)));
}

std::optional<Decimal> Number(std::string_view text)
{
    return Decimal::parsePlain(TrimmedXmlSpace(text));
}

bool TooLarge(const Decimal& value)
{
    return value >= Decimal::fromInteger(kLargestKilometres);
}

bool IsMiles(std::string_view unit)
{
    unit = TrimmedXmlSpace(unit);
    return unit.size() >= 2 && (unit[0] == 'm' || unit[0] == 'M') && (unit[1] == 'i' || unit[1] == 'I');
}

std::string WholeText(const Decimal& value)
{
    return Int128ToString(value.rounded(0, Rounding::HalfAwayFromZero).integerPart());
}

Decimal InUnit(const Decimal& value, bool valueInMiles, bool wantMiles)
{
    if (valueInMiles == wantMiles)
        return value;
    return wantMiles ? KilometresToMiles(value) : MilesToKilometres(value);
}

// "5.21 km": the number and what follows it.
struct NumberAndRest {
    std::string_view leading;
    std::string_view number;
    std::string_view rest;
};

std::optional<NumberAndRest> SplitNumber(std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\n' || text[start] == '\t'))
        ++start;
    std::size_t end = start;
    while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.'))
        ++end;
    if (end == start)
        return std::nullopt;
    return NumberAndRest{text.substr(0, start), text.substr(start, end - start), text.substr(end)};
}

int FractionDigits(std::string_view number)
{
    const auto point = number.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(number.size() - point - 1);
}

// distanceString: the number in its own unit, cut to the decimals it had, as the device cuts it.
void CorrectDistanceString(pugi::xml_node node, const Decimal& newDistance, bool distanceInMiles)
{
    const std::string text = NodeText(node);
    const auto parts = SplitNumber(text);
    if (!parts || !Number(parts->number))
        return;
    const bool miles = IsMiles(TrimmedXmlSpace(parts->rest));
    const Decimal value = InUnit(newDistance, distanceInMiles, miles);
    const int decimals = FractionDigits(parts->number);
    const Decimal cut = value.rounded(decimals, Rounding::Floor);
    std::string number = decimals > 0 ? cut.toFixedString(decimals) : WholeText(cut.rounded(0, Rounding::Floor));
    SetNodeText(node, std::string(parts->leading) + number + std::string(parts->rest));
}

// pace: "5:17 min/km", whole seconds cut, as the device writes it.
std::optional<std::string> CorrectedPace(
    const std::string& text, long long durationMs, const Decimal& newDistance, bool distanceInMiles)
{
    const auto colon = text.find(':');
    const auto rest = colon == std::string::npos ? std::string::npos : text.find_first_not_of("0123456789", colon + 1);
    if (colon == std::string::npos || rest == std::string::npos)
        return std::nullopt;
    const std::string_view unit = std::string_view(text).substr(rest);
    const bool miles = unit.find("/mi") != std::string_view::npos || unit.find("/MI") != std::string_view::npos;
    if (!miles && unit.find("/km") == std::string_view::npos && unit.find("/KM") == std::string_view::npos)
        return std::nullopt;
    const Decimal distance = InUnit(newDistance, distanceInMiles, miles);
    if (distance <= Decimal())
        return std::nullopt;
    const auto seconds
        = static_cast<long long>(Decimal::fromInteger(durationMs)
                                     .dividedBy(distance * Decimal::fromInteger(kMsPerSecond), 0, Rounding::Floor)
                                     .integerPart());
    std::size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\n'))
        ++start;
    char clock[32];
    std::snprintf(clock, sizeof clock, "%lld:%02lld", seconds / kSecondsPerMinute, seconds % kSecondsPerMinute);
    return text.substr(0, start) + clock + std::string(unit);
}

struct Split {
    long long durationMs = 0;
    std::string distance;
    Decimal distanceValue;
};

// The time the series first reaches `target`, between the two samples around it; `from` is where
// the search for a smaller target ended, since no earlier sample reaches a larger one.
std::optional<long long> CrossingMs(
    const std::vector<Decimal>& km, const Decimal& seconds, const Decimal& target, std::size_t& from)
{
    while (from < km.size() && km[from] < target)
        ++from;
    if (from == km.size())
        return std::nullopt;
    if (from == 0)
        return 0;
    const Decimal msPerSample = seconds * Decimal::fromInteger(kMsPerSecond);
    const Decimal before = km[from - 1];
    const Decimal into = ((target - before) * msPerSample).dividedBy(km[from] - before, 0, Rounding::HalfAwayFromZero);
    const Decimal at = Decimal::fromInteger(static_cast<long long>(from - 1)) * msPerSample + into;
    return static_cast<long long>(at.rounded(0, Rounding::HalfAwayFromZero).integerPart());
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
// with the white space after them.
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
        const Split& split = splits[i];
        SetNodeText(ChildElement(existing[i], "duration"), std::to_string(split.durationMs));
        SetNodeText(ChildElement(existing[i], "distance"), split.distance);
        SetNodeText(ChildElement(existing[i], "pace"),
            WholeText(
                Decimal::fromInteger(split.durationMs).dividedBy(split.distanceValue, 0, Rounding::HalfAwayFromZero)));
    }
}

std::string MileText(std::size_t mile)
{
    if (mile <= std::size(kFirstMileTexts))
        return std::string(kFirstMileTexts[mile - 1]);
    return ShortDistance((Decimal::fromInteger(static_cast<long long>(mile)) * KilometresPerMile())
                             .rounded(kClickDistanceDecimals, Rounding::HalfAwayFromZero));
}

// The splits the rescaled series passes: each whole kilometre, or each mile, in the distance the
// list held for it when that is the device's, else in the device's form.
std::vector<Split> SplitsOf(const std::vector<Decimal>& km, const Decimal& seconds, pugi::xml_node list, bool miles)
{
    std::vector<Split> splits;
    const std::vector<pugi::xml_node> existing = Snapshots(list);
    std::size_t from = 0;
    for (std::size_t n = 1;; ++n) {
        const Decimal whole = Decimal::fromInteger(static_cast<long long>(n));
        const Decimal target = miles ? whole * KilometresPerMile() : whole;
        const auto at = CrossingMs(km, seconds, target, from);
        if (!at)
            return splits;
        Split split{*at, miles ? MileText(n) : ShortDistance(whole), {}};
        if (n <= existing.size()) {
            const std::string held = Trimmed(ChildElement(existing[n - 1], "distance"));
            const auto value = Decimal::parsePlain(held);
            const Decimal gap = value ? (*value < target ? target - *value : *value - target) : Decimal();
            if (value && (miles ? gap <= kMileTextTolerance : gap.isZero()))
                split.distance = held;
        }
        split.distanceValue = *Decimal::parsePlain(split.distance);
        splits.push_back(std::move(split));
    }
}

std::string_view ListType(pugi::xml_node list)
{
    return TrimmedXmlSpace(list.attribute("snapShotType").value());
}

void CorrectClicks(pugi::xml_node list, const CorrectionFactor& factor, const Decimal& oldKm, const Decimal& newKm)
{
    const Decimal oldStop = Decimal::parsePlain(KilometresCutText(oldKm)).value_or(Decimal());
    for (pugi::xml_node snapshot : list.children("snapShot")) {
        const pugi::xml_node distance = ChildElement(snapshot, "distance");
        if (const auto value = Number(NodeText(distance)); value && !TooLarge(*value)) {
            // The stop holds the summary's distance cut to three decimals; it keeps agreeing with it.
            const bool stop = AttributeText(snapshot.attribute("event")) == "stop" && *value == oldStop;
            const Decimal scaled = stop ? *Decimal::parsePlain(KilometresCutText(newKm))
                                        : factor.scaled(*value, kClickDistanceDecimals, Rounding::Floor);
            SetNodeText(distance, ShortDistance(scaled));
        }
        const pugi::xml_node pace = ChildElement(snapshot, "pace");
        if (const auto value = Number(NodeText(pace)); value && !TooLarge(*value) && value->isInteger())
            SetNodeText(pace, WholeText(factor.divided(*value, 0)));
    }
}

using Failed = Outcome<CorrectedWorkout>;

Failed Refuse(const QString& fileName, const QString& reason)
{
    return Failed::failure(QStringLiteral("\"%1\" %2").arg(fileName, reason));
}

} // namespace

const Decimal CorrectionFactor::kSmallestFactor = Decimal::fromParts(5, 1);
const Decimal CorrectionFactor::kLargestFactor = Decimal::fromInteger(2);

CorrectionFactor::CorrectionFactor() : m_numerator(Decimal::fromInteger(1)), m_denominator(Decimal::fromInteger(1)) { }

CorrectionFactor::CorrectionFactor(Decimal numerator, Decimal denominator)
    : m_numerator(numerator),
      m_denominator(denominator)
{ }

Outcome<CorrectionFactor> CorrectionFactor::fromRatio(const Decimal& ratio)
{
    if (ratio < kSmallestFactor || ratio > kLargestFactor)
        return Outcome<CorrectionFactor>::failure(
            QStringLiteral("A correction factor must lie between %1 and %2; %3 is outside.")
                .arg(QString::fromStdString(kSmallestFactor.toPlainString('.')),
                    QString::fromStdString(kLargestFactor.toPlainString('.')),
                    QString::fromStdString(ratio.toPlainString('.'))));
    return CorrectionFactor(ratio, Decimal::fromInteger(1));
}

Outcome<CorrectionFactor> CorrectionFactor::fromPercent(const Decimal& percent)
{
    const Decimal hundred = Decimal::fromInteger(kPercent);
    if (percent < kSmallestFactor * hundred || percent > kLargestFactor * hundred)
        return Outcome<CorrectionFactor>::failure(
            QStringLiteral("A correction must lie between %1 % and %2 %; %3 % is outside.")
                .arg(QString::fromStdString((kSmallestFactor * hundred).toPlainString('.')),
                    QString::fromStdString((kLargestFactor * hundred).toPlainString('.')),
                    QString::fromStdString(percent.toPlainString('.'))));
    return CorrectionFactor(percent, hundred);
}

Outcome<CorrectionFactor> CorrectionFactor::fromTrueDistance(
    const Decimal& trueDistance, const Decimal& recordedDistance)
{
    if (recordedDistance <= Decimal())
        return Outcome<CorrectionFactor>::failure(
            QStringLiteral("The run records no distance, so no factor can be worked out from it."));
    if (trueDistance <= Decimal() || TooLarge(trueDistance) || TooLarge(recordedDistance))
        return Outcome<CorrectionFactor>::failure(
            QStringLiteral("The true distance must be a distance above zero; %1 is not.")
                .arg(QString::fromStdString(trueDistance.toPlainString('.'))));
    if (trueDistance < recordedDistance * kSmallestFactor || trueDistance > recordedDistance * kLargestFactor)
        return Outcome<CorrectionFactor>::failure(QStringLiteral(
            "The true distance %1 is too far from the recorded %2 (a factor must lie between %3 and %4).")
                                                      .arg(QString::fromStdString(trueDistance.toPlainString('.')),
                                                          QString::fromStdString(recordedDistance.toPlainString('.')),
                                                          QString::fromStdString(kSmallestFactor.toPlainString('.')),
                                                          QString::fromStdString(kLargestFactor.toPlainString('.'))));
    return CorrectionFactor(trueDistance, recordedDistance);
}

Outcome<CorrectionFactor> CorrectionFactor::fromTrueDistance(
    const Decimal& trueDistance, DistanceUnit unit, const Decimal& recordedKilometres)
{
    if (unit == DistanceUnit::Kilometres)
        return fromTrueDistance(trueDistance, recordedKilometres);
    // Checked in miles, so that a refusal names the distances as the user gave them.
    if (const auto inMiles = fromTrueDistance(trueDistance, KilometresToMiles(recordedKilometres)); !inMiles)
        return inMiles;
    return fromTrueDistance(MilesToKilometres(trueDistance), recordedKilometres);
}

Decimal CorrectionFactor::scaled(const Decimal& value, int decimals, Decimal::Rounding rounding) const
{
    // A plain ratio needs no division: a series has a thousand values.
    if (m_denominator == Decimal::fromInteger(1))
        return (value * m_numerator).rounded(decimals, rounding);
    return (value * m_numerator).dividedBy(m_denominator, decimals, rounding);
}

Decimal CorrectionFactor::divided(const Decimal& value, int decimals) const
{
    return (value * m_denominator).dividedBy(m_numerator, decimals, Rounding::HalfAwayFromZero);
}

double CorrectionFactor::toDouble() const
{
    return m_numerator.toDouble() / m_denominator.toDouble();
}

QString CorrectionFactor::text() const
{
    const Decimal ratio = m_numerator.dividedBy(m_denominator, kTextFactorDecimals, Rounding::HalfAwayFromZero);
    const Decimal change = (m_numerator - m_denominator) * Decimal::fromInteger(kPercent);
    const Decimal percent = change.dividedBy(m_denominator, kTextPercentDecimals, Rounding::HalfAwayFromZero);
    return QStringLiteral("%1 (%2%3 %)")
        .arg(QString::fromStdString(ratio.toFixedString(kTextFactorDecimals)),
            percent.isNegative() ? QString() : QStringLiteral("+"),
            QString::fromStdString(percent.toFixedString(kTextPercentDecimals)));
}

Outcome<CorrectedWorkout> CorrectWorkout(
    const XmlDocument& original, const CorrectionFactor& factor, const QString& fileName)
{
    return CorrectWorkout(original.clone(), factor, fileName);
}

Outcome<CorrectedWorkout> CorrectWorkout(
    XmlDocument&& document, const CorrectionFactor& factor, const QString& fileName)
{
    CorrectedWorkout corrected;
    corrected.document = std::move(document);
    const WorkoutNodes nodes = FindWorkoutNodes(corrected.document);
    if (!nodes.sportsData)
        return Refuse(fileName, QStringLiteral("is not a workout: its document is not <sportsData>."));
    if (const auto start = ParseStartTime(Trimmed(nodes.time)))
        corrected.start = *start;
    const auto duration = Number(NodeText(nodes.duration));
    if (!duration || duration->isNegative())
        return Refuse(fileName, QStringLiteral("has no duration in milliseconds (runSummary/duration)."));
    corrected.durationMs = static_cast<long long>(duration->rounded(0, Rounding::HalfAwayFromZero).integerPart());
    const auto distance = Number(NodeText(nodes.distance));
    if (!nodes.distance || !distance || distance->isNegative())
        return Refuse(fileName, QStringLiteral("has no distance that is a number (runSummary/distance)."));
    if (distance->isZero())
        return Refuse(fileName, QStringLiteral("records no distance, so there is nothing to correct."));
    if (TooLarge(*distance))
        return Refuse(fileName, QStringLiteral("records a distance too large to be a run."));
    const bool miles = IsMiles(AttributeText(nodes.distanceUnit));
    const Decimal newDistance = factor.scaled(*distance, kDistanceDecimals);
    corrected.oldDistanceKm = miles ? MilesToKilometres(*distance) : *distance;
    corrected.newDistanceKm = miles ? MilesToKilometres(newDistance) : newDistance;

    // The series and splits first: a refusal must come before anything else is worked out.
    const pugi::xml_node data = DistanceData(nodes.sportsData);
    std::optional<SeriesText> series;
    if (data) {
        series = SeriesText::read(NodeText(data));
        if (!series)
            return Refuse(fileName, QStringLiteral("has a damaged distance series, which cannot be rescaled."));
    }
    std::vector<pugi::xml_node> splitLists;
    for (pugi::xml_node list : nodes.sportsData.children("snapShotList"))
        if (ListType(list) == "kmSplit" || ListType(list) == "mileSplit")
            splitLists.push_back(list);
    const auto seconds = data ? SampleSeconds(data, Decimal::fromInteger(kLargestKilometres)) : std::nullopt;
    const bool haveSplits = std::any_of(
        splitLists.begin(), splitLists.end(), [](pugi::xml_node list) { return !Snapshots(list).empty(); });
    if (haveSplits && (!series || series->values().empty() || !seconds))
        return Refuse(
            fileName, QStringLiteral("has km or mile splits but no distance series to work them out from again."));

    if (series) {
        for (Decimal& value : series->values())
            value = factor.scaled(value, kDistanceDecimals);
        SetNodeText(data, series->written());
    }
    if (series && seconds && !series->values().empty()) {
        // A file whose summary is in miles may hold its series in miles too: the one it lies nearer.
        std::vector<Decimal> km = series->values();
        const Decimal last = km.back();
        const Decimal toKm
            = last < corrected.newDistanceKm ? corrected.newDistanceKm - last : last - corrected.newDistanceKm;
        const Decimal toMiles = last < newDistance ? newDistance - last : last - newDistance;
        if (miles && toMiles < toKm)
            for (Decimal& value : km)
                value = value * KilometresPerMile();
        const std::string gap = EndTagGap(nodes.sportsData);
        for (pugi::xml_node list : splitLists)
            WriteSplits(list, SplitsOf(km, *seconds, list, ListType(list) == "mileSplit"), gap);
    }
    for (pugi::xml_node list : nodes.sportsData.children("snapShotList"))
        if (ListType(list) == "userClick")
            CorrectClicks(list, factor, corrected.oldDistanceKm, corrected.newDistanceKm);

    SetNodeText(nodes.distance, FormatDistancePattern(newDistance));
    if (nodes.distanceString)
        CorrectDistanceString(nodes.distanceString, newDistance, miles);
    corrected.oldPace = Trimmed(nodes.pace);
    if (const auto pace = CorrectedPace(NodeText(nodes.pace), corrected.durationMs, newDistance, miles))
        SetNodeText(nodes.pace, *pace);
    corrected.newPace = Trimmed(nodes.pace);
    return corrected;
}

namespace {

QString NotDoneAfterStop(const fs::path& file, const fs::path& stoppedAt)
{
    return QStringLiteral("\"%1\" was not corrected: the correction stopped at \"%2\".")
        .arg(DisplayPath(file), DisplayPath(stoppedAt));
}

} // namespace

CorrectionPlan PlanCorrection(const std::vector<StoredWorkout>& runs, const CorrectionFactor& factor,
    const FileSystem& fileSystem, const CorrectionProgress& progress)
{
    CorrectionPlan plan{factor, {}};
    plan.runs.reserve(runs.size());
    std::set<fs::path> planned;
    const int total = static_cast<int>(runs.size());
    for (int i = 0; i < total; ++i) {
        if (progress && !progress(i, total))
            return plan;
        const StoredWorkout& run = runs[static_cast<std::size_t>(i)];
        PlannedCorrection one;
        one.run = run;
        one.source = run.fullPath();
        one.target = run.synched ? run.editTarget() : one.source;
        if (!planned.insert(one.source).second)
            continue;
        const auto bytes = fileSystem.readFile(one.source);
        if (!bytes) {
            one.problem = bytes.error();
            plan.runs.push_back(std::move(one));
            continue;
        }
        one.previewedSize = bytes.value().size();
        one.previewedHash = ContentHash(bytes.value());
        XmlDocument document = XmlDocument::fromBytes(bytes.value());
        one.signedByDevice = IsSignedWorkout(document);
        const auto corrected = CorrectWorkout(std::move(document), factor, DisplayPath(one.source));
        if (!corrected) {
            one.problem = corrected.error();
            plan.runs.push_back(std::move(one));
            continue;
        }
        one.start = corrected->start;
        one.durationMs = corrected->durationMs;
        one.oldDistanceKm = corrected->oldDistanceKm;
        one.newDistanceKm = corrected->newDistanceKm;
        one.oldPace = corrected->oldPace;
        one.newPace = corrected->newPace;
        if (one.source != one.target) {
            if (!fileSystem.folderExists(run.latestFolder)) {
                one.problem = QStringLiteral("\"%1\" cannot move to the latest folder: \"%2\" does not exist.")
                                  .arg(DisplayPath(one.source), DisplayPath(run.latestFolder));
            } else if (fileSystem.fileExists(one.target) && !SameFile(fileSystem, one.source, one.target)) {
                const auto there = fileSystem.readFile(one.target);
                if (!there || there.value() != bytes.value())
                    one.problem = QStringLiteral("The latest folder already holds a different workout named \"%1\"; "
                                                 "\"%2\" was left as it is.")
                                      .arg(DisplayPath(one.target.filename()), DisplayPath(one.source));
            }
        }
        plan.runs.push_back(std::move(one));
    }
    if (progress)
        progress(total, total);
    return plan;
}

CorrectionReport ApplyCorrection(
    const CorrectionPlan& plan, FileSystem& fileSystem, Backups& backups, const CorrectionProgress& progress)
{
    CorrectionReport report;
    const int total = static_cast<int>(plan.runs.size());
    const auto stopAt = [&](int from, const fs::path& stoppedAt) {
        for (int j = from; j < total; ++j) {
            const PlannedCorrection& rest = plan.runs[static_cast<std::size_t>(j)];
            report.notDone.push_back(
                {rest.source, rest.ready() ? NotDoneAfterStop(rest.source, stoppedAt) : *rest.problem});
        }
    };
    for (int i = 0; i < total; ++i) {
        const PlannedCorrection& run = plan.runs[static_cast<std::size_t>(i)];
        if (progress && !progress(i, total)) {
            report.cancelled = true;
            for (int j = i; j < total; ++j) {
                const PlannedCorrection& rest = plan.runs[static_cast<std::size_t>(j)];
                report.notDone.push_back({rest.source,
                    rest.ready() ? QStringLiteral("\"%1\" was not corrected: the correction was cancelled.")
                                       .arg(DisplayPath(rest.source))
                                 : *rest.problem});
            }
            return report;
        }
        if (!run.ready()) {
            report.notDone.push_back({run.source, *run.problem});
            continue;
        }
        const auto fail = [&](const QString& reason) {
            report.notDone.push_back({run.source, reason});
            stopAt(i + 1, run.source);
            return report;
        };
        const auto bytes = fileSystem.readFile(run.source);
        if (!bytes)
            return fail(bytes.error());
        if (bytes.value().size() != run.previewedSize || ContentHash(bytes.value()) != run.previewedHash)
            return fail(QStringLiteral("The workout file \"%1\" changed after the preview; it was not corrected.")
                            .arg(DisplayPath(run.source)));
        const auto corrected
            = CorrectWorkout(XmlDocument::fromBytes(bytes.value()), plan.factor, DisplayPath(run.source));
        if (!corrected)
            return fail(corrected.error());
        const EditedFile file{run.run.volume, run.run.sensor, run.source, run.target, bytes.value()};
        const EditWriteOutcome written = WriteEditedWorkout(file, corrected->document, fileSystem, &backups);
        if (!written.written)
            return fail(written.message ? written.message->text
                                        : QStringLiteral("\"%1\" was not corrected.").arg(DisplayPath(run.source)));
        report.done.push_back(run.target);
        if (written.message)
            report.notes.push_back(written.message->text);
    }
    if (progress)
        progress(total, total);
    return report;
}

} // namespace paceforge
