#include "EditWrite.h"

#include "Backups.h"
#include "FileCleanup.h"

#include "platform/FileSystem.h"
#include "workout/WorkoutSummary.h"

#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

SaveMessage Message(const char16_t* title, const QString& text)
{
    return {QString::fromUtf16(title), text};
}

EditWriteOutcome Refused(SaveMessage message, bool sourceChanged = false)
{
    EditWriteOutcome outcome;
    outcome.message = std::move(message);
    outcome.sourceChanged = sourceChanged;
    return outcome;
}

// Whether the two texts are the same once the clean-up's characters are gone; inside comments,
// instructions and the document type it may put a line feed or a blank where it removed a run, so
// those are set aside there too. Compared in place: this runs on every node of every save.
bool SameLess(std::string_view a, std::string_view b, std::string_view removed)
{
    if (a == b)
        return true;
    std::size_t i = 0;
    std::size_t j = 0;
    while (true) {
        while (i < a.size() && removed.find(a[i]) != std::string_view::npos)
            ++i;
        while (j < b.size() && removed.find(b[j]) != std::string_view::npos)
            ++j;
        if (i == a.size() || j == b.size())
            return i == a.size() && j == b.size();
        if (a[i++] != b[j++])
            return false;
    }
}

bool SameNode(pugi::xml_node a, pugi::xml_node b)
{
    if (a.type() != b.type())
        return false;
    const bool raw = a.type() == pugi::node_comment || a.type() == pugi::node_pi || a.type() == pugi::node_doctype
        || a.type() == pugi::node_declaration;
    const std::string_view removed = raw ? std::string_view("\r\t\n ") : std::string_view("\r\t");
    if (!SameLess(a.name(), b.name(), removed) || !SameLess(a.value(), b.value(), removed))
        return false;
    pugi::xml_attribute x = a.first_attribute();
    pugi::xml_attribute y = b.first_attribute();
    for (; x && y; x = x.next_attribute(), y = y.next_attribute())
        if (std::string_view(x.name()) != y.name() || !SameLess(x.value(), y.value(), removed))
            return false;
    return !x && !y;
}

// Text that is gone once the clean-up has been: an element emptied by the save holds an empty
// text node, which no parser makes of "<x></x>".
pugi::xml_node Kept(pugi::xml_node node)
{
    while (node && node.type() == pugi::node_pcdata && SameLess(node.value(), {}, "\r\t"))
        node = node.next_sibling();
    return node;
}

// Compares the two trees node by node without recursion: a hostile workout can nest deeply.
bool SameTree(pugi::xml_node a, pugi::xml_node b)
{
    std::vector<std::pair<pugi::xml_node, pugi::xml_node>> pending{{a, b}};
    while (!pending.empty()) {
        auto [x, y] = pending.back();
        pending.pop_back();
        if (!SameNode(x, y))
            return false;
        pugi::xml_node i = Kept(x.first_child());
        pugi::xml_node j = Kept(y.first_child());
        for (; i && j; i = Kept(i.next_sibling()), j = Kept(j.next_sibling()))
            pending.emplace_back(i, j);
        if (i || j)
            return false;
    }
    return true;
}

QString WorkoutChanged(const fs::path& source)
{
    return QStringLiteral("The workout file \"%1\" was changed on the iPod after Paceforge read it (by a sync, or "
                          "by another Paceforge window). Paceforge did not overwrite it and has read it again: "
                          "please make your change once more.")
        .arg(DisplayPath(source));
}

// The source must still hold what was loaded, and a different workout of its name in latest is
// never overwritten by the move out of synched.
std::optional<EditWriteOutcome> CheckFiles(const EditedFile& file, const FileSystem& fileSystem)
{
    const auto now = fileSystem.readFile(file.source);
    if (!now) {
        if (!fileSystem.fileExists(file.source))
            return Refused(Message(u"Workout Changed",
                               QStringLiteral("The workout file \"%1\" is no longer on the iPod: it was moved or "
                                              "deleted after Paceforge read it. Nothing was saved.")
                                   .arg(DisplayPath(file.source))),
                true);
        return Refused(Message(u"Save Failed", now.error() + QStringLiteral(" Nothing was saved.")));
    }
    if (now.value() != file.loadedBytes)
        return Refused(Message(u"Workout Changed", WorkoutChanged(file.source)), true);
    if (SameFile(fileSystem, file.source, file.target) || !fileSystem.fileExists(file.target))
        return std::nullopt;
    const auto there = fileSystem.readFile(file.target);
    if (there && there.value() == now.value())
        return std::nullopt;
    return Refused(Message(u"Workout Name Taken",
        QStringLiteral("The latest folder already holds a different workout named \"%1\". Paceforge did "
                       "not overwrite it; choose that workout in the list to change it.")
            .arg(DisplayPath(file.target.filename()))));
}

std::optional<SaveMessage> BackUp(const EditedFile& file, Backups& backups, const FileSystem& fileSystem)
{
    std::vector<std::pair<fs::path, bool>> replaced;
    if (fileSystem.fileExists(file.target))
        replaced.emplace_back(file.target, true);
    if (!SameFile(fileSystem, file.source, file.target))
        replaced.emplace_back(file.source, false);
    for (const auto& [path, inLatest] : replaced) {
        const auto copy = backups.backUp(path, file.volume, file.sensor, inLatest);
        if (!copy)
            return Message(
                u"Backup Failed", copy.error() + QStringLiteral(" The workout on the iPod was not changed."));
    }
    return std::nullopt;
}

} // namespace

bool LoadsBackAs(std::string_view cleanedBytes, const XmlDocument& document)
{
    const XmlDocument loaded = XmlDocument::fromBytes(cleanedBytes);
    if (!loaded.hasDocumentElement() || !document.hasDocumentElement())
        return false;
    // The top level, less the white space around the nodes: the clean-up ends every file with CR LF.
    const auto markup = [](pugi::xml_node node) {
        while (node && node.type() == pugi::node_pcdata)
            node = node.next_sibling();
        return node;
    };
    pugi::xml_node a = markup(loaded.document().first_child());
    pugi::xml_node b = markup(document.document().first_child());
    for (; a && b; a = markup(a.next_sibling()), b = markup(b.next_sibling()))
        if (!SameTree(a, b))
            return false;
    return !a && !b;
}

EditWriteOutcome WriteEditedWorkout(
    const EditedFile& file, const XmlDocument& document, FileSystem& fileSystem, Backups* backups)
{
    if (auto refused = CheckFiles(file, fileSystem))
        return *refused;
    const std::string bytes = CleanedBytesEndingAsRead(document);
    if (!LoadsBackAs(bytes, document))
        return Refused(Message(u"Save Refused",
            QStringLiteral("The changed workout would not read back as Paceforge composed it, so it was not "
                           "written. The workout file \"%1\" was not changed.")
                .arg(DisplayPath(file.source))));
    if (backups)
        if (auto refused = BackUp(file, *backups, fileSystem))
            return Refused(*refused);
    // What the target held, to put back when the edit cannot be finished; it can only be the
    // source's bytes, or nothing (CheckFiles).
    const bool targetExisted = fileSystem.fileExists(file.target);
    if (Result written = fileSystem.writeFileAtomic(file.target, bytes); !written)
        return Refused(Message(u"Save Failed", written.error() + QStringLiteral(" The workout file was not changed.")));

    EditWriteOutcome outcome;
    outcome.written = true;
    outcome.bytes = bytes;
    // The device's signature went with the change. Not being able to note it costs only a run
    // shown as signed that no longer is.
    if (backups && IsSignedWorkout(document))
        (void)backups->alteredSignatures().add(ContentHash(bytes));
    const auto readBack = fileSystem.readFile(file.target);
    if (!readBack || readBack.value() != bytes) {
        outcome.message = Message(u"Save Failed",
            QStringLiteral("Could not read back \"%1\" as it was written. The workout in \"%2\" was kept.")
                .arg(DisplayPath(file.target), DisplayPath(file.source)));
        return outcome;
    }
    // A synched folder that is a link to latest holds the file just written: deleting it would
    // delete the workout.
    if (fileSystem.fileExists(file.source) && !SameFile(fileSystem, file.source, file.target)) {
        Result removed = fileSystem.deleteFile(file.source);
        if (removed)
            return outcome;
        if (file.undoWhenSourceStays) {
            const Result undone = targetExisted ? fileSystem.writeFileAtomic(file.target, file.loadedBytes)
                                                : fileSystem.deleteFile(file.target);
            if (undone) {
                outcome.written = false;
                outcome.undone = true;
                outcome.bytes.clear();
                outcome.message = Message(u"Not Changed",
                    QStringLiteral("\"%1\" was not changed: its old copy could not be removed (%2), so the new "
                                   "version was taken back.")
                        .arg(DisplayPath(file.source), removed.error()));
                return outcome;
            }
        }
        outcome.message = Message(u"Old Copy Kept",
            removed.error()
                + QStringLiteral(" The changed workout was saved in the latest folder; the old copy is still "
                                 "in place."));
    }
    return outcome;
}

} // namespace paceforge
