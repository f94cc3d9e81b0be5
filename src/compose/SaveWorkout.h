#pragma once

#include "SaveMessage.h"

#include "platform/XmlDocument.h"
#include "store/Records.h"
#include "workout/Decimal.h"
#include "workout/EntryFields.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <filesystem>
#include <optional>
#include <string>
#include <variant>

namespace paceforge {

class Backups;
class FileSystem;
class RandomSource;

// What the entry panel holds when Save is pressed.
struct SaveEntries : EntryFields {
    bool miles = true;
    bool pounds = true;
    QDate date;
    QTime time;
};

// What the checks put into fields, which stays on screen whatever follows: a distance that is not
// there becomes "0.0", blank time fields "0".
struct RewrittenFields {
    std::optional<QString> distance;
    std::optional<QString> hours;
    std::optional<QString> minutes;
    std::optional<QString> seconds;

    void applyTo(EntryFields& fields) const;
};

// The recorded values an edit keeps, because their fields still show what was loaded (and in the
// units of then): an edit changes only what the user changed.
struct KeptValues {
    bool duration = false; // duration with its milliseconds, and its text
    bool distance = false; // distance and its unit, its text, the pace's unit, the series
    bool weight = false;
    bool calories = false;
};

struct SaveContext {
    // A new workout from the template, or the workout being edited.
    bool adding = false;
    KeptValues kept;
    bool iPodSelected = false;
    const iPodRecord* currentIPod = nullptr;
    long long selectedSensorIndex = 0;
    long long selectedFileIndex = 0;
    // The document being edited and the file it was read from. The save never changes it: it
    // composes into a copy, which the outcome hands back once the file is written.
    const XmlDocument* currentDocument = nullptr;
    std::filesystem::path currentDocumentSource;
    // The bytes it was read from: a file that changed since must not be overwritten.
    std::string currentDocumentBytes;
    // The last file chosen in the list that could not be read as a workout, and why; an edit of it
    // is refused with the same reason.
    std::filesystem::path unreadableSource;
    std::optional<SaveMessage> unreadableReason;
    std::filesystem::path programFolder;
    QDate today;
    QLocale locale;
    RandomSource* random = nullptr;
    FileSystem* fileSystem = nullptr;
    // Where a copy of every file goes before the save replaces or deletes it; none in tools that
    // work on scratch stores.
    Backups* backups = nullptr;
};

struct SaveOutcome {
    // A workout file was written; the window shows the saved panel and lists the iPod again.
    bool saved = false;
    RewrittenFields rewritten;
    // A critical box to show: why nothing was written, or what went wrong after a file was.
    std::optional<SaveMessage> message;
    // The document as written, which becomes the one being edited; only when a file was written.
    std::optional<XmlDocument> document;
    // The file it was written to, and the bytes it now holds.
    std::filesystem::path documentPath;
    std::string bytes;
    // The edited file changed or vanished on the iPod since it was loaded: the list and the
    // fields must be read again.
    bool sourceChanged = false;
};

// The whole save: every check first, then the values, then a copy of the document, then the files.
// Nothing on the iPod or in the window's document changes unless every check has passed, and
// every file is replaced only once its new bytes are complete.
SaveOutcome SaveWorkout(const SaveEntries& entries, const SaveContext& context);

// The stages of the save, open to whatever has to agree with it (the live pace line).

// The entries read as numbers, once the distance and time checks have passed.
struct CheckedEntries {
    Decimal distance;
    Decimal minutes;
    Decimal seconds;
    long long totalSeconds = 0;
    std::optional<Decimal> calories; // empty when the field is blank
    std::optional<Decimal> weight; // empty when the field is blank
};
struct EntryCheck {
    std::variant<CheckedEntries, SaveMessage> result;
    RewrittenFields rewritten;
};
EntryCheck CheckEntries(const SaveEntries& entries, const QLocale& locale);

// The distance as the document gets it.
struct DistanceFigures {
    std::string distanceText; // kilometres, "##########0.0000"
    Decimal kilometres; // the value of distanceText
    std::string kilometresCut; // for the stop snapshots
    Decimal paceMiles; // what the pace is worked out from
    std::string distanceString; // "5.00 mi"
};
DistanceFigures ComposeDistance(const CheckedEntries& checked, bool miles);

struct Pace {
    bool tooFast = false;
    std::string text; // "6:00"
};
// Minutes per unit of distance: seconds that round up to 60 carry into the minutes.
Pace PaceFor(long long totalSeconds, const Decimal& distance);
// The refusals that depend on the pace and the size of the distance.
std::optional<SaveMessage> PaceRefusal(long long totalSeconds, const DistanceFigures& distance, const Pace& pace);

} // namespace paceforge
