#include "character_sets.h"

namespace {

// Firebird's character-set ids of the sets whose characters take more than
// one byte.
enum CharacterSet : int {
    unicode_fss = 3,
    utf8 = 4,
    sjis_0208 = 5,
    eucj_0208 = 6,
    ksc_5601 = 44,
    big_5 = 56,
    gb_2312 = 57,
    gbk = 67,
    cp943c = 68,
    gb18030 = 69,
};

bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Bytes of the character starting at bytes[i].
SQLLEN character_bytes(const unsigned char* bytes, SQLLEN i, SQLLEN length, int charset_id)
{
    const unsigned char b = bytes[i];
    if (b < 0x80) return 1;
    switch (charset_id) {
    case unicode_fss:
    case utf8: {
        SQLLEN n = 1;
        while (i + n < length && is_continuation(bytes[i + n])) ++n;
        return n;
    }
    case sjis_0208:
    case cp943c:
        return b >= 0xA1 && b <= 0xDF ? 1 : 2;  // half-width katakana are one byte
    case gb18030:
        return i + 1 < length && bytes[i + 1] >= 0x30 && bytes[i + 1] <= 0x39 ? 4 : 2;
    default:
        return 2;
    }
}

}  // namespace

int max_bytes_per_character(int charset_id)
{
    switch (charset_id) {
    case utf8:
    case gb18030:
        return 4;
    case unicode_fss:
        return 3;
    case sjis_0208:
    case eucj_0208:
    case ksc_5601:
    case big_5:
    case gb_2312:
    case gbk:
    case cp943c:
        return 2;
    default:
        return 1;
    }
}

int32_t char_column_characters(int charset_id, int byte_length)
{
    const int most = max_bytes_per_character(charset_id);
    if (most <= 1 || byte_length <= 0) return 0;
    return byte_length / most;
}

SQLLEN char_value_length(const char* text, SQLLEN length, int charset_id, int32_t characters)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    SQLLEN text_end = length;
    while (text_end > 0 && bytes[text_end - 1] == ' ') --text_end;
    SQLLEN counted = 0;
    for (SQLLEN i = 0; i < text_end; ++counted) i += character_bytes(bytes, i, text_end, charset_id);
    if (counted >= characters) return text_end;
    const SQLLEN kept = text_end + (characters - counted);  // blanks are one byte each
    return kept < length ? kept : length;
}
