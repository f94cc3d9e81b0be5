#include "SeriesMillimetres.h"

#include "Decimal.h"
#include "SeriesText.h"

namespace paceforge {
namespace {

constexpr int kMillimetreDecimals = 6;
constexpr std::int64_t kMillimetresPerKm = 1'000'000;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// One piece from `at`, blanks around it, up to its comma or the end: Decimal::parsePlain's forms
// ("+3", ".5", "7."), then SeriesValues' range (not negative, below kLargestKilometres).
std::optional<std::int64_t> Piece(std::string_view text, std::size_t& at)
{
    const std::size_t size = text.size();
    std::size_t i = at;
    while (i < size && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < size && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    bool anyDigit = false, nonZero = false;
    std::int64_t kilometres = 0;
    for (; i < size && text[i] >= '0' && text[i] <= '9'; ++i) {
        anyDigit = true;
        nonZero = nonZero || text[i] != '0';
        kilometres = kilometres * 10 + (text[i] - '0');
        if (kilometres >= kLargestKilometres)
            return std::nullopt;
    }
    std::int64_t fraction = 0;
    int fractionDigits = 0;
    bool roundUp = false;
    if (i < size && text[i] == '.') {
        for (++i; i < size && text[i] >= '0' && text[i] <= '9'; ++i) {
            anyDigit = true;
            nonZero = nonZero || text[i] != '0';
            if (++fractionDigits > Decimal::kMaxFractionDigits)
                return std::nullopt;
            if (fractionDigits <= kMillimetreDecimals)
                fraction = fraction * 10 + (text[i] - '0');
            else if (fractionDigits == kMillimetreDecimals + 1)
                roundUp = text[i] >= '5';
        }
    }
    while (i < size && IsBlank(text[i]))
        ++i;
    if ((i < size && text[i] != ',') || !anyDigit || (negative && nonZero))
        return std::nullopt;
    at = i;
    for (int d = fractionDigits; d < kMillimetreDecimals; ++d)
        fraction *= 10;
    return kilometres * kMillimetresPerKm + fraction + (roundUp ? 1 : 0);
}

} // namespace

std::optional<std::vector<std::int64_t>> SeriesMillimetres(std::string_view series)
{
    std::vector<std::int64_t> values;
    values.reserve(series.size() / 6 + 1);
    for (std::size_t at = 0;; ++at) {
        const auto value = Piece(series, at);
        if (!value)
            return std::nullopt;
        values.push_back(*value);
        if (at == series.size())
            return values;
    }
}

} // namespace paceforge
