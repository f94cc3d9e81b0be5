// Arbitrary bytes as a workout file: when they load, the clean-up of the document a save writes, and
// of the file's own bytes, must load to the same tree, less every carriage return and tab.
#include "compose/FileCleanup.h"
#include "platform/XmlDocument.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace paceforge;

namespace {

bool IsRemoved(char c)
{
    return c == '\r' || c == '\t';
}

std::string Printable(std::string_view bytes)
{
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && c != '\\') {
            out += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
            out += escaped;
        }
    }
    return out;
}

[[noreturn]] void Fail(const char* what, std::string_view original, std::string_view cleaned)
{
    std::fprintf(
        stderr, "%s\noriginal: %s\ncleaned:  %s\n", what, Printable(original).c_str(), Printable(cleaned).c_str());
    std::abort();
}

// Whether `cleaned` is `original` less its CR and tab characters, where a run of them may have
// left one blank in its place: a line feed for a run with a CR, else a space.
bool LessRemoved(std::string_view original, std::string_view cleaned)
{
    // Every length of `cleaned` that the characters read so far can stand for.
    std::vector<std::size_t> reached{0}, next;
    for (std::size_t i = 0; i < original.size();) {
        next.clear();
        if (IsRemoved(original[i])) {
            bool carriageReturn = false;
            for (; i < original.size() && IsRemoved(original[i]); ++i)
                carriageReturn = carriageReturn || original[i] == '\r';
            const char blank = carriageReturn ? '\n' : ' ';
            for (const std::size_t j : reached) {
                next.push_back(j);
                if (j < cleaned.size() && cleaned[j] == blank)
                    next.push_back(j + 1);
            }
        } else {
            for (const std::size_t j : reached)
                if (j < cleaned.size() && cleaned[j] == original[i])
                    next.push_back(j + 1);
            ++i;
        }
        std::sort(next.begin(), next.end());
        next.erase(std::unique(next.begin(), next.end()), next.end());
        std::swap(reached, next);
        if (reached.empty())
            return false;
    }
    return std::find(reached.begin(), reached.end(), cleaned.size()) != reached.end();
}

bool OnlyXmlSpace(std::string_view text)
{
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// Text that the clean-up leaves out entirely, and white space beside the document element, which
// the tree of a document does not hold.
bool Dropped(pugi::xml_node node, bool topLevel, bool original)
{
    if (node.type() != pugi::node_pcdata)
        return false;
    const std::string_view text = node.value();
    if (topLevel)
        return OnlyXmlSpace(text);
    return original && std::all_of(text.begin(), text.end(), IsRemoved);
}

pugi::xml_node Kept(pugi::xml_node node, bool topLevel, bool original)
{
    while (node && Dropped(node, topLevel, original))
        node = node.next_sibling();
    return node;
}

// Where the trees part, or nothing.
const char* Difference(pugi::xml_node original, pugi::xml_node cleaned, bool topLevel)
{
    pugi::xml_node a = Kept(original.first_child(), topLevel, true);
    pugi::xml_node b = Kept(cleaned.first_child(), topLevel, false);
    for (; a && b; a = Kept(a.next_sibling(), topLevel, true), b = Kept(b.next_sibling(), topLevel, false)) {
        if (a.type() != b.type())
            return "a node of another kind";
        if (!LessRemoved(a.name(), b.name()) || !LessRemoved(a.value(), b.value()))
            return "a name or text changed beyond the removed characters";
        pugi::xml_attribute x = a.first_attribute(), y = b.first_attribute();
        for (; x && y; x = x.next_attribute(), y = y.next_attribute())
            if (!LessRemoved(x.name(), y.name()) || !LessRemoved(x.value(), y.value()))
                return "an attribute changed beyond the removed characters";
        if (x || y)
            return "another number of attributes";
        if (const char* below = Difference(a, b, false))
            return below;
    }
    return a || b ? "another number of nodes" : nullptr;
}

void Check(const XmlDocument& document, std::string_view input, const std::string& cleaned, std::string_view text)
{
    const XmlDocument reloaded = XmlDocument::fromBytes(cleaned);
    if (!reloaded.hasDocumentElement())
        Fail("the cleaned bytes no longer load", input, cleaned);
    if (const char* difference = Difference(document.document(), reloaded.document(), true))
        Fail(difference, input, cleaned);
    const std::string_view body = text.substr(0, text.size() - 2);
    if (!text.ends_with("\r\n") || std::any_of(body.begin(), body.end(), IsRemoved))
        Fail("a carriage return or tab is left", input, cleaned);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const XmlDocument document = XmlDocument::fromBytes(bytes);
    if (!document.hasDocumentElement())
        return 0;

    // What a save writes: the document's own text, cleaned in its encoding, to be read as the text
    // it came from (which the document target checks against the file).
    const XmlDocument written = XmlDocument::fromBytes(document.toBytes());
    if (written.hasDocumentElement())
        Check(written, bytes, CleanedBytes(document), CleanedBytes(document.toText()));

    // The file's bytes as they are, where each character of CR or tab is that one byte.
    if (document.encoded("a<").ends_with("a<")) {
        const std::string raw = CleanedBytes(bytes);
        Check(document, bytes, raw, raw);
    }
    return 0;
}
