// The parameter conversion step: the C type's family, the marker's type, the
// matrix between them, and the writers the converters share.
#include "param_convert.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "blob_writer.h"
#include "convert.h"
#include "diagnostics.h"
#include "param_convert_internal.h"
#include "utf.h"

namespace param_detail {

namespace {

// The family of a C type; false for a C type no family serves. The codes of
// some SQL types are taken as C types of the family they name.
bool family_of(SQLSMALLINT c_type, Family& family)
{
    switch (c_type) {
    case SQL_C_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
        family = Family::character;
        return true;
    case SQL_C_WCHAR:
    case SQL_WVARCHAR:
        family = Family::wide;
        return true;
    case SQL_C_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        family = Family::binary;
        return true;
    case SQL_C_LONG:
    case SQL_C_SLONG:
    case SQL_C_ULONG:
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT:
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT:
    case SQL_C_BIT:
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT:
    case SQL_BIGINT:
        family = Family::integer;
        return true;
    case SQL_C_NUMERIC:
        family = Family::numeric;
        return true;
    case SQL_C_FLOAT:
    case SQL_C_DOUBLE:
    case SQL_FLOAT:
        family = Family::floating;
        return true;
    case SQL_C_DATE:
    case SQL_C_TYPE_DATE:
        family = Family::date;
        return true;
    case SQL_C_TIME:
    case SQL_C_TYPE_TIME:
        family = Family::time;
        return true;
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_TIMESTAMP:
        family = Family::timestamp;
        return true;
    default:
        return false;
    }
}

constexpr int cell(Family f, Marker m)
{
    return static_cast<int>(f) * marker_count + static_cast<int>(m);
}

struct Matrix {
    ParamConverter entries[family_count * marker_count] = {};
    // Columns: text, double, float, integer, smallint, bigint, date, time,
    // timestamp, blob, array (and unsupported, left null). A null entry is
    // 07006.
    constexpr void row(Family f, const std::array<ParamConverter, marker_count>& converters)
    {
        for (int m = 0; m < marker_count; ++m) entries[cell(f, static_cast<Marker>(m))] = converters[m];
    }
};

constexpr Matrix make_matrix()
{
    constexpr ParamConverter no = nullptr;
    Matrix x;
    x.row(Family::character,
          {&character_as_text, &character_as_floating, &character_as_floating, &character_as_scaled,
           &character_as_scaled, &character_as_scaled, &character_as_date, &character_as_time,
           &character_as_timestamp, &character_as_blob, &send_null});
    x.row(Family::wide, {&wide_as_text, &wide_as_scalar, &wide_as_scalar, &wide_as_scalar, &wide_as_scalar,
                         &wide_as_scalar, &wide_as_scalar, &wide_as_scalar, &wide_as_scalar, &wide_as_blob,
                         &send_null});
    x.row(Family::binary, {&binary_as_raw, &binary_as_raw, &binary_as_raw, &binary_as_raw, &binary_as_raw,
                           &binary_as_raw, &binary_as_raw, &binary_as_raw, &binary_as_raw, &binary_as_blob,
                           &send_null});
    x.row(Family::integer, {&integer_as_text, &integer_as_floating, &integer_as_floating, &integer_as_scaled,
                            &integer_as_scaled, &integer_as_scaled, no, no, no, no, &send_null});
    x.row(Family::floating,
          {&floating_as_text, &floating_as_floating, &floating_as_floating, &floating_as_scaled,
           &floating_as_scaled, &floating_as_scaled, no, no, no, no, &send_null});
    x.row(Family::numeric, {&numeric_as_text, &numeric_as_floating, &numeric_as_floating, &numeric_as_scaled,
                            &numeric_as_scaled, &numeric_as_scaled, no, no, no, no, &send_null});
    x.row(Family::date, {no, no, no, no, no, no, &date_as_date, no, &date_as_timestamp, no, no});
    x.row(Family::time, {no, no, no, no, no, no, no, &time_as_time, &time_as_timestamp, no, no});
    x.row(Family::timestamp, {no, no, no, no, no, no, &timestamp_as_date, &timestamp_as_time,
                              &timestamp_as_timestamp, no, no});
    return x;
}

constexpr Matrix matrix = make_matrix();

}  // namespace

Marker marker_of(int sqltype)
{
    switch (sqltype) {
    case fb_type::text:
    case fb_type::varying:
        return Marker::text;
    case fb_type::double_precision:
        return Marker::double_precision;
    case fb_type::float_:
        return Marker::float_;
    case fb_type::long_:
        return Marker::integer;
    case fb_type::short_:
    case fb_type::boolean:
    case fb_type::boolean_legacy:
        return Marker::smallint;
    case fb_type::int64:
        return Marker::bigint;
    case fb_type::date:
        return Marker::date;
    case fb_type::time:
        return Marker::time;
    case fb_type::timestamp:
        return Marker::timestamp;
    case fb_type::blob:
        return Marker::blob;
    case fb_type::array:
        return Marker::array;
    default:
        return Marker::unsupported;
    }
}

ParamConverter converter_for(Family family, Marker marker)
{
    return matrix.entries[cell(family, marker)];
}

SQLRETURN fail(ParamConversion& c, const char* sqlstate, const char* message)
{
    return post_error(&c.statement, sqlstate, 0, message);
}

SQLRETURN refuse(ParamConversion& c)
{
    return post_error(&c.statement, state::restricted_type, c.c_type);
}

SQLRETURN send_null(ParamConversion& c)
{
    c.ipd.inline_indicator = -1;
    c.var.sqltype = static_cast<ISC_SHORT>(c.var.sqltype | 1);
    return SQL_SUCCESS;
}

SQLRETURN store_text(ParamConversion& c, const char* text, std::size_t length, const char* too_long)
{
    if (length > static_cast<std::size_t>(std::max(c.ipd.server_length, 0)))
        return fail(c, state::right_truncated, too_long);
    std::memcpy(c.buffer(), text, length);
    c.buffer()[length] = '\0';
    c.var.sqllen = static_cast<ISC_SHORT>(length);
    return SQL_SUCCESS;
}

SQLRETURN store_blob(ParamConversion& c, const char* data, std::size_t length)
{
    isc_blob_handle handle = 0;
    if (create_parameter_blob(c.statement, c.ipd, handle) != SQL_SUCCESS) return SQL_ERROR;
    if (write_blob_segments(c.statement, handle, data, length) != SQL_SUCCESS) {
        abandon_parameter_blob(handle);
        return SQL_ERROR;
    }
    return close_parameter_blob(c.statement, handle);
}

}  // namespace param_detail

using namespace param_detail;

SQLSMALLINT resolve_parameter_c_type(SQLSMALLINT c_type, SQLSMALLINT sql_type_hint,
                                     SQLSMALLINT ipd_concise_type, const Connection* connection)
{
    if (c_type != SQL_C_DEFAULT) return c_type;
    const SQLSMALLINT sql_type = sql_type_hint != 0 ? sql_type_hint : ipd_concise_type;
    return default_c_type(sql_type, connection != nullptr && connection->wchar_default_c != 0);
}

SQLRETURN convert_parameter(ParamConversion& c)
{
    Family family;
    if (!family_of(c.c_type, family)) return refuse(c);
    const ParamConverter convert = converter_for(family, marker_of(c.sqltype));
    if (convert == nullptr) return refuse(c);
    return convert(c);
}

std::size_t wide_units_before_nul(const void* units)
{
    std::size_t n = 0;
    while (wide_unit_at(units, n) != 0) ++n;
    return n;
}

WideEncoded encode_wide_text(const WideCodec& codec, const void* units, std::size_t count, char* out,
                             std::size_t capacity)
{
    WideEncoded result;
    result.capacity = capacity;
    if (codec.simple) {
        // One byte per unit: its low byte.
        result.bytes = count;
        const std::size_t n = std::min(count, capacity);
        for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char>(wide_unit_at(units, i) & 0xFF);
        return result;
    }
    const char* charset = code_page_charset(codec.code_page);
    if (charset == nullptr || std::strcmp(charset, "UTF-8") == 0) {
        // Through an aligned window of units; a surrogate pair never
        // straddles two windows.
        char16_t window[512];
        std::size_t done = 0;
        while (done < count) {
            std::size_t take = std::min(count - done, std::size(window));
            std::memcpy(window, static_cast<const char*>(units) + 2 * done, 2 * take);
            if (done + take < count && utf::is_high_surrogate(window[take - 1])) --take;
            const std::size_t room = capacity > result.bytes ? capacity - result.bytes : 0;
            const utf::Encoded e = utf::utf16_to_utf8(window, take, out + std::min(result.bytes, capacity), room);
            result.bytes += e.bytes;
            result.valid = result.valid && e.valid;
            done += take;
        }
        return result;
    }
    std::u16string text(count, u'\0');
    std::memcpy(text.data(), units, 2 * count);
    const std::optional<std::string> narrow = narrow_from_wide(codec, text);
    if (!narrow) {
        result.valid = false;
        return result;
    }
    result.bytes = narrow->size();
    std::memcpy(out, narrow->data(), std::min(narrow->size(), capacity));
    return result;
}
