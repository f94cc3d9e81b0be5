#pragma once

#include "platform/XmlDocument.h"
#include "store/Records.h"
#include "workout/EntryFields.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <filesystem>
#include <optional>

namespace paceforge {

class FileSystem;
class RandomSource;

// What the entry panel holds when Save is pressed. The checks rewrite some of it (a distance that
// is not there becomes "0.0", blank time fields "0"), and those changes stay on screen.
struct SaveEntries : EntryFields {
    bool miles = true;
    bool pounds = true;
    QDate date;
    QTime time;
};

struct SaveContext {
    // Exactly "Add" saves a new workout from the template; anything else the workout being edited.
    QString workoutMode;
    bool iPodSelected = false;
    const iPodRecord* currentIPod = nullptr;
    long long selectedSensorIndex = 0;
    long long selectedFileIndex = 0;
    // The document being edited and the file it was read from.
    XmlDocument* currentDocument = nullptr;
    std::filesystem::path currentDocumentSource;
    std::filesystem::path programFolder;
    QDate today;
    QLocale locale;
    RandomSource* random = nullptr;
    FileSystem* fileSystem = nullptr;
};

struct SaveMessage {
    QString title;
    QString text;
};

struct SaveOutcome {
    // A workout file was written; the window shows the saved panel and lists the iPod again.
    bool saved = false;
    // A critical box to show: why nothing was written, or what went wrong after a file was.
    std::optional<SaveMessage> message;
    // In "Add" mode the fresh template copy, which becomes the document being composed once loaded.
    std::optional<XmlDocument> templateDocument;
};

// The whole save: every check first, then the values into the document, then the files.
// Nothing on the iPod changes unless every check has passed, and every file is replaced only
// once its new bytes are complete.
SaveOutcome SaveWorkout(SaveEntries& entries, const SaveContext& context);

} // namespace paceforge
