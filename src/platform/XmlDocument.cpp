#include "XmlDocument.h"

#include "FileSystem.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstring>

namespace paceforge {
namespace {

// Entity references are left as written, line ends are left alone, and attribute white space is
// not normalised: what is not parsed cannot be rewritten differently. As a fragment, the white space
// around the top-level nodes is kept as text nodes, and so is any stray text there, which the
// parser would otherwise drop without a word.
constexpr unsigned kParseOptions = pugi::parse_fragment | pugi::parse_cdata | pugi::parse_comments | pugi::parse_doctype
    | pugi::parse_pi | pugi::parse_declaration | pugi::parse_ws_pcdata;
constexpr unsigned kFormatOptions = pugi::format_raw | pugi::format_no_empty_element_tags | pugi::format_no_escapes;

struct StringWriter final : pugi::xml_writer {
    std::string& out;
    explicit StringWriter(std::string& o) : out(o) { }
    void write(const void* data, std::size_t size) override { out.append(static_cast<const char*>(data), size); }
};

bool StartsWith(std::string_view bytes, std::initializer_list<unsigned char> prefix)
{
    if (bytes.size() < prefix.size())
        return false;
    return std::memcmp(bytes.data(), std::data(prefix), prefix.size()) == 0;
}

bool IsXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// One element at the top, and nothing but white space beside it; anything else is not a
// well-formed document, and a save would not give back what was read.
bool IsSingleRootDocument(const pugi::xml_document& document)
{
    int elements = 0;
    for (pugi::xml_node child : document.children()) {
        if (child.type() == pugi::node_element)
            ++elements;
        else if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            for (const char* c = child.value(); *c; ++c)
                if (!IsXmlSpace(*c))
                    return false;
        }
    }
    return elements == 1;
}

// The parser ends a declaration at its first "?>", which it overwrites with "/>" to read the
// declaration as a tag; one that the parser finds to end elsewhere, or to hold a ">" or content, is
// no declaration, and its "?>" would come back as "/>" wherever it stood.
bool DeclarationsEndAtTheirMark(const pugi::xml_document& document, std::string_view text)
{
    for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling()) {
        if (node.type() != pugi::node_declaration)
            continue;
        if (node.first_child())
            return false;
        for (pugi::xml_attribute attribute : node.attributes())
            if (std::strchr(attribute.value(), '>'))
                return false;
        const std::ptrdiff_t at = node.offset_debug();
        const std::size_t end = at < 0 ? std::string_view::npos : text.find("?>", static_cast<std::size_t>(at));
        const pugi::xml_node next = node.next_sibling();
        if (end == std::string_view::npos || (next && next.offset_debug() < static_cast<std::ptrdiff_t>(end + 2)))
            return false;
    }
    return true;
}

// The declaration of an 8-bit file may name Latin-1; everything else 8-bit is read as UTF-8.
bool DeclaresLatin1(std::string_view bytes)
{
    if (!bytes.starts_with("<?xml"))
        return false;
    const auto end = bytes.find("?>");
    const std::string_view declaration = bytes.substr(0, end == std::string_view::npos ? 0 : end);
    // The names searched for are ASCII, so folding ASCII letters is all the case-insensitivity
    // needed, without a copy or the C library's locale.
    const auto contains = [declaration](std::string_view lowerName) {
        for (std::size_t at = 0; at + lowerName.size() <= declaration.size(); ++at) {
            std::size_t i = 0;
            while (i < lowerName.size()) {
                char c = declaration[at + i];
                if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c - 'A' + 'a');
                if (c != lowerName[i])
                    break;
                ++i;
            }
            if (i == lowerName.size())
                return true;
        }
        return false;
    };
    return contains("iso-8859-1") || contains("latin1");
}

struct Detected {
    pugi::xml_encoding encoding = pugi::encoding_utf8;
    std::size_t bomSize = 0;
};

Detected DetectEncoding(std::string_view b)
{
    if (StartsWith(b, {0xEF, 0xBB, 0xBF}))
        return {pugi::encoding_utf8, 3};
    if (StartsWith(b, {0x00, 0x00, 0xFE, 0xFF}))
        return {pugi::encoding_utf32_be, 4};
    if (StartsWith(b, {0xFF, 0xFE, 0x00, 0x00}))
        return {pugi::encoding_utf32_le, 4};
    if (StartsWith(b, {0xFE, 0xFF}))
        return {pugi::encoding_utf16_be, 2};
    if (StartsWith(b, {0xFF, 0xFE}))
        return {pugi::encoding_utf16_le, 2};
    if (StartsWith(b, {0x00, 0x00, 0x00, 0x3C}))
        return {pugi::encoding_utf32_be, 0};
    if (StartsWith(b, {0x3C, 0x00, 0x00, 0x00}))
        return {pugi::encoding_utf32_le, 0};
    if (StartsWith(b, {0x00, 0x3C}))
        return {pugi::encoding_utf16_be, 0};
    if (StartsWith(b, {0x3C, 0x00}))
        return {pugi::encoding_utf16_le, 0};
    if (DeclaresLatin1(b))
        return {pugi::encoding_latin1, 0};
    return {};
}

std::optional<QStringConverter::Encoding> QtEncoding(pugi::xml_encoding e)
{
    switch (e) {
    case pugi::encoding_utf16_le:
        return QStringConverter::Utf16LE;
    case pugi::encoding_utf16_be:
        return QStringConverter::Utf16BE;
    case pugi::encoding_utf32_le:
        return QStringConverter::Utf32LE;
    case pugi::encoding_utf32_be:
        return QStringConverter::Utf32BE;
    case pugi::encoding_latin1:
        return QStringConverter::Latin1;
    default:
        return std::nullopt;
    }
}

std::string ToUtf8(std::string_view body, pugi::xml_encoding encoding)
{
    const auto qt = QtEncoding(encoding);
    if (!qt)
        return std::string(body);
    QStringDecoder decode(*qt, QStringConverter::Flag::Stateless);
    const QString text = decode(QByteArrayView(body.data(), static_cast<qsizetype>(body.size())));
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

std::string FromUtf8(const std::string& utf8, pugi::xml_encoding encoding)
{
    const auto qt = QtEncoding(encoding);
    if (!qt)
        return utf8;
    QStringEncoder encode(*qt, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encode(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::string ByteOrderMark(pugi::xml_encoding encoding)
{
    switch (encoding) {
    case pugi::encoding_utf8:
        return "\xEF\xBB\xBF";
    case pugi::encoding_utf16_le:
        return std::string("\xFF\xFE", 2);
    case pugi::encoding_utf16_be:
        return std::string("\xFE\xFF", 2);
    case pugi::encoding_utf32_le:
        return std::string("\xFF\xFE\x00\x00", 4);
    case pugi::encoding_utf32_be:
        return std::string("\x00\x00\xFE\xFF", 4);
    default:
        return {};
    }
}

// With escapes left unparsed every value is written back verbatim, so a double quote inside a
// value that was single-quoted in the file must become a reference, or the output would not be XML.
void QuoteSafeAttributes(pugi::xml_node root)
{
    for (pugi::xml_node node = root; node;) {
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
            if (std::strchr(a.value(), '"') == nullptr)
                continue;
            std::string v;
            for (const char* p = a.value(); *p; ++p)
                v += *p == '"' ? std::string("&quot;") : std::string(1, *p);
            a.set_value(v.c_str());
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && node != root && !node.next_sibling())
            node = node.parent();
        if (!node || node == root)
            break;
        node = node.next_sibling();
    }
}

template <typename Visit> void WalkBelow(pugi::xml_node root, Visit visit)
{
    // Each step asks pugixml once for each link it follows: these are calls into the library, and
    // the lookups of a workout's fields are walks like this one.
    pugi::xml_node node = root.first_child();
    while (node) {
        if (!visit(node))
            return;
        if (pugi::xml_node child = node.first_child()) {
            node = child;
            continue;
        }
        pugi::xml_node next = node.next_sibling();
        while (!next) {
            node = node.parent();
            if (!node || node == root)
                return;
            next = node.next_sibling();
        }
        node = next;
    }
}

// Without measuring the node's name first: most names differ in their first bytes.
bool NameIs(pugi::xml_node node, std::string_view name)
{
    const char* actual = node.name();
    for (const char c : name) {
        if (*actual == '\0' || *actual != c)
            return false;
        ++actual;
    }
    return *actual == '\0';
}

void AppendDecoded(std::string& out, std::string_view raw)
{
    std::size_t i = 0;
    while (i < raw.size()) {
        // Plain runs go over whole; a distance series is thousands of bytes without a reference.
        const std::size_t amp = raw.find('&', i);
        if (amp != i) {
            const std::size_t end = amp == std::string_view::npos ? raw.size() : amp;
            out.append(raw.data() + i, end - i);
            i = end;
            continue;
        }
        const char c = raw[i];
        const auto semi = raw.find(';', i);
        if (semi == std::string_view::npos || semi - i > 12) {
            out += c;
            ++i;
            continue;
        }
        const std::string_view name = raw.substr(i + 1, semi - i - 1);
        std::string replacement;
        if (name == "amp")
            replacement = "&";
        else if (name == "lt")
            replacement = "<";
        else if (name == "gt")
            replacement = ">";
        else if (name == "quot")
            replacement = "\"";
        else if (name == "apos")
            replacement = "'";
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const std::string digits(name.substr(hex ? 2 : 1));
            char* end = nullptr;
            const unsigned long code = digits.empty() ? 0 : std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
            if (!digits.empty() && end && *end == '\0' && code > 0 && code <= 0x10FFFF) {
                const QByteArray utf8 = QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1).toUtf8();
                replacement.assign(utf8.constData(), static_cast<std::size_t>(utf8.size()));
            }
        }
        if (replacement.empty()) {
            out += c;
            ++i;
            continue;
        }
        out += replacement;
        i = semi + 1;
    }
}

std::string Escaped(std::string_view text, bool attribute)
{
    std::string out;
    out.reserve(text.size());
    // Plain runs are copied whole: a distance series is thousands of bytes with nothing to escape.
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char* reference = c == '&' ? "&amp;"
            : c == '<'                   ? "&lt;"
            : c == '>'                   ? "&gt;"
            : c == '"' && attribute      ? "&quot;"
                                         : nullptr;
        if (!reference)
            continue;
        out.append(text.data() + start, i - start);
        out += reference;
        start = i + 1;
    }
    out.append(text.data() + start, text.size() - start);
    return out;
}

} // namespace

XmlDocument::XmlDocument() : m_doc(std::make_unique<pugi::xml_document>()) { }
XmlDocument::~XmlDocument() = default;
XmlDocument::XmlDocument(XmlDocument&&) noexcept = default;
XmlDocument& XmlDocument::operator=(XmlDocument&&) noexcept = default;

XmlDocument XmlDocument::fromFile(const std::filesystem::path& path)
{
    const auto bytes = ReadWholeFile(path);
    if (!bytes)
        return {};
    return fromBytes(*bytes);
}

XmlDocument XmlDocument::fromBytes(std::string_view bytes)
{
    XmlDocument result;
    const Detected detected = DetectEncoding(bytes);
    const std::string_view body = bytes.substr(detected.bomSize);
    const bool converted = QtEncoding(detected.encoding).has_value();
    const std::string utf8 = converted ? ToUtf8(body, detected.encoding) : std::string();
    const std::string_view text = converted ? std::string_view(utf8) : body;
    // XML has no NUL character, and the parser takes one for the end of the text: whatever
    // followed it would be missing from the next save. Nor can a document end in "<", which the
    // parser drops without a word when text comes before it.
    if (text.find('\0') != std::string_view::npos || text.ends_with('<'))
        return result;

    const pugi::xml_parse_result parsed
        = result.m_doc->load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
    if (!parsed || !IsSingleRootDocument(*result.m_doc) || !DeclarationsEndAtTheirMark(*result.m_doc, text)) {
        result.m_doc->reset();
        return result;
    }
    result.m_encoding = detected.encoding;
    result.m_byteOrderMark = detected.bomSize > 0;
    // Only a single-quoted value can hold a double quote; without an apostrophe anywhere there is
    // none, and the walk over every node was most of the time spent loading a workout.
    if (text.find('\'') != std::string_view::npos)
        QuoteSafeAttributes(*result.m_doc);
    return result;
}

XmlDocument XmlDocument::clone() const
{
    XmlDocument copy;
    copy.m_doc->reset(*m_doc);
    copy.m_encoding = m_encoding;
    copy.m_byteOrderMark = m_byteOrderMark;
    return copy;
}

bool XmlDocument::hasDocumentElement() const
{
    return static_cast<bool>(m_doc->document_element());
}

pugi::xml_node XmlDocument::documentElement() const
{
    return m_doc->document_element();
}

pugi::xml_node XmlDocument::document() const
{
    return *m_doc;
}

std::string XmlDocument::toBytes() const
{
    return encoded(toText());
}

std::string XmlDocument::toText() const
{
    std::string utf8;
    StringWriter writer(utf8);
    m_doc->save(writer, "", kFormatOptions | pugi::format_no_declaration, pugi::encoding_utf8);
    return utf8;
}

std::string XmlDocument::encoded(std::string_view text) const
{
    std::string out = m_byteOrderMark ? ByteOrderMark(m_encoding) : std::string();
    out += FromUtf8(std::string(text), m_encoding);
    return out;
}

pugi::xml_node ChildElement(pugi::xml_node node, std::string_view name)
{
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element && NameIs(child, name))
            return child;
    return {};
}

pugi::xml_node FirstDescendant(pugi::xml_node node, std::string_view name)
{
    pugi::xml_node found;
    WalkBelow(node, [&](pugi::xml_node n) {
        if (n.type() == pugi::node_element && NameIs(n, name)) {
            found = n;
            return false;
        }
        return true;
    });
    return found;
}

void FirstDescendants(pugi::xml_node node, std::span<const std::string_view> names, std::span<pugi::xml_node> found)
{
    const std::size_t count = std::min(names.size(), found.size());
    std::fill(found.begin(), found.end(), pugi::xml_node());
    std::size_t missing = count;
    if (missing == 0)
        return;
    WalkBelow(node, [&](pugi::xml_node n) {
        if (n.type() != pugi::node_element)
            return true;
        for (std::size_t i = 0; i < count; ++i) {
            if (!found[i] && NameIs(n, names[i])) {
                found[i] = n;
                --missing;
            }
        }
        return missing > 0;
    });
}

std::string NodeText(pugi::xml_node node)
{
    std::string text;
    if (node.type() == pugi::node_pcdata) {
        AppendDecoded(text, node.value());
        return text;
    }
    if (node.type() == pugi::node_cdata)
        return node.value();
    WalkBelow(node, [&](pugi::xml_node n) {
        if (n.type() == pugi::node_pcdata)
            AppendDecoded(text, n.value());
        else if (n.type() == pugi::node_cdata)
            text += n.value();
        return true;
    });
    return text;
}

void SetNodeText(pugi::xml_node node, std::string_view text)
{
    if (!node)
        return;
    const std::string escaped = Escaped(text, false);
    pugi::xml_node first = node.first_child();
    if (first && first.type() == pugi::node_pcdata && !first.next_sibling()) {
        first.set_value(escaped.c_str());
        return;
    }
    node.remove_children();
    if (!escaped.empty())
        node.append_child(pugi::node_pcdata).set_value(escaped.c_str());
}

std::string AttributeText(pugi::xml_attribute attribute)
{
    std::string text;
    AppendDecoded(text, attribute.value());
    return text;
}

void SetAttributeText(pugi::xml_attribute attribute, std::string_view text)
{
    if (attribute)
        attribute.set_value(Escaped(text, true).c_str());
}

std::string_view TrimmedXmlSpace(std::string_view text)
{
    while (!text.empty() && IsXmlSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsXmlSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace paceforge
