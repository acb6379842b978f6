// DATE, TIME, TIMESTAMP and the zoned times to text, to the ODBC date and
// time structures and to their stored bytes. Calendar fields come from the
// client's decode functions; the zoned types carry their UTC instant.
#include <charconv>
#include <ctime>
#include <string>

#include "client_api.h"
#include "convert_internal.h"
#include "date_codec.h"
#include "string_functions.h"

namespace convert_detail {

namespace {

// The parts of a date or time value as stored.
struct Stored {
    ISC_DATE date = 0;
    ISC_TIME time = 0;
    bool has_date = false;
    bool has_time = false;
    std::uint16_t zone = 0;
    std::int16_t offset = 0;  // minutes, extended zoned forms only
};

// Inlined, like decode: each converter then reads only the parts its
// stored type has.
[[gnu::always_inline]] inline Stored stored_value(const Conversion& c)
{
    const unsigned char* d = c.data();
    Stored v;
    switch (c.sqltype) {
    case fb_type::timestamp:
    case fb_type::timestamp_tz:
    case fb_type::timestamp_tz_ex:
        v.date = load<ISC_DATE>(d);
        v.time = load<ISC_TIME>(d + 4);
        v.has_date = v.has_time = true;
        if (c.sqltype != fb_type::timestamp) v.zone = load<std::uint16_t>(d + 8);
        if (c.sqltype == fb_type::timestamp_tz_ex) v.offset = load<std::int16_t>(d + 10);
        break;
    case fb_type::date:
        v.date = load<ISC_DATE>(d);
        v.has_date = true;
        break;
    default:  // TIME and the zoned times
        v.time = load<ISC_TIME>(d);
        v.has_time = true;
        if (c.sqltype != fb_type::time) v.zone = load<std::uint16_t>(d + 4);
        if (c.sqltype == fb_type::time_tz_ex) v.offset = load<std::int16_t>(d + 6);
        break;
    }
    return v;
}

struct Calendar {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    unsigned fraction = 0;  // 1/10000 s
};

// Values are decoded with the driver's own calendar arithmetic, which gives
// the client's fields for every date and time, without a call into the
// client (and its lock) for every value of every row.
[[gnu::always_inline]] inline Calendar decode(const Stored& v)
{
    Calendar cal;
    if (v.has_date) calendar_date(v.date, cal.year, cal.month, cal.day);
    if (v.has_time) {
        cal.hour = static_cast<int>(v.time / 36000000);
        cal.minute = static_cast<int>(v.time / 600000 % 60);
        cal.second = static_cast<int>(v.time / 10000 % 60);
        cal.fraction = v.time % 10000;
    }
    return cal;
}

// Writes v as "%0<width>d" does.
char* put_number(char* p, int v, int width)
{
    unsigned magnitude = v < 0 ? 0u - static_cast<unsigned>(v) : static_cast<unsigned>(v);
    if (v < 0) {
        *p++ = '-';
        --width;
    }
    char digits[12];
    const int count =
        static_cast<int>(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
    for (int i = count; i < width; ++i) *p++ = '0';
    std::memcpy(p, digits, static_cast<std::size_t>(count));
    return p + count;
}

char* put_date(char* p, const Calendar& cal)
{
    p = put_number(p, cal.year, 4);
    *p++ = '-';
    p = put_number(p, cal.month, 2);
    *p++ = '-';
    return put_number(p, cal.day, 2);
}

char* put_time(char* p, const Calendar& cal)
{
    p = put_number(p, cal.hour, 2);
    *p++ = ':';
    p = put_number(p, cal.minute, 2);
    *p++ = ':';
    return put_number(p, cal.second, 2);
}

char* put_text(char* p, const char* text, std::size_t length)
{
    std::memcpy(p, text, length);
    return p + length;
}

// The zone of a zoned value: its name, or for the extended forms its offset
// as hours and minutes.
char* put_zone(char* p, int sqltype, const Stored& v)
{
    *p++ = ' ';
    if (sqltype == fb_type::timestamp_tz_ex || sqltype == fb_type::time_tz_ex) {
        const std::string offset = zone_offset_text(v.offset);
        return put_text(p, offset.data(), offset.size());
    }
    const char* name = zone_name(v.zone);
    return put_text(p, name, std::strlen(name));
}

void today(Calendar& cal)
{
    std::time_t now = std::time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    cal.year = local.tm_year + 1900;
    cal.month = local.tm_mon + 1;
    cal.day = local.tm_mday;
}

}  // namespace

SQLRETURN datetime_as_text(Conversion& c)
{
    const Stored v = stored_value(c);
    const Calendar cal = decode(v);
    char text[128];
    char* p = text;
    switch (c.sqltype) {
    case fb_type::date:
        p = put_date(p, cal);
        break;
    case fb_type::time:
        p = put_time(p, cal);  // the fraction is not shown
        break;
    case fb_type::timestamp:
        p = put_date(p, cal);
        *p++ = ' ';
        p = put_time(p, cal);
        if (cal.fraction != 0) {
            *p++ = '.';
            p = put_number(p, static_cast<int>(cal.fraction), 4);
            while (p[-1] == '0') --p;  // 05.1200 becomes 05.12
        }
        break;
    case fb_type::timestamp_tz:
    case fb_type::timestamp_tz_ex:
        p = put_date(p, cal);
        *p++ = ' ';
        p = put_time(p, cal);
        if (cal.fraction != 0) {
            *p++ = '.';
            p = put_number(p, static_cast<int>(cal.fraction), 4);
        }
        p = put_zone(p, c.sqltype, v);
        break;
    default:  // the zoned times
        p = put_zone(put_time(p, cal), c.sqltype, v);
        break;
    }
    return deliver_text(c, text, p - text, Pieces::when_cut);
}

SQLRETURN datetime_as_binary(Conversion& c)
{
    return deliver_bytes(c, c.data(), c.var.sqllen);
}

SQLRETURN datetime_as_date(Conversion& c)
{
    const Calendar cal = decode(stored_value(c));
    SQL_DATE_STRUCT out{};
    out.year = static_cast<SQLSMALLINT>(cal.year);
    out.month = static_cast<SQLUSMALLINT>(cal.month);
    out.day = static_cast<SQLUSMALLINT>(cal.day);
    return deliver_fixed(c, out);
}

SQLRETURN datetime_as_time(Conversion& c)
{
    const Calendar cal = decode(stored_value(c));
    SQL_TIME_STRUCT out{};
    out.hour = static_cast<SQLUSMALLINT>(cal.hour);
    out.minute = static_cast<SQLUSMALLINT>(cal.minute);
    out.second = static_cast<SQLUSMALLINT>(cal.second);
    return deliver_fixed(c, out);
}

SQLRETURN datetime_as_timestamp(Conversion& c)
{
    const Stored v = stored_value(c);
    Calendar cal = decode(v);
    SQL_TIMESTAMP_STRUCT out{};
    if (!v.has_date) {
        // A time of day is given today's local date and no fraction.
        today(cal);
        cal.fraction = 0;
    }
    out.year = static_cast<SQLSMALLINT>(cal.year);
    out.month = static_cast<SQLUSMALLINT>(cal.month);
    out.day = static_cast<SQLUSMALLINT>(cal.day);
    out.hour = static_cast<SQLUSMALLINT>(cal.hour);
    out.minute = static_cast<SQLUSMALLINT>(cal.minute);
    out.second = static_cast<SQLUSMALLINT>(cal.second);
    out.fraction = static_cast<SQLUINTEGER>(cal.fraction) * 100000u;
    return deliver_fixed(c, out);
}

}  // namespace convert_detail
