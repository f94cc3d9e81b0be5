#pragma once

#include <pugixml.hpp>

#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace paceforge {

// A workout document held whole in memory.
//
// Loading and saving without a change gives back the bytes that were read: every node, attribute
// order, CDATA section, comment, entity reference, line end and the white space between and around
// the top-level nodes, in the file's own encoding and with its byte-order mark only when it had one.
// The newer firmware signs its files over their bytes, so anything less would break them.
// Forms that neither firmware writes come back normalised: <x/> as <x></x>, single-quoted
// attributes double-quoted, and extra blanks inside tags dropped.
//
// Texts are held as they stand in the file (entity references undecoded): read them with NodeText
// and AttributeText, write them with SetNodeText and SetAttributeText.
class XmlDocument
{
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(XmlDocument&&) noexcept;
    XmlDocument& operator=(XmlDocument&&) noexcept;

    // A missing, unreadable or not well-formed file gives a document without a document element.
    static XmlDocument fromFile(const std::filesystem::path& path);
    static XmlDocument fromBytes(std::string_view bytes);
    // A deep copy, so that a save can compose into it and keep the original until the file is written.
    XmlDocument clone() const;

    bool hasDocumentElement() const;
    pugi::xml_node documentElement() const;
    // The document node itself, for the bare-name lookup of the document element.
    pugi::xml_node document() const;

    std::string toBytes() const;
    // toBytes() is encoded(toText()). A change meant for characters, such as the clean-up's, goes
    // between the two: made on the bytes of a UTF-16 file it would cut characters in half.
    std::string toText() const;
    std::string encoded(std::string_view text) const;

private:
    std::unique_ptr<pugi::xml_document> m_doc;
    pugi::xml_encoding m_encoding = pugi::encoding_utf8;
    bool m_byteOrderMark = false;
};

// First child element of that name (exact, case-sensitive), or an empty node.
pugi::xml_node ChildElement(pugi::xml_node node, std::string_view name);
// First element of that name below the node in document order, or an empty node.
pugi::xml_node FirstDescendant(pugi::xml_node node, std::string_view name);
// FirstDescendant for each name, all found in one walk: found[i] is the element for names[i].
void FirstDescendants(pugi::xml_node node, std::span<const std::string_view> names, std::span<pugi::xml_node> found);
// All character data below the node, concatenated, with entity references resolved.
std::string NodeText(pugi::xml_node node);
// Replaces everything inside the element by the one text.
void SetNodeText(pugi::xml_node node, std::string_view text);
std::string AttributeText(pugi::xml_attribute attribute);
// The text without the white space XML allows around it (blanks, tabs, line ends).
std::string_view TrimmedXmlSpace(std::string_view text);
void SetAttributeText(pugi::xml_attribute attribute, std::string_view text);

} // namespace paceforge
