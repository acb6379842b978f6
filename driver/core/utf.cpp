#include "utf.h"

namespace utf {

namespace {

// The length of the sequence a lead byte starts, 0 for a byte that cannot
// start one.
inline std::size_t sequence_length(unsigned char b) noexcept
{
    if (b < 0x80) return 1;
    if ((b & 0xE0) == 0xC0) return 2;
    if ((b & 0xF0) == 0xE0) return 3;
    if ((b & 0xF8) == 0xF0) return 4;
    return 0;
}

}  // namespace

Decoded utf8_to_utf16(const char* text, std::size_t length, char* out, std::size_t capacity,
                      bool more_follows) noexcept
{
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    Decoded r;
    bool storing = true;
    std::size_t i = 0;
    while (i < length) {
        const unsigned char b = in[i];
        if (b < 0x80) {  // the common case, without the general decoder
            if (storing && r.stored < capacity) {
                put_unit(out, r.stored++, b);
                r.consumed = i + 1;
            } else {
                storing = false;
            }
            ++r.units;
            ++i;
            continue;
        }
        const std::size_t n = sequence_length(b);
        char32_t cp = replacement;
        std::size_t used = 1;
        if (n > 1) {
            std::size_t k = 1;
            char32_t v = b & (0x7F >> n);
            while (k < n && i + k < length && (in[i + k] & 0xC0) == 0x80) {
                v = (v << 6) | (in[i + k] & 0x3F);
                ++k;
            }
            if (k < n && i + k == length && more_follows) break;  // completed by the next piece
            const char32_t min = n == 2 ? 0x80 : n == 3 ? 0x800 : 0x10000;
            if (k == n && v >= min && v <= 0x10FFFF && (v < 0xD800 || v > 0xDFFF)) {
                cp = v;
                used = n;
            }
        }
        if (cp == replacement && used == 1) r.valid = false;
        const std::size_t need = cp >= 0x10000 ? 2 : 1;
        if (storing && r.stored + need <= capacity) {
            if (need == 2) {
                put_unit(out, r.stored, static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
                put_unit(out, r.stored + 1, static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
            } else {
                put_unit(out, r.stored, static_cast<char16_t>(cp));
            }
            r.stored += need;
            r.consumed = i + used;
        } else {
            storing = false;
        }
        r.units += need;
        i += used;
    }
    return r;
}

Encoded utf16_to_utf8(const char16_t* units, std::size_t length, char* out,
                      std::size_t capacity) noexcept
{
    Encoded r;
    bool storing = true;
    for (std::size_t i = 0; i < length;) {
        char32_t cp = units[i];
        std::size_t used = 1;
        if (is_high_surrogate(units[i]) && i + 1 < length && is_low_surrogate(units[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            used = 2;
        } else if (is_high_surrogate(units[i]) || is_low_surrogate(units[i])) {
            cp = replacement;
            r.valid = false;
        }
        unsigned char bytes[4];
        std::size_t n;
        if (cp < 0x80) {
            bytes[0] = static_cast<unsigned char>(cp);
            n = 1;
        } else if (cp < 0x800) {
            bytes[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
            bytes[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            n = 2;
        } else if (cp < 0x10000) {
            bytes[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
            bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            n = 3;
        } else {
            bytes[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
            bytes[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
            bytes[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
            bytes[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            n = 4;
        }
        if (storing && r.stored + n <= capacity) {
            std::memcpy(out + r.stored, bytes, n);
            r.stored += n;
            r.consumed = i + used;
        } else {
            storing = false;
        }
        r.bytes += n;
        i += used;
    }
    return r;
}

}  // namespace utf
