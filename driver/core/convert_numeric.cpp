// Numeric columns (SMALLINT, INTEGER, BOOLEAN, BIGINT, INT128, FLOAT,
// DOUBLE PRECISION, DECFLOAT) to every C type they convert to.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "convert_internal.h"
#include "decfloat.h"
#include "numeric.h"

namespace convert_detail {

namespace {

using u128 = unsigned __int128;

// Scaling factors for the scales Firebird uses most; others are computed.
constexpr double scale_factors[11] = {1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4, 1e5};

double power_of_ten(int scale)
{
    return scale >= -5 && scale <= 5 ? scale_factors[scale + 5] : std::pow(10.0, scale);
}

// Powers of ten that doubles hold exactly.
constexpr double exact_powers[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                     1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr std::int64_t int64_max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64_min = std::numeric_limits<std::int64_t>::min();

// --- Reading the column --------------------------------------------------

// SMALLINT, INTEGER and BOOLEAN as an int32. A BOOLEAN is one byte from
// Firebird 3 on; older servers deliver it as an int16.
std::int32_t small_value(const Conversion& c)
{
    switch (c.sqltype) {
    case fb_type::short_:
        return load<std::int16_t>(c.data());
    case fb_type::long_:
        return load<std::int32_t>(c.data());
    default:
        return c.var.sqllen == 1 ? c.data()[0] : load<std::int16_t>(c.data());
    }
}

std::size_t small_size(const Conversion& c)
{
    switch (c.sqltype) {
    case fb_type::short_:
        return 2;
    case fb_type::long_:
        return 4;
    default:
        return 1;  // a BOOLEAN gives its low byte
    }
}

double floating_value(const Conversion& c)
{
    return c.sqltype == fb_type::float_ ? static_cast<double>(load<float>(c.data()))
                                   : load<double>(c.data());
}

SQL_NUMERIC_STRUCT int128_value(const Conversion& c, int precision)
{
    SQL_NUMERIC_STRUCT numeric{};
    int128_to_numeric(c.data(), precision, c.var.sqlscale, &numeric);
    return numeric;
}

struct DecimalText {
    char text[decfloat34_text_size];
    std::int32_t length = 0;
};

DecimalText decfloat_text(const Conversion& c)
{
    DecimalText t;
    if (c.sqltype == fb_type::dec16)
        decfloat16_to_text(c.data(), t.text, sizeof t.text, &t.length);
    else
        decfloat34_to_text(c.data(), t.text, sizeof t.text, &t.length);
    return t;
}

// --- Arithmetic ----------------------------------------------------------

// The integer part of v × 10^scale, exactly, saturating at the int64 range:
// what reading the scaled text of v as an integer gives.
std::int64_t integer_part(std::int64_t v, int scale)
{
    if (scale == 0 || v == 0) return v;
    if (scale < 0) {
        if (scale < -18) return 0;  // |v| < 10^19
        return v / static_cast<std::int64_t>(exact_powers[-scale]);
    }
    __int128 r = v;
    for (int i = 0; i < scale; ++i) {
        r *= 10;
        if (r > int64_max) return int64_max;
        if (r < int64_min) return int64_min;
    }
    return static_cast<std::int64_t>(r);
}

// The double nearest to v × 10^scale, as reading its scaled text gives it:
// a single correctly rounded operation while both operands are exact,
// else through the text.
double scaled_double(std::int64_t v, int scale)
{
    if (scale == 0) return static_cast<double>(v);
    const std::uint64_t magnitude =
        v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    if (magnitude <= (std::uint64_t{1} << 53) && scale >= -22 && scale <= 22)
        return scale < 0 ? static_cast<double>(v) / exact_powers[-scale]
                         : static_cast<double>(v) * exact_powers[scale];
    char text[scaled_text_size];
    return parse_double(text, format_scaled(v, scale, text));
}

// The integer part of a decimal text in scientific form ("1.23E+5" reads as
// 123000), as a sign and a magnitude that saturates above 2^64.
struct IntegerPart {
    bool negative = false;
    u128 magnitude = 0;
};

IntegerPart scientific_integer(const char* text, std::size_t length)
{
    IntegerPart r;
    std::size_t i = 0;
    while (i < length && text[i] == ' ') ++i;
    if (i < length && (text[i] == '+' || text[i] == '-')) r.negative = text[i++] == '-';
    const std::size_t first = i;
    while (i < length && text[i] >= '0' && text[i] <= '9') ++i;
    const std::size_t int_end = i;
    std::size_t frac_begin = i, frac_end = i;
    if (i < length && text[i] == '.') {
        frac_begin = ++i;
        while (i < length && text[i] >= '0' && text[i] <= '9') ++i;
        frac_end = i;
    }
    long exponent = 0;
    if (i < length && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool exp_negative = false;
        if (j < length && (text[j] == '+' || text[j] == '-')) exp_negative = text[j++] == '-';
        for (; j < length && text[j] >= '0' && text[j] <= '9'; ++j)
            if (exponent < 100000) exponent = exponent * 10 + (text[j] - '0');
        if (exp_negative) exponent = -exponent;
    }
    // The digits before the point, then as many after it as the exponent
    // moves in front of it, then zeros.
    constexpr u128 limit = u128{1} << 64;
    auto push = [&](int digit) {
        if (r.magnitude < limit) r.magnitude = r.magnitude * 10 + static_cast<unsigned>(digit);
    };
    const long int_digits = static_cast<long>(int_end - first);
    const long keep = int_digits + exponent;  // digits of the integer part
    long taken = 0;
    for (std::size_t k = first; k < int_end && taken < keep; ++k, ++taken) push(text[k] - '0');
    for (std::size_t k = frac_begin; k < frac_end && taken < keep; ++k, ++taken)
        push(text[k] - '0');
    for (; taken < keep && r.magnitude != 0 && r.magnitude < limit; ++taken) push(0);
    if (r.magnitude == 0) r.negative = false;
    return r;
}

std::int64_t scientific_int64(const DecimalText& t)
{
    const IntegerPart p = scientific_integer(t.text, static_cast<std::size_t>(t.length));
    if (p.negative)
        return p.magnitude > u128{1} << 63 ? int64_min : static_cast<std::int64_t>(0 - p.magnitude);
    return p.magnitude > static_cast<u128>(int64_max) ? int64_max
                                                      : static_cast<std::int64_t>(p.magnitude);
}

std::uint64_t scientific_uint64(const DecimalText& t)
{
    const IntegerPart p = scientific_integer(t.text, static_cast<std::size_t>(t.length));
    if (p.magnitude >= u128{1} << 64) return std::numeric_limits<std::uint64_t>::max();
    const auto m = static_cast<std::uint64_t>(p.magnitude);
    return p.negative ? 0 - m : m;
}

std::uint64_t truncate_to_uint64(double v)
{
    if (v < 0 || std::isnan(v)) return static_cast<std::uint64_t>(truncate_to_int64(v));
    if (v >= 18446744073709551616.0) return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(v);
}

// --- SQL_NUMERIC_STRUCT ------------------------------------------------------

u128 load_magnitude(const SQL_NUMERIC_STRUCT& n)
{
    u128 m = 0;
    for (int i = SQL_MAX_NUMERIC_LEN - 1; i >= 0; --i) m = (m << 8) | n.val[i];
    return m;
}

void store_magnitude(SQL_NUMERIC_STRUCT& n, u128 m)
{
    for (int i = 0; i < SQL_MAX_NUMERIC_LEN; ++i) {
        n.val[i] = static_cast<SQLCHAR>(m & 0xFF);
        m >>= 8;
    }
}

// Brings a numeric value to scale q: the digits are multiplied by 10 for
// each place added and divided (truncating) for each place dropped. A value
// that no longer fits 128 bits keeps only its sign byte.
void rescale(SQL_NUMERIC_STRUCT& n, int q)
{
    if (q < -128 || q > 127) return;
    u128 m = load_magnitude(n);
    constexpr u128 max = ~u128{0};
    for (int s = static_cast<SQLSCHAR>(n.scale); s < q; ++s) {
        if (m > max / 10) {
            store_magnitude(n, 0);
            n.scale = static_cast<SQLSCHAR>(q);
            return;
        }
        m *= 10;
    }
    for (int s = static_cast<SQLSCHAR>(n.scale); s > q && m != 0; --s) m /= 10;
    store_magnitude(n, m);
    n.scale = static_cast<SQLSCHAR>(q);
    if (m == 0) n.sign = 1;
}

SQL_NUMERIC_STRUCT int64_numeric(std::int64_t v, int column_scale, int precision, int q)
{
    SQL_NUMERIC_STRUCT n{};
    n.precision = static_cast<SQLCHAR>(precision);
    n.sign = v < 0 ? 0 : 1;
    u128 m = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    int scale = -column_scale;
    for (; scale < 0 && m != 0; ++scale) {  // a positive column scale: trailing zeros
        if (m > ~u128{0} / 10) {
            m = 0;
            break;
        }
        m *= 10;
    }
    if (scale < 0) scale = 0;
    store_magnitude(n, m);
    n.scale = static_cast<SQLSCHAR>(scale);
    if (column_scale + q != 0) rescale(n, q);
    return n;
}

}  // namespace

std::int64_t truncate_to_int64(double v) noexcept
{
    if (std::isnan(v)) return 0;
    if (v >= 9223372036854775808.0) return int64_max;
    if (v < -9223372036854775808.0) return int64_min;
    return static_cast<std::int64_t>(v);
}

std::size_t format_scaled(std::int64_t v, int scale, char* out) noexcept
{
    if (scale == 0) return static_cast<std::size_t>(std::to_chars(out, out + 21, v).ptr - out);
    // Firebird scales lie far within these bounds; wider ones are clamped.
    if (scale > 128) scale = 128;
    if (scale < -128) scale = -128;
    const std::uint64_t magnitude =
        v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    char* p = out;
    if (v < 0) *p++ = '-';
    // The digits are written in place and moved to make room for the point.
    char* end = std::to_chars(p, p + 20, magnitude).ptr;
    const int count = static_cast<int>(end - p);
    if (scale > 0) {
        std::memset(end, '0', static_cast<std::size_t>(scale));
        return static_cast<std::size_t>(end + scale - out);
    }
    const int places = -scale;
    if (places < count) {
        for (char* q = end; q > end - places; --q) *q = q[-1];
        end[-places] = '.';
        return static_cast<std::size_t>(end + 1 - out);
    }
    // Fewer digits than places: "0." and leading zeros before them.
    const int zeros = places - count;
    std::memmove(p + 2 + zeros, p, static_cast<std::size_t>(count));
    p[0] = '0';
    p[1] = '.';
    std::memset(p + 2, '0', static_cast<std::size_t>(zeros));
    return static_cast<std::size_t>(p + 2 + places - out);
}

namespace {

// A scaled integer as text. A fetch into a narrow buffer with room for any
// text of the column's scale formats it there directly; otherwise it goes
// through a work buffer and the text delivery, which cuts it and hands it
// out in pieces.
SQLRETURN scaled_as_text(Conversion& c, std::int64_t v)
{
    const int scale = c.var.sqlscale;
    if (c.from_fetch && c.c_type == SQL_C_CHAR && c.target != nullptr &&
        c.buffer_length > scaled_text_bound(scale)) {
        const auto length = static_cast<SQLLEN>(format_scaled(v, scale, c.target));
        c.target[length] = '\0';
        report_length(c, length);
        return SQL_SUCCESS;
    }
    char text[scaled_text_size];
    return deliver_text(c, text, static_cast<SQLLEN>(format_scaled(v, scale, text)), Pieces::when_cut);
}

}  // namespace

void numeric_target(const Conversion& c, int& precision, int& scale)
{
    const DescRecord* record = &c.record;
    if (c.ard_type) {
        const Descriptor* ard = c.statement.ard;
        record = ard != nullptr && ard->records != nullptr && c.column <= ard->count
                     ? &ard->records[c.column]
                     : nullptr;
    }
    precision = record != nullptr ? record->precision : 0;
    scale = record != nullptr ? record->scale : 0;
}

void text_to_numeric_at(const char* text, int precision, int column_scale, int q,
                        SQL_NUMERIC_STRUCT& out)
{
    out = SQL_NUMERIC_STRUCT{};
    if (text_to_numeric(text, &out, precision, 0) != numeric_ok) return;
    if (column_scale + q != 0) rescale(out, q);
}

// --- Converters ----------------------------------------------------------

template <Source S>
SQLRETURN number_as_text(Conversion& c)
{
    if constexpr (S == Source::small_int) {
        return scaled_as_text(c, small_value(c));
    } else if constexpr (S == Source::bigint) {
        return scaled_as_text(c, load<std::int64_t>(c.data()));
    } else if constexpr (S == Source::int128) {
        char text[max_numeric_text_length + 1];
        std::int32_t length = 0;
        numeric_to_text(int128_value(c, 38), text, sizeof text, &length);
        return deliver_text(c, text, length, Pieces::when_cut);
    } else if constexpr (S == Source::floating) {
        char text[384];  // "%f" of the largest double has 316 characters
        const int length = std::snprintf(text, sizeof text, "%f", floating_value(c));
        return deliver_text(c, text, length, Pieces::when_cut);
    } else {
        const DecimalText t = decfloat_text(c);
        return deliver_text(c, t.text, t.length, Pieces::when_cut);
    }
}

template <Source S>
SQLRETURN number_as_binary(Conversion& c)
{
    std::size_t size;
    if constexpr (S == Source::small_int)
        size = small_size(c);
    else if constexpr (S == Source::bigint)
        size = 8;
    else if constexpr (S == Source::int128)
        size = 16;
    else if constexpr (S == Source::floating)
        size = c.sqltype == fb_type::float_ ? 4 : 8;
    else
        size = c.sqltype == fb_type::dec16 ? decfloat16_size : decfloat34_size;
    return deliver_bytes(c, c.data(), static_cast<SQLLEN>(size));
}

template <Source S>
SQLRETURN number_as_long(Conversion& c)
{
    std::int32_t value;
    if constexpr (S == Source::small_int) {
        const int scale = c.var.sqlscale;
        value = small_value(c);
        if (scale != 0) value = low32(truncate_to_int64(value * power_of_ten(scale)));
    } else if constexpr (S == Source::bigint) {
        value = low32(integer_part(load<std::int64_t>(c.data()), c.var.sqlscale));
    } else if constexpr (S == Source::int128) {
        value = low32(numeric_to_int64(int128_value(c, 38)));
    } else if constexpr (S == Source::floating) {
        value = low32(truncate_to_int64(floating_value(c)));
    } else {
        value = low32(scientific_int64(decfloat_text(c)));
    }
    return deliver_long_family(c, value);
}

template <Source S>
SQLRETURN number_as_ulong(Conversion& c)
{
    std::uint32_t value;
    if constexpr (S == Source::small_int) {
        // A negative value is first read as unsigned, then scaled.
        const int scale = c.var.sqlscale;
        value = static_cast<std::uint32_t>(small_value(c));
        if (scale != 0)
            value = static_cast<std::uint32_t>(truncate_to_int64(value * power_of_ten(scale)));
    } else if constexpr (S == Source::bigint) {
        value =
            static_cast<std::uint32_t>(integer_part(load<std::int64_t>(c.data()), c.var.sqlscale));
    } else if constexpr (S == Source::int128) {
        value = static_cast<std::uint32_t>(numeric_to_int64(int128_value(c, 38)));
    } else if constexpr (S == Source::floating) {
        value = static_cast<std::uint32_t>(truncate_to_int64(floating_value(c)));
    } else {
        value = static_cast<std::uint32_t>(scientific_int64(decfloat_text(c)));
    }
    return deliver_ulong_family(c, value);
}

template <Source S>
std::int64_t sbigint_value(const Conversion& c)
{
    if constexpr (S == Source::small_int) {
        const int scale = c.var.sqlscale;
        const std::int32_t v = small_value(c);
        return scale == 0 ? v : truncate_to_int64(v * power_of_ten(scale));
    } else if constexpr (S == Source::bigint) {
        // Exact without a scale; scaled values go through a double.
        const int scale = c.var.sqlscale;
        const auto v = load<std::int64_t>(c.data());
        return scale == 0 ? v : truncate_to_int64(static_cast<double>(v) * power_of_ten(scale));
    } else if constexpr (S == Source::int128) {
        return numeric_to_int64(int128_value(c, 38));
    } else if constexpr (S == Source::floating) {
        return truncate_to_int64(floating_value(c));
    } else {
        return scientific_int64(decfloat_text(c));
    }
}

template <Source S>
SQLRETURN number_as_sbigint(Conversion& c)
{
    return deliver_fixed(c, sbigint_value<S>(c));
}

template <Source S>
SQLRETURN number_as_ubigint(Conversion& c)
{
    std::uint64_t value;
    if constexpr (S == Source::floating)
        value = truncate_to_uint64(floating_value(c));
    else if constexpr (S == Source::decfloat)
        value = scientific_uint64(decfloat_text(c));
    else
        value = static_cast<std::uint64_t>(sbigint_value<S>(c));
    return deliver_fixed(c, value);
}

template <Source S>
SQLRETURN number_as_floating(Conversion& c)
{
    double value;
    if constexpr (S == Source::small_int) {
        const int scale = c.var.sqlscale;
        value = small_value(c);
        if (scale != 0) value *= power_of_ten(scale);
    } else if constexpr (S == Source::bigint) {
        value = scaled_double(load<std::int64_t>(c.data()), c.var.sqlscale);
    } else if constexpr (S == Source::int128) {
        value = numeric_to_double(int128_value(c, 38));
    } else if constexpr (S == Source::floating) {
        value = floating_value(c);
    } else {
        const DecimalText t = decfloat_text(c);
        value = parse_double(t.text, static_cast<std::size_t>(t.length));
    }
    return deliver_floating(c, value);
}

template <Source S>
SQLRETURN number_as_numeric(Conversion& c)
{
    int precision, q;
    numeric_target(c, precision, q);
    const int s = c.var.sqlscale;
    SQL_NUMERIC_STRUCT numeric{};
    if constexpr (S == Source::small_int) {
        const std::int32_t v = small_value(c);
        if (s == 0) {
            int32_to_numeric(v, precision, q, &numeric);
        } else if (q == -s) {
            // The digits as they are, at the column's own scale.
            int32_to_numeric(v, precision, 0, &numeric);
            numeric.scale = static_cast<SQLSCHAR>(q);
        } else {
            double_to_numeric(v * power_of_ten(s), &numeric, precision, q);
        }
    } else if constexpr (S == Source::bigint) {
        numeric = int64_numeric(load<std::int64_t>(c.data()), s, precision, q);
    } else if constexpr (S == Source::int128) {
        numeric = int128_value(c, precision);
        if (s + q != 0) rescale(numeric, q);
    } else if constexpr (S == Source::floating) {
        double_to_numeric(floating_value(c), &numeric, precision, q);
    } else {
        const DecimalText t = decfloat_text(c);
        text_to_numeric_at(t.text, precision, s, q, numeric);
    }
    return deliver_fixed(c, numeric);
}

#define BROLIX_NUMBER_CONVERTERS(S)                        \
    template SQLRETURN number_as_text<S>(Conversion&);     \
    template SQLRETURN number_as_binary<S>(Conversion&);   \
    template SQLRETURN number_as_long<S>(Conversion&);     \
    template SQLRETURN number_as_ulong<S>(Conversion&);    \
    template SQLRETURN number_as_sbigint<S>(Conversion&);  \
    template SQLRETURN number_as_ubigint<S>(Conversion&);  \
    template SQLRETURN number_as_floating<S>(Conversion&); \
    template SQLRETURN number_as_numeric<S>(Conversion&);

BROLIX_NUMBER_CONVERTERS(Source::small_int)
BROLIX_NUMBER_CONVERTERS(Source::bigint)
BROLIX_NUMBER_CONVERTERS(Source::int128)
BROLIX_NUMBER_CONVERTERS(Source::floating)
BROLIX_NUMBER_CONVERTERS(Source::decfloat)
#undef BROLIX_NUMBER_CONVERTERS

}  // namespace convert_detail
