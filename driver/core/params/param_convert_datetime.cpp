// Dates and times into DATE, TIME and TIMESTAMP markers: from the date, time
// and timestamp structures, and from text in the forms year-month-day and
// hour:minute:second[.fraction].
#include <ctime>

#include "date_codec.h"
#include "param_convert_internal.h"

namespace param_detail {

namespace {

// The calendar fields of one value; nanoseconds below the second.
struct Moment {
    int year = 0;
    int month = 0;  // 1-12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    long nanoseconds = 0;
};

int days_in_month(int year, int month)
{
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : days[month - 1];
}

bool valid_date(const Moment& m)
{
    return m.year >= 1 && m.year <= 9999 && m.month >= 1 && m.month <= 12 && m.day >= 1 &&
           m.day <= days_in_month(m.year, m.month);
}

bool valid_time(const Moment& m)
{
    return m.hour >= 0 && m.hour <= 23 && m.minute >= 0 && m.minute <= 59 && m.second >= 0 && m.second <= 59 &&
           m.nanoseconds >= 0 && m.nanoseconds <= 999999999;
}

// The day number of a valid date, by the arithmetic the client's encoder
// uses, without its call or lock for every value.
ISC_DATE encode_date(const Moment& m)
{
    return encode_day_number(m.day, m.month - 1, m.year - 1900);
}

// The time of day in 1/10000 seconds; the fraction's nanoseconds are cut to
// that unit.
ISC_TIME encode_time(const Moment& m)
{
    const ISC_TIME seconds = static_cast<ISC_TIME>(m.hour * 3600 + m.minute * 60 + m.second);
    return seconds * 10000 + static_cast<ISC_TIME>(m.nanoseconds / 100000);
}

// The marker receives the part of the value its type holds: a DATE the
// date, a TIME the time of day, a TIMESTAMP both. Fields outside the
// calendar or the clock give 22008.
SQLRETURN store_moment(ParamConversion& c, const Moment& m)
{
    const bool wants_date = c.sqltype != fb_type::time;
    const bool wants_time = c.sqltype != fb_type::date;
    if ((wants_date && !valid_date(m)) || (wants_time && !valid_time(m)))
        return fail(c, state::invalid_datetime);
    switch (c.sqltype) {
    case fb_type::date:
        return store_fixed(c, encode_date(m));
    case fb_type::time:
        return store_fixed(c, encode_time(m));
    default: {
        ISC_TIMESTAMP ts;
        ts.timestamp_date = encode_date(m);
        ts.timestamp_time = encode_time(m);
        return store_fixed(c, ts);
    }
    }
}

Moment today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    Moment m;
    m.year = local.tm_year + 1900;
    m.month = local.tm_mon + 1;
    m.day = local.tm_mday;
    return m;
}

// --- Text ------------------------------------------------------------------------

class TextReader {
public:
    TextReader(const char* text, std::size_t length) : p_(text), end_(text + length) {}

    bool at_end() const { return p_ >= end_; }
    // Moves to the next digit; false when there is none.
    bool skip_to_digit()
    {
        while (p_ < end_ && !digit(*p_)) ++p_;
        return p_ < end_;
    }
    // A decimal number; false when no digit stands here.
    bool number(int& value)
    {
        if (p_ >= end_ || !digit(*p_)) return false;
        long v = 0;
        for (; p_ < end_ && digit(*p_); ++p_)
            if (v < 100000) v = v * 10 + (*p_ - '0');
        value = static_cast<int>(v);
        return true;
    }
    bool expect(char ch)
    {
        if (p_ >= end_ || *p_ != ch) return false;
        ++p_;
        return true;
    }
    // The digits of a fraction as nanoseconds: padded or cut to 9 digits.
    long fraction()
    {
        long ns = 0;
        int digits = 0;
        for (; p_ < end_ && digit(*p_); ++p_)
            if (digits < 9) {
                ns = ns * 10 + (*p_ - '0');
                ++digits;
            }
        for (; digits < 9; ++digits) ns *= 10;
        return ns;
    }

private:
    static bool digit(char ch) { return ch >= '0' && ch <= '9'; }
    const char* p_;
    const char* end_;
};

bool read_date(TextReader& r, Moment& m)
{
    return r.skip_to_digit() && r.number(m.year) && r.expect('-') && r.number(m.month) && r.expect('-') &&
           r.number(m.day);
}

bool read_time(TextReader& r, Moment& m)
{
    if (!(r.number(m.hour) && r.expect(':') && r.number(m.minute) && r.expect(':') && r.number(m.second)))
        return false;
    if (r.expect('.')) m.nanoseconds = r.fraction();
    return true;
}

enum class Parsed { value, empty, bad_format };

// The text of a value in the marker's form: DATE year-month-day, TIME
// hour:minute:second, TIMESTAMP the date, then optionally the time. Anything
// before the first digit (an escape's "{ts '", blanks) is skipped, and so is
// anything after the last field.
Parsed parse_moment(ParamConversion& c, std::size_t length, Moment& m)
{
    if (length == 0) return Parsed::empty;
    TextReader r(c.value, length);
    switch (c.sqltype) {
    case fb_type::date:
        return read_date(r, m) ? Parsed::value : Parsed::bad_format;
    case fb_type::time:
        return r.skip_to_digit() && read_time(r, m) ? Parsed::value : Parsed::bad_format;
    default:
        if (!read_date(r, m)) return Parsed::bad_format;
        if (!r.skip_to_digit()) return Parsed::value;  // midnight
        return read_time(r, m) ? Parsed::value : Parsed::bad_format;
    }
}

SQLRETURN character_as_moment(ParamConversion& c)
{
    std::size_t length;
    if (!value_length(c, length)) return SQL_ERROR;
    // An embedded NUL ends the text.
    const void* nul = std::memchr(c.value, '\0', length);
    if (nul != nullptr) length = static_cast<std::size_t>(static_cast<const char*>(nul) - c.value);
    Moment m;
    switch (parse_moment(c, length, m)) {
    case Parsed::empty:
        return send_null(c);
    case Parsed::bad_format:
        return fail(c, state::datetime_format);
    default:
        return store_moment(c, m);
    }
}

Moment from_date(const SQL_DATE_STRUCT& d)
{
    Moment m;
    m.year = d.year;
    m.month = d.month;
    m.day = d.day;
    return m;
}

Moment with_time(Moment m, const SQL_TIME_STRUCT& t)
{
    m.hour = t.hour;
    m.minute = t.minute;
    m.second = t.second;
    return m;
}

Moment from_timestamp(const SQL_TIMESTAMP_STRUCT& ts)
{
    Moment m;
    m.year = ts.year;
    m.month = ts.month;
    m.day = ts.day;
    m.hour = ts.hour;
    m.minute = ts.minute;
    m.second = ts.second;
    m.nanoseconds = static_cast<long>(ts.fraction);
    return m;
}

}  // namespace

SQLRETURN character_as_date(ParamConversion& c)
{
    return character_as_moment(c);
}

SQLRETURN character_as_time(ParamConversion& c)
{
    return character_as_moment(c);
}

SQLRETURN character_as_timestamp(ParamConversion& c)
{
    return character_as_moment(c);
}

SQLRETURN date_as_date(ParamConversion& c)
{
    return store_moment(c, from_date(load<SQL_DATE_STRUCT>(c.value)));
}

SQLRETURN date_as_timestamp(ParamConversion& c)
{
    return store_moment(c, from_date(load<SQL_DATE_STRUCT>(c.value)));  // at 00:00:00
}

SQLRETURN time_as_time(ParamConversion& c)
{
    return store_moment(c, with_time(Moment{}, load<SQL_TIME_STRUCT>(c.value)));
}

SQLRETURN time_as_timestamp(ParamConversion& c)
{
    return store_moment(c, with_time(today(), load<SQL_TIME_STRUCT>(c.value)));
}

SQLRETURN timestamp_as_date(ParamConversion& c)
{
    return store_moment(c, from_timestamp(load<SQL_TIMESTAMP_STRUCT>(c.value)));
}

SQLRETURN timestamp_as_time(ParamConversion& c)
{
    Moment m = from_timestamp(load<SQL_TIMESTAMP_STRUCT>(c.value));
    if (m.nanoseconds < 0 || m.nanoseconds > 999999999) return fail(c, state::invalid_datetime);
    m.nanoseconds = 0;  // a TIME takes the whole seconds
    return store_moment(c, m);
}

SQLRETURN timestamp_as_timestamp(ParamConversion& c)
{
    return store_moment(c, from_timestamp(load<SQL_TIMESTAMP_STRUCT>(c.value)));
}

}  // namespace param_detail
