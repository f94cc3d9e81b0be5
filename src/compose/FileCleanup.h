#pragma once

#include "platform/FileSystem.h"
#include "platform/Result.h"
#include "platform/XmlDocument.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace paceforge {

// The bytes with every carriage return and tab removed and one CR LF appended; all other bytes,
// 128 to 255 included, stay exactly as they were. Where leaving a run of them out would change what
// the document says (join two words of markup, make an end mark inside a comment, a CDATA section,
// an instruction or the document type, or change how the file's encoding is found), one blank stands
// for it: a line feed where the run held a CR, else a space.
std::string CleanedBytes(std::string_view bytes);
// The document's bytes cleaned in the same way, character by character in the file's own
// encoding, so that a UTF-16 workout stays UTF-16.
std::string CleanedBytes(const XmlDocument& document);

// The bytes of an existing workout's document cleaned as an edit writes them: the same, but that the
// file ends as it ended when it was read. A device file has no CR LF at its end, and gets none; one
// a save wrote keeps the one it has, rather than gain a line feed at every save.
std::string CleanedBytesEndingAsRead(const XmlDocument& document);

// Rewrites the file with its cleaned bytes; a failure leaves the file as it was.
Result Cleanupfile(const std::filesystem::path& file, FileSystem& fileSystem);

} // namespace paceforge
