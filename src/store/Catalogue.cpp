#include "Catalogue.h"

#include "SameWorkout.h"

#include "platform/FileSystem.h"
#include "workout/Decimal.h"

#include <QDate>
#include <QStringBuilder>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <unordered_map>
#include <utility>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

// The first pieces of a text cut at each separator, without allocating: the catalogue cuts every
// file name this way. `count` is the number of pieces, counted up to N.
template <std::size_t N> struct FirstPieces {
    std::array<std::string_view, N> piece{};
    std::size_t count = 0;
};

template <std::size_t N> FirstPieces<N> Split(std::string_view text, std::string_view separator)
{
    FirstPieces<N> out;
    if (separator.empty()) {
        out.piece[0] = text;
        out.count = 1;
        return out;
    }
    std::size_t start = 0;
    while (out.count < N) {
        // Names are short: a plain loop beats a call into the C library for each piece.
        std::size_t at = std::string_view::npos;
        if (separator.size() == 1) {
            for (std::size_t i = start; i < text.size(); ++i)
                if (text[i] == separator[0]) {
                    at = i;
                    break;
                }
        } else {
            at = text.find(separator, start);
        }
        if (at == std::string_view::npos) {
            out.piece[out.count++] = text.substr(start);
            return out;
        }
        out.piece[out.count++] = text.substr(start, at - start);
        start = at + separator.size();
    }
    return out;
}

bool IsAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

std::optional<int> DigitsValue(std::string_view text)
{
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

QString Text(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string FoldedName(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded)
        c = FoldAscii(c);
    return folded;
}

void PadNumber(std::string& out, int value, int width)
{
    char digits[16];
    const auto length = static_cast<int>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
    if (length < width)
        out.append(static_cast<std::size_t>(width - length), '0');
    out.append(digits, static_cast<std::size_t>(length));
}

// Order and equality of names folded to lower case, as NameLessIgnoringCase orders first.
bool FoldedLess(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(FoldAscii(a[i]));
        const auto y = static_cast<unsigned char>(FoldAscii(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

// Renames the files whose names carry extra words, keeping `names` in step with the disk. The
// names come sorted without regard to case, so whether a folded name is taken is a binary search;
// the names renamed here are kept aside until the end.
void RenamePass(std::vector<std::string>& names, const fs::path& folder, FileSystem& fileSystem)
{
    std::vector<std::pair<std::size_t, std::string>> candidates;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (auto target = RenameTarget(names[i]))
            candidates.emplace_back(i, std::move(*target));
    if (candidates.empty())
        return;

    const auto less = [](const std::string& a, const std::string& b) { return NameLessIgnoringCase(a, b); };
    // A listing out of order (only a stand-in file system gives one) is searched name by name.
    const bool inOrder = std::is_sorted(names.begin(), names.end(), less);
    std::unordered_map<std::string, bool> changed;
    const auto taken = [&](const std::string& folded) {
        if (const auto it = changed.find(folded); it != changed.end())
            return it->second;
        if (!inOrder)
            return std::any_of(names.begin(), names.end(),
                [&](const std::string& name) { return !FoldedLess(name, folded) && !FoldedLess(folded, name); });
        const auto at = std::lower_bound(names.begin(), names.end(), folded,
            [](const std::string& name, const std::string& key) { return FoldedLess(name, key); });
        return at != names.end() && !FoldedLess(folded, *at);
    };
    std::vector<std::pair<std::size_t, std::string>> renamed;
    for (auto& [index, target] : candidates) {
        const std::string folded = FoldedName(target);
        if (taken(folded))
            continue;
        if (!fileSystem.renameNoReplace(folder / names[index], folder / target))
            continue;
        changed[FoldedName(names[index])] = false;
        changed[folded] = true;
        renamed.emplace_back(index, std::move(target));
    }
    if (renamed.empty())
        return;
    if (!inOrder) {
        for (auto& [index, name] : renamed)
            names[index] = std::move(name);
        std::sort(names.begin(), names.end(), less);
        return;
    }
    // The names left alone are still in order: the renamed ones are merged in rather than the
    // whole folder sorted again.
    std::vector<bool> moved(names.size(), false);
    std::vector<std::string> added;
    for (auto& [index, name] : renamed) {
        moved[index] = true;
        added.push_back(std::move(name));
    }
    std::sort(added.begin(), added.end(), less);
    std::vector<std::string> kept;
    kept.reserve(names.size() - added.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        if (!moved[i])
            kept.push_back(std::move(names[i]));
    names.clear();
    std::merge(std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()),
        std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()), std::back_inserter(names), less);
}

} // namespace

fs::path StoreRoot(const fs::path& driveRoot)
{
    return driveRoot / "iPod_Control" / "Device" / "Trainer" / "Workouts" / "Empeds";
}

std::optional<QString> FormatTime12(std::string_view time, std::string_view separator)
{
    const auto pieces = Split<3>(time, separator);
    if (pieces.count < 2)
        return std::nullopt;
    const std::string_view minutes = pieces.piece[1];
    const std::string_view seconds = pieces.count >= 3 ? pieces.piece[2] : std::string_view("00");
    bool morning = false;
    std::string shownHour;
    // Hours are one or two digits on every device file; other forms are read as decimals.
    if (const std::string_view h = pieces.piece[0]; (h.size() == 1 || h.size() == 2)
        && std::all_of(h.begin(), h.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const int value = h.size() == 1 ? h[0] - '0' : (h[0] - '0') * 10 + (h[1] - '0');
        morning = value <= 12;
        if (!morning && value > 24)
            return QString();
        shownHour = morning ? std::string(h) : std::to_string(value - 12);
    } else {
        const auto hour = Decimal::parsePlain(h);
        if (!hour)
            return QString();
        morning = *hour <= Decimal::fromInteger(12);
        if (!morning && !(*hour <= Decimal::fromInteger(24)))
            return QString();
        shownHour = morning ? std::string(h) : (*hour - Decimal::fromInteger(12)).toPlainString('.');
    }
    // This runs for every row of the list: the usual all-ASCII text is built in one go.
    if (IsAscii(minutes) && IsAscii(seconds)) {
        std::string text;
        text.reserve(shownHour.size() + minutes.size() + seconds.size() + 5);
        text.append(shownHour).append(1, ':').append(minutes).append(1, ':').append(seconds);
        text.append(morning ? " am" : " pm");
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    }
    return Text(shownHour) % u':' % Text(minutes) % u':' % Text(seconds)
        % (morning ? QLatin1String(" am") : QLatin1String(" pm"));
}

std::optional<std::string> RenameTarget(std::string_view fileName)
{
    const auto pieces = Split<2>(fileName, ".");
    if (pieces.count < 2)
        return std::nullopt;
    const auto words = Split<3>(pieces.piece[0], " ");
    if (words.count < 3)
        return std::nullopt;
    std::string target;
    target.reserve(words.piece[0].size() + words.piece[1].size() + 5);
    return target.append(words.piece[0]).append(1, ' ').append(words.piece[1]).append(".xml");
}

std::optional<CatalogueRow> MakeRow(std::string_view fileName, bool shownAsSynched, std::size_t workout)
{
    const auto pieces = Split<2>(fileName, ".");
    if (pieces.count < 2)
        return std::nullopt;
    const auto words = Split<2>(pieces.piece[0], " ");
    if (words.count < 2)
        return std::nullopt;
    const auto dateParts = Split<3>(words.piece[0], "-");
    if (dateParts.count < 3)
        return std::nullopt;
    const std::string_view yearText = dateParts.piece[0], monthText = dateParts.piece[1], dayText = dateParts.piece[2];
    const auto year = DigitsValue(yearText);
    const auto month = DigitsValue(monthText);
    const auto day = DigitsValue(dayText);
    if (!year || !month || !day || *year < 1 || *year > 9999 || !QDate(*year, *month, *day).isValid())
        return std::nullopt;
    auto time = FormatTime12(words.piece[1], ";");
    if (!time)
        return std::nullopt;

    CatalogueRow row;
    row.workout = workout;
    // The parts are digits alone, so their bytes are the text.
    std::string date;
    date.reserve(monthText.size() + dayText.size() + yearText.size() + 2);
    date.append(monthText).append(1, '/').append(dayText).append(1, '/').append(yearText);
    row.date = QString::fromLatin1(date.data(), static_cast<qsizetype>(date.size()));
    row.time = std::move(*time);
    row.synched = shownAsSynched;
    row.sortKey.reserve(14);
    PadNumber(row.sortKey, *year, 4);
    PadNumber(row.sortKey, *month, 2);
    PadNumber(row.sortKey, *day, 2);
    row.sortKey += "000000";
    return row;
}

void SortCatalogue(std::vector<CatalogueRow>& rows)
{
    const auto byKey = [](const CatalogueRow& a, const CatalogueRow& b) { return a.sortKey > b.sortKey; };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    // Keys as MakeRow writes them, fourteen digits, compare as numbers; the rows are then moved
    // once each instead of in every step of the merge, which for a large store cost more than
    // the comparisons.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> keys;
    const bool indexable = rows.size() <= UINT32_MAX;
    if (indexable)
        keys.reserve(rows.size());
    for (std::size_t i = 0; indexable && i < rows.size(); ++i) {
        const std::string& text = rows[i].sortKey;
        std::uint64_t key = 0; // below every row with a date
        if (!text.empty()) {
            if (text.size() != 14 || !std::all_of(text.begin(), text.end(), digit))
                break;
            for (const char c : text)
                key = key * 10 + static_cast<std::uint64_t>(c - '0');
            ++key;
        }
        keys.emplace_back(key, static_cast<std::uint32_t>(i));
    }
    if (keys.size() != rows.size()) {
        std::stable_sort(rows.begin(), rows.end(), byKey);
        return;
    }
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    // Each row goes to its place along the cycles of the permutation, in place: a second vector
    // of rows for a large store was megabytes of fresh memory each time.
    for (std::size_t start = 0; start < keys.size(); ++start) {
        if (keys[start].second == start || keys[start].second == UINT32_MAX)
            continue;
        CatalogueRow held = std::move(rows[start]);
        std::size_t at = start;
        while (true) {
            const std::size_t from = keys[at].second;
            keys[at].second = UINT32_MAX;
            if (from == start) {
                rows[at] = std::move(held);
                break;
            }
            rows[at] = std::move(rows[from]);
            at = from;
        }
    }
}

CatalogueBuild BuildCatalogue(const iPodRecord& selected, FileSystem& fileSystem, const CatalogueOptions& options)
{
    CatalogueBuild build;
    build.ipod = selected;
    build.ipod.sensors.assign(1, SensorFolder{});
    build.ipod.workouts.clear();

    const auto root = fileSystem.resolve(StoreRoot(selected.root));
    if (!root || !fileSystem.folderExists(*root))
        return build;

    // Every folder is listed (and its misnamed files renamed) before the records are made, so that
    // the records of a large store are put into one allocation rather than moved as it grows.
    struct Listed {
        std::size_t sensor;
        bool isLatest;
        std::vector<std::string> names;
        SharedPath folderPath;
    };
    std::vector<Listed> listed;
    std::size_t total = 0;
    long long k = 1;
    const auto noteProblem = [&](std::optional<QString>& problem) {
        if (problem)
            build.problems.push_back(std::move(*problem));
    };
    FolderListing<FolderEntry> sensorFolders = fileSystem.subfolders(*root);
    noteProblem(sensorFolders.problem);
    std::vector<std::pair<SharedPath, SharedPath>> sensorPaths;
    for (const FolderEntry& sensorFolder : sensorFolders.entries) {
        if (k > 1)
            build.ipod.sensors.emplace_back();
        SensorFolder& sensor = build.ipod.sensors.back();
        sensor.name = sensorFolder.name;
        sensor.folderPath = sensorFolder.path;
        sensor.latestPath = sensorFolder.path / "latest";
        sensor.synchedPath = sensorFolder.path / "synched";

        FolderListing<FolderEntry> folders = fileSystem.subfolders(sensorFolder.path);
        noteProblem(folders.problem);
        for (const FolderEntry& folder : folders.entries) {
            const bool isLatest = NamesEqualIgnoringCase(folder.name, "latest");
            if (!isLatest && !NamesEqualIgnoringCase(folder.name, "synched"))
                continue;
            FolderListing<std::string> names = fileSystem.fileNames(folder.path);
            noteProblem(names.problem);
            if (options.renameMisnamedFiles)
                RenamePass(names.entries, folder.path, fileSystem);
            total += names.entries.size();
            listed.push_back(
                {build.ipod.sensors.size() - 1, isLatest, std::move(names.entries), SharedPath(folder.path)});
        }
        ++k;
    }

    const SharedPath ipodRoot(build.ipod.root);
    for (const SensorFolder& sensor : build.ipod.sensors)
        sensorPaths.emplace_back(SharedPath(sensor.latestPath), SharedPath(sensor.synchedPath));
    std::vector<StoredWorkout>& workouts = build.ipod.workouts;
    workouts.reserve(total);
    long long j = 1;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        Listed& folder = listed[i];
        SensorFolder& sensor = build.ipod.sensors[folder.sensor];
        if (i == 0 || listed[i - 1].sensor != folder.sensor)
            j = 1;
        sensor.files.reserve(sensor.files.size() + folder.names.size());
        for (std::string& name : folder.names) {
            sensor.files.push_back(workouts.size());
            StoredWorkout& workout = workouts.emplace_back();
            workout.volume = build.ipod.driveLetter;
            workout.ipodRoot = ipodRoot;
            workout.sensor = sensor.name;
            workout.latestFolder = sensorPaths[folder.sensor].first;
            workout.synchedFolder = sensorPaths[folder.sensor].second;
            workout.folder = folder.folderPath;
            workout.fileName = std::move(name);
            workout.synched = !folder.isLatest;
            workout.sensorIndex = static_cast<long long>(folder.sensor) + 1;
            workout.fileIndex = j++;
        }
    }
    MarkSameWorkouts(workouts, fileSystem);

    build.rows.reserve(workouts.size());
    for (std::size_t i = 0; i < workouts.size(); ++i)
        if (workouts[i].workout == i)
            if (auto row = MakeRow(workouts[i].fileName, workouts[i].shownAsSynched(), i))
                build.rows.push_back(std::move(*row));
    SortCatalogue(build.rows);
    return build;
}

} // namespace paceforge
