// A distance correction of 1,000 runs as the window or the command applies it once the preview is
// confirmed: each run read, checked against the preview, rescaled, backed up and written as an edit
// is saved, against writing the same corrected bytes once each with the same atomic helper.

#include "SyntheticStore.h"

#include "compose/Backups.h"
#include "compose/DistanceCorrection.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "store/Catalogue.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

using namespace paceforge;
using namespace paceforge::bench;

namespace {

constexpr int kRuns = 1000;

class FixedClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime({2026, 12, 9}, {7, 0}, Qt::UTC); }
};

struct Setup {
    TempFolder folder{"correct"};
    fs::path pristine = folder.path() / "pristine" / "IPOD";
    fs::path work = folder.path() / "work" / "IPOD";
    fs::path backups = folder.path() / "backups";
    fs::path floorFolder = folder.path() / "floor";
    std::vector<StoredWorkout> runs;
    CorrectionFactor factor = CorrectionFactor::fromRatio(*Decimal::parsePlain("1.04")).value();
    // The bytes a correction writes, by the name of the file they go to, and the runs' bytes before,
    // which its backups write.
    std::vector<std::pair<std::string, std::string>> written;
    std::vector<std::string> before;

    Setup()
    {
        MakeStore(pristine, kRuns, SensorsFor(kRuns));
        FileSystem fileSystem;
        // The renaming pass once, so that every run of the store keeps its name from here on.
        BuildCatalogue({QStringLiteral("IPOD"), pristine, {}}, fileSystem);
        for (const auto& entry : fs::recursive_directory_iterator(pristine))
            if (entry.is_regular_file())
                fs::last_write_time(entry.path(), fs::file_time_type::clock::now() - std::chrono::hours(24));
        fs::create_directories(floorFolder);
        reset();
        const CatalogueBuild build = BuildCatalogue({QStringLiteral("IPOD"), work, {}}, fileSystem);
        for (const StoredWorkout& file : build.ipod.workouts)
            if (file.fileName.ends_with(".xml") && file.workout == static_cast<std::size_t>(&file - build.ipod.workouts.data())) {
                runs.push_back(file);
                before.push_back(fileSystem.readFile(file.fullPath()).value());
            }
    }

    void reset() const
    {
        std::error_code ec;
        fs::remove_all(work.parent_path(), ec);
        fs::remove_all(backups, ec);
        fs::create_directories(work.parent_path());
        fs::copy(pristine, work, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
};

Setup& TheSetup()
{
    static Setup setup;
    return setup;
}

void Correct(benchmark::State& state)
{
    Setup& setup = TheSetup();
    FileSystem fileSystem;
    FixedClock clock;
    std::size_t done = 0;
    for (auto _ : state) {
        state.PauseTiming();
        setup.reset();
        Backups backups(setup.backups, clock, fileSystem);
        const CorrectionPlan plan = PlanCorrection(setup.runs, setup.factor, fileSystem);
        state.ResumeTiming();
        const CorrectionReport report = ApplyCorrection(plan, fileSystem, backups);
        if (!report.notDone.empty()) {
            state.SkipWithError(report.notDone.front().reason.toStdString().c_str());
            break;
        }
        done = report.done.size();
        if (setup.written.empty()) {
            state.PauseTiming();
            for (const fs::path& file : report.done)
                setup.written.emplace_back(file.filename().string(), fileSystem.readFile(file).value());
            state.ResumeTiming();
        }
    }
    state.counters["runs"] = static_cast<double>(done);
}

// The preview: every run read and corrected in memory, nothing written.
void Plan(benchmark::State& state)
{
    Setup& setup = TheSetup();
    FileSystem fileSystem;
    setup.reset();
    for (auto _ : state) {
        const CorrectionPlan plan = PlanCorrection(setup.runs, setup.factor, fileSystem);
        benchmark::DoNotOptimize(plan.runs.data());
    }
}

// The corrected bytes written once each; with backups, each run's former bytes written first, as
// the copy every change of a workout is preceded by.
void CorrectFloor(benchmark::State& state)
{
    Setup& setup = TheSetup();
    const bool withBackups = state.range(1) == 1;
    FileSystem fileSystem;
    if (setup.written.empty()) {
        FixedClock clock;
        setup.reset();
        Backups backups(setup.backups, clock, fileSystem);
        const CorrectionReport report
            = ApplyCorrection(PlanCorrection(setup.runs, setup.factor, fileSystem), fileSystem, backups);
        for (const fs::path& file : report.done)
            setup.written.emplace_back(file.filename().string(), fileSystem.readFile(file).value());
    }
    const fs::path copies = setup.floorFolder / "backups";
    fs::create_directories(copies);
    for (auto _ : state) {
        for (std::size_t i = 0; i < setup.written.size(); ++i) {
            const auto& [name, bytes] = setup.written[i];
            if ((withBackups && !fileSystem.writeFileAtomic(copies / name, setup.before[i]))
                || !fileSystem.writeFileAtomic(setup.floorFolder / name, bytes)) {
                state.SkipWithError("cannot write");
                return;
            }
        }
    }
    state.counters["runs"] = static_cast<double>(setup.written.size());
}

const bool registered = [] {
    benchmark::RegisterBenchmark("correct", Correct)->Arg(kRuns)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("correct_plan", Plan)->Arg(kRuns)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("correct_floor", CorrectFloor)
        ->Args({kRuns, 0})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("correct_floor_backups", CorrectFloor)
        ->Args({kRuns, 1})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    return true;
}();

} // namespace

BENCHMARK_MAIN();
