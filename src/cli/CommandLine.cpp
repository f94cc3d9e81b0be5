#include "CommandLine.h"

#include "Command.h"

#include "compose/Backups.h"
#include "history/HistoryCache.h"
#include "history/SensorNames.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Version.h"
#include "store/AlteredSignatures.h"
#include "store/iPodScan.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <optional>

namespace fs = std::filesystem;

namespace paceforge {

int RunRecords(CommandContext& context);

namespace {

const Command kCommands[] = {
    {"list", {}, &RunList},
    {"export",
        {QStringLiteral("format"), QStringLiteral("out"), QStringLiteral("sensor"), QStringLiteral("since"),
            QStringLiteral("until")},
        &RunExport},
    {"stats",
        {QStringLiteral("by"), QStringLiteral("sensor"), QStringLiteral("since"), QStringLiteral("until"),
            QStringLiteral("format")},
        &RunStats},
    {"correct",
        {QStringLiteral("factor"), QStringLiteral("true-distance"), QStringLiteral("workout"), QStringLiteral("sensor"),
            QStringLiteral("since"), QStringLiteral("until"), QStringLiteral("dry-run")},
        &RunCorrect},
    {"records", {QStringLiteral("sensor"), QStringLiteral("since"), QStringLiteral("until"), QStringLiteral("format")},
        &RunRecords},
};

const QStringList kOwnOptions = {QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("help-all"),
    QStringLiteral("v"), QStringLiteral("version"), QStringLiteral("drive"), QStringLiteral("format"),
    QStringLiteral("out"), QStringLiteral("since"), QStringLiteral("until"), QStringLiteral("by"),
    QStringLiteral("factor"), QStringLiteral("true-distance"), QStringLiteral("workout"), QStringLiteral("dry-run"),
    QStringLiteral("sensor")};

// The one folder named by --drive, offered like an entry of PACEFORGE_DRIVES: under the name the
// window gives it, so that the backups of a correction are found by the window.
class FolderDrive final : public DriveSource
{
public:
    FolderDrive(fs::path root, const DriveSource& platform)
        : m_drive(DrivesOf(platform.mountedVolumes(), {std::move(root)}).back())
    { }
    std::vector<Drive> drives() const override { return {m_drive}; }

private:
    Drive m_drive;
};

void AddOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Paceforge lists the Nike+iPod workouts on an iPod, exports them for other training "
                       "programs, sums them up, finds the runner's records, and corrects their distances. Only "
                       "correct writes onto the iPod, after a backup of each file. Without a command Paceforge opens "
                       "its window."));
    parser.addPositionalArgument(QStringLiteral("command"),
        QStringLiteral("list: print the workout list of each iPod, newest first.\n"
                       "export: write every workout as TCX files or one CSV file.\n"
                       "stats: print the totals per week, month, year or sensor.\n"
                       "correct: rescale the distances of runs whose foot sensor was calibrated wrong.\n"
                       "records: print the fastest 400 m to marathon inside any run, the longest run, the longest "
                       "week and the month with the most runs."),
        QStringLiteral("list|export|stats|correct|records"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("drive"),
        QStringLiteral("The iPod at <folder>, a drive root holding iPod_Control. Without it, every "
                       "iPod found among the drives."),
        QStringLiteral("folder")});
    parser.addOption({QStringLiteral("format"),
        QStringLiteral("export: tcx (one file per workout, for Strava or Garmin Connect) or csv (workouts.csv). "
                       "stats, records: text (the default), csv or json."),
        QStringLiteral("tcx|csv|text|json")});
    parser.addOption({QStringLiteral("out"), QStringLiteral("export: the folder the files go into; made when missing."),
        QStringLiteral("folder")});
    parser.addOption({QStringLiteral("since"),
        QStringLiteral("export, stats, correct, records: only runs that started on or after this day."),
        QStringLiteral("YYYY-MM-DD")});
    parser.addOption({QStringLiteral("until"),
        QStringLiteral("export, stats, correct, records: only runs that started on or before this day."),
        QStringLiteral("YYYY-MM-DD")});
    parser.addOption({QStringLiteral("by"),
        QStringLiteral("stats: totals per week (from Monday), month (the default), year, or sensor folder (with "
                       "its first and last run and the name given to it in the window)."),
        QStringLiteral("week|month|year|sensor")});
    parser.addOption({QStringLiteral("factor"),
        QStringLiteral("correct: multiply the distances by <factor>, e.g. 1.04 for runs 4 % short; "
                       "without --since or --until, of every run."),
        QStringLiteral("factor")});
    parser.addOption({QStringLiteral("true-distance"),
        QStringLiteral("correct: the true distance of the run named by --workout (\"10.2\" km, or \"6.34mi\"); the "
                       "factor is the true distance over the recorded one."),
        QStringLiteral("distance")});
    parser.addOption({QStringLiteral("workout"),
        QStringLiteral("correct: the workout file whose true distance is given, e.g. \"2009-02-07 08;07;36.xml\". "
                       "Without --since, --until or --sensor only that run is corrected."),
        QStringLiteral("name")});
    parser.addOption({QStringLiteral("sensor"),
        QStringLiteral("export, stats, correct, records: only the runs of the sensor folder of that name, e.g. "
                       "8P5W31QNVSX (any letter case). correct --true-distance with --sensor corrects every run "
                       "of the sensor by the factor of the workout named."),
        QStringLiteral("ID")});
    parser.addOption({QStringLiteral("dry-run"),
        QStringLiteral("correct: print each run's old and new distance and pace, and write nothing.")});
}

} // namespace

fs::path CommandContext::pathValue(const char* option) const
{
    const std::string flag = std::string("--") + option;
    const std::string joined = flag + '=';
    std::optional<std::string> found;
    for (std::size_t i = 1; i < rawArguments.size(); ++i) {
        const std::string& argument = rawArguments[i];
        if (argument == "--")
            break;
        if (argument == flag && i + 1 < rawArguments.size())
            found = rawArguments[++i];
        else if (argument.starts_with(joined))
            found = argument.substr(joined.size());
    }
    return fs::path(found.value_or(QFile::encodeName(value(option)).toStdString()));
}

int UsageError(QTextStream& err, const QString& message)
{
    err << "paceforge: " << message << "\nTry 'paceforge --help'.\n";
    return kCommandUsage;
}

int RefuseOtherOptions(const CommandContext& context, const Command& command)
{
    for (const QString& name : context.parser.optionNames())
        if (name != QStringLiteral("drive") && !command.options.contains(name))
            return UsageError(context.err, QStringLiteral("%1 takes no --%2.").arg(QLatin1String(command.name), name));
    return kCommandDone;
}

FoundCatalogues FindCatalogues(CommandContext& context)
{
    const auto report = [&](const ScanError& error) {
        context.err << "paceforge: " << ScanErrorText(error).replace(QStringLiteral("\r\n"), QStringLiteral(", "))
                    << '\n';
    };
    std::vector<iPodRecord> ipods;
    FoundCatalogues found;
    if (context.isSet("drive")) {
        std::error_code ec;
        const fs::path root = fs::absolute(context.pathValue("drive"), ec);
        ipods = FindIPods(FolderDrive(root, context.drives), context.fileSystem, report);
        if (ipods.empty()) {
            found.exitCode = UsageError(context.err,
                QStringLiteral("\"%1\" is not an iPod: it has no iPod_Control folder.").arg(context.value("drive")));
            return found;
        }
    } else {
        ipods = FindIPods(context.drives, context.fileSystem, report);
    }
    for (const iPodRecord& ipod : ipods) {
        found.builds.push_back(BuildCatalogue(ipod, context.fileSystem, {.renameMisnamedFiles = false}));
        for (const QString& problem : found.builds.back().problems) {
            context.err << "paceforge: " << problem << '\n';
            found.exitCode = kCommandFailed;
        }
    }
    return found;
}

std::vector<HistoryEntry> ReadHistoryOf(const FoundCatalogues& found, FileSystem& fileSystem)
{
    std::vector<StoredWorkout> files;
    for (const CatalogueBuild& build : found.builds)
        for (StoredWorkout& file : ListedWorkouts(build.ipod, build.rows))
            files.push_back(std::move(file));
    HistoryCache cache(StandardHistoryCacheFolder(), fileSystem);
    const AlteredSignatures altered(AlteredSignaturesFile(StandardBackupsFolder()), fileSystem);
    return ReadHistory(std::move(files), fileSystem, &cache, &altered);
}

Outcome<DateRange> ReadDateRange(const CommandContext& context)
{
    static const QRegularExpression kWrittenAsDay(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    DateRange range;
    for (const char* option : {"since", "until"}) {
        if (!context.isSet(option))
            continue;
        const QString text = context.value(option);
        if (!kWrittenAsDay.match(text).hasMatch())
            return Outcome<DateRange>::failure(
                QStringLiteral("--%1 \"%2\" is not a day written YYYY-MM-DD.").arg(option, text));
        const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid())
            return Outcome<DateRange>::failure(
                QStringLiteral("--%1 \"%2\" is a day that does not exist.").arg(option, text));
        (QLatin1String(option) == QLatin1String("since") ? range.since : range.until) = date;
    }
    if (range.since && range.until && *range.until < *range.since)
        return Outcome<DateRange>::failure(QStringLiteral("--until is before --since."));
    return range;
}

Outcome<std::optional<std::string>> ReadSensor(const CommandContext& context, const FoundCatalogues& found)
{
    using Chosen = Outcome<std::optional<std::string>>;
    if (!context.isSet("sensor"))
        return std::optional<std::string>();
    const QString wanted = context.value("sensor").trimmed();
    if (wanted.isEmpty())
        return Chosen::failure(QStringLiteral("--sensor needs the name of a sensor folder."));
    const SensorNames names;
    QStringList known;
    for (const CatalogueBuild& build : found.builds)
        for (const SensorFolder& sensor : build.ipod.sensors) {
            const QString folder = QString::fromStdString(sensor.name);
            if (folder.compare(wanted, Qt::CaseInsensitive) == 0)
                return std::optional<std::string>(sensor.name);
            const auto given = names.given(sensor.name);
            known << (given ? QStringLiteral("%1 (%2)").arg(folder, *given) : folder);
        }
    known.removeDuplicates();
    return Chosen::failure(
        QStringLiteral("no sensor folder \"%1\" on the iPod; there are: %2.")
            .arg(wanted, known.isEmpty() ? QStringLiteral("none") : known.join(QStringLiteral(", "))));
}

std::variant<CommandScope, int> ReadCommandScope(CommandContext& context)
{
    auto dates = ReadDateRange(context);
    if (!dates)
        return UsageError(context.err, dates.error());
    FoundCatalogues found = FindCatalogues(context);
    if (const int stopped = NoIPodToWorkOn(context, found); stopped != kCommandDone)
        return stopped;
    auto sensor = ReadSensor(context, found);
    if (!sensor)
        return UsageError(context.err, sensor.error());
    return CommandScope{std::move(dates).value(), std::move(found), std::move(sensor).value()};
}

Outcome<ReportFormat> ReadReportFormat(const CommandContext& context, const char* command)
{
    const QString name = context.isSet("format") ? context.value("format").toLower() : QStringLiteral("text");
    if (name == QStringLiteral("text"))
        return ReportFormat::Text;
    if (name == QStringLiteral("csv"))
        return ReportFormat::Csv;
    if (name == QStringLiteral("json"))
        return ReportFormat::Json;
    return Outcome<ReportFormat>::failure(QStringLiteral("unknown format \"%1\" for %2: use text, csv or json.")
                                              .arg(context.value("format"), QString::fromLatin1(command)));
}

std::vector<std::size_t> EntriesChosen(
    const std::vector<HistoryEntry>& entries, const DateRange& range, const std::optional<std::string>& sensor)
{
    const std::vector<std::size_t> inRange = EntriesIn(entries, range);
    return sensor ? EntriesOfSensor(entries, inRange, *sensor) : inRange;
}

QStringList NameUnreadable(
    const CommandContext& context, const std::vector<HistoryEntry>& entries, std::span<const std::size_t> chosen)
{
    QStringList problems;
    for (const std::size_t index : chosen)
        if (const auto& problem = entries[index].problem) {
            context.err << "paceforge: not counted: " << *problem << '\n';
            problems << *problem;
        }
    return problems;
}

NumberOption ReadNumberOption(const QString& text)
{
    static const QRegularExpression kNumber(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    const QString trimmed = text.trimmed();
    NumberOption number;
    if (!kNumber.match(trimmed).hasMatch())
        return number;
    number.exact = Decimal::parsePlain(trimmed.toStdString());
    // A number too large for a double reads as infinity, one too small as zero: out of any range.
    number.approximate = QLocale::c().toDouble(trimmed);
    return number;
}

int NoIPodToWorkOn(CommandContext& context, const FoundCatalogues& found)
{
    if (found.exitCode == kCommandUsage)
        return found.exitCode;
    if (!found.builds.empty())
        return kCommandDone;
    context.err << "paceforge: no iPod found. Name its folder with --drive.\n";
    return kCommandFailed;
}

bool IsCommandInvocation(const QStringList& arguments)
{
    if (arguments.size() < 2)
        return false;
    if (!arguments[1].startsWith(u'-'))
        return true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (std::any_of(std::begin(kCommands), std::end(kCommands),
                [&](const Command& command) { return argument == QLatin1String(command.name); }))
            return true;
        if (argument.startsWith(u'-')) {
            QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
            name.truncate(name.indexOf(u'=') < 0 ? name.size() : name.indexOf(u'='));
            if (kOwnOptions.contains(name))
                return true;
        }
    }
    return false;
}

int RunCommandLine(const std::vector<std::string>& arguments, QTextStream& out, QTextStream& err,
    const DriveSource& drives, FileSystem& fileSystem)
{
    QStringList texts;
    for (const std::string& argument : arguments)
        texts << QString::fromLocal8Bit(argument.data(), static_cast<qsizetype>(argument.size()));
    QCommandLineParser parser;
    AddOptions(parser);
    if (!parser.parse(texts))
        return UsageError(err, parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        out << parser.helpText();
        return kCommandDone;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << "paceforge " << PACEFORGE_VERSION << '\n';
        return kCommandDone;
    }
    const QStringList commands = parser.positionalArguments();
    if (commands.isEmpty())
        return UsageError(err, QStringLiteral("no command given: use list, export, stats, correct or records."));
    if (commands.size() > 1)
        return UsageError(err, QStringLiteral("one command at a time; unexpected \"%1\".").arg(commands[1]));
    for (const Command& command : kCommands) {
        if (commands[0] != QLatin1String(command.name))
            continue;
        CommandContext context{parser, arguments, out, err, drives, fileSystem};
        if (const int refused = RefuseOtherOptions(context, command); refused != kCommandDone)
            return refused;
        return command.run(context);
    }
    return UsageError(
        err, QStringLiteral("unknown command \"%1\": use list, export, stats, correct or records.").arg(commands[0]));
}

} // namespace paceforge
