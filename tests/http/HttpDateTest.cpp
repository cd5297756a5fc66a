#include "http/HttpDate.h"

#include <gtest/gtest.h>

#include <ctime>
#include <limits>

using namespace zuneigo;

TEST(HttpDate, DayNumberOrigin)
{
    EXPECT_EQ(FormatHttpDate(0), "Sat, 30 Dec 1899 00:00:00");
    EXPECT_EQ(FormatHttpDate(2), "Mon, 01 Jan 1900 00:00:00");
    EXPECT_EQ(FormatHttpDate(2.5), "Mon, 01 Jan 1900 12:00:00");
    EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 1, 1), 2.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 1, 1), 36526.0);
}

TEST(HttpDate, WorkedDatesAndDroppedMilliseconds)
{
    EXPECT_EQ(FormatHttpDate(EncodeDateTime(2000, 1, 1)), "Sat, 01 Jan 2000 00:00:00");
    EXPECT_EQ(FormatHttpDate(EncodeDateTime(2001, 8, 25, 14, 5, 9, 999)), "Sat, 25 Aug 2001 14:05:09");
    EXPECT_EQ(FormatHttpDate(EncodeDateTime(2001, 8, 25, 14, 5, 9)), "Sat, 25 Aug 2001 14:05:09");
    EXPECT_EQ(FormatHttpDate(EncodeDateTime(2000, 2, 29, 23, 59, 59, 999)), "Tue, 29 Feb 2000 23:59:59");
    EXPECT_EQ(FormatHttpDate(EncodeDateTime(2024, 12, 31, 7, 8, 9)), "Tue, 31 Dec 2024 07:08:09");
    EXPECT_EQ(FormatHttpDate(EncodeDateTime(10000, 3, 1)), "Wed, 01 Mar 10000 00:00:00");
}

TEST(HttpDate, AgreesWithTheCLibraryOverManyDays)
{
    // Every 37th day and an odd second across two and a half centuries.
    for (long d = 2; d < 110000; d += 37) {
        const long secs = (d * 7919) % 86400;
        const std::time_t t = static_cast<std::time_t>((d - 25569) * 86400L + secs);
        std::tm tm{};
        gmtime_r(&t, &tm);
        char expect[64];
        std::strftime(expect, sizeof expect, "%a, %d %b %Y %H:%M:%S", &tm);
        ASSERT_EQ(FormatHttpDate(static_cast<double>(d) + secs / 86400.0), expect) << d;
    }
}

TEST(HttpDate, NonFiniteValuesDoNotCrash)
{
    EXPECT_EQ(FormatHttpDate(std::numeric_limits<double>::infinity()), "Sat, 30 Dec 1899 00:00:00");
    EXPECT_EQ(FormatHttpDate(std::numeric_limits<double>::quiet_NaN()), "Sat, 30 Dec 1899 00:00:00");
    EXPECT_EQ(FormatHttpDate(1e300), "Sat, 30 Dec 1899 00:00:00");
}
