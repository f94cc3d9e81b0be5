#pragma once

#include "SaveMessage.h"

#include "platform/XmlDocument.h"

#include <QString>

#include <filesystem>
#include <optional>
#include <string>

namespace paceforge {

class Backups;
class FileSystem;

// A workout file being changed: where it was read from, what it held then, and where the change
// goes (the latest folder's file of its name, which it may already be).
struct EditedFile {
    // For the backups: the iPod's volume name and the sensor folder's name.
    QString volume;
    std::string sensor;
    std::filesystem::path source;
    std::filesystem::path target;
    // The bytes the document was read from: a file that no longer holds them was changed by
    // something else (a sync, a second window) and must not be overwritten.
    std::string loadedBytes;
    // When the source cannot be removed after the target was written, the target is put back as
    // it was: one run of many must never be left in two versions.
    bool undoWhenSourceStays = false;
};

struct EditWriteOutcome {
    // The target now holds the document; a message may still say what went wrong after that.
    bool written = false;
    // The source could not be removed, and the target was put back (undoWhenSourceStays).
    bool undone = false;
    std::optional<SaveMessage> message;
    // The source was found changed or gone: what the user sees of it must be read again.
    bool sourceChanged = false;
    // What the target holds now.
    std::string bytes;
};

// Writes the changed document of an existing workout. Refuses, before anything on the iPod changes,
// a source that changed or vanished since it was loaded, a different workout of the name in
// latest, and bytes that would not load back as this document. Then backs up each file it replaces
// or deletes (a backup that fails stops it), replaces the target atomically, reads it back, and
// only then deletes the source, when the source is another file than the target.
EditWriteOutcome WriteEditedWorkout(
    const EditedFile& file, const XmlDocument& document, FileSystem& fileSystem, Backups* backups);

// Whether cleaned bytes load back as the document they were made from: the same nodes, names,
// attributes and texts, less the carriage returns and tabs the clean-up removes.
bool LoadsBackAs(std::string_view cleanedBytes, const XmlDocument& document);

} // namespace paceforge
