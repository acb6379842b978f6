// Date and time codecs, zone names and zone offsets. The C library's gmtime
// (proleptic Gregorian, 64-bit time_t) is the independent reference for the
// calendar fields.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <set>
#include <string>

#include "date_codec.h"
#include "string_functions.h"

namespace {

constexpr std::int64_t unix_epoch_day = 40587;  // 1970-01-01

std::tm decode_date(ISC_DATE n)
{
    std::tm fields;
    std::memset(&fields, 0x5a, sizeof fields);  // the decoder must clear it
    driver_decode_sql_date(&n, &fields);
    return fields;
}

std::tm reference_fields(std::int64_t day_number)
{
    const auto seconds = static_cast<std::time_t>((day_number - unix_epoch_day) * 86400);
    std::tm fields{};
    gmtime_r(&seconds, &fields);
    return fields;
}

ISC_DATE encode_date(int year, int month1, int day)
{
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month1 - 1;
    fields.tm_mday = day;
    ISC_DATE n = 0;
    driver_encode_sql_date(&fields, &n);
    return n;
}

void expect_date_fields(const std::tm& got, const std::tm& want, std::int64_t n)
{
    ASSERT_EQ(got.tm_year, want.tm_year) << "day " << n;
    ASSERT_EQ(got.tm_mon, want.tm_mon) << "day " << n;
    ASSERT_EQ(got.tm_mday, want.tm_mday) << "day " << n;
    ASSERT_EQ(got.tm_wday, want.tm_wday) << "day " << n;
    ASSERT_EQ(got.tm_yday, want.tm_yday) << "day " << n;
    ASSERT_EQ(got.tm_hour, 0) << "day " << n;
    ASSERT_EQ(got.tm_min, 0) << "day " << n;
    ASSERT_EQ(got.tm_sec, 0) << "day " << n;
    ASSERT_EQ(got.tm_isdst, 0) << "day " << n;
    ASSERT_EQ(got.tm_gmtoff, 0) << "day " << n;
}

int days_in_month(int year, int month1)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return days[month1 - 1] + (month1 == 2 && is_leap_year(year) ? 1 : 0);
}

}  // namespace

TEST(DateCodec, KnownDayNumbers)
{
    struct Case {
        ISC_DATE n;
        int year, month1, day, wday, yday;
    };
    // Day 0 is a Wednesday, 2000-01-01 a Saturday, 1970-01-01 a Thursday.
    const Case cases[] = {
        {0, 1858, 11, 17, 3, 320},
        {-1, 1858, 11, 16, 2, 319},
        {40587, 1970, 1, 1, 4, 0},
        {51544, 2000, 1, 1, 6, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(encode_date(c.year, c.month1, c.day), c.n);
        const std::tm f = decode_date(c.n);
        EXPECT_EQ(f.tm_year, c.year - 1900);
        EXPECT_EQ(f.tm_mon, c.month1 - 1);
        EXPECT_EQ(f.tm_mday, c.day);
        EXPECT_EQ(f.tm_wday, c.wday);
        EXPECT_EQ(f.tm_yday, c.yday);
        EXPECT_EQ(encode_day_number(c.day, c.month1 - 1, c.year - 1900), c.n);
    }
}

TEST(DateCodec, DayOfYearAroundLeapDays)
{
    struct Case {
        int year, month1, day, yday;
    };
    const Case cases[] = {
        {2000, 3, 1, 60},    // divisible by 400: leap
        {1900, 3, 1, 59},    // divisible by 100 only: common
        {2004, 3, 1, 60},    // divisible by 4: leap
        {2001, 3, 1, 59},    // common
        {2000, 2, 29, 59},   // the leap day itself
        {2000, 12, 31, 365}, // last day of a leap year
        {1999, 12, 31, 364},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.year);
        EXPECT_EQ(decode_date(encode_date(c.year, c.month1, c.day)).tm_yday, c.yday);
        EXPECT_EQ(day_of_year(c.year, c.month1 - 1, c.day), c.yday);
    }
    EXPECT_EQ(day_of_year(2000, 12, 1), -1);
    EXPECT_EQ(day_of_year(2000, -1, 1), -1);
}

// Every date Firebird can store: encode gives consecutive day numbers, and
// decoding gives the date back with gmtime's day of week and day of year.
TEST(DateCodec, EveryDateFromYear1To9999RoundTrips)
{
    std::int64_t expected = encode_date(1, 1, 1);
    EXPECT_EQ(expected, -678575);
    long count = 0;
    for (int year = 1; year <= 9999; ++year) {
        for (int month1 = 1; month1 <= 12; ++month1) {
            for (int day = 1; day <= days_in_month(year, month1); ++day) {
                const ISC_DATE n = encode_date(year, month1, day);
                ASSERT_EQ(n, expected) << year << "-" << month1 << "-" << day;
                const std::tm f = decode_date(n);
                ASSERT_EQ(f.tm_year, year - 1900);
                ASSERT_EQ(f.tm_mon, month1 - 1);
                ASSERT_EQ(f.tm_mday, day);
                const std::tm want = reference_fields(n);
                ASSERT_EQ(f.tm_wday, want.tm_wday) << n;
                ASSERT_EQ(f.tm_yday, want.tm_yday) << n;
                ++expected;
                ++count;
            }
        }
    }
    EXPECT_EQ(count, 3652059);
    EXPECT_EQ(encode_date(9999, 12, 31), 2973483);
}

// Outside Firebird's range the arithmetic still yields real calendar dates
// (before year 1 and far beyond 9999), and extreme day numbers are safe.
TEST(DateCodec, DayNumbersOutsideTheStoredRange)
{
    for (std::int64_t n = -2000000; n <= -678576; n += 7)
        expect_date_fields(decode_date(static_cast<ISC_DATE>(n)), reference_fields(n), n);
    for (std::int64_t n = 2973484; n <= 400000000; n += 99991)
        expect_date_fields(decode_date(static_cast<ISC_DATE>(n)), reference_fields(n), n);

    for (const ISC_DATE n : {INT32_MIN, INT32_MIN + 1, -1, 0, INT32_MAX - 1, INT32_MAX}) {
        SCOPED_TRACE(n);
        const std::tm f = decode_date(n);
        expect_date_fields(f, reference_fields(n), n);
        EXPECT_EQ(encode_day_number(f.tm_mday, f.tm_mon, f.tm_year), n);
    }
}

TEST(DateCodec, EncodeNormalisesOutOfRangeFields)
{
    // Month 12 of 1999 is January 2000, day 0 the last day of the month before.
    EXPECT_EQ(encode_day_number(1, 12, 99), encode_date(2000, 1, 1));
    EXPECT_EQ(encode_day_number(0, 2, 100), encode_date(2000, 2, 29));
    // Fields at the int limits do not overflow (the result is narrowed).
    ISC_DATE n = 0;
    std::tm f{};
    f.tm_year = INT_MAX;
    f.tm_mon = INT_MAX;
    f.tm_mday = INT_MIN;
    driver_encode_sql_date(&f, &n);
    driver_encode_sql_date(nullptr, &n);
    driver_encode_sql_date(&f, nullptr);
}

TEST(TimeCodec, DecodeAndEncodeTimes)
{
    struct Case {
        ISC_TIME t;
        int hour, minute, second;
    };
    const Case cases[] = {
        {0, 0, 0, 0},
        {863999999, 23, 59, 59},  // fraction 9999 is left to the caller
        {10000, 0, 0, 1},
        {9999, 0, 0, 0},
        {36000000, 1, 0, 0},
        {(12 * 3600 + 34 * 60 + 56) * 10000 + 789, 12, 34, 56},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.t);
        std::tm f;
        std::memset(&f, 0x5a, sizeof f);
        driver_decode_sql_time(&c.t, &f);
        EXPECT_EQ(f.tm_hour, c.hour);
        EXPECT_EQ(f.tm_min, c.minute);
        EXPECT_EQ(f.tm_sec, c.second);
        EXPECT_EQ(f.tm_mday, 0);
        EXPECT_EQ(f.tm_year, 0);
        EXPECT_EQ(f.tm_isdst, 0);
        ISC_TIME back = 1;
        driver_encode_sql_time(&f, &back);
        EXPECT_EQ(back, c.t - c.t % 10000);
    }
}

TEST(TimeCodec, EverySecondOfTheDayRoundTrips)
{
    for (int s = 0; s < 86400; ++s) {
        std::tm f{};
        f.tm_hour = s / 3600;
        f.tm_min = s / 60 % 60;
        f.tm_sec = s % 60;
        ISC_TIME t = 0;
        driver_encode_sql_time(&f, &t);
        ASSERT_EQ(t, static_cast<ISC_TIME>(s) * 10000);
        const ISC_TIME with_fraction = t + static_cast<ISC_TIME>(s % 10000);
        std::tm back{};
        driver_decode_sql_time(&with_fraction, &back);
        ASSERT_EQ(back.tm_hour, f.tm_hour);
        ASSERT_EQ(back.tm_min, f.tm_min);
        ASSERT_EQ(back.tm_sec, f.tm_sec);
    }
}

TEST(TimestampCodec, DecodesBothHalves)
{
    const ISC_TIMESTAMP cases[] = {
        {51544, 863999999},
        {0, 0},
        {-678575, (1 * 3600 + 2 * 60 + 3) * 10000},
        {2973483, 12 * 36000000},
    };
    for (const ISC_TIMESTAMP& ts : cases) {
        SCOPED_TRACE(ts.timestamp_date);
        std::tm f;
        std::memset(&f, 0x5a, sizeof f);
        driver_decode_timestamp(&ts, &f);
        std::tm want = reference_fields(ts.timestamp_date);
        want.tm_hour = static_cast<int>(ts.timestamp_time / 36000000);
        want.tm_min = static_cast<int>(ts.timestamp_time / 600000 % 60);
        want.tm_sec = static_cast<int>(ts.timestamp_time / 10000 % 60);
        EXPECT_EQ(f.tm_year, want.tm_year);
        EXPECT_EQ(f.tm_mon, want.tm_mon);
        EXPECT_EQ(f.tm_mday, want.tm_mday);
        EXPECT_EQ(f.tm_wday, want.tm_wday);
        EXPECT_EQ(f.tm_yday, want.tm_yday);
        EXPECT_EQ(f.tm_hour, want.tm_hour);
        EXPECT_EQ(f.tm_min, want.tm_min);
        EXPECT_EQ(f.tm_sec, want.tm_sec);
        EXPECT_EQ(f.tm_isdst, 0);
        EXPECT_EQ(f.tm_gmtoff, 0);
    }
}

TEST(ZoneNames, TellingRows)
{
    struct Case {
        std::uint16_t id;
        const char* name;
    };
    const Case cases[] = {
        {65535, "GMT"},          {65534, "ACT"},           {65529, "Africa/Abidjan"},
        {65476, "Africa/Windhoek"}, {64909, "UTC"},        {64905, "WET"},
        {64904, "Zulu"},         {64903, "America/Nuuk"},  {64902, "Asia/Qostanay"},
        {64901, "Pacific/Kanton"}, {64900, "Unknown"},     {0, "Unknown"},
        {1, "Unknown"},
    };
    for (const Case& c : cases) EXPECT_STREQ(zone_name(c.id), c.name) << c.id;
}

TEST(ZoneNames, TableShape)
{
    std::set<std::string> names;
    int named = 0;
    for (std::uint32_t id = 0; id <= 65535; ++id) {
        const char* name = zone_name(static_cast<std::uint16_t>(id));
        ASSERT_NE(name, nullptr);
        if (std::strcmp(name, "Unknown") == 0) continue;
        ++named;
        names.insert(name);
        EXPECT_GE(id, 64901u);
    }
    EXPECT_EQ(named, 635);
    EXPECT_EQ(names.size(), 635u);  // no name twice
    // From 65534 down to 64904 the names ascend in byte order.
    for (std::uint16_t id = 65534; id > 64904; --id)
        EXPECT_LT(std::strcmp(zone_name(id), zone_name(static_cast<std::uint16_t>(id - 1))), 0)
            << zone_name(id);
}

TEST(ZoneOffsets, Text)
{
    struct Case {
        int minutes;
        const char* text;
    };
    const Case cases[] = {
        {330, "05.30"},  {-90, "-1.30"},   {0, "00.00"},     {60, "01.00"},
        {-600, "-10.00"}, {840, "14.00"},  {45, "00.45"},    {-30, "-0.30"},
        {-59, "-0.59"},  {-60, "-1.00"},   {765, "12.45"},   {-32768, "-546.08"},
        {32767, "546.07"},
    };
    for (const Case& c : cases) EXPECT_EQ(zone_offset_text(c.minutes), c.text) << c.minutes;
}
