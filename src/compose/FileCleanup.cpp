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
    const RawPart* inside = nullptr;
    // Whole runs between the removed bytes, not byte by byte: this runs on every save.
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char stops[] = {'\r', '\t', inside ? inside->end.front() : '<', '\0'};
        const std::size_t at = bytes.find_first_of(stops, i);
        if (at == std::string_view::npos)
            break;
        if (!IsRemoved(bytes[at])) {
            const std::string_view rest = bytes.substr(at);
            i = at + 1;
            if (inside && rest.starts_with(inside->end)) {
                i = at + inside->end.size();
                inside = nullptr;
            } else if (!inside) {
                for (const RawPart& part : kRawParts)
                    if (rest.starts_with(part.open)) {
                        inside = &part;
                        i = at + part.open.size();
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
        if (inside && JoinMakes(cleaned, bytes.substr(end), inside->forbidden))
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
