// The conversion step: checks, C type resolution, the NULL rule, dispatch
// through the conversion matrix, and the text and byte output shared by the
// converters.
#include "convert.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "convert_internal.h"
#include "diagnostics.h"
#include "text.h"

using namespace convert_detail;

namespace {

Source source_family(int sqltype)
{
    switch (sqltype) {
    case fb_type::text:
    case fb_type::varying:
        return Source::text;
    case fb_type::short_:
    case fb_type::long_:
    case fb_type::boolean:
    case fb_type::boolean_legacy:
        return Source::small_int;
    case fb_type::int64:
        return Source::bigint;
    case fb_type::int128:
        return Source::int128;
    case fb_type::float_:
    case fb_type::double_precision:
        return Source::floating;
    case fb_type::dec16:
    case fb_type::dec34:
        return Source::decfloat;
    case fb_type::timestamp:
        return Source::timestamp;
    case fb_type::date:
        return Source::date;
    case fb_type::time:
        return Source::time;
    case fb_type::timestamp_tz:
    case fb_type::timestamp_tz_ex:
        return Source::timestamp_tz;
    case fb_type::time_tz:
    case fb_type::time_tz_ex:
        return Source::time_tz;
    case fb_type::blob:
        return Source::blob;
    case fb_type::array:
        return Source::array;
    default:
        return Source::unknown;
    }
}

// The family of a served C type; false for a type that is not served.
bool target_family(SQLSMALLINT c_type, Target& target)
{
    switch (c_type) {
    case SQL_C_CHAR:
        target = Target::character;
        return true;
    case SQL_C_WCHAR:
        target = Target::wide;
        return true;
    case SQL_C_BINARY:
        target = Target::binary;
        return true;
    case SQL_C_BIT:
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_LONG:
    case SQL_C_SLONG:
        target = Target::long_family;
        return true;
    case SQL_C_UTINYINT:
    case SQL_C_USHORT:
    case SQL_C_ULONG:
        target = Target::ulong_family;
        return true;
    case SQL_C_SBIGINT:
        target = Target::sbigint;
        return true;
    case SQL_C_UBIGINT:
        target = Target::ubigint;
        return true;
    case SQL_C_FLOAT:
    case SQL_C_DOUBLE:
        target = Target::floating;
        return true;
    case SQL_C_NUMERIC:
        target = Target::numeric;
        return true;
    case SQL_C_DATE:
    case SQL_C_TYPE_DATE:
        target = Target::date;
        return true;
    case SQL_C_TIME:
    case SQL_C_TYPE_TIME:
        target = Target::time;
        return true;
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_TIMESTAMP:
        target = Target::timestamp;
        return true;
    default:
        return false;
    }
}

// The conversion matrix; null entries are conversions that do not exist
// (07006). ARRAY columns never reach it: they are delivered as NULL.
constexpr int cell(Source s, Target t)
{
    return static_cast<int>(s) * target_count + static_cast<int>(t);
}

struct Matrix {
    Converter entries[source_count * target_count] = {};
    template <std::size_t N>
    constexpr void row(Source s, const std::array<Converter, N>& converters)
    {
        for (std::size_t t = 0; t < N; ++t)
            entries[cell(s, static_cast<Target>(t))] = converters[t];
    }
};

template <Source S>
constexpr std::array<Converter, 9> number_row()
{
    return {&number_as_text<S>,    &number_as_text<S>,     &number_as_binary<S>,
            &number_as_long<S>,    &number_as_ulong<S>,    &number_as_sbigint<S>,
            &number_as_ubigint<S>, &number_as_floating<S>, &number_as_numeric<S>};
}

constexpr Matrix make_matrix()
{
    Matrix m;
    // Columns: char, wide, binary, long, ulong, sbigint, ubigint, floating,
    // numeric, date, time, timestamp.
    m.row(Source::text,
          std::array<Converter, 9>{&text_as_char, &text_as_wide, &text_as_binary, &text_as_long,
                                   &text_as_ulong, &text_as_sbigint, &text_as_ubigint,
                                   &text_as_floating, &text_as_numeric});
    m.row(Source::small_int, number_row<Source::small_int>());
    m.row(Source::bigint, number_row<Source::bigint>());
    m.row(Source::int128, number_row<Source::int128>());
    m.row(Source::floating, number_row<Source::floating>());
    m.row(Source::decfloat, number_row<Source::decfloat>());
    constexpr Converter none = nullptr;
    m.row(Source::timestamp,
          std::array<Converter, 12>{&datetime_as_text, &datetime_as_text, &datetime_as_binary, none,
                                    none, none, none, none, none, &datetime_as_date,
                                    &datetime_as_time, &datetime_as_timestamp});
    m.row(Source::date,
          std::array<Converter, 12>{&datetime_as_text, &datetime_as_text, &datetime_as_binary, none,
                                    none, none, none, none, none, &datetime_as_date, none,
                                    &datetime_as_timestamp});
    m.row(Source::time,
          std::array<Converter, 12>{&datetime_as_text, &datetime_as_text, &datetime_as_binary, none,
                                    none, none, none, none, none, none, &datetime_as_time,
                                    &datetime_as_timestamp});
    m.row(Source::timestamp_tz,
          std::array<Converter, 12>{&datetime_as_text, &datetime_as_text, &datetime_as_binary, none,
                                    none, none, none, none, none, &datetime_as_date,
                                    &datetime_as_time, &datetime_as_timestamp});
    // A time of day with a zone has no date, as a plain TIME has none.
    m.row(Source::time_tz,
          std::array<Converter, 12>{&datetime_as_text, &datetime_as_text, &datetime_as_binary, none,
                                    none, none, none, none, none, none, &datetime_as_time,
                                    &datetime_as_timestamp});
    m.row(Source::blob, std::array<Converter, 3>{&blob_as_char, &blob_as_wide, &blob_as_binary});
    return m;
}

constexpr Matrix matrix = make_matrix();

bool is_null(const XSQLVAR& var)
{
    return (var.sqltype & 1) != 0 && var.sqlind != nullptr && *var.sqlind != 0;
}

bool is_datetime_target(Target t)
{
    return t == Target::date || t == Target::time || t == Target::timestamp;
}

}  // namespace

SQLSMALLINT default_c_type(SQLSMALLINT sql_type, bool wchar_default_c)
{
    switch (sql_type) {
    case SQL_CHAR:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
        return SQL_C_CHAR;
    case SQL_INTEGER:
        return SQL_C_LONG;
    case SQL_SMALLINT:
        return SQL_C_SHORT;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return SQL_C_DOUBLE;
    case SQL_REAL:
        return SQL_C_FLOAT;
    case SQL_DATE:
    case SQL_TYPE_DATE:
        return SQL_C_TYPE_DATE;
    case SQL_TIME:
    case SQL_TYPE_TIME:
        return SQL_C_TYPE_TIME;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
        return SQL_C_TYPE_TIMESTAMP;
    case SQL_BIT:
        return SQL_C_BIT;
    case SQL_TINYINT:
        return SQL_C_TINYINT;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return SQL_C_BINARY;
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return wchar_default_c ? SQL_C_CHAR : SQL_C_WCHAR;
    default:
        return sql_type;
    }
}

namespace convert_detail {

SQLRETURN deliver_text(Conversion& c, const char* text, SQLLEN length, Pieces pieces)
{
    // A narrow value delivered by a fetch into a buffer is one copy from the
    // row's own bytes: no piece is remembered, nothing is re-encoded.
    if (c.from_fetch && c.c_type != SQL_C_WCHAR && c.target != nullptr && c.buffer_length > 0) {
        const SQLLEN n = length < c.buffer_length ? length : c.buffer_length - 1;
        std::memcpy(c.target, text, static_cast<size_t>(n));
        c.target[n] = '\0';
        report_length(c, length);
        return n < length ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
    }
    const TextForm form = c.c_type == SQL_C_WCHAR ? TextForm::wide_bytes : TextForm::narrow;
    SQLLEN* no_length = nullptr;  // lengths go to both of the conversion's pointers
    const TextOut out(form, WideCodec{}, c.target, c.buffer_length, no_length);

    SQLLEN offset = 0;
    if (!c.from_fetch) {
        offset = std::max<SQLLEN>(c.record.getdata_offset, 0);
        if (offset > 0 && offset >= length) {
            // Everything was returned by earlier calls.
            (void)out.put({});
            return SQL_NO_DATA;
        }
    }
    const TextOut::Written w = out.put(std::string_view(text + offset, static_cast<size_t>(length - offset)));
    report_length(c, w.length);
    // Without a target nothing is delivered, so the next call starts at the
    // same place; a value that would not fit is still reported cut.
    const SQLLEN unit = form == TextForm::narrow ? 1 : 2;
    const SQLLEN room = std::max<SQLLEN>(c.buffer_length, 0) / unit;  // the terminator included
    const SQLLEN rest = length - offset;
    const bool cut = c.target != nullptr ? w.cut : rest > 0 && rest > room - 1;
    if (!c.from_fetch && c.target != nullptr && room > 0) {
        if (w.cut)
            c.record.getdata_offset = offset + static_cast<SQLLEN>(w.consumed);
        else if (pieces == Pieces::always || offset > 0)
            c.record.getdata_offset = length;
    }
    return cut ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN deliver_bytes(Conversion& c, const void* bytes, SQLLEN length)
{
    const SQLLEN n = std::min(length, std::max<SQLLEN>(c.buffer_length, 0));
    if (c.target != nullptr) std::memcpy(c.target, bytes, static_cast<size_t>(n));
    report_length(c, length);
    return n < length ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

}  // namespace convert_detail

SQLLEN c_type_fixed_size(SQLSMALLINT c_type)
{
    switch (c_type) {
    case SQL_C_NUMERIC:
        return 19;
    case SQL_C_LONG:
    case SQL_C_FLOAT:
    case SQL_C_SLONG:
    case SQL_C_ULONG:
        return 4;
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT:
        return 2;
    case SQL_C_DOUBLE:
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT:
        return 8;
    case SQL_C_DATE:
    case SQL_C_TIME:
    case SQL_C_TYPE_DATE:
    case SQL_C_TYPE_TIME:
        return 6;
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_TIMESTAMP:
        return 16;
    case SQL_C_BIT:
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT:
        return 1;
    default:
        return 0;
    }
}

namespace {

// Stored types whose bytes are a C type's value as they are, at scale 0.
struct SameRepresentation {
    int sqltype;
    SQLSMALLINT c_type;
    std::uint8_t size;
};
constexpr SameRepresentation same_representation[] = {
    {fb_type::short_, SQL_C_SHORT, 2},
    {fb_type::short_, SQL_C_SSHORT, 2},
    {fb_type::long_, SQL_C_LONG, 4},
    {fb_type::long_, SQL_C_SLONG, 4},
    {fb_type::int64, SQL_C_SBIGINT, 8},
    {fb_type::float_, SQL_C_FLOAT, 4},
    {fb_type::double_precision, SQL_C_DOUBLE, 8},
};

std::uint8_t copy_size(const XSQLVAR& var, SQLSMALLINT c_type)
{
    if (var.sqlscale != 0) return 0;
    const int sqltype = var.sqltype & ~1;
    for (const SameRepresentation& same : same_representation)  // one entry for each C type
        if (same.c_type == c_type) return same.sqltype == sqltype && var.sqllen == same.size ? same.size : 0;
    return 0;
}

// The two halves of a conversion, inlined into convert_column (which
// SQLGetData calls for every value) and into deliver_bound_columns (the
// fetch's loop over a row's bound columns).
[[gnu::always_inline]] inline ConversionRefusal resolve(const Statement& statement, int column, SQLSMALLINT c_type,
                                                         bool ard_type, ResolvedConversion& out)
{
    const Descriptor* ird = statement.ird;
    const XSQLDA* sqlda = statement.output_sqlda;
    if (column < 1 || ird == nullptr || ird->records == nullptr || column > ird->count ||
        sqlda == nullptr || column > sqlda->sqln)
        return {"07009", column};
    const DescRecord& record = ird->records[column];
    const XSQLVAR& var = sqlda->sqlvar[column - 1];

    if (c_type == SQL_ARD_TYPE) {
        const Descriptor* ard = statement.ard;
        c_type = ard != nullptr && ard->records != nullptr && column <= ard->count
                     ? ard->records[column].concise_type
                     : 0;
        ard_type = true;
    }
    if (c_type == SQL_C_DEFAULT) {
        const Connection* connection = statement.connection;
        c_type = default_c_type(record.concise_type,
                                connection != nullptr && connection->wchar_default_c != 0);
    }
    Target target_kind;
    if (!target_family(c_type, target_kind)) return {"07006", c_type};

    const int sqltype = var.sqltype & ~1;
    const Source source = source_family(sqltype);
    out = ResolvedConversion{column, &ird->records[column], &var, sqltype, c_type, ard_type, false,
                             copy_size(var, c_type), nullptr};
    if (source == Source::array) {
        if (is_datetime_target(target_kind)) return {"07006", sqltype};
        out.array = true;
        return {};
    }
    out.converter = matrix.entries[cell(source, target_kind)];
    if (out.converter == nullptr) return {"07006", sqltype};
    return {};
}

[[gnu::always_inline]] inline SQLRETURN run(Statement& statement, const ResolvedConversion& resolved,
                                             SQLPOINTER target, SQLLEN buffer_length, SQLLEN* str_len_or_ind,
                                             bool called_from_fetch, SQLLEN* octet_length)
{
    // A value read outside the fetch leaves its place in the record.
    if (!called_from_fetch) statement.row_state_to_clear = 1;
    if (octet_length == str_len_or_ind) octet_length = nullptr;
    if (resolved.array) {
        // Array contents are not fetched: always NULL, indicator or not.
        if (str_len_or_ind != nullptr) *str_len_or_ind = SQL_NULL_DATA;
        if (octet_length != nullptr) *octet_length = 0;
        return SQL_SUCCESS;
    }
    DescRecord& record = *resolved.record;
    const XSQLVAR& var = *resolved.var;
    const int sqltype = resolved.sqltype;
    if (sqltype == fb_type::blob && target == nullptr && str_len_or_ind == nullptr)
        return post_error(&statement, "HY000", 0, "Can not read blob with null TargetPtr");

    if (is_null(var)) {
        if (str_len_or_ind == nullptr) return post_error(&statement, "22002");
        *str_len_or_ind = SQL_NULL_DATA;
        if (octet_length != nullptr) *octet_length = c_type_fixed_size(resolved.c_type);
        return SQL_SUCCESS;
    }
    // A column whose buffers were never set up (its description failed).
    if (var.sqldata == nullptr) return post_error(&statement, "HY000", sqltype);
    if (resolved.copy_size != 0) {
        // Sizes known to the compiler: each copy is one move.
        if (target != nullptr) {
            switch (resolved.copy_size) {
            case 2: std::memcpy(target, var.sqldata, 2); break;
            case 4: std::memcpy(target, var.sqldata, 4); break;
            default: std::memcpy(target, var.sqldata, 8); break;
            }
        }
        if (str_len_or_ind != nullptr) *str_len_or_ind = resolved.copy_size;
        if (octet_length != nullptr) *octet_length = resolved.copy_size;
        return SQL_SUCCESS;
    }

    Conversion conversion{statement,
                          record,
                          var,
                          sqltype,
                          resolved.column,
                          resolved.c_type,
                          static_cast<char*>(target),
                          buffer_length,
                          str_len_or_ind,
                          octet_length,
                          called_from_fetch,
                          resolved.ard_type};
    const SQLRETURN rc = resolved.converter(conversion);
    if (rc == SQL_SUCCESS_WITH_INFO) post_warning(&statement, "01004");
    return rc;
}

}  // namespace

ConversionRefusal resolve_conversion(const Statement& statement, int column, SQLSMALLINT c_type, bool ard_type,
                                     ResolvedConversion& out)
{
    return resolve(statement, column, c_type, ard_type, out);
}

namespace {

// The element `bytes` past `base`; none without a base.
template <typename T>
T* advanced(T* base, SQLLEN bytes)
{
    return base == nullptr ? nullptr : reinterpret_cast<T*>(reinterpret_cast<char*>(base) + bytes);
}

}  // namespace

SQLRETURN deliver_bound_columns(Statement& statement, const BoundColumn* columns, int count, SQLULEN row,
                                SQLLEN length_stride)
{
    const auto r = static_cast<SQLLEN>(row);
    SQLRETURN result = SQL_SUCCESS;
    for (const BoundColumn* column = columns; column != columns + count; ++column) {
        char* data = advanced(column->data, r * column->stride);
        SQLLEN* indicator = advanced(column->indicator, r * length_stride);
        SQLLEN* octet_length = advanced(column->octet_length, r * length_stride);
        const SQLRETURN rc = column->resolved ? run(statement, column->conversion, data, column->buffer_length,
                                                    indicator, true, octet_length)
                                              : convert_column(statement, column->index, column->concise_type,
                                                               data, column->buffer_length, indicator, true,
                                                               octet_length, false);
        if (rc == SQL_ERROR) return SQL_ERROR;
        if (rc == SQL_SUCCESS_WITH_INFO) result = SQL_SUCCESS_WITH_INFO;
    }
    return result;
}

SQLRETURN convert_column(Statement& statement, int column, SQLSMALLINT c_type, SQLPOINTER target,
                         SQLLEN buffer_length, SQLLEN* str_len_or_ind, bool called_from_fetch,
                         SQLLEN* octet_length, bool ard_type)
{
    ResolvedConversion resolved;
    const ConversionRefusal refusal = resolve(statement, column, c_type, ard_type, resolved);
    if (refusal.sqlstate != nullptr) return post_error(&statement, refusal.sqlstate, refusal.detail);
    return run(statement, resolved, target, buffer_length, str_len_or_ind, called_from_fetch, octet_length);
}

SQLRETURN get_data(Statement& statement, SQLUSMALLINT column, SQLSMALLINT c_type, SQLPOINTER target,
                   SQLLEN buffer_length, SQLLEN* str_len_or_ind)
{
    return convert_column(statement, column, c_type, target, buffer_length, str_len_or_ind, false,
                          nullptr, false);
}
