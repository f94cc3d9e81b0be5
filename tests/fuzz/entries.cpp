// Arbitrary entry texts through the unit conversions and the whole save, on an iPod held in memory.
// Input: a line of flags ('k' kilometres, 'g' kilograms, 'e' edit the workout on the iPod, a digit
// choosing the locale), then the distance, hours, minutes, seconds, weight and calories, one a line.
#include "compose/Random.h"
#include "compose/SaveWorkout.h"
#include "platform/FileSystem.h"
#include "templates/WorkoutLoader.h"
#include "workout/Units.h"
#include "workout/WorkoutFormat.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string_view>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

void Fail(const char* what, const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", what, text.toUtf8().constData());
    std::abort();
}

// The iPod's disk in memory: the fuzzer runs thousands of saves a second and must not wear a disk.
class MemoryFileSystem final : public FileSystem
{
public:
    std::optional<fs::path> resolve(const fs::path& path) const override { return path; }
    bool folderExists(const fs::path& path) const override { return folders.contains(path); }
    bool fileExists(const fs::path& path) const override { return files.contains(path); }
    Outcome<std::string> readFile(const fs::path& path) const override
    {
        const auto it = files.find(path);
        if (it == files.end())
            return Outcome<std::string>::failure(QStringLiteral("missing"));
        return it->second;
    }
    Result writeFileAtomic(const fs::path& path, std::string_view bytes) override
    {
        if (!folders.contains(path.parent_path()))
            return Result::failure(QStringLiteral("no folder"));
        files[path] = std::string(bytes);
        ++writes;
        return Result::success();
    }
    Result copyFile(const fs::path& from, const fs::path& to) override
    {
        const auto bytes = readFile(from);
        return bytes ? writeFileAtomic(to, bytes.value()) : Result::failure(bytes.error());
    }
    Result deleteFile(const fs::path& path) override
    {
        ++writes;
        return files.erase(path) ? Result::success() : Result::failure(QStringLiteral("missing"));
    }
    Result renameNoReplace(const fs::path&, const fs::path&) override { return Result::failure(QStringLiteral("no")); }
    std::optional<fs::file_time_type> lastWriteTime(const fs::path&) const override { return fs::file_time_type(); }
    bool setLastWriteTime(const fs::path&, std::chrono::system_clock::time_point) override { return true; }

    std::set<fs::path> folders;
    std::map<fs::path, std::string> files;
    int writes = 0;
};

class LowRandom final : public RandomSource
{
public:
    int Rand(int low, int) override { return low; }
};

const std::string kWorkout
    = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<sportsData><vers>2</vers>\n<runSummary><time>2006-09-15T06:30:00-04:00</time>\n"
      "<duration>1800321</duration>\n<durationString>30:00</durationString>\n"
      "<distance unit=\"km\">5.0000</distance>\n<distanceString>3.11 mi</distanceString>\n"
      "<pace>9:39 min/mi</pace>\n<calories>312</calories>\n<stepCounts><walkBegin>1</walkBegin>\n"
      "<walkEnd>2</walkEnd>\n<runBegin>3</runBegin>\n<runEnd>4</runEnd>\n</stepCounts>\n"
      "</runSummary>\n<userInfo><empedID>4H7136ZXVSX</empedID>\n<weight>72.5</weight>\n"
      "</userInfo>\n<startTime>2006-09-15T06:30:00-04:00</startTime>\n"
      "<snapShotList snapShotType=\"userClick\"><snapShot event=\"stop\"><duration>1800321"
      "</duration>\n<distance>5.0</distance>\n</snapShot>\n</snapShotList>\n"
      "<extendedDataList><extendedData dataType=\"distance\" intervalType=\"time\" "
      "intervalUnit=\"s\" intervalValue=\"10\">0.0, 0.0278, 0.0556</extendedData>\n"
      "</extendedDataList>\n</sportsData>\n";

void CheckConversions(const QString& text, const QLocale& locale)
{
    // A number result is the value of the text result read back, wherever that text can be read.
    const auto checkPair
        = [&](const std::optional<QString>& asText, const std::optional<double>& asNumber, const char* name) {
              if (asText.has_value() != asNumber.has_value())
                  Fail(name, text);
              if (!asText)
                  return;
              if (const auto back = ReadEntryNumber(*asText, locale); back && back->toDouble() != *asNumber)
                  Fail(name, text);
          };
    checkPair(MtoK(text, locale), dblMtoK(text, locale), "MtoK");
    checkPair(KtoM(text, locale), dblKtoM(text, locale), "KtoM");
    checkPair(LbtoKg(text, locale), dblLbtoKg(text, locale), "LbtoKg");
    (void)dblKgtoLb(text, locale);
    for (const bool to : {true, false}) {
        (void)DistanceForUnit(text, to, locale);
        (void)WeightForUnit(text, to, locale);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QLocale kLocales[] = {
        QLocale::c(),
        QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::French, QLocale::France),
        QLocale(QLocale::Swedish, QLocale::Sweden),
        QLocale(QLocale::Arabic, QLocale::Egypt),
    };
    const QStringList lines
        = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split(u'\n');
    const QString flags = lines.value(0);
    int localeIndex = 0;
    for (const QChar c : flags)
        if (c >= u'0' && c <= u'9')
            localeIndex = c.digitValue() % static_cast<int>(std::size(kLocales));
    const QLocale& locale = kLocales[localeIndex];

    SaveEntries entries;
    entries.distance = lines.value(1);
    entries.hours = lines.value(2);
    entries.minutes = lines.value(3);
    entries.seconds = lines.value(4);
    entries.weight = lines.value(5);
    entries.calories = lines.value(6);
    entries.miles = !flags.contains(u'k');
    entries.pounds = !flags.contains(u'g');
    entries.date = QDate(2006, 9, 15);
    entries.time = QTime(6, 0);
    for (const QString* field :
        {&entries.distance, &entries.hours, &entries.minutes, &entries.seconds, &entries.weight, &entries.calories})
        CheckConversions(*field, locale);

    const fs::path sensorFolder = "/ipod/iPod_Control/Device/Trainer/Workouts/Empeds/4H7136ZXVSX";
    iPodRecord ipod;
    ipod.driveLetter = QStringLiteral("IPOD");
    ipod.root = "/ipod";
    ipod.sensors.push_back({"4H7136ZXVSX", sensorFolder, sensorFolder / "latest", sensorFolder / "synched", {0}});
    StoredWorkout& stored = ipod.workouts.emplace_back();
    stored.volume = ipod.driveLetter;
    stored.ipodRoot = ipod.root;
    stored.sensor = "4H7136ZXVSX";
    stored.latestFolder = sensorFolder / "latest";
    stored.synchedFolder = sensorFolder / "synched";
    stored.folder = sensorFolder / "synched";
    stored.fileName = "2006-08-01 18;05;09.xml";
    stored.synched = true;
    stored.sensorIndex = stored.fileIndex = 1;
    MemoryFileSystem disk;
    disk.folders = {"/ipod/iPod_Control", sensorFolder / "latest", sensorFolder / "synched"};
    const fs::path edited = stored.fullPath();
    disk.files[edited] = kWorkout;
    XmlDocument document = XmlDocument::fromBytes(kWorkout);
    LowRandom random;

    SaveContext context;
    context.adding = !flags.contains(u'e');
    context.iPodSelected = true;
    context.currentIPod = &ipod;
    context.selectedSensorIndex = 1;
    context.selectedFileIndex = 1;
    context.currentDocument = &document;
    context.currentDocumentSource = edited;
    context.currentDocumentBytes = kWorkout;
    context.programFolder = fs::path(PACEFORGE_SOURCE_DIR) / "data";
    context.today = QDate(2006, 9, 15);
    context.locale = locale;
    context.random = &random;
    context.fileSystem = &disk;

    const SaveOutcome outcome = SaveWorkout(entries, context);
    if (!outcome.saved) {
        if (!outcome.message)
            Fail("a save that wrote nothing gave no reason", entries.distance);
        if (disk.writes != 0)
            Fail("a refused save changed the iPod", entries.distance);
        return 0;
    }
    // What a save writes must load again, and the loader must read the distance it wrote.
    for (const auto& [path, bytes] : disk.files) {
        const XmlDocument saved = XmlDocument::fromBytes(bytes);
        if (!saved.hasDocumentElement() || !MissingContent(saved, true).empty())
            Fail("a saved workout does not load", entries.distance);
        const auto shown = ReadWorkoutEntries(saved, false, false, QLocale::c());
        if (!shown || !Decimal::parsePlain(shown->distance.toStdString()))
            Fail("a saved distance does not read back", entries.distance);
    }
    return 0;
}
