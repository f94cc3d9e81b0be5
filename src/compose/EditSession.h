#pragma once

#include "PacePreview.h"
#include "SaveMessage.h"
#include "SaveWorkout.h"

#include "platform/XmlDocument.h"
#include "store/WorkoutStore.h"
#include "templates/WorkoutLoader.h"

#include <QDate>
#include <QLocale>

#include <filesystem>
#include <optional>
#include <string>

namespace paceforge {

class Backups;
class FileSystem;
class RandomSource;

// The screen the entry panel saves from: a new workout from the template, or the workout chosen in
// the list. None until the window first switches.
enum class WorkoutMode { None, Add, Edit };

struct EditSessionServices {
    FileSystem& fileSystem;
    RandomSource& random;
    // Where a copy of every replaced file goes; none in tools that work on scratch stores.
    Backups* backups = nullptr;
    std::filesystem::path programFolder;
    QLocale locale;
};

enum class LoadStatus {
    // The catalogue has no such entry: nothing changes.
    NoEntry,
    // The file is no longer there: the drives must be scanned again.
    Vanished,
    // The file is there but is no workout that can be read: `unreadable` says why.
    Unreadable,
    Loaded,
};

struct LoadOutcome {
    LoadStatus status = LoadStatus::NoEntry;
    // What the entry fields show, in the units asked for.
    WorkoutEntries entries;
    SaveMessage unreadable;
};

// One editing session of the window: the chosen iPod's catalogue, the mode, the workout loaded
// from it with what the fields showed of it, and the save of what the fields hold now. The window
// only shows what this returns; every rule of loading and saving is here.
class EditSession
{
public:
    explicit EditSession(EditSessionServices services);

    WorkoutMode mode() const { return m_mode; }
    void setMode(WorkoutMode mode) { m_mode = mode; }

    // The chosen iPod's catalogue, which the history window shares.
    WorkoutStore& store() { return m_store; }
    const WorkoutStore& store() const { return m_store; }
    const iPodRecord& currentIPod() const { return m_store.ipod(); }
    // A rebuilt catalogue; the workout loaded keeps its indices, which may now name another file
    // or none, and the save checks them again.
    void setCatalogue(CatalogueBuild build) { m_store.replace(std::move(build)); }

    long long selectedSensorIndex() const { return m_sensorIndex; }
    long long selectedFileIndex() const { return m_fileIndex; }
    const std::optional<XmlDocument>& currentDocument() const { return m_document; }

    // Chooses the catalogue entry and reads its file: the fields to show, in miles or kilometres
    // and pounds or kilograms. The session remembers what they show, so that a save keeps every
    // recorded value whose field still shows it.
    LoadOutcome load(long long sensorIndex, long long fileIndex, bool miles, bool pounds);

    // The text of the distance or weight field once its unit is switched (nothing when it holds no
    // number). While the field shows what the switches made of the loaded value, a save keeps the
    // value as recorded: miles and back must not turn 9.6398 km into 9.6401.
    std::optional<QString> switchDistanceUnit(const QString& shown, bool toKilometres);
    std::optional<QString> switchWeightUnit(const QString& shown, bool toKilograms);

    // Saves what the fields hold; the outcome says what the checks put into fields.
    SaveOutcome save(const SaveEntries& entries, bool iPodSelected, QDate today);

    // The pace a save would write, per mile and per kilometre: a loaded workout whose distance and
    // time still show what was loaded keeps its recorded pace, which is what is shown then.
    std::optional<PacePreview> previewPace(const EntryFields& fields, bool miles) const;

private:
    KeptValues keptValues(const EntryFields& fields, bool miles, bool pounds) const;
    // The same value by the locale's rules, "5.0" and "5" alike; blank counts as 0, as in every conversion.
    bool SameNumber(const QString& a, const QString& b) const;

    EditSessionServices m_services;
    WorkoutMode m_mode = WorkoutMode::None;
    WorkoutStore m_store;
    long long m_sensorIndex = 0;
    long long m_fileIndex = 0;
    std::optional<XmlDocument> m_document;
    // The file m_document was read from (empty for a template's copy) and its bytes then.
    std::filesystem::path m_documentSource;
    std::string m_documentBytes;
    // What the fields showed of the loaded workout, and in which units.
    std::optional<EntryFields> m_shown;
    bool m_shownMiles = true;
    bool m_shownPounds = true;
    // The last file chosen that is not a readable workout; a save of it is refused for this reason.
    std::filesystem::path m_unreadableSource;
    std::optional<SaveMessage> m_unreadableReason;
};

} // namespace paceforge
