#include "compose/DistanceSeries.h"
#include "platform/XmlDocument.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <algorithm>
#include <cstdio>

using namespace paceforge;

namespace {

Decimal Km(const char* text)
{
    return *Decimal::parsePlain(text);
}

// "0.0" then `count` multiples of the step (in ten-thousandths of a kilometre), then `last`.
std::string Evenly(int step, int count, const char* last = nullptr)
{
    std::string text = "0.0";
    char value[32];
    for (int k = 1; k <= count; ++k) {
        std::snprintf(value, sizeof value, ",%d.%04d", k * step / 10000, k * step % 10000);
        text += value;
    }
    return last ? text + "," + last : text;
}

TEST(DistanceSeriesTest, BuildsExtendsAndCuts)
{
    const std::string fresh2km = "0.0,0.3333,0.6666,0.9999,1.3332,1.6665,1.9998,2.0000";
    const struct {
        const char* existing;
        const char* km;
        long long seconds;
        std::string expected;
    } cases[] = {
        {"", "5", 1800, Evenly(278, 179, "5.0000")},
        {"", "5", 1500, Evenly(333, 150, "5.0000")},
        {"", "1", 1000, Evenly(100, 99)},
        {"", "0.5", 59, "0.0,0.1000,0.2000,0.3000,0.4000"},
        {"", "2", 60, fresh2km},
        {"0.0", "2", 60, fresh2km},
        {"0.0,1.0000,2.0000,3.5000", "3", 100, "0.0,1.0000,2.0000,3.0000"},
        {"0.0,1.0000,2.0000,3.5000", "4", 100, "0.0,1.0000,2.0000,3.5000,3.9000,4.0000"},
        // A cut keeps every recorded value up to the total as written, the first and repeated ones too.
        {"0.0,1.0000,2.0000", "2", 100, "0.0,1.0000,2.0000"},
        {"0.0013, 0.5, 1.0, 1.0, 1.0, 1.2", "1", 60, "0.0013, 0.5, 1.0, 1.0, 1.0"},
        {" 0.0, 0.013, 0.0307\n", "0.05", 40, "0.0, 0.013, 0.0307,0.0432,0.0500"},
        {"0.0, 0.013 , 0.0307", "0.02", 40, "0.0, 0.013 ,0.0200"},
        {"0.0,0.12345,0.5", "0.3", 100, "0.0,0.12345,0.3000"},
        {"", "0.0025", 100, Evenly(2, 12, "0.0025")},
        // A step that rounds to zero still reaches the total.
        {"", "0.0003", 10800, "0.0,0.0001,0.0002"},
        {"0.0,1.0000,", "2", 60, fresh2km},
        {"0.0,abc,3.0", "2", 60, fresh2km},
        {"0.0,-1,3.0", "2", 60, fresh2km},
        {"0.0,1.0", "5", 9, "0.0"},
        {"0.0,1.0", "0", 1800, "0.0"},
    };
    QLocale::setDefault(QLocale(QLocale::German));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.existing << "\" " << c.km << " km " << c.seconds << " s");
        EXPECT_EQ(DistanceSeriesText(c.existing, Km(c.km), c.seconds), c.expected);
    }
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(std::count(cases[0].expected.begin(), cases[0].expected.end(), ','), 180);
    EXPECT_TRUE(cases[0].expected.ends_with(",4.9484,4.9762,5.0000"));
    EXPECT_TRUE(cases[1].expected.ends_with("4.9617,4.9950,5.0000"));
    EXPECT_EQ(std::count(cases[1].expected.begin(), cases[1].expected.end(), ','), 151);
    EXPECT_TRUE(cases[2].expected.ends_with(",0.9800,0.9900"));
}

TEST(DistanceSeriesTest, SetsOnlyExistingAttributesAndReadsElementText)
{
    const struct {
        const char* xml;
        const char* km;
        const char* expectedAttributes;
        const char* expectedSeries;
    } cases[] = {
        {R"(<e dataType="x" intervalType="y" intervalUnit="z" intervalValue="5">0.0, 1.0, 2.0</e>)", "2.5",
            R"(<e dataType="distance" intervalType="time" intervalUnit="s" intervalValue="10">)",
            "0.0, 1.0, 2.0,2.2500"},
        {R"(<e intervalValue="5" other="o"> </e>)", "0", R"(<e intervalValue="10" other="o">)", "0.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        XmlDocument doc = XmlDocument::fromBytes(c.xml);
        EXPECT_EQ(DistanceSeries(doc.documentElement(), Km(c.km), 100), c.expectedSeries);
        EXPECT_TRUE(doc.toBytes().starts_with(c.expectedAttributes)) << doc.toBytes();
    }
}

TEST(DistanceSeriesTest, MillionValueSeriesIsExtendedAndCut)
{
    std::string existing = "0.0";
    for (int k = 1; k < 1'000'000; ++k)
        existing += ", " + std::to_string(k / 1000) + "." + std::to_string(k % 1000 + 1000).substr(1);
    const std::string extended = DistanceSeriesText(existing, Km("1000.5"), 100);
    const std::string cut = DistanceSeriesText(existing, Km("999.4995"), 100);
    EXPECT_EQ(extended, existing + ",1000.5000");
    EXPECT_EQ(std::count(cut.begin(), cut.end(), ','), 999'500);
    EXPECT_TRUE(cut.ends_with(", 999.499,999.4995"));
}

} // namespace
