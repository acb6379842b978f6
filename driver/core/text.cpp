#include "text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

constexpr char16_t replacement_char = 0xFFFD;

struct CodePageName {
    int code_page;
    const char* charset;
};

// Windows code-page numbers that connections may name, and their iconv names.
constexpr CodePageName code_page_names[] = {
    {0, "UTF-8"},         // CP_ACP: the narrow encoding of applications here
    {3, "UTF-8"},         // CP_THREAD_ACP
    {code_page_utf8, "UTF-8"},
    {65000, "UTF-7"},
    {1, "CP437"},         // CP_OEMCP
    {2, "MACINTOSH"},     // CP_MACCP
    {42, "ISO-8859-1"},   // CP_SYMBOL
};

bool is_utf8(const WideCodec& codec)
{
    const char* cs = code_page_charset(codec.code_page);
    return cs == nullptr || std::strcmp(cs, "UTF-8") == 0;
}

bool is_high_surrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool is_low_surrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Decodes one UTF-8 sequence at text[i]; returns the code point, or -1 for an
// invalid sequence (then `used` is 1).
long decode_utf8(std::string_view text, size_t i, size_t& used)
{
    auto b = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = b(i);
    used = 1;
    if (c < 0x80) return c;
    size_t len;
    long cp;
    long min;
    if ((c & 0xE0) == 0xC0) {
        len = 2;
        cp = c & 0x1F;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        cp = c & 0x0F;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        cp = c & 0x07;
        min = 0x10000;
    } else {
        return -1;
    }
    if (i + len > text.size()) return -1;
    for (size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
    used = len;
    return cp;
}

// UTF-8 to UTF-16; strict fails on the first invalid sequence.
std::optional<std::u16string> utf8_to_wide(std::string_view text, bool strict)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t used;
        long cp = decode_utf8(text, i, used);
        i += used;
        if (cp < 0) {
            if (strict) return std::nullopt;
            out.push_back(replacement_char);
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::optional<std::string> wide_to_utf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned long cp = text[i];
        if (is_high_surrogate(text[i])) {
            if (i + 1 >= text.size() || !is_low_surrogate(text[i + 1])) return std::nullopt;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (is_low_surrogate(text[i])) {
            return std::nullopt;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

struct IconvCloser {
    void operator()(iconv_t* cd) const
    {
        iconv_close(*cd);
        delete cd;
    }
};
using IconvHandle = std::unique_ptr<iconv_t, IconvCloser>;

IconvHandle open_iconv(const char* to, const char* from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
    return IconvHandle(new iconv_t(cd));
}

// Converts through iconv between a code page and UTF-16LE. With `lenient`,
// an input byte that cannot be converted becomes U+FFFD (only meaningful in
// the narrow-to-wide direction).
std::optional<std::string> iconv_convert(const char* to, const char* from, std::string_view input,
                                         bool lenient)
{
    IconvHandle cd = open_iconv(to, from);
    if (!cd) return std::nullopt;
    std::string out;
    out.resize(input.size() * 4 + 16);
    char* in_ptr = const_cast<char*>(input.data());
    size_t in_left = input.size();
    char* out_ptr = out.data();
    size_t out_left = out.size();
    while (in_left > 0) {
        size_t r = iconv(*cd, &in_ptr, &in_left, &out_ptr, &out_left);
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            size_t used = out.size() - out_left;
            out.resize(out.size() * 2);
            out_ptr = out.data() + used;
            out_left = out.size() - used;
            continue;
        }
        if (!lenient) return std::nullopt;
        // Invalid or incomplete input: skip one byte and emit U+FFFD.
        ++in_ptr;
        --in_left;
        if (out_left < 2) {
            size_t used = out.size() - out_left;
            out.resize(out.size() * 2);
            out_ptr = out.data() + used;
            out_left = out.size() - used;
        }
        *out_ptr++ = static_cast<char>(0xFD);
        *out_ptr++ = static_cast<char>(0xFF);
        out_left -= 2;
    }
    // Flush shift state (UTF-7).
    size_t r = iconv(*cd, nullptr, nullptr, &out_ptr, &out_left);
    if (r == static_cast<size_t>(-1) && !lenient) return std::nullopt;
    out.resize(out.size() - out_left);
    return out;
}

std::u16string utf16le_bytes_to_wide(const std::string& bytes)
{
    std::u16string out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return out;
}

std::string wide_to_utf16le_bytes(std::u16string_view text)
{
    std::string out(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        out[2 * i] = static_cast<char>(text[i] & 0xFF);
        out[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return out;
}

}  // namespace

WideCodec wide_codec(const Connection* connection) noexcept
{
    WideCodec codec;
    if (connection != nullptr) {
        codec.code_page = connection->wcmb_code_page;
        codec.simple = connection->simple_unicode != 0;
    }
    return codec;
}

void forget_code_page(Connection& connection) noexcept
{
    connection.wcmb_code_page = code_page_utf8;
    connection.simple_unicode = 0;
}

const char* code_page_charset(int code_page) noexcept
{
    for (const auto& entry : code_page_names)
        if (entry.code_page == code_page) return entry.charset;
    return nullptr;
}

size_t wide_length(const SQLWCHAR* text) noexcept
{
    size_t n = 0;
    if (text != nullptr)
        while (text[n] != 0) ++n;
    return n;
}

std::optional<std::string> narrow_from_wide(const WideCodec& codec, std::u16string_view text)
{
    if (codec.simple) {
        std::string out(text.size(), '\0');
        for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<char>(text[i] & 0xFF);
        return out;
    }
    if (is_utf8(codec)) return wide_to_utf8(text);
    return iconv_convert(code_page_charset(codec.code_page), "UTF-16LE", wide_to_utf16le_bytes(text),
                         false);
}

std::optional<std::u16string> wide_from_narrow_strict(const WideCodec& codec, std::string_view text)
{
    if (codec.simple) return wide_from_narrow(codec, text);
    if (is_utf8(codec)) return utf8_to_wide(text, true);
    auto bytes = iconv_convert("UTF-16LE", code_page_charset(codec.code_page), text, false);
    if (!bytes) return std::nullopt;
    return utf16le_bytes_to_wide(*bytes);
}

std::u16string wide_from_narrow(const WideCodec& codec, std::string_view text)
{
    if (codec.simple) {
        std::u16string out(text.size(), u'\0');
        for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<unsigned char>(text[i]);
        return out;
    }
    if (is_utf8(codec)) return *utf8_to_wide(text, false);
    auto bytes = iconv_convert("UTF-16LE", code_page_charset(codec.code_page), text, true);
    if (!bytes) return *utf8_to_wide(text, false);
    return utf16le_bytes_to_wide(*bytes);
}

size_t wide_fit(std::u16string_view text, size_t capacity) noexcept
{
    if (capacity == 0) return 0;
    size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    if (n > 0 && n < text.size() && is_high_surrogate(text[n - 1]) && is_low_surrogate(text[n])) --n;
    return n;
}

size_t utf8_to_utf16(std::string_view text, char16_t* out, size_t capacity) noexcept
{
    size_t n = 0;
    auto put = [&](char16_t u) {
        if (n < capacity) out[n] = u;
        ++n;
    };
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {  // the common case, without the general decoder
            put(c);
            ++i;
            continue;
        }
        size_t used;
        long cp = decode_utf8(text, i, used);
        i += used;
        if (cp < 0) {
            put(replacement_char);
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            put(static_cast<char16_t>(0xD800 + (cp >> 10)));
            put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            put(static_cast<char16_t>(cp));
        }
    }
    return n;
}

NarrowArg::NarrowArg(const WideCodec& codec, const SQLWCHAR* text, SQLLEN length)
{
    if (text == nullptr) return;
    null_ = false;
    size_t units;
    if (length == SQL_NTS) {
        units = wide_length(text);
    } else if (length < 0) {
        ok_ = false;
        length_ = length;
        return;
    } else {
        units = static_cast<size_t>(length);
    }
    std::u16string wide(units, u'\0');
    for (size_t i = 0; i < units; ++i) wide[i] = static_cast<char16_t>(text[i]);
    auto narrow = narrow_from_wide(codec, wide);
    if (!narrow) {
        ok_ = false;
        return;
    }
    text_ = std::move(*narrow);
    length_ = length == SQL_NTS ? SQL_NTS : static_cast<SQLLEN>(text_.size());
}

bool wide_argument(const SQLWCHAR* text, SQLLEN length, std::u16string& out)
{
    out.clear();
    if (text == nullptr) return true;
    if (length < 0 && length != SQL_NTS) return false;
    size_t units = length == SQL_NTS ? wide_length(text) : static_cast<size_t>(length);
    for (size_t i = 0; i < units && text[i] != 0; ++i) out.push_back(static_cast<char16_t>(text[i]));
    return true;
}

CountedText::CountedText(const SQLCHAR* text, SQLLEN length)
{
    if (text == nullptr) return;
    if (length == SQL_NTS) {
        ptr_ = reinterpret_cast<const char*>(text);
    } else if (length >= 0) {
        copy_.assign(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
        ptr_ = copy_.c_str();
    }
}
