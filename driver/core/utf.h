// The one UTF-8 ⇄ UTF-16 codec of the driver: the text helpers of the entry
// points, the text conversions and the BLOB reads all decode and encode
// through it.
//
// Neither direction allocates: both write into the caller's buffer, store
// only whole characters (a surrogate pair needs room for both halves), and
// say how much input the stored output came from, so a value read in pieces
// resumes at `consumed` and never splits a character. UTF-16 is written and
// read as 2-byte units at any alignment, as applications' buffers come.
#pragma once

#include <cstddef>
#include <cstring>

namespace utf {

inline constexpr char16_t replacement = 0xFFFD;

inline bool is_high_surrogate(char16_t u) noexcept { return u >= 0xD800 && u <= 0xDBFF; }
inline bool is_low_surrogate(char16_t u) noexcept { return u >= 0xDC00 && u <= 0xDFFF; }

// Writes one unit at out[index] (2-byte units, any alignment).
inline void put_unit(char* out, std::size_t index, char16_t unit) noexcept
{
    std::memcpy(out + 2 * index, &unit, 2);
}

struct Decoded {
    std::size_t units = 0;     // UTF-16 units of all the input read (stored or not)
    std::size_t stored = 0;    // units written
    std::size_t consumed = 0;  // input bytes of the characters written
    bool valid = true;         // no byte had to become U+FFFD
};

// Decodes UTF-8 text[0..length) into at most `capacity` units at `out`
// (which may be null when capacity is 0). Once a character does not fit,
// nothing more is stored, but the rest is still counted in `units`. A byte
// that does not start a valid sequence becomes one U+FFFD. With
// `more_follows`, an incomplete sequence at the very end is left alone (not
// counted, not consumed): it is completed by the next piece of input.
Decoded utf8_to_utf16(const char* text, std::size_t length, char* out, std::size_t capacity,
                      bool more_follows = false) noexcept;

struct Encoded {
    std::size_t bytes = 0;     // UTF-8 bytes of all the input (stored or not)
    std::size_t stored = 0;    // bytes written
    std::size_t consumed = 0;  // input units of the characters written
    bool valid = true;         // no unpaired surrogate (each became U+FFFD)
};

// Encodes UTF-16 units[0..length) as UTF-8 into at most `capacity` bytes at
// `out`, with the same rules: whole characters only, everything counted.
Encoded utf16_to_utf8(const char16_t* units, std::size_t length, char* out,
                      std::size_t capacity) noexcept;

}  // namespace utf
