// The integer, floating and numeric families into every marker they reach,
// and the scaling and range rules shared with text.
#include <algorithm>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <limits>

#include "numeric.h"
#include "param_convert_internal.h"

namespace param_detail {

namespace {

constexpr u128 int64_limit = static_cast<u128>(std::numeric_limits<std::int64_t>::max()) + 1;

// Powers of ten that doubles hold exactly.
constexpr double exact_powers[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

double power_of_ten(int n)
{
    return n >= 0 && n <= 22 ? exact_powers[n] : std::pow(10.0, n);
}

// An integer value into an INTEGER, SMALLINT, BOOLEAN or BIGINT marker.
SQLRETURN store_integer(ParamConversion& c, __int128 v)
{
    switch (c.sqltype) {
    case fb_type::long_:
        if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
            return fail(c, state::out_of_range);
        return store_fixed(c, static_cast<std::int32_t>(v));
    case fb_type::short_:
        if (v < std::numeric_limits<std::int16_t>::min() || v > std::numeric_limits<std::int16_t>::max())
            return fail(c, state::out_of_range);
        return store_fixed(c, static_cast<std::int16_t>(v));
    case fb_type::boolean:
    case fb_type::boolean_legacy:
        if (v != 0 && v != 1) return fail(c, state::out_of_range);
        // One byte from Firebird 3 on; older servers take an int16.
        if (c.ipd.server_length == 1) return store_fixed(c, static_cast<std::uint8_t>(v));
        return store_fixed(c, static_cast<std::int16_t>(v));
    default:  // BIGINT
        if (v < std::numeric_limits<std::int64_t>::min() || v > std::numeric_limits<std::int64_t>::max())
            return fail(c, state::out_of_range);
        return store_fixed(c, static_cast<std::int64_t>(v));
    }
}

// The application's integer, read by its C type (unsigned types as
// unsigned).
__int128 integer_value(const ParamConversion& c)
{
    switch (c.c_type) {
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
        return load<std::int8_t>(c.value);
    case SQL_C_UTINYINT:
    case SQL_C_BIT:
        return load<std::uint8_t>(c.value);
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
        return load<std::int16_t>(c.value);
    case SQL_C_USHORT:
        return load<std::uint16_t>(c.value);
    case SQL_C_LONG:
    case SQL_C_SLONG:
        return load<std::int32_t>(c.value);
    case SQL_C_ULONG:
        return load<std::uint32_t>(c.value);
    case SQL_C_UBIGINT:
        return load<std::uint64_t>(c.value);
    default:  // SQL_C_SBIGINT and SQL_BIGINT
        return load<std::int64_t>(c.value);
    }
}

double floating_value(const ParamConversion& c)
{
    return c.c_type == SQL_C_FLOAT ? static_cast<double>(load<float>(c.value)) : load<double>(c.value);
}

SQL_NUMERIC_STRUCT numeric_value(const ParamConversion& c)
{
    return load<SQL_NUMERIC_STRUCT>(c.value);
}

Decimal numeric_decimal(const SQL_NUMERIC_STRUCT& n)
{
    Decimal d;
    for (int i = SQL_MAX_NUMERIC_LEN - 1; i >= 0; --i) d.magnitude = (d.magnitude << 8) | n.val[i];
    d.negative = n.sign == 0 && d.magnitude != 0;
    d.exponent = -static_cast<int>(n.scale);
    return d;
}

int digit_count(u128 v)
{
    int n = 0;
    for (; v != 0; v /= 10) ++n;
    return n;
}

}  // namespace

// --- Shared rules ---------------------------------------------------------

bool scan_decimal(const char* text, std::size_t length, Decimal& out)
{
    const void* nul = std::memchr(text, '\0', length);
    if (nul != nullptr) length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
    auto blank = [](char ch) { return ch == ' ' || ch == '\t'; };
    auto digit = [](char ch) { return ch >= '0' && ch <= '9'; };
    constexpr u128 keep_below = static_cast<u128>(1000000000000000000ULL) * 10000000000000000000ULL;  // 10^37

    Decimal d;
    std::size_t i = 0;
    while (i < length && blank(text[i])) ++i;
    if (i < length && (text[i] == '+' || text[i] == '-')) d.negative = text[i++] == '-';
    bool any_digit = false;
    bool point = false;
    long exponent = 0;
    for (; i < length; ++i) {
        const char ch = text[i];
        if (ch == '.' && !point) {
            point = true;
            continue;
        }
        if (!digit(ch)) break;
        any_digit = true;
        if (d.magnitude < keep_below) {
            d.magnitude = d.magnitude * 10 + static_cast<unsigned>(ch - '0');
            if (point) --exponent;
        } else if (!point) {
            ++exponent;  // a digit beyond the kept ones: its place still counts
        }
    }
    if (!any_digit) return false;
    if (i < length && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
        if (i >= length || !digit(text[i])) return false;
        long e = 0;
        for (; i < length && digit(text[i]); ++i)
            if (e < 100000) e = e * 10 + (text[i] - '0');
        exponent += negative ? -e : e;
    }
    while (i < length && blank(text[i])) ++i;
    if (i != length) return false;
    if (d.magnitude == 0) d.negative = false;
    d.exponent = static_cast<int>(std::clamp(exponent, -1000000L, 1000000L));
    out = d;
    return true;
}

SQLRETURN store_scaled_decimal(ParamConversion& c, const Decimal& value)
{
    u128 m = value.magnitude;
    const long shift = static_cast<long>(value.exponent) - c.ipd.server_scale;
    if (m != 0 && shift > 0) {
        if (shift > 38) return fail(c, state::out_of_range);
        for (long i = 0; i < shift; ++i) {
            if (m > int64_limit) return fail(c, state::out_of_range);
            m *= 10;
        }
    } else if (m != 0 && shift < 0) {
        if (shift < -38) m = 0;
        for (long i = 0; i < -shift && m != 0; ++i) m /= 10;
    }
    if (m > int64_limit) return fail(c, state::out_of_range);
    const __int128 v = value.negative ? -static_cast<__int128>(m) : static_cast<__int128>(m);
    return store_integer(c, v);
}

SQLRETURN store_scaled_double(ParamConversion& c, double value)
{
    if (!std::isfinite(value)) return fail(c, state::out_of_range);
    const int scale = c.ipd.server_scale;
    double r = scale < 0 ? value * power_of_ten(-scale) : scale > 0 ? value / power_of_ten(scale) : value;
    r = std::trunc(r);
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (!(r >= -limit && r < limit)) return fail(c, state::out_of_range);
    return store_integer(c, static_cast<std::int64_t>(r));
}

SQLRETURN store_floating(ParamConversion& c, double value)
{
    if (c.sqltype == fb_type::double_precision) return store_fixed(c, value);
    if (std::isfinite(value) && std::fabs(value) > FLT_MAX) return fail(c, state::out_of_range);
    return store_fixed(c, static_cast<float>(value));
}

bool decimal_text_to_double(const char* text, std::size_t length, const Decimal& scanned, double& out)
{
    // from_chars takes neither blanks nor a "+".
    const char* begin = text;
    const char* end = text + length;
    const void* nul = std::memchr(text, '\0', length);
    if (nul != nullptr) end = static_cast<const char*>(nul);
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
    if (begin < end && *begin == '+') ++begin;
    double v = 0;
    const std::from_chars_result r = std::from_chars(begin, end, v);
    if (r.ec == std::errc::result_out_of_range) {
        // Beyond a double's range on the large side is an overflow; on the
        // small side the value is 0.
        if (scanned.magnitude != 0 && digit_count(scanned.magnitude) + scanned.exponent > 0) return false;
        v = scanned.negative ? -0.0 : 0.0;
    } else if (r.ec != std::errc{}) {
        v = 0;  // scan_decimal accepted it: only "." forms from_chars may not take
    }
    out = v;
    return true;
}

// --- Integer family -----------------------------------------------------------

SQLRETURN integer_as_text(ParamConversion& c)
{
    char text[48];
    const __int128 v = integer_value(c);
    const std::to_chars_result r = v < 0 ? std::to_chars(text, text + sizeof text, static_cast<std::int64_t>(v))
                                         : std::to_chars(text, text + sizeof text, static_cast<std::uint64_t>(v));
    return store_text(c, text, static_cast<std::size_t>(r.ptr - text));
}

SQLRETURN integer_as_floating(ParamConversion& c)
{
    return store_floating(c, static_cast<double>(integer_value(c)));
}

SQLRETURN integer_as_scaled(ParamConversion& c)
{
    const __int128 v = integer_value(c);
    Decimal d;
    d.negative = v < 0;
    d.magnitude = static_cast<u128>(v < 0 ? -v : v);
    return store_scaled_decimal(c, d);
}

// --- Float and double families -------------------------------------------------

SQLRETURN floating_as_text(ParamConversion& c)
{
    // The shortest text that reads back as the same value.
    char text[64];
    const std::to_chars_result r = c.c_type == SQL_C_FLOAT
                                       ? std::to_chars(text, text + sizeof text, load<float>(c.value))
                                       : std::to_chars(text, text + sizeof text, load<double>(c.value));
    return store_text(c, text, static_cast<std::size_t>(r.ptr - text));
}

SQLRETURN floating_as_floating(ParamConversion& c)
{
    return store_floating(c, floating_value(c));
}

SQLRETURN floating_as_scaled(ParamConversion& c)
{
    return store_scaled_double(c, floating_value(c));
}

// --- Numeric family ---------------------------------------------------------

SQLRETURN numeric_as_text(ParamConversion& c)
{
    char text[max_numeric_text_length + 1];
    std::int32_t length = 0;
    numeric_to_text(numeric_value(c), text, sizeof text, &length);
    return store_text(c, text, static_cast<std::size_t>(length));
}

SQLRETURN numeric_as_floating(ParamConversion& c)
{
    return store_floating(c, numeric_to_double(numeric_value(c)));
}

SQLRETURN numeric_as_scaled(ParamConversion& c)
{
    return store_scaled_decimal(c, numeric_decimal(numeric_value(c)));
}

}  // namespace param_detail
