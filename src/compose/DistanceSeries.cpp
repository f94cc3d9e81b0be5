#include "DistanceSeries.h"

#include "platform/XmlDocument.h"

#include <optional>
#include <utility>

namespace paceforge {
namespace {

constexpr int kDecimals = 4;
constexpr long long kSecondsPerSample = 10;
constexpr std::string_view kStart = "0.0";

Decimal Round4(const Decimal& value)
{
    return value.rounded(kDecimals, Decimal::Rounding::HalfEven);
}

void AppendValue(std::string& text, const Decimal& value)
{
    text += ',';
    text += value.toFixedString(kDecimals);
}

// Walks the comma-separated pieces of a series without copying them; real device files put a
// blank after each comma, so every piece is trimmed before it is read.
class Pieces
{
public:
    explicit Pieces(std::string_view text) : m_rest(text) { }

    std::optional<std::string_view> next()
    {
        if (m_done)
            return std::nullopt;
        const auto comma = m_rest.find(',');
        std::string_view piece = m_rest.substr(0, comma);
        if (comma == std::string_view::npos)
            m_done = true;
        else
            m_rest.remove_prefix(comma + 1);
        return TrimmedXmlSpace(piece);
    }

private:
    std::string_view m_rest;
    bool m_done = false;
};

// The value of the last piece, or nothing when any piece is not a distance: a damaged series is
// rebuilt rather than carried into the file half-read. A negative value counts as damage too; it
// would also make the extension run for as long as the value is large.
std::optional<Decimal> LastValueIfAllDistances(std::string_view series)
{
    std::optional<Decimal> last;
    Pieces pieces(series);
    while (const auto piece = pieces.next()) {
        last = Decimal::parsePlain(*piece);
        if (!last || last->isNegative())
            return std::nullopt;
    }
    return last;
}

} // namespace

std::string DistanceSeriesText(std::string_view existing, const Decimal& kilometres, long long totalSeconds)
{
    if (kilometres <= Decimal() || totalSeconds <= 0)
        return std::string(kStart);
    const long long n = totalSeconds / kSecondsPerSample;
    if (n == 0)
        return std::string(kStart);

    Decimal step = kilometres.dividedBy(Decimal::fromInteger(n), kDecimals, Decimal::Rounding::HalfEven);
    // A step that rounds to nothing would never reach the total.
    if (step.isZero())
        step = Decimal::fromParts(1, kDecimals);

    existing = TrimmedXmlSpace(existing);
    std::string text(kStart);
    Decimal current;
    Decimal previous;
    bool cut = false;
    if (existing.find(',') != std::string_view::npos) {
        if (const auto last = LastValueIfAllDistances(existing)) {
            if (kilometres > *last) {
                text.assign(existing);
                current = *last;
            } else {
                cut = true;
            }
        }
    }

    if (cut) {
        // Recorded values stay as they were written, the first one and the separators included:
        // the series ends after the last value that does not pass the total, then at the total.
        std::size_t kept = 0;
        current = Decimal();
        for (std::size_t start = 0; start <= existing.size();) {
            const auto comma = existing.find(',', start);
            const std::size_t end = comma == std::string_view::npos ? existing.size() : comma;
            const Decimal value = *Decimal::parsePlain(TrimmedXmlSpace(existing.substr(start, end - start)));
            if (value > kilometres)
                break;
            kept = end;
            current = value;
            start = end + 1;
        }
        if (kept > 0)
            text.assign(existing.substr(0, kept));
        if (current < kilometres)
            AppendValue(text, kilometres.rounded(kDecimals, Decimal::Rounding::HalfEven));
        return text;
    }
    while (current < kilometres) {
        previous = current;
        current = Round4(current + step);
        if (current < kilometres)
            AppendValue(text, current);
    }

    if (current > kilometres)
        AppendValue(text, Round4(Round4(kilometres - previous) + previous));
    return text;
}

void SetSeriesAttributes(pugi::xml_node extendedData)
{
    static constexpr std::pair<const char*, std::string_view> kAttributes[] = {
        {"dataType", "distance"},
        {"intervalType", "time"},
        {"intervalUnit", "s"},
        {"intervalValue", "10"},
    };
    for (const auto& [name, value] : kAttributes)
        if (pugi::xml_attribute attribute = extendedData.attribute(name))
            SetAttributeText(attribute, value);
}

std::string DistanceSeries(pugi::xml_node extendedData, const Decimal& kilometres, long long totalSeconds)
{
    SetSeriesAttributes(extendedData);
    return DistanceSeriesText(NodeText(extendedData), kilometres, totalSeconds);
}

} // namespace paceforge
