#include "FaultFixtures.h"
#include "TestCorpus.h"

#include "compose/FileCleanup.h"
#include "platform/XmlDocument.h"
#include "workout/WorkoutFormat.h"

#include <QStringDecoder>

#include <algorithm>

using namespace paceforge;
using namespace paceforge::test;

namespace {

const fs::path kDocuments = paceforge::test::kCorpusDocuments;

bool IsUtf16Le(const std::string& bytes)
{
    return bytes.starts_with(std::string("\xFF\xFE", 2));
}

// The file as the clean-up leaves it: no carriage return or tab character, and CR LF at the end,
// counted in characters of the file's own encoding.
std::string Cleaned(const std::string& bytes)
{
    std::string out;
    if (IsUtf16Le(bytes)) {
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            if (!(bytes[i + 1] == 0 && (bytes[i] == '\r' || bytes[i] == '\t')))
                out.append(bytes, i, 2);
        return out + std::string("\r\0\n\0", 4);
    }
    std::copy_if(bytes.begin(), bytes.end(), std::back_inserter(out), [](char c) { return c != '\r' && c != '\t'; });
    return out + "\r\n";
}

// Every node a save of an edited workout may give new text, found without the program's lookups.
struct Named {
    std::vector<pugi::xml_node> elements;
    std::vector<pugi::xml_attribute> attributes;
};

void StopSnapshots(pugi::xml_node node, std::vector<pugi::xml_node>& found)
{
    for (pugi::xml_node child : node.children()) {
        if (child.type() != pugi::node_element)
            continue;
        if (std::string_view(child.name()) == "snapShot") {
            if (std::string_view(child.attribute("event").value()) == "stop")
                found.push_back(child);
            continue;
        }
        StopSnapshots(child, found);
    }
}

Named NamedNodes(const XmlDocument& document)
{
    const pugi::xml_node sportsData = document.documentElement();
    const pugi::xml_node runSummary = sportsData.child("runSummary");
    const pugi::xml_node extendedData = sportsData.child("extendedDataList").child("extendedData");
    Named named;
    for (const char* name : {"duration", "durationString", "distance", "distanceString", "pace", "calories"})
        named.elements.push_back(runSummary.child(name));
    named.elements.push_back(extendedData);
    named.elements.push_back(sportsData.child("userInfo").child("weight"));
    std::vector<pugi::xml_node> stops;
    StopSnapshots(sportsData, stops);
    for (pugi::xml_node stop : stops) {
        named.elements.push_back(stop.child("duration"));
        named.elements.push_back(stop.child("distance"));
        named.elements.push_back(stop.child("pace"));
    }
    named.attributes.push_back(runSummary.child("distance").attribute("unit"));
    for (const char* name : {"dataType", "intervalType", "intervalUnit", "intervalValue"})
        named.attributes.push_back(extendedData.attribute(name));
    return named;
}

// A changed distance rescales what the run recorded along its way: the splits (which may come and
// go) and the clicks' distances and paces are set aside.
std::string WithoutRecording(XmlDocument document)
{
    for (pugi::xml_node list : document.documentElement().children("snapShotList")) {
        const std::string_view type = list.attribute("snapShotType").value();
        if (type == "kmSplit" || type == "mileSplit") {
            while (list.first_child())
                list.remove_child(list.first_child());
            continue;
        }
        for (pugi::xml_node snapshot : list.children("snapShot"))
            for (const char* name : {"distance", "pace"})
                SetNodeText(snapshot.child(name), "#");
    }
    return document.toBytes();
}

} // namespace

TEST(RoundTrip, EveryCorpusDocumentIsWrittenBackAsItWasRead)
{
    const auto files = paceforge::test::WellFormedCorpusDocuments();
    ASSERT_GE(files.size(), 11u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::string bytes = ReadBytes(file);
        const XmlDocument document = XmlDocument::fromBytes(bytes);
        ASSERT_TRUE(document.hasDocumentElement());
        EXPECT_EQ(document.toBytes(), bytes);
        EXPECT_EQ(CleanedBytes(document), Cleaned(bytes));
    }
}

// Saves every corpus document with new values through the window, then puts the original texts
// back into the saved document: what remains must be the original file, cleaned.
TEST(RoundTrip, ASaveChangesOnlyTheTextsTheFormatNames)
{
    for (const fs::path& file : paceforge::test::WellFormedCorpusDocuments()) {
        SCOPED_TRACE(file.filename().string());
        const std::string original = ReadBytes(file);
        SensorStore store;
        const fs::path workout = store.add("latest", kOldName, original);
        Window w({store.drive()});
        w.click("imgExistingWorkout");
        w.random.next = {99};
        w.fill("5", "", "31", "7", "150", "301");
        w.click("imgSave");
        ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();

        const std::string savedBytes = ReadBytes(workout);
        XmlDocument saved = XmlDocument::fromBytes(savedBytes);
        ASSERT_TRUE(saved.hasDocumentElement()) << "the saved workout does not load";
        const WorkoutNodes nodes = FindWorkoutNodes(saved);
        EXPECT_EQ(NodeText(nodes.distance), "8.0470");
        EXPECT_EQ(NodeText(nodes.calories), "301");
        EXPECT_EQ(NodeText(nodes.duration), "1867099");
        EXPECT_EQ(NodeText(nodes.weight), "68.04");

        const XmlDocument before = XmlDocument::fromBytes(original);
        const Named was = NamedNodes(before);
        const Named now = NamedNodes(saved);
        ASSERT_EQ(was.elements.size(), now.elements.size());
        for (std::size_t i = 0; i < was.elements.size(); ++i)
            SetNodeText(now.elements[i], NodeText(was.elements[i]));
        for (std::size_t i = 0; i < was.attributes.size(); ++i)
            SetAttributeText(now.attributes[i], AttributeText(was.attributes[i]));
        const std::string expected = CleanedBytesEndingAsRead(XmlDocument::fromBytes(original));
        EXPECT_EQ(WithoutRecording(std::move(saved)), WithoutRecording(XmlDocument::fromBytes(expected)));
        EXPECT_EQ(savedBytes.ends_with("\r\n"), original.ends_with("\r\n"));
    }
}

TEST(RoundTrip, Utf16WorkoutStaysUtf16AndLoadsAfterASave)
{
    SensorStore store;
    const fs::path workout = store.add("latest", kOldName, ReadBytes(kDocuments / "utf16le-bom.xml"));
    Window w({store.drive()});
    w.click("imgExistingWorkout");
    w.type("tbxCalories", "400");
    w.click("imgSave");
    ASSERT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();

    const std::string saved = ReadBytes(workout);
    ASSERT_TRUE(IsUtf16Le(saved));
    ASSERT_EQ(saved.size() % 2, 0u);
    const std::string original = ReadBytes(kDocuments / "utf16le-bom.xml");
    EXPECT_EQ(saved.substr(saved.size() - 8), original.substr(original.size() - 8)) << "it ends as it was read";
    QStringDecoder decode(QStringConverter::Utf16LE);
    const QString text = decode(QByteArrayView(saved.data(), static_cast<qsizetype>(saved.size())));
    EXPECT_FALSE(decode.hasError());
    EXPECT_TRUE(text.contains(QStringLiteral("Seeuferrunde Zürich")));

    w.clickRow(0);
    EXPECT_EQ(w.text("tbxCalories"), "400");
}
