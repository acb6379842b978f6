#include "text.h"

#include "diagnostics.h"
#include "utf.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

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

// UTF-8 to UTF-16; strict fails on the first invalid sequence.
std::optional<std::u16string> utf8_to_wide(std::string_view text, bool strict)
{
    std::u16string out(text.size(), u'\0');  // never more units than bytes
    utf::Decoded d = utf::utf8_to_utf16(text.data(), text.size(), reinterpret_cast<char*>(out.data()),
                                        out.size());
    if (strict && !d.valid) return std::nullopt;
    out.resize(d.stored);
    return out;
}

std::optional<std::string> wide_to_utf8(std::u16string_view text)
{
    std::string out(text.size() * 3, '\0');  // at most 3 bytes a unit
    utf::Encoded e = utf::utf16_to_utf8(text.data(), text.size(), out.data(), out.size());
    if (!e.valid) return std::nullopt;
    out.resize(e.stored);
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
    if (n > 0 && n < text.size() && utf::is_high_surrogate(text[n - 1]) && utf::is_low_surrogate(text[n]))
        --n;
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

bool TextOut::write(std::string_view text) const
{
    const Written w = put(text);
    store_length(w.length);
    return w.cut;
}

TextOut::Written TextOut::put(std::string_view text) const
{
    Written w;
    if (form_ == TextForm::narrow) {
        w.length = static_cast<SQLLEN>(text.size());
        if (buffer_ == nullptr) return w;
        if (buffer_length_ <= 0) {
            w.cut = !text.empty();
            return w;
        }
        auto* out = static_cast<char*>(buffer_);
        const size_t room = static_cast<size_t>(buffer_length_) - 1;
        const size_t n = text.size() < room ? text.size() : room;
        text.copy(out, n);
        out[n] = '\0';
        w.consumed = n;
        w.cut = n < text.size();
        return w;
    }
    const SQLLEN unit = form_ == TextForm::wide_chars ? 1 : static_cast<SQLLEN>(sizeof(SQLWCHAR));
    const SQLLEN units_room = buffer_ != nullptr && buffer_length_ > 0 ? buffer_length_ / unit : 0;
    // Units that fit besides the terminator.
    const size_t capacity = units_room > 0 ? static_cast<size_t>(units_room - 1) : 0;
    auto* out = static_cast<char*>(buffer_);
    size_t total, stored;
    if (codec_.simple) {
        total = text.size();
        stored = total < capacity ? total : capacity;
        for (size_t i = 0; i < stored; ++i) utf::put_unit(out, i, static_cast<unsigned char>(text[i]));
        w.consumed = stored;
    } else if (is_utf8(codec_)) {
        // Straight into the buffer, without a copy.
        const utf::Decoded d = utf::utf8_to_utf16(text.data(), text.size(), out, capacity);
        total = d.units;
        stored = d.stored;
        w.consumed = d.consumed;
    } else {
        const std::u16string wide = wide_from_narrow(codec_, text);
        total = wide.size();
        stored = wide_fit(wide, capacity + 1);
        for (size_t i = 0; i < stored; ++i) utf::put_unit(out, i, wide[i]);
        // Bytes behind the units stored: all of them, or found by
        // converting prefixes (other code pages are not on the fetch path).
        if (stored == total) {
            w.consumed = text.size();
        } else {
            size_t low = 0, high = text.size();
            while (low < high) {
                size_t mid = (low + high + 1) / 2;
                if (wide_from_narrow(codec_, text.substr(0, mid)).size() <= stored)
                    low = mid;
                else
                    high = mid - 1;
            }
            w.consumed = low;
        }
    }
    w.length = static_cast<SQLLEN>(total) * unit;
    if (buffer_ == nullptr) return w;
    if (units_room <= 0) {
        w.cut = total > 0;
        return w;
    }
    utf::put_unit(out, stored, 0);
    w.cut = stored < total;
    return w;
}

SQLLEN TextOut::length_of(std::string_view text) const
{
    if (form_ == TextForm::narrow) return static_cast<SQLLEN>(text.size());
    size_t units;
    if (codec_.simple)
        units = text.size();
    else if (is_utf8(codec_))
        units = utf::utf8_to_utf16(text.data(), text.size(), nullptr, 0).units;
    else
        units = wide_from_narrow(codec_, text).size();
    return static_cast<SQLLEN>(units) * (form_ == TextForm::wide_chars ? 1 : static_cast<SQLLEN>(sizeof(SQLWCHAR)));
}

void TextOut::store_length(SQLLEN length) const noexcept
{
    switch (length_size_) {
    case 2: ::store_length(static_cast<SQLSMALLINT*>(length_ptr_), length); break;
    case 4: ::store_length(static_cast<SQLINTEGER*>(length_ptr_), length); break;
    default: ::store_length(static_cast<SQLLEN*>(length_ptr_), length); break;
    }
}

SQLRETURN cut_warning(HandleHeader* handle, bool cut)
{
    return cut ? post_warning(handle, "01004") : SQL_SUCCESS;
}
