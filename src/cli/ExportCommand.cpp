#include "Command.h"

#include "export/Exporter.h"
#include "platform/FileSystem.h"

#include <QTextStream>

namespace fs = std::filesystem;

namespace paceforge {

int RunExport(CommandContext& context)
{
    const QString format = context.value("format").toLower();
    if (!context.isSet("format"))
        return UsageError(context.err, QStringLiteral("export needs --format tcx or --format csv."));
    if (format != QStringLiteral("tcx") && format != QStringLiteral("csv"))
        return UsageError(
            context.err, QStringLiteral("unknown format \"%1\": use tcx or csv.").arg(context.value("format")));
    if (!context.isSet("out") || context.value("out").isEmpty())
        return UsageError(context.err, QStringLiteral("export needs --out FOLDER, the folder the files go into."));
    const fs::path folder = context.pathValue("out");
    const auto read = ReadCommandScope(context);
    if (const int* stopped = std::get_if<int>(&read))
        return *stopped;
    const CommandScope& scope = std::get<CommandScope>(read);
    const DateRange& range = scope.range;
    const FoundCatalogues& found = scope.found;
    const std::optional<std::string>& sensor = scope.sensor;
    QTextStream& out = context.out;
    QTextStream& err = context.err;
    ExportSelection selection;
    if (range.since || range.until || sensor) {
        // Only a run's document says when it was; a file that cannot be read is kept, to be named.
        const std::vector<HistoryEntry> entries = ReadHistoryOf(found, context.fileSystem);
        selection.workouts = ExportSelectionOf(entries, EntriesChosen(entries, range, sensor)).workouts;
    } else {
        for (const CatalogueBuild& build : found.builds)
            for (StoredWorkout& workout : ListedWorkouts(build.ipod, build.rows))
                selection.workouts.push_back(std::move(workout));
    }
    for (const CatalogueBuild& build : found.builds)
        selection.ipodRoots.push_back(build.ipod.root);

    Exporter exporter(context.fileSystem);
    const ExportReport report = format == QStringLiteral("tcx")
        ? exporter.exportTcx(selection, folder)
        : exporter.exportCsv(selection, folder / "workouts.csv");
    for (const fs::path& written : report.written)
        out << "Wrote " << DisplayPath(written) << '\n';
    for (const SkippedFile& skipped : report.skipped)
        err << "Skipped: " << skipped.reason << '\n';
    if (report.writeError) {
        err << "paceforge: " << *report.writeError << '\n';
        return kCommandFailed;
    }
    out << "Exported " << report.workouts << (report.workouts == 1 ? " workout" : " workouts") << " into "
        << report.written.size() << (report.written.size() == 1 ? " file" : " files") << ".\n";
    if (!report.skipped.empty()) {
        err << "paceforge: " << report.skipped.size()
            << (report.skipped.size() == 1 ? " workout file could not be read.\n"
                                           : " workout files could not be read.\n");
        return kCommandFailed;
    }
    return found.exitCode;
}

} // namespace paceforge
