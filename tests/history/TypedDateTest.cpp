#include "history/TypedDate.h"

#include <gtest/gtest.h>

using namespace paceforge;

// A date typed whole means what it says, in the ISO form and in the locale's short form, with a
// year of two digits or four; anything else is no date.
TEST(TypedDate, ReadsWhatWasTyped)
{
    const struct {
        const char* locale;
        const char* text;
        QDate expected; // invalid: no date
    } cases[] = {
        {"en_US", "2009-01-01", {2009, 1, 1}},
        {"de_DE", " 2009-1-2 ", {2009, 1, 2}},
        {"en_US", "1/31/09", {2009, 1, 31}},
        {"en_US", "1/31/2009", {2009, 1, 31}},
        {"en_US", "12/31/99", {2099, 12, 31}},
        {"en_US", "31/1/09", {}},
        {"en_GB", "31/01/2009", {2009, 1, 31}},
        {"en_GB", "3/1/09", {2009, 1, 3}},
        {"de_DE", "31.01.09", {2009, 1, 31}},
        {"de_DE", "1/31/09", {}},
        {"en_US", "2009-02-30", {}},
        {"en_US", "2009-13-01", {}},
        {"en_US", "09-1-1", {}},
        {"en_US", "soon", {}},
        {"en_US", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " \"" + c.text + "\"");
        const std::optional<QDate> read
            = ParseTypedDate(QString::fromUtf8(c.text), QLocale(QString::fromLatin1(c.locale)));
        if (c.expected.isValid()) {
            ASSERT_TRUE(read.has_value());
            EXPECT_EQ(*read, c.expected);
        } else {
            EXPECT_FALSE(read.has_value()) << read->toString(Qt::ISODate).toStdString();
        }
    }
    // What the fields show reads back as the same date in any locale.
    EXPECT_EQ(ParseTypedDate(TypedDateText({2008, 12, 29}), QLocale(QStringLiteral("de_DE"))), QDate(2008, 12, 29));
}
