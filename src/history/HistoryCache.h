#pragma once

#include "platform/Result.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace paceforge {

class FileSystem;
namespace history {
struct KeyedReading;
}

// What the history read from workout files, kept on the computer so that the next reading can
// skip every file that has not changed: one file per iPod in the folder, each entry keyed by the
// workout file's path, size and last-write time. An entry whose file changed or vanished is never
// used; a cache file that is damaged, of another format or unreadable counts as empty. Never on
// the iPod: the folder is the user's cache folder.
class HistoryCache
{
public:
    // The folder is made when the cache is first written.
    HistoryCache(std::filesystem::path folder, FileSystem& fileSystem);
    ~HistoryCache();
    HistoryCache(const HistoryCache&) = delete;
    HistoryCache& operator=(const HistoryCache&) = delete;

    const std::filesystem::path& folder() const;
    // The cache file for the iPod at that drive root.
    std::filesystem::path fileFor(const std::filesystem::path& ipodRoot) const;

private:
    friend class HistoryReader;
    struct Store;
    // The entries of one iPod, loaded on first use.
    Store& storeFor(const std::filesystem::path& ipodRoot);
    [[nodiscard]] Result write(
        const std::filesystem::path& ipodRoot, const std::vector<history::KeyedReading>& readings);

    struct State;
    std::unique_ptr<State> m_state;
};

// The user's cache folder for the history, shared by the window and the commands (which run
// under another application name): ~/.cache/Paceforge on Linux.
std::filesystem::path StandardHistoryCacheFolder();

} // namespace paceforge
