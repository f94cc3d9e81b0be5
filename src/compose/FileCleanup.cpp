#include "FileCleanup.h"

#include <algorithm>
#include <utility>

namespace paceforge {

namespace {

// Where the scan stands. Comments, CDATA sections, instructions and the ignored sections of a
// document type run raw up to their end mark; tags, the XML declaration and the document type
// are markup, whose quoted values may hold anything but their quote.
enum class Where { Text, Tag, Quoted, Comment, CData, Instruction, Declaration, DocumentType, Ignored };

bool IsRemoved(char c)
{
    return c == '\r' || c == '\t';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\n' || IsRemoved(c);
}

char FoldedAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameFolded(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return FoldedAscii(x) == y; });
}

// Whether the two kept sides of a removed run, joined, would hold `mark` across the join; a mark
// in lower case stands for itself in any letter case where `anyCase` says so.
bool JoinMakes(std::string_view kept, std::string_view rest, std::string_view mark, bool anyCase = false)
{
    for (std::size_t before = 1; before < mark.size(); ++before) {
        const std::size_t after = mark.size() - before;
        if (kept.size() < before || rest.size() < after)
            continue;
        const std::string_view left = kept.substr(kept.size() - before), right = rest.substr(0, after);
        if (anyCase ? SameFolded(left, mark.substr(0, before)) && SameFolded(right, mark.substr(before))
                    : left == mark.substr(0, before) && right == mark.substr(before))
            return true;
    }
    return false;
}

// Markup needs white space between two words ("<a b=", "\"1\" c=", "<!ENTITY e", "<?pi data"),
// and none beside these signs.
bool JoinMergesWords(std::string_view kept, std::string_view rest)
{
    const auto inWord
        = [](char c) { return !IsBlank(c) && std::string_view("<>=/?!()|,[]").find(c) == std::string_view::npos; };
    return !kept.empty() && !rest.empty() && inWord(kept.back()) && inWord(rest.front());
}

// The parser takes an instruction whose target is "xml" in any letter case for the declaration.
bool OpensDeclaration(std::string_view rest)
{
    return rest.size() > 5 && SameFolded(rest.substr(2, 3), "xml") && (IsBlank(rest[5]) || rest[5] == '?');
}

class Scan
{
public:
    // The kept bytes the scan must look at next.
    std::string_view stops() const
    {
        switch (m_where) {
        case Where::Text:
            return "\r\t<";
        case Where::Tag:
            return "\r\t>\"'";
        case Where::Quoted:
            return m_quote == '"' ? "\r\t\"" : "\r\t'";
        case Where::Comment:
            return "\r\t-";
        case Where::CData:
            return "\r\t]";
        case Where::Instruction:
            return m_target ? "\r\t? \n" : "\r\t?";
        case Where::Declaration:
            return "\r\t?\"'";
        case Where::DocumentType:
            return "\r\t<>\"'";
        case Where::Ignored:
            return "\r\t<]";
        }
        return "\r\t";
    }

    // Moves over the kept byte at `at`, one of stops(); returns where the scan goes on.
    std::size_t step(std::string_view bytes, std::size_t at)
    {
        const std::string_view rest = bytes.substr(at);
        const char c = rest.front();
        switch (m_where) {
        case Where::Text:
            if (rest.starts_with("<!--"))
                return enter(Where::Comment, at + 4);
            if (rest.starts_with("<![CDATA["))
                return enter(Where::CData, at + 9);
            if (rest.starts_with("<!DOCTYPE")) {
                m_declarations = 0;
                return enter(Where::DocumentType, at + 9);
            }
            if (rest.starts_with("<?")) {
                const bool declaration = OpensDeclaration(rest);
                // XmlDocument looks for the name of Latin-1 up to the first "?>" of a text that opens
                // with "<?xml": no removal may make one there.
                if (at == 0 && rest.starts_with("<?xml"))
                    m_encodingEnd = std::min(bytes.find("?>", at + 2), bytes.size());
                m_target = !declaration;
                return enter(declaration ? Where::Declaration : Where::Instruction, at + 2);
            }
            return enter(Where::Tag, at + 1);
        case Where::Tag:
        case Where::Declaration:
        case Where::DocumentType:
            if (c == '"' || c == '\'') {
                m_quote = c;
                m_quoted = m_where;
                return enter(Where::Quoted, at + 1);
            }
            if (m_where == Where::Tag)
                return enter(Where::Text, at + 1);
            if (m_where == Where::Declaration)
                return rest.starts_with("?>") ? enter(Where::Text, at + 2) : at + 1;
            return documentTypeStep(rest, at);
        case Where::Quoted:
            return enter(m_quoted, at + 1);
        case Where::Comment:
            return rest.starts_with("-->") ? enter(m_outer, at + 3) : at + 1;
        case Where::CData:
            return rest.starts_with("]]>") ? enter(Where::Text, at + 3) : at + 1;
        case Where::Instruction:
            if (rest.starts_with("?>"))
                return enter(m_outer, at + 2);
            if (c != '?')
                m_target = false;
            return at + 1;
        case Where::Ignored:
            if (rest.starts_with("<![")) {
                ++m_ignored;
                return at + 3;
            }
            if (!rest.starts_with("]]>"))
                return at + 1;
            if (m_ignored-- == 0)
                return enter(Where::DocumentType, at + 3);
            return at + 3;
        }
        return at + 1;
    }

    // Whether the removed run from `at` must stand as one blank between the bytes kept so far and
    // the rest, because leaving it out would change what the document says.
    bool runStays(std::string_view kept, std::string_view rest, std::size_t at)
    {
        const bool target = std::exchange(m_target, false);
        // A declaration at the very start names the encoding; after a blank it does not.
        if (kept.empty())
            return rest.starts_with("<?xml");
        if (at < m_encodingEnd && (JoinMakes(kept, rest, "iso-8859-1", true) || JoinMakes(kept, rest, "latin1", true)))
            return true;
        switch (m_where) {
        case Where::Text:
        case Where::Quoted:
            return false;
        case Where::Tag:
        case Where::Declaration:
            return JoinMergesWords(kept, rest);
        case Where::DocumentType:
            return JoinMergesWords(kept, rest) || JoinMakes(kept, rest, "<![") || JoinMakes(kept, rest, "<!-");
        case Where::Comment:
            return JoinMakes(kept, rest, "--") || JoinMakes(kept, rest, "-->");
        case Where::CData:
            return JoinMakes(kept, rest, "]]>");
        case Where::Instruction:
            // The target ends at white space or at "?>", whatever follows it.
            return (target && !rest.empty() && !IsBlank(rest.front()) && !rest.starts_with("?>"))
                || JoinMakes(kept, rest, "?>");
        case Where::Ignored:
            return JoinMakes(kept, rest, "<![") || JoinMakes(kept, rest, "]]>");
        }
        return false;
    }

private:
    std::size_t enter(Where where, std::size_t next)
    {
        if (where == Where::Comment || where == Where::Instruction || where == Where::Ignored)
            m_outer = m_where;
        if (where != Where::Instruction)
            m_target = false;
        m_where = where;
        return next;
    }

    // Inside the document type the parser counts markup declarations ("<!ELEMENT ...>"), and the
    // ">" that closes none of them closes the document type.
    std::size_t documentTypeStep(std::string_view rest, std::size_t at)
    {
        if (rest.front() == '>') {
            if (m_declarations == 0)
                return enter(Where::Text, at + 1);
            --m_declarations;
            return at + 1;
        }
        if (rest.starts_with("<!--"))
            return enter(Where::Comment, at + 4);
        if (rest.starts_with("<?")) {
            m_target = true;
            return enter(Where::Instruction, at + 2);
        }
        if (rest.starts_with("<![")) {
            m_ignored = 0;
            return enter(Where::Ignored, at + 3);
        }
        if (rest.starts_with("<!")) {
            ++m_declarations;
            return at + 2;
        }
        return at + 1;
    }

    Where m_where = Where::Text;
    // What a comment, an instruction or an ignored section returns to: the text or the document type.
    Where m_outer = Where::Text;
    // What a quoted value returns to.
    Where m_quoted = Where::Tag;
    char m_quote = 0;
    // In an instruction's target, which a removed run separates from the data.
    bool m_target = false;
    std::size_t m_encodingEnd = 0;
    int m_declarations = 0;
    int m_ignored = 0;
};

} // namespace

std::string CleanedBytes(std::string_view bytes)
{
    std::string cleaned;
    cleaned.reserve(bytes.size() + 2);
    Scan scan;
    // Whole runs between the removed bytes, not byte by byte: this runs on every save.
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t at = bytes.find_first_of(scan.stops(), i);
        if (at == std::string_view::npos)
            break;
        if (!IsRemoved(bytes[at])) {
            i = scan.step(bytes, at);
            continue;
        }
        cleaned.append(bytes.data() + start, at - start);
        std::size_t end = at;
        bool carriageReturn = false;
        for (; end < bytes.size() && IsRemoved(bytes[end]); ++end)
            carriageReturn = carriageReturn || bytes[end] == '\r';
        // A parser reads a lone CR as a line feed, so that is what stands in for the run there.
        if (scan.runStays(cleaned, bytes.substr(end), at))
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

std::string CleanedBytesEndingAsRead(const XmlDocument& document)
{
    const std::string text = document.toText();
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    const std::size_t bodySize = end == std::string::npos ? text.size() : end + 1;
    std::string cleaned = CleanedBytes(std::string_view(text).substr(0, bodySize));
    cleaned.resize(cleaned.size() - 2);
    std::string_view trailer = std::string_view(text).substr(bodySize);
    const bool lineEnd = trailer.ends_with("\r\n");
    if (lineEnd)
        trailer.remove_suffix(2);
    for (const char c : trailer)
        if (c != '\r' && c != '\t')
            cleaned += c;
    if (lineEnd)
        cleaned += "\r\n";
    return document.encoded(cleaned);
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
