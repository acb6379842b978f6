// Shared pieces of the conversion step: the description of one conversion
// call, the families that index the conversion matrix, the converters of
// each source family (convert_text.cpp, convert_numeric.cpp,
// convert_datetime.cpp, convert_blob.cpp) and the output helpers they share.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <cstring>

#include "convert.h"
#include "handles.h"
#include "utf.h"

namespace convert_detail {

// Rows of the conversion matrix: Firebird types that convert alike.
enum class Source : std::uint8_t {
    text,       // CHAR, VARCHAR
    small_int,  // SMALLINT, INTEGER, BOOLEAN
    bigint,
    int128,
    floating,  // FLOAT, DOUBLE PRECISION
    decfloat,  // DECFLOAT(16), DECFLOAT(34)
    timestamp,
    date,
    time,
    timestamp_tz,  // TIMESTAMP WITH TIME ZONE and its extended form
    time_tz,       // TIME WITH TIME ZONE and its extended form
    blob,
    array,
    unknown,
};
inline constexpr int source_count = static_cast<int>(Source::unknown) + 1;

// Columns of the conversion matrix: C types that convert alike.
enum class Target : std::uint8_t {
    character,  // SQL_C_CHAR
    wide,       // SQL_C_WCHAR
    binary,
    long_family,   // SQL_C_LONG, SLONG, SHORT, SSHORT, TINYINT, STINYINT, BIT
    ulong_family,  // SQL_C_ULONG, USHORT, UTINYINT
    sbigint,
    ubigint,
    floating,  // SQL_C_DOUBLE, SQL_C_FLOAT
    numeric,
    date,
    time,
    timestamp,
};
inline constexpr int target_count = static_cast<int>(Target::timestamp) + 1;

// One conversion: the value's column and where it goes. The C type is the
// resolved one (never SQL_C_DEFAULT or SQL_ARD_TYPE).
struct Conversion {
    Statement& statement;
    DescRecord& record;  // the IRD record: per-row state
    const XSQLVAR& var;
    int sqltype;  // without the nullable bit
    int column;
    SQLSMALLINT c_type;
    char* target;
    SQLLEN buffer_length;
    SQLLEN* indicator;
    SQLLEN* octet_length;
    bool from_fetch;
    bool ard_type;

    const unsigned char* data() const
    {
        return reinterpret_cast<const unsigned char*>(var.sqldata);
    }
    const Connection* connection() const { return statement.connection; }
};

using Converter = SQLRETURN (*)(Conversion&);

// --- Output helpers -----------------------------------------------------

// Stores a value's length through the indicator and octet-length pointers.
inline void report_length(Conversion& c, SQLLEN length)
{
    if (c.indicator != nullptr) *c.indicator = length;
    if (c.octet_length != nullptr) *c.octet_length = length;
}

// Reads a value of type T from a possibly unaligned address.
template <typename T>
inline T load(const void* p)
{
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// Writes a fixed-size result (application buffers need not be aligned).
template <typename T>
inline SQLRETURN deliver_fixed(Conversion& c, const T& value)
{
    if (c.target != nullptr) std::memcpy(c.target, &value, sizeof value);
    report_length(c, static_cast<SQLLEN>(sizeof value));
    return SQL_SUCCESS;
}

// The narrow targets of the LONG family take the low bits of the 32-bit
// result; SQL_C_BIT is 1 for any result other than 0.
inline SQLRETURN deliver_long_family(Conversion& c, std::int32_t value)
{
    switch (c.c_type) {
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
        return deliver_fixed(c, static_cast<std::int16_t>(value));
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
        return deliver_fixed(c, static_cast<std::int8_t>(value));
    case SQL_C_BIT:
        return deliver_fixed(c, static_cast<std::uint8_t>(value != 0));
    default:
        return deliver_fixed(c, value);
    }
}

inline SQLRETURN deliver_ulong_family(Conversion& c, std::uint32_t value)
{
    switch (c.c_type) {
    case SQL_C_USHORT:
        return deliver_fixed(c, static_cast<std::uint16_t>(value));
    case SQL_C_UTINYINT:
        return deliver_fixed(c, static_cast<std::uint8_t>(value));
    default:
        return deliver_fixed(c, value);
    }
}

inline SQLRETURN deliver_floating(Conversion& c, double value)
{
    if (c.c_type == SQL_C_FLOAT) return deliver_fixed(c, static_cast<float>(value));
    return deliver_fixed(c, value);
}

// How a formatted text moves through repeated SQLGetData calls.
enum class Pieces {
    // Column text (CHAR, VARCHAR): every call continues where the last one
    // stopped; once everything was returned the next call gives SQL_NO_DATA.
    always,
    // Text formatted from a number or a date: a value that fits is
    // delivered whole by every call; a value that was cut continues on the
    // next call like column text, so that reading in pieces ends.
    when_cut,
};

// Delivers text as SQL_C_CHAR (bytes as they are, lengths in bytes) or, when
// the C type is SQL_C_WCHAR, as UTF-16 of the same characters (the text is
// then UTF-8, in practice ASCII; lengths in bytes of the wide text), through
// the one output-string writer. Handles the pieces of SQLGetData through the
// record's getdata_offset, which advances by whole characters.
SQLRETURN deliver_text(Conversion& c, const char* text, SQLLEN length, Pieces pieces);

// Writes one UTF-16 unit at out[index] (application buffers need not be
// aligned).
using utf::put_unit;

// Stored bytes of a fixed-size value as SQL_C_BINARY: at most BufferLength
// bytes; a cut value gives SQL_SUCCESS_WITH_INFO.
SQLRETURN deliver_bytes(Conversion& c, const void* bytes, SQLLEN length);

// --- Numbers --------------------------------------------------------------

// Reading of a decimal number at the start of a text (rule P): blanks, a
// sign, digits; for the floating reading also a fraction and an exponent.
// Text that does not start with a number reads as 0. The integer readings
// saturate at the limits of their type, as strtoll and strtoull do.
std::int64_t parse_integer(const char* text, std::size_t length) noexcept;
std::uint64_t parse_unsigned(const char* text, std::size_t length) noexcept;
double parse_double(const char* text, std::size_t length) noexcept;

// The 32-bit result of a 64-bit reading: its low 32 bits.
inline std::int32_t low32(std::int64_t v)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

// A double truncated toward zero to int64, saturating (NaN gives 0).
std::int64_t truncate_to_int64(double v) noexcept;

// Scaled integer to text: the digits of v with a "." inserted for a
// negative scale, or zeros appended for a positive one. Scales beyond 128
// either way are taken as 128. The text takes at most
// scaled_text_bound(scale) bytes, and never more than scaled_text_size.
// Returns the length (no NUL is written).
inline constexpr std::size_t scaled_text_size = 192;
std::size_t format_scaled(std::int64_t v, int scale, char* out) noexcept;

// The longest text of a scaled integer of `scale`: a sign and nineteen
// digits, with a point among them, or "0." and the places of the fraction,
// or the zeros a positive scale appends.
constexpr SQLLEN scaled_text_bound(int scale)
{
    if (scale > 0) return 20 + (scale > 128 ? 128 : scale);
    const int places = scale < -128 ? 128 : -scale;
    return places == 0 ? 20 : (3 + places > 21 ? 3 + places : 21);
}

// The precision and scale wanted for SQL_C_NUMERIC: of the IRD record, or of
// the ARD record under SQL_ARD_TYPE.
void numeric_target(const Conversion& c, int& precision, int& scale);

// Numeric value from a text at the text's own scale, then brought to scale q
// when the column's scale s and q do not cancel out (s + q != 0): the digits
// are multiplied or divided (truncating) by the power of ten between them.
void text_to_numeric_at(const char* text, int precision, int column_scale, int q,
                        SQL_NUMERIC_STRUCT& out);

// --- Converters by source family ---------------------------------------

SQLRETURN text_as_char(Conversion&);
SQLRETURN text_as_wide(Conversion&);
SQLRETURN text_as_binary(Conversion&);
SQLRETURN text_as_long(Conversion&);
SQLRETURN text_as_ulong(Conversion&);
SQLRETURN text_as_sbigint(Conversion&);
SQLRETURN text_as_ubigint(Conversion&);
SQLRETURN text_as_floating(Conversion&);
SQLRETURN text_as_numeric(Conversion&);

// Numeric sources (small_int, bigint, int128, floating, decfloat); defined
// and instantiated in convert_numeric.cpp.
template <Source S>
SQLRETURN number_as_text(Conversion&);  // SQL_C_CHAR and SQL_C_WCHAR
template <Source S>
SQLRETURN number_as_binary(Conversion&);
template <Source S>
SQLRETURN number_as_long(Conversion&);
template <Source S>
SQLRETURN number_as_ulong(Conversion&);
template <Source S>
SQLRETURN number_as_sbigint(Conversion&);
template <Source S>
SQLRETURN number_as_ubigint(Conversion&);
template <Source S>
SQLRETURN number_as_floating(Conversion&);
template <Source S>
SQLRETURN number_as_numeric(Conversion&);

// Date and time sources (timestamp, date, time and the zoned forms).
SQLRETURN datetime_as_text(Conversion&);  // SQL_C_CHAR and SQL_C_WCHAR
SQLRETURN datetime_as_binary(Conversion&);
SQLRETURN datetime_as_date(Conversion&);
SQLRETURN datetime_as_time(Conversion&);
SQLRETURN datetime_as_timestamp(Conversion&);

SQLRETURN blob_as_char(Conversion&);
SQLRETURN blob_as_wide(Conversion&);
SQLRETURN blob_as_binary(Conversion&);

}  // namespace convert_detail
