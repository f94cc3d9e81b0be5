#include "workout/WorkoutFormat.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace paceforge;

// Readable failure messages.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

XmlDocument Template()
{
    XmlDocument document = XmlDocument::fromFile(PACEFORGE_SOURCE_DIR "/data/userdata.xml");
    EXPECT_TRUE(document.hasDocumentElement());
    return document;
}

QString Missing(const XmlDocument& document, bool newWorkout)
{
    const std::vector<QString> paths = MissingContent(document, newWorkout);
    return QStringList(paths.begin(), paths.end()).join(u", ");
}

// Removes the element or attribute at a path written as MissingContent writes it.
void Remove(const XmlDocument& document, std::string_view path)
{
    const auto at = path.find('@');
    pugi::xml_node node = document.documentElement();
    for (std::string_view rest = path.substr(0, at); !rest.empty();) {
        const auto slash = rest.find('/');
        node = ChildElement(node, rest.substr(0, slash));
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    }
    ASSERT_TRUE(at == std::string_view::npos ? node.parent().remove_child(node)
                                             : node.remove_attribute(std::string(path.substr(at + 1)).c_str()));
}

TEST(WorkoutFormatTest, Patterns)
{
    const struct {
        const char* value;
        const char* distance;
        const char* miles;
        const char* cut;
    } cases[] = {
        {"5", "5.0000", "5.00", "5.000"},
        {"8.047", "8.0470", "8.05", "8.047"},
        {"3.04859", "3.0486", "3.05", "3.048"},
        {"0.9999", "0.9999", "1.00", "0.999"},
        {"2.00045", "2.0005", "2.00", "2.000"},
        {"1.005", "1.0050", "1.01", "1.005"}, // halves away from zero
        {"12345678901.99999", "12345678902.0000", "12345678902.00", "12345678901.999"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const Decimal value = *Decimal::parsePlain(c.value);
        EXPECT_EQ(FormatDistancePattern(value), c.distance);
        EXPECT_EQ(FormatMilesPattern(value), c.miles);
        EXPECT_EQ(KilometresCutText(value), c.cut);
    }
}

TEST(WorkoutFormatTest, FindsTheNodesOneStepAtATime)
{
    const XmlDocument document = Template();
    const WorkoutNodes n = FindWorkoutNodes(document);
    EXPECT_EQ(NodeText(n.distance) + AttributeText(n.distanceUnit) + NodeText(n.startTime),
        "3.0480km2008-06-14T06:00:00-04:00");
    EXPECT_EQ(NodeText(n.runEnd) + AttributeText(n.intervalValue) + NodeText(n.weight), "2271410");

    // A distance inside a snapshot, or a runSummary one level too deep, is not the one a save writes.
    const XmlDocument nested = XmlDocument::fromBytes(
        "<sportsData><snapShot><distance unit=\"km\">1</distance></snapShot>"
        "<x><runSummary><pace/></runSummary></x><runSummary><distance>2</distance></runSummary></sportsData>");
    const WorkoutNodes m = FindWorkoutNodes(nested);
    EXPECT_EQ(NodeText(m.distance), "2");
    EXPECT_FALSE(m.distanceUnit || m.pace);
}

TEST(WorkoutFormatTest, NamesEachMissingPart)
{
    const XmlDocument complete = Template();
    EXPECT_EQ(Missing(complete, false), QString());
    EXPECT_EQ(Missing(complete, true), QString());

    const struct {
        const char* path;
        bool newOnly;
    } cases[] = {
        {"runSummary", false},
        {"runSummary/time", true},
        {"startTime", true},
        {"runSummary/duration", false},
        {"runSummary/durationString", false},
        {"runSummary/distance", false},
        {"runSummary/distance@unit", false},
        {"runSummary/distanceString", false},
        {"runSummary/pace", false},
        {"runSummary/calories", false},
        {"runSummary/stepCounts", true},
        {"runSummary/stepCounts/walkBegin", true},
        {"runSummary/stepCounts/walkEnd", true},
        {"runSummary/stepCounts/runBegin", true},
        {"runSummary/stepCounts/runEnd", true},
        {"extendedDataList", false},
        {"extendedDataList/extendedData", false},
        {"extendedDataList/extendedData@dataType", false},
        {"extendedDataList/extendedData@intervalType", false},
        {"extendedDataList/extendedData@intervalUnit", false},
        {"extendedDataList/extendedData@intervalValue", false},
        {"userInfo", false},
        {"userInfo/weight", false},
        {"userInfo/empedID", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const XmlDocument document = Template();
        Remove(document, c.path);
        EXPECT_EQ(Missing(document, true), QString::fromLatin1(c.path));
        EXPECT_EQ(Missing(document, false), c.newOnly ? QString() : QString::fromLatin1(c.path));
    }
}

TEST(WorkoutFormatTest, NamesEverythingMissingInTableOrder)
{
    const XmlDocument document = Template();
    for (const char* path : {"userInfo/weight", "runSummary/pace", "runSummary/stepCounts/runEnd",
             "extendedDataList/extendedData@intervalUnit", "runSummary/distance@unit", "startTime"})
        Remove(document, path);
    EXPECT_EQ(Missing(document, false),
        u"runSummary/distance@unit, runSummary/pace, "
        u"extendedDataList/extendedData@intervalUnit, userInfo/weight"_qs);
    EXPECT_EQ(Missing(document, true),
        u"startTime, runSummary/distance@unit, runSummary/pace, "
        u"runSummary/stepCounts/runEnd, extendedDataList/extendedData@intervalUnit, "
        u"userInfo/weight"_qs);

    // An element of the right name one level too deep does not count.
    const XmlDocument moved = Template();
    pugi::xml_node extendedData = FindWorkoutNodes(moved).extendedData;
    extendedData.parent().append_child("x").append_move(extendedData);
    EXPECT_EQ(Missing(moved, false), u"extendedDataList/extendedData"_qs);
}

TEST(WorkoutFormatTest, WrongOrMissingDocumentElement)
{
    for (const char* bytes : {"<SportsData><runSummary/></SportsData>", "<workout/>", "", "not xml", "<sportsData>"}) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(Missing(XmlDocument::fromBytes(bytes), false), u"sportsData"_qs);
        EXPECT_EQ(Missing(XmlDocument::fromBytes(bytes), true), u"sportsData"_qs);
    }
}

} // namespace
