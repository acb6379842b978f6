// 128-bit decimal values: Firebird INT128 columns (and NUMERIC/DECIMAL of more
// than 18 digits, stored as INT128) and the ODBC SQL_NUMERIC_STRUCT.
//
// A numeric value is sign x magnitude x 10^-scale: precision (uint8), scale
// (int8; positive means decimal places, negative means trailing zeros), sign
// (1 for zero and positive values, 0 for negative ones; any byte other than 0
// reads as positive) and a 16-byte magnitude, least significant byte first.
// Zero is always produced with sign 1.
//
// The conversions compute with unsigned 128-bit integers. The digit-string
// operations (decimal text, most significant digit first) are the reference
// arithmetic the conversions are checked against; they are kept public for
// that, and for callers that work on digit strings.
//
// Result codes, per function below:
//   0  success
//   1  numeric_to_text: the text was cut to fit the buffer;
//      double_to_numeric: the value cannot be represented
//  -1  malformed input (text that is not a number, a null pointer)
//  -2  the magnitude exceeds 2^128 - 1 (or the scale does not fit its byte)
#pragma once

#include <sql.h>
#include <sqltypes.h>

#include <cstddef>
#include <cstdint>

inline constexpr int numeric_ok = 0;
inline constexpr int numeric_truncated = 1;
inline constexpr int numeric_not_representable = 1;
inline constexpr int numeric_malformed = -1;
inline constexpr int numeric_out_of_range = -2;

// 2^128 - 1, the largest magnitude, and its number of digits.
inline constexpr const char* largest_magnitude_text = "340282366920938463463374607431768211455";
inline constexpr int max_magnitude_digits = 39;

// Room for the decimal digits of any magnitude and the NUL.
inline constexpr std::size_t magnitude_digits_size = max_magnitude_digits + 1;

// Longest text numeric_to_text can produce ("-", 39 digits and 128 zeros),
// without the NUL.
inline constexpr std::size_t max_numeric_text_length = 1 + max_magnitude_digits + 128;

// --- INT128 and integers ---------------------------------------------------

// A Firebird INT128 (16 bytes: four 32-bit words, least significant first, in
// two's complement, as the client delivers it) as a numeric value: sign from
// the top bit, magnitude the absolute value (2^127 for the most negative
// value), scale -firebird_scale (narrowed to the int8 byte).
void int128_to_numeric(const void* int128_value, int precision, int firebird_scale,
                       SQL_NUMERIC_STRUCT* numeric);

// An int32 brought to scale q: divided by 10^-q (truncating toward zero) when
// q is negative, multiplied by 10^q when q is positive. Stores precision p and
// scale q. Returns 0, -1 for a null target, or -2 when the result exceeds
// 2^128 - 1 or q lies outside -128..127 (nothing stored then).
int int32_to_numeric(std::int32_t value, int precision, int scale, SQL_NUMERIC_STRUCT* numeric);

// The value as a double: the magnitude correctly rounded, negated when the
// sign is 0, divided by 10^scale (multiplied by 10^-scale for a negative
// scale).
double numeric_to_double(const SQL_NUMERIC_STRUCT& numeric);

// The value's integer part, truncated toward zero, as strtoll would read the
// value's text: values beyond the int64 range saturate at INT64_MAX or
// INT64_MIN. Narrower targets take the low 32 bits of it.
std::int64_t numeric_to_int64(const SQL_NUMERIC_STRUCT& numeric);

// --- Text -------------------------------------------------------------------

// The value as decimal text: "-" for sign 0 (never for zero), then the digits;
// a negative scale appends -scale zeros (zero stays "0"); a positive scale s
// places a "." before the last s digits (or writes "0." and leading zeros),
// after which trailing zeros behind the "." and a bare "." are removed:
// 12300 scale 2 is "123", 12345 scale 2 "123.45", 5 scale 3 "0.005".
// The text is stored whole when shorter than buffer_size; otherwise, for a
// positive size, buffer_size - 1 characters and a NUL. *length (optional)
// receives the full text length. Returns 0, or 1 when cut (also for a size of
// 0 or less, or a null buffer, where nothing is stored).
int numeric_to_text(const SQL_NUMERIC_STRUCT& numeric, char* buffer, std::int64_t buffer_size,
                    std::int32_t* length = nullptr);

// Decimal text as a numeric value, with precision p and the scale adjustment
// k. Accepted: optional leading blanks, "+" or "-", digits with at most one
// ".", an optional exponent ("E" or "e", optional sign, digits), optional
// trailing blanks. The scale stored is k plus the number of digits after the
// "."; an exponent reads the text as the plain decimal it stands for ("1.2E+3"
// as "1200", "1.2E-3" as "0.0012"). Leading zeros do not count.
// Returns 0; -1 for malformed text or null pointers (nothing stored); -2 when
// the magnitude exceeds 2^128 - 1, or a non-zero value needs a scale outside
// -128..127 (only the sign byte is stored then). A zero value whose scale
// does not fit takes the nearest scale that does.
int text_to_numeric(const char* text, SQL_NUMERIC_STRUCT* numeric, int precision,
                    int scale_adjustment);

// A double at scale q: divided by 10^-q when q is negative, where the quotient
// must be a whole number; multiplied by 10^q when q is positive; then rounded
// to the nearest integer as "%.0f" does (ties to even). Stores precision p and
// scale q. Returns 0, or 1 when the value cannot be represented (not finite,
// not a whole multiple of 10^-q, magnitude beyond 2^128 - 1, q outside
// -128..127, null target); nothing is stored then.
int double_to_numeric(double value, SQL_NUMERIC_STRUCT* numeric, int precision, int scale);

// The magnitude's decimal digits without sign or scale ("0" for zero).
// Returns the number of digits.
int numeric_magnitude_digits(const SQL_NUMERIC_STRUCT& numeric,
                             char (&digits)[magnitude_digits_size]);

// --- Digit strings ------------------------------------------------------------
// Unsigned decimal digit strings, most significant digit first, NUL-terminated.

// Longest operand of digits_add (the working buffers' size).
inline constexpr std::size_t max_digit_string_length = 128;

// Decimal text of 2^bit for bit 0..127 ("1", "2", ..., "1701...5728"), "" for
// any other bit.
const char* power_of_two_text(int bit);

// 2^bit as a double for bit 0..127, 0 for any other bit.
double power_of_two_double(int bit);

// a += b, written back into a (size a_size bytes). Returns 0, or -1 when an
// operand is empty, holds a non-digit or is longer than
// max_digit_string_length, or the sum does not fit a_size (a unchanged).
// The sum has no leading zeros.
int digits_add(char* a, std::size_t a_size, const char* b);

// a -= b, for b not greater than a, written back into a without leading
// zeros ("0" when equal). Returns 0, or -1 when an operand is empty or holds a
// non-digit, or b is greater than a (a unchanged).
int digits_subtract(char* a, const char* b);

// Compares two digit strings that may each hold one ".": the integer parts by
// value (leading zeros ignored), then the fractions padded with zeros.
// Returns -1, 0 or 1. A null operand reads as "".
int digits_compare(const char* a, const char* b);

// The magnitude's digits computed the digit-string way: the sum of the texts
// of 2^i over the set bits, from bit 0 upward. Same result as
// numeric_magnitude_digits.
int magnitude_digits_by_sum(const SQL_NUMERIC_STRUCT& numeric,
                            char (&digits)[magnitude_digits_size]);

// Digits (no sign, no ".") to a 16-byte magnitude the digit-string way: for
// bit 127 down to 0, subtract the text of 2^i when it is not greater than
// what remains. Returns 0, -1 for an empty or non-digit operand, -2 when the
// digits exceed 2^128 - 1 (magnitude not written).
int magnitude_from_digits_by_subtraction(const char* digits, SQLCHAR (&magnitude)[SQL_MAX_NUMERIC_LEN]);
