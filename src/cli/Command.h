#pragma once

#include "history/HistoryTotals.h"
#include "history/WorkoutHistory.h"
#include "store/Catalogue.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

class QTextStream;

namespace paceforge {

class DriveSource;
class FileSystem;

inline constexpr int kCommandDone = 0;
inline constexpr int kCommandFailed = 1;
inline constexpr int kCommandUsage = 2;

// What every command works with: the parsed arguments, the streams and the disk.
struct CommandContext {
    const QCommandLineParser& parser;
    const std::vector<std::string>& rawArguments;
    QTextStream& out;
    QTextStream& err;
    const DriveSource& drives;
    FileSystem& fileSystem;

    bool isSet(const char* option) const { return parser.isSet(QString::fromLatin1(option)); }
    QString value(const char* option) const { return parser.value(QString::fromLatin1(option)); }
    // A folder or file option as the system gave it: the parser's text of a name that is not
    // UTF-8 holds U+FFFD, which names another folder.
    std::filesystem::path pathValue(const char* option) const;
};

// One command of the command line, in a file of its own.
struct Command {
    const char* name;
    // The options it takes besides --drive.
    QStringList options;
    int (*run)(CommandContext& context);
};

int UsageError(QTextStream& err, const QString& message);
// A usage error for the first option the command does not take; kCommandDone when there is none.
int RefuseOtherOptions(const CommandContext& context, const Command& command);

struct FoundCatalogues {
    std::vector<CatalogueBuild> builds;
    // Not kCommandDone when the command must stop: the drive named is no iPod, or a folder of an
    // iPod could not be read (named on the error stream).
    int exitCode = kCommandDone;
};
// The iPods to work on (--drive, or every iPod among the drives), each with its catalogue built
// without renaming anything: the commands only read the iPod.
FoundCatalogues FindCatalogues(CommandContext& context);
// The exit code when the commands that need an iPod have none to work on (named on the error
// stream), else kCommandDone.
int NoIPodToWorkOn(CommandContext& context, const FoundCatalogues& found);

// The workouts of the found iPods, read through the user's history cache (a file is read only
// when it changed since the last reading).
std::vector<HistoryEntry> ReadHistoryOf(const FoundCatalogues& found, FileSystem& fileSystem);

// --since and --until (YYYY-MM-DD, inclusive); a failure is the usage message naming a text that
// is not a day, a day that does not exist, or a range that ends before it starts.
Outcome<DateRange> ReadDateRange(const CommandContext& context);

// --sensor: the sensor folder named (any letter case) as the iPod's disk spells it, or nothing
// without --sensor. A failure is the usage message naming the sensor folders there are.
Outcome<std::optional<std::string>> ReadSensor(const CommandContext& context, const FoundCatalogues& found);
// What a command that reads the runs works on: the days of --since and --until, the iPods found and
// the sensor folder of --sensor.
struct CommandScope {
    DateRange range;
    FoundCatalogues found;
    std::optional<std::string> sensor;
};
// The scope read from the options, or the exit code to stop with, after saying why.
std::variant<CommandScope, int> ReadCommandScope(CommandContext& context);

// How stats and records print: --format text (the default), csv or json; a failure is the usage
// message for `command`.
enum class ReportFormat { Text, Csv, Json };
Outcome<ReportFormat> ReadReportFormat(const CommandContext& context, const char* command);

// The entries of the runs in the range, of that sensor folder only when one is given.
std::vector<std::size_t> EntriesChosen(
    const std::vector<HistoryEntry>& entries, const DateRange& range, const std::optional<std::string>& sensor);
// Names each chosen entry that could not be read on the error stream ("not counted: ..."); their
// problems, for a JSON report.
QStringList NameUnreadable(
    const CommandContext& context, const std::vector<HistoryEntry>& entries, std::span<const std::size_t> chosen);

// A number option as the user wrote it. `exact` holds a plain decimal Paceforge can hold ("1.04");
// `approximate` any number at all, also one written with an exponent or with more digits than
// that ("1e308"), so that a message can say it is out of range rather than not a number.
struct NumberOption {
    std::optional<Decimal> exact;
    std::optional<double> approximate;
};
NumberOption ReadNumberOption(const QString& text);

int RunList(CommandContext& context);
int RunExport(CommandContext& context);
int RunStats(CommandContext& context);
int RunCorrect(CommandContext& context);

} // namespace paceforge
