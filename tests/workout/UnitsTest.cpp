#include "workout/Units.h"

#include <gtest/gtest.h>

using namespace paceforge;

// Readable failure messages.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

const QLocale kC = QLocale::c();
const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kFrench(QLocale::French, QLocale::France);
const QLocale kSwedish(QLocale::Swedish, QLocale::Sweden); // minus sign U+2212
const QLocale kArabic(QLocale::Arabic, QLocale::Egypt); // neither separator nor minus sign is ASCII

using TextConversion = std::optional<QString> (*)(QStringView, const QLocale&);
using NumberConversion = std::optional<double> (*)(QStringView, const QLocale&);

std::string Trace(const QLocale& locale, const QString& text)
{
    return (locale.name() + " [" + text + "]").toStdString();
}
QString Shown(const std::optional<QString>& text)
{
    return text.value_or(u"-"_qs);
}

TEST(UnitsTest, TextConversions)
{
    // The ties marked * are rounded the other way by binary doubles.
    const struct {
        TextConversion convert;
        const QLocale& locale;
        QString text;
        QString expected;
    } cases[] = {
        {MtoK, kC, "5", "8.047"},
        {MtoK, kC, "10", "16.094"},
        {MtoK, kC, "26.2", "42.1663"},
        {MtoK, kC, " 5 ", "8.047"},
        {MtoK, kC, "", "0"},
        {MtoK, kC, "   ", "0"},
        {MtoK, kC, "0.25", "0.4024"} /* * */,
        {MtoK, kC, "0.75", "1.207"},
        {MtoK, kC, "abc", "-"},
        {MtoK, kC, "5abc", "-"},
        {MtoK, kC, "1234567890123456", "-"},
        {MtoK, kGerman, "-0,25", "-0,4024"},
        {MtoK, kGerman, "1.000", "1609,4"},
        {MtoK, kGerman, "26.2", "-"},
        {MtoK, kSwedish, u"\u221210"_qs, u"\u221216,094"_qs},
        {KtoM, kC, "8.047", "5.0002"},
        {KtoM, kC, "6250", "3883.57"},
        {KtoM, kC, "18750", "11650.7098"} /* * */,
        {KtoM, kGerman, "8,047", "5,0002"},
        {LbtoKg, kC, "160", "72.576"},
        {LbtoKg, kC, "0.3125", "0.1418"} /* * */,
        {LbtoKg, kC, "0.1875", "0.085"} /* * */,
        {LbtoKg, kC, "-0.4375", "-0.1984"} /* * */,
        {LbtoKg, kFrench, "1 234,5", "559,9692"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Trace(c.locale, c.text));
        EXPECT_EQ(Shown(c.convert(c.text, c.locale)), c.expected);
    }
    EXPECT_EQ(dblKgtoLb(u"0.55994652", kC), 1.2344); // exactly 1.23445; a double gives 1.2345
    EXPECT_EQ(dblKgtoLb(u"-68,04", kGerman), -150.0);
    EXPECT_EQ(dblMtoK(u"", kC), 0.0);
    EXPECT_EQ(dblLbtoKg(u"x", kC), std::nullopt);
}

TEST(UnitsTest, NumbersEqualTheirTextReadBack)
{
    const struct {
        TextConversion text;
        NumberConversion number;
    } pairs[] = {{MtoK, dblMtoK}, {KtoM, dblKtoM}, {LbtoKg, dblLbtoKg}};
    for (const QLocale* locale : {&kC, &kGerman, &kSwedish, &kArabic}) {
        for (const char* value : {"26.2", "0.55994652", "-1234.5678", "99999999999999", "0.000049"}) {
            const QString input = WriteEntryNumber(*Decimal::parsePlain(value), *locale);
            SCOPED_TRACE(Trace(*locale, input));
            EXPECT_EQ(ReadEntryNumber(input, *locale), Decimal::parsePlain(value));
            EXPECT_FALSE(input.contains(locale->groupSeparator()));
            for (const auto& pair : pairs) {
                const std::optional<Decimal> readBack = ReadEntryNumber(pair.text(input, *locale).value(), *locale);
                ASSERT_TRUE(readBack.has_value());
                EXPECT_EQ(pair.number(input, *locale), readBack->toDouble());
            }
        }
    }
}

TEST(UnitsTest, UnitSelectorsRewriteTheField)
{
    // Each row switches the unit, then switches it back.
    const struct {
        bool weight;
        const QLocale& locale;
        QString text;
        QString there;
        QString back;
    } cases[] = {
        {false, kC, "5", "8.047", "5.0002"},
        {false, kC, "", "0", "0"},
        {false, kGerman, "5", "8,047", "5,0002"},
        {true, kC, "150", "68", "149.9"},
        {true, kGerman, "-150", "-68", "-149,9"},
        {true, kC, "0.3306", "0.2", "0.4"}, // 0.14996016 rounds to 0.15 first, then to 0.2
        {true, kC, "0.5511", "0.2", "0.4"},
        {true, kC, "0.7716", "0.4", "0.9"}, // ties 0.25 and 0.35
        {true, kC, "heavy", "-", "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Trace(c.locale, c.text));
        const auto convert = c.weight ? WeightForUnit : DistanceForUnit;
        const std::optional<QString> there = convert(c.text, true, c.locale);
        EXPECT_EQ(Shown(there), c.there);
        EXPECT_EQ(Shown(convert(there.value_or(c.text), false, c.locale)), c.back);
    }
    EXPECT_EQ(Shown(WeightForUnit(u"1.0206", false, kC)), u"2.2"_qs); // 2.25 exactly
    EXPECT_EQ(Shown(WeightForUnit(u"1.06596", false, kC)), u"2.4"_qs); // 2.35 exactly
}

} // namespace
