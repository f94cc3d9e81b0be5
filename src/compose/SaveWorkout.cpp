#include "SaveWorkout.h"

#include "DistanceSeries.h"
#include "FileCleanup.h"
#include "FileTime.h"
#include "Random.h"

#include "platform/FileSystem.h"
#include "store/StopSnapshot.h"
#include "templates/DateRule.h"
#include "templates/TemplateWorkout.h"
#include "workout/DateForms.h"
#include "workout/Decimal.h"
#include "workout/Units.h"
#include "workout/WorkoutFormat.h"

#include <QStringList>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

constexpr long long kLongestWorkoutSeconds = 100LL * 3600;

SaveOutcome Refused(SaveOutcome outcome, const QString& title, const QString& text)
{
    outcome.message = SaveMessage{title, text};
    return outcome;
}

std::optional<Decimal> WholeNumber(const QString& text, const QLocale& locale)
{
    const auto value = ReadEntryNumber(text, locale);
    if (!value || value->isNegative() || !value->isInteger())
        return std::nullopt;
    return value;
}

// Entries go into the document as typed where that is already a plain number; in a locale that
// writes "72,5" the document still gets "72.5", which is all the device can read.
std::string DocumentNumberText(const QString& entry, const Decimal& value)
{
    const QString typed = entry.trimmed();
    for (QChar c : typed)
        if (!(c.isDigit() && c.unicode() < 128) && c != u'.' && c != u'-' && c != u'+')
            return value.toPlainString('.');
    return typed.toStdString();
}

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

struct Pace {
    bool tooFast = false;
    std::string text;
};

// Minutes per mile from whole seconds and a distance in miles, in exact arithmetic so that a pace
// on a rounding tie goes to the even second. Seconds that round up to 60 carry into the minutes.
Pace PaceFor(long long totalSeconds, const Decimal& miles)
{
    if (totalSeconds < 60)
        return {false, "0:00"};
    Int128 numerator = totalSeconds;
    for (int i = 0; i < miles.scale(); ++i)
        numerator *= 10;
    const Int128 denominator = 60 * miles.mantissa();
    Int128 minutes = numerator / denominator;
    const Int128 remainder = numerator % denominator;
    Int128 seconds = Decimal::fromParts(remainder, 0)
                         .dividedBy(Decimal::fromParts(miles.mantissa(), 0), 0, Decimal::Rounding::HalfEven)
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

QString Listed(const std::vector<QString>& names)
{
    return QStringList(names.begin(), names.end()).join(QStringLiteral(", "));
}

bool SameFile(const FileSystem& fileSystem, const fs::path& a, const fs::path& b)
{
    return NamesEqualIgnoringCase(
        fileSystem.resolve(a).value_or(a).string(), fileSystem.resolve(b).value_or(b).string());
}

} // namespace

SaveOutcome SaveWorkout(SaveEntries& entries, const SaveContext& context)
{
    SaveOutcome outcome;
    const bool adding = context.workoutMode == QStringLiteral("Add");
    const QLocale& locale = context.locale;
    FileSystem& fileSystem = *context.fileSystem;
    RandomSource& random = *context.random;

    // Checks. Nothing is written unless every one of them passes.
    if (!context.iPodSelected)
        return Refused(
            std::move(outcome), QStringLiteral("No iPods connected"), QStringLiteral("No iPods are available!"));

    if (entries.distance.trimmed().isEmpty() || Decimal::parseLeading(entries.distance, locale).isZero()) {
        entries.distance = QStringLiteral("0.0");
        return Refused(std::move(outcome), QStringLiteral("No Distance"), QStringLiteral("Please enter a distance!"));
    }

    for (QString* field : {&entries.hours, &entries.minutes, &entries.seconds})
        if (field->trimmed().isEmpty())
            *field = QStringLiteral("0");
    const auto hours = WholeNumber(entries.hours, locale);
    const auto minutes = WholeNumber(entries.minutes, locale);
    const auto seconds = WholeNumber(entries.seconds, locale);
    if (!hours || !minutes || !seconds)
        return Refused(std::move(outcome), QStringLiteral("Invalid Time"),
            QStringLiteral("Please enter the hours, minutes and seconds as whole numbers of zero or more!"));
    const Decimal totalDecimal = *hours * Decimal::fromInteger(3600) + *minutes * Decimal::fromInteger(60) + *seconds;
    if (totalDecimal > Decimal::fromInteger(kLongestWorkoutSeconds))
        return Refused(std::move(outcome), QStringLiteral("Invalid Time"),
            QStringLiteral("Please enter a workout of at most 100 hours!"));
    const auto totalSeconds = static_cast<long long>(totalDecimal.integerPart());
    if (totalSeconds == 0)
        return Refused(std::move(outcome), QStringLiteral("No Time"),
            QStringLiteral("Please enter the amount of time you worked out!"));

    const auto distance = ReadEntryNumber(entries.distance, locale);
    if (!distance || distance->isNegative())
        return Refused(std::move(outcome), QStringLiteral("Invalid Distance"),
            QStringLiteral("Please enter the distance as a number, for example 5 or 3%11!").arg(locale.decimalPoint()));
    const bool caloriesBlank = entries.calories.trimmed().isEmpty();
    const auto calories = caloriesBlank ? std::optional<Decimal>(Decimal()) : WholeNumber(entries.calories, locale);
    if (!calories)
        return Refused(std::move(outcome), QStringLiteral("Invalid Calories"),
            QStringLiteral("Please enter the calories as a whole number, or leave the field empty!"));
    const bool weightBlank = entries.weight.trimmed().isEmpty();
    const auto weight = ReadEntryNumber(entries.weight, locale);
    if (!weight || weight->isNegative())
        return Refused(std::move(outcome), QStringLiteral("Invalid Weight"),
            QStringLiteral("Please enter the weight as a number, or leave the field empty!"));

    const WorkoutFileEntry* edited = nullptr;
    const SensorFolder* editedSensor = nullptr;
    if (adding) {
        // The calendar keeps a date the date rule refused; the save must not take it silently.
        if (!WorkoutDateAllowed(context.today, entries.date))
            return Refused(std::move(outcome), kTooLateTitle, kTooLateText);
    } else {
        edited = FileAt(*context.currentIPod, context.selectedSensorIndex, context.selectedFileIndex);
        editedSensor = SensorAt(*context.currentIPod, context.selectedSensorIndex);
        if (!edited || !context.currentDocument || context.currentDocumentSource != edited->fullPath())
            return Refused(std::move(outcome), QStringLiteral("No Workout Selected"),
                QStringLiteral("Please choose the workout to change in the list of existing workouts, "
                               "then save again!"));
    }

    XmlDocument* document = context.currentDocument;
    if (adding) {
        auto fresh = LoadTemplateWorkout(context.programFolder);
        if (!fresh)
            return Refused(std::move(outcome), kMissingFileTitle, kMissingFileText);
        outcome.templateDocument = std::move(fresh);
        document = &*outcome.templateDocument;
    }
    if (const auto missing = MissingContent(*document, adding); !missing.empty()) {
        if (adding)
            return Refused(std::move(outcome), QStringLiteral("Damaged File"),
                QStringLiteral("The template workout \"%1\" lacks %2. Please reinstall Paceforge. "
                               "Nothing was saved.")
                    .arg(DisplayPath(TemplatePath(context.programFolder)), Listed(missing)));
        return Refused(std::move(outcome), QStringLiteral("Incomplete Workout"),
            QStringLiteral("The workout file \"%1\" lacks %2, so Paceforge cannot save changes to it. "
                           "The file was not changed.")
                .arg(DisplayPath(edited->fullPath()), Listed(missing)));
    }

    // Values, composed in the order in which the random draws are taken.
    const QDateTime start(entries.date, entries.time, Qt::LocalTime);
    const std::string startText = Utf8(StartTimeText(entries.date, entries.time));
    const std::string caloriesText = caloriesBlank ? "0" : DocumentNumberText(entries.calories, *calories);
    const std::string durationText = Utf8(DurationText(totalSeconds, random.Rand(15, 599)));
    const std::string durationString = Utf8(DurationString(entries.hours,
        static_cast<long long>(minutes->integerPart()), static_cast<long long>(seconds->integerPart()), locale));
    std::string walkBegin, walkEnd, runBegin, runEnd;
    if (adding) {
        const Decimal kilometresForSteps = entries.miles ? MilesToKilometres(*distance) : *distance;
        const Int128 feet = (KilometresToMiles(kilometresForSteps) * Decimal::fromInteger(5280))
                                .rounded(0, Decimal::Rounding::HalfEven)
                                .integerPart();
        const int walkStart = random.Rand(200, 1200);
        walkBegin = std::to_string(walkStart);
        walkEnd = Int128ToString(feet * 10 / 32 + walkStart + random.Rand(10, 100));
        const int runStart = random.Rand(200, 1200);
        runBegin = std::to_string(runStart);
        runEnd = Int128ToString(feet * 10 / 28 + runStart + random.Rand(10, 100));
    }
    const Decimal enteredKilometres = entries.miles ? MilesToKilometres(*distance) : *distance;
    const std::string distanceText = FormatDistancePattern(enteredKilometres);
    // The value of distanceText, rounded as the pattern rounds: the text can hold more digits than
    // a document number is read with (a 15-digit number of miles), and the checks that refuse
    // such a distance come later.
    const Decimal kilometres = enteredKilometres.rounded(4, Decimal::Rounding::HalfAwayFromZero);
    const std::string kilometresCut = KilometresCutText(kilometres);
    const Decimal paceMiles = entries.miles ? *distance : KilometresToMiles(*distance);
    const std::string distanceString = FormatMilesPattern(paceMiles) + " mi";
    if (totalSeconds >= 60 && paceMiles.isZero())
        return Refused(std::move(outcome), QStringLiteral("Distance Too Short"),
            QStringLiteral("The distance is too short to work out a pace. Please enter a longer distance!"));
    const Pace pace = PaceFor(totalSeconds, paceMiles);
    if (pace.tooFast)
        return Refused(std::move(outcome), QStringLiteral("You're too fast!"),
            QStringLiteral("The current highest supported pace is 4 Minutes, 1 Second per mile. Please "
                           "enter your data to fit this criteria!"));
    // Under a minute there is no pace to refuse a huge distance, and a document number of more
    // than 15 integer digits could never be read back.
    if (kilometres >= Decimal::fromInteger(1'000'000'000'000'000))
        return Refused(std::move(outcome), QStringLiteral("Distance Too Long"),
            QStringLiteral("The distance is too long for a workout file. Please enter a shorter distance!"));
    std::string weightText;
    if (entries.pounds)
        weightText = PoundsToKilograms(*weight).toPlainString('.');
    else if (!weightBlank)
        weightText = DocumentNumberText(entries.weight, *weight);

    const SensorFolder* target = nullptr;
    const WorkoutNodes nodes = FindWorkoutNodes(*document);
    if (adding) {
        for (const SensorFolder& sensor : context.currentIPod->sensors) {
            SetNodeText(nodes.empedID, sensor.name);
            if (!sensor.latestPath.empty() && fileSystem.folderExists(sensor.latestPath)) {
                target = &sensor;
                break;
            }
        }
        if (!target)
            return Refused(std::move(outcome), QStringLiteral("No Workout Folder"),
                QStringLiteral("The iPod holds no sensor folder with a latest folder, so there is nowhere "
                               "to put the workout. Nothing was saved."));
    }

    // The document. Only existing nodes get new text.
    if (adding) {
        SetNodeText(nodes.time, startText);
        SetNodeText(nodes.startTime, startText);
    }
    SetNodeText(nodes.calories, caloriesText);
    SetNodeText(nodes.duration, durationText);
    SetNodeText(nodes.durationString, durationString);
    if (adding) {
        SetNodeText(nodes.walkBegin, walkBegin);
        SetNodeText(nodes.walkEnd, walkEnd);
        SetNodeText(nodes.runBegin, runBegin);
        SetNodeText(nodes.runEnd, runEnd);
    }
    SetNodeText(nodes.distance, distanceText);
    SetAttributeText(nodes.distanceUnit, "km");
    SetNodeText(nodes.distanceString, distanceString);
    SetNodeText(nodes.pace, pace.text + " min/mi");
    SetNodeText(nodes.extendedData, DistanceSeries(nodes.extendedData, kilometres, totalSeconds));
    SetNodeText(nodes.weight, weightText);
    SetStopSnapshot(nodes.sportsData, durationText, kilometresCut);

    // The files, last. The bytes are cleaned before they are written, so the device never holds
    // a file that is not yet in its final form.
    const std::string bytes = CleanedBytes(*document);
    if (adding) {
        const std::string name = Utf8(WorkoutFileName(entries.date, entries.time));
        const fs::path synchedFile = target->synchedPath / name;
        if (Result written = fileSystem.writeFileAtomic(synchedFile, bytes); !written)
            return Refused(std::move(outcome), QStringLiteral("Save Failed"),
                written.error() + QStringLiteral(" Nothing was saved on the iPod."));
        outcome.saved = true;
        SetFileDateTime(synchedFile, start, fileSystem);
        if (Result copied = fileSystem.copyFile(synchedFile, target->latestPath / name); !copied)
            outcome.message = SaveMessage{QStringLiteral("Copy Failed"),
                copied.error() + QStringLiteral(" The workout was saved in the synched folder only.")};
        return outcome;
    }

    const fs::path source = edited->fullPath();
    const fs::path targetFile = editedSensor->latestPath / edited->fileName;
    // An edit from the synched folder moves the workout into latest. A copy of it may stand there
    // already; a different workout of the same name is never overwritten by the move.
    if (!SameFile(fileSystem, source, targetFile) && fileSystem.fileExists(targetFile)) {
        const auto there = fileSystem.readFile(targetFile);
        const auto original = fileSystem.readFile(source);
        if (!there || !original || there.value() != original.value())
            return Refused(std::move(outcome), QStringLiteral("Workout Name Taken"),
                QStringLiteral("The latest folder already holds a different workout named \"%1\". "
                               "Paceforge did not overwrite it; choose that workout in the list to "
                               "change it.")
                    .arg(QString::fromStdString(edited->fileName)));
    }
    if (Result written = fileSystem.writeFileAtomic(targetFile, bytes); !written)
        return Refused(std::move(outcome), QStringLiteral("Save Failed"),
            written.error() + QStringLiteral(" The workout file was not changed."));
    outcome.saved = true;
    const auto readBack = fileSystem.readFile(targetFile);
    if (!readBack || readBack.value() != bytes) {
        outcome.message = SaveMessage{QStringLiteral("Save Failed"),
            QStringLiteral("Could not read back \"%1\" as it was written. The workout in "
                           "\"%2\" was kept.")
                .arg(DisplayPath(targetFile), DisplayPath(source))};
        return outcome;
    }
    if (!SameFile(fileSystem, source, targetFile)) {
        if (Result removed = fileSystem.deleteFile(source); !removed)
            outcome.message = SaveMessage{QStringLiteral("Old Copy Kept"),
                removed.error()
                    + QStringLiteral(" The changed workout was saved in the latest folder; "
                                     "the old copy is still in place.")};
    }
    return outcome;
}

} // namespace paceforge
