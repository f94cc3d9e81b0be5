#include "EditSession.h"

#include "platform/FileSystem.h"
#include "workout/RunFigures.h"
#include "workout/Units.h"
#include "workout/WorkoutFormat.h"

namespace paceforge {
namespace {

const QString kUnreadableTitle = QStringLiteral("Unreadable Workout");
// Past this a duration is damage; its pace would not fit the arithmetic.
constexpr long long kLongestRunMs = 1'000'000LL * 3600 * 1000;

// The recorded run's pace in that unit, by the rule every figure of the program follows, so that the
// window, the history and the exports show one pace for one run.
std::optional<std::string> RecordedPace(const XmlDocument& document, DistanceUnit unit)
{
    const WorkoutNodes nodes = FindWorkoutNodes(document);
    const auto ms = Decimal::parsePlain(TrimmedXmlSpace(NodeText(nodes.duration)));
    const auto distance = Decimal::parsePlain(TrimmedXmlSpace(NodeText(nodes.distance)));
    if (!ms || !distance || ms->isNegative() || *ms > Decimal::fromInteger(kLongestRunMs))
        return std::nullopt;
    const Decimal km = AttributeText(nodes.distanceUnit) == "mi" ? MilesToKilometres(*distance) : *distance;
    const auto seconds
        = PaceSeconds(static_cast<long long>(ms->rounded(0, Decimal::Rounding::HalfAwayFromZero).integerPart()), km, unit);
    if (!seconds)
        return std::nullopt;
    return ClockText(*seconds).toStdString();
}

} // namespace

EditSession::EditSession(EditSessionServices services) : m_services(std::move(services)) { }

LoadOutcome EditSession::load(long long sensorIndex, long long fileIndex, bool miles, bool pounds)
{
    m_sensorIndex = sensorIndex;
    m_fileIndex = fileIndex;
    LoadOutcome outcome;
    const StoredWorkout* entry = FileAt(m_store.ipod(), sensorIndex, fileIndex);
    if (!entry)
        return outcome;
    const std::filesystem::path path = entry->fullPath();
    FileSystem& fileSystem = m_services.fileSystem;
    // A file that reads is there; only a failed read asks whether the file vanished.
    auto bytes = fileSystem.readFile(path);
    if (!bytes && !fileSystem.fileExists(path)) {
        outcome.status = LoadStatus::Vanished;
        return outcome;
    }
    std::optional<XmlDocument> document;
    std::optional<WorkoutEntries> entries;
    if (bytes) {
        document = XmlDocument::fromBytes(bytes.value());
        if (document->hasDocumentElement())
            entries = ReadWorkoutEntries(*document, miles, pounds, m_services.locale);
    }
    if (!entries) {
        outcome.status = LoadStatus::Unreadable;
        outcome.unreadable = {kUnreadableTitle,
            bytes ? QStringLiteral("The file \"%1\" is not a readable workout, so Paceforge cannot show or change it.")
                        .arg(DisplayPath(path))
                  : bytes.error()};
        m_unreadableSource = path;
        m_unreadableReason = outcome.unreadable;
        return outcome;
    }
    m_document = std::move(document);
    m_documentSource = path;
    m_documentBytes = std::move(bytes).value();
    m_unreadableSource.clear();
    m_unreadableReason.reset();
    m_shown = static_cast<const EntryFields&>(*entries);
    m_shownMiles = miles;
    m_shownPounds = pounds;
    outcome.status = LoadStatus::Loaded;
    outcome.entries = std::move(*entries);
    return outcome;
}

std::optional<QString> EditSession::switchDistanceUnit(const QString& shown, bool toKilometres)
{
    auto converted = DistanceForUnit(shown, toKilometres, m_services.locale);
    if (converted && m_shown && m_shownMiles == toKilometres && SameNumber(shown, m_shown->distance)) {
        m_shown->distance = *converted;
        m_shownMiles = !toKilometres;
    }
    return converted;
}

std::optional<QString> EditSession::switchWeightUnit(const QString& shown, bool toKilograms)
{
    auto converted = WeightForUnit(shown, toKilograms, m_services.locale);
    if (converted && m_shown && m_shownPounds == toKilograms && SameNumber(shown, m_shown->weight)) {
        m_shown->weight = *converted;
        m_shownPounds = !toKilograms;
    }
    return converted;
}

bool EditSession::SameNumber(const QString& a, const QString& b) const
{
    if (a.trimmed() == b.trimmed())
        return true;
    const auto x = ReadEntryNumber(a, m_services.locale);
    const auto y = ReadEntryNumber(b, m_services.locale);
    return x && y && *x == *y;
}

KeptValues EditSession::keptValues(const EntryFields& fields, bool miles, bool pounds) const
{
    KeptValues kept;
    if (m_mode != WorkoutMode::Edit || !m_shown || !m_document)
        return kept;
    const EntryFields& shown = *m_shown;
    // Blank time fields read as 0, and the save writes "0" into them before this is asked.
    const auto sameTime = [](const QString& now, const QString& then) {
        return now.trimmed() == then.trimmed() || (now.trimmed() == QLatin1String("0") && then.trimmed().isEmpty());
    };
    kept.duration = sameTime(fields.hours, shown.hours) && sameTime(fields.minutes, shown.minutes)
        && sameTime(fields.seconds, shown.seconds);
    kept.distance = miles == m_shownMiles && SameNumber(fields.distance, shown.distance);
    kept.weight = pounds == m_shownPounds && SameNumber(fields.weight, shown.weight);
    kept.calories = fields.calories.trimmed() == shown.calories.trimmed();
    return kept;
}

SaveOutcome EditSession::save(const SaveEntries& typed, bool iPodSelected, QDate today)
{
    SaveContext context;
    context.adding = m_mode == WorkoutMode::Add;
    context.iPodSelected = iPodSelected;
    context.currentIPod = &m_store.ipod();
    context.selectedSensorIndex = m_sensorIndex;
    context.selectedFileIndex = m_fileIndex;
    context.currentDocument = m_document ? &*m_document : nullptr;
    context.currentDocumentSource = m_documentSource;
    context.currentDocumentBytes = m_documentBytes;
    context.unreadableSource = m_unreadableSource;
    context.unreadableReason = m_unreadableReason;
    context.programFolder = m_services.programFolder;
    context.today = today;
    context.locale = m_services.locale;
    context.random = &m_services.random;
    context.fileSystem = &m_services.fileSystem;
    context.backups = m_services.backups;
    // What the fields held when Save was pressed: the checks' own rewrites ("0" in a blank time
    // field) are no change of the user's.
    context.kept = keptValues(typed, typed.miles, typed.pounds);

    SaveOutcome outcome = SaveWorkout(typed, context);
    if (outcome.document) {
        m_document = std::move(outcome.document);
        // A new workout's document is the template's copy, not a file chosen in the list.
        m_documentSource = context.adding ? std::filesystem::path() : outcome.documentPath;
        m_documentBytes = std::move(outcome.bytes);
        m_shown.reset();
    }
    return outcome;
}

std::optional<PacePreview> EditSession::previewPace(const EntryFields& fields, bool miles) const
{
    const KeptValues kept = keptValues(fields, miles, m_shownPounds);
    if (kept.distance && kept.duration) {
        const auto perMile = RecordedPace(*m_document, DistanceUnit::Miles);
        const auto perKilometre = RecordedPace(*m_document, DistanceUnit::Kilometres);
        if (perMile || perKilometre)
            return RecordedPacePreview(fields, miles, m_services.locale, perMile, perKilometre);
    }
    return PreviewPace(fields, miles, m_services.locale);
}

} // namespace paceforge
