#include "workout/SeriesMillimetres.h"
#include "workout/SeriesText.h"

#include <gtest/gtest.h>

#include <string>

using namespace paceforge;

// The fast reading of the history must take and refuse exactly what SeriesValues does.
TEST(SeriesMillimetresTest, TakesWhatSeriesValuesTakes)
{
    // Long series are read eight bytes at a time, the last pieces and unusual ones one by one.
    const std::string pieces = "0.0, 0.013,0.0307, 7., 12.345678, 123456.1, 999999.999999, 0.1234567, 00012.5, "
                               "+3, .5 , 1.25\t,42, 0000001.0, 5.0000, 3.14159265, 0.000001";
    const std::string longSeries = pieces + ", " + pieces + ", " + pieces;
    const std::string damaged = pieces + ", 1.2.3, " + pieces;
    const std::string tooFar = pieces + ", 1000000.0, " + pieces;
    const std::string negative = pieces + ", -0.5, " + pieces;
    const char* series[] = {longSeries.c_str(), damaged.c_str(), tooFar.c_str(), negative.c_str(), "0.0, 0.013, 0.0307",
        "0.0,0.0278,0.0556", " 1.5 ,\t2.25\n", "+3, .5, 7.", "-0, -0.000", "999999.9999",
        "0.0000004, 0.0000005, 1.2345678", "0.123456789012", "", ",", "0.0, , 1.0", ".", "1e3", "-0.0000001", "1000000",
        "0001000000.0", "0.1234567890123", "0x1", "1.0.0", "5 km", "--1"};
    for (const char* text : series) {
        SCOPED_TRACE(text);
        const auto values = SeriesValues(text);
        const auto millimetres = SeriesMillimetres(text);
        ASSERT_EQ(values.has_value(), millimetres.has_value());
        if (!values)
            continue;
        ASSERT_EQ(values->size(), millimetres->size());
        for (std::size_t i = 0; i < values->size(); ++i) {
            const Decimal expected = (*values)[i].rounded(6, Decimal::Rounding::HalfAwayFromZero);
            EXPECT_EQ(Decimal::fromParts((*millimetres)[i], 6), expected) << i;
        }
    }
}
