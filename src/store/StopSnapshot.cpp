#include "StopSnapshot.h"

#include "platform/XmlDocument.h"

namespace paceforge {

void SetStopSnapshot(
    pugi::xml_node node, std::string_view duration, std::string_view distance, const std::optional<std::string>& pace)
{
    pugi::xml_node current = node.first_child();
    while (current) {
        bool descend = true;
        if (current.type() == pugi::node_element && std::string_view(current.name()) == "snapShot") {
            descend = false;
            if (AttributeText(current.attribute("event")) == "stop") {
                SetNodeText(ChildElement(current, "duration"), duration);
                SetNodeText(ChildElement(current, "distance"), distance);
                if (pace)
                    SetNodeText(ChildElement(current, "pace"), *pace);
            }
        }
        if (descend && current.first_child()) {
            current = current.first_child();
            continue;
        }
        while (current != node && !current.next_sibling())
            current = current.parent();
        if (current == node)
            return;
        current = current.next_sibling();
    }
}

} // namespace paceforge
