// Text helpers of the entry points: wide (UTF-16) text to and from the
// connection's code page, and the one output-string writer (TextOut) that
// every function writing a string uses.
//
// A W export converts each string argument once (NarrowArg), calls the same
// body as the narrow export, and writes its text results through a TextOut
// of its own width; no function has a second body per width. UTF-8 and
// UTF-16 convert through the codec in utf.h.
//
// Wide text is converted through the connection's code page (UTF-8 unless the
// connection chose another); only with SimpleUnicode is it narrowed and
// widened per code unit (low byte, zero extension). Handles without a
// connection use UTF-8.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <cstdint>
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
// `length` is SQL_NTS or a count of characters (UTF-16 units; an export whose
// ODBC length counts bytes divides first). length() is what the body
// receives as the argument's length: SQL_NTS when the caller passed SQL_NTS,
// else the converted byte count.
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

// The HY000 text of wide SQL that has no form in the connection's code page.
inline constexpr const char* sql_text_not_convertible =
    "The SQL text cannot be converted to the connection's code page";

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

// --- Output strings -------------------------------------------------------
//
// Every function that returns text writes it through TextOut: narrow or
// UTF-16, BufferLength and the reported length in bytes or in characters as
// ODBC defines them for that argument.
//
// Contract of TextOut::write(text), text being narrow (the wide forms convert
// it through the connection's code page, or per unit under SimpleUnicode):
// - the full length goes to the length pointer (when given) in the form's
//   unit, clamped to what the pointer's width holds;
// - a null buffer receives nothing, and nothing counts as cut;
// - otherwise the text is written whole with its terminator when that fits
//   BufferLength; else as much as fits and a terminator, always within
//   BufferLength, never ending inside a surrogate pair; a BufferLength too
//   small for even the terminator receives nothing;
// - it returns true when the text was cut (a buffer was given and did not
//   receive all of it). It never posts: the caller posts 01004 where its
//   function reports truncation with a record (see cut_warning).
enum class TextForm : std::uint8_t {
    narrow,      // bytes; lengths in bytes
    wide_chars,  // UTF-16; lengths in characters (UTF-16 units)
    wide_bytes,  // UTF-16; lengths in bytes
};

class TextOut {
public:
    template <typename Len>
    TextOut(TextForm form, const WideCodec& codec, void* buffer, SQLLEN buffer_length,
            Len* length_ptr) noexcept
        : form_(form), codec_(codec), buffer_(buffer), buffer_length_(buffer_length),
          length_ptr_(length_ptr), length_size_(sizeof(Len))
    {
        static_assert(sizeof(Len) == 2 || sizeof(Len) == 4 || sizeof(Len) == 8);
    }

    [[nodiscard]] bool write(std::string_view text) const;

    // What one write did.
    struct Written {
        SQLLEN length = 0;         // the whole text's length, in the form's unit
        std::size_t consumed = 0;  // bytes of the text behind what was stored
        bool cut = false;          // as write() returns
    };
    // As write(), but the length pointer is left alone, and the bytes stored
    // are reported: a value delivered in pieces continues at `consumed`,
    // which always ends on a whole character.
    Written put(std::string_view text) const;

    // The length `text` has in this output, in its unit.
    SQLLEN length_of(std::string_view text) const;
    // Stores a length through the length pointer, clamped to its width.
    void store_length(SQLLEN length) const noexcept;

    TextForm form() const noexcept { return form_; }
    bool wide() const noexcept { return form_ != TextForm::narrow; }
    void* buffer() const noexcept { return buffer_; }
    SQLLEN buffer_length() const noexcept { return buffer_length_; }

private:
    TextForm form_;
    WideCodec codec_;
    void* buffer_;
    SQLLEN buffer_length_;
    void* length_ptr_;
    std::uint8_t length_size_;
};

// Narrow text out; the length pointer counts bytes.
template <typename Len>
TextOut narrow_out(void* buffer, SQLLEN buffer_length, Len* length_ptr) noexcept
{
    return TextOut(TextForm::narrow, WideCodec{}, buffer, buffer_length, length_ptr);
}

// SQL_SUCCESS, or SQL_SUCCESS_WITH_INFO with a 01004 record on `handle` when
// `cut`.
SQLRETURN cut_warning(HandleHeader* handle, bool cut);
