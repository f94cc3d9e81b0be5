// The save pipeline without the rebuild of the list: checks, compose, write, clean-up, file time
// and copy, for a new workout from the template and for an edited one, against writing the same
// final bytes to two files with the same atomic helper.

#include "SyntheticStore.h"

#include "compose/Random.h"
#include "compose/SaveWorkout.h"
#include "platform/FileSystem.h"
#include "store/Catalogue.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace paceforge;
using namespace paceforge::bench;

namespace {

// Always the low end: every run composes the same bytes.
class LowRandom final : public RandomSource
{
public:
    int Rand(int low, int) override { return low; }
};

const QDate kToday(2024, 5, 20);

struct Setup {
    TempFolder folder{"save"};
    fs::path programFolder = folder.path() / "program";
    fs::path floorFolder = folder.path() / "floor";
    SyntheticStore store;
    iPodRecord ipod;
    long long editedSensor = 0;
    long long editedFile = 0;
    std::string editedBytes;
    std::string addedBytes;
    std::string editedFinalBytes;

    Setup()
    {
        fs::create_directories(programFolder);
        fs::create_directories(floorFolder);
        fs::copy_file(TemplateFile(), programFolder / "userdata.xml");
        store = MakeStore(folder.path() / "IPOD", 100, 1);
        FileSystem fileSystem;
        ipod = BuildCatalogue(iPodRecord{QStringLiteral("IPOD"), store.drive, {}}, fileSystem).ipod;
        for (const StoredWorkout& file : ipod.workouts)
            if (file.fullPath() == store.sampleLatest) {
                editedSensor = file.sensorIndex;
                editedFile = file.fileIndex;
            }
        editedBytes = fileSystem.readFile(store.sampleLatest).value();
    }
};

Setup& TheSetup()
{
    static Setup setup;
    return setup;
}

SaveEntries Entries()
{
    SaveEntries entries;
    entries.distance = QStringLiteral("4.2");
    entries.hours = QStringLiteral("0");
    entries.minutes = QStringLiteral("41");
    entries.seconds = QStringLiteral("17");
    entries.weight = QStringLiteral("161.5");
    entries.calories = QStringLiteral("512");
    entries.date = QDate(2024, 5, 18);
    entries.time = QTime(6, 45);
    return entries;
}

SaveContext Context(Setup& setup, bool adding, FileSystem& fileSystem, RandomSource& random)
{
    SaveContext context;
    context.adding = adding;
    context.iPodSelected = true;
    context.currentIPod = &setup.ipod;
    context.programFolder = setup.programFolder;
    context.today = kToday;
    context.locale = QLocale(QLocale::English, QLocale::UnitedStates);
    context.random = &random;
    context.fileSystem = &fileSystem;
    if (!adding) {
        context.selectedSensorIndex = setup.editedSensor;
        context.selectedFileIndex = setup.editedFile;
        context.currentDocumentSource = setup.store.sampleLatest;
    }
    return context;
}

void Save(benchmark::State& state)
{
    const bool adding = state.range(0) == 0;
    Setup& setup = TheSetup();
    FileSystem fileSystem;
    LowRandom random;
    SaveContext context = Context(setup, adding, fileSystem, random);
    std::optional<XmlDocument> current;
    const std::string addedName = "2024-05-18 06;45;00.xml";
    for (auto _ : state) {
        if (adding) {
            // A new workout never replaces another: the one the last run added goes first.
            state.PauseTiming();
            std::error_code ec;
            fs::remove(setup.ipod.sensors.front().synchedPath / addedName, ec);
            fs::remove(setup.ipod.sensors.front().latestPath / addedName, ec);
            state.ResumeTiming();
        } else {
            // Every edit starts from the workout as the device wrote it.
            state.PauseTiming();
            if (!fileSystem.writeFileAtomic(setup.store.sampleLatest, setup.editedBytes)) {
                state.SkipWithError("cannot restore the edited workout");
                break;
            }
            current = XmlDocument::fromBytes(setup.editedBytes);
            context.currentDocument = &*current;
            context.currentDocumentBytes = setup.editedBytes;
            state.ResumeTiming();
        }
        SaveEntries entries = Entries();
        SaveOutcome outcome = SaveWorkout(entries, context);
        if (!outcome.saved || outcome.message) {
            state.SkipWithError(outcome.message ? outcome.message->text.toStdString().c_str() : "not saved");
            break;
        }
        if (outcome.document)
            current = std::move(outcome.document);
    }
    if (adding) {
        setup.addedBytes = fileSystem.readFile(setup.ipod.sensors.front().synchedPath / addedName).value();
    } else {
        setup.editedFinalBytes = fileSystem.readFile(setup.store.sampleLatest).value();
    }
}

void SaveFloor(benchmark::State& state)
{
    Setup& setup = TheSetup();
    const bool adding = state.range(0) == 0;
    if ((adding ? setup.addedBytes : setup.editedFinalBytes).empty()) {
        // The floor writes the bytes the save wrote; make them once when the save has not run yet.
        FileSystem fileSystem;
        LowRandom random;
        SaveContext context = Context(setup, adding, fileSystem, random);
        std::optional<XmlDocument> document;
        if (!adding) {
            (void)fileSystem.writeFileAtomic(setup.store.sampleLatest, setup.editedBytes);
            document = XmlDocument::fromBytes(setup.editedBytes);
            context.currentDocument = &*document;
            context.currentDocumentBytes = setup.editedBytes;
        }
        SaveEntries entries = Entries();
        SaveWorkout(entries, context);
        const fs::path written
            = adding ? setup.ipod.sensors.front().synchedPath / "2024-05-18 06;45;00.xml" : setup.store.sampleLatest;
        (adding ? setup.addedBytes : setup.editedFinalBytes) = fileSystem.readFile(written).value();
    }
    const std::string& bytes = adding ? setup.addedBytes : setup.editedFinalBytes;
    FileSystem fileSystem;
    const fs::path first = setup.floorFolder / "first.xml";
    const fs::path second = setup.floorFolder / "second.xml";
    for (auto _ : state) {
        if (!fileSystem.writeFileAtomic(first, bytes) || !fileSystem.writeFileAtomic(second, bytes)) {
            state.SkipWithError("cannot write");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

const bool registered = [] {
    for (int mode : {0, 1}) {
        benchmark::RegisterBenchmark("save", Save)->Arg(mode)->Unit(benchmark::kMicrosecond)->UseRealTime();
        benchmark::RegisterBenchmark("save_floor", SaveFloor)->Arg(mode)->Unit(benchmark::kMicrosecond)->UseRealTime();
    }
    return true;
}();

} // namespace

BENCHMARK_MAIN();
