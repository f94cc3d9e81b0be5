#include "Command.h"

#include "compose/Backups.h"
#include "compose/DistanceCorrection.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "workout/Units.h"

#include <QTextStream>

#include <cmath>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

constexpr int kShownDecimals = 4;

struct TrueDistance {
    Decimal value;
    DistanceUnit unit = DistanceUnit::Kilometres;
};

QString Plain(const Decimal& value)
{
    return QString::fromStdString(value.toPlainString('.'));
}

QString WritePlainly(const char* option, const QString& text, const char* example)
{
    return QStringLiteral("--%1 \"%2\" must be written as a plain decimal of at most %3 decimals, such as %4.")
        .arg(QLatin1String(option), text)
        .arg(Decimal::kMaxFractionDigits)
        .arg(QLatin1String(example));
}

// "10.2", "10.2km", "6.34 mi"
Outcome<TrueDistance> ReadTrueDistance(const QString& given)
{
    QString text = given.trimmed().toLower();
    TrueDistance distance;
    if (text.endsWith(QStringLiteral("mi"))) {
        distance.unit = DistanceUnit::Miles;
        text.chop(2);
    } else if (text.endsWith(QStringLiteral("km"))) {
        text.chop(2);
    }
    const NumberOption number = ReadNumberOption(text);
    if (number.exact) {
        distance.value = *number.exact;
        return distance;
    }
    if (!number.approximate)
        return Outcome<TrueDistance>::failure(
            QStringLiteral("--true-distance \"%1\" is not a distance (for example 10.2 or 6.34mi).").arg(given));
    // No run is near a distance of more integer digits than a decimal holds.
    if (*number.approximate <= 0 || *number.approximate >= std::pow(10.0, Decimal::kMaxIntegerDigits))
        return Outcome<TrueDistance>::failure(
            QStringLiteral("--true-distance \"%1\" is out of range: the true distance must lie between %2 and %3 "
                           "times the distance the run recorded.")
                .arg(given, Plain(CorrectionFactor::kSmallestFactor), Plain(CorrectionFactor::kLargestFactor)));
    return Outcome<TrueDistance>::failure(WritePlainly("true-distance", given, "10.2"));
}

Outcome<CorrectionFactor> ReadFactor(const QString& text)
{
    const NumberOption number = ReadNumberOption(text);
    if (!number.approximate)
        return Outcome<CorrectionFactor>::failure(QStringLiteral("--factor \"%1\" is not a number.").arg(text));
    const auto outOfRange = [&] {
        return Outcome<CorrectionFactor>::failure(
            QStringLiteral("--factor \"%1\" is out of range: a correction factor must lie between %2 and %3.")
                .arg(text, Plain(CorrectionFactor::kSmallestFactor), Plain(CorrectionFactor::kLargestFactor)));
    };
    if (number.exact) {
        auto factor = CorrectionFactor::fromRatio(*number.exact);
        return factor ? factor : outOfRange();
    }
    // Written with an exponent, or with more digits than a decimal holds.
    if (*number.approximate < CorrectionFactor::kSmallestFactor.toDouble()
        || *number.approximate > CorrectionFactor::kLargestFactor.toDouble())
        return outOfRange();
    return Outcome<CorrectionFactor>::failure(WritePlainly("factor", text, "1.04"));
}

bool NamesWorkout(const HistoryEntry& entry, const QString& name)
{
    const QString fileName = QString::fromStdString(entry.file.fileName);
    return fileName.compare(name, Qt::CaseInsensitive) == 0
        || fileName.compare(name + QStringLiteral(".xml"), Qt::CaseInsensitive) == 0;
}

QString Distance(const Decimal& km)
{
    return QString::fromStdString(km.toFixedString(kShownDecimals)) + QStringLiteral(" km");
}

void WritePreview(QTextStream& out, QTextStream& err, const CorrectionPlan& plan)
{
    for (const PlannedCorrection& run : plan.runs) {
        if (!run.ready()) {
            err << "paceforge: cannot be corrected: " << *run.problem << '\n';
            continue;
        }
        out << QString::fromStdString(run.source.filename().string()) << "  " << run.start.date.toString(Qt::ISODate)
            << ' ' << run.start.time.toString(QStringLiteral("HH:mm")) << "  " << Distance(run.oldDistanceKm) << " -> "
            << Distance(run.newDistanceKm) << "  " << QString::fromStdString(run.oldPace) << " -> "
            << QString::fromStdString(run.newPace);
        if (run.signedByDevice)
            out << "  (signed by the iPod: the signature will no longer hold)";
        out << '\n';
    }
}

} // namespace

int RunCorrect(CommandContext& context)
{
    QTextStream& out = context.out;
    QTextStream& err = context.err;
    const bool byFactor = context.isSet("factor");
    const bool byTrueDistance = context.isSet("true-distance");
    if (byFactor == byTrueDistance)
        return UsageError(err, QStringLiteral("correct needs either --factor F or --true-distance D --workout NAME."));
    if (byTrueDistance != context.isSet("workout"))
        return UsageError(err,
            QStringLiteral("--true-distance and --workout go together: the true distance of the "
                           "workout named."));
    std::optional<Outcome<CorrectionFactor>> factor;
    std::optional<TrueDistance> trueDistance;
    if (byFactor) {
        factor = ReadFactor(context.value("factor"));
        if (!*factor)
            return UsageError(err, factor->error());
    } else {
        auto distance = ReadTrueDistance(context.value("true-distance"));
        if (!distance)
            return UsageError(err, distance.error());
        trueDistance = std::move(distance).value();
    }
    const auto read = ReadCommandScope(context);
    if (const int* stopped = std::get_if<int>(&read))
        return *stopped;
    const CommandScope& scope = std::get<CommandScope>(read);
    const DateRange& range = scope.range;
    const FoundCatalogues& found = scope.found;
    const std::optional<std::string>& sensor = scope.sensor;
    const std::vector<HistoryEntry> entries = ReadHistoryOf(found, context.fileSystem);
    int exitCode = found.exitCode;

    std::vector<std::size_t> chosen;
    if (trueDistance) {
        const QString name = context.value("workout");
        std::vector<std::size_t> namedEntries;
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i].readable() && NamesWorkout(entries[i], name))
                namedEntries.push_back(i);
        if (namedEntries.empty())
            return UsageError(err, QStringLiteral("no readable workout is named \"%1\".").arg(name));
        if (namedEntries.size() > 1)
            return UsageError(err,
                QStringLiteral("%1 different workouts are named \"%2\"; name the iPod with --drive.")
                    .arg(namedEntries.size())
                    .arg(name));
        const HistoryEntry* named = &entries[namedEntries.front()];
        factor = CorrectionFactor::fromTrueDistance(trueDistance->value, trueDistance->unit, named->distanceKm);
        if (!*factor)
            return UsageError(err, factor->error());
        // With --sensor the named run gives the factor to every run of that sensor.
        if (!range.since && !range.until && !sensor)
            chosen.push_back(namedEntries.front());
    }
    if (chosen.empty()) {
        for (const std::size_t i : EntriesChosen(entries, range, sensor)) {
            if (entries[i].readable()) {
                chosen.push_back(i);
                continue;
            }
            err << "paceforge: not corrected: " << *entries[i].problem << '\n';
            exitCode = kCommandFailed;
        }
    }

    const CorrectionFactor& chosenFactor = factor->value();
    const Clock clock;
    Backups backups(StandardBackupsFolder(), clock, context.fileSystem);
    const CorrectionPlan plan = PlanCorrection(
        WorkoutsOf(entries, chosen), chosenFactor, context.fileSystem, {}, &backups.alteredSignatures());
    WritePreview(out, err, plan);
    const auto ready = std::count_if(plan.runs.begin(), plan.runs.end(), [](auto& run) { return run.ready(); });
    if (ready != static_cast<long>(plan.runs.size()))
        exitCode = kCommandFailed;
    if (context.isSet("dry-run")) {
        out << "Dry run: nothing was written. " << ready << (ready == 1 ? " run" : " runs") << " would be corrected by "
            << chosenFactor.text() << ".\n";
        return exitCode;
    }
    if (ready == 0) {
        out << "No run was corrected.\n";
        return exitCode;
    }

    const CorrectionReport report = ApplyCorrection(plan, context.fileSystem, backups);
    for (const fs::path& done : report.done)
        out << "Corrected " << DisplayPath(done) << '\n';
    for (const QString& note : report.notes)
        err << "paceforge: " << note << '\n';
    for (const CorrectionReport::NotDone& notDone : report.notDone)
        if (std::any_of(plan.runs.begin(), plan.runs.end(),
                [&](const PlannedCorrection& run) { return run.ready() && run.source == notDone.file; }))
            err << "paceforge: not corrected: " << notDone.reason << '\n';
    out << "Corrected " << report.done.size() << " of " << ready << (ready == 1 ? " run" : " runs") << " by "
        << chosenFactor.text() << ". Backups of the files replaced are in " << DisplayPath(backups.root()) << ".\n";
    return report.done.size() == static_cast<std::size_t>(ready) ? exitCode : kCommandFailed;
}

} // namespace paceforge
