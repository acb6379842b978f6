#include "stored_password.h"

#include <cstring>

namespace {

constexpr std::string_view scramble_key = "wisp";

unsigned char swap_halves(unsigned char byte)
{
    return static_cast<unsigned char>((byte << 4) | (byte >> 4));
}

// Value of one hexadecimal digit, or -1.
int hex_digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Two digits as one byte, reading digits until the first one that is not
// hexadecimal.
unsigned char hex_pair(char high, char low)
{
    int h = hex_digit(high);
    if (h < 0) return 0;
    int l = hex_digit(low);
    if (l < 0) return static_cast<unsigned char>(h);
    return static_cast<unsigned char>(h * 16 + l);
}

size_t copy_result(const std::string& result, char* out, size_t out_size)
{
    if (out != nullptr && out_size > 0) {
        size_t n = result.size() < out_size - 1 ? result.size() : out_size - 1;
        std::memcpy(out, result.data(), n);
        out[n] = '\0';
    }
    return result.size();
}

}  // namespace

bool is_stored_password(std::string_view text) noexcept
{
    return text.size() >= stored_password_length(0) && text.starts_with(stored_password_prefix) &&
           text.ends_with(stored_password_suffix);
}

std::string scramble_password(std::string_view plain)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(stored_password_length(plain.size()));
    out.append(stored_password_prefix);
    for (size_t i = 0; i < plain.size(); ++i) {
        auto byte = static_cast<unsigned char>(plain[i]);
        auto key = static_cast<unsigned char>(scramble_key[i % scramble_key.size()]);
        unsigned char scrambled = swap_halves(byte) ^ key;
        out.push_back(digits[scrambled >> 4]);
        out.push_back(digits[scrambled & 0x0f]);
    }
    out.append(stored_password_suffix);
    return out;
}

std::string unscramble_password(std::string_view text)
{
    if (!is_stored_password(text)) return std::string(text);
    size_t count = (text.size() - stored_password_length(0)) / 2;
    std::string plain;
    plain.reserve(count);
    size_t first = stored_password_prefix.size();
    for (size_t i = 0; i < count; ++i) {
        unsigned char stored = hex_pair(text[first + 2 * i], text[first + 2 * i + 1]);
        auto key = static_cast<unsigned char>(scramble_key[i % scramble_key.size()]);
        plain.push_back(static_cast<char>(swap_halves(stored ^ key)));
    }
    return plain;
}

size_t scramble_password(const char* plain, char* out, size_t out_size)
{
    return copy_result(scramble_password(std::string_view(plain ? plain : "")), out, out_size);
}

size_t unscramble_password(const char* text, char* out, size_t out_size)
{
    return copy_result(unscramble_password(std::string_view(text ? text : "")), out, out_size);
}
