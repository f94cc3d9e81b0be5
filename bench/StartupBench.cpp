// Process start to the window shown with its list filled, for an empty store and a store of
// 10,000 workouts, against the minimal Qt program; and the peak memory of each. Every run is a
// fresh process on the offscreen platform, quitting as soon as its window is shown. The program
// keeps its painted artwork in a cache folder of the benchmark's own, filled by its first run;
// "first" starts each time with that folder empty, as the very first start after installing.

#include "SyntheticStore.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace paceforge::bench;

namespace {

fs::path ProgramFolder()
{
    return fs::read_symlink("/proc/self/exe").parent_path();
}

struct Stores {
    TempFolder folder{"startup"};
    fs::path empty = folder.path() / "EMPTY";
    SyntheticStore full;
    fs::path runtime = folder.path() / "runtime";
    fs::path cache = folder.path() / "cache";
    fs::path emptyCache = folder.path() / "empty-cache";

    Stores()
    {
        const fs::path sensor = empty / "iPod_Control" / "Device" / "Trainer" / "Workouts" / "Empeds" / "2F6D84TRVSX";
        fs::create_directories(sensor / "latest");
        fs::create_directories(sensor / "synched");
        full = MakeStore(folder.path() / "IPOD", 10000, SensorsFor(10000));
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
    }
};

Stores& TheStores()
{
    static Stores stores;
    return stores;
}

struct Run {
    double seconds = 0;
    double peakMiB = 0;
    bool ok = false;
};

Run Spawn(const fs::path& program, const fs::path& drive, const fs::path& cache)
{
    std::vector<std::string> variables;
    const auto replaced = [](const std::string& entry) {
        for (const char* name : {"QT_QPA_PLATFORM=", "PACEFORGE_DRIVES=", "PACEFORGE_EXIT_WHEN_SHOWN=",
                 "PACEFORGE_SCREENSHOT=", "XDG_RUNTIME_DIR=", "XDG_CACHE_HOME="})
            if (entry.rfind(name, 0) == 0)
                return true;
        return false;
    };
    for (char** e = environ; *e; ++e)
        if (!replaced(*e))
            variables.push_back(*e);
    variables.push_back("QT_QPA_PLATFORM=offscreen");
    variables.push_back("PACEFORGE_EXIT_WHEN_SHOWN=1");
    variables.push_back("XDG_RUNTIME_DIR=" + TheStores().runtime.string());
    variables.push_back("XDG_CACHE_HOME=" + cache.string());
    if (!drive.empty())
        variables.push_back("PACEFORGE_DRIVES=" + drive.string());
    std::vector<char*> envp;
    for (std::string& v : variables)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string path = program.string();
    char* argv[] = {path.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, path.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

enum Subject { Minimal = 0, EmptyStore = 1, FullStore = 2, FirstStart = 3 };

void Startup(benchmark::State& state, Subject subject)
{
    Stores& stores = TheStores();
    const fs::path program = ProgramFolder() / (subject == Minimal ? "bench_minimal_window" : "paceforge");
    const fs::path drive = subject == FullStore ? stores.full.drive : subject == Minimal ? fs::path() : stores.empty;
    const fs::path cache = subject == FirstStart ? stores.emptyCache : stores.cache;
    double peak = 0;
    for (auto _ : state) {
        if (subject == FirstStart)
            fs::remove_all(cache);
        const Run run = Spawn(program, drive, cache);
        if (!run.ok) {
            state.SkipWithError(("could not run " + program.string()).c_str());
            break;
        }
        state.SetIterationTime(run.seconds);
        peak = std::max(peak, run.peakMiB);
    }
    state.counters["peak_MiB"] = peak;
}

const bool registered = [] {
    for (const auto& [name, subject] : {std::pair{"startup/minimal", Minimal}, std::pair{"startup/empty", EmptyStore},
             std::pair{"startup/10000", FullStore}, std::pair{"startup/first", FirstStart}})
        benchmark::RegisterBenchmark(name, Startup, subject)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace

BENCHMARK_MAIN();
