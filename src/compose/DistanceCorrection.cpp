#include "DistanceCorrection.h"

#include "Backups.h"
#include "RecordedDistances.h"
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
constexpr long long kMsPerSecond = 1000;
constexpr long long kSecondsPerMinute = 60;


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

using Failed = Outcome<CorrectedWorkout>;

Failed Refuse(const QString& fileName, const QString& reason)
{
    return Failed::failure(QStringLiteral("\"%1\" %2").arg(fileName, reason));
}

} // namespace

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

    // What the run recorded along its way first: a refusal must come before anything is changed.
    if (Result rescaled
        = RescaleRecording(nodes.sportsData, factor, {*distance, newDistance, miles}, fileName);
        !rescaled)
        return Failed::failure(rescaled.error());

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
    const FileSystem& fileSystem, const CorrectionProgress& progress, const AlteredSignatures* altered)
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
        one.signedByDevice = IsSignedWorkout(document) && !(altered && altered->contains(one.previewedHash));
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
        const EditedFile file{run.run.volume, run.run.sensor, run.source, run.target, bytes.value(), true};
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
