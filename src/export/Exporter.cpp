#include "Exporter.h"

#include "Csv.h"
#include "platform/FileSystem.h"
#include "store/Catalogue.h"
#include "Tcx.h"
#include "workout/WorkoutSummary.h"

#include <iterator>
#include <map>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

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

Result OutsideIPods(const std::vector<fs::path>& ipodRoots, const fs::path& target, const FileSystem& fileSystem)
{
    for (const fs::path& root : ipodRoots)
        if (IsInside(target, root, fileSystem))
            return Result::failure(
                QStringLiteral("Paceforge does not write onto the iPod: choose a place outside \"%1\" for \"%2\".")
                    .arg(DisplayPath(root), DisplayPath(target)));
    return Result::success();
}

// The output side only: the iPod was refused before this.
Result MakeFolder(const fs::path& folder)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec) || fs::create_directories(folder, ec))
        return Result::success();
    return Result::failure(QStringLiteral("Could not create the folder \"%1\": %2.")
                               .arg(DisplayPath(folder),
                                   QString::fromLocal8Bit(ec ? ec.message() : std::string("it is not a folder"))));
}

// Where an export may write, or why not.
std::optional<QString> RefusedTarget(const std::vector<fs::path>& ipodRoots, const fs::path& target,
    const fs::path& folder, const FileSystem& fileSystem)
{
    if (Result outside = OutsideIPods(ipodRoots, target, fileSystem); !outside)
        return outside.error();
    if (Result made = MakeFolder(folder); !made)
        return made.error();
    return std::nullopt;
}

bool Report(const ExportProgress& progress, int done, int total)
{
    return !progress || progress(done, total);
}

// The names given so far, and for each name the next number to try: two thousand copies of one run
// would otherwise try "-2", "-3", ... again for each copy.
struct TakenNames {
    std::unordered_set<std::string> names;
    std::unordered_map<std::string, int> next;
};

std::string FreeName(const QString& name, TakenNames& taken)
{
    const std::string base = name.chopped(4).toStdString();
    std::string candidate = base + ".tcx";
    if (taken.names.insert(Folded(candidate)).second)
        return candidate;
    int& n = taken.next.try_emplace(Folded(base), 2).first->second;
    do
        candidate = base + '-' + std::to_string(n++) + ".tcx";
    while (!taken.names.insert(Folded(candidate)).second);
    return candidate;
}

// Reads each workout in turn and hands it on, reporting progress before each and once at the
// end; a workout that cannot be read is named in the report and skipped. `use` returns false to
// stop the export.
template <typename Use>
void ForEachReadable(const std::vector<StoredWorkout>& workouts, const ExportProgress& progress, ExportReport& report,
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
        const StoredWorkout& workout = workouts[static_cast<std::size_t>(done)];
        const auto summary = ReadWorkoutFile(workout.fullPath(), fileSystem);
        if (!summary) {
            report.skipped.push_back({workout.fullPath(), summary.error()});
            continue;
        }
        if (!use(workout, summary.value()))
            return;
        ++report.workouts;
    }
}

} // namespace

ExportSelection SelectionOf(const iPodRecord& ipod, const std::vector<CatalogueRow>& rows)
{
    return {ListedWorkouts(ipod, rows), {ipod.root}};
}

Exporter::Exporter(FileSystem& fileSystem) : m_fileSystem(fileSystem) { }

ExportReport Exporter::exportTcx(
    const ExportSelection& selection, const fs::path& folder, const ExportProgress& progress)
{
    ExportReport report;
    report.writeError = RefusedTarget(selection.ipodRoots, folder, folder, m_fileSystem);
    if (report.writeError)
        return report;
    TakenNames taken;
    ForEachReadable(selection.workouts, progress, report, m_fileSystem, [&](const StoredWorkout&, const WorkoutSummary& summary) {
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
    report.writeError = RefusedTarget(
        selection.ipodRoots, file, file.parent_path().empty() ? fs::path(".") : file.parent_path(), m_fileSystem);
    if (report.writeError)
        return report;
    std::string text = CsvHeader();
    ForEachReadable(selection.workouts, progress, report, m_fileSystem,
        [&](const StoredWorkout& workout, const WorkoutSummary& summary) {
            text += CsvRow(summary, workout.sensor, workout.shownAsSynched(), workout.fileName);
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
    if (Result outside = OutsideIPods({ipod.root}, target, m_fileSystem); !outside)
        return outside;
    const auto summary = ReadWorkoutFile(workoutFile, m_fileSystem);
    if (!summary)
        return Result::failure(summary.error());
    return m_fileSystem.writeFileAtomic(target, TcxDocument(summary.value()));
}

} // namespace paceforge
