#include "SeriesText.h"

#include "platform/XmlDocument.h"

namespace paceforge {
namespace {

constexpr int kFixedDecimals = 4;

int FractionDigits(std::string_view number)
{
    const auto point = number.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(number.size() - point - 1);
}

bool IsDistance(const std::optional<Decimal>& value)
{
    return value && !value->isNegative() && *value < Decimal::fromInteger(kLargestKilometres);
}

// Calls visit(number, offset) for each piece, trimmed; false as soon as visit does.
template <typename Visit> bool ForEachPiece(std::string_view all, Visit visit)
{
    for (std::size_t at = 0;;) {
        const auto comma = all.find(',', at);
        const std::string_view number
            = TrimmedXmlSpace(all.substr(at, comma == std::string_view::npos ? all.npos : comma - at));
        if (!visit(number, static_cast<std::size_t>(number.data() - all.data())))
            return false;
        if (comma == std::string_view::npos)
            return true;
        at = comma + 1;
    }
}

} // namespace

std::optional<std::vector<Decimal>> SeriesValues(std::string_view series)
{
    std::vector<Decimal> values;
    const bool read = ForEachPiece(series, [&](std::string_view number, std::size_t) {
        const auto value = Decimal::parsePlain(number);
        if (!IsDistance(value))
            return false;
        values.push_back(*value);
        return true;
    });
    if (!read)
        return std::nullopt;
    return values;
}

std::optional<SeriesText> SeriesText::read(std::string text)
{
    SeriesText series;
    series.m_text = std::move(text);
    const std::string_view all = series.m_text;
    if (TrimmedXmlSpace(all).empty())
        return series;
    bool fixedSeries = false;
    const bool read = ForEachPiece(all, [&](std::string_view number, std::size_t offset) {
        const auto value = Decimal::parsePlain(number);
        if (!IsDistance(value))
            return false;
        series.m_places.push_back({offset, number.size(), FractionDigits(number) == kFixedDecimals});
        series.m_values.push_back(*value);
        // Only a series written with four decimals always has trailing zeros among them.
        fixedSeries = fixedSeries || (FractionDigits(number) == kFixedDecimals && number.back() == '0');
        return true;
    });
    if (!read)
        return std::nullopt;
    for (Place& place : series.m_places)
        place.fixed = place.fixed && fixedSeries;
    return series;
}

std::string SeriesText::written() const
{
    std::string text;
    text.reserve(m_text.size() + m_values.size() + 16);
    std::size_t copied = 0;
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        const Place& place = m_places[i];
        text.append(m_text, copied, place.offset - copied);
        text += place.fixed ? m_values[i].toFixedString(kFixedDecimals) : ShortDistance(m_values[i]);
        copied = place.offset + place.length;
    }
    text.append(m_text, copied);
    return text;
}

std::string ShortDistance(const Decimal& value)
{
    std::string text = value.toPlainString('.');
    if (text.find('.') == std::string::npos)
        text += ".0";
    return text;
}

std::optional<Decimal> SampleSeconds(pugi::xml_node data, const Decimal& longest)
{
    const pugi::xml_attribute unit = data.attribute("intervalUnit");
    if (unit && TrimmedXmlSpace(unit.value()) != "s")
        return std::nullopt;
    const auto seconds = Decimal::parsePlain(TrimmedXmlSpace(data.attribute("intervalValue").value()));
    if (!seconds || *seconds <= Decimal() || *seconds > longest)
        return std::nullopt;
    return seconds;
}

} // namespace paceforge
