#include "platform/XmlDocument.h"
#include "platform/FileSystem.h"
#include "TestCorpus.h"

#include <gtest/gtest.h>

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

const fs::path kDocuments = paceforge::test::kCorpusDocuments;

std::string Utf16LeWithBom(const QString& text)
{
    QStringEncoder encode(QStringConverter::Utf16LE);
    const QByteArray bytes = encode(text);
    return std::string("\xFF\xFE", 2) + bytes.toStdString();
}

std::string Deep(int levels, const std::string& leaf)
{
    std::string xml;
    for (int i = 0; i < levels; ++i)
        xml += "<a>";
    xml += leaf;
    for (int i = 0; i < levels; ++i)
        xml += "</a>";
    return xml;
}

TEST(XmlDocumentTest, FixturesRoundTripByteForByte)
{
    const auto files = paceforge::test::WellFormedCorpusDocuments();
    ASSERT_GE(files.size(), 10u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const auto bytes = ReadWholeFile(file);
        ASSERT_TRUE(bytes);
        const XmlDocument doc = XmlDocument::fromFile(file);
        ASSERT_TRUE(doc.hasDocumentElement());
        EXPECT_STREQ(doc.documentElement().name(), "sportsData");
        EXPECT_EQ(doc.toBytes(), *bytes);
    }
}

TEST(XmlDocumentTest, HandWrittenFormsRoundTrip)
{
    const std::string cases[] = {
        "<a>x</a>",
        "<?xml version=\"1.0\"?>\n<a>x</a>\n",
        "<?xml version=\"1.0\"?>\r\n<a>\r\n\t<b></b>\r\n</a>\r\n",
        "\n\n<a>x</a>\n\n",
        "<a><b></b><c>&amp;&#233;&#xE9;&lt;&quot;</c></a>",
        "<a z=\"1\" b=\"&amp;\" m=\"&#233;\"><b y=\"\" a=\"2\"></b></a>",
        "<!-- c -->\n<?pi data?>\n<a><![CDATA[x<y&amp;]]><!--in--><?p q?></a>\n<!--after-->",
        "<?xml version=\"1.0\"?>\n<!--<b>-->\n<a></a>\n",
        "\xEF\xBB\xBF<a>\xC3\xA9</a>\n",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<a>Z\xFCrich</a>",
        Utf16LeWithBom(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<a>Z\u00FCrich \U0001F3C3</a>")),
    };
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        const XmlDocument doc = XmlDocument::fromBytes(bytes);
        ASSERT_TRUE(doc.hasDocumentElement());
        EXPECT_EQ(doc.toBytes(), bytes);
    }
}

TEST(XmlDocumentTest, UnreadableInputHasNoDocumentElement)
{
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    const struct {
        const char* what;
        XmlDocument doc;
    } cases[] = {
        {"not xml", XmlDocument::fromFile(kDocuments / "not-xml.xml")},
        {"empty", XmlDocument::fromBytes("")},
        {"only a declaration", XmlDocument::fromBytes("<?xml version=\"1.0\"?>\n")},
        {"unclosed", XmlDocument::fromBytes("<a><b></a>")},
        {"missing file", XmlDocument::fromFile(folder / "missing.xml")},
        {"folder", XmlDocument::fromFile(folder)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(c.doc.hasDocumentElement());
        EXPECT_FALSE(ChildElement(c.doc.document(), "sportsData"));
    }
}

TEST(XmlDocumentTest, NodeTextDecodesAndConcatenates)
{
    const struct {
        std::string xml, text;
    } cases[] = {
        {"<a>x &amp; y</a>", "x & y"},
        {"<a>&lt;&gt;&quot;&apos;&#233;&#xE9;&#x1F3C3;</a>", "<>\"'\xC3\xA9\xC3\xA9\xF0\x9F\x8F\x83"},
        {"<a>1<![CDATA[ <2> &amp; ]]><b>3<c>4</c></b><!--no-->5</a>", "1 <2> &amp; 345"},
        {"<a>&unknown; &#0; & x</a>", "&unknown; &#0; & x"},
        {"<a></a>", ""},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>Z\xFCrich</a>", "Z\xC3\xBCrich"},
        {Utf16LeWithBom(QStringLiteral("<a>Z\u00FCrich</a>")), "Z\xC3\xBCrich"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.xml));
        EXPECT_EQ(NodeText(XmlDocument::fromBytes(c.xml).documentElement()), c.text);
    }
    const XmlDocument doc = XmlDocument::fromBytes("<a b=\"&amp;&#233;\"></a>");
    EXPECT_EQ(AttributeText(doc.documentElement().attribute("b")), "&\xC3\xA9");
}

TEST(XmlDocumentTest, SetNodeTextEscapesAndReplacesContent)
{
    const struct {
        std::string xml, text, out;
    } cases[] = {
        {"<r><a>old</a></r>", "1 < 2 & 3 > 0", "<r><a>1 &lt; 2 &amp; 3 &gt; 0</a></r>"},
        {"<r><a>x<b>y</b><![CDATA[z]]><!--c--></a></r>", "\"new\"", "<r><a>\"new\"</a></r>"},
        {"<r><a></a></r>", "5", "<r><a>5</a></r>"},
        {"<r><a>5</a></r>", "", "<r><a></a></r>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        const XmlDocument doc = XmlDocument::fromBytes(c.xml);
        const pugi::xml_node a = ChildElement(doc.documentElement(), "a");
        SetNodeText(a, c.text);
        EXPECT_EQ(NodeText(a), c.text);
        EXPECT_EQ(doc.toBytes(), c.out);
        EXPECT_EQ(NodeText(XmlDocument::fromBytes(doc.toBytes()).documentElement()), c.text);
    }
    const XmlDocument doc = XmlDocument::fromBytes("<r a='say \"hi\"' b=\"1\"></r>");
    SetAttributeText(doc.documentElement().attribute("b"), "<\"&\">");
    const XmlDocument again = XmlDocument::fromBytes(doc.toBytes());
    ASSERT_TRUE(again.hasDocumentElement()) << doc.toBytes();
    EXPECT_EQ(AttributeText(again.documentElement().attribute("a")), "say \"hi\"");
    EXPECT_EQ(AttributeText(again.documentElement().attribute("b")), "<\"&\">");
}

TEST(XmlDocumentTest, ChildElementAndFirstDescendant)
{
    const XmlDocument doc = XmlDocument::fromBytes("<r>d<x><d>1</d></x><!--d--><d>2</d><D>3</D><d>4</d></r>");
    const pugi::xml_node r = ChildElement(doc.document(), "r");
    ASSERT_EQ(r, doc.documentElement());
    EXPECT_EQ(NodeText(ChildElement(r, "d")), "2");
    EXPECT_EQ(NodeText(FirstDescendant(r, "d")), "1");
    EXPECT_EQ(NodeText(ChildElement(r, "D")), "3");
    EXPECT_EQ(NodeText(FirstDescendant(doc.document(), "D")), "3");
    EXPECT_FALSE(FirstDescendant(r, "r"));
    EXPECT_FALSE(FirstDescendant(ChildElement(r, "D"), "d"));
    EXPECT_FALSE(ChildElement(pugi::xml_node(), "d"));
}

TEST(XmlDocumentTest, DeepNestingNeedsNoRecursion)
{
    const std::string xml = Deep(100000, "<leaf>&amp;</leaf>");
    const XmlDocument doc = XmlDocument::fromBytes(xml);
    ASSERT_TRUE(doc.hasDocumentElement());
    EXPECT_EQ(NodeText(FirstDescendant(doc.documentElement(), "leaf")), "&");
    EXPECT_EQ(NodeText(doc.documentElement()), "&");
    EXPECT_FALSE(FirstDescendant(doc.documentElement(), "none"));
    EXPECT_EQ(doc.toBytes(), xml);
}

TEST(XmlDocumentTest, ChangedValueChangesOnlyItsText)
{
    for (const fs::path& file : paceforge::test::WellFormedCorpusDocuments()) {
        SCOPED_TRACE(file.filename().string());
        const std::string bytes = *ReadWholeFile(file);
        const bool utf16 = bytes.starts_with("\xFF\xFE");
        QStringDecoder decode(
            utf16 ? QStringConverter::Utf16LE : QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        QString expected = decode(QByteArray::fromStdString(bytes));

        const XmlDocument doc = XmlDocument::fromBytes(bytes);
        const pugi::xml_node duration = FirstDescendant(doc.documentElement(), "duration");
        const QString old = QStringLiteral("<duration>%1</duration>").arg(QString::fromStdString(NodeText(duration)));
        const qsizetype at = expected.indexOf(old);
        ASSERT_GE(at, 0);
        expected.replace(at, old.size(), QStringLiteral("<duration>1234567</duration>"));
        SetNodeText(duration, "1234567");

        QStringEncoder encode(
            utf16 ? QStringConverter::Utf16LE : QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        EXPECT_EQ(doc.toBytes(), QByteArray(encode(expected)).toStdString());
    }
}

} // namespace
