// One test for each fault the fuzzing and the fault tests found, on the smallest input that shows it.
#include "FaultFixtures.h"

#include "compose/FileCleanup.h"
#include "platform/XmlDocument.h"

#include <QStringEncoder>

using namespace paceforge;
using namespace paceforge::test;

// Found by the entries fuzz target: 15 digits of miles are more kilometres than a document number
// holds. The save read the kilometres back from that text (an empty optional) before the pace check
// refused them, and under a minute, where there is no pace, it wrote a distance that no load could
// read back.
TEST(Findings, DistanceBeyondEveryDocumentNumberIsRefused)
{
    struct Case {
        QString distance;
        bool kilometres;
        QString minutes, seconds;
        QString title;
    };
    const Case cases[] = {
        {"999999000000000", false, "1", "0", "You're too fast!"},
        {"999999999999999", false, "1", "0", "You're too fast!"},
        {"999999999999999.99999", true, "1", "0", "You're too fast!"},
        {"999999999999992", false, "", "8", "Distance Too Long"},
        {"999999999999999.99999", true, "", "30", "Distance Too Long"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance.toStdString() + " in " + c.minutes.toStdString() + ":" + c.seconds.toStdString());
        SensorStore store;
        Window w({store.drive()});
        if (c.kilometres)
            w.click("optKilometers");
        const Listing before = store.snapshot();
        w.fill(c.distance, "", c.minutes, c.seconds, "9999");
        w.click("imgSave");
        EXPECT_EQ(w.dialogs.titles(), QStringList{c.title});
        EXPECT_EQ(ListingChanges(before, store.snapshot()), "");
    }

    // The largest distance a document holds is still saved, and loads again.
    SensorStore store;
    Window w({store.drive()});
    w.click("optKilometers");
    w.fill("999999999999999.9999", "", "", "30");
    w.click("imgSave");
    ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
    w.click("imgExistingWorkout");
    EXPECT_EQ(w.text("tbxDistance"), "999999999999999.9999");
}

// The parser stops at a NUL character, so a document with one after its end tag loaded without
// the rest, and a save would have cut it off.
TEST(Findings, NulCharacterMakesADocumentUnreadable)
{
    for (const std::string& bytes : {WorkoutXml() + std::string(1, '\0') + "<tail/>", std::string("<a>\0</a>", 8),
             std::string("<\0a\0>\0<\0/\0a\0>\0\0\0", 16)}) {
        SCOPED_TRACE(bytes.size());
        EXPECT_FALSE(XmlDocument::fromBytes(bytes).hasDocumentElement());
    }
}

// Found by the clean-up's fuzz target: files the parser takes for documents although their bytes
// would not come back. It drops a "<" that ends the text after other text, and it ends the
// declaration at its first "?>", written over with "/>", wherever that stands: in a later node,
// whose "?>" a save turns into "/>", in a quoted value, or after the declaration took content.
TEST(Findings, FilesWhoseBytesWouldNotComeBackAreUnreadable)
{
    for (const std::string& bytes :
        {WorkoutXml() + "\r<", std::string("<a/>\n<"), std::string("<?xml a=\"\"/><s>?></s>"),
            std::string("<?xml\r/><s><!--?>--></s>"), std::string("<?xml a=\"?>\" /><s/>"),
            std::string("<?xml a=\"1\">x?></xml><s/>"), std::string("<?xml /><?xml a=\"?>?\r>\"?><s/>")}) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        EXPECT_FALSE(XmlDocument::fromBytes(bytes).hasDocumentElement());
    }
    EXPECT_TRUE(XmlDocument::fromBytes("<?XML version='1.0'?>\n<s>?></s>").hasDocumentElement());
}

// The clean-up removed CR and tab bytes from a UTF-16 file, and appended CR LF as two bytes: the
// saved workout was no longer a document.
TEST(Findings, CleanUpOfAUtf16DocumentWorksOnCharacters)
{
    struct Case {
        QStringConverter::Encoding encoding;
        bool byteOrderMark;
    };
    const Case cases[] = {{QStringConverter::Utf16LE, true}, {QStringConverter::Utf16BE, true},
        {QStringConverter::Utf16LE, false}, {QStringConverter::Utf32LE, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.encoding));
        const auto encode = [&](const QString& text) {
            QStringEncoder encoder(
                c.encoding, c.byteOrderMark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
            return QByteArray(encoder(text)).toStdString();
        };
        // U+0D09 and U+090D hold a CR byte in UTF-16, U+0109 a tab byte: characters that must stay.
        const XmlDocument document = XmlDocument::fromBytes(
            encode(QStringLiteral("<sportsData>\r\n\t<n>\u0D09\u090D\u0109</n>\r\n</sportsData>")));
        ASSERT_TRUE(document.hasDocumentElement());
        const std::string cleaned = CleanedBytes(document);
        EXPECT_EQ(cleaned, encode(QStringLiteral("<sportsData>\n<n>\u0D09\u090D\u0109</n>\n</sportsData>\r\n")));
        EXPECT_TRUE(XmlDocument::fromBytes(cleaned).hasDocumentElement());
    }
}
