#pragma once

#include <pugixml.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace paceforge {

// Gives every stop snapshot below the node the duration and distance, and the pace when one is
// given: each element named exactly "snapShot" whose event is exactly "stop", found depth first
// without entering any snapShot. The walk keeps no stack of its own, so no nesting depth can
// exhaust it.
void SetStopSnapshot(pugi::xml_node node, std::string_view duration, std::string_view distance,
    const std::optional<std::string>& pace = std::nullopt);

} // namespace paceforge
