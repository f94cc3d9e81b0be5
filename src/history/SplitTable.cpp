#include "SplitTable.h"

#include "platform/FileSystem.h"

namespace paceforge {
namespace {

std::optional<Decimal> Number(pugi::xml_node node)
{
    const auto value = Decimal::parsePlain(TrimmedXmlSpace(NodeText(node)));
    if (!value || value->isNegative())
        return std::nullopt;
    return value;
}

pugi::xml_node ListOf(pugi::xml_node sportsData, std::string_view type)
{
    for (pugi::xml_node list : sportsData.children("snapShotList"))
        if (TrimmedXmlSpace(list.attribute("snapShotType").value()) == type)
            return list;
    return {};
}

std::vector<Split> SplitsOf(pugi::xml_node list, DistanceUnit unit)
{
    std::vector<Split> splits;
    for (pugi::xml_node snapshot : list.children("snapShot")) {
        const auto duration = Number(ChildElement(snapshot, "duration"));
        const auto distance = Number(ChildElement(snapshot, "distance"));
        if (!duration || !distance)
            continue;
        Split split;
        split.number = static_cast<int>(splits.size()) + 1;
        split.durationMs
            = static_cast<long long>(duration->rounded(0, Decimal::Rounding::HalfAwayFromZero).integerPart());
        split.distanceKm = *distance;
        split.recordedPace = Number(ChildElement(snapshot, "pace"));
        const long long previousMs = splits.empty() ? 0 : splits.back().durationMs;
        const Decimal previousKm = splits.empty() ? Decimal() : splits.back().distanceKm;
        if (split.durationMs >= previousMs && split.distanceKm >= previousKm) {
            split.splitMs = split.durationMs - previousMs;
            split.splitKm = split.distanceKm - previousKm;
            split.paceSeconds = PaceSeconds(*split.splitMs, *split.splitKm, unit);
        }
        splits.push_back(std::move(split));
    }
    return splits;
}

} // namespace

SplitTable SplitTableOf(const XmlDocument& document)
{
    const pugi::xml_node sportsData = ChildElement(document.document(), "sportsData");
    return {SplitsOf(ListOf(sportsData, "kmSplit"), DistanceUnit::Kilometres),
        SplitsOf(ListOf(sportsData, "mileSplit"), DistanceUnit::Miles)};
}

Outcome<SplitTable> ReadSplitTable(const std::filesystem::path& path, const FileSystem& fileSystem)
{
    const auto bytes = fileSystem.readFile(path);
    if (!bytes)
        return Outcome<SplitTable>::failure(bytes.error());
    const XmlDocument document = XmlDocument::fromBytes(bytes.value());
    if (!document.hasDocumentElement())
        return Outcome<SplitTable>::failure(QStringLiteral("\"%1\" is not an XML document.").arg(DisplayPath(path)));
    return SplitTableOf(document);
}

} // namespace paceforge
