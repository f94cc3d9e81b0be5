#include "CommandLine.h"

#include "Exporter.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Version.h"
#include "store/Catalogue.h"
#include "store/iPodScan.h"

#include <QCommandLineParser>
#include <QFile>
#include <QTextStream>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

const QStringList kCommandOptions
    = {QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("help-all"), QStringLiteral("v"),
        QStringLiteral("version"), QStringLiteral("drive"), QStringLiteral("format"), QStringLiteral("out")};

// The one folder named by --drive, offered like an entry of PACEFORGE_DRIVES.
class FolderDrive final : public DriveSource
{
public:
    explicit FolderDrive(fs::path root) : m_root(std::move(root)) { }
    std::vector<Drive> drives() const override { return {{DriveIdForFolder(m_root), m_root}}; }

private:
    fs::path m_root;
};

fs::path PathFromArgument(const QString& text)
{
#ifdef Q_OS_WIN
    return fs::path(text.toStdWString());
#else
    return fs::path(QFile::encodeName(text).toStdString());
#endif
}

int Usage(QTextStream& err, const QString& message)
{
    err << "paceforge: " << message << "\nTry 'paceforge --help'.\n";
    return kUsage;
}

struct Found {
    std::vector<CatalogueBuild> builds;
    int exitCode = 0;
};

// The iPods to work on, each with its catalogue built without renaming anything.
Found FindCatalogues(
    const QCommandLineParser& parser, QTextStream& err, const DriveSource& drives, FileSystem& fileSystem)
{
    const auto report = [&](const ScanError& error) {
        err << "paceforge: " << ScanErrorText(error).replace(QStringLiteral("\r\n"), QStringLiteral(", ")) << '\n';
    };
    std::vector<iPodRecord> ipods;
    Found found;
    if (parser.isSet(QStringLiteral("drive"))) {
        const QString argument = parser.value(QStringLiteral("drive"));
        std::error_code ec;
        const fs::path root = fs::absolute(PathFromArgument(argument), ec);
        ipods = FindIPods(FolderDrive(root), fileSystem, report);
        if (ipods.empty()) {
            found.exitCode
                = Usage(err, QStringLiteral("\"%1\" is not an iPod: it has no iPod_Control folder.").arg(argument));
            return found;
        }
    } else {
        ipods = FindIPods(drives, fileSystem, report);
    }
    for (const iPodRecord& ipod : ipods)
        found.builds.push_back(BuildCatalogue(ipod, fileSystem, {.renameMisnamedFiles = false}));
    return found;
}

int List(const QCommandLineParser& parser, QTextStream& out, QTextStream& err, const DriveSource& drives,
    FileSystem& fileSystem)
{
    const QStringList allowed = {QStringLiteral("drive")};
    for (const QString& name : parser.optionNames())
        if (!allowed.contains(name))
            return Usage(err, QStringLiteral("list takes no --%1.").arg(name));
    const Found found = FindCatalogues(parser, err, drives, fileSystem);
    if (found.exitCode != 0)
        return found.exitCode;
    if (found.builds.empty())
        out << kNoIPodsFound << '\n';
    for (const CatalogueBuild& build : found.builds) {
        out << SelectorEntry(build.ipod) << '\n';
        if (build.rows.empty()) {
            out << "  (no workouts)\n";
            continue;
        }
        out << "  " << QStringLiteral("Date").leftJustified(12) << QStringLiteral("Time").leftJustified(13)
            << "Synched\n";
        for (const CatalogueRow& row : build.rows)
            out << "  " << row.date.leftJustified(12) << row.time.leftJustified(13) << (row.synched ? "Yes" : "No")
                << '\n';
    }
    return 0;
}

int Export(const QCommandLineParser& parser, QTextStream& out, QTextStream& err, const DriveSource& drives,
    FileSystem& fileSystem)
{
    const QString format = parser.value(QStringLiteral("format")).toLower();
    if (!parser.isSet(QStringLiteral("format")))
        return Usage(err, QStringLiteral("export needs --format tcx or --format csv."));
    if (format != QStringLiteral("tcx") && format != QStringLiteral("csv"))
        return Usage(
            err, QStringLiteral("unknown format \"%1\": use tcx or csv.").arg(parser.value(QStringLiteral("format"))));
    if (!parser.isSet(QStringLiteral("out")) || parser.value(QStringLiteral("out")).isEmpty())
        return Usage(err, QStringLiteral("export needs --out FOLDER, the folder the files go into."));
    const fs::path folder = PathFromArgument(parser.value(QStringLiteral("out")));

    const Found found = FindCatalogues(parser, err, drives, fileSystem);
    if (found.exitCode != 0)
        return found.exitCode;
    if (found.builds.empty()) {
        err << "paceforge: no iPod found. Name its folder with --drive.\n";
        return kFailed;
    }
    std::vector<iPodRecord> ipods;
    for (const CatalogueBuild& build : found.builds)
        ipods.push_back(build.ipod);

    Exporter exporter(fileSystem);
    const ExportReport report = format == QStringLiteral("tcx") ? exporter.exportTcx(ipods, folder)
                                                                : exporter.exportCsv(ipods, folder / "workouts.csv");
    for (const fs::path& written : report.written)
        out << "Wrote " << DisplayPath(written) << '\n';
    for (const SkippedFile& skipped : report.skipped)
        err << "Skipped: " << skipped.reason << '\n';
    if (!report.writeError.isEmpty()) {
        err << "paceforge: " << report.writeError << '\n';
        return kFailed;
    }
    out << "Exported " << report.workouts << (report.workouts == 1 ? " workout" : " workouts") << " into "
        << report.written.size() << (report.written.size() == 1 ? " file" : " files") << ".\n";
    if (!report.skipped.empty()) {
        err << "paceforge: " << report.skipped.size()
            << (report.skipped.size() == 1 ? " workout file could not be read.\n"
                                           : " workout files could not be read.\n");
        return kFailed;
    }
    return 0;
}

} // namespace

bool IsCommandInvocation(const QStringList& arguments)
{
    if (arguments.size() < 2)
        return false;
    if (!arguments[1].startsWith(u'-'))
        return true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("list") || argument == QStringLiteral("export"))
            return true;
        if (argument.startsWith(u'-')) {
            QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
            name.truncate(name.indexOf(u'=') < 0 ? name.size() : name.indexOf(u'='));
            if (kCommandOptions.contains(name))
                return true;
        }
    }
    return false;
}

int RunCommandLine(
    const QStringList& arguments, QTextStream& out, QTextStream& err, const DriveSource& drives, FileSystem& fileSystem)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Paceforge lists the Nike+iPod workouts on an iPod and exports them for other training "
                       "programs. Both commands only read the iPod. Without a command Paceforge opens its window."));
    parser.addPositionalArgument(QStringLiteral("command"),
        QStringLiteral("list: print the workout list of each iPod, newest first.\n"
                       "export: write every workout as TCX files or one CSV file."),
        QStringLiteral("list|export"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOption({QStringLiteral("drive"),
        QStringLiteral("The iPod at <folder>, a drive root holding iPod_Control. Without it, every "
                       "iPod found among the drives."),
        QStringLiteral("folder")});
    parser.addOption({QStringLiteral("format"),
        QStringLiteral("export: tcx (one file per workout, for Strava or "
                       "Garmin Connect) or csv (workouts.csv)."),
        QStringLiteral("tcx|csv")});
    parser.addOption({QStringLiteral("out"), QStringLiteral("export: the folder the files go into; made when missing."),
        QStringLiteral("folder")});

    if (!parser.parse(arguments))
        return Usage(err, parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        out << parser.helpText();
        return 0;
    }
    if (parser.isSet(version)) {
        out << "paceforge " << PACEFORGE_VERSION << '\n';
        return 0;
    }
    const QStringList commands = parser.positionalArguments();
    if (commands.isEmpty())
        return Usage(err, QStringLiteral("no command given: use list or export."));
    if (commands.size() > 1)
        return Usage(err, QStringLiteral("one command at a time; unexpected \"%1\".").arg(commands[1]));
    if (commands[0] == QStringLiteral("list"))
        return List(parser, out, err, drives, fileSystem);
    if (commands[0] == QStringLiteral("export"))
        return Export(parser, out, err, drives, fileSystem);
    return Usage(err, QStringLiteral("unknown command \"%1\": use list or export.").arg(commands[0]));
}

} // namespace paceforge
