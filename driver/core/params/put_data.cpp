#include "params/put_data.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "client_api.h"
#include "convert.h"
#include "diagnostics.h"
#include "params/blob_writer.h"
#include "params/gather.h"
#include "params/param_convert.h"
#include "statement.h"
#include "text.h"
#include "transactions.h"
#include "utf.h"

namespace {

constexpr const char* value_too_long = text_too_long_message;
constexpr const char* wide_not_representable = wide_not_representable_message;

// How the bytes of a piece are to be read, by the parameter's C type.
enum class Family {
    character,  // text in the connection's character set
    wide,       // UTF-16, converted as it arrives
    binary,     // bytes as they are
    fixed,      // one value of a fixed-size C type (a number, a date structure)
};

std::optional<Family> family_of(SQLSMALLINT c_type)
{
    switch (c_type) {
    case SQL_C_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
        return Family::character;
    case SQL_C_WCHAR:
    case SQL_WVARCHAR:
        return Family::wide;
    case SQL_C_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return Family::binary;
    default:
        if (c_type_fixed_size(c_type) > 0) return Family::fixed;
        return std::nullopt;
    }
}

bool is_blob(const XSQLVAR& var) { return (var.sqltype & ~1) == fb_type::blob; }

bool is_text(const XSQLVAR& var)
{
    const int type = var.sqltype & ~1;
    return type == fb_type::text || type == fb_type::varying;
}

// Everything one parameter's pieces touch.
struct Target {
    DescRecord& apd;
    DescRecord& ipd;
    XSQLVAR& var;
    SQLSMALLINT c_type;
    Family family;
};

// The target of APD record `parameter`; nullopt (07006 posted) when its C
// type has no piecewise form.
std::optional<Target> target_of(Statement& statement, int parameter)
{
    const int marker = marker_of_parameter(statement, parameter);
    if (marker == 0) {
        post_error(&statement, "07009", parameter);
        return std::nullopt;
    }
    DescRecord& apd = statement.apd->records[parameter];
    DescRecord& ipd = statement.ipd->records[marker];
    XSQLVAR& var = statement.input_sqlda->sqlvar[marker - 1];
    const SQLSMALLINT c_type =
        resolve_parameter_c_type(apd.concise_type, apd.sql_type_hint, ipd.concise_type, statement.connection);
    const std::optional<Family> family = family_of(c_type);
    if (!family || (is_blob(var) && *family == Family::fixed)) {
        post_error(&statement, "07006", c_type);
        return std::nullopt;
    }
    return Target{apd, ipd, var, c_type, *family};
}

bool asks_data_at_exec(const Statement& statement, const DescRecord& apd)
{
    const SQLLEN* indicator = ParameterRow::of(statement).move(apd.indicator_ptr, sizeof(SQLLEN));
    if (indicator == nullptr) return false;
    SQLLEN value;  // a packed row need not keep SQLLEN alignment
    std::memcpy(&value, indicator, sizeof value);
    return is_data_at_exec(value);
}

// Bytes the value buffer holds: the inline buffer, or the heap buffer of
// server_length + 3 bytes for a longer marker.
SQLLEN value_capacity(const DescRecord& ipd)
{
    return std::max<SQLLEN>(desc_inline_value_size, static_cast<SQLLEN>(ipd.server_length) + 3);
}

// How many bytes a marker may collect: a text marker, or raw bytes for any
// marker, at most the marker's length; a value of a fixed-size C type its
// size; text still to be read as a number or a date what the inline buffer
// holds, less its terminator.
SQLLEN collect_limit(const Target& t)
{
    if (t.family == Family::fixed) return c_type_fixed_size(t.c_type);
    if (is_text(t.var) || t.family == Family::binary) return t.ipd.server_length;
    return desc_inline_value_size - 1;
}

// Hands the narrow form of UTF-16 units to `emit(bytes, count)` in chunks
// of a stack buffer, through the connection's code page (per unit under
// SimpleUnicode). Returns false when a character has no narrow form or
// `emit` refused.
template <typename Emit>
bool narrow_chunks(const WideCodec& codec, const char16_t* units, size_t count, Emit&& emit)
{
    constexpr size_t chunk_units = 2048;
    char bytes[chunk_units * 3];  // a unit takes at most 3 bytes, a pair 4
    while (count > 0) {
        size_t n = std::min(count, chunk_units);
        if (n < count && utf::is_high_surrogate(units[n - 1])) --n;  // keep a pair together
        const WideEncoded e = encode_wide_text(codec, units, n, bytes, sizeof bytes);
        if (!e.valid || !e.fits() || !emit(bytes, e.bytes)) return false;
        units += n;
        count -= n;
    }
    return true;
}

// The units of a wide piece, with a surrogate pair that two pieces split
// joined again: the high half carried from the last piece is converted with
// the first unit of this one, and a high half ending this piece is carried
// to the next. Returns false (HY000 posted) for a half without its partner.
template <typename Emit>
bool convert_wide_piece(Statement& statement, const char16_t* units, size_t count, Emit&& emit, bool& refused)
{
    const WideCodec codec = wide_codec(statement.connection);
    refused = false;
    auto checked = [&](const char* bytes, size_t n) {
        if (emit(bytes, n)) return true;
        refused = true;
        return false;
    };
    if (statement.put_wide_carry != 0 && count > 0) {
        if (!utf::is_low_surrogate(units[0])) {
            post_error(&statement, "HY000", 0, wide_not_representable);
            return false;
        }
        const char16_t pair[2] = {static_cast<char16_t>(statement.put_wide_carry), units[0]};
        statement.put_wide_carry = 0;
        if (!narrow_chunks(codec, pair, 2, checked)) {
            if (!refused) post_error(&statement, "HY000", 0, wide_not_representable);
            return false;
        }
        ++units;
        --count;
    }
    if (count > 0 && utf::is_high_surrogate(units[count - 1])) {
        statement.put_wide_carry = units[count - 1];
        --count;
    }
    if (!narrow_chunks(codec, units, count, checked)) {
        if (!refused) post_error(&statement, "HY000", 0, wide_not_representable);
        return false;
    }
    return true;
}

// Collects bytes into a BLOB in whole segments: they are written as soon as
// a segment is full, and the rest when the piece ends.
class SegmentSink {
public:
    SegmentSink(Statement& statement, isc_blob_handle& handle) : statement_(statement), handle_(handle) {}
    bool append(const char* bytes, size_t n)
    {
        while (n > 0) {
            const size_t part = std::min(n, sizeof buffer_ - used_);
            std::memcpy(buffer_ + used_, bytes, part);
            used_ += part;
            bytes += part;
            n -= part;
            if (used_ == sizeof buffer_ && !flush()) return false;
        }
        return true;
    }
    bool flush()
    {
        if (used_ == 0) return true;
        const size_t n = std::exchange(used_, 0);
        return write_blob_segments(statement_, handle_, buffer_, n) == SQL_SUCCESS;
    }

private:
    Statement& statement_;
    isc_blob_handle& handle_;
    char buffer_[blob_segment_size];
    size_t used_ = 0;
};

SQLRETURN put_blob_piece(Statement& statement, Target& t, const char* data, SQLLEN length)
{
    ClientCallLock lock;  // held across every segment of the piece
    const bool text_blob = t.var.sqlsubtype == 1;
    if (t.family != Family::wide || !text_blob) {
        // A binary BLOB receives wide text as its UTF-16 bytes.
        return write_blob_segments(statement, t.ipd.blob_handle, data, static_cast<size_t>(length));
    }
    SegmentSink sink(statement, t.ipd.blob_handle);
    bool refused = false;
    auto emit = [&sink](const char* bytes, size_t n) { return sink.append(bytes, n); };
    if (!convert_wide_piece(statement, reinterpret_cast<const char16_t*>(data), static_cast<size_t>(length) / 2,
                            emit, refused))
        return SQL_ERROR;
    return sink.flush() ? SQL_SUCCESS : SQL_ERROR;
}

// Appends to the value buffer at the put length; a piece that would pass
// the limit posts 22001 and appends nothing.
SQLRETURN put_collected_piece(Statement& statement, Target& t, const char* data, SQLLEN length)
{
    auto* buffer = static_cast<char*>(t.ipd.value_buffer);
    const SQLLEN limit = collect_limit(t);
    SQLLEN collected = t.ipd.getdata_offset;
    if (t.family == Family::wide) {
        const uint16_t carry = statement.put_wide_carry;
        bool refused = false;
        auto emit = [&](const char* bytes, size_t n) {
            if (collected + static_cast<SQLLEN>(n) > limit) return false;
            std::memcpy(buffer + collected, bytes, n);
            collected += static_cast<SQLLEN>(n);
            return true;
        };
        if (!convert_wide_piece(statement, reinterpret_cast<const char16_t*>(data), static_cast<size_t>(length) / 2,
                                emit, refused)) {
            statement.put_wide_carry = carry;  // the piece is not taken
            if (refused) return post_error(&statement, "22001", 0, value_too_long);
            return SQL_ERROR;
        }
    } else {
        if (length > limit - collected) return post_error(&statement, "22001", 0, value_too_long);
        std::memcpy(buffer + collected, data, static_cast<size_t>(length));
        collected += length;
    }
    t.ipd.getdata_offset = collected;
    if (collected < value_capacity(t.ipd)) buffer[collected] = '\0';
    return SQL_SUCCESS;
}

// The byte count of a piece: SQL_NTS measures the string (in wide units for
// wide text); a fixed-size C type always sends one value of its size.
std::optional<SQLLEN> piece_length(Statement& statement, const Target& t, const void* data, SQLLEN length)
{
    if (t.family == Family::fixed) return c_type_fixed_size(t.c_type);
    if (length == SQL_NTS) {
        if (t.family == Family::wide) return static_cast<SQLLEN>(2 * wide_length(static_cast<const SQLWCHAR*>(data)));
        return static_cast<SQLLEN>(std::strlen(static_cast<const char*>(data)));
    }
    if (length < 0 || (t.family == Family::wide && length % 2 != 0)) {
        post_error(&statement, "HY090");
        return std::nullopt;
    }
    return length;
}

// Puts the collected value of a marker that is not a BLOB in the form it is
// sent in. Text, binary and wide pieces for a text marker are the value
// itself (wide ones converted as they came). Raw bytes for a marker of fixed
// size must be exactly one value of it: that marker keeps its described
// length. Anything else (text for a number or a date, a C number or date
// structure) is converted now as a bound value of the parameter's C type
// would be.
SQLRETURN finish_collected(Statement& statement, Target& t)
{
    const SQLLEN collected = t.ipd.getdata_offset;
    if (t.ipd.inline_indicator == -1) return SQL_SUCCESS;  // sent as NULL
    if (is_text(t.var) && t.family != Family::fixed) {
        t.var.sqllen = static_cast<ISC_SHORT>(collected);
        return SQL_SUCCESS;
    }
    if (t.family == Family::binary) {
        if (collected != t.ipd.server_length) return post_error(&statement, "HY090");
        return SQL_SUCCESS;
    }
    // The converter writes into the value buffer the pieces are in.
    char value[desc_inline_value_size];
    std::memcpy(value, t.ipd.value_buffer, static_cast<size_t>(collected));
    const SQLSMALLINT c_type = t.family == Family::wide ? SQL_C_CHAR : t.c_type;  // already narrowed
    ParamConversion conversion{statement, t.ipd,    t.var,     t.var.sqltype & ~1,
                               value,     collected, collected, c_type};
    return convert_parameter(conversion);
}

}  // namespace

int marker_of_parameter(const Statement& statement, int parameter) noexcept
{
    const Descriptor* apd = statement.apd;
    const Descriptor* ipd = statement.ipd;
    if (apd == nullptr || ipd == nullptr || apd->records == nullptr || parameter < 1 || parameter > apd->count)
        return 0;
    int marker = 0;
    for (int i = 1; i <= parameter; ++i) {
        const bool feeds_marker = !(statement.return_value_param && i == 1) &&
                                  apd->records[i].parameter_type != SQL_PARAM_OUTPUT;
        if (!feeds_marker) {
            if (i == parameter) return 0;
            continue;
        }
        ++marker;
    }
    if (marker > ipd->count || statement.input_sqlda == nullptr || marker > statement.input_sqlda->sqld) return 0;
    return marker;
}

SQLRETURN begin_put(Statement& statement, int parameter)
{
    Connection& connection = *statement.connection;
    if (connection.transaction == 0) {
        start_transaction(connection, statement.status);
        if (status_failed(statement.status)) {
            post_statement_status(&statement);
            return SQL_ERROR;
        }
    }
    std::optional<Target> t = target_of(statement, parameter);
    if (!t) return SQL_ERROR;
    statement.put_wide_carry = 0;
    // A value replaces a NULL an earlier execution sent.
    t->ipd.inline_indicator = 0;
    t->ipd.getdata_offset = 0;
    if (!is_blob(t->var)) return SQL_SUCCESS;
    return create_parameter_blob(statement, t->ipd, t->ipd.blob_handle);
}

SQLRETURN finish_put(Statement& statement)
{
    std::optional<Target> t = target_of(statement, statement.put_data_state);
    if (!t) return SQL_ERROR;
    const bool half_pair = statement.put_wide_carry != 0;
    statement.put_wide_carry = 0;
    if (is_blob(t->var)) {
        if (t->ipd.blob_handle == 0) return SQL_SUCCESS;
        if (close_parameter_blob(statement, t->ipd.blob_handle) != SQL_SUCCESS) return SQL_ERROR;
    } else if (finish_collected(statement, *t) != SQL_SUCCESS) {
        return SQL_ERROR;
    }
    if (half_pair && t->ipd.inline_indicator != -1) return post_error(&statement, "HY000", 0, wide_not_representable);
    return SQL_SUCCESS;
}

SQLRETURN param_data(Statement& statement, SQLPOINTER* value_ptr)
{
    if (statement.need_data_param == 0) return post_error(&statement, "HY010");
    const Descriptor& apd = *statement.apd;
    for (;;) {
        const int count = apd.records != nullptr ? apd.count : 0;
        int found = 0;
        for (int j = statement.need_data_param; j <= count && found == 0; ++j) {
            if (marker_of_parameter(statement, j) != 0 && asks_data_at_exec(statement, apd.records[j])) found = j;
        }
        if (statement.put_data_state > 0) {
            if (finish_put(statement) != SQL_SUCCESS) return SQL_ERROR;
            statement.put_data_state = 0;
        }
        if (found != 0) {
            statement.need_data_param = found;
            statement.put_data_state = found;
            if (begin_put(statement, found) != SQL_SUCCESS) return SQL_ERROR;
            statement.need_data_param = found + 1;
            const DescRecord& record = apd.records[found];
            if (value_ptr != nullptr)
                *value_ptr = ParameterRow::of(statement).move(record.data_ptr, record.octet_length);
            return SQL_NEED_DATA;
        }
        // Every value is in: the statement runs, the collected values in
        // place.
        statement.need_data_param = 0;
        statement.data_at_exec_done = 1;
        const SQLRETURN rc = execute_statement(statement, false);
        // The next parameter set of an array asks for its own values: this
        // call already hands out the first token, as SQL_NEED_DATA from
        // SQLParamData promises.
        if (rc != SQL_NEED_DATA) return rc;
    }
}

SQLRETURN put_data(Statement& statement, SQLPOINTER data, SQLLEN length)
{
    if (statement.put_data_state == 0) return post_error(&statement, "HY010");
    if (length < 0 && length != SQL_NTS && length != SQL_NULL_DATA) return post_error(&statement, "HY090");
    std::optional<Target> t = target_of(statement, statement.put_data_state);
    if (!t) return SQL_ERROR;
    if (length == SQL_NULL_DATA) {
        t->ipd.inline_indicator = -1;
        t->var.sqltype = static_cast<ISC_SHORT>(t->var.sqltype | 1);  // a NOT NULL type cannot carry it
        return SQL_SUCCESS;
    }
    if (t->ipd.inline_indicator == -1) return post_error(&statement, "HY020");
    if (data == nullptr) {
        if (length == 0) return SQL_SUCCESS;
        return post_error(&statement, "HY009");
    }
    if (t->family == Family::fixed && t->ipd.getdata_offset > 0) return post_error(&statement, "HY019");
    const std::optional<SQLLEN> bytes = piece_length(statement, *t, data, length);
    if (!bytes) return SQL_ERROR;
    const auto* piece = static_cast<const char*>(data);
    if (is_blob(t->var)) return put_blob_piece(statement, *t, piece, *bytes);
    return put_collected_piece(statement, *t, piece, *bytes);
}

SQLRETURN cancel_data_at_exec(Statement& statement)
{
    SQLRETURN rc = SQL_SUCCESS;
    if (statement.put_data_state > 0) {
        const int marker = marker_of_parameter(statement, statement.put_data_state);
        if (marker != 0) {
            DescRecord& ipd = statement.ipd->records[marker];
            if (is_blob(statement.input_sqlda->sqlvar[marker - 1]) && ipd.blob_handle != 0)
                rc = close_parameter_blob(statement, ipd.blob_handle);
        }
    }
    statement.need_data_param = 0;
    statement.put_data_state = 0;
    statement.data_at_exec_done = 0;
    statement.put_wide_carry = 0;
    return rc;
}
