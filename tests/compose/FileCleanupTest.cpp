#include "compose/FileCleanup.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

std::string AllHighBytes()
{
    std::string bytes;
    for (int b = 128; b <= 255; ++b)
        bytes += static_cast<char>(b);
    return bytes;
}

void Write(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(FileCleanupTest, CleanedBytes)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"", "\r\n"},
        {"<?xml version=\"1.0\"?>\r\n<a>\r\n\t<b>\t\xC3\xA9t\xC3\xA9</b>\r\n</a>",
            "<?xml version=\"1.0\"?>\n<a>\n<b>\xC3\xA9t\xC3\xA9</b>\n</a>\r\n"},
        {std::string("\0\x01\r\r\t\x0B\x0C\n", 8), std::string("\0\x01\x0B\x0C\n\r\n", 7)},
        {AllHighBytes(), AllHighBytes() + "\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.in));
        EXPECT_EQ(CleanedBytes(c.in), c.out);
    }
}

// Inside an instruction, a comment or a CDATA section the text runs raw up to its end mark; a
// removed byte must not make one. Elsewhere every CR and tab goes, as always.
TEST(FileCleanupTest, RemovedBytesNeverCloseARawPart)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"<?x a?\r>b?><r/>", "<?x a?\n>b?><r/>\r\n"},
        {"<!--a-\t-b--><r/>", "<!--a- -b--><r/>\r\n"},
        {"<r><![CDATA[x]]\r\t>]]></r>", "<r><![CDATA[x]]\n>]]></r>\r\n"},
        {"<r><![CDATA[x]\t]>]]></r>", "<r><![CDATA[x] ]>]]></r>\r\n"},
        {"<r>a?\r>b-\t-c]]\t></r>", "<r>a?>b--c]]></r>\r\n"},
        {"<?x?>?\r>", "<?x?>?>\r\n"},
        // A value in quotes is not a part, whatever it says.
        {"<r a='<![CDATA[' b=\"<?\"><?x ?\r>?></r>", "<r a='<![CDATA[' b=\"<?\"><?x ?\n>?></r>\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.in));
        EXPECT_EQ(CleanedBytes(c.in), c.out);
    }
    // Found by fuzzing: the instruction ran on to a second root, which the cleaned file let loose.
    const XmlDocument document = XmlDocument::fromBytes("<?x l</di\n?\r><sportsData>\r\na</sportsData><?x b?>\r\n"
                                                        "<sportsData>\r\na</sportsData>\r\r\n");
    ASSERT_TRUE(document.hasDocumentElement());
    EXPECT_TRUE(XmlDocument::fromBytes(CleanedBytes(document)).hasDocumentElement());
}

// The document type holds literals, comments, instructions and declarations of its own: the same
// protection holds inside it, its words stay apart, and after it the text is text again.
TEST(FileCleanupTest, DocumentTypeIsReadAsTheParserReadsIt)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"<!DOCTYPE s [<?pi ?\t>?>]><s/>", "<!DOCTYPE s [<?pi ? >?>]><s/>\r\n"},
        {"<!DOCTYPE s [<!-- a-\t-b -->]><s/>", "<!DOCTYPE s [<!-- a- -b -->]><s/>\r\n"},
        {"<!DOCTYPE s [<!ENTITY e '?\t><!--'><?p ?\r>?>]><s/>",
            "<!DOCTYPE s [<!ENTITY e '?><!--'><?p ?\n>?>]><s/>\r\n"},
        {"<!DOCTYPE\ts\tSYSTEM\t\"s.dtd\"\r\n[\t<!ELEMENT\ts\tANY>\t]><s/>",
            "<!DOCTYPE s SYSTEM \"s.dtd\"\n[<!ELEMENT s ANY>]><s/>\r\n"},
        {"<!DOCTYPE s [<![IGNORE[<!\t[]]\t>]]><!\t--x>]><s/>", "<!DOCTYPE s [<![IGNORE[<! []] >]]><! --x>]><s/>\r\n"},
        {"<!DOCTYPE s [<!ATTLIST s a CDATA '>'>]><s>?\t></s>", "<!DOCTYPE s [<!ATTLIST s a CDATA '>'>]><s>?></s>\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.in));
        ASSERT_TRUE(XmlDocument::fromBytes(c.in).hasDocumentElement());
        EXPECT_EQ(CleanedBytes(c.in), c.out);
        EXPECT_TRUE(XmlDocument::fromBytes(c.out).hasDocumentElement());
    }
}

// Where leaving a run out would change what the parser reads, one blank stands for it: between the
// words of a tag, after an instruction's target, before a declaration that would then open the
// text, and wherever a join would name Latin-1 where XmlDocument looks for it. Several of these were
// found by fuzzing the clean-up against the tree it must keep.
TEST(FileCleanupTest, MarkupKeepsItsMeaning)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"<s\ta=\"1\"\tb='2'\r\n/>", "<s a=\"1\" b='2'\n/>\r\n"},
        {"<?pi\t[a\tb?><s/>", "<?pi [ab?><s/>\r\n"},
        {"<?x\r?i?><s/>", "<?x\n?i?><s/>\r\n"},
        {"<!----\t>--><s/>", "<!---- >--><s/>\r\n"},
        {"\t<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><s/>",
            " <?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><s/>\r\n"},
        {"<?xml version=\"1.0\"\tencoding=\"lat\tin\t1\"?><s/>",
            "<?xml version=\"1.0\" encoding=\"latin 1\"?><s/>\r\n"},
        {"<?xml-stylesheet href=\"iso-8859\t-1\"?><s/>", "<?xml-stylesheet href=\"iso-8859 -1\"?><s/>\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.in));
        ASSERT_TRUE(XmlDocument::fromBytes(c.in).hasDocumentElement());
        EXPECT_EQ(CleanedBytes(c.in), c.out);
        EXPECT_TRUE(XmlDocument::fromBytes(c.out).hasDocumentElement());
    }
}

TEST(FileCleanupTest, RewritesFileInPlace)
{
    QTemporaryDir dir;
    FileSystem fileSystem;
    const fs::path file = dir.filePath("W.xml").toStdString();
    for (const std::string& bytes : {std::string(), "\t<a>\xC3\xA9\r\n</a>\r\n" + AllHighBytes()}) {
        Write(file, bytes);
        ASSERT_TRUE(Cleanupfile(file, fileSystem).ok());
        EXPECT_EQ(ReadWholeFile(file), CleanedBytes(bytes));
    }
    EXPECT_FALSE(Cleanupfile(dir.filePath("missing.xml").toStdString(), fileSystem).ok());
}

TEST(FileCleanupTest, FailedWriteLeavesFileAndNamesIt)
{
    struct FailingWrite : FileSystem {
        Result writeFileAtomic(const fs::path&, std::string_view) override { return Result::failure("disk full"); }
    } failing;
    QTemporaryDir dir;
    const fs::path file = dir.filePath("Run.xml").toStdString();
    const std::string original = "<a>\r\n\t</a>";
    Write(file, original);
    const Result result = Cleanupfile(file, failing);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.error().contains(DisplayPath(file)) && result.error().contains("disk full"))
        << result.error().toStdString();
    EXPECT_EQ(ReadWholeFile(file), original);
}

} // namespace

// An edited file ends as it was read: a device file gains no CR LF, and a file a save wrote keeps
// its one CR LF rather than gain a line feed at every save.
TEST(FileCleanup, AnEditedFileEndsAsItWasRead)
{
    const struct {
        const char* end;
        const char* written;
    } cases[] = {
        {"", ""}, // newer firmware: nothing after the root
        {"\n", "\n"}, // older firmware: one line feed
        {"\n\r\n", "\n\r\n"}, // saved here before
        {"\r\n", "\r\n"},
        {"\t\n", "\n"}, // the clean-up still removes tabs and lone CRs
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::string(c.end)));
        const std::string body = "<?xml version=\"1.0\"?>\n<sportsData>\t<vers>2</vers>\r\n</sportsData>";
        EXPECT_EQ(CleanedBytesEndingAsRead(XmlDocument::fromBytes(body + c.end)),
            "<?xml version=\"1.0\"?>\n<sportsData><vers>2</vers>\n</sportsData>" + std::string(c.written));
    }
}
