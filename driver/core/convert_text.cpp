// CHAR and VARCHAR columns to every C type, and the reading of numbers from
// text that the numeric targets of text and decimal-float columns share.
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <string>

#include "character_sets.h"
#include "convert_internal.h"
#include "numeric.h"
#include "text.h"
#include "utf.h"

namespace convert_detail {

namespace {

bool is_blank(char ch)
{
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}
bool is_digit(char ch)
{
    return ch >= '0' && ch <= '9';
}

// The value's bytes: after the 16-bit length of a VARCHAR (never more than
// the column's length), all of a CHAR up to its length in characters (the
// server pads a multi-byte CHAR to its byte length).
struct TextValue {
    const char* bytes;
    SQLLEN length;
};

TextValue column_text(const Conversion& c)
{
    const auto* data = reinterpret_cast<const char*>(c.var.sqldata);
    const SQLLEN size = c.var.sqllen > 0 ? c.var.sqllen : 0;
    if (c.sqltype == fb_type::varying) {
        SQLLEN length = load<std::uint16_t>(data);
        return {data + 2, std::min(length, size)};
    }
    if (c.record.char_length > 0)
        return {data, char_value_length(data, size, column_character_set(c.var.sqlsubtype), c.record.char_length)};
    return {data, size};
}

SQLLEN without_trailing_blanks(const char* bytes, SQLLEN length)
{
    while (length > 0 && bytes[length - 1] == ' ') --length;
    return length;
}

bool pad_varchar(const Conversion& c)
{
    return c.connection() != nullptr && c.connection()->pad_varchar != 0;
}

// Skips blanks and a sign; returns the position of the first digit
// candidate.
std::size_t skip_sign(const char* text, std::size_t length, bool& negative)
{
    std::size_t i = 0;
    while (i < length && is_blank(text[i])) ++i;
    negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    return i;
}

}  // namespace

// --- Reading numbers ---------------------------------------------------

std::int64_t parse_integer(const char* text, std::size_t length) noexcept
{
    bool negative;
    std::size_t i = skip_sign(text, length, negative);
    // Accumulated as a negative number, which holds INT64_MIN.
    std::int64_t value = 0;
    constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
    bool overflow = false;
    for (; i < length && is_digit(text[i]); ++i) {
        int d = text[i] - '0';
        if (value < (min + d) / 10) overflow = true;
        if (!overflow) value = value * 10 - d;
    }
    if (overflow) return negative ? min : std::numeric_limits<std::int64_t>::max();
    if (negative) return value;
    return value == min ? std::numeric_limits<std::int64_t>::max() : -value;
}

std::uint64_t parse_unsigned(const char* text, std::size_t length) noexcept
{
    bool negative;
    std::size_t i = skip_sign(text, length, negative);
    std::uint64_t value = 0;
    constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    for (; i < length && is_digit(text[i]); ++i) {
        unsigned d = static_cast<unsigned>(text[i] - '0');
        if (value > (max - d) / 10) return max;
        value = value * 10 + d;
    }
    return negative ? 0 - value : value;
}

double parse_double(const char* text, std::size_t length) noexcept
{
    bool negative;
    const std::size_t start = skip_sign(text, length, negative);
    std::size_t i = start;
    std::size_t digits = 0;
    while (i < length && is_digit(text[i])) ++i, ++digits;
    if (i < length && text[i] == '.') {
        ++i;
        while (i < length && is_digit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    if (i < length && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < length && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < length && is_digit(text[j])) {
            while (j < length && is_digit(text[j])) ++j;
            i = j;
        }
    }
    double value = 0.0;
    auto [end, error] = std::from_chars(text + start, text + i, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Beyond the range of a double: the overflow or underflow value that
        // strtod gives.
        std::string copy(text + start, text + i);
        value = std::strtod(copy.c_str(), nullptr);
    }
    (void)end;
    return negative ? -value : value;
}

// --- Converters ----------------------------------------------------------

SQLRETURN text_as_char(Conversion& c)
{
    TextValue v = column_text(c);
    if (c.sqltype == fb_type::varying && !pad_varchar(c))
        v.length = without_trailing_blanks(v.bytes, v.length);
    return deliver_text(c, v.bytes, v.length, Pieces::always);
}

// The value as UTF-16 through the connection's code page. A VARCHAR always
// loses its trailing blanks. A CHAR keeps its n characters (cut as every
// conversion cuts it); one in a character set the driver cannot count in,
// whose multi-byte characters decode to fewer units than it has bytes, is
// padded with blanks up to that byte count when the buffer has room. Pieces never split a character: the offset
// advances by the bytes of the characters delivered.
SQLRETURN text_as_wide(Conversion& c)
{
    TextValue v = column_text(c);
    if (c.sqltype == fb_type::varying) v.length = without_trailing_blanks(v.bytes, v.length);

    // Units that fit, the terminator apart; 0 when not even that fits.
    const SQLLEN capacity_units = c.buffer_length >= 2 ? c.buffer_length / 2 - 1 : 0;
    const bool can_store = c.target != nullptr && c.buffer_length >= 2;
    char* out = c.target;

    SQLLEN offset = 0;
    if (!c.from_fetch) {
        offset = std::max<SQLLEN>(c.record.getdata_offset, 0);
        if (offset > 0 && offset >= v.length) {
            if (can_store) put_unit(out, 0, 0);
            return SQL_NO_DATA;
        }
    }
    const char* rest = v.bytes + offset;
    const auto rest_bytes = static_cast<std::size_t>(v.length - offset);
    const std::size_t capacity = can_store ? static_cast<std::size_t>(capacity_units) : 0;

    std::size_t units = 0, stored = 0, consumed = 0;
    const WideCodec codec = wide_codec(c.connection());
    const char* charset = codec.simple ? nullptr : code_page_charset(codec.code_page);
    if (codec.simple) {
        units = rest_bytes;
        stored = std::min(units, capacity);
        for (std::size_t i = 0; i < stored; ++i)
            put_unit(out, i, static_cast<unsigned char>(rest[i]));
        consumed = stored;
    } else if (charset == nullptr || std::string_view(charset) == "UTF-8") {
        const utf::Decoded d = utf::utf8_to_utf16(rest, rest_bytes, out, capacity);
        units = d.units;
        stored = d.stored;
        consumed = d.consumed;
    } else {
        // Other code pages go through the converter, which allocates.
        std::u16string wide = wide_from_narrow(codec, std::string_view(rest, rest_bytes));
        units = wide.size();
        stored = units <= capacity ? units : wide_fit(wide, capacity + 1);
        if (stored == units) {
            consumed = rest_bytes;
        } else if (units == rest_bytes) {
            consumed = stored;  // one byte per character
        } else {
            // The longest prefix of the bytes that decodes to no more than
            // the units that fit.
            std::size_t low = 0, high = rest_bytes;
            while (low < high) {
                std::size_t mid = (low + high + 1) / 2;
                if (wide_from_narrow(codec, std::string_view(rest, mid)).size() <= stored)
                    low = mid;
                else
                    high = mid - 1;
            }
            consumed = low;
            wide = wide_from_narrow(codec, std::string_view(rest, low));
            stored = wide.size();
        }
        for (std::size_t i = 0; i < stored; ++i) put_unit(out, i, wide[i]);
    }

    // CHAR padding: one blank unit for every byte the decoding saved, for a
    // CHAR whose character set the driver cannot count in (a CHAR it can
    // count was cut to its characters, padding included).
    const std::size_t pad =
        c.sqltype == fb_type::text && c.record.char_length == 0 && units < rest_bytes ? rest_bytes - units : 0;
    const bool whole = stored == units;
    std::size_t padded = 0;
    if (whole && pad > 0) {
        padded = std::min(pad, capacity - stored);
        for (std::size_t i = 0; i < padded; ++i) put_unit(out, stored + i, u' ');
    }
    if (can_store) put_unit(out, stored + padded, 0);

    if (!c.from_fetch && c.buffer_length > 0)
        c.record.getdata_offset = offset + static_cast<SQLLEN>(consumed);
    if (whole) {
        // Padding that finds no room is left out, not counted as cut text.
        report_length(c, static_cast<SQLLEN>((units + padded) * 2));
        return SQL_SUCCESS;
    }
    report_length(c, static_cast<SQLLEN>((units + pad) * 2));
    return SQL_SUCCESS_WITH_INFO;
}

SQLRETURN text_as_binary(Conversion& c)
{
    const TextValue v = column_text(c);
    if (c.indicator != nullptr && (c.target == nullptr || c.buffer_length == 0)) {
        report_length(c, SQL_NO_TOTAL);
        return SQL_SUCCESS_WITH_INFO;
    }
    SQLLEN offset = 0;
    if (!c.from_fetch) {
        offset = std::max<SQLLEN>(c.record.getdata_offset, 0);
        if (offset > 0 && offset >= v.length) return SQL_NO_DATA;
    }
    const SQLLEN rest = v.length - offset;
    const SQLLEN n = c.target != nullptr ? std::min(rest, std::max<SQLLEN>(c.buffer_length, 0)) : 0;
    if (n > 0) std::memcpy(c.target, v.bytes + offset, static_cast<std::size_t>(n));
    if (!c.from_fetch) c.record.getdata_offset = offset + n;
    report_length(c, rest);
    return n < rest ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN text_as_long(Conversion& c)
{
    const TextValue v = column_text(c);
    return deliver_long_family(c,
                               low32(parse_integer(v.bytes, static_cast<std::size_t>(v.length))));
}

SQLRETURN text_as_ulong(Conversion& c)
{
    const TextValue v = column_text(c);
    return deliver_ulong_family(
        c, static_cast<std::uint32_t>(parse_integer(v.bytes, static_cast<std::size_t>(v.length))));
}

SQLRETURN text_as_sbigint(Conversion& c)
{
    const TextValue v = column_text(c);
    return deliver_fixed(c, parse_integer(v.bytes, static_cast<std::size_t>(v.length)));
}

SQLRETURN text_as_ubigint(Conversion& c)
{
    const TextValue v = column_text(c);
    return deliver_fixed(c, parse_unsigned(v.bytes, static_cast<std::size_t>(v.length)));
}

SQLRETURN text_as_floating(Conversion& c)
{
    const TextValue v = column_text(c);
    return deliver_floating(c, parse_double(v.bytes, static_cast<std::size_t>(v.length)));
}

SQLRETURN text_as_numeric(Conversion& c)
{
    const TextValue v = column_text(c);
    int precision, scale;
    numeric_target(c, precision, scale);
    SQL_NUMERIC_STRUCT numeric{};
    double_to_numeric(parse_double(v.bytes, static_cast<std::size_t>(v.length)), &numeric,
                      precision, scale);
    return deliver_fixed(c, numeric);
}

}  // namespace convert_detail
