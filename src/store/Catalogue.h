#pragma once

#include "Records.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace paceforge {

class FileSystem;

// The store below a drive's root.
std::filesystem::path StoreRoot(const std::filesystem::path& driveRoot);

// "13;05;07" with separator ";" gives "1:05:07 pm"; nullopt when the text has no separator (no
// minutes); empty when the hour is above 24 or not a number.
std::optional<QString> FormatTime12(std::string_view time, std::string_view separator);

// The name a file is renamed to before listing, when its name carries extra words
// ("2006-09-15 10;20;30 old.xml" becomes "2006-09-15 10;20;30.xml").
std::optional<std::string> RenameTarget(std::string_view fileName);

// A list row for a file whose name reads as a date and a time, else nothing.
std::optional<CatalogueRow> MakeRow(std::string_view fileName, bool shownAsSynched, std::size_t workout);

// Newest date first; rows without a date last; rows of one date keep the walk order.
void SortCatalogue(std::vector<CatalogueRow>& rows);

struct CatalogueBuild {
    iPodRecord ipod;
    std::vector<CatalogueRow> rows;
    // Each folder of the store that exists but could not be read, named with the reason: its
    // workouts are missing from the rows, and the user must be told so.
    std::vector<QString> problems;
};

struct CatalogueOptions {
    // Off for the commands that only read the iPod: they list the files under the names they have.
    bool renameMisnamedFiles = true;
};

// Walks the selected iPod's store: every sensor folder and every file of its latest and synched
// folders gets a catalogue entry, and every workout whose file name reads as a date a row, newest
// first: a workout kept in both folders has one row (SameWorkout).
// Files whose names carry extra words are renamed first, unless a file of the new name exists:
// a workout is never overwritten by the renaming. A rename that fails leaves the file as it is.
CatalogueBuild BuildCatalogue(const iPodRecord& selected, FileSystem& fileSystem, const CatalogueOptions& options = {});

} // namespace paceforge
