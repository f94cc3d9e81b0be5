#include "SameWorkout.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <numeric>

namespace paceforge {
namespace {

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

int CompareFolded(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(FoldAscii(a[i]));
        const auto y = static_cast<unsigned char>(FoldAscii(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool ReadSameBytes(const StoredWorkout& a, const StoredWorkout& b, const FileSystem& fileSystem)
{
    const auto x = fileSystem.readFile(a.fullPath());
    const auto y = fileSystem.readFile(b.fullPath());
    return x && y && x.value() == y.value();
}

// One folder's files: a run of positions in the walk, in the listing's order.
struct FolderRun {
    std::vector<std::size_t> files;
};

// The files of one sensor folder, folder by folder; each run sorted by folded name (the listings
// come sorted, a stand-in file system's may not).
std::vector<FolderRun> RunsOf(const std::vector<StoredWorkout>& files, std::size_t begin, std::size_t end)
{
    std::vector<FolderRun> runs;
    for (std::size_t i = begin; i < end; ++i) {
        if (runs.empty() || files[i].folder.get().native() != files[runs.back().files.back()].folder.get().native())
            runs.emplace_back();
        runs.back().files.push_back(i);
    }
    for (FolderRun& run : runs) {
        const auto less = [&](std::size_t a, std::size_t b) { return CompareFolded(files[a].fileName, files[b].fileName) < 0; };
        if (!std::is_sorted(run.files.begin(), run.files.end(), less))
            std::stable_sort(run.files.begin(), run.files.end(), less);
    }
    return runs;
}

std::size_t Find(std::vector<std::size_t>& parent, std::size_t i)
{
    while (parent[i] != i)
        i = parent[i] = parent[parent[i]];
    return i;
}

} // namespace

void MarkSameWorkouts(std::vector<StoredWorkout>& files, const FileSystem& fileSystem, const SameBytes& sameBytes)
{
    std::vector<std::size_t> parent(files.size());
    std::iota(parent.begin(), parent.end(), std::size_t{0});
    for (StoredWorkout& file : files)
        file.namesake = Namesake::None;
    const auto bytesEqual = [&](std::size_t a, std::size_t b) {
        return sameBytes ? sameBytes(a, b) : ReadSameBytes(files[a], files[b], fileSystem);
    };
    const auto compare = [&](std::size_t a, std::size_t b) {
        StoredWorkout& x = files[a];
        StoredWorkout& y = files[b];
        const auto identity = fileSystem.identity(x.fullPath());
        const bool oneFile = identity && identity == fileSystem.identity(y.fullPath());
        const bool sameBytes = oneFile || bytesEqual(a, b);
        if (oneFile || (sameBytes && x.synched != y.synched)) {
            parent[Find(parent, a)] = Find(parent, b);
            return;
        }
        // Copies in two folders of one kind (Latest and latest, on a disk that tells them apart)
        // are not a workout saved into both; they differ only when their bytes do.
        if (!sameBytes)
            x.namesake = y.namesake = Namesake::Differs;
    };

    for (std::size_t begin = 0; begin < files.size();) {
        std::size_t end = begin;
        while (end < files.size() && files[end].sensorIndex == files[begin].sensorIndex)
            ++end;
        const std::vector<FolderRun> runs = RunsOf(files, begin, end);
        for (std::size_t r = 0; r < runs.size(); ++r) {
            for (std::size_t s = r + 1; s < runs.size(); ++s) {
                const std::vector<std::size_t>& a = runs[r].files;
                const std::vector<std::size_t>& b = runs[s].files;
                for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
                    const int order = CompareFolded(files[a[i]].fileName, files[b[j]].fileName);
                    if (order < 0) {
                        ++i;
                    } else if (order > 0) {
                        ++j;
                    } else {
                        compare(a[i], b[j]);
                        ++i;
                        ++j;
                    }
                }
            }
        }
        begin = end;
    }

    // Each workout's record is its synched file where it has one: an edit of it moves that file to
    // latest and removes it, so that one file is left.
    std::vector<std::size_t> chosen(files.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::size_t& record = chosen[Find(parent, i)];
        if (record == files.size() || (files[i].synched && !files[record].synched))
            record = i;
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::size_t record = chosen[Find(parent, i)];
        files[i].workout = record;
        if (record != i) {
            files[record].namesake = Namesake::SameWorkout;
            files[i].namesake = Namesake::SameWorkout;
        }
    }
}

} // namespace paceforge
