#include "Backups.h"

#include "platform/XmlDocument.h"
#include "workout/Decimal.h"
#include "workout/Units.h"
#include "workout/WorkoutFormat.h"

#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string_view>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

// "20261208T063212.123Z"
constexpr std::size_t kStampSize = 20;
constexpr int kMostCounters = 999999;

const QString kUnreadable = QStringLiteral("unreadable");

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

int Number(std::string_view digits)
{
    int value = 0;
    for (const char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

// Any name becomes one folder name that every platform accepts: characters a folder name cannot
// hold (a "/" in a mount name), "%" itself and a trailing dot or blank become %XX, so that two
// volume names never share a folder.
std::string FolderName(std::string_view name)
{
    if (name.empty())
        return "%";
    static constexpr std::string_view kRefused = "%/\\:*?\"<>|";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string folder;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool last = i + 1 == name.size();
        if (c < 0x20 || c == 0x7F || kRefused.find(name[i]) != std::string_view::npos
            || (last && (c == '.' || c == ' '))) {
            folder += '%';
            folder += kHex[c >> 4];
            folder += kHex[c & 0xF];
        } else {
            folder += name[i];
        }
    }
    return folder;
}

std::string BackupName(const std::string& fileName, const QDateTime& takenUtc, int counter)
{
    std::string name = fileName + '.' + takenUtc.toString(QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'")).toStdString();
    if (counter > 1)
        name += '-' + std::to_string(counter);
    return name;
}

struct ParsedName {
    std::string_view workout;
    QDateTime taken;
    int counter = 1;
};

std::optional<ParsedName> ParseBackupName(std::string_view name)
{
    // Neither the counter nor the stamp's digits hold a "Z": the last one ends the stamp.
    const std::size_t z = name.rfind('Z');
    if (z == std::string_view::npos || z + 1 < kStampSize + 2)
        return std::nullopt;
    ParsedName parsed;
    if (const std::string_view rest = name.substr(z + 1); !rest.empty()) {
        const std::string_view digits = rest.substr(1);
        if (rest.front() != '-' || !AllDigits(digits) || digits.size() > 6)
            return std::nullopt;
        parsed.counter = Number(digits);
    }
    const std::size_t start = z + 1 - kStampSize;
    const std::string_view s = name.substr(start, kStampSize);
    if (name[start - 1] != '.' || !AllDigits(s.substr(0, 8)) || s[8] != 'T' || !AllDigits(s.substr(9, 6))
        || s[15] != '.' || !AllDigits(s.substr(16, 3)))
        return std::nullopt;
    const QDate date(Number(s.substr(0, 4)), Number(s.substr(4, 2)), Number(s.substr(6, 2)));
    const QTime time(Number(s.substr(9, 2)), Number(s.substr(11, 2)), Number(s.substr(13, 2)), Number(s.substr(16, 3)));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    parsed.workout = name.substr(0, start - 1);
    parsed.taken = QDateTime(date, time, Qt::UTC);
    return parsed;
}

QString Trimmed(pugi::xml_node node)
{
    return QString::fromStdString(NodeText(node)).trimmed();
}

std::chrono::system_clock::time_point SystemTime(fs::file_time_type time)
{
    return std::chrono::time_point_cast<std::chrono::system_clock::duration>(std::chrono::file_clock::to_sys(time));
}

} // namespace

bool NewerBackupFirst(const BackupEntry& a, const BackupEntry& b)
{
    if (a.taken != b.taken)
        return a.taken > b.taken;
    return a.counter > b.counter;
}

Backups::Backups(fs::path root, const Clock& clock, FileSystem& fileSystem)
    : m_root(std::move(root)),
      m_clock(clock),
      m_fileSystem(fileSystem),
      m_altered(AlteredSignaturesFile(m_root), fileSystem)
{ }

fs::path Backups::folderFor(const QString& volume, const std::string& sensor, bool latest) const
{
    return m_root / FolderName(volume.toStdString()) / FolderName(sensor) / (latest ? "latest" : "synched");
}

Outcome<fs::path> Backups::backUp(const fs::path& file, const QString& volume, const std::string& sensor, bool latest)
{
    const fs::path folder = folderFor(volume, sensor, latest);
    const auto refuse = [&](const QString& reason) {
        return Outcome<fs::path>::failure(QStringLiteral("Could not back up \"%1\" into \"%2\". %3")
                                              .arg(DisplayPath(file), DisplayPath(folder), reason));
    };
    const auto bytes = m_fileSystem.readFile(file);
    if (!bytes)
        return refuse(bytes.error());
    if (Result made = m_fileSystem.createFolders(folder); !made)
        return refuse(made.error());

    // The device's spelling of the name, whatever case the caller used.
    const std::string fileName = m_fileSystem.resolve(file).value_or(file).filename().string();
    const QDateTime now = m_clock.now().toUTC();
    fs::path copy;
    for (int counter = 1;; ++counter) {
        if (counter > kMostCounters)
            return refuse(QStringLiteral("Too many backups were taken at one time."));
        copy = folder / BackupName(fileName, now, counter);
        if (!m_fileSystem.resolve(copy))
            break;
    }
    if (Result written = m_fileSystem.writeFileAtomic(copy, bytes.value()); !written)
        return refuse(written.error());
    // A restore gives the file its time back: a hand-added workout's time is the run's start.
    if (const auto time = m_fileSystem.lastWriteTime(file))
        m_fileSystem.setLastWriteTime(copy, SystemTime(*time));
    return copy;
}

std::vector<BackupEntry> Backups::list(
    const QString& volume, const std::string& sensor, const std::string& fileName) const
{
    std::vector<BackupEntry> found;
    for (const bool latest : {true, false}) {
        for (const FolderEntry& entry : m_fileSystem.files(folderFor(volume, sensor, latest))) {
            const auto parsed = ParseBackupName(entry.name);
            if (parsed && NamesEqualIgnoringCase(parsed->workout, fileName))
                found.push_back({entry.path, parsed->taken, latest, parsed->counter});
        }
    }
    std::stable_sort(found.begin(), found.end(), NewerBackupFirst);
    return found;
}

BackupSummary Backups::summary(const BackupEntry& backup) const
{
    BackupSummary summary{backup.taken.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), kUnreadable,
        kUnreadable, std::nullopt};
    const auto bytes = m_fileSystem.readFile(backup.path);
    if (!bytes)
        return summary;
    const XmlDocument document = XmlDocument::fromBytes(bytes.value());
    const WorkoutNodes nodes = FindWorkoutNodes(document);
    if (!nodes.sportsData)
        return summary;
    const QString distance = Trimmed(nodes.distance);
    const QString unit = QString::fromStdString(AttributeText(nodes.distanceUnit)).trimmed();
    if (const auto value = Decimal::parsePlain(distance.toStdString()); value && !unit.isEmpty()) {
        summary.distance = distance + u' ' + unit;
        summary.distanceKm
            = unit.compare(QStringLiteral("mi"), Qt::CaseInsensitive) == 0 ? MilesToKilometres(*value) : *value;
    }
    if (const QString duration = Trimmed(nodes.durationString); !duration.isEmpty())
        summary.duration = duration;
    return summary;
}

fs::path StandardBackupsFolder()
{
    return fs::path(
               QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).toStdString())
        / "Paceforge" / "backups";
}

} // namespace paceforge
