// The distance series for an arbitrary existing series text, distance and duration.
// Input: the seconds on the first line, the kilometres on the second, the existing series after it.
#include "compose/DistanceSeries.h"
#include "platform/XmlDocument.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace paceforge;

namespace {

constexpr long long kLongestSaveSeconds = 100LL * 3600;

std::string_view TakeLine(std::string_view& text)
{
    const auto end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return line;
}

// A distance beyond what a text can spell comes from the line's bytes, so that every mantissa and
// scale can be reached.
Decimal Kilometres(std::string_view line)
{
    if (const auto parsed = Decimal::parsePlain(line))
        return *parsed;
    std::uint64_t mantissa = 0;
    for (const char c : line)
        mantissa = mantissa * 31 + static_cast<unsigned char>(c);
    return Decimal::fromParts(static_cast<std::int64_t>(mantissa >> 1), 3 + static_cast<int>(line.size() % 10));
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

void Fail(const char* what, std::string_view series)
{
    std::fprintf(
        stderr, "%s: %.*s\n", what, static_cast<int>(std::min<std::size_t>(series.size(), 200)), series.data());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view secondsLine = TakeLine(input);
    long long seconds = 0;
    std::from_chars(secondsLine.data(), secondsLine.data() + secondsLine.size(), seconds);
    // One value per ten seconds is the series' nature; the save never asks for more than 100 hours.
    if (seconds > kLongestSaveSeconds)
        return 0;
    const Decimal kilometres = Kilometres(TakeLine(input));
    // A document number has at most 15 integer digits; the series is never asked for more.
    if (kilometres >= Decimal::fromInteger(999'999'999'999'999))
        return 0;
    const std::string_view existing = input;

    const std::string series = DistanceSeriesText(existing, kilometres, seconds);
    // Every value of the new series must read back, as the next save reads this one.
    std::size_t start = 0;
    while (start <= series.size()) {
        const auto comma = series.find(',', start);
        std::string_view piece
            = std::string_view(series).substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        while (!piece.empty() && IsBlank(piece.front()))
            piece.remove_prefix(1);
        while (!piece.empty() && IsBlank(piece.back()))
            piece.remove_suffix(1);
        const auto value = Decimal::parsePlain(piece);
        if (!value || value->isNegative())
            Fail("the series holds a value that is not a distance", series);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }

    XmlDocument document = XmlDocument::fromBytes(
        "<extendedData dataType=\"x\" intervalType=\"y\" intervalUnit=\"z\" intervalValue=\"1\">0.0</extendedData>");
    pugi::xml_node node = document.documentElement();
    SetNodeText(node, existing);
    SetNodeText(node, DistanceSeries(node, kilometres, seconds));
    return 0;
}
