#pragma once

#include <algorithm>
#include <filesystem>
#include <vector>

namespace paceforge::test {

inline const std::filesystem::path kCorpusDocuments = std::filesystem::path(PACEFORGE_TEST_DATA) / "documents";

// Every well-formed workout document of the corpus, in a stable order.
inline std::vector<std::filesystem::path> WellFormedCorpusDocuments()
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpusDocuments))
        if (entry.path().extension() == ".xml" && entry.path().filename() != "not-xml.xml")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace paceforge::test
