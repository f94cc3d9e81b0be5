#include "Decimal.h"

#include <QLocale>

#include <array>
#include <charconv>
#include <cstdint>
#include <limits>

namespace paceforge {
namespace {

constexpr int kMaxPow10 = 38;

__extension__ typedef unsigned __int128 Unsigned128;

const std::array<Int128, kMaxPow10 + 1>& Pow10Table()
{
    static const auto table = [] {
        std::array<Int128, kMaxPow10 + 1> t{};
        t[0] = 1;
        for (int i = 1; i <= kMaxPow10; ++i)
            t[i] = t[i - 1] * 10;
        return t;
    }();
    return table;
}

Int128 Pow10(int exponent)
{
    Q_ASSERT(exponent >= 0 && exponent <= kMaxPow10);
    return Pow10Table()[exponent];
}

Int128 Abs(Int128 v)
{
    return v < 0 ? -v : v;
}

// q and r are the truncated quotient and remainder of a division by `divisor` (> 0 after the sign
// of the dividend was folded into q and r); returns q moved away from zero where the rule says so.
Int128 RoundQuotient(Int128 q, Int128 r, Int128 divisor, bool negative, Decimal::Rounding rounding)
{
    if (r == 0)
        return q;
    const Int128 twice = Abs(r) * 2;
    bool away = false;
    switch (rounding) {
    case Decimal::Rounding::HalfEven:
        away = twice > divisor || (twice == divisor && (q % 2) != 0);
        break;
    case Decimal::Rounding::HalfAwayFromZero:
        away = twice >= divisor;
        break;
    case Decimal::Rounding::Floor:
        away = negative;
        break;
    }
    return away ? q + (negative ? -1 : 1) : q;
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool IsSpaceSeparator(QChar c)
{
    return c == u' ' || c == u'\u00A0' || c == u'\u202F';
}

// Length of the group separator the text starts with, 0 when none. Keyboards have no narrow or
// non-breaking space, so where the locale groups with one a plain space stands for it too.
qsizetype GroupSeparatorLength(QStringView text, const QString& group)
{
    if (group.isEmpty() || text.isEmpty())
        return 0;
    if (text.startsWith(group))
        return group.size();
    return group.size() == 1 && IsSpaceSeparator(group[0]) && IsSpaceSeparator(text[0]) ? 1 : 0;
}

struct DigitReader {
    Int128 mantissa = 0;
    int integerDigits = 0; // significant ones: leading zeros do not count
    int fractionDigits = 0;
    bool anyDigit = false;
    bool overflow = false;

    void integerDigit(int d)
    {
        anyDigit = true;
        if (integerDigits == 0 && d == 0)
            return;
        if (++integerDigits > Decimal::kMaxIntegerDigits)
            overflow = true;
        else
            mantissa = mantissa * 10 + d;
    }
    void fractionDigit(int d)
    {
        anyDigit = true;
        if (++fractionDigits > Decimal::kMaxFractionDigits)
            overflow = true;
        else
            mantissa = mantissa * 10 + d;
    }
};

} // namespace

Decimal Decimal::fromInteger(long long value)
{
    return Decimal(value, 0);
}

Decimal Decimal::fromParts(Int128 mantissa, int scale)
{
    return Decimal(mantissa, scale).normalized();
}

bool Decimal::isInteger() const
{
    return m_scale == 0 || m_mantissa % Pow10(m_scale) == 0;
}

Decimal Decimal::normalized() const
{
    Decimal d = *this;
    if (d.m_mantissa == 0)
        d.m_scale = 0;
    if (d.m_mantissa >= std::numeric_limits<std::int64_t>::min()
        && d.m_mantissa <= std::numeric_limits<std::int64_t>::max()) {
        auto small = static_cast<std::int64_t>(d.m_mantissa);
        while (d.m_scale > 0 && small % 10 == 0) {
            small /= 10;
            --d.m_scale;
        }
        d.m_mantissa = small;
        return d;
    }
    while (d.m_scale > 0 && d.m_mantissa % 10 == 0) {
        d.m_mantissa /= 10;
        --d.m_scale;
    }
    return d;
}

std::optional<Decimal> Decimal::parsePlain(std::string_view text)
{
    // Most numbers of a workout are short ("0.0244", a series holds a thousand): their digits fit
    // 64 bits, which saves the 128-bit arithmetic below for each digit.
    if (!text.empty() && text.size() <= 18 && text[0] >= '0' && text[0] <= '9') {
        std::uint64_t mantissa = 0;
        int scale = -1;
        int integerDigits = 0;
        bool plain = true;
        for (const char c : text) {
            if (c >= '0' && c <= '9') {
                mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
                if (scale >= 0)
                    ++scale;
                else if (++integerDigits > kMaxIntegerDigits)
                    plain = false;
            } else if (c == '.' && scale < 0) {
                scale = 0;
            } else {
                plain = false;
            }
            if (!plain)
                break;
        }
        if (plain && scale <= kMaxFractionDigits)
            return Decimal(static_cast<Int128>(mantissa), scale < 0 ? 0 : scale).normalized();
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    DigitReader reader;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        reader.integerDigit(text[i++] - '0');
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            reader.fractionDigit(text[i++] - '0');
    }
    if (i != text.size() || !reader.anyDigit || reader.overflow)
        return std::nullopt;
    return Decimal(negative ? -reader.mantissa : reader.mantissa, reader.fractionDigits).normalized();
}

std::optional<Decimal> Decimal::parseLocale(QStringView text, const QLocale& locale)
{
    text = text.trimmed();
    const QString decimalPoint = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    const QString minus = locale.negativeSign();
    const QString plus = locale.positiveSign();

    qsizetype i = 0;
    bool negative = false;
    if (text.startsWith(u'-') || (!minus.isEmpty() && text.startsWith(minus))) {
        negative = true;
        i = text.startsWith(u'-') ? 1 : minus.size();
    } else if (text.startsWith(u'+') || (!plus.isEmpty() && text.startsWith(plus))) {
        i = text.startsWith(u'+') ? 1 : plus.size();
    }

    DigitReader reader;
    int digitsInGroup = 0;
    bool grouped = false;
    while (i < text.size()) {
        if (IsDigit(text[i])) {
            reader.integerDigit(text[i].unicode() - u'0');
            ++digitsInGroup;
            ++i;
        } else if (const qsizetype length = GroupSeparatorLength(text.mid(i), group);
                   length > 0 && reader.anyDigit && (grouped ? digitsInGroup == 3 : digitsInGroup <= 3)) {
            grouped = true;
            digitsInGroup = 0;
            i += length;
        } else {
            break;
        }
    }
    // A group separator must be followed by exactly three digits: "1,5" in a locale that groups
    // with "," is not fifteen.
    if (grouped && digitsInGroup != 3)
        return std::nullopt;
    if (i < text.size() && text.mid(i).startsWith(decimalPoint)) {
        i += decimalPoint.size();
        while (i < text.size() && IsDigit(text[i]))
            reader.fractionDigit(text[i++].unicode() - u'0');
    }
    if (i != text.size() || !reader.anyDigit || reader.overflow)
        return std::nullopt;
    return Decimal(negative ? -reader.mantissa : reader.mantissa, reader.fractionDigits).normalized();
}

Decimal Decimal::parseLeading(QStringView text, const QLocale& locale)
{
    text = text.trimmed();
    const QString decimalPoint = locale.decimalPoint();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    DigitReader reader;
    while (i < text.size() && IsDigit(text[i]) && !reader.overflow)
        reader.integerDigit(text[i++].unicode() - u'0');
    if (reader.overflow) // only zero-ness matters to callers; a long digit run is not zero
        return Decimal(negative ? -1 : 1, 0);
    if (i < text.size() && text.mid(i).startsWith(decimalPoint)) {
        i += decimalPoint.size();
        while (i < text.size() && IsDigit(text[i]) && reader.fractionDigits < kMaxFractionDigits)
            reader.fractionDigit(text[i++].unicode() - u'0');
    }
    return Decimal(negative ? -reader.mantissa : reader.mantissa, reader.fractionDigits).normalized();
}

std::strong_ordering Decimal::operator<=>(const Decimal& other) const
{
    const int scale = std::max(m_scale, other.m_scale);
    const Int128 a = m_mantissa * Pow10(scale - m_scale);
    const Int128 b = other.m_mantissa * Pow10(scale - other.m_scale);
    return a < b ? std::strong_ordering::less : a > b ? std::strong_ordering::greater : std::strong_ordering::equal;
}

Decimal Decimal::operator+(const Decimal& other) const
{
    const int scale = std::max(m_scale, other.m_scale);
    return Decimal(m_mantissa * Pow10(scale - m_scale) + other.m_mantissa * Pow10(scale - other.m_scale), scale)
        .normalized();
}

Decimal Decimal::operator-(const Decimal& other) const
{
    return *this + Decimal(-other.m_mantissa, other.m_scale);
}

Decimal Decimal::operator*(const Decimal& other) const
{
    return Decimal(m_mantissa * other.m_mantissa, m_scale + other.m_scale).normalized();
}

Decimal Decimal::rounded(int decimals, Rounding rounding) const
{
    if (m_scale <= decimals)
        return *this;
    const Int128 divisor = Pow10(m_scale - decimals);
    const Int128 q = m_mantissa / divisor;
    const Int128 r = m_mantissa % divisor;
    return Decimal(RoundQuotient(q, r, divisor, m_mantissa < 0, rounding), decimals).normalized();
}

Decimal Decimal::dividedBy(const Decimal& divisor, int decimals, Rounding rounding) const
{
    Q_ASSERT(!divisor.isZero());
    Int128 numerator = m_mantissa;
    Int128 denominator = divisor.m_mantissa;
    const int exponent = decimals + divisor.m_scale - m_scale;
    if (exponent >= 0)
        numerator *= Pow10(exponent);
    else
        denominator *= Pow10(-exponent);
    const bool negative = (numerator < 0) != (denominator < 0);
    numerator = Abs(numerator);
    denominator = Abs(denominator);
    Int128 q = numerator / denominator;
    const Int128 r = numerator % denominator;
    q = RoundQuotient(negative ? -q : q, negative ? -r : r, denominator, negative, rounding);
    return Decimal(q, decimals).normalized();
}

Int128 Decimal::integerPart() const
{
    return m_mantissa / Pow10(m_scale);
}

std::string Int128ToString(Int128 value)
{
    // Digits come from 64-bit arithmetic, 18 at a time above 64 bits: 128-bit division by ten
    // for every digit made this the slowest step of a long distance series.
    const bool negative = value < 0;
    Unsigned128 magnitude
        = negative ? Unsigned128(0) - static_cast<Unsigned128>(value) : static_cast<Unsigned128>(value);
    char buffer[48];
    char* const end = buffer + sizeof buffer;
    char* begin = end;
    constexpr std::uint64_t kChunk = 1000000000000000000ULL;
    while (magnitude > std::numeric_limits<std::uint64_t>::max()) {
        auto low = static_cast<std::uint64_t>(magnitude % kChunk);
        magnitude /= kChunk;
        for (int i = 0; i < 18; ++i, low /= 10)
            *--begin = static_cast<char>('0' + low % 10);
    }
    auto rest = static_cast<std::uint64_t>(magnitude);
    do {
        *--begin = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (negative)
        *--begin = '-';
    return std::string(begin, end);
}

namespace {
std::string FormatScaled(Int128 mantissa, int scale, char decimalPoint)
{
    const bool negative = mantissa < 0;
    const Int128 magnitude = Abs(mantissa);
    // Small values, every number a workout holds, are written from 64 bits into one buffer; a
    // distance series writes a thousand of them.
    if (magnitude <= std::numeric_limits<std::int64_t>::max() && scale <= 18) {
        char buffer[48];
        char* at = buffer;
        if (negative)
            *at++ = '-';
        const auto whole = static_cast<std::uint64_t>(magnitude / Pow10(scale));
        at = std::to_chars(at, buffer + sizeof buffer, whole).ptr;
        if (scale > 0) {
            auto fraction = static_cast<std::uint64_t>(magnitude % Pow10(scale));
            *at++ = decimalPoint;
            for (int i = scale - 1; i >= 0; --i, fraction /= 10)
                at[i] = static_cast<char>('0' + fraction % 10);
            at += scale;
        }
        return std::string(buffer, at);
    }
    std::string out = negative ? "-" : "";
    out += Int128ToString(magnitude / Pow10(scale));
    if (scale > 0) {
        std::string fraction = Int128ToString(magnitude % Pow10(scale));
        out += decimalPoint;
        out.append(static_cast<std::size_t>(scale) - fraction.size(), '0');
        out += fraction;
    }
    return out;
}
} // namespace

std::string Decimal::toPlainString(char decimalPoint) const
{
    const Decimal d = normalized();
    return FormatScaled(d.m_mantissa, d.m_scale, decimalPoint);
}

QString Decimal::toPlainString(QChar decimalPoint) const
{
    return QString::fromLatin1(toPlainString('.')).replace(u'.', decimalPoint);
}

std::string Decimal::toFixedString(int decimals) const
{
    const Decimal d = rounded(decimals, Rounding::HalfAwayFromZero);
    return FormatScaled(d.m_mantissa * Pow10(decimals - d.m_scale), decimals, '.');
}

double Decimal::toDouble() const
{
    const std::string text = toPlainString('.');
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

} // namespace paceforge
