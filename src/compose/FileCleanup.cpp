#include "FileCleanup.h"

namespace paceforge {

namespace {

// The parts of a document whose text runs raw up to an end mark. Removing a byte inside one must
// not put together a mark that was not there ("?\r>" in an instruction, "-\t-" in a comment): the
// rest of the part would become markup, and the cleaned file would no longer load.
struct RawPart {
    std::string_view open;
    std::string_view end;
    // What must not come about inside the part: its end, or for a comment any "--".
    std::string_view forbidden;
};
constexpr RawPart kRawParts[] = {{"<!--", "-->", "--"}, {"<![CDATA[", "]]>", "]]>"}, {"<?", "?>", "?>"}};

bool IsRemoved(char c)
{
    return c == '\r' || c == '\t';
}

// Whether the two kept sides of a removed run, joined, would hold `mark` across the join.
bool JoinMakes(std::string_view kept, std::string_view rest, std::string_view mark)
{
    for (std::size_t before = 1; before < mark.size(); ++before) {
        const std::size_t after = mark.size() - before;
        if (kept.size() >= before && rest.size() >= after && kept.substr(kept.size() - before) == mark.substr(0, before)
            && rest.substr(0, after) == mark.substr(before))
            return true;
    }
    return false;
}

} // namespace

std::string CleanedBytes(std::string_view bytes)
{
    std::string cleaned;
    cleaned.reserve(bytes.size() + 2);
    // Where the scan stands: in text, in a raw part, or in a tag (and then perhaps in a quoted
    // value, which may hold anything but its quote, "<![CDATA[" included).
    const RawPart* part = nullptr;
    bool inTag = false;
    char quote = 0;
    // Whole runs between the removed bytes, not byte by byte: this runs on every save.
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        char partStops[] = {'\r', '\t', '\0', '\0'};
        const char* stops = "\r\t<";
        if (part) {
            partStops[2] = part->end.front();
            stops = partStops;
        } else if (quote) {
            stops = quote == '"' ? "\r\t\"" : "\r\t'";
        } else if (inTag) {
            stops = "\r\t>\"'";
        }
        const std::size_t at = bytes.find_first_of(stops, i);
        if (at == std::string_view::npos)
            break;
        const char c = bytes[at];
        if (!IsRemoved(c)) {
            const std::string_view rest = bytes.substr(at);
            i = at + 1;
            if (part) {
                if (rest.starts_with(part->end)) {
                    i = at + part->end.size();
                    part = nullptr;
                }
            } else if (quote) {
                quote = 0;
            } else if (inTag) {
                if (c == '>')
                    inTag = false;
                else
                    quote = c;
            } else {
                inTag = true;
                for (const RawPart& raw : kRawParts)
                    if (rest.starts_with(raw.open)) {
                        part = &raw;
                        inTag = false;
                        i = at + raw.open.size();
                        break;
                    }
            }
            continue;
        }
        cleaned.append(bytes.data() + start, at - start);
        std::size_t end = at;
        bool carriageReturn = false;
        for (; end < bytes.size() && IsRemoved(bytes[end]); ++end)
            carriageReturn = carriageReturn || bytes[end] == '\r';
        // A parser reads a lone CR as a line feed, so that is what stands in for the run there.
        if (part && JoinMakes(cleaned, bytes.substr(end), part->forbidden))
            cleaned += carriageReturn ? '\n' : ' ';
        start = i = end;
    }
    cleaned.append(bytes.data() + start, bytes.size() - start);
    cleaned += "\r\n";
    return cleaned;
}

std::string CleanedBytes(const XmlDocument& document)
{
    return document.encoded(CleanedBytes(document.toText()));
}

Result Cleanupfile(const std::filesystem::path& file, FileSystem& fileSystem)
{
    const Outcome<std::string> bytes = fileSystem.readFile(file);
    if (!bytes)
        return Result::failure(bytes.error());
    Result written = fileSystem.writeFileAtomic(file, CleanedBytes(bytes.value()));
    // The user must learn which file stayed as it was, whatever words the failure came with.
    if (!written && !written.error().contains(DisplayPath(file)))
        return Result::failure(QStringLiteral("Could not clean up \"%1\": %2").arg(DisplayPath(file), written.error()));
    return written;
}

} // namespace paceforge
