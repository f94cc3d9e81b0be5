#include "SaveWorkout.h"

#include "Backups.h"
#include "DistanceSeries.h"
#include "EditWrite.h"
#include "FileCleanup.h"
#include "FileTime.h"
#include "Random.h"

#include "platform/FileSystem.h"
#include "store/StopSnapshot.h"
#include "templates/DateRule.h"
#include "templates/TemplateWorkout.h"
#include "workout/DateForms.h"
#include "workout/Units.h"
#include "workout/WorkoutFormat.h"

#include <QStringList>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

constexpr long long kLongestWorkoutSeconds = 100LL * 3600;

SaveMessage Message(const char16_t* title, const QString& text)
{
    return {QString::fromUtf16(title), text};
}

std::optional<Decimal> WholeNumber(const QString& text, const QLocale& locale)
{
    const auto value = ReadEntryNumber(text, locale);
    if (!value || value->isNegative() || !value->isInteger())
        return std::nullopt;
    return value;
}

// An entry goes into the document as typed only where the typed text already is a plain number
// of the same value. In a locale that writes "72,5" the document gets "72.5", and where "." groups
// digits, "1.000" calories go in as "1000": every reader of the file would take "1.000" for one.
std::string DocumentNumberText(const QString& entry, const Decimal& value)
{
    const std::string typed = entry.trimmed().toStdString();
    if (const auto plain = Decimal::parsePlain(typed); plain && *plain == value)
        return typed;
    return value.toPlainString('.');
}

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

QString Listed(const std::vector<QString>& names)
{
    return QStringList(names.begin(), names.end()).join(QStringLiteral(", "));
}

// Every text the document gets, worked out before any of it is written.
struct WorkoutValues {
    std::string start;
    std::string calories;
    std::string duration;
    std::string durationString;
    std::string walkBegin, walkEnd, runBegin, runEnd;
    DistanceFigures distance;
    std::string pace;
    std::string weight;
    long long totalSeconds = 0;
};

// 2. The values, composed in the order in which the random draws are taken: 15-599 for the
// milliseconds, then 200-1200 and 10-100 for walking and again for running steps.
std::variant<WorkoutValues, SaveMessage> ComposeValues(
    const SaveEntries& entries, const CheckedEntries& checked, bool adding, RandomSource& random, const QLocale& locale)
{
    WorkoutValues v;
    v.totalSeconds = checked.totalSeconds;
    v.start = Utf8(StartTimeText(entries.date, entries.time));
    v.calories = checked.calories ? DocumentNumberText(entries.calories, *checked.calories) : "0";
    v.duration = Utf8(DurationText(checked.totalSeconds, random.Rand(15, 599)));
    v.durationString = Utf8(DurationString(entries.hours, static_cast<long long>(checked.minutes.integerPart()),
        static_cast<long long>(checked.seconds.integerPart()), locale));
    if (adding) {
        const Decimal kilometresForSteps = entries.miles ? MilesToKilometres(checked.distance) : checked.distance;
        const Int128 feet = (KilometresToMiles(kilometresForSteps) * Decimal::fromInteger(5280))
                                .rounded(0, Decimal::Rounding::HalfEven)
                                .integerPart();
        const int walkStart = random.Rand(200, 1200);
        v.walkBegin = std::to_string(walkStart);
        v.walkEnd = Int128ToString(feet * 10 / 32 + walkStart + random.Rand(10, 100));
        const int runStart = random.Rand(200, 1200);
        v.runBegin = std::to_string(runStart);
        v.runEnd = Int128ToString(feet * 10 / 28 + runStart + random.Rand(10, 100));
    }
    v.distance = ComposeDistance(checked, entries.miles);
    const Pace pace = PaceFor(checked.totalSeconds, v.distance.paceMiles);
    if (auto refused = PaceRefusal(checked.totalSeconds, v.distance, pace))
        return *refused;
    v.pace = pace.text + " min/mi";
    if (entries.pounds)
        v.weight = PoundsToKilograms(checked.weight.value_or(Decimal())).toPlainString('.');
    else if (checked.weight)
        v.weight = DocumentNumberText(entries.weight, *checked.weight);
    return v;
}

// 3. A copy of the source with the values in place, so that a save that fails leaves the loaded
// document as it was. Only existing nodes get new text.
XmlDocument ComposeDocument(const XmlDocument& source, const WorkoutValues& v, const SensorFolder* newWorkoutSensor)
{
    XmlDocument document = source.clone();
    const WorkoutNodes nodes = FindWorkoutNodes(document);
    if (newWorkoutSensor) {
        SetNodeText(nodes.empedID, newWorkoutSensor->name);
        SetNodeText(nodes.time, v.start);
        SetNodeText(nodes.startTime, v.start);
    }
    SetNodeText(nodes.calories, v.calories);
    SetNodeText(nodes.duration, v.duration);
    SetNodeText(nodes.durationString, v.durationString);
    if (newWorkoutSensor) {
        SetNodeText(nodes.walkBegin, v.walkBegin);
        SetNodeText(nodes.walkEnd, v.walkEnd);
        SetNodeText(nodes.runBegin, v.runBegin);
        SetNodeText(nodes.runEnd, v.runEnd);
    }
    SetNodeText(nodes.distance, v.distance.distanceText);
    SetAttributeText(nodes.distanceUnit, "km");
    SetNodeText(nodes.distanceString, v.distance.distanceString);
    SetNodeText(nodes.pace, v.pace);
    SetNodeText(nodes.extendedData, DistanceSeries(nodes.extendedData, v.distance.kilometres, v.totalSeconds));
    SetNodeText(nodes.weight, v.weight);
    SetStopSnapshot(nodes.sportsData, v.duration, v.distance.kilometresCut);
    return document;
}

SaveMessage IPodGone(const iPodRecord& ipod)
{
    return Message(u"iPod Not Found",
        QStringLiteral("The iPod \"%1\" is no longer there. Connect it and refresh the iPod list, then "
                       "save again. Nothing was saved.")
            .arg(ipod.driveLetter));
}

bool IPodStillThere(const iPodRecord& ipod, const FileSystem& fileSystem)
{
    return fileSystem.folderExists(ipod.root / "iPod_Control");
}

// The new workout goes to the first sensor folder that has a latest folder.
std::variant<const SensorFolder*, SaveMessage> NewWorkoutSensor(const iPodRecord& ipod, const FileSystem& fileSystem)
{
    for (const SensorFolder& sensor : ipod.sensors)
        if (!sensor.latestPath.empty() && fileSystem.folderExists(sensor.latestPath))
            return &sensor;
    if (!IPodStillThere(ipod, fileSystem))
        return IPodGone(ipod);
    return Message(u"No Workout Folder",
        QStringLiteral("The iPod holds no sensor folder with a latest folder, so there is nowhere to put "
                       "the workout. Nothing was saved."));
}

SaveOutcome Written(XmlDocument document, fs::path path, std::optional<SaveMessage> message = std::nullopt)
{
    SaveOutcome outcome;
    outcome.saved = true;
    outcome.message = std::move(message);
    outcome.document = std::move(document);
    outcome.documentPath = std::move(path);
    return outcome;
}

SaveOutcome Refused(SaveMessage message)
{
    SaveOutcome outcome;
    outcome.message = std::move(message);
    return outcome;
}

SaveOutcome WriteNewWorkout(
    XmlDocument document, const SensorFolder& sensor, const SaveEntries& entries, FileSystem& fileSystem)
{
    const std::string bytes = CleanedBytes(document);
    const std::string name = Utf8(WorkoutFileName(entries.date, entries.time));
    const fs::path synchedFile = sensor.synchedPath / name;
    if (Result written = fileSystem.writeFileAtomic(synchedFile, bytes); !written)
        return Refused(Message(u"Save Failed", written.error() + QStringLiteral(" Nothing was saved on the iPod.")));
    SetFileDateTime(synchedFile, QDateTime(entries.date, entries.time, Qt::LocalTime), fileSystem);
    std::optional<SaveMessage> problem;
    if (Result copied = fileSystem.copyFile(synchedFile, sensor.latestPath / name); !copied)
        problem = Message(
            u"Copy Failed", copied.error() + QStringLiteral(" The workout was saved in the synched folder only."));
    return Written(std::move(document), synchedFile, std::move(problem));
}

// What the checks found out: the entries as numbers, the document the values go into, and where
// the files go.
struct SavePlan {
    bool adding = false;
    CheckedEntries checked;
    // A new workout's document: a fresh copy of the template.
    std::optional<XmlDocument> templateDocument;
    const XmlDocument* editedDocument = nullptr;
    const SensorFolder* sensor = nullptr;
    // An edit: the file chosen in the list, and the latest folder's file it is saved as.
    fs::path editedFile;
    fs::path latestFile;

    const XmlDocument& source() const { return templateDocument ? *templateDocument : *editedDocument; }
};

// 1. Every check that does not need the composed values, the ones that look at the iPod included,
// so that a refusal always comes before anything changes.
std::variant<SavePlan, SaveMessage> CheckSave(SaveEntries& entries, const SaveContext& context)
{
    if (!context.iPodSelected)
        return Message(u"No iPods connected", QStringLiteral("No iPods are available!"));
    auto checked = CheckEntries(entries, context.locale);
    if (auto* refused = std::get_if<SaveMessage>(&checked))
        return *refused;

    const iPodRecord& ipod = *context.currentIPod;
    const FileSystem& fileSystem = *context.fileSystem;
    SavePlan plan;
    plan.adding = context.workoutMode == QStringLiteral("Add");
    plan.checked = std::get<CheckedEntries>(checked);
    if (plan.adding) {
        // The calendar keeps a date the date rule refused; the save must not take it silently.
        if (!WorkoutDateAllowed(context.today, entries.date))
            return SaveMessage{kTooLateTitle, kTooLateText};
        plan.templateDocument = LoadTemplateWorkout(context.programFolder);
        if (!plan.templateDocument)
            return SaveMessage{kMissingFileTitle, MissingTemplateText(context.programFolder)};
        if (const auto missing = MissingContent(*plan.templateDocument, true); !missing.empty())
            return Message(u"Damaged File",
                QStringLiteral("The template workout \"%1\" lacks %2. Please reinstall Paceforge. Nothing was saved.")
                    .arg(DisplayPath(TemplatePath(context.programFolder)), Listed(missing)));
        auto sensor = NewWorkoutSensor(ipod, fileSystem);
        if (auto* refused = std::get_if<SaveMessage>(&sensor))
            return *refused;
        plan.sensor = std::get<const SensorFolder*>(sensor);
        // Two runs on one day easily share the start time the picker keeps: the second must never
        // replace the first.
        const std::string name = Utf8(WorkoutFileName(entries.date, entries.time));
        if (fileSystem.fileExists(plan.sensor->synchedPath / name)
            || fileSystem.fileExists(plan.sensor->latestPath / name))
            return Message(u"Workout Exists",
                QStringLiteral("A workout starting at %1 is already on the iPod. Please choose another start time!")
                    .arg(WorkoutStartText(entries.date, entries.time, context.locale)));
        return plan;
    }

    const WorkoutFileEntry* edited = FileAt(ipod, context.selectedSensorIndex, context.selectedFileIndex);
    if (edited && context.unreadableReason && context.unreadableSource == edited->fullPath())
        return *context.unreadableReason;
    if (!edited || !context.currentDocument || context.currentDocumentSource != edited->fullPath())
        return Message(u"No Workout Selected",
            QStringLiteral("Please choose the workout to change in the list of existing workouts, then save again!"));
    plan.editedDocument = context.currentDocument;
    plan.sensor = SensorAt(ipod, context.selectedSensorIndex);
    plan.editedFile = edited->fullPath();
    plan.latestFile = plan.sensor->latestPath / edited->fileName;
    if (const auto missing = MissingContent(*plan.editedDocument, false); !missing.empty())
        return Message(u"Incomplete Workout",
            QStringLiteral("The workout file \"%1\" lacks %2, so Paceforge cannot save changes to it. The file was "
                           "not changed.")
                .arg(DisplayPath(plan.editedFile), Listed(missing)));
    if (!IPodStillThere(ipod, fileSystem))
        return IPodGone(ipod);
    return plan;
}

// 4. The files, last. The bytes are cleaned before they are written, so the device never holds a
// file that is not yet in its final form.
SaveOutcome WriteFiles(
    XmlDocument document, const SavePlan& plan, const SaveEntries& entries, const SaveContext& context)
{
    FileSystem& fileSystem = *context.fileSystem;
    if (plan.adding)
        return WriteNewWorkout(std::move(document), *plan.sensor, entries, fileSystem);
    const EditedFile file{context.currentIPod->driveLetter, plan.sensor->name, plan.editedFile, plan.latestFile,
        context.currentDocumentBytes};
    EditWriteOutcome written = WriteEditedWorkout(file, document, fileSystem, context.backups);
    if (!written.written) {
        SaveOutcome outcome = Refused(*written.message);
        outcome.sourceChanged = written.sourceChanged;
        return outcome;
    }
    return Written(std::move(document), plan.latestFile, std::move(written.message));
}

} // namespace

std::variant<CheckedEntries, SaveMessage> CheckEntries(SaveEntries& entries, const QLocale& locale)
{
    if (entries.distance.trimmed().isEmpty() || Decimal::parseLeading(entries.distance, locale).isZero()) {
        entries.distance = QStringLiteral("0.0");
        return Message(u"No Distance", QStringLiteral("Please enter a distance!"));
    }
    for (QString* field : {&entries.hours, &entries.minutes, &entries.seconds})
        if (field->trimmed().isEmpty())
            *field = QStringLiteral("0");
    const auto hours = WholeNumber(entries.hours, locale);
    const auto minutes = WholeNumber(entries.minutes, locale);
    const auto seconds = WholeNumber(entries.seconds, locale);
    if (!hours || !minutes || !seconds)
        return Message(u"Invalid Time",
            QStringLiteral("Please enter the hours, minutes and seconds as whole numbers of zero or more!"));
    const Decimal total = *hours * Decimal::fromInteger(3600) + *minutes * Decimal::fromInteger(60) + *seconds;
    if (total > Decimal::fromInteger(kLongestWorkoutSeconds))
        return Message(u"Invalid Time", QStringLiteral("Please enter a workout of at most 100 hours!"));
    CheckedEntries checked;
    checked.minutes = *minutes;
    checked.seconds = *seconds;
    checked.totalSeconds = static_cast<long long>(total.integerPart());
    if (checked.totalSeconds == 0)
        return Message(u"No Time", QStringLiteral("Please enter the amount of time you worked out!"));

    const auto distance = ReadEntryNumber(entries.distance, locale);
    if (!distance || distance->isNegative())
        return Message(u"Invalid Distance",
            QStringLiteral("Please enter the distance as a number, for example 5 or 3%11!").arg(locale.decimalPoint()));
    checked.distance = *distance;
    if (!entries.calories.trimmed().isEmpty()) {
        checked.calories = WholeNumber(entries.calories, locale);
        if (!checked.calories)
            return Message(u"Invalid Calories",
                QStringLiteral("Please enter the calories as a whole number, or leave the field empty!"));
    }
    const auto weight = ReadEntryNumber(entries.weight, locale);
    if (!weight || weight->isNegative())
        return Message(
            u"Invalid Weight", QStringLiteral("Please enter the weight as a number, or leave the field empty!"));
    if (!entries.weight.trimmed().isEmpty())
        checked.weight = *weight;
    return checked;
}

DistanceFigures ComposeDistance(const CheckedEntries& checked, bool miles)
{
    DistanceFigures figures;
    const Decimal enteredKilometres = miles ? MilesToKilometres(checked.distance) : checked.distance;
    figures.distanceText = FormatDistancePattern(enteredKilometres);
    // The value of distanceText, rounded as the pattern rounds: the text can hold more digits than
    // a document number is read with (a 15-digit number of miles), and the checks that refuse
    // such a distance come later.
    figures.kilometres = enteredKilometres.rounded(4, Decimal::Rounding::HalfAwayFromZero);
    figures.kilometresCut = KilometresCutText(figures.kilometres);
    figures.paceMiles = miles ? checked.distance : KilometresToMiles(checked.distance);
    figures.distanceString = FormatMilesPattern(figures.paceMiles) + " mi";
    return figures;
}

// Exact arithmetic, so that a pace on a rounding tie goes to the even second.
Pace PaceFor(long long totalSeconds, const Decimal& distance)
{
    if (totalSeconds < 60 || distance.isZero())
        return {false, "0:00"};
    Int128 numerator = totalSeconds;
    for (int i = 0; i < distance.scale(); ++i)
        numerator *= 10;
    const Int128 denominator = 60 * distance.mantissa();
    Int128 minutes = numerator / denominator;
    const Int128 remainder = numerator % denominator;
    Int128 seconds = Decimal::fromParts(remainder, 0)
                         .dividedBy(Decimal::fromParts(distance.mantissa(), 0), 0, Decimal::Rounding::HalfEven)
                         .integerPart();
    if (seconds == 60) {
        ++minutes;
        seconds = 0;
    }
    Pace pace;
    pace.tooFast = minutes < 4 || (minutes == 4 && seconds == 0);
    pace.text = Int128ToString(minutes) + ":" + (seconds < 10 ? "0" : "") + Int128ToString(seconds);
    return pace;
}

std::optional<SaveMessage> PaceRefusal(long long totalSeconds, const DistanceFigures& distance, const Pace& pace)
{
    if (totalSeconds >= 60 && distance.paceMiles.isZero())
        return Message(u"Distance Too Short",
            QStringLiteral("The distance is too short to work out a pace. Please enter a longer distance!"));
    if (pace.tooFast)
        return Message(u"You're too fast!",
            QStringLiteral("The current highest supported pace is 4 Minutes, 1 Second per mile. Please "
                           "enter your data to fit this criteria!"));
    // Under a minute there is no pace to refuse a huge distance, and a document number of more
    // than 15 integer digits could never be read back.
    if (distance.kilometres >= Decimal::fromInteger(1'000'000'000'000'000))
        return Message(u"Distance Too Long",
            QStringLiteral("The distance is too long for a workout file. Please enter a shorter distance!"));
    return std::nullopt;
}

SaveOutcome SaveWorkout(SaveEntries& entries, const SaveContext& context)
{
    auto plan = CheckSave(entries, context);
    if (auto* refused = std::get_if<SaveMessage>(&plan))
        return Refused(*refused);
    const SavePlan& checkedPlan = std::get<SavePlan>(plan);
    auto values = ComposeValues(entries, checkedPlan.checked, checkedPlan.adding, *context.random, context.locale);
    if (auto* refused = std::get_if<SaveMessage>(&values))
        return Refused(*refused);
    XmlDocument document = ComposeDocument(
        checkedPlan.source(), std::get<WorkoutValues>(values), checkedPlan.adding ? checkedPlan.sensor : nullptr);
    return WriteFiles(std::move(document), checkedPlan, entries, context);
}

} // namespace paceforge
