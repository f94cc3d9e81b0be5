// One workout into the entry fields, as the window loads the row the user picks, against reading
// the same file's bytes and parsing them with pugixml. Two files of one kind take turns, so that
// every load changes what the fields show.

#include "SyntheticStore.h"

#include "platform/FileSystem.h"
#include "platform/XmlDocument.h"
#include "templates/WorkoutLoader.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace paceforge;
using namespace paceforge::bench;

namespace {

enum Kind { Typical = 0, ThreeHours = 1 };

struct Files {
    TempFolder folder{"load"};
    fs::path paths[2][2];

    Files()
    {
        const fs::path latest = folder.path() / "latest";
        fs::create_directories(latest);
        for (int kind : {Typical, ThreeHours}) {
            for (int turn = 0; turn < 2; ++turn) {
                WorkoutShape shape;
                shape.day = 14 + turn;
                shape.hour = 6 + kind;
                // A typical run: 35 minutes over 6.4 km; the long one 3 hours, 1,080 samples.
                shape.seconds = kind == Typical ? 35 * 60 + 20 * turn : 3 * 3600;
                shape.kilometres = kind == Typical ? 6.4 + 0.3 * turn : 30.2 - 1.1 * turn;
                paths[kind][turn] = latest / WorkoutFileName(shape);
                std::ofstream(paths[kind][turn], std::ios::binary) << WorkoutBytes(shape);
            }
        }
    }
};

const Files& TheFiles()
{
    static const Files files;
    return files;
}

struct Fields {
    QWidget panel;
    QLineEdit* distance = new QLineEdit(&panel);
    QLineEdit* hours = new QLineEdit(&panel);
    QLineEdit* minutes = new QLineEdit(&panel);
    QLineEdit* seconds = new QLineEdit(&panel);
    QLineEdit* weight = new QLineEdit(&panel);
    QLineEdit* calories = new QLineEdit(&panel);
    QLabel* date = new QLabel(&panel);
};

// What frmMain::LoadWorkoutEntry does for a row: the file is read (a failed read asks whether it
// vanished), parsed and read into the fields; the document is kept for a later edit.
void Load(benchmark::State& state, bool intoFields)
{
    const auto kind = static_cast<Kind>(state.range(0));
    FileSystem fileSystem;
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    std::optional<Fields> fields;
    if (intoFields) {
        fields.emplace();
        fields->panel.show();
    }
    std::optional<XmlDocument> current;
    int turn = 0;
    for (auto _ : state) {
        const fs::path& path = TheFiles().paths[kind][turn];
        turn ^= 1;
        const auto bytes = fileSystem.readFile(path);
        if (!bytes && !fileSystem.fileExists(path)) {
            state.SkipWithError("file missing");
            break;
        }
        XmlDocument document = XmlDocument::fromBytes(bytes.value());
        const auto entries = ReadWorkoutEntries(document, true, true, locale);
        if (!document.hasDocumentElement() || !entries) {
            state.SkipWithError("not a workout");
            break;
        }
        current = std::move(document);
        if (fields) {
            fields->calories->setText(entries->calories);
            if (entries->dateLabel)
                fields->date->setText(*entries->dateLabel);
            fields->distance->setText(entries->distance);
            fields->hours->setText(entries->hours);
            fields->minutes->setText(entries->minutes);
            fields->seconds->setText(entries->seconds);
            fields->weight->setText(entries->weight);
        } else {
            benchmark::DoNotOptimize(entries->distance.constData());
        }
    }
}

void LoadCore(benchmark::State& state)
{
    Load(state, false);
}
void LoadIntoFields(benchmark::State& state)
{
    Load(state, true);
}

void LoadFloor(benchmark::State& state)
{
    const auto kind = static_cast<Kind>(state.range(0));
    int turn = 0;
    for (auto _ : state) {
        const fs::path& path = TheFiles().paths[kind][turn];
        turn ^= 1;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info { };
        ::fstat(fd, &info);
        std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
        const ssize_t got = ::read(fd, bytes.data(), bytes.size());
        ::close(fd);
        pugi::xml_document document;
        document.load_buffer(bytes.data(), static_cast<std::size_t>(got));
        benchmark::DoNotOptimize(document.first_child());
    }
}

const bool registered = [] {
    for (int kind : {Typical, ThreeHours}) {
        benchmark::RegisterBenchmark("load_core", LoadCore)->Arg(kind)->Unit(benchmark::kMicrosecond)->UseRealTime();
        benchmark::RegisterBenchmark("load_fields", LoadIntoFields)
            ->Arg(kind)
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark("load_floor", LoadFloor)->Arg(kind)->Unit(benchmark::kMicrosecond)->UseRealTime();
    }
    return true;
}();

} // namespace
