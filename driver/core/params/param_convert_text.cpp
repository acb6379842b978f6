// The character, wide character and binary families into every marker they
// reach.
#include <algorithm>

#include "blob_writer.h"
#include "param_convert_internal.h"
#include "utf.h"

namespace param_detail {

namespace {

// Text BLOBs (sub-type 1) take text; other sub-types only bytes.
bool is_text_blob(const ParamConversion& c)
{
    return c.var.sqlsubtype == 1;
}

// Units of a wide value: L / 2, or the NUL-terminated length for SQL_NTS.
bool wide_count(ParamConversion& c, std::size_t& count)
{
    if (c.length == SQL_NTS) {
        count = wide_units_before_nul(c.value);
        return true;
    }
    if (c.length < 0) {
        fail(c, state::bad_length);
        return false;
    }
    count = static_cast<std::size_t>(c.length) / 2;
    return true;
}

}  // namespace

bool value_length(ParamConversion& c, std::size_t& length)
{
    if (c.length >= 0) {
        length = static_cast<std::size_t>(c.length);
        return true;
    }
    if (c.length != SQL_NTS) {
        fail(c, state::bad_length);
        return false;
    }
    const bool binary = c.c_type == SQL_C_BINARY || c.c_type == SQL_VARBINARY || c.c_type == SQL_LONGVARBINARY;
    length = binary && c.buffer_length > 0 ? static_cast<std::size_t>(c.buffer_length) : std::strlen(c.value);
    return true;
}

// --- Character family -----------------------------------------------------

SQLRETURN character_as_text(ParamConversion& c)
{
    std::size_t length;
    if (!value_length(c, length)) return SQL_ERROR;
    return store_text(c, c.value, length);
}

SQLRETURN character_as_floating(ParamConversion& c)
{
    std::size_t length;
    if (!value_length(c, length)) return SQL_ERROR;
    Decimal scanned;
    if (!scan_decimal(c.value, length, scanned)) return fail(c, state::not_a_number);
    double v;
    if (!decimal_text_to_double(c.value, length, scanned, v)) return fail(c, state::out_of_range);
    return store_floating(c, v);
}

SQLRETURN character_as_scaled(ParamConversion& c)
{
    std::size_t length;
    if (!value_length(c, length)) return SQL_ERROR;
    Decimal scanned;
    if (!scan_decimal(c.value, length, scanned)) return fail(c, state::not_a_number);
    return store_scaled_decimal(c, scanned);
}

SQLRETURN character_as_blob(ParamConversion& c)
{
    if (!is_text_blob(c)) return refuse(c);
    std::size_t length;
    if (!value_length(c, length)) return SQL_ERROR;
    return store_blob(c, c.value, length);
}

// --- Wide character family --------------------------------------------------

SQLRETURN wide_as_text(ParamConversion& c)
{
    std::size_t count;
    if (!wide_count(c, count)) return SQL_ERROR;
    const std::size_t capacity = static_cast<std::size_t>(std::max(c.ipd.server_length, 0));
    const WideEncoded e =
        encode_wide_text(wide_codec(c.statement.connection), c.value, count, c.buffer(), capacity);
    if (!e.valid) return fail(c, state::general, wide_not_representable_message);
    if (!e.fits()) return fail(c, state::right_truncated, wide_too_long_message);
    c.buffer()[e.bytes] = '\0';
    c.var.sqllen = static_cast<ISC_SHORT>(e.bytes);
    return SQL_SUCCESS;
}

SQLRETURN wide_as_scalar(ParamConversion& c)
{
    std::size_t count;
    if (!wide_count(c, count)) return SQL_ERROR;
    // Numbers, dates and times are short: a text that does not fit here is
    // neither.
    char text[512];
    const WideEncoded e = encode_wide_text(wide_codec(c.statement.connection), c.value, count, text,
                                           sizeof text);
    if (!e.valid) return fail(c, state::general, wide_not_representable_message);
    if (!e.fits()) return fail(c, state::not_a_number);
    ParamConversion narrow{c.statement, c.ipd,  c.var, c.sqltype, text, static_cast<SQLLEN>(e.bytes),
                           c.buffer_length, SQL_C_CHAR};
    return converter_for(Family::character, marker_of(c.sqltype))(narrow);
}

SQLRETURN wide_as_blob(ParamConversion& c)
{
    if (!is_text_blob(c)) return refuse(c);
    std::size_t count;
    if (!wide_count(c, count)) return SQL_ERROR;
    const WideCodec codec = wide_codec(c.statement.connection);
    isc_blob_handle handle = 0;
    if (create_parameter_blob(c.statement, c.ipd, handle) != SQL_SUCCESS) return SQL_ERROR;
    // The text goes to the BLOB in the connection's code page, a segment's
    // worth at a time.
    char segment[blob_segment_size];
    std::size_t done = 0;
    while (done < count) {
        std::size_t take = std::min(count - done, blob_segment_size / 3);
        // Never end a piece between the halves of a surrogate pair.
        if (done + take < count && utf::is_high_surrogate(wide_unit_at(c.value, done + take - 1))) --take;
        const WideEncoded e = encode_wide_text(codec, c.value + 2 * done, take, segment, sizeof segment);
        if (!e.valid || !e.fits()) {
            abandon_parameter_blob(handle);
            return fail(c, state::general, wide_not_representable_message);
        }
        if (write_blob_segments(c.statement, handle, segment, e.bytes) != SQL_SUCCESS) {
            abandon_parameter_blob(handle);
            return SQL_ERROR;
        }
        done += take;
    }
    return close_parameter_blob(c.statement, handle);
}

// --- Binary family --------------------------------------------------------------

SQLRETURN binary_as_raw(ParamConversion& c)
{
    std::size_t length;
    if (!value_length(c, length)) return SQL_ERROR;
    const std::size_t capacity = static_cast<std::size_t>(std::max(c.ipd.server_length, 0));
    if (length > capacity) return fail(c, state::right_truncated, text_too_long_message);
    if (c.sqltype == fb_type::text || c.sqltype == fb_type::varying) return store_text(c, c.value, length);
    // A fixed-size marker keeps its length; bytes it is not given are 0.
    std::memset(c.buffer(), 0, capacity);
    std::memcpy(c.buffer(), c.value, length);
    return SQL_SUCCESS;
}

SQLRETURN binary_as_blob(ParamConversion& c)
{
    std::size_t length;
    if (!value_length(c, length)) return SQL_ERROR;
    return store_blob(c, c.value, length);
}

}  // namespace param_detail
