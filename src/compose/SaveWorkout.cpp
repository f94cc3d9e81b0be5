#include "SaveWorkout.h"

#include "Backups.h"
#include "DistanceSeries.h"
#include "EditWrite.h"
#include "FileCleanup.h"
#include "FileTime.h"
#include "RecordedDistances.h"
#include "Random.h"

#include "platform/FileSystem.h"
#include "store/StopSnapshot.h"
#include "templates/DateRule.h"
#include "templates/TemplateWorkout.h"
#include "workout/DateForms.h"
#include "workout/Units.h"
#include "workout/WorkoutFormat.h"

#include <QStringList>

#include <algorithm>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

constexpr long long kLongestWorkoutSeconds = 100LL * 3600;
constexpr long long kSecondsPerSample = 10;

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

SaveMessage InvalidDistance(const QLocale& locale)
{
    return Message(u"Invalid Distance",
        QStringLiteral("Please enter the distance as a number, for example 5 or 3%11!").arg(locale.decimalPoint()));
}

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

QString Listed(const std::vector<QString>& names)
{
    return QStringList(names.begin(), names.end()).join(QStringLiteral(", "));
}

// What the document recorded before the edit, for the values an edit keeps.
struct Recorded {
    std::string duration;
    std::optional<Decimal> kilometres;
    bool paceInKilometres = false;
};

Recorded ReadRecorded(const XmlDocument& document)
{
    const WorkoutNodes nodes = FindWorkoutNodes(document);
    Recorded recorded;
    recorded.duration = std::string(TrimmedXmlSpace(NodeText(nodes.duration)));
    if (const auto value = Decimal::parsePlain(TrimmedXmlSpace(NodeText(nodes.distance))))
        recorded.kilometres = AttributeText(nodes.distanceUnit) == "mi" ? MilesToKilometres(*value) : *value;
    recorded.paceInKilometres = std::string_view(TrimmedXmlSpace(NodeText(nodes.pace))).ends_with("min/km");
    return recorded;
}

// The stop snapshot's pace is the device's whole milliseconds per kilometre.
std::optional<std::string> StopPace(std::string_view durationText, const Decimal& kilometres)
{
    const auto milliseconds = Decimal::parsePlain(durationText);
    if (!milliseconds || kilometres.isZero())
        return std::nullopt;
    return Int128ToString(milliseconds->dividedBy(kilometres, 0, Decimal::Rounding::HalfEven).integerPart());
}

// Every text the document gets, worked out before any of it is written; a value left empty is
// one the edit keeps as recorded.
struct WorkoutValues {
    std::string start;
    std::optional<std::string> calories;
    std::optional<std::string> duration;
    std::optional<std::string> durationString;
    std::string walkBegin, walkEnd, runBegin, runEnd;
    std::optional<DistanceFigures> distance;
    std::optional<std::string> pace;
    std::optional<std::string> weight;
    // The stop snapshots' duration, distance and (for an edit) pace, when either total changed.
    std::optional<std::string> stopDuration, stopDistance, stopPace;
    long long totalSeconds = 0;
};

// 2. The values, composed in the order in which the random draws are taken: 15-599 for the
// milliseconds, then 200-1200 and 10-100 for walking and again for running steps.
std::variant<WorkoutValues, SaveMessage> ComposeValues(const SaveEntries& entries, const CheckedEntries& checked,
    bool adding, const KeptValues& kept, const XmlDocument& source, RandomSource& random, const QLocale& locale)
{
    WorkoutValues v;
    v.totalSeconds = checked.totalSeconds;
    v.start = Utf8(StartTimeText(entries.date, entries.time));
    // A new workout whose calories or weight are left blank keeps the template's empty element: a
    // "0" would claim a run that burnt nothing, or a runner who weighs nothing.
    if (!kept.calories && (checked.calories || !adding))
        v.calories = checked.calories ? DocumentNumberText(entries.calories, *checked.calories) : "0";
    if (!kept.duration) {
        v.duration = Utf8(DurationText(checked.totalSeconds, random.Rand(15, 599)));
        v.durationString = Utf8(DurationString(entries.hours, static_cast<long long>(checked.minutes.integerPart()),
            static_cast<long long>(checked.seconds.integerPart()), locale));
    }
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
    const DistanceFigures distance = ComposeDistance(checked, entries.miles);
    if (!kept.distance)
        v.distance = distance;
    if (!kept.duration || !kept.distance) {
        const Pace perMile = PaceFor(checked.totalSeconds, distance.paceMiles);
        if (auto refused = PaceRefusal(checked.totalSeconds, distance, perMile))
            return *refused;
        const Recorded recorded = adding ? Recorded() : ReadRecorded(source);
        const Decimal kilometres = kept.distance && recorded.kilometres ? *recorded.kilometres : distance.kilometres;
        if (kept.distance && recorded.paceInKilometres)
            v.pace = PaceFor(checked.totalSeconds, kilometres).text + " min/km";
        else
            v.pace = perMile.text + " min/mi";
        v.stopDuration = v.duration ? *v.duration : recorded.duration;
        v.stopDistance = KilometresCutText(kilometres);
        // A changed distance or time makes the recorded stop pace wrong, and the template's is no
        // pace of the new run.
        v.stopPace = StopPace(*v.stopDuration, kilometres);
    }
    if (!kept.weight && (checked.weight || !adding)) {
        if (entries.pounds)
            v.weight = PoundsToKilograms(checked.weight.value_or(Decimal())).toPlainString('.');
        else
            v.weight = checked.weight ? DocumentNumberText(entries.weight, *checked.weight) : std::string();
    }
    return v;
}

void SetIf(pugi::xml_node node, const std::optional<std::string>& text)
{
    if (text)
        SetNodeText(node, *text);
}

// A recorded run whose distance changed keeps what it recorded along its way, rescaled as a
// correction rescales it; false when it recorded nothing to rescale, and the series is then made.
bool RescaleRecordedRun(const WorkoutNodes& nodes, const Decimal& newKilometres, const QString& fileName)
{
    const auto recorded = Decimal::parsePlain(TrimmedXmlSpace(NodeText(nodes.distance)));
    const pugi::xml_node data = DistanceData(nodes.sportsData);
    if (!recorded || recorded->isZero() || recorded->isNegative() || !data
        || NodeText(data).find(',') == std::string::npos)
        return false;
    const bool miles = AttributeText(nodes.distanceUnit) == "mi";
    const Decimal oldKilometres = miles ? MilesToKilometres(*recorded) : *recorded;
    const SummaryDistance distance{*recorded, miles ? KilometresToMiles(newKilometres) : newKilometres, miles};
    return RescaleRecording(nodes.sportsData, CorrectionFactor::between(newKilometres, oldKilometres), distance, fileName)
        .ok();
}

// 3. A copy of the source with the values in place, so that a save that fails leaves the loaded
// document as it was. Only existing nodes get new text, but for the splits of a new workout, which
// are composed from its own samples.
XmlDocument ComposeDocument(const XmlDocument& source, const WorkoutValues& v, const SensorFolder* newWorkoutSensor,
    const QString& fileName)
{
    XmlDocument document = source.clone();
    const WorkoutNodes nodes = FindWorkoutNodes(document);
    if (newWorkoutSensor) {
        SetNodeText(nodes.empedID, newWorkoutSensor->name);
        SetNodeText(nodes.time, v.start);
        SetNodeText(nodes.startTime, v.start);
    }
    SetIf(nodes.calories, v.calories);
    SetIf(nodes.duration, v.duration);
    SetIf(nodes.durationString, v.durationString);
    if (newWorkoutSensor) {
        SetNodeText(nodes.walkBegin, v.walkBegin);
        SetNodeText(nodes.walkEnd, v.walkEnd);
        SetNodeText(nodes.runBegin, v.runBegin);
        SetNodeText(nodes.runEnd, v.runEnd);
    }
    if (v.distance) {
        if (newWorkoutSensor || !RescaleRecordedRun(nodes, v.distance->kilometres, fileName)) {
            SetNodeText(nodes.extendedData, DistanceSeries(nodes.extendedData, v.distance->kilometres, v.totalSeconds));
            if (newWorkoutSensor)
                ComposeSplits(nodes.sportsData, NodeText(nodes.extendedData), Decimal::fromInteger(kSecondsPerSample));
        } else {
            SetSeriesAttributes(nodes.extendedData);
        }
        SetNodeText(nodes.distance, v.distance->distanceText);
        SetAttributeText(nodes.distanceUnit, "km");
        SetNodeText(nodes.distanceString, v.distance->distanceString);
    }
    SetIf(nodes.pace, v.pace);
    SetIf(nodes.weight, v.weight);
    if (v.stopDuration)
        SetStopSnapshot(nodes.sportsData, *v.stopDuration, *v.stopDistance, v.stopPace);
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
    XmlDocument document, const SensorFolder& sensor, const SaveEntries& entries, const SaveContext& context)
{
    FileSystem& fileSystem = *context.fileSystem;
    const std::string bytes = CleanedBytes(document);
    if (!LoadsBackAs(bytes, document))
        return Refused(Message(u"Save Refused",
            QStringLiteral("The new workout would not read back as Paceforge composed it, so it was not written. "
                           "Please check the template workout \"%1\".")
                .arg(DisplayPath(TemplatePath(context.programFolder)))));
    const std::string name = Utf8(WorkoutFileName(entries.date, entries.time));
    const fs::path synchedFile = sensor.synchedPath / name;
    if (Result written = fileSystem.writeFileAtomic(synchedFile, bytes); !written)
        return Refused(Message(u"Save Failed", written.error() + QStringLiteral(" Nothing was saved on the iPod.")));
    SetFileDateTime(synchedFile, QDateTime(entries.date, entries.time, Qt::LocalTime), fileSystem);
    std::optional<SaveMessage> problem;
    if (Result copied = fileSystem.copyFile(synchedFile, sensor.latestPath / name); !copied)
        problem = Message(
            u"Copy Failed", copied.error() + QStringLiteral(" The workout was saved in the synched folder only."));
    SaveOutcome outcome = Written(std::move(document), synchedFile, std::move(problem));
    outcome.bytes = bytes;
    return outcome;
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

std::variant<CheckedEntries, SaveMessage> CheckFields(
    const SaveEntries& typed, const QLocale& locale, RewrittenFields& rewritten)
{
    SaveEntries entries = typed;
    const QString distanceText = entries.distance.trimmed();
    // "0.5" where the decimal mark is a comma is a distance typed wrongly, not a missing one.
    const bool hasDigits = std::any_of(distanceText.begin(), distanceText.end(), [](QChar c) { return c.isDigit(); });
    if (hasDigits && !ReadEntryNumber(distanceText, locale))
        return InvalidDistance(locale);
    if (distanceText.isEmpty() || Decimal::parseLeading(entries.distance, locale).isZero()) {
        rewritten.distance = QStringLiteral("0") + locale.decimalPoint() + QStringLiteral("0");
        return Message(u"No Distance", QStringLiteral("Please enter a distance!"));
    }
    for (auto [field, shown] : {std::pair{&entries.hours, &rewritten.hours},
             std::pair{&entries.minutes, &rewritten.minutes}, std::pair{&entries.seconds, &rewritten.seconds}})
        if (field->trimmed().isEmpty())
            *shown = *field = QStringLiteral("0");
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
        return InvalidDistance(locale);
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


// 1. Every check that does not need the composed values, the ones that look at the iPod included,
// so that a refusal always comes before anything changes.
std::variant<SavePlan, SaveMessage> CheckSave(SaveEntries& entries, const SaveContext& context, RewrittenFields& rewritten)
{
    if (!context.iPodSelected)
        return Message(u"No iPods connected", QStringLiteral("No iPods are available!"));
    // The fields of a file that could not be read were emptied: the reason is what the user must
    // hear, not that there is no distance.
    const StoredWorkout* edited = context.adding
        ? nullptr
        : FileAt(*context.currentIPod, context.selectedSensorIndex, context.selectedFileIndex);
    if (edited && context.unreadableReason && context.unreadableSource == edited->fullPath())
        return *context.unreadableReason;
    EntryCheck check = CheckEntries(entries, context.locale);
    rewritten = check.rewritten;
    rewritten.applyTo(entries);
    auto& checked = check.result;
    if (auto* refused = std::get_if<SaveMessage>(&checked))
        return *refused;

    const iPodRecord& ipod = *context.currentIPod;
    const FileSystem& fileSystem = *context.fileSystem;
    SavePlan plan;
    plan.adding = context.adding;
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
                QStringLiteral("The iPod already holds a workout file named \"%1\", the name of a workout starting "
                               "at %2. The iPod names its files after the time a run ended, Paceforge after the "
                               "time it started, so it may be another run. Please choose another start time!")
                    .arg(QString::fromStdString(name), WorkoutStartText(entries.date, entries.time, context.locale)));
        return plan;
    }

    if (!edited || !context.currentDocument || context.currentDocumentSource != edited->fullPath())
        return Message(u"No Workout Selected",
            QStringLiteral("Please choose the workout to change in the list of existing workouts, then save again!"));
    plan.editedDocument = context.currentDocument;
    plan.sensor = SensorAt(ipod, context.selectedSensorIndex);
    plan.editedFile = edited->fullPath();
    plan.latestFile = edited->editTarget();
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
        return WriteNewWorkout(std::move(document), *plan.sensor, entries, context);
    const EditedFile file{context.currentIPod->driveLetter, plan.sensor->name, plan.editedFile, plan.latestFile,
        context.currentDocumentBytes};
    EditWriteOutcome written = WriteEditedWorkout(file, document, fileSystem, context.backups);
    if (!written.written) {
        SaveOutcome outcome = Refused(*written.message);
        outcome.sourceChanged = written.sourceChanged;
        return outcome;
    }
    SaveOutcome outcome = Written(std::move(document), plan.latestFile, std::move(written.message));
    outcome.bytes = std::move(written.bytes);
    return outcome;
}

} // namespace

void RewrittenFields::applyTo(EntryFields& fields) const
{
    for (const auto& [field, text] : {std::pair{&fields.distance, &distance}, std::pair{&fields.hours, &hours},
             std::pair{&fields.minutes, &minutes}, std::pair{&fields.seconds, &seconds}})
        if (*text)
            *field = **text;
}

EntryCheck CheckEntries(const SaveEntries& entries, const QLocale& locale)
{
    EntryCheck check{SaveMessage{}, {}};
    check.result = CheckFields(entries, locale, check.rewritten);
    return check;
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

namespace {
SaveOutcome Save(SaveEntries& entries, const SaveContext& context, RewrittenFields& rewritten);
} // namespace

SaveOutcome SaveWorkout(const SaveEntries& typed, const SaveContext& context)
{
    SaveEntries entries = typed;
    RewrittenFields rewritten;
    SaveOutcome outcome = Save(entries, context, rewritten);
    outcome.rewritten = std::move(rewritten);
    return outcome;
}

namespace {

SaveOutcome Save(SaveEntries& entries, const SaveContext& context, RewrittenFields& rewritten)
{
    auto plan = CheckSave(entries, context, rewritten);
    if (auto* refused = std::get_if<SaveMessage>(&plan))
        return Refused(*refused);
    const SavePlan& checkedPlan = std::get<SavePlan>(plan);
    auto values = ComposeValues(entries, checkedPlan.checked, checkedPlan.adding,
        checkedPlan.adding ? KeptValues() : context.kept, checkedPlan.source(), *context.random, context.locale);
    if (auto* refused = std::get_if<SaveMessage>(&values))
        return Refused(*refused);
    XmlDocument document = ComposeDocument(checkedPlan.source(), std::get<WorkoutValues>(values),
        checkedPlan.adding ? checkedPlan.sensor : nullptr, DisplayPath(checkedPlan.editedFile));
    return WriteFiles(std::move(document), checkedPlan, entries, context);
}

} // namespace

} // namespace paceforge
