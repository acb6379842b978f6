// DECFLOAT(16) and DECFLOAT(34) values as text, through decNumber.
//
// Firebird keeps DECFLOAT(16) as an IEEE 754 decimal64 and DECFLOAT(34) as a
// decimal128, both in the densely packed decimal (DPD) encoding, stored as
// 64-bit words least significant first: the 8 or 16 bytes of the client's
// buffer. The text is decNumber's scientific string: "1", "-1.5", "1.23E+5",
// "Infinity", "-Infinity", "NaN", "sNaN", with a leading "-" when negative.
#pragma once

#include <decContext.h>

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t decfloat16_size = 8;
inline constexpr std::size_t decfloat34_size = 16;

// Longest texts, with their NUL: a full coefficient printed without exponent
// at the smallest such adjusted exponent ("-0.000009999999999999999" for
// DECFLOAT(16), which is one longer than decNumber's own DECIMAL64_String).
inline constexpr std::size_t decfloat16_text_size = 25;
inline constexpr std::size_t decfloat34_text_size = 43;

// Value (decfloat16_size / decfloat34_size bytes) to text. The text is stored
// whole when shorter than buffer_size; otherwise, for a positive size,
// buffer_size - 1 characters and a NUL. *length (optional) receives the full
// text length. Returns 0, or 1 when cut (also for a size of 0 or less, or a
// null buffer, where nothing is stored). A null value reads as text "".
int decfloat16_to_text(const void* value, char* buffer, std::int64_t buffer_size,
                       std::int32_t* length = nullptr);
int decfloat34_to_text(const void* value, char* buffer, std::int64_t buffer_size,
                       std::int32_t* length = nullptr);

// Text to value, rounded to 16 or 34 digits in the rounding mode of
// `context` (half-even when null). The conversion runs in a context of
// decContextDefault(DEC_INIT_DECDOUBLE / DEC_INIT_DECQUAD); the status it
// raises is or-ed into context->status without trapping. Returns that status:
// 0 for an exact conversion, DEC_Inexact / DEC_Rounded when digits were
// rounded away, DEC_Overflow or DEC_Underflow for exponents out of range, and
// DEC_Conversion_syntax for text that is not a number (the value is then a
// quiet NaN). A null text is a syntax error; a null value stores nothing.
std::uint32_t text_to_decfloat16(const char* text, void* value, decContext* context = nullptr);
std::uint32_t text_to_decfloat34(const char* text, void* value, decContext* context = nullptr);
