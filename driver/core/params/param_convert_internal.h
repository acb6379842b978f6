// Shared pieces of the parameter conversions: the families that index the
// conversion matrix, the converters of each C type family
// (param_convert_text.cpp, param_convert_number.cpp,
// param_convert_datetime.cpp) and the writers they share.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <cstring>

#include "param_convert.h"

namespace param_detail {

// SQLSTATEs the conversions raise.
namespace state {
inline constexpr const char* restricted_type = "07006";
inline constexpr const char* right_truncated = "22001";
inline constexpr const char* out_of_range = "22003";
inline constexpr const char* datetime_format = "22007";
inline constexpr const char* invalid_datetime = "22008";
inline constexpr const char* not_a_number = "22018";
inline constexpr const char* general = "HY000";
inline constexpr const char* bad_length = "HY090";
}  // namespace state

// Rows of the matrix: C types that convert alike.
enum class Family : std::uint8_t {
    character,
    wide,
    binary,
    integer,  // every width, signed and unsigned; the value is read by its C type
    floating, // SQL_C_FLOAT and SQL_C_DOUBLE; the value is read by its C type
    numeric,
    date,
    time,
    timestamp,
};
inline constexpr int family_count = static_cast<int>(Family::timestamp) + 1;

// Columns of the matrix: Firebird marker types that receive values alike.
enum class Marker : std::uint8_t {
    text,  // CHAR (a VARCHAR marker is described as CHAR)
    double_precision,
    float_,
    integer,
    smallint,  // SMALLINT and BOOLEAN
    bigint,
    date,
    time,
    timestamp,
    blob,
    array,
    unsupported,  // no conversion reaches it (describe refuses such markers)
};
inline constexpr int marker_count = static_cast<int>(Marker::unsupported) + 1;

using ParamConverter = SQLRETURN (*)(ParamConversion&);

// --- Shared writers ------------------------------------------------------

// Posts a diagnostic on the statement and returns SQL_ERROR.
SQLRETURN fail(ParamConversion& c, const char* sqlstate, const char* message = nullptr);

// 07006 with the C type as native error.
SQLRETURN refuse(ParamConversion& c);

// Sends NULL: the indicator the XSQLVAR points to is -1 and the XSQLVAR
// takes the nullable form of its type; nothing else is written.
SQLRETURN send_null(ParamConversion& c);

// Text into a CHAR marker: `length` bytes and a terminator; sqllen becomes
// `length`. More bytes than the marker holds post 22001 with `too_long`.
SQLRETURN store_text(ParamConversion& c, const char* text, std::size_t length,
                     const char* too_long = text_too_long_message);

// The length in bytes of a character or binary value: L, or for SQL_NTS the
// NUL-terminated length (binary: the bound buffer's length when there is
// one). False, with HY090 posted, for any other negative L.
bool value_length(ParamConversion& c, std::size_t& length);

// Writes a whole value into a new BLOB for the marker.
SQLRETURN store_blob(ParamConversion& c, const char* data, std::size_t length);

// A value in memory that may not be aligned.
template <typename T>
inline T load(const void* p)
{
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

template <typename T>
inline SQLRETURN store_fixed(ParamConversion& c, const T& value)
{
    std::memcpy(c.buffer(), &value, sizeof value);
    return SQL_SUCCESS;
}

// --- Numbers ------------------------------------------------------------

using u128 = unsigned __int128;

// A decimal number: (-1 when negative) × magnitude × 10^exponent.
struct Decimal {
    bool negative = false;
    u128 magnitude = 0;
    int exponent = 0;
};

// Reads decimal text: optional blanks, a sign, digits with at most one ".",
// an optional exponent, optional blanks; an embedded NUL ends the text.
// Significant digits beyond 37 are cut. False for anything else (no digit
// at all, letters, a second point).
bool scan_decimal(const char* text, std::size_t length, Decimal& out);

// The exact value brought to the marker's scale (truncated toward zero)
// into an INTEGER, SMALLINT, BOOLEAN or BIGINT marker; 22003 when it is
// outside the marker's range (BOOLEAN takes 0 and 1 only).
SQLRETURN store_scaled_decimal(ParamConversion& c, const Decimal& value);

// A floating value × 10^(−scale), truncated toward zero, into the same
// markers; 22003 outside their range or for a value that is not finite.
SQLRETURN store_scaled_double(ParamConversion& c, double value);

// Into a DOUBLE PRECISION or FLOAT marker; 22003 when a finite value is
// beyond FLOAT's range.
SQLRETURN store_floating(ParamConversion& c, double value);

// The double that decimal text stands for, as the C library reads it; false
// when it overflows a double (underflow gives 0).
bool decimal_text_to_double(const char* text, std::size_t length, const Decimal& scanned, double& out);

// --- Converters by C type family ----------------------------------------

SQLRETURN character_as_text(ParamConversion&);
SQLRETURN character_as_floating(ParamConversion&);
SQLRETURN character_as_scaled(ParamConversion&);
SQLRETURN character_as_date(ParamConversion&);
SQLRETURN character_as_time(ParamConversion&);
SQLRETURN character_as_timestamp(ParamConversion&);
SQLRETURN character_as_blob(ParamConversion&);

SQLRETURN wide_as_text(ParamConversion&);
SQLRETURN wide_as_scalar(ParamConversion&);  // numbers, dates and times, through the character row
SQLRETURN wide_as_blob(ParamConversion&);

SQLRETURN binary_as_raw(ParamConversion&);
SQLRETURN binary_as_blob(ParamConversion&);

SQLRETURN integer_as_text(ParamConversion&);
SQLRETURN integer_as_floating(ParamConversion&);
SQLRETURN integer_as_scaled(ParamConversion&);

SQLRETURN floating_as_text(ParamConversion&);
SQLRETURN floating_as_floating(ParamConversion&);
SQLRETURN floating_as_scaled(ParamConversion&);

SQLRETURN numeric_as_text(ParamConversion&);
SQLRETURN numeric_as_floating(ParamConversion&);
SQLRETURN numeric_as_scaled(ParamConversion&);

SQLRETURN date_as_date(ParamConversion&);
SQLRETURN date_as_timestamp(ParamConversion&);
SQLRETURN time_as_time(ParamConversion&);
SQLRETURN time_as_timestamp(ParamConversion&);
SQLRETURN timestamp_as_date(ParamConversion&);
SQLRETURN timestamp_as_time(ParamConversion&);
SQLRETURN timestamp_as_timestamp(ParamConversion&);

// The converter for a family and a marker (for the wide row, which hands
// its text to the character row).
ParamConverter converter_for(Family family, Marker marker);
Marker marker_of(int sqltype);

}  // namespace param_detail
