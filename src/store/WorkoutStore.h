#pragma once

#include "Catalogue.h"

#include <cstdint>
#include <functional>
#include <map>

namespace paceforge {

// The catalogue of the chosen iPod that every part of the program works from: the main window's
// list and its edits, the history with its corrections and restores. Whatever changes the iPod
// has the catalogue built again and put here, and everyone who shows it is told at once, before
// they can act on what they showed.
class WorkoutStore
{
public:
    using Listener = std::function<void()>;

    const CatalogueBuild& catalogue() const { return m_build; }
    const iPodRecord& ipod() const { return m_build.ipod; }
    const std::vector<CatalogueRow>& rows() const { return m_build.rows; }
    // The workouts of the rows, in their order: each workout once.
    std::vector<StoredWorkout> listedWorkouts() const { return ListedWorkouts(m_build.ipod, m_build.rows); }
    // Counts the catalogues put here, so that work begun on one can tell that it is gone.
    std::uint64_t generation() const { return m_generation; }

    void replace(CatalogueBuild build);

    // Returns the number to forget the listener by.
    int listen(Listener listener);
    void forget(int id);

private:
    CatalogueBuild m_build;
    std::uint64_t m_generation = 0;
    std::map<int, Listener> m_listeners;
    int m_nextId = 1;
};

} // namespace paceforge
