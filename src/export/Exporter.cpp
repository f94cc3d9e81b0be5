#include "Exporter.h"

#include "Csv.h"
#include "platform/FileSystem.h"
#include "store/Catalogue.h"
#include "Tcx.h"
#include "WorkoutSummary.h"

#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <tuple>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

std::string Folded(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// By what the folders are, not how their paths are spelt: a link, a bind mount or another letter
// case of the iPod's root is still the iPod. The target need not exist yet; the folders above it do.
bool IsInside(const fs::path& target, const fs::path& folder, const FileSystem& fileSystem)
{
    const auto root = fileSystem.identity(folder);
    if (!root)
        return false; // an iPod that is gone holds nothing to protect
    std::error_code ec;
    for (fs::path at = fs::weakly_canonical(fs::absolute(target, ec), ec);; at = at.parent_path()) {
        if (fileSystem.identity(at) == root)
            return true;
        if (!at.has_relative_path())
            return false;
    }
}

QString OnIPod(const std::vector<fs::path>& ipodRoots, const fs::path& target, const FileSystem& fileSystem)
{
    for (const fs::path& root : ipodRoots)
        if (IsInside(target, root, fileSystem))
            return QStringLiteral("Paceforge does not write onto the iPod: choose a place outside \"%1\" for \"%2\".")
                .arg(DisplayPath(root), DisplayPath(target));
    return {};
}

// The output side only: the iPod was refused before this.
QString MakeFolder(const fs::path& folder)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec) || fs::create_directories(folder, ec))
        return {};
    return QStringLiteral("Could not create the folder \"%1\": %2.")
        .arg(DisplayPath(folder), QString::fromLocal8Bit(ec ? ec.message() : std::string("it is not a folder")));
}

bool Report(const ExportProgress& progress, int done, int total)
{
    return !progress || progress(done, total);
}

std::string FreeName(const QString& name, std::set<std::string>& taken)
{
    const std::string base = name.chopped(4).toStdString();
    std::string candidate = base + ".tcx";
    for (int n = 2; !taken.insert(Folded(candidate)).second; ++n)
        candidate = base + '-' + std::to_string(n) + ".tcx";
    return candidate;
}

// Reads each workout in turn and hands it on, reporting progress before each and once at the
// end; a workout that cannot be read is named in the report and skipped. `use` returns false to
// stop the export.
template <typename Use>
void ForEachReadable(const std::vector<WorkoutFile>& workouts, const ExportProgress& progress, ExportReport& report,
    const FileSystem& fileSystem, Use use)
{
    const int total = static_cast<int>(workouts.size());
    for (int done = 0; done <= total; ++done) {
        if (!Report(progress, done, total)) {
            report.cancelled = true;
            return;
        }
        if (done == total)
            return;
        const WorkoutFile& workout = workouts[static_cast<std::size_t>(done)];
        const auto summary = ReadWorkoutFile(workout.path, fileSystem);
        if (!summary) {
            report.skipped.push_back({workout.path, summary.error()});
            continue;
        }
        if (!use(workout, summary.value()))
            return;
        ++report.workouts;
    }
}

} // namespace

std::vector<WorkoutFile> DistinctWorkouts(const std::vector<WorkoutFile>& workouts, const FileSystem& fileSystem)
{
    std::vector<WorkoutFile> distinct;
    std::map<FileIdentity, std::size_t> files;
    std::map<std::pair<std::string, std::string>, std::vector<std::size_t>> named;
    for (const WorkoutFile& file : workouts) {
        std::optional<std::size_t> same;
        const auto identity = fileSystem.identity(file.path);
        if (identity)
            if (const auto at = files.find(*identity); at != files.end())
                same = at->second;
        auto& namesakes
            = named[{Folded(file.path.parent_path().parent_path().string()), Folded(file.path.filename().string())}];
        for (std::size_t i = 0; !same && i < namesakes.size(); ++i) {
            const WorkoutFile& other = distinct[namesakes[i]];
            if (other.synched == file.synched)
                continue;
            const auto a = fileSystem.readFile(other.path);
            const auto b = fileSystem.readFile(file.path);
            if (a && b && a.value() == b.value())
                same = namesakes[i];
        }
        if (same) {
            if (distinct[*same].synched && !file.synched)
                distinct[*same] = file;
            continue;
        }
        if (identity)
            files.emplace(*identity, distinct.size());
        namesakes.push_back(distinct.size());
        distinct.push_back(file);
    }
    return distinct;
}

std::vector<WorkoutFile> CatalogueWorkouts(const iPodRecord& ipod, const std::vector<CatalogueRow>& rows)
{
    std::vector<WorkoutFile> files;
    files.reserve(rows.size());
    for (const CatalogueRow& row : rows) {
        const RowKeyParts key = SplitRowKey(row.key);
        const long long sensor = key.sensorText.toLongLong();
        if (const WorkoutFileEntry* file = FileAt(ipod, sensor, key.fileText.toLongLong()))
            files.push_back({file->fullPath(), SensorAt(ipod, sensor)->name, row.synched});
    }
    return files;
}

ExportSelection SelectionOf(const iPodRecord& ipod, const std::vector<CatalogueRow>& rows)
{
    return {CatalogueWorkouts(ipod, rows), {ipod.root}};
}

Exporter::Exporter(FileSystem& fileSystem) : m_fileSystem(fileSystem) { }

ExportReport Exporter::exportTcx(
    const ExportSelection& selection, const fs::path& folder, const ExportProgress& progress)
{
    ExportReport report;
    report.writeError = OnIPod(selection.ipodRoots, folder, m_fileSystem);
    if (report.writeError.isEmpty())
        report.writeError = MakeFolder(folder);
    if (!report.writeError.isEmpty())
        return report;
    const std::vector<WorkoutFile> workouts = DistinctWorkouts(selection.workouts, m_fileSystem);
    std::set<std::string> taken;
    ForEachReadable(workouts, progress, report, m_fileSystem, [&](const WorkoutFile&, const WorkoutSummary& summary) {
        const fs::path target = folder / FreeName(TcxFileName(summary), taken);
        if (Result written = m_fileSystem.writeFileAtomic(target, TcxDocument(summary)); !written) {
            report.writeError = written.error();
            return false;
        }
        report.written.push_back(target);
        return true;
    });
    return report;
}

ExportReport Exporter::exportCsv(const ExportSelection& selection, const fs::path& file, const ExportProgress& progress)
{
    ExportReport report;
    report.writeError = OnIPod(selection.ipodRoots, file, m_fileSystem);
    if (report.writeError.isEmpty())
        report.writeError = MakeFolder(file.parent_path().empty() ? fs::path(".") : file.parent_path());
    if (!report.writeError.isEmpty())
        return report;
    std::string text = CsvHeader();
    ForEachReadable(selection.workouts, progress, report, m_fileSystem,
        [&](const WorkoutFile& workout, const WorkoutSummary& summary) {
            text += CsvRow(summary, workout.sensor, workout.synched, workout.path.filename().string());
            return true;
        });
    if (report.cancelled)
        return report;
    if (Result written = m_fileSystem.writeFileAtomic(file, text); !written) {
        report.writeError = written.error();
        report.workouts = 0;
        return report;
    }
    report.written.push_back(file);
    return report;
}

Result Exporter::exportWorkoutTcx(const iPodRecord& ipod, const fs::path& workoutFile, const fs::path& target)
{
    if (const QString refused = OnIPod({ipod.root}, target, m_fileSystem); !refused.isEmpty())
        return Result::failure(refused);
    const auto summary = ReadWorkoutFile(workoutFile, m_fileSystem);
    if (!summary)
        return Result::failure(summary.error());
    return m_fileSystem.writeFileAtomic(target, TcxDocument(summary.value()));
}

} // namespace paceforge
