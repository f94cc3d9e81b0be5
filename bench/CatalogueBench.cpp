// The catalogue as the window builds it when an iPod is chosen: the walk, the renaming pass, the
// listing, the sort and the list filled, against one bare walk that lists every name of the tree.

#include "SyntheticStore.h"

#include "platform/FileSystem.h"
#include "store/Catalogue.h"
#include "ui/WorkoutListModel.h"

#include <QHeaderView>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

using namespace paceforge;
using namespace paceforge::bench;

namespace {

struct Prepared {
    std::unique_ptr<TempFolder> folder;
    SyntheticStore store;
};

const SyntheticStore& Store(int files)
{
    static std::map<int, Prepared> stores;
    auto [at, fresh] = stores.try_emplace(files);
    if (fresh) {
        at->second.folder = std::make_unique<TempFolder>("catalogue-" + std::to_string(files));
        at->second.store = MakeStore(at->second.folder->path() / "IPOD", files, SensorsFor(files));
    }
    return at->second.store;
}

// Set up as the window sets up its list.
void ConfigureLikeTheWindow(QTreeView& view)
{
    view.setRootIsDecorated(false);
    view.setUniformRowHeights(true);
    view.setItemsExpandable(false);
    view.setAllColumnsShowFocus(true);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.header()->setSectionsMovable(false);
    view.header()->setStretchLastSection(false);
    view.setAlternatingRowColors(true);
    view.resize(264, 196);
}

void Catalogue(benchmark::State& state)
{
    const SyntheticStore& store = Store(static_cast<int>(state.range(0)));
    FileSystem fileSystem;
    const iPodRecord selected{QStringLiteral("IPOD"), store.drive, {}};
    QTreeView view;
    auto* model = new WorkoutListModel(&view);
    view.setModel(model);
    ConfigureLikeTheWindow(view);
    view.show();
    CatalogueBuild current;
    for (auto _ : state) {
        state.PauseTiming();
        store.restoreMisnamed();
        state.ResumeTiming();
        model->clear();
        current = BuildCatalogue(selected, fileSystem);
        model->setRows(current.rows);
        view.setColumnWidth(0, 80);
        view.setColumnWidth(1, 80);
        view.setColumnWidth(2, 70);
        // The layout the list does before its first paint.
        view.doItemsLayout();
    }
    state.counters["rows"] = model->rowCount();
}

void CatalogueFloor(benchmark::State& state)
{
    const SyntheticStore& store = Store(static_cast<int>(state.range(0)));
    std::size_t count = 0;
    for (auto _ : state) {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(store.drive))
            names.push_back(entry.path().filename().string());
        count = names.size();
        benchmark::DoNotOptimize(names.data());
    }
    state.counters["names"] = static_cast<double>(count);
}

const int kSizes[] = {100, 1000, 10000, 100000};

const bool registered = [] {
    for (int size : kSizes) {
        benchmark::RegisterBenchmark("catalogue", Catalogue)->Arg(size)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark("catalogue_floor", CatalogueFloor)
            ->Arg(size)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    return true;
}();

} // namespace
