// Text helpers of the entry points: wide (UTF-16) text to and from the
// connection's code page, and the one family of output-string helpers that
// every function writing a string uses.
//
// Wide text is converted through the connection's code page (UTF-8 unless the
// connection chose another); only with SimpleUnicode is it narrowed and
// widened per code unit (low byte, zero extension). Handles without a
// connection use UTF-8.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "handles.h"

constexpr int code_page_utf8 = 65001;

// How wide text converts on one connection.
struct WideCodec {
    int code_page = code_page_utf8;
    bool simple = false;  // per code unit (SimpleUnicode)
};

WideCodec wide_codec(const Connection* connection) noexcept;

// The arguments of SQLConnectW and SQLDriverConnectW, and the output
// connection string, convert as UTF-8 whatever the data source's code page:
// they are converted before the data source is known, the ini files they
// name are UTF-8, and the attach tags non-ASCII credentials and paths as
// UTF-8.
inline constexpr WideCodec connect_codec{};

// Back to the code page of a connection that was never connected (UTF-8,
// not SimpleUnicode), for a disconnected connection: the next connect reads
// its own.
void forget_code_page(Connection& connection) noexcept;

// The iconv name of a Windows code-page number, or null when unsupported.
const char* code_page_charset(int code_page) noexcept;

// Length in units of a NUL-terminated wide string.
size_t wide_length(const SQLWCHAR* text) noexcept;

// Strict conversions of inputs: nullopt when the text is not valid in its
// encoding (an unpaired surrogate, a character the code page lacks).
std::optional<std::string> narrow_from_wide(const WideCodec& codec, std::u16string_view text);
std::optional<std::u16string> wide_from_narrow_strict(const WideCodec& codec, std::string_view text);

// Lenient conversion of the driver's outputs: bytes that are not valid in the
// code page become U+FFFD instead of failing the call.
std::u16string wide_from_narrow(const WideCodec& codec, std::string_view text);

// The units of `text` that fit `capacity` units with room for a terminator,
// never ending between the halves of a surrogate pair.
size_t wide_fit(std::u16string_view text, size_t capacity) noexcept;

// A wide string argument converted to narrow text once, for the narrow body.
// length() is what the body receives as the argument's length: SQL_NTS when
// the caller passed SQL_NTS, else the converted byte count.
class NarrowArg {
public:
    NarrowArg(const WideCodec& codec, const SQLWCHAR* text, SQLLEN length);

    bool is_null() const noexcept { return null_; }
    // False when the text could not be converted (or had a bad length).
    bool ok() const noexcept { return ok_; }
    SQLCHAR* get() noexcept
    {
        return null_ ? nullptr : reinterpret_cast<SQLCHAR*>(text_.data());
    }
    SQLLEN length() const noexcept { return length_; }
    const std::string& str() const noexcept { return text_; }

private:
    std::string text_;
    SQLLEN length_ = SQL_NTS;
    bool null_ = true;
    bool ok_ = true;
};

// A counted UTF-16 argument (SQL_NTS or a count of characters) as a string
// that ends at its first NUL, as narrow text does. False for a negative
// length other than SQL_NTS.
bool wide_argument(const SQLWCHAR* text, SQLLEN length, std::u16string& out);

// A counted argument as a NUL-terminated string: the input itself for
// SQL_NTS, a terminated copy for a length of 0 or more, null for any other
// negative length or a null input.
class CountedText {
public:
    CountedText(const SQLCHAR* text, SQLLEN length);
    const char* get() const noexcept { return ptr_; }
    std::string_view view() const noexcept
    {
        return ptr_ ? std::string_view(ptr_) : std::string_view();
    }

private:
    std::string copy_;
    const char* ptr_ = nullptr;
};

// Stores a length into an application's length pointer of any width, clamped
// to what the width holds. A null pointer is skipped.
template <typename Len>
inline void store_length(Len* length_ptr, SQLLEN value) noexcept
{
    if (length_ptr == nullptr) return;
    constexpr SQLLEN max = static_cast<SQLLEN>(std::numeric_limits<Len>::max());
    *length_ptr = static_cast<Len>(value > max ? max : value);
}

// Copies text into a narrow output buffer of buffer_length bytes and reports
// its full length. When it does not fit, buffer_length - 1 bytes and a
// terminator are written. Returns true when the text was cut.
template <typename Len>
bool copy_out_cstring(void* buffer, SQLLEN buffer_length, Len* length_ptr, std::string_view text) noexcept
{
    store_length(length_ptr, static_cast<SQLLEN>(text.size()));
    if (buffer == nullptr) return false;
    if (buffer_length <= 0) return !text.empty();
    auto* out = static_cast<char*>(buffer);
    size_t room = static_cast<size_t>(buffer_length) - 1;
    size_t n = text.size() < room ? text.size() : room;
    text.copy(out, n);
    out[n] = '\0';
    return n < text.size();
}

// Writes the wide form of a narrow result into the caller's wide buffer.
// buffer_length counts characters when length_in_chars is set and bytes
// otherwise; the length reported is in the same unit. A result that does not
// fit is cut (never inside a surrogate pair), terminated, and gives
// SQL_SUCCESS_WITH_INFO; otherwise return_code is returned. A return_code
// other than SQL_SUCCESS / SQL_SUCCESS_WITH_INFO is returned untouched.
template <typename Len>
SQLRETURN widen_result(const WideCodec& codec, std::string_view narrow, void* buffer,
                       SQLLEN buffer_length, Len* length_ptr, SQLRETURN return_code,
                       bool length_in_chars)
{
    if (return_code != SQL_SUCCESS && return_code != SQL_SUCCESS_WITH_INFO) return return_code;
    std::u16string wide = wide_from_narrow(codec, narrow);
    SQLLEN unit = length_in_chars ? 1 : static_cast<SQLLEN>(sizeof(SQLWCHAR));
    store_length(length_ptr, static_cast<SQLLEN>(wide.size()) * unit);
    if (buffer == nullptr) return return_code;
    SQLLEN capacity = buffer_length / unit;
    if (capacity <= 0) return wide.empty() ? return_code : SQL_SUCCESS_WITH_INFO;
    size_t n = wide_fit(wide, static_cast<size_t>(capacity));
    auto* out = static_cast<SQLWCHAR*>(buffer);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<SQLWCHAR>(wide[i]);
    out[n] = 0;
    return n < wide.size() ? SQL_SUCCESS_WITH_INFO : return_code;
}

// Non-allocating UTF-8 to UTF-16 conversion into out[0..capacity); returns
// the number of units the whole text needs (which may exceed capacity).
// Invalid bytes become U+FFFD.
size_t utf8_to_utf16(std::string_view text, char16_t* out, size_t capacity) noexcept;
