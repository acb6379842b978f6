// The stored form of a password in a data source.
//
// The setup library writes a data source's password scrambled: "~ad65", two
// lowercase hexadecimal digits per password byte, then "fe~". Each byte has
// its two 4-bit halves exchanged and is XORed with the key "wisp", used
// cyclically. The driver unscrambles any text of that form before using it;
// text without the markers is a plain password and passes unchanged.
//
// Both deliverables use these functions, so they hold no driver state.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The markers around the hexadecimal digits of a stored password.
inline constexpr std::string_view stored_password_prefix = "~ad65";
inline constexpr std::string_view stored_password_suffix = "fe~";

// Length of the stored form of a password of `plain_length` bytes.
constexpr size_t stored_password_length(size_t plain_length)
{
    return 2 * plain_length + stored_password_prefix.size() + stored_password_suffix.size();
}

// True when the text has the stored form's markers (at least 8 characters,
// starting with "~ad65" and ending with "fe~").
bool is_stored_password(std::string_view text) noexcept;

// The stored form of a password. Every byte value, NUL included, is kept.
std::string scramble_password(std::string_view plain);

// The plain password of a stored form, or the text unchanged when it does not
// have the markers. A pair of digits that is not hexadecimal reads as far as
// it is ("4g" is 4, "g4" is 0); an odd digit before "fe~" is ignored.
std::string unscramble_password(std::string_view text);

// C-buffer forms for callers that keep fixed arrays (the Connection record,
// the setup dialog). The result is cut to out_size - 1 bytes and terminated;
// nothing is written when out is null or out_size is 0. Both return the
// length of the full result, so a caller can tell it was cut.
size_t scramble_password(const char* plain, char* out, size_t out_size);
size_t unscramble_password(const char* text, char* out, size_t out_size);
