#include "WorkoutFormat.h"

#include <array>
#include <string_view>

namespace paceforge {
namespace {

constexpr std::string_view kDocumentElement = "sportsData";

pugi::xml_node SportsData(const XmlDocument& document)
{
    const pugi::xml_node root = document.documentElement();
    return root && kDocumentElement == root.name() ? root : pugi::xml_node();
}

struct Requirement {
    std::string_view path; // elements separated by "/", an attribute after "@"
    bool newOnly;
};

// Containers come before what they hold, so that a missing one is named before its children are
// skipped.
constexpr std::array kRequirements{
    Requirement{"runSummary", false},
    Requirement{"runSummary/time", true},
    Requirement{"startTime", true},
    Requirement{"runSummary/duration", false},
    Requirement{"runSummary/durationString", false},
    Requirement{"runSummary/distance", false},
    Requirement{"runSummary/distance@unit", false},
    Requirement{"runSummary/distanceString", false},
    Requirement{"runSummary/pace", false},
    Requirement{"runSummary/calories", false},
    Requirement{"runSummary/stepCounts", true},
    Requirement{"runSummary/stepCounts/walkBegin", true},
    Requirement{"runSummary/stepCounts/walkEnd", true},
    Requirement{"runSummary/stepCounts/runBegin", true},
    Requirement{"runSummary/stepCounts/runEnd", true},
    Requirement{"extendedDataList", false},
    Requirement{"extendedDataList/extendedData", false},
    Requirement{"extendedDataList/extendedData@dataType", false},
    Requirement{"extendedDataList/extendedData@intervalType", false},
    Requirement{"extendedDataList/extendedData@intervalUnit", false},
    Requirement{"extendedDataList/extendedData@intervalValue", false},
    Requirement{"userInfo", false},
    Requirement{"userInfo/weight", false},
    Requirement{"userInfo/empedID", true},
};

enum class Presence { Present, Missing, ParentMissing };

Presence Look(pugi::xml_node node, std::string_view path)
{
    const auto at = path.find('@');
    std::string_view elements = path.substr(0, at);
    while (!elements.empty()) {
        if (!node)
            return Presence::ParentMissing;
        const auto slash = elements.find('/');
        node = ChildElement(node, elements.substr(0, slash));
        elements = slash == std::string_view::npos ? std::string_view() : elements.substr(slash + 1);
    }
    if (at == std::string_view::npos)
        return node ? Presence::Present : Presence::Missing;
    if (!node)
        return Presence::ParentMissing;
    // pugixml wants a terminated name.
    const std::string attribute(path.substr(at + 1));
    return node.attribute(attribute.c_str()) ? Presence::Present : Presence::Missing;
}

} // namespace

std::string FormatDistancePattern(const Decimal& km)
{
    return km.toFixedString(4);
}

std::string FormatMilesPattern(const Decimal& miles)
{
    return miles.toFixedString(2);
}

std::string KilometresCutText(const Decimal& km)
{
    return km.rounded(3, Decimal::Rounding::Floor).toFixedString(3);
}

WorkoutNodes FindWorkoutNodes(const XmlDocument& document)
{
    WorkoutNodes n;
    n.sportsData = SportsData(document);
    n.runSummary = ChildElement(n.sportsData, "runSummary");
    n.time = ChildElement(n.runSummary, "time");
    n.duration = ChildElement(n.runSummary, "duration");
    n.durationString = ChildElement(n.runSummary, "durationString");
    n.distance = ChildElement(n.runSummary, "distance");
    n.distanceUnit = n.distance.attribute("unit");
    n.distanceString = ChildElement(n.runSummary, "distanceString");
    n.pace = ChildElement(n.runSummary, "pace");
    n.calories = ChildElement(n.runSummary, "calories");
    n.stepCounts = ChildElement(n.runSummary, "stepCounts");
    n.walkBegin = ChildElement(n.stepCounts, "walkBegin");
    n.walkEnd = ChildElement(n.stepCounts, "walkEnd");
    n.runBegin = ChildElement(n.stepCounts, "runBegin");
    n.runEnd = ChildElement(n.stepCounts, "runEnd");
    n.extendedData = ChildElement(ChildElement(n.sportsData, "extendedDataList"), "extendedData");
    n.dataType = n.extendedData.attribute("dataType");
    n.intervalType = n.extendedData.attribute("intervalType");
    n.intervalUnit = n.extendedData.attribute("intervalUnit");
    n.intervalValue = n.extendedData.attribute("intervalValue");
    n.userInfo = ChildElement(n.sportsData, "userInfo");
    n.weight = ChildElement(n.userInfo, "weight");
    n.empedID = ChildElement(n.userInfo, "empedID");
    n.startTime = ChildElement(n.sportsData, "startTime");
    return n;
}

std::vector<QString> MissingContent(const XmlDocument& document, bool newWorkout)
{
    const pugi::xml_node sportsData = SportsData(document);
    if (!sportsData)
        return {QString::fromLatin1(kDocumentElement)};
    std::vector<QString> missing;
    for (const Requirement& requirement : kRequirements) {
        if (requirement.newOnly && !newWorkout)
            continue;
        if (Look(sportsData, requirement.path) == Presence::Missing)
            missing.push_back(QString::fromLatin1(requirement.path));
    }
    return missing;
}

pugi::xml_node DistanceData(pugi::xml_node sportsData)
{
    for (pugi::xml_node data : ChildElement(sportsData, "extendedDataList").children("extendedData")) {
        const pugi::xml_attribute type = data.attribute("dataType");
        if (!type || std::string_view(type.value()) == "distance")
            return data;
    }
    return {};
}

} // namespace paceforge
