#include "Catalogue.h"

#include "platform/FileSystem.h"
#include "workout/Decimal.h"

#include <QDate>

#include <algorithm>
#include <unordered_set>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

std::vector<std::string_view> Split(std::string_view text, std::string_view separator)
{
    std::vector<std::string_view> pieces;
    if (separator.empty())
        return {text};
    std::size_t start = 0;
    while (true) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
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

QString Text(std::string_view bytes) { return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())); }

std::string FoldedName(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

void PadNumber(std::string& out, int value, int width)
{
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        out.append(static_cast<std::size_t>(width) - digits.size(), '0');
    out += digits;
}

// Renames the files whose names carry extra words, keeping `files` in step with the disk.
void RenamePass(std::vector<FolderEntry>& files, const fs::path& folder, FileSystem& fileSystem)
{
    std::unordered_set<std::string> taken;
    for (const FolderEntry& f : files)
        taken.insert(FoldedName(f.name));
    bool renamed = false;
    for (FolderEntry& f : files) {
        const auto target = RenameTarget(f.name);
        if (!target || taken.contains(FoldedName(*target)))
            continue;
        if (!fileSystem.renameNoReplace(f.path, folder / *target))
            continue;
        taken.erase(FoldedName(f.name));
        taken.insert(FoldedName(*target));
        f.name = *target;
        f.path = folder / *target;
        renamed = true;
    }
    if (renamed)
        std::sort(files.begin(), files.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return NameLessIgnoringCase(a.name, b.name); });
}

} // namespace

fs::path StoreRoot(const fs::path& driveRoot)
{
    return driveRoot / "iPod_Control" / "Device" / "Trainer" / "Workouts" / "Empeds";
}

QString RowKey(long long sensorIndex, long long fileIndex)
{
    return QString::number(sensorIndex) + QStringLiteral("::") + QString::number(fileIndex);
}

RowKeyParts SplitRowKey(const QString& key)
{
    const qsizetype at = key.indexOf(QStringLiteral("::"));
    if (at < 0)
        return {key, QString()};
    return {key.left(at), key.mid(at + 2)};
}

std::optional<QString> FormatTime12(std::string_view time, std::string_view separator)
{
    const auto pieces = Split(time, separator);
    if (pieces.size() < 2)
        return std::nullopt;
    const std::string_view minutes = pieces[1];
    const std::string_view seconds = pieces.size() >= 3 ? pieces[2] : std::string_view("00");
    const auto hour = Decimal::parsePlain(pieces[0]);
    if (!hour)
        return QString();
    const QString rest = QStringLiteral(":") + Text(minutes) + QStringLiteral(":") + Text(seconds);
    if (*hour <= Decimal::fromInteger(12))
        return Text(pieces[0]) + rest + QStringLiteral(" am");
    if (*hour <= Decimal::fromInteger(24))
        return QString::fromStdString((*hour - Decimal::fromInteger(12)).toPlainString('.')) + rest + QStringLiteral(" pm");
    return QString();
}

std::optional<std::string> RenameTarget(std::string_view fileName)
{
    const auto pieces = Split(fileName, ".");
    if (pieces.size() < 2)
        return std::nullopt;
    const auto words = Split(pieces[0], " ");
    if (words.size() < 3)
        return std::nullopt;
    return std::string(words[0]) + " " + std::string(words[1]) + ".xml";
}

std::optional<CatalogueRow> MakeRow(std::string_view fileName, bool inLatestFolder, long long sensorIndex,
                                    long long fileIndex)
{
    const auto pieces = Split(fileName, ".");
    if (pieces.size() < 2)
        return std::nullopt;
    const auto words = Split(pieces[0], " ");
    if (words.size() < 2)
        return std::nullopt;
    const auto dateParts = Split(words[0], "-");
    if (dateParts.size() < 3)
        return std::nullopt;
    const auto year = DigitsValue(dateParts[0]);
    const auto month = DigitsValue(dateParts[1]);
    const auto day = DigitsValue(dateParts[2]);
    if (!year || !month || !day || *year < 1 || *year > 9999 || !QDate(*year, *month, *day).isValid())
        return std::nullopt;
    auto time = FormatTime12(words[1], ";");
    if (!time)
        return std::nullopt;

    CatalogueRow row;
    row.key = RowKey(sensorIndex, fileIndex);
    row.date = Text(dateParts[1]) + u'/' + Text(dateParts[2]) + u'/' + Text(dateParts[0]);
    row.time = std::move(*time);
    row.synched = !inLatestFolder;
    row.sortKey.reserve(14);
    PadNumber(row.sortKey, *year, 4);
    PadNumber(row.sortKey, *month, 2);
    PadNumber(row.sortKey, *day, 2);
    row.sortKey += "000000";
    return row;
}

void SortCatalogue(std::vector<CatalogueRow>& rows)
{
    std::stable_sort(rows.begin(), rows.end(),
                     [](const CatalogueRow& a, const CatalogueRow& b) { return a.sortKey > b.sortKey; });
}

CatalogueBuild BuildCatalogue(const iPodRecord& selected, FileSystem& fileSystem)
{
    CatalogueBuild build;
    build.ipod = selected;
    build.ipod.sensors.assign(1, SensorFolder{});

    const auto root = fileSystem.resolve(StoreRoot(selected.root));
    if (!root || !fileSystem.folderExists(*root))
        return build;

    long long k = 1;
    for (const FolderEntry& sensorFolder : fileSystem.subfolders(*root)) {
        if (k > 1)
            build.ipod.sensors.emplace_back();
        SensorFolder& sensor = build.ipod.sensors.back();
        sensor.name = sensorFolder.name;
        sensor.folderPath = sensorFolder.path;
        sensor.latestPath = sensorFolder.path / "latest";
        sensor.synchedPath = sensorFolder.path / "synched";

        long long j = 1;
        for (const FolderEntry& folder : fileSystem.subfolders(sensorFolder.path)) {
            const bool isLatest = NamesEqualIgnoringCase(folder.name, "latest");
            if (!isLatest && !NamesEqualIgnoringCase(folder.name, "synched"))
                continue;
            std::vector<FolderEntry> files = fileSystem.files(folder.path);
            RenamePass(files, folder.path, fileSystem);
            sensor.files.reserve(sensor.files.size() + files.size());
            for (FolderEntry& file : files) {
                if (auto row = MakeRow(file.name, isLatest, k, j))
                    build.rows.push_back(std::move(*row));
                sensor.files.push_back({std::move(file.name), folder.path});
                ++j;
            }
        }
        ++k;
    }
    SortCatalogue(build.rows);
    return build;
}

} // namespace paceforge
