#include "Exporter.h"

#include "Csv.h"
#include "platform/FileSystem.h"
#include "store/Catalogue.h"
#include "Tcx.h"
#include "WorkoutSummary.h"

#include <iterator>
#include <map>
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

// Compared by names as the disk spells them, and without regard to case as on the iPod's disk.
bool IsInside(const fs::path& target, const fs::path& folder)
{
    std::error_code ec;
    const fs::path a = fs::weakly_canonical(fs::absolute(target, ec), ec);
    const fs::path b = fs::weakly_canonical(fs::absolute(folder, ec), ec);
    auto t = a.begin();
    for (auto f = b.begin(); f != b.end(); ++f, ++t) {
        if (f->empty() && std::next(f) == b.end())
            break; // a trailing separator
        if (t == a.end() || !NamesEqualIgnoringCase(f->string(), t->string()))
            return false;
    }
    return true;
}

QString OnIPod(const std::vector<iPodRecord>& ipods, const fs::path& target)
{
    for (const iPodRecord& ipod : ipods)
        if (IsInside(target, ipod.root))
            return QStringLiteral("Paceforge does not write onto the iPod: choose a place outside \"%1\" for \"%2\".")
                .arg(DisplayPath(ipod.root), DisplayPath(target));
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

// One per sensor and file name, the latest copy in the place of the first one listed.
std::vector<WorkoutFile> DistinctWorkouts(const std::vector<iPodRecord>& ipods)
{
    std::vector<WorkoutFile> distinct;
    std::map<std::tuple<std::size_t, std::string, std::string>, std::size_t> seen;
    for (std::size_t i = 0; i < ipods.size(); ++i) {
        for (WorkoutFile& file : CatalogueWorkouts(ipods[i])) {
            auto key = std::make_tuple(i, Folded(file.sensor), Folded(file.path.filename().string()));
            const auto [at, added] = seen.emplace(std::move(key), distinct.size());
            if (added)
                distinct.push_back(std::move(file));
            else if (distinct[at->second].synched && !file.synched)
                distinct[at->second] = std::move(file);
        }
    }
    return distinct;
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

std::vector<WorkoutFile> CatalogueWorkouts(const iPodRecord& ipod)
{
    std::vector<CatalogueRow> rows;
    for (std::size_t s = 0; s < ipod.sensors.size(); ++s) {
        const SensorFolder& sensor = ipod.sensors[s];
        for (std::size_t f = 0; f < sensor.files.size(); ++f) {
            const WorkoutFileEntry& file = sensor.files[f];
            const bool inLatest = NamesEqualIgnoringCase(file.folderPath.get().filename().string(), "latest");
            if (auto row
                = MakeRow(file.fileName, inLatest, static_cast<long long>(s) + 1, static_cast<long long>(f) + 1))
                rows.push_back(std::move(*row));
        }
    }
    SortCatalogue(rows);
    std::vector<WorkoutFile> files;
    files.reserve(rows.size());
    for (const CatalogueRow& row : rows) {
        const RowKeyParts key = SplitRowKey(row.key);
        const long long sensor = key.sensorText.toLongLong();
        files.push_back(
            {FileAt(ipod, sensor, key.fileText.toLongLong())->fullPath(), SensorAt(ipod, sensor)->name, row.synched});
    }
    return files;
}

Exporter::Exporter(FileSystem& fileSystem) : m_fileSystem(fileSystem) { }

ExportReport Exporter::exportTcx(
    const std::vector<iPodRecord>& ipods, const fs::path& folder, const ExportProgress& progress)
{
    ExportReport report;
    report.writeError = OnIPod(ipods, folder);
    if (report.writeError.isEmpty())
        report.writeError = MakeFolder(folder);
    if (!report.writeError.isEmpty())
        return report;
    const std::vector<WorkoutFile> workouts = DistinctWorkouts(ipods);
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

ExportReport Exporter::exportCsv(
    const std::vector<iPodRecord>& ipods, const fs::path& file, const ExportProgress& progress)
{
    ExportReport report;
    report.writeError = OnIPod(ipods, file);
    if (report.writeError.isEmpty())
        report.writeError = MakeFolder(file.parent_path().empty() ? fs::path(".") : file.parent_path());
    if (!report.writeError.isEmpty())
        return report;
    std::vector<WorkoutFile> workouts;
    for (const iPodRecord& ipod : ipods)
        for (WorkoutFile& workout : CatalogueWorkouts(ipod))
            workouts.push_back(std::move(workout));
    std::string text = CsvHeader();
    ForEachReadable(
        workouts, progress, report, m_fileSystem, [&](const WorkoutFile& workout, const WorkoutSummary& summary) {
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
    if (const QString refused = OnIPod({ipod}, target); !refused.isEmpty())
        return Result::failure(refused);
    const auto summary = ReadWorkoutFile(workoutFile, m_fileSystem);
    if (!summary)
        return Result::failure(summary.error());
    return m_fileSystem.writeFileAtomic(target, TcxDocument(summary.value()));
}

} // namespace paceforge
