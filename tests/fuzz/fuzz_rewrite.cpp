// Fuzzes the SQL rewriter in both widths and SQLNativeSql in both widths.
//
// The first byte chooses the connection's options and the output buffer
// length; the rest is the SQL text (read as bytes, and as UTF-16 units for
// the wide forms). Besides the sanitizers' checks it asserts the rewriter's
// invariants: a bounded stack, bounded growth, the same result in both
// widths for ASCII text, and the exact-length rules of SQLNativeSql against
// buffers allocated to the byte so that any overrun is caught.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "diagnostics.h"
#include "sql_rewrite.h"
#include "text.h"

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

void check_native_narrow(Connection& c, std::string_view text, SQLINTEGER buffer_length)
{
    std::string rewritten;
    {
        Statement s{};
        s.connection = &c;
        // SQLNativeSql sees the text up to its first NUL.
        rewrite_sql(s, text.substr(0, text.find('\0')), rewritten);
    }
    auto buffer = std::make_unique<SQLCHAR[]>(buffer_length > 0 ? buffer_length : 1);
    SQLINTEGER length = -1;
    SQLRETURN rc = native_sql(c, reinterpret_cast<const SQLCHAR*>(text.data()),
                              static_cast<SQLINTEGER>(text.size()), buffer_length > 0 ? buffer.get() : nullptr,
                              buffer_length, &length);
    check(length == static_cast<SQLINTEGER>(rewritten.size()));
    if (buffer_length <= 0) {
        check(rc == SQL_SUCCESS);
        return;
    }
    bool fits = rewritten.size() < static_cast<size_t>(buffer_length);
    check(rc == (fits ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO));
    size_t n = fits ? rewritten.size() : static_cast<size_t>(buffer_length) - 1;
    check(std::string_view(reinterpret_cast<char*>(buffer.get()), n) == std::string_view(rewritten).substr(0, n));
    check(buffer[n] == 0);
}

void check_native_wide(Connection& c, std::u16string_view text, SQLINTEGER buffer_length)
{
    // The wide body converts the text first (per unit under SimpleUnicode,
    // else to UTF-8), rewrites the narrow text up to its first NUL and
    // widens the result; text with a lone surrogate is refused.
    const WideCodec codec = wide_codec(&c);
    std::optional<std::string> narrow = narrow_from_wide(codec, text);
    std::u16string rewritten;
    if (narrow) {
        std::string narrow_rewritten;
        Statement s{};
        s.connection = &c;
        rewrite_sql(s, std::string_view(*narrow).substr(0, narrow->find('\0')), narrow_rewritten);
        rewritten = wide_from_narrow(codec, narrow_rewritten);
    }
    auto in = std::make_unique<SQLWCHAR[]>(text.size() + 1);
    for (size_t i = 0; i < text.size(); ++i) in[i] = text[i];
    auto buffer = std::make_unique<SQLWCHAR[]>(buffer_length > 0 ? buffer_length : 1);
    SQLINTEGER length = -1;
    SQLRETURN rc = native_sql_wide(c, in.get(), static_cast<SQLINTEGER>(text.size()),
                                   buffer_length > 0 ? buffer.get() : nullptr, buffer_length, &length);
    if (!narrow) {
        check(rc == SQL_ERROR);
        return;
    }
    check(length == static_cast<SQLINTEGER>(rewritten.size()));
    if (buffer_length <= 0) {
        check(rc == SQL_SUCCESS);
        return;
    }
    size_t n = 0;
    while (n < static_cast<size_t>(buffer_length) && buffer[n] != 0) ++n;
    check(n < static_cast<size_t>(buffer_length));  // terminated inside the buffer
    check(std::u16string(buffer.get(), buffer.get() + n) == rewritten.substr(0, n));
    bool fits = rewritten.size() < static_cast<size_t>(buffer_length);
    check(rc == (fits ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO));
    if (fits) {
        check(n == rewritten.size());
    } else {
        // Cut to buffer_length - 1 units, or one less to keep a pair whole.
        size_t room = static_cast<size_t>(buffer_length) - 1;
        bool pair = room > 0 && rewritten[room - 1] >= 0xD800 && rewritten[room - 1] <= 0xDBFF &&
                    rewritten[room] >= 0xDC00 && rewritten[room] <= 0xDFFF;
        check(n == (pair ? room - 1 : room));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    uint8_t flags = data[0];
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    Connection c{};
    c.handle_type = stamp_connection;
    c.dialect = (flags & 1) ? 3 : 1;
    c.dquote = (flags >> 1) & 1;
    c.exec_proc = (flags >> 2) & 1;
    c.simple_unicode = (flags >> 3) & 1;
    c.wcmb_code_page = code_page_utf8;
    SQLINTEGER buffer_length = flags >> 4;  // 0 to 15: small buffers cut often

    Statement s{};
    s.connection = &c;
    std::string narrow;
    rewrite_sql(s, text, narrow);
    check(s.escape_depth >= 0 && s.escape_depth <= 128);
    // Only a call escape grows the text: 18 characters for at least 5, or
    // for the 2 of a "{c" cut at the end.
    check(narrow.size() <= 4 * text.size() + 18);
    (void)needs_rewrite(text, c);

    std::u16string wide_in(text.size() / 2, u'\0');
    for (size_t i = 0; i < wide_in.size(); ++i)
        wide_in[i] = static_cast<char16_t>(static_cast<uint8_t>(text[2 * i]) | (static_cast<uint8_t>(text[2 * i + 1]) << 8));
    Statement sw{};
    sw.connection = &c;
    std::u16string wide;
    rewrite_sql(sw, wide_in, wide);
    check(sw.escape_depth >= 0 && sw.escape_depth <= 128);
    (void)needs_rewrite(std::u16string_view(wide_in), c);

    // ASCII text gives the same result in both widths.
    bool ascii = true;
    for (char ch : text) ascii = ascii && static_cast<uint8_t>(ch) < 0x80;
    if (ascii) {
        std::u16string widened(text.begin(), text.end());
        Statement sa{};
        sa.connection = &c;
        std::u16string wide_ascii;
        rewrite_sql(sa, widened, wide_ascii);
        check(wide_ascii == std::u16string(narrow.begin(), narrow.end()));
        check(sa.escape_depth == s.escape_depth && sa.return_value_param == s.return_value_param);
    }

    check_native_narrow(c, text, buffer_length);
    check_native_wide(c, wide_in, buffer_length);
    clear_diags(&c);
    return 0;
}
