#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QLocale;

namespace paceforge {

__extension__ typedef __int128 Int128;

// An exact decimal number: mantissa / 10^scale.
//
// Every rounding rule of the workout format is stated in decimal terms ("round to four places,
// ties to even"), and a binary double cannot honour those rules on values such as 8.04700000001
// or on exact ties like 0.00005. Numbers therefore travel as decimals from the text the user typed
// to the text written into the document; doubles appear only where a caller asks for one.
//
// Parsed numbers carry at most 15 integer and 12 fraction digits, so that a product with one of
// the unit factors and any comparison between two values fit in 128 bits.
class Decimal
{
public:
    static constexpr int kMaxIntegerDigits = 15;
    static constexpr int kMaxFractionDigits = 12;

    constexpr Decimal() = default;
    static Decimal fromInteger(long long value);
    static Decimal fromParts(Int128 mantissa, int scale);

    // "-12.5", "+3", ".5", "7." — the forms a document or a plain number text holds; nothing else
    // (no blanks, no grouping, no exponent).
    static std::optional<Decimal> parsePlain(std::string_view text);
    // The same, read with the user's decimal separator and digit grouping; the text is trimmed.
    static std::optional<Decimal> parseLocale(QStringView text, const QLocale& locale);
    // The number a text starts with, read like the leading number of a form field: blanks are
    // skipped, reading stops at the first character that cannot continue the number, and a text
    // that does not start with a number gives zero.
    static Decimal parseLeading(QStringView text, const QLocale& locale);

    Int128 mantissa() const { return m_mantissa; }
    int scale() const { return m_scale; }

    bool isZero() const { return m_mantissa == 0; }
    bool isNegative() const { return m_mantissa < 0; }
    bool isInteger() const;

    Decimal operator+(const Decimal& other) const;
    Decimal operator-(const Decimal& other) const;
    Decimal operator*(const Decimal& other) const;
    std::strong_ordering operator<=>(const Decimal& other) const;
    bool operator==(const Decimal& other) const { return (*this <=> other) == 0; }

    enum class Rounding { HalfEven, HalfAwayFromZero, Floor };
    Decimal rounded(int decimals, Rounding rounding) const;
    // this / divisor, rounded to the given decimals; divisor must not be zero.
    Decimal dividedBy(const Decimal& divisor, int decimals, Rounding rounding) const;

    // Whole part, dropping the fraction (toward zero).
    Int128 integerPart() const;

    // Shortest plain form: no trailing zeros, no separator for whole values, "0" before a fraction.
    std::string toPlainString(char decimalPoint = '.') const;
    QString toPlainString(QChar decimalPoint) const;
    // Exactly `decimals` places after the point, rounding halves away from zero.
    std::string toFixedString(int decimals) const;
    double toDouble() const;

private:
    Decimal(Int128 mantissa, int scale) : m_mantissa(mantissa), m_scale(scale) { }
    Decimal normalized() const;

    Int128 m_mantissa = 0;
    int m_scale = 0;
};

std::string Int128ToString(Int128 value);

} // namespace paceforge
