// BLOB columns: read through the row's BLOB handle, in client reads of at
// most 16384 bytes, straight into the application's buffer. A text BLOB arrives as its bytes (SQL_C_CHAR, and
// SQL_C_BINARY) or decoded to UTF-16 (SQL_C_WCHAR); a binary BLOB as its
// bytes or as hexadecimal text.
//
// The fetch opens nothing: a row's BLOB is opened when its value is first
// read (a bound column while the row is transferred, otherwise the first
// SQLGetData), so BLOBs nobody reads cost no round trip to the server.
// SQLGetData reads a value in pieces: the record's getdata_offset counts the
// bytes already returned, and the handle simply continues. A bound column is
// read from the start and its BLOB is then closed, to be opened again from
// its start if SQLGetData asks for the same value.
#include <algorithm>
#include <string>

#include "client_api.h"
#include "convert_internal.h"
#include "diagnostics.h"
#include "statement.h"
#include "text.h"

namespace convert_detail {

namespace {

constexpr SQLLEN segment_size = 16384;

// The BLOB's total length from isc_blob_info. False (posted) when the
// client fails.
bool total_length(Conversion& c, SQLLEN& total)
{
    static const ISC_SCHAR items[] = {isc_info_blob_total_length};
    ISC_SCHAR result[256] = {};
    ISC_STATUS* status = c.statement.status;
    client::isc_blob_info(status, &c.record.blob_handle, static_cast<short>(sizeof items), items,
                          static_cast<short>(sizeof result), result);
    if (status_failed(status)) {
        post_statement_status(&c.statement);
        return false;
    }
    total = 0;
    const ISC_SCHAR* p = result;
    const ISC_SCHAR* end = result + sizeof result;
    while (p + 3 <= end && *p != isc_info_end) {
        const ISC_SCHAR item = *p++;
        const auto length = static_cast<short>(client::isc_vax_integer(p, 2));
        p += 2;
        if (length < 0 || p + length > end) break;
        if (item == isc_info_blob_total_length) {
            total = static_cast<std::uint32_t>(client::isc_vax_integer(p, length));
            break;
        }
        p += length;
    }
    return true;
}

// Reads up to `want` bytes of the BLOB into `out`. Returns the bytes read,
// or -1 when the client fails (posted). `at_end` is set when the BLOB ends.
SQLLEN read_bytes(Conversion& c, char* out, SQLLEN want, bool& at_end)
{
    ISC_STATUS* status = c.statement.status;
    SQLLEN got = 0;
    int idle = 0;
    while (got < want && !at_end) {
        const auto piece = static_cast<unsigned short>(std::min(want - got, segment_size));
        unsigned short actual = 0;
        client::isc_get_segment(status, &c.record.blob_handle, &actual, piece, out + got);
        got += actual;
        if (status_failed(status)) {
            if (status[1] == isc_segstr_eof) {
                at_end = true;
            } else if (status[1] != isc_segment) {  // isc_segment: more of this segment follows
                post_statement_status(&c.statement);
                return -1;
            }
        } else if (actual == 0 && ++idle > 64) {
            break;  // a client that makes no progress
        }
    }
    return got;
}

// Opens the current row's BLOB when its value is first read. False (posted)
// when the client fails; the column then stays unopened.
bool open_pending(Conversion& c)
{
    DescRecord& record = c.record;
    if (!record.blob_pending) return true;
    Statement& statement = c.statement;
    Connection* connection = statement.connection;
    auto* id = reinterpret_cast<ISC_QUAD*>(c.var.sqldata);
    isc_tr_handle* transaction = statement_transaction(statement);
    record.blob_handle = 0;
    if (BROLIX_CLIENT_HAS(isc_open_blob2))
        client::isc_open_blob2(statement.status, &connection->db_handle, transaction, &record.blob_handle, id, 0,
                               nullptr);
    else
        client::isc_open_blob(statement.status, &connection->db_handle, transaction, &record.blob_handle, id);
    if (status_failed(statement.status)) {
        record.blob_handle = 0;
        post_statement_status(&statement);
        return false;
    }
    record.blob_pending = 0;
    record.blob_open = 1;
    return true;
}

// After a bound column has been read: the BLOB is closed and left to be
// opened again from its start if SQLGetData asks for it.
void close_for_rereading(Conversion& c)
{
    DescRecord& record = c.record;
    if (record.blob_open) client::isc_close_blob(c.statement.status, &record.blob_handle);
    record.blob_handle = 0;
    record.blob_open = 0;
    record.blob_pending = 1;
    record.getdata_offset = 0;
}

constexpr char hex_digits[] = "0123456789ABCDEF";

// The forms a BLOB is delivered in, with the units of their lengths per
// BLOB byte.
enum class Form { bytes, text, hex, wide_text, wide_hex };

SQLLEN units_per_byte(Form form)
{
    switch (form) {
    case Form::hex:
    case Form::wide_text:
        return 2;
    case Form::wide_hex:
        return 4;
    default:
        return 1;
    }
}

// Text BLOB bytes decoded into UTF-16 at c.target, at most `capacity` units.
// Returns the BLOB bytes consumed, or -1 (posted).
SQLLEN read_wide_text(Conversion& c, SQLLEN remaining, std::size_t capacity, std::size_t& stored,
                      bool& at_end)
{
    const WideCodec codec = wide_codec(c.connection());
    const char* charset = codec.simple ? nullptr : code_page_charset(codec.code_page);
    const bool utf8 = !codec.simple && (charset == nullptr || std::string_view(charset) == "UTF-8");
    char chunk[segment_size + 4];
    SQLLEN consumed = 0;
    stored = 0;
    while (stored < capacity && consumed < remaining && !at_end) {
        const std::size_t room = capacity - stored;
        SQLLEN want = static_cast<SQLLEN>(room);
        // One unit of slack, so that completing a character cut at the end
        // of the read never needs more room than there is.
        if (utf8 && room >= 2)
            want = static_cast<SQLLEN>(room - 1);
        else if (utf8 && stored > 0)
            break;
        want = std::min({want, remaining - consumed, segment_size});
        SQLLEN n = read_bytes(c, chunk, want, at_end);
        if (n < 0) return -1;
        if (n == 0) break;
        if (utf8) {
            // Complete a character cut by the end of the read.
            SQLLEN lead = n - 1;
            while (lead > 0 && lead > n - 4 &&
                   (static_cast<unsigned char>(chunk[lead]) & 0xC0) == 0x80)
                --lead;
            const auto b = static_cast<unsigned char>(chunk[lead]);
            const SQLLEN size = (b & 0xE0) == 0xC0   ? 2
                                : (b & 0xF0) == 0xE0 ? 3
                                : (b & 0xF8) == 0xF0 ? 4
                                                     : 1;
            const SQLLEN missing = std::min(lead + size - n, remaining - consumed - n);
            if (missing > 0) {
                const SQLLEN more = read_bytes(c, chunk + n, missing, at_end);
                if (more < 0) return -1;
                n += more;
            }
            std::size_t units_stored =
                utf::utf8_to_utf16(chunk, static_cast<std::size_t>(n), c.target + 2 * stored, room).stored;
            if (units_stored == 0 && room > 0) {
                // A character of two units where only one fits.
                put_unit(c.target, stored, u'\uFFFD');
                units_stored = 1;
            }
            stored += units_stored;
        } else if (codec.simple) {
            for (SQLLEN i = 0; i < n; ++i)
                put_unit(c.target, stored + i, static_cast<unsigned char>(chunk[i]));
            stored += static_cast<std::size_t>(n);
        } else {
            const std::u16string wide =
                wide_from_narrow(codec, std::string_view(chunk, static_cast<std::size_t>(n)));
            const std::size_t take = std::min(wide.size(), room);
            for (std::size_t i = 0; i < take; ++i) put_unit(c.target, stored + i, wide[i]);
            stored += take;
        }
        consumed += n;
    }
    return consumed;
}

SQLRETURN read_blob(Conversion& c, Form form)
{
    if (!open_pending(c)) return SQL_ERROR;
    SQLLEN total;
    if (!total_length(c, total)) return SQL_ERROR;
    const SQLLEN offset = c.from_fetch ? 0 : std::max<SQLLEN>(c.record.getdata_offset, 0);
    const SQLLEN remaining = std::max<SQLLEN>(total - offset, 0);
    const SQLLEN unit = units_per_byte(form);
    // Everything was returned by earlier calls.
    if (remaining == 0 && offset != 0) return SQL_NO_DATA;
    // Only the length is asked for.
    if (c.indicator != nullptr && (c.target == nullptr || c.buffer_length <= 1)) {
        report_length(c, remaining * unit);
        return SQL_SUCCESS_WITH_INFO;
    }
    char* out = c.target;
    const SQLLEN size = out != nullptr ? std::max<SQLLEN>(c.buffer_length, 0) : 0;
    bool at_end = false;
    bool touched = false;
    SQLLEN got = 0;
    // Decoded text has the length of what it decodes to; until the whole
    // value has been decoded that is not known and two units per byte (its
    // most) stands for it.
    SQLLEN length = remaining * unit;
    switch (form) {
    case Form::bytes: {
        touched = size > 0 && remaining > 0;
        got = read_bytes(c, out, std::min(size, remaining), at_end);
        break;
    }
    case Form::text: {
        const SQLLEN room = std::max<SQLLEN>(size - 1, 0);
        touched = room > 0 && remaining > 0;
        got = read_bytes(c, out, std::min(room, remaining), at_end);
        if (got >= 0 && size >= 1) out[got] = '\0';
        break;
    }
    case Form::hex: {
        // Read into the front of the buffer, then spread each byte into its
        // two digits from the back, so nothing unread is overwritten.
        const SQLLEN bytes = std::max<SQLLEN>((size - 1) / 2, 0);
        touched = bytes > 0 && remaining > 0;
        got = read_bytes(c, out, std::min(bytes, remaining), at_end);
        if (got < 0) break;
        for (SQLLEN i = got - 1; i >= 0; --i) {
            const auto b = static_cast<unsigned char>(out[i]);
            out[2 * i] = hex_digits[b >> 4];
            out[2 * i + 1] = hex_digits[b & 0x0F];
        }
        if (size >= 1) out[2 * got] = '\0';
        break;
    }
    case Form::wide_hex: {
        // Two units per byte and a terminating unit within the buffer.
        const SQLLEN units = size >= 2 ? size / 2 - 1 : 0;
        const SQLLEN bytes = units / 2;
        touched = bytes > 0 && remaining > 0;
        got = read_bytes(c, out, std::min(bytes, remaining), at_end);
        if (got < 0) break;
        for (SQLLEN i = got - 1; i >= 0; --i) {
            const auto b = static_cast<unsigned char>(out[i]);
            put_unit(out, 2 * static_cast<std::size_t>(i) + 1,
                     static_cast<char16_t>(hex_digits[b & 0x0F]));
            put_unit(out, 2 * static_cast<std::size_t>(i),
                     static_cast<char16_t>(hex_digits[b >> 4]));
        }
        if (size >= 2) put_unit(out, 2 * static_cast<std::size_t>(got), 0);
        break;
    }
    case Form::wide_text: {
        const std::size_t capacity = size >= 2 ? static_cast<std::size_t>(size / 2 - 1) : 0;
        std::size_t stored = 0;
        touched = capacity > 0 && remaining > 0;
        got = read_wide_text(c, remaining, capacity, stored, at_end);
        if (got >= 0 && size >= 2) put_unit(out, stored, 0);
        if (got == remaining) length = static_cast<SQLLEN>(2 * stored);
        break;
    }
    }
    if (got < 0) return SQL_ERROR;
    report_length(c, length);
    if (c.from_fetch) {
        if (touched) close_for_rereading(c);
    } else {
        c.record.getdata_offset = offset + got;
    }
    return got < remaining ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

bool is_text_blob(const Conversion& c)
{
    return c.var.sqlsubtype == 1;
}

}  // namespace

SQLRETURN blob_as_char(Conversion& c)
{
    return read_blob(c, is_text_blob(c) ? Form::text : Form::hex);
}

SQLRETURN blob_as_wide(Conversion& c)
{
    return read_blob(c, is_text_blob(c) ? Form::wide_text : Form::wide_hex);
}

SQLRETURN blob_as_binary(Conversion& c)
{
    return read_blob(c, Form::bytes);
}

}  // namespace convert_detail
