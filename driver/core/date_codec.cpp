// Calendar arithmetic of the driver's date and time codecs.
//
// Dates use the day-number formulas of the Modified Julian Day in the
// proleptic Gregorian calendar, with the year counted from March so that the
// leap day is the last day of the counting year. Divisions round toward minus
// infinity, so that day numbers before 0000-03-01 (where a quotient goes
// negative) still decode to a real calendar date; from there on the result is
// the one of ordinary integer division.
#include "date_codec.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <type_traits>

// The codecs must fit the client's slots exactly.
static_assert(std::is_same_v<decltype(&driver_encode_sql_date), decltype(&isc_encode_sql_date)>);
static_assert(std::is_same_v<decltype(&driver_encode_sql_time), decltype(&isc_encode_sql_time)>);
static_assert(std::is_same_v<decltype(&driver_decode_sql_date), decltype(&isc_decode_sql_date)>);
static_assert(std::is_same_v<decltype(&driver_decode_sql_time), decltype(&isc_decode_sql_time)>);
static_assert(std::is_same_v<decltype(&driver_decode_timestamp), decltype(&isc_decode_timestamp)>);

namespace {

// Day 0 (1858-11-17) is day 678882 counted from 0000-03-01 minus one.
constexpr std::int64_t mjd_offset = 678882;
constexpr std::int64_t days_per_400_years = 146097;
constexpr std::int64_t days_per_4_years = 1461;

constexpr std::int64_t units_per_second = 10000;
constexpr std::int64_t units_per_minute = 60 * units_per_second;
constexpr std::int64_t units_per_hour = 60 * units_per_minute;

// Days before each month in a common year.
constexpr std::array<int, 12> days_before_month = {0,   31,  59,  90,  120, 151,
                                                   181, 212, 243, 273, 304, 334};

constexpr std::int64_t floor_div(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

constexpr std::int64_t floor_mod(std::int64_t a, std::int64_t b) { return a - floor_div(a, b) * b; }

std::tm* cleared_fields(void* tm_fields)
{
    auto* fields = static_cast<std::tm*>(tm_fields);
    std::memset(fields, 0, sizeof *fields);
    return fields;
}

void fill_date_fields(std::int64_t day_number, std::tm& fields)
{
    int year, month, day;
    calendar_date(day_number, year, month, day);
    fields.tm_mday = day;
    fields.tm_mon = month - 1;
    fields.tm_year = year - 1900;
    fields.tm_yday = day_of_year(year, fields.tm_mon, fields.tm_mday);
    fields.tm_wday = static_cast<int>(floor_mod(day_number + 3, 7));
}

void fill_time_fields(std::int64_t units, std::tm& fields)
{
    fields.tm_hour = static_cast<int>(units / units_per_minute / 60);
    fields.tm_min = static_cast<int>(units / units_per_minute % 60);
    fields.tm_sec = static_cast<int>(units / units_per_second % 60);
}

}  // namespace

// The day numbers of 0001-01-01 and 9999-12-31, the dates Firebird stores.
constexpr std::int64_t first_stored_day = -678575;
constexpr std::int64_t last_stored_day = 2973483;

void calendar_date(std::int64_t day_number, int& year_out, int& month_out, int& day_out)
{
    if (day_number >= first_stored_day && day_number <= last_stored_day) {
        // A stored date, what every fetch meets: Neri and Schneider's
        // arithmetic on days counted from 0000-03-01, in unsigned 32 bits,
        // about a third of the instructions of the general way below.
        const auto n = static_cast<std::uint32_t>(day_number + mjd_offset - 1);
        const std::uint32_t n1 = 4 * n + 3;
        const std::uint32_t century = n1 / 146097;
        const std::uint32_t n2 = (n1 % 146097) | 3;
        const std::uint64_t p2 = std::uint64_t{2939745} * n2;
        const auto year_of_century = static_cast<std::uint32_t>(p2 >> 32);
        const std::uint32_t day_of_year = static_cast<std::uint32_t>(p2) / 2939745 / 4;  // from March 1
        const std::uint32_t n3 = 2141 * day_of_year + 197913;
        const bool january_or_february = day_of_year >= 306;
        year_out = static_cast<int>(100 * century + year_of_century + (january_or_february ? 1 : 0));
        month_out = static_cast<int>((n3 >> 16) - (january_or_february ? 12 : 0));
        day_out = static_cast<int>((n3 & 0xFFFF) / 2141 + 1);
        return;
    }
    std::int64_t n = day_number + mjd_offset;
    const std::int64_t century = floor_div(4 * n - 1, days_per_400_years);
    n = 4 * n - 1 - days_per_400_years * century;
    std::int64_t day = floor_div(n, 4);

    n = floor_div(4 * day + 3, days_per_4_years);
    day = 4 * day + 3 - days_per_4_years * n;
    day = floor_div(day + 4, 4);

    std::int64_t month = floor_div(5 * day - 3, 153);
    day = 5 * day - 3 - 153 * month;
    day = floor_div(day + 5, 5);

    std::int64_t year = 100 * century + n;
    if (month < 10) {
        month += 3;
    } else {
        month -= 9;
        year += 1;
    }
    year_out = static_cast<int>(year);
    month_out = static_cast<int>(month);
    day_out = static_cast<int>(day);
}

bool is_leap_year(long long year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int day_of_year(long long year, int month, int day)
{
    if (month < 0 || month > 11) return -1;
    const int leap_day = (month >= 2 && is_leap_year(year)) ? 1 : 0;
    return days_before_month[static_cast<std::size_t>(month)] + leap_day + day - 1;
}

ISC_DATE encode_day_number(int day, int month, int year_field)
{
    std::int64_t year = std::int64_t{year_field} + 1900;
    std::int64_t march_month = std::int64_t{month} + 1;
    if (march_month > 2) {
        march_month -= 3;
    } else {
        march_month += 9;
        year -= 1;
    }
    const std::int64_t century = floor_div(year, 100);
    const std::int64_t year_in_century = year - 100 * century;
    const std::int64_t days = floor_div(days_per_400_years * century, 4) +
                              floor_div(days_per_4_years * year_in_century, 4) +
                              floor_div(153 * march_month + 2, 5) + day - mjd_offset;
    return static_cast<ISC_DATE>(days);
}

void driver_encode_sql_date(const void* tm_fields, ISC_DATE* date)
{
    if (tm_fields == nullptr || date == nullptr) return;
    const auto* fields = static_cast<const std::tm*>(tm_fields);
    *date = encode_day_number(fields->tm_mday, fields->tm_mon, fields->tm_year);
}

void driver_encode_sql_time(const void* tm_fields, ISC_TIME* time)
{
    if (tm_fields == nullptr || time == nullptr) return;
    const auto* fields = static_cast<const std::tm*>(tm_fields);
    const std::int64_t seconds =
        std::int64_t{fields->tm_sec} + std::int64_t{fields->tm_min} * 60 + std::int64_t{fields->tm_hour} * 3600;
    *time = static_cast<ISC_TIME>(seconds * units_per_second);
}

void driver_decode_sql_date(const ISC_DATE* date, void* tm_fields)
{
    if (date == nullptr || tm_fields == nullptr) return;
    fill_date_fields(*date, *cleared_fields(tm_fields));
}

void driver_decode_sql_time(const ISC_TIME* time, void* tm_fields)
{
    if (time == nullptr || tm_fields == nullptr) return;
    fill_time_fields(*time, *cleared_fields(tm_fields));
}

void driver_decode_timestamp(const ISC_TIMESTAMP* timestamp, void* tm_fields)
{
    if (timestamp == nullptr || tm_fields == nullptr) return;
    std::tm* fields = cleared_fields(tm_fields);
    fill_date_fields(timestamp->timestamp_date, *fields);
    fill_time_fields(timestamp->timestamp_time, *fields);
}
