// The catalogue's handling of arbitrary file names: row making, the 12-hour time and the renaming.
#include "platform/FileSystem.h"
#include "store/Catalogue.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace paceforge;

namespace {

void Fail(const char* what, std::string_view name)
{
    std::fprintf(stderr, "%s: %.*s\n", what, static_cast<int>(name.size()), name.data());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Several names at once, one a line, so that sorting and comparing see more than one.
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> names;
    for (std::size_t start = 0; start <= input.size();) {
        const auto end = input.find('\n', start);
        const auto name = input.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        // No file name holds a slash or a NUL.
        if (name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos)
            names.push_back(name);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }

    std::vector<CatalogueRow> rows;
    std::size_t index = 1;
    for (const std::string_view name : names) {
        (void)FormatTime12(name, ";");
        (void)FormatTime12(name, ":");
        if (auto row = MakeRow(name, index % 2 == 0, index)) {
            if (row->sortKey.size() != 14)
                Fail("a row's sort key is not a date", name);
            if (row->workout != index)
                Fail("a row does not lead back to its file", name);
            rows.push_back(std::move(*row));
        }
        if (const auto target = RenameTarget(name)) {
            // A renamed file is never renamed again, and its new name is a plain file name.
            if (RenameTarget(*target))
                Fail("a renamed file would be renamed again", name);
            if (target->find('/') != std::string::npos || *target == "." || *target == "..")
                Fail("a rename target is not a file name", name);
        }
        ++index;
    }
    SortCatalogue(rows);

    // The listing sorts with these; std::sort needs a strict weak order.
    if (names.size() > 16)
        names.resize(16);
    for (const std::string_view a : names) {
        if (NameLessIgnoringCase(a, a))
            Fail("a name sorts before itself", a);
        if (!NamesEqualIgnoringCase(a, a))
            Fail("a name differs from itself", a);
        for (const std::string_view b : names) {
            if (NameLessIgnoringCase(a, b) && NameLessIgnoringCase(b, a))
                Fail("two names sort before each other", a);
            if (NamesEqualIgnoringCase(a, b) != NamesEqualIgnoringCase(b, a))
                Fail("name equality is not symmetric", a);
        }
    }
    return 0;
}
