#include "workout/Decimal.h"

#include <gtest/gtest.h>

#include <QLocale>

using namespace paceforge;
using R = Decimal::Rounding;

namespace {

Decimal D(const char* text)
{
    return *Decimal::parsePlain(text);
}
std::string Plain(const std::optional<Decimal>& value)
{
    return value ? value->toPlainString('.') : "-";
}

TEST(DecimalTest, Parsing)
{
    const QLocale c = QLocale::c(), de(QLocale::German, QLocale::Germany), fr(QLocale::French, QLocale::France);
    const struct {
        const QLocale* locale;
        const char16_t* text;
        const char* expected;
    } cases[] = {
        {nullptr, u"-12.5", "-12.5"},
        {nullptr, u".5", "0.5"},
        {nullptr, u"7.", "7"},
        {nullptr, u"+007.500", "7.5"},
        {nullptr, u"0000000000000000001", "1"},
        {nullptr, u"1234567890123456", "-"},
        {nullptr, u"0.1234567890123", "-"},
        {nullptr, u".", "-"},
        {nullptr, u" 1", "-"},
        {nullptr, u"1e3", "-"},
        {nullptr, u"1,5", "-"},
        {&c, u" 12,345,678.9 ", "12345678.9"},
        {&c, u"1,23", "-"},
        {&c, u"1234,567", "-"},
        {&c, u"5abc", "-"},
        {&de, u"-1.234,5", "-1234.5"},
        {&de, u"8.047", "8047"},
        {&de, u"1.5", "-"},
        {&fr, u"1\u202F234,5", "1234.5"},
        {&fr, u"1 234,5", "1234.5"},
        {&fr, u"1 23,5", "-"},
    };
    for (const auto& t : cases) {
        const QString text = QString::fromUtf16(t.text);
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(Plain(t.locale ? Decimal::parseLocale(text, *t.locale) : Decimal::parsePlain(text.toStdString())),
            t.expected);
    }
    EXPECT_EQ(Plain(Decimal::parseLeading(u" -3,5 km", de)), "-3.5");
    EXPECT_EQ(Plain(Decimal::parseLeading(u"abc", de)), "0");
    EXPECT_FALSE(Decimal::parseLeading(u"99999999999999999999", c).isZero());
}

TEST(DecimalTest, RoundingAndDivision)
{
    const struct {
        const char* value;
        const char* divisor;
        int decimals;
        R rounding;
        const char* expected;
    } cases[] = {
        {"0.14175", "1", 4, R::HalfEven, "0.1418"},
        {"-0.08505", "1", 4, R::HalfEven, "-0.085"},
        {"-2.5", "1", 0, R::HalfEven, "-2"},
        {"2.50001", "1", 0, R::HalfEven, "3"},
        {"-2.5", "1", 0, R::HalfAwayFromZero, "-3"},
        {"-3.0481", "1", 3, R::Floor, "-3.049"},
        {"0.55999188", "0.4536", 4, R::HalfEven, "1.2346"},
        {"-0.55994652", "0.4536", 4, R::HalfEven, "-1.2344"},
        {"1", "-8", 2, R::HalfAwayFromZero, "-0.13"},
        {"-1", "3", 2, R::Floor, "-0.34"},
        {"999999999999999.999999999999", "0.4536", 4, R::HalfEven, "2204585537918871.2522"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.value) + " / " + c.divisor);
        const Decimal value = D(c.value), divisor = D(c.divisor);
        const Decimal result = divisor == D("1") ? value.rounded(c.decimals, c.rounding)
                                                 : value.dividedBy(divisor, c.decimals, c.rounding);
        EXPECT_EQ(result.toPlainString('.'), c.expected);
    }
}

TEST(DecimalTest, LimitsAndTextForms)
{
    EXPECT_EQ(
        (D("-999999999999999.999999999999") * D("1.6094")).toPlainString('.'), "-1609399999999999.9999999999983906");
    EXPECT_EQ(D("999.995").toFixedString(2), "1000.00");
    EXPECT_EQ(D("-0.004").toFixedString(2), "0.00");
    EXPECT_EQ(D("-3.105").toFixedString(2), "-3.11");
    EXPECT_EQ(D("42.1663").toDouble(), 42.1663);
}

TEST(DecimalTest, WholeNumberText)
{
    const Int128 max = ~(Int128(1) << 127);
    const Int128 twoTo64 = Int128(1) << 64;
    Int128 tenTo36 = 1;
    for (int i = 0; i < 36; ++i)
        tenTo36 *= 10;
    EXPECT_EQ(Int128ToString(0), "0");
    EXPECT_EQ(Int128ToString(-7), "-7");
    EXPECT_EQ(Int128ToString(twoTo64 - 1), "18446744073709551615");
    EXPECT_EQ(Int128ToString(-twoTo64), "-18446744073709551616");
    EXPECT_EQ(Int128ToString(tenTo36 + 5), "1000000000000000000000000000000000005");
    EXPECT_EQ(Int128ToString(max), "170141183460469231731687303715884105727");
    EXPECT_EQ(Int128ToString(-max - 1), "-170141183460469231731687303715884105728");
}

} // namespace
