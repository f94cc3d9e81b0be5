// The history of a store: a first opening that reads every file and writes the summary cache,
// against reading and parsing every file once; a second opening that takes every unchanged file
// from the cache, against building the catalogue of the same store.

#include "SyntheticStore.h"

#include "history/BestEfforts.h"
#include "history/HistoryCache.h"
#include "history/PersonalRecords.h"
#include "history/WorkoutHistory.h"
#include "platform/FileSystem.h"
#include "platform/XmlDocument.h"
#include "store/Catalogue.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <chrono>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace paceforge;
using namespace paceforge::bench;

namespace {

struct Prepared {
    std::unique_ptr<TempFolder> folder;
    SyntheticStore store;
    fs::path cacheFolder;
    std::vector<fs::path> paths;
    iPodRecord selected;
};

const Prepared& Store(int files)
{
    static std::map<int, Prepared> stores;
    auto [at, fresh] = stores.try_emplace(files);
    Prepared& p = at->second;
    if (fresh) {
        p.folder = std::make_unique<TempFolder>("history-" + std::to_string(files));
        p.store = MakeStore(p.folder->path() / "IPOD", files, SensorsFor(files));
        p.cacheFolder = p.folder->path() / "cache";
        p.selected = {QStringLiteral("IPOD"), p.store.drive, {}};
        FileSystem fileSystem;
        // Once with the renaming pass, as the window's first listing does; after it the store is as
        // it stays, and its files as old as a real store's (a file written moments ago is not cached).
        const CatalogueBuild build = BuildCatalogue(p.selected, fileSystem);
        for (const StoredWorkout& file : ListedWorkouts(build.ipod, build.rows)) {
            p.paths.push_back(file.fullPath());
            fs::last_write_time(p.paths.back(), fs::file_time_type::clock::now() - std::chrono::hours(24));
        }
    }
    return p;
}

// What the window does when the history opens for the first time: every file read and parsed,
// the entries made, the cache written.
void HistoryFirst(benchmark::State& state)
{
    const Prepared& p = Store(static_cast<int>(state.range(0)));
    FileSystem fileSystem;
    const CatalogueBuild build = BuildCatalogue(p.selected, fileSystem);
    for (auto _ : state) {
        state.PauseTiming();
        std::error_code ec;
        fs::remove_all(p.cacheFolder, ec);
        state.ResumeTiming();
        HistoryCache cache(p.cacheFolder, fileSystem);
        HistoryReader reader(ListedWorkouts(build.ipod, build.rows), fileSystem, &cache);
        reader.readAll();
        if (!reader.saveCache()) {
            state.SkipWithError("cannot write the cache");
            break;
        }
        benchmark::DoNotOptimize(reader.entries().data());
    }
    state.counters["files"] = static_cast<double>(p.paths.size());
}

// A second opening, the catalogue built already: every file stat'ed and found in the cache.
void HistoryCached(benchmark::State& state, bool withCatalogue)
{
    const Prepared& p = Store(static_cast<int>(state.range(0)));
    FileSystem fileSystem;
    {
        HistoryCache cache(p.cacheFolder, fileSystem);
        const CatalogueBuild first = BuildCatalogue(p.selected, fileSystem);
        (void)ReadHistory(ListedWorkouts(first.ipod, first.rows), fileSystem, &cache);
    }
    const CatalogueBuild built = BuildCatalogue(p.selected, fileSystem);
    std::size_t cached = 0;
    for (auto _ : state) {
        const CatalogueBuild build = withCatalogue ? BuildCatalogue(p.selected, fileSystem) : CatalogueBuild();
        HistoryCache cache(p.cacheFolder, fileSystem);
        const CatalogueBuild& used = withCatalogue ? build : built;
        HistoryReader reader(ListedWorkouts(used.ipod, used.rows), fileSystem, &cache);
        reader.readAll();
        if (!reader.saveCache()) {
            state.SkipWithError("cannot write the cache");
            break;
        }
        cached = reader.cachedEntries();
    }
    state.counters["cached"] = static_cast<double>(cached);
}

void HistoryCachedAlone(benchmark::State& state)
{
    HistoryCached(state, false);
}

void HistoryCachedWithCatalogue(benchmark::State& state)
{
    HistoryCached(state, true);
}

// The catalogue the window builds when the iPod is chosen, without the list view.
void CatalogueCore(benchmark::State& state)
{
    const Prepared& p = Store(static_cast<int>(state.range(0)));
    FileSystem fileSystem;
    for (auto _ : state) {
        CatalogueBuild build = BuildCatalogue(p.selected, fileSystem);
        benchmark::DoNotOptimize(build.rows.data());
    }
}

// The best efforts of every run from its samples, which a first opening adds to each file's reading
// (the series read into memory before the measurement, in one block: ten thousand blocks freed
// after it made the allocator hand the next benchmarks fresh pages).
void Efforts(benchmark::State& state)
{
    const Prepared& p = Store(static_cast<int>(state.range(0)));
    FileSystem fileSystem;
    std::vector<std::int64_t> all;
    struct Run {
        std::size_t first, count;
        double sampleSeconds;
    };
    std::vector<Run> runs;
    for (const fs::path& path : p.paths) {
        const XmlDocument document = XmlDocument::fromBytes(fileSystem.readFile(path).value());
        if (const auto summary = ReadWorkoutSummary(document, QString(), SeriesReading::Skip)) {
            const MillimetreSeries series = ReadSeriesMillimetres(document, summary.value());
            runs.push_back({all.size(), series.millimetres.size(), series.sampleSeconds});
            all.insert(all.end(), series.millimetres.begin(), series.millimetres.end());
        }
    }
    for (auto _ : state)
        for (const Run& run : runs)
            benchmark::DoNotOptimize(
                BestEffortsOf(DistanceSamples{std::span(all).subspan(run.first, run.count), run.sampleSeconds}));
    state.counters["samples"] = static_cast<double>(all.size());
}

// The records of the whole history, as the window or `records` asks for them once it is read.
void Records(benchmark::State& state)
{
    const Prepared& p = Store(static_cast<int>(state.range(0)));
    FileSystem fileSystem;
    HistoryCache cache(p.cacheFolder, fileSystem);
    const CatalogueBuild build = BuildCatalogue(p.selected, fileSystem);
    const std::vector<HistoryEntry> entries = ReadHistory(ListedWorkouts(build.ipod, build.rows), fileSystem, &cache);
    for (auto _ : state)
        benchmark::DoNotOptimize(RecordsOf(entries).longestRun);
    state.counters["runs"] = static_cast<double>(entries.size());
}

// Every file read and parsed once, the least a first opening must do.
void ReadFloor(benchmark::State& state)
{
    const Prepared& p = Store(static_cast<int>(state.range(0)));
    std::string bytes;
    for (auto _ : state) {
        for (const fs::path& path : p.paths) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            struct stat info { };
            ::fstat(fd, &info);
            bytes.resize(static_cast<std::size_t>(info.st_size));
            const ssize_t got = ::read(fd, bytes.data(), bytes.size());
            ::close(fd);
            pugi::xml_document document;
            document.load_buffer(bytes.data(), static_cast<std::size_t>(got));
            benchmark::DoNotOptimize(document.first_child());
        }
    }
}

// A stat of every file, which a cached opening needs to know that each reading still holds.
void StatFloor(benchmark::State& state)
{
    const Prepared& p = Store(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (const fs::path& path : p.paths) {
            struct stat info { };
            benchmark::DoNotOptimize(::stat(path.c_str(), &info));
        }
    }
}

// The same through an open handle on each folder, as the history stats its files: the least a
// cached opening can ask of the disk.
void FolderStatFloor(benchmark::State& state)
{
    const Prepared& p = Store(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::map<fs::path, int> folders;
        for (const fs::path& path : p.paths) {
            auto [at, fresh] = folders.try_emplace(path.parent_path(), -1);
            if (fresh)
                at->second = ::open(at->first.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            struct stat info { };
            benchmark::DoNotOptimize(::fstatat(at->second, path.filename().c_str(), &info, 0));
        }
        for (const auto& [folder, handle] : folders)
            ::close(handle);
    }
}

// One system call that does nothing per file: what any question to the kernel about each file
// costs at the least on this machine, against the catalogue's few calls per folder.
void SyscallFloor(benchmark::State& state)
{
    const Prepared& p = Store(static_cast<int>(state.range(0)));
    for (auto _ : state)
        for (std::size_t i = 0; i < p.paths.size(); ++i)
            benchmark::DoNotOptimize(::syscall(SYS_getppid));
}

const bool registered = [] {
    benchmark::RegisterBenchmark("history_first", HistoryFirst)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("history_read_floor", ReadFloor)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("history_cached", HistoryCachedAlone)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("history_cached_catalogue", HistoryCachedWithCatalogue)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("history_stat_floor", StatFloor)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("history_efforts", Efforts)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("history_records", Records)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("history_folder_stat_floor", FolderStatFloor)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("history_syscall_floor", SyscallFloor)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("catalogue_core", CatalogueCore)
        ->Arg(10000)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    return true;
}();

} // namespace

BENCHMARK_MAIN();
