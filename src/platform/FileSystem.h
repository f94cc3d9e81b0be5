#pragma once

#include "Result.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace paceforge {

// What a path designates on the disk. Two paths name one file when their identities agree, however
// they are spelt: another letter case, a link to the folder, a second mount of the disk.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

struct FolderEntry {
    std::string name;
    std::filesystem::path path;
};

// A folder's entries, and when the folder exists but could not be read whole (no permission, an
// I/O error), a text naming it and the system's reason: what could be read is still listed.
template <typename Entry> struct FolderListing {
    std::vector<Entry> entries;
    std::optional<QString> problem;
};

// What a stat of a file says: enough to tell whether something read from it still holds.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    FileIdentity identity;
};

// Stats many files of a few folders: each folder is opened once and its files are stat'ed through
// it, since a stat by full path walks every folder above the file again. One per thread.
class FileStamper
{
public:
    virtual ~FileStamper() = default;
    // Nothing when there is no regular file of that name.
    virtual std::optional<FileStamp> stamp(const std::filesystem::path& folder, const std::string& name) = 0;
};

// 64 bits of a fast non-cryptographic hash of the bytes: equal bytes, equal hashes.
std::uint64_t ContentHash(std::string_view bytes);

// What the program needs of the disk, in one place.
//
// The iPod's disk is FAT, where "Latest" and "latest" are one folder; every lookup here matches
// names without regard to case, also on a case-sensitive disk, so that a copy of an iPod on an
// ordinary disk behaves like the iPod itself.
//
// Every write replaces its target only when the new bytes are complete: a full disk or a pulled
// cable leaves the old file as it was. The operations are virtual so that tests can make any one
// of them fail.
class FileSystem
{
public:
    virtual ~FileSystem() = default;

    // The path of the existing entry that the given path names, matching each name without regard
    // to case where no entry has the exact name.
    virtual std::optional<std::filesystem::path> resolve(const std::filesystem::path& path) const;
    virtual bool folderExists(const std::filesystem::path& path) const;
    // A regular file (after following links); folders, dangling links and devices are not files.
    virtual bool fileExists(const std::filesystem::path& path) const;

    // Listings are sorted by name without regard to case (exact order breaks ties), so that the
    // numbering built on them is the same on every run. Files are all entries that are not folders.
    virtual FolderListing<FolderEntry> subfolders(const std::filesystem::path& folder) const;
    virtual std::vector<FolderEntry> files(const std::filesystem::path& folder) const;
    // The names of files(), in the same order, for a walk that needs no paths.
    virtual FolderListing<std::string> fileNames(const std::filesystem::path& folder) const;

    virtual Outcome<std::string> readFile(const std::filesystem::path& path) const;
    // The bytes go to a temporary file beside the target and replace it only when complete.
    // A target or folder without write permission is refused, as the device would refuse it.
    virtual Result writeFileAtomic(const std::filesystem::path& path, std::string_view bytes);
    // Copies with overwrite; the copy gets the source's last-write time.
    virtual Result copyFile(const std::filesystem::path& from, const std::filesystem::path& to);
    virtual Result deleteFile(const std::filesystem::path& path);
    // Fails, leaving both names alone, when an entry of the new name exists in any letter case.
    virtual Result renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);
    // The folder and every missing one above it. Refused below a folder without write permission,
    // as writeFileAtomic refuses, even where the process could ignore the permission.
    virtual Result createFolders(const std::filesystem::path& folder);
    virtual std::optional<std::filesystem::file_time_type> lastWriteTime(const std::filesystem::path& path) const;
    // Of the entry the path resolves to, links followed; nothing when there is no such entry.
    virtual std::optional<FileIdentity> identity(const std::filesystem::path& path) const;
    // Only the last-write time changes; false when the file cannot be written.
    virtual bool setLastWriteTime(const std::filesystem::path& path, std::chrono::system_clock::time_point time);
    virtual std::unique_ptr<FileStamper> stamper() const;
};

// The whole file, or nothing when it is missing, unreadable, or not a regular file.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Both paths name one existing file.
bool SameFile(const FileSystem& fileSystem, const std::filesystem::path& a, const std::filesystem::path& b);

bool NamesEqualIgnoringCase(std::string_view a, std::string_view b);
// Case-insensitive order with the exact bytes as tie-break.
bool NameLessIgnoringCase(std::string_view a, std::string_view b);

// For messages: the path as the user knows it.
QString DisplayPath(const std::filesystem::path& path);
// For Qt file classes; empty when the name cannot be spelt in Qt's file name encoding.
std::optional<QString> QtFileName(const std::filesystem::path& path);

} // namespace paceforge
