#include "WorkoutStore.h"

#include <vector>

namespace paceforge {

void WorkoutStore::replace(CatalogueBuild build)
{
    m_build = std::move(build);
    ++m_generation;
    // A listener may forget itself, or another, while it is told.
    std::vector<int> ids;
    for (const auto& [id, listener] : m_listeners)
        ids.push_back(id);
    for (const int id : ids)
        if (const auto it = m_listeners.find(id); it != m_listeners.end()) {
            const Listener listener = it->second;
            listener();
        }
}

int WorkoutStore::listen(Listener listener)
{
    const int id = m_nextId++;
    m_listeners.emplace(id, std::move(listener));
    return id;
}

void WorkoutStore::forget(int id)
{
    m_listeners.erase(id);
}

} // namespace paceforge
