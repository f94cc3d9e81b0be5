#include "store/StopSnapshot.h"
#include "platform/FileSystem.h"
#include "platform/XmlDocument.h"

#include <gtest/gtest.h>

using namespace paceforge;
namespace fs = std::filesystem;

namespace {

std::string Stop(const char* event, const char* duration, const char* distance, const std::string& inner = {})
{
    std::string s = "<snapShot";
    if (event)
        s += std::string(" event=\"") + event + "\"";
    return s + "><duration>" + duration + "</duration><distance>" + distance + "</distance>" + inner + "</snapShot>";
}

std::string Updated(const char* event = "stop", const std::string& inner = {})
{
    return Stop(event, "42", "4.2", inner);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

TEST(StopSnapshotTest, UpdatesStopSnapshotsOutsideOtherSnapshots)
{
    const struct {
        const char* what;
        std::string in, out;
    } cases[] = {
        {"only the stop one of three",
            "<l>" + Stop("pause", "1", "2") + Stop("onDemandVP", "3", "4") + Stop("stop", "5", "6") + "</l>",
            "<l>" + Stop("pause", "1", "2") + Stop("onDemandVP", "3", "4") + Updated() + "</l>"},
        {"inside another element", "<l><g>x<h>" + Stop("stop", "1", "2") + "</h></g></l>",
            "<l><g>x<h>" + Updated() + "</h></g></l>"},
        {"inside another snapShot", Stop("pause", "1", "2", Stop("stop", "3", "4")),
            Stop("pause", "1", "2", Stop("stop", "3", "4"))},
        {"inside a stop snapShot", Stop("stop", "1", "2", Stop("stop", "3", "4")),
            Updated("stop", Stop("stop", "3", "4"))},
        {"SnapShot is walked into",
            "<SnapShot event=\"stop\"><duration>1</duration>" + Stop("stop", "3", "4") + "</SnapShot>",
            "<SnapShot event=\"stop\"><duration>1</duration>" + Updated() + "</SnapShot>"},
        {"two stops", Stop("stop", "1", "2") + Stop("pause", "3", "4") + Stop("stop", "5", "6"),
            Updated() + Stop("pause", "3", "4") + Updated()},
        {"event compared exactly", Stop("Stop", "1", "2") + Stop(" stop", "1", "2") + Stop(nullptr, "1", "2"),
            Stop("Stop", "1", "2") + Stop(" stop", "1", "2") + Stop(nullptr, "1", "2")},
        {"missing distance is not created", "<snapShot event=\"stop\"><pace>3</pace><duration>1</duration></snapShot>",
            "<snapShot event=\"stop\"><pace>3</pace><duration>42</duration></snapShot>"},
        {"content replaced, first child only",
            "<snapShot "
            "event=\"stop\"><duration>1<!--c--><x>2</x></duration><duration>9</duration><distance><![CDATA[5]]></"
            "distance></snapShot>",
            "<snapShot "
            "event=\"stop\"><duration>42</duration><duration>9</duration><distance>4.2</distance></snapShot>"},
        {"entity in event", Stop("s&#116;op", "1", "2"), Updated("s&#116;op")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const XmlDocument doc = XmlDocument::fromBytes("<sportsData>" + c.in + "</sportsData>");
        ASSERT_TRUE(doc.hasDocumentElement());
        SetStopSnapshot(doc.documentElement(), "42", "4.2");
        EXPECT_EQ(doc.toBytes(), "<sportsData>" + c.out + "</sportsData>");
    }
}

TEST(StopSnapshotTest, Fixtures)
{
    const std::string nestedOld = "<clickGroup source=\"remote\"><snapShot "
                                  "event=\"stop\"><duration>1303243</duration>\n<distance>3.99</distance>";
    const std::string nestedNew
        = "<clickGroup source=\"remote\"><snapShot event=\"stop\"><duration>42</duration>\n<distance>4.2</distance>";
    const std::string twoOld = "<snapShot event=\"stop\"><duration>1209280</duration>\n<distance>3.701</distance>";
    const std::string twoNew = "<snapShot event=\"stop\"><duration>42</duration>\n<distance>4.2</distance>";
    const struct {
        const char* file;
        std::string from, to;
        std::size_t count;
    } cases[] = {
        {"nested-stop.xml", nestedOld, nestedNew, 1},
        {"two-stop-snapshots.xml", twoOld, twoNew, 2},
        {"no-stop.xml", "", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto bytes = ReadWholeFile(fs::path(PACEFORGE_TEST_DATA) / "documents" / c.file);
        ASSERT_TRUE(bytes);
        const XmlDocument doc = XmlDocument::fromBytes(*bytes);
        SetStopSnapshot(doc.documentElement(), "42", "4.2");
        const std::string expected = c.count ? ReplaceAll(*bytes, c.from, c.to) : *bytes;
        EXPECT_EQ(doc.toBytes(), expected);
        if (c.count) {
            EXPECT_EQ(ReplaceAll(expected, c.to, "").size() + c.count * c.to.size(), expected.size());
        }
    }
}

TEST(StopSnapshotTest, DeepNestingAndEmptyNodes)
{
    std::string xml;
    for (int i = 0; i < 100000; ++i)
        xml += "<g>";
    xml += Stop("stop", "1", "2");
    for (int i = 0; i < 100000; ++i)
        xml += "</g>";
    const XmlDocument doc = XmlDocument::fromBytes(xml);
    ASSERT_TRUE(doc.hasDocumentElement());
    SetStopSnapshot(doc.documentElement(), "42", "4.2");
    EXPECT_NE(doc.toBytes().find(Updated()), std::string::npos);

    const XmlDocument leaf = XmlDocument::fromBytes("<sportsData></sportsData>");
    SetStopSnapshot(leaf.documentElement(), "42", "4.2");
    SetStopSnapshot(pugi::xml_node(), "42", "4.2");
    EXPECT_EQ(leaf.toBytes(), "<sportsData></sportsData>");
}

} // namespace
