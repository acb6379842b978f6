// Conversion of one application value into a parameter marker: the C type's
// family (character, wide character, binary, the integer widths, float,
// double, numeric, date, time, timestamp) and the marker's Firebird type
// choose a converter from one matrix, which writes the value straight into
// the marker's IPD value buffer (the XSQLVAR's sqldata), its indicator and,
// for text, the XSQLVAR's sqllen. BLOB markers receive a new BLOB, written
// in segments as the value is read.
//
// Nothing is allocated per value: work buffers live on the stack, except
// for wide text converted to a code page other than UTF-8.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <cstring>

#include "handles.h"
#include "text.h"

// One value on its way into one marker.
struct ParamConversion {
    Statement& statement;
    DescRecord& ipd;  // value_buffer, inline_indicator, server_length, server_scale
    XSQLVAR& var;     // its sqltype selects the target; sqllen receives text lengths
    int sqltype;      // var.sqltype without the nullable bit
    const char* value;     // the application's value for the current row, not null
    SQLLEN length;         // the length/indicator value L
    SQLLEN buffer_length;  // the APD record's octet_length (binary values without a length)
    SQLSMALLINT c_type;    // resolved: never SQL_C_DEFAULT

    char* buffer() const { return static_cast<char*>(ipd.value_buffer); }
};

// The C type a parameter's value has: `c_type` itself, or for SQL_C_DEFAULT
// the C type that goes with the SQL type the application named when it
// bound the parameter (`sql_type_hint`), else with the marker's own SQL type
// (the IPD record's concise type).
SQLSMALLINT resolve_parameter_c_type(SQLSMALLINT c_type, SQLSMALLINT sql_type_hint,
                                     SQLSMALLINT ipd_concise_type, const Connection* connection);

// Converts the value into the marker. SQL_SUCCESS, or SQL_ERROR with a
// diagnostic on the statement: 07006 (no such conversion, native error the
// C type), 22001 (too long for the marker), 22003 (outside the marker's
// range), 22007 / 22008 (date or time text in another form, or not a valid
// date or time), 22018 (text that is not a number), HY090 (a negative length
// other than SQL_NTS), HY000 (wide text the code page cannot represent), or
// the client's status for BLOB writes.
SQLRETURN convert_parameter(ParamConversion& conversion);

// Wide text converted for a parameter: into the connection's code page, or
// a low byte per unit under SimpleUnicode.
struct WideEncoded {
    std::size_t bytes = 0;     // bytes the whole text needs
    std::size_t capacity = 0;  // bytes there were room for
    bool valid = true;         // false: a character the code page cannot represent
    bool fits() const noexcept { return bytes <= capacity; }
};

// Converts `count` UTF-16 units, stored at `units` at any alignment (rows of
// parameter arrays pack them where they fall), into at most `capacity`
// bytes at `out` (no terminator). The whole text is measured even when it
// does not fit; what is stored then is unspecified. Text in a code page
// other than UTF-8 goes through iconv and allocates.
WideEncoded encode_wide_text(const WideCodec& codec, const void* units, std::size_t count, char* out,
                             std::size_t capacity);

// The unit at `index` of UTF-16 text stored at any alignment.
inline char16_t wide_unit_at(const void* units, std::size_t index)
{
    char16_t unit;
    std::memcpy(&unit, static_cast<const char*>(units) + 2 * index, sizeof unit);
    return unit;
}

// Units before the first NUL unit of UTF-16 text stored at any alignment.
std::size_t wide_units_before_nul(const void* units);

// Messages of the parameter conversions.
inline constexpr const char* text_too_long_message = "String or binary data would be truncated";
inline constexpr const char* wide_too_long_message = "String data would be right truncated";
inline constexpr const char* wide_not_representable_message =
    "A wide character has been encountered that can not be represented as a multibyte sequence "
    "(according to the current locale)";
