#include "FileSystem.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsAscii(std::string_view s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

QString Reason(const std::error_code& ec)
{
    return QString::fromLocal8Bit(ec.message().c_str());
}
QString Reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

constexpr std::size_t kTemporarySuffixLength = 7;
const QString kNameTooLong = QStringLiteral("the file name is too long for the disk's file system");

Result Failure(const QString& step, const fs::path& file, const QString& reason)
{
    return Result::failure(QStringLiteral("Could not %1 \"%2\": %3.").arg(step, DisplayPath(file), reason));
}

bool LacksWritePermission(const fs::path& path)
{
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status))
        return false;
    return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

// Calls visit(name, isFolder) for every entry of the folder but "." and ".."; a link counts as
// what it points to. Reads the folder with the C library: std::filesystem builds a full path for
// every entry, which cost more than everything else a listing of a large folder does. Returns the
// system's error number when the folder could not be read to its end, else 0.
template <typename Visit> int ForEachEntry(const fs::path& folder, Visit visit)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return errno;
    const int fd = ::dirfd(dir);
    while (true) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info { };
            isFolder = ::fstatat(fd, entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
        visit(name, isFolder);
    }
    const int error = errno;
    ::closedir(dir);
    return error;
}

// Every spelling of the name in other cases of its ASCII letters, when looking these up finds
// exactly the entries that NamesEqualIgnoringCase would match in a listing; nothing otherwise.
// An ASCII name can equal a name outside ASCII only through the two characters that fold to an
// ASCII letter, U+017F to "s" and U+212A to "k": names with those letters, or with many letters,
// are left to the listing.
// A backup's name ("<workout>.xml.20261208T063212.123Z") has five letters: its 32 spellings cost
// less than listing a backups folder of thousands for every new one.
constexpr std::size_t kMostLettersToSpell = 6;

std::optional<std::vector<std::string>> CaseVariants(std::string_view name)
{
    if (name.empty() || name == "." || name == ".." || !IsAscii(name))
        return std::nullopt;
    std::vector<std::size_t> letters;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char folded = FoldAscii(name[i]);
        if (folded < 'a' || folded > 'z')
            continue;
        if (folded == 'k' || folded == 's' || letters.size() == kMostLettersToSpell)
            return std::nullopt;
        letters.push_back(i);
    }
    std::vector<std::string> variants;
    for (unsigned mask = 0; mask < (1u << letters.size()); ++mask) {
        std::string variant(name);
        for (std::size_t bit = 0; bit < letters.size(); ++bit) {
            const char lower = FoldAscii(variant[letters[bit]]);
            variant[letters[bit]] = (mask >> bit) & 1 ? static_cast<char>(lower - 'a' + 'A') : lower;
        }
        variants.push_back(std::move(variant));
    }
    return variants;
}

// The entry of the folder that the name designates without regard to case; of several, the first
// in the listing's order.
std::optional<fs::path> EntryIgnoringCase(const fs::path& folder, const std::string& wanted)
{
    std::error_code ec;
    std::optional<fs::path> match;
    const auto consider = [&](const std::string& name) {
        if (!match || NameLessIgnoringCase(name, match->filename().string()))
            match = folder / name;
    };
    // A name with few letters has few spellings: looking each up costs less than reading a folder
    // of thousands of workouts, which a new workout's name, not there yet, would need.
    if (const auto variants = CaseVariants(wanted)) {
        for (const std::string& variant : *variants)
            if (fs::exists(fs::symlink_status(folder / variant, ec)))
                consider(variant);
        return match;
    }
    fs::directory_iterator it(
        folder.empty() ? fs::path(".") : folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (NamesEqualIgnoringCase(name, wanted))
            consider(name);
    }
    return match;
}

bool NameLessForSort(const std::string& a, const std::string& b)
{
    return NameLessIgnoringCase(a, b);
}

// The first sixteen bytes of the name folded to lower case, the first in the highest byte: as
// numbers these keys order names as NameLessIgnoringCase does, wherever two keys differ (a name
// holds no zero byte, so a short name's padding sorts it before the longer ones). Workout names
// first differ within their first sixteen bytes, date and time to the minute.
struct FoldedPrefix {
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    explicit FoldedPrefix(std::string_view name)
    {
        for (std::size_t i = 0; i < 16; ++i) {
            std::uint64_t& word = i < 8 ? high : low;
            word = word << 8 | (i < name.size() ? static_cast<unsigned char>(FoldAscii(name[i])) : 0u);
        }
    }
    auto operator<=>(const FoldedPrefix&) const = default;
};

FolderListing<std::string> ListNames(const fs::path& folder, bool wantFolders)
{
    FolderListing<std::string> listing;
    std::vector<std::string> names;
    const int error = ForEachEntry(folder, [&](std::string_view name, bool isFolder) {
        if (isFolder == wantFolders)
            names.emplace_back(name);
    });
    if (error != 0)
        listing.problem
            = QStringLiteral("Could not read the folder \"%1\": %2.").arg(DisplayPath(folder), Reason(error));
    // Sorting small keys beside the positions and comparing whole names only where the keys tie:
    // a folder of a large store has tens of thousands of names, each in memory of its own.
    std::vector<std::pair<FoldedPrefix, std::uint32_t>> order;
    if (names.size() > UINT32_MAX) {
        std::sort(names.begin(), names.end(), NameLessForSort);
        listing.entries = std::move(names);
        return listing;
    }
    order.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        order.emplace_back(FoldedPrefix(names[i]), static_cast<std::uint32_t>(i));
    std::sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        return NameLessIgnoringCase(names[a.second], names[b.second]);
    });
    listing.entries.reserve(names.size());
    for (const auto& entry : order)
        listing.entries.push_back(std::move(names[entry.second]));
    return listing;
}

FolderListing<FolderEntry> List(const fs::path& folder, bool wantFolders)
{
    FolderListing<std::string> names = ListNames(folder, wantFolders);
    FolderListing<FolderEntry> listing{{}, std::move(names.problem)};
    listing.entries.reserve(names.entries.size());
    for (std::string& name : names.entries) {
        fs::path path = folder / name;
        listing.entries.push_back({std::move(name), std::move(path)});
    }
    return listing;
}

} // namespace

bool NamesEqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (IsAscii(a) && IsAscii(b)) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (FoldAscii(a[i]) != FoldAscii(b[i]))
                return false;
        return true;
    }
    return QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())), Qt::CaseInsensitive)
        == 0;
}

bool NameLessIgnoringCase(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    // Equal stretches go eight bytes at a time: the names sorted in a folder share long prefixes.
    for (; i + 8 <= n; i += 8) {
        std::uint64_t x = 0, y = 0;
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y)
            break;
    }
    for (; i < n; ++i) {
        if (a[i] == b[i])
            continue;
        const auto x = static_cast<unsigned char>(FoldAscii(a[i]));
        const auto y = static_cast<unsigned char>(FoldAscii(b[i]));
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

QString DisplayPath(const fs::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

std::optional<QString> QtFileName(const fs::path& path)
{
    const QByteArray native = QByteArray::fromStdString(path.string());
    const QString name = QFile::decodeName(native);
    if (QFile::encodeName(name) != native)
        return std::nullopt;
    return name;
}

namespace {

// ReadWholeFile, and on failure the errno of the call that failed, or 0 for a file that is not
// a regular one.
std::optional<std::string> ReadRegularFile(const fs::path& path, int& error)
{
    // A fifo or device named like a workout would block or never end; only regular files are read.
    // Opening without blocking and asking the open file saves a lookup of the path by name.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    struct stat info { };
    const bool stated = ::fstat(fd, &info) == 0;
    if (!stated || !S_ISREG(info.st_mode)) {
        error = stated ? 0 : errno;
        ::close(fd);
        return std::nullopt;
    }
    std::string bytes;
    std::size_t size = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    // One byte more than the file's size, so that a file that has not grown is read to its end
    // in one call.
    bytes.resize(size + 1);
    std::size_t got = 0;
    bool failed = false;
    while (true) {
        if (got == bytes.size())
            bytes.resize(bytes.size() * 2);
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        failed = n < 0;
        if (failed)
            error = errno;
        break;
    }
    ::close(fd);
    if (failed)
        return std::nullopt;
    bytes.resize(got);
    return bytes;
}

// Every byte, after a partial write too: a disk with some room left takes part of them, and only
// the next write says why it takes no more. 0, or the errno of the write that failed.
int WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n > 0)
            bytes.remove_prefix(static_cast<std::size_t>(n));
        else if (n == 0)
            return EIO;
        else if (errno != EINTR)
            return errno;
    }
    return 0;
}

// What QSaveFile does, for a path that Qt cannot spell (a folder named in Latin-1 on a UTF-8
// system): a temporary file beside the target, written and flushed to the disk, then renamed over it.
Result WriteThroughTemporary(
    const fs::path& folder, const fs::path& target, const fs::path& path, std::string_view bytes)
{
    std::string temporary = (folder / (target.filename().native() + ".XXXXXX")).native();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return Failure(QStringLiteral("create a temporary file for"), path, Reason(errno));
    int error = WriteAll(fd, bytes);
    // The permissions a new file gets, or the replaced file's: mkstemp's own are for the owner alone.
    struct stat existing { };
    mode_t mode = 0;
    if (::stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        mode = ::umask(0);
        ::umask(mode);
        mode = 0666 & ~mode;
    }
    if (error == 0 && ::fchmod(fd, mode) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return Failure(QStringLiteral("write"), path, Reason(error));
    }
    return Result::success();
}

} // namespace

std::optional<std::string> ReadWholeFile(const fs::path& path)
{
    int error = 0;
    return ReadRegularFile(path, error);
}

std::optional<fs::path> FileSystem::resolve(const fs::path& path) const
{
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec)))
        return path;
    // Most often only the last name is missing (a workout about to be written): where the folder
    // is spelt right, the walk down from the root is not needed.
    fs::path current = path.root_path();
    fs::path rest = path.relative_path();
    if (const fs::path parent = path.parent_path();
        parent.has_relative_path() && fs::exists(fs::symlink_status(parent, ec))) {
        current = parent;
        rest = path.filename();
    }
    for (const fs::path& part : rest) {
        fs::path candidate = current / part;
        if (part == "." || part == ".." || fs::exists(fs::symlink_status(candidate, ec))) {
            current = std::move(candidate);
            continue;
        }
        auto match = EntryIgnoringCase(current, part.string());
        if (!match)
            return std::nullopt;
        current = std::move(*match);
    }
    return current;
}

// Where the exact name is there, one look at it settles the question; the case-insensitive search
// runs only for a name the disk spells otherwise.
bool FileSystem::folderExists(const fs::path& path) const
{
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return true;
    const auto actual = resolve(path);
    return actual && fs::is_directory(*actual, ec);
}

bool FileSystem::fileExists(const fs::path& path) const
{
    std::error_code ec;
    if (fs::is_regular_file(path, ec))
        return true;
    const auto actual = resolve(path);
    return actual && fs::is_regular_file(*actual, ec);
}

FolderListing<FolderEntry> FileSystem::subfolders(const fs::path& folder) const
{
    const auto actual = resolve(folder);
    return actual ? List(*actual, true) : FolderListing<FolderEntry>{};
}

std::vector<FolderEntry> FileSystem::files(const fs::path& folder) const
{
    const auto actual = resolve(folder);
    return actual ? List(*actual, false).entries : std::vector<FolderEntry>{};
}

FolderListing<std::string> FileSystem::fileNames(const fs::path& folder) const
{
    const auto actual = resolve(folder);
    return actual ? ListNames(*actual, false) : FolderListing<std::string>{};
}

Outcome<std::string> FileSystem::readFile(const fs::path& path) const
{
    // A file that opens under its exact name is the one the name resolves to.
    if (auto bytes = ReadWholeFile(path))
        return std::move(*bytes);
    const fs::path actual = resolve(path).value_or(path);
    std::error_code ec;
    if (!fs::exists(actual, ec))
        return Outcome<std::string>::failure(
            QStringLiteral("Could not read \"%1\": %2.").arg(DisplayPath(path), Reason(ENOENT)));
    int error = 0;
    auto bytes = ReadRegularFile(actual, error);
    if (!bytes)
        return Outcome<std::string>::failure(
            QStringLiteral("Could not read \"%1\": %2.")
                .arg(DisplayPath(path), error ? Reason(error) : QStringLiteral("it is not a readable file")));
    return std::move(*bytes);
}

Result FileSystem::writeFileAtomic(const fs::path& path, std::string_view bytes)
{
    const fs::path folder = resolve(path.parent_path()).value_or(path.parent_path());
    // An existing file of the name in another letter case is the one replaced, as on the device.
    const fs::path target = resolve(path).value_or(folder / path.filename());
    std::error_code ec;
    // One look at the folder answers both questions.
    const fs::file_status folderStatus = fs::status(folder, ec);
    if (ec || !fs::is_directory(folderStatus))
        return Failure(QStringLiteral("write"), path, QStringLiteral("the folder does not exist"));
    if ((folderStatus.permissions() & fs::perms::owner_write) == fs::perms::none)
        return Failure(QStringLiteral("write"), path, QStringLiteral("the folder is read-only"));
    if (LacksWritePermission(target))
        return Failure(QStringLiteral("write"), path, QStringLiteral("the file is read-only"));
    // QSaveFile writes to where a link points, which can be anywhere on the computer.
    if (fs::is_symlink(fs::symlink_status(target, ec)))
        return Failure(QStringLiteral("write"), path, QStringLiteral("it is a link, not a file"));
    // The new bytes go first to "<name>.XXXXXX"; where that name is too long, Qt only reports
    // an unknown error.
    const long nameMax = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (nameMax > 0 && static_cast<long>(target.filename().native().size() + kTemporarySuffixLength) > nameMax)
        return Failure(QStringLiteral("write"), path, kNameTooLong);
    const auto name = QtFileName(target);
    if (!name)
        return WriteThroughTemporary(folder, target, path, bytes);

    // Qt's texts stand in only where no system call failed: after a short write QFile reports
    // "Unknown error", and commit() does not notice a failed flush of its buffer (Qt 6.4). So the
    // bytes go to the temporary file's descriptor directly, and each step keeps its own errno.
    QSaveFile file(*name);
    file.setDirectWriteFallback(false);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        const int error = errno;
        return Failure(QStringLiteral("create a temporary file for"), path,
            error == ENAMETOOLONG ? kNameTooLong
                : error != 0      ? Reason(error)
                                  : file.errorString());
    }
    int error = WriteAll(file.handle(), bytes);
    // Some file systems find out only when the bytes go to the disk that there is no room for them.
    if (error == 0 && ::fsync(file.handle()) != 0)
        error = errno;
    if (error != 0) {
        file.cancelWriting();
        return Failure(QStringLiteral("write"), path, Reason(error));
    }
    errno = 0;
    if (!file.commit()) {
        error = errno;
        return Failure(QStringLiteral("replace"), path, error != 0 ? Reason(error) : file.errorString());
    }
    return Result::success();
}

Result FileSystem::copyFile(const fs::path& from, const fs::path& to)
{
    auto bytes = readFile(from);
    if (!bytes)
        return Result::failure(bytes.error());
    const auto time = lastWriteTime(from);
    if (!time)
        return Failure(QStringLiteral("read the time of"), from, Reason(ENOENT));
    if (Result written = writeFileAtomic(to, bytes.value()); !written)
        return written;
    const fs::path target = resolve(to).value_or(to);
    std::error_code ec;
    fs::last_write_time(target, *time, ec);
    if (ec)
        return Failure(QStringLiteral("set the time of"), to, Reason(ec));
    return Result::success();
}

Result FileSystem::deleteFile(const fs::path& path)
{
    const fs::path actual = resolve(path).value_or(path);
    std::error_code ec;
    if (fs::remove(actual, ec))
        return Result::success();
    if (!ec)
        return Failure(QStringLiteral("delete"), path, Reason(ENOENT));
    // "Force": a read-only file is made writable first, as the device's own tools do.
    std::error_code permError;
    fs::permissions(actual, fs::perms::owner_write, fs::perm_options::add, permError);
    if (!permError && fs::remove(actual, ec))
        return Result::success();
    return Failure(QStringLiteral("delete"), path, Reason(ec));
}

Result FileSystem::renameNoReplace(const fs::path& from, const fs::path& to)
{
    const fs::path source = resolve(from).value_or(from);
    const fs::path folder = resolve(to.parent_path()).value_or(to.parent_path());
    const fs::path target = folder / to.filename();
    // The renaming pass of the catalogue calls this for every misnamed file; a pass over a folder
    // of 25,000 workouts for each cost more than listing the whole store. A workout's name has few
    // letters, so looking up each spelling of it in other letter cases finds the same entries.
    const std::string newName = to.filename().string();
    bool fileExists = false, folderExists = false;
    if (const auto variants = CaseVariants(newName)) {
        for (const std::string& variant : *variants) {
            const fs::path candidate = folder / variant;
            struct stat info { };
            if (::lstat(candidate.c_str(), &info) != 0)
                continue;
            bool isFolder = S_ISDIR(info.st_mode);
            if (S_ISLNK(info.st_mode))
                isFolder = ::stat(candidate.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
            (isFolder ? folderExists : fileExists) = true;
        }
    } else {
        ForEachEntry(folder, [&](std::string_view name, bool isFolder) {
            if (NamesEqualIgnoringCase(name, newName))
                (isFolder ? folderExists : fileExists) = true;
        });
    }
    if (fileExists)
        return Failure(QStringLiteral("rename"), from, QStringLiteral("a file of the new name exists"));
    if (folderExists)
        return Failure(QStringLiteral("rename"), from, QStringLiteral("a folder of the new name exists"));
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return Result::success();
    if (errno != EINVAL && errno != ENOSYS)
        return Failure(QStringLiteral("rename"), from, Reason(errno));
#endif
    std::error_code ec;
    if (fs::exists(fs::symlink_status(target, ec)))
        return Failure(QStringLiteral("rename"), from, QStringLiteral("a file of the new name exists"));
    fs::rename(source, target, ec);
    if (ec)
        return Failure(QStringLiteral("rename"), from, Reason(ec));
    return Result::success();
}

Result FileSystem::createFolders(const fs::path& folder)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return Result::success();
    fs::path existing = folder.parent_path();
    while (existing.has_relative_path() && !fs::exists(fs::symlink_status(existing, ec)))
        existing = existing.parent_path();
    if (fs::is_directory(existing, ec) && LacksWritePermission(existing))
        return Failure(QStringLiteral("create the folder"), folder,
            QStringLiteral("\"%1\" is read-only").arg(DisplayPath(existing)));
    fs::create_directories(folder, ec);
    if (ec)
        return Failure(QStringLiteral("create the folder"), folder, Reason(ec));
    return Result::success();
}

std::optional<fs::file_time_type> FileSystem::lastWriteTime(const fs::path& path) const
{
    const fs::path actual = resolve(path).value_or(path);
    std::error_code ec;
    const auto time = fs::last_write_time(actual, ec);
    if (ec)
        return std::nullopt;
    return time;
}

bool FileSystem::setLastWriteTime(const fs::path& path, std::chrono::system_clock::time_point time)
{
    const fs::path actual = resolve(path).value_or(path);
    if (LacksWritePermission(actual))
        return false;
    const int fd = ::open(actual.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const auto since = time.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(since);
    const auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds);
    const timespec times[2]
        = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds.count()), static_cast<long>(nanos.count())}};
    const bool ok = ::futimens(fd, times) == 0;
    ::close(fd);
    return ok;
}

std::optional<FileIdentity> FileSystem::identity(const fs::path& path) const
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0) {
        const auto actual = resolve(path);
        if (!actual || *actual == path || ::stat(actual->c_str(), &info) != 0)
            return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

namespace {

class FolderStamper final : public FileStamper
{
public:
    FolderStamper() = default;
    FolderStamper(const FolderStamper&) = delete;
    FolderStamper& operator=(const FolderStamper&) = delete;
    ~FolderStamper() override
    {
        for (const Folder& folder : m_folders)
            if (folder.handle >= 0)
                ::close(folder.handle);
    }

    std::optional<FileStamp> stamp(const fs::path& folder, const std::string& name) override
    {
        const int handle = handleFor(folder);
        struct stat status { };
        const int result
            = handle >= 0 ? ::fstatat(handle, name.c_str(), &status, 0) : ::stat((folder / name).c_str(), &status);
        if (result != 0 || !S_ISREG(status.st_mode))
            return std::nullopt;
        FileStamp stamp;
        stamp.size = static_cast<std::uint64_t>(status.st_size);
        stamp.modifiedNs = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
        stamp.identity = {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
        return stamp;
    }

private:
    struct Folder {
        const fs::path* address;
        std::string native;
        int handle;
    };
    // Callers pass the one shared path object of a folder for each of its files: its address
    // finds the handle without comparing the path, and the text guards against a reused address.
    int handleFor(const fs::path& folder)
    {
        for (const Folder& known : m_folders)
            if (known.address == &folder && known.native == folder.native())
                return known.handle;
        for (const Folder& known : m_folders)
            if (known.native == folder.native())
                return known.handle;
        const int handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        m_folders.push_back({&folder, folder.native(), handle});
        return handle;
    }
    std::vector<Folder> m_folders;
};

std::uint64_t Mix(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

} // namespace

std::unique_ptr<FileStamper> FileSystem::stamper() const
{
    return std::make_unique<FolderStamper>();
}

std::uint64_t ContentHash(std::string_view bytes)
{
    // Four independent lanes of eight bytes: the first reading of a large store hashes every file
    // it parses, and one chain of multiplications took a twentieth of it.
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
    constexpr std::size_t kLanes = 4;
    std::uint64_t lanes[kLanes] = {bytes.size(), 0x243F6A8885A308D3ULL, 0x13198A2E03707344ULL, 0xA4093822299F31D0ULL};
    const auto step = [](std::uint64_t lane, std::uint64_t word) {
        lane = (lane ^ word) * kMultiplier;
        return (lane << 31) | (lane >> 33);
    };
    std::size_t i = 0;
    for (; i + kLanes * 8 <= bytes.size(); i += kLanes * 8) {
        std::uint64_t words[kLanes];
        std::memcpy(words, bytes.data() + i, sizeof words);
        for (std::size_t lane = 0; lane < kLanes; ++lane)
            lanes[lane] = step(lanes[lane], words[lane]);
    }
    for (std::size_t lane = 0; i + 8 <= bytes.size(); i += 8, lane = (lane + 1) % kLanes) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + i, 8);
        lanes[lane] = step(lanes[lane], word);
    }
    std::uint64_t tail = 0;
    if (i < bytes.size())
        std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
    std::uint64_t h = Mix(tail ^ 0x5bd1e995ULL);
    for (const std::uint64_t lane : lanes)
        h = Mix(h ^ lane) * kMultiplier;
    return Mix(h);
}

bool SameFile(const FileSystem& fileSystem, const fs::path& a, const fs::path& b)
{
    const auto x = fileSystem.identity(a);
    return x && x == fileSystem.identity(b);
}

} // namespace paceforge
