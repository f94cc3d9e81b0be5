// "Export all as TCX" of 2,000 recorded runs of 423 samples each in one sensor folder, against
// reading the same sources and writing as many bytes into as many files with the same atomic
// helper, a flush each. A second store holds 2,000 copies of one run, whose exports share a name.

#include "SyntheticStore.h"

#include "export/Exporter.h"
#include "platform/FileSystem.h"
#include "store/Catalogue.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>

using namespace paceforge;
using namespace paceforge::bench;

namespace {

constexpr int kRuns = 2000;
// 423 samples, one every ten seconds: seventy minutes and twenty seconds.
constexpr long long kSeconds = 4220;

enum Kind { Distinct = 0, OneStart = 1 };

struct Store {
    fs::path drive;
    ExportSelection selection;
    std::vector<std::size_t> outputSizes;
};

struct Setup {
    TempFolder folder{"export"};
    Store stores[2];

    Setup()
    {
        FileSystem fileSystem;
        for (const Kind kind : {Distinct, OneStart}) {
            Store& store = stores[kind];
            store.drive = folder.path() / (kind == Distinct ? "IPOD" : "COPIES");
            const fs::path synched = store.drive / "iPod_Control/Device/Trainer/Workouts/Empeds/2F6D84TRVSX/synched";
            fs::create_directories(synched);
            for (int i = 0; i < kRuns; ++i) {
                WorkoutShape shape;
                shape.year = 2004 + i / 336;
                shape.month = 1 + i / 28 % 12;
                shape.day = 1 + i % 28;
                shape.seconds = kSeconds;
                shape.kilometres = 11.0 + 0.001 * (i % 500);
                std::string bytes = WorkoutBytes(shape);
                // Copies keep the run's start inside and differ only in the file's name.
                if (kind == OneStart)
                    bytes = WorkoutBytes(WorkoutShape{.seconds = kSeconds, .kilometres = 11.0});
                std::ofstream(synched / WorkoutFileName(shape), std::ios::binary) << bytes;
            }
            const CatalogueBuild build
                = BuildCatalogue({QStringLiteral("IPOD"), store.drive, {}}, fileSystem, {.renameMisnamedFiles = false});
            store.selection = SelectionOf(build.ipod, build.rows);
        }
    }
};

Setup& TheSetup()
{
    static Setup setup;
    return setup;
}

bool ExportOnce(Store& store, const fs::path& out)
{
    FileSystem fileSystem;
    fs::remove_all(out);
    const ExportReport report = Exporter(fileSystem).exportTcx(store.selection, out);
    if (report.workouts != kRuns || report.writeError)
        return false;
    if (store.outputSizes.empty())
        for (const fs::path& file : report.written)
            store.outputSizes.push_back(fs::file_size(file));
    return true;
}

void Export(benchmark::State& state)
{
    Store& store = TheSetup().stores[state.range(0)];
    const fs::path out = TheSetup().folder.path() / "out";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
        if (!ExportOnce(store, out)) {
            state.SkipWithError("the export did not write every run");
            break;
        }
    }
}

void ExportFloor(benchmark::State& state)
{
    Store& store = TheSetup().stores[state.range(0)];
    if (store.outputSizes.empty() && !ExportOnce(store, TheSetup().folder.path() / "out")) {
        state.SkipWithError("the export did not write every run");
        return;
    }
    FileSystem fileSystem;
    const fs::path out = TheSetup().folder.path() / "floor";
    fs::create_directories(out);
    const std::string filler(*std::max_element(store.outputSizes.begin(), store.outputSizes.end()), 'x');
    for (auto _ : state) {
        for (std::size_t i = 0; i < store.selection.workouts.size(); ++i) {
            const auto source = fileSystem.readFile(store.selection.workouts[i].fullPath());
            const std::string_view output(filler.data(), store.outputSizes[i]);
            if (!source || !fileSystem.writeFileAtomic(out / (std::to_string(i) + ".tcx"), output)) {
                state.SkipWithError("cannot read or write");
                return;
            }
            benchmark::DoNotOptimize(source.value().data());
        }
    }
}

const bool registered = [] {
    for (const int kind : {Distinct, OneStart}) {
        benchmark::RegisterBenchmark("export_tcx", Export)->Arg(kind)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark("export_tcx_floor", ExportFloor)
            ->Arg(kind)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    return true;
}();

} // namespace

BENCHMARK_MAIN();
