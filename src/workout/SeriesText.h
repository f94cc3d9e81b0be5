#pragma once

#include "Decimal.h"

#include <pugixml.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace paceforge {

// The distance samples of a workout as its document writes them: cumulative kilometres joined by
// commas, "0.0, 0.013, 0.0307" on the device (a blank after each comma, trailing zeros dropped),
// "0.0,0.0278,0.0556" in a series composed here (four decimals always).

// The values, or nothing when any piece is not a distance: a damaged series is never used half
// read. A negative value, or one beyond any run, counts as damage.
std::optional<std::vector<Decimal>> SeriesValues(std::string_view series);

// A series read so that its values can be changed and written back in the text's own form: its
// separators, blanks, and each value's way of writing its decimals.
class SeriesText
{
public:
    static std::optional<SeriesText> read(std::string text);

    std::vector<Decimal>& values() { return m_values; }
    const std::vector<Decimal>& values() const { return m_values; }
    std::string written() const;

private:
    struct Place {
        std::size_t offset;
        std::size_t length;
        // Written with four decimals always, as a series composed here is after its leading
        // "0.0"; else with trailing zeros dropped, as the device writes them.
        bool fixed;
    };
    std::string m_text;
    std::vector<Place> m_places;
    std::vector<Decimal> m_values;
};

// A distance as the device writes a sample's or a snapshot's: trailing zeros dropped, but at least
// one decimal ("1.0", "8.367").
std::string ShortDistance(const Decimal& value);

// The seconds between the samples of an extendedData element; nothing for another unit than
// seconds, or for an interval that is not above zero or longer than `longest`.
std::optional<Decimal> SampleSeconds(pugi::xml_node data, const Decimal& longest);

// The largest distance a document can hold for a run, in kilometres: a larger number in a file is
// damage, and would not fit the exact arithmetic.
inline constexpr long long kLargestKilometres = 1'000'000;

} // namespace paceforge
