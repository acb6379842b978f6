#include "describe.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "character_sets.h"
#include "client_api.h"
#include "descriptor_fields.h"
#include "diagnostics.h"
#include "statement.h"
#include "text.h"

namespace {

constexpr SQLLEN blob_length = 2147483647;

template <size_t N>
void set_text(char (&field)[N], std::string_view text)
{
    size_t n = std::min(text.size(), N - 1);
    text.copy(field, n);
    field[n] = '\0';
}

// A name field of an XSQLVAR: counted, not always terminated.
std::string_view var_name(const ISC_SCHAR* name, ISC_SHORT length, size_t capacity)
{
    if (length <= 0) return {};
    size_t n = std::min(static_cast<size_t>(length), capacity);
    return std::string_view(name, strnlen(name, n));
}

// The type-table columns shared by a row.
struct TypeRow {
    int16_t concise;
    int16_t type;
    int16_t interval_code;
    const char* local_type_name;
    const char* type_name;
    const char* prefix;
    const char* suffix;
    int16_t searchable;
    int16_t unsigned_;
    int16_t fixed_prec_scale;
};

struct Sizes {
    SQLULEN length;
    SQLLEN display_size;
    SQLLEN octet_length;
    int16_t precision;
    int16_t scale;
    int32_t radix;
};

void apply(DescRecord& r, const TypeRow& t, const Sizes& s)
{
    r.concise_type = t.concise;
    r.type = t.type;
    r.datetime_interval_code = t.interval_code;
    set_text(r.local_type_name, t.local_type_name);
    set_text(r.type_name, t.type_name);
    set_text(r.literal_prefix, t.prefix);
    set_text(r.literal_suffix, t.suffix);
    r.searchable = t.searchable;
    r.unsigned_ = t.unsigned_;
    r.fixed_prec_scale = t.fixed_prec_scale;
    r.length = s.length;
    r.display_size = s.display_size;
    r.octet_length = s.octet_length;
    r.precision = s.precision;
    r.scale = s.scale;
    r.num_prec_radix = s.radix;
}

}  // namespace

DescribeContext describe_context(const Statement& statement)
{
    DescribeContext context;
    const Connection* connection = statement.connection;
    context.odbc_version =
        connection != nullptr && connection->env != nullptr ? connection->env->odbc_version : 0;
    if (connection != nullptr) {
        context.hide_varchar = connection->hide_varchar != 0;
        context.with_schema = connection->with_schema != 0;
    }
    context.statistics = statement.catalog_kind == SQL_API_SQLSTATISTICS;
    return context;
}

bool describe_column_type(DescRecord& r, const XSQLVAR& var, const DescribeContext& context)
{
    const int code = var.sqltype & ~1;
    const bool v3 = context.odbc_version == 3;
    // Scaled and large integers: DECIMAL only for an environment that asked
    // for ODBC 2 explicitly; NUMERIC otherwise (also when never set).
    const bool decimal = context.odbc_version == 2;
    const int16_t exact = decimal ? SQL_DECIMAL : SQL_NUMERIC;
    const char* exact_name = decimal ? "DECIMAL" : "NUMERIC";
    const bool scaled = var.sqlscale != 0;
    const int16_t scale = var.sqlscale < 0 ? static_cast<int16_t>(-var.sqlscale) : 0;
    const SQLLEN len = var.sqllen;
    const int16_t ts = v3 ? SQL_TYPE_TIMESTAMP : SQL_TIMESTAMP;
    const int16_t tm = v3 ? SQL_TYPE_TIME : SQL_TIME;
    const int16_t dt = v3 ? SQL_TYPE_DATE : SQL_DATE;

    switch (code) {
    case fb_type::varying:
    case fb_type::text: {
        const bool varying = code == fb_type::varying;
        const bool national = var.sqlsubtype != 0;
        int16_t concise = varying ? (national ? SQL_WVARCHAR : SQL_VARCHAR)
                                  : (national ? SQL_WCHAR : SQL_CHAR);
        const char* name =
            varying ? (national ? "NCHAR VARYING" : "VARCHAR") : (national ? "NCHAR" : "CHAR");
        apply(r, {concise, concise, 0, name, name, "'", "'", SQL_SEARCHABLE, 1, 0},
              {static_cast<SQLULEN>(len), len, national ? 2 * len : len, 0, 0, 0});
        return true;
    }
    case fb_type::double_precision:
        apply(r,
              {SQL_DOUBLE, SQL_DOUBLE, 0, "DOUBLE PRECISION", "DOUBLE PRECISION", "", "",
               SQL_SEARCHABLE, 0, 0},
              {15, 15, 8, 52, 0, 2});
        return true;
    case fb_type::float_:
        apply(r, {SQL_REAL, SQL_REAL, 0, "FLOAT", "FLOAT", "", "", SQL_SEARCHABLE, 0, 0},
              {7, 7, 4, 52, 0, 2});
        return true;
    case fb_type::long_:
        if (scaled)
            apply(r, {exact, exact, 0, exact_name, exact_name, "", "", SQL_SEARCHABLE, 0, 1},
                  {12, 12, 12, 10, scale, 10});
        else
            apply(r,
                  {SQL_INTEGER, SQL_INTEGER, 0, "LONG", "LONG", "", "", SQL_SEARCHABLE, 0, 1},
                  {11, 11, 4, 11, 0, 10});
        return true;
    case fb_type::short_:
        if (scaled)
            apply(r, {exact, exact, 0, exact_name, exact_name, "", "", SQL_SEARCHABLE, 0, 1},
                  {7, 7, 7, 5, scale, 10});
        else
            apply(r,
                  {SQL_SMALLINT, SQL_SMALLINT, 0, "SMALLINT", "SMALLINT", "", "",
                   SQL_SEARCHABLE, 0, 1},
                  {6, 6, 2, 6, 0, 10});
        return true;
    case fb_type::int64:
        apply(r, {exact, exact, 0, exact_name, exact_name, "", "", SQL_SEARCHABLE, 0, 1},
              scaled ? Sizes{21, 21, 21, 21, scale, 10} : Sizes{20, 20, 22, 19, 0, 10});
        return true;
    case fb_type::int128:
        apply(r,
              {exact, exact, 0, scaled ? exact_name : "INT128", exact_name, "", "", SQL_SEARCHABLE,
               0, 1},
              {38, 38, scaled ? 21 : 22, 38, scale, 10});
        return true;
    case fb_type::timestamp:
        apply(r,
              {ts, SQL_DATETIME, 3, "SQL_TIMESTAMP", "TIMESTAMP", "{ts '", "'}", SQL_SEARCHABLE,
               1, 0},
              {24, 24, 16, 4, 4, 0});
        return true;
    case fb_type::time:
        apply(r, {tm, SQL_DATETIME, 2, "TIME", "TIME", "{t '", "'}", SQL_SEARCHABLE, 1, 1},
              {8, 8, 6, 0, 0, 0});
        return true;
    case fb_type::date:
        apply(r, {dt, SQL_DATETIME, 1, "DATE", "DATE", "{d '", "'}", SQL_SEARCHABLE, 1, 0},
              {10, 10, 6, 0, 0, 0});
        return true;
    case fb_type::timestamp_tz:
    case fb_type::timestamp_tz_ex:
        apply(r,
              {ts, SQL_DATETIME, 3, "TIMESTAMP WITH TIME ZONE", "TIMESTAMP", "{ts '", "'}",
               SQL_SEARCHABLE, 1, 0},
              {50, 50, 16, 4, 4, 0});
        return true;
    case fb_type::time_tz:
    case fb_type::time_tz_ex:
        apply(r,
              {tm, SQL_DATETIME, 2, "TIME WITH TIME ZONE", "TIME", "{t '", "'}", SQL_SEARCHABLE,
               1, 1},
              {50, 50, 6, 0, 0, 0});
        return true;
    case fb_type::blob:
        if (var.sqlsubtype == 1) {
            int16_t concise = context.hide_varchar ? SQL_VARCHAR : SQL_LONGVARCHAR;
            SQLLEN size = context.hide_varchar ? 320000 : blob_length;
            apply(r,
                  {concise, concise, 0, "BLOB SUB_TYPE TEXT", "BLOB SUB_TYPE TEXT", "'", "'",
                   SQL_UNSEARCHABLE, 1, 0},
                  {static_cast<SQLULEN>(size), size, size, 0, 0, 0});
        } else {
            int16_t concise = context.hide_varchar ? SQL_VARBINARY : SQL_LONGVARBINARY;
            SQLLEN size = context.hide_varchar ? 32000 : blob_length;
            apply(r, {concise, concise, 0, "BLOB", "BLOB", "0x", "", SQL_UNSEARCHABLE, 1, 0},
                  {static_cast<SQLULEN>(size), size, size, 0, 0, 0});
        }
        return true;
    case fb_type::array:
        apply(r,
              {SQL_VARCHAR, SQL_VARCHAR, 0, "SQL_CHAR", "VARYING", "'", "'", SQL_UNSEARCHABLE,
               1, 0},
              {12, 12, 12, 0, 0, 0});
        return true;
    case fb_type::boolean:
    case fb_type::boolean_legacy:
        apply(r, {SQL_BIT, SQL_BIT, 0, "BOOLEAN", "BOOLEAN", "", "", SQL_SEARCHABLE, 0, 1},
              {1, 1, 1, 1, 0, 10});
        return true;
    case fb_type::dec16:
        apply(r,
              {SQL_VARCHAR, SQL_VARCHAR, 0, "DEC16", "VARCHAR", "", "", SQL_SEARCHABLE, 0, 0},
              {25, 25, 25, 0, 0, 10});
        return true;
    case fb_type::dec34:
        apply(r,
              {SQL_VARCHAR, SQL_VARCHAR, 0, "DEC32", "VARCHAR", "", "", SQL_SEARCHABLE, 0, 0},
              {50, 50, 50, 0, 0, 10});
        return true;
    default:
        return false;
    }
}

namespace {

// Frees the records' heap value buffers; records pointing at their inline
// buffer keep it.
void release_value_buffers(Descriptor& ird)
{
    if (ird.records == nullptr || !ird.owns_buffers) return;
    for (int i = 0; i <= ird.count; ++i) {
        DescRecord& r = ird.records[i];
        if (r.value_buffer != nullptr && r.value_buffer != r.inline_value)
            std::free(r.value_buffer);
        r.value_buffer = nullptr;
        r.data_ptr = nullptr;
    }
}

// The XSQLVARs from `first` (0-based) on get no buffers: the client then
// refuses to fetch instead of writing through pointers of an older
// description.
void detach_vars(XSQLDA& sqlda, int first, int columns)
{
    for (int i = std::max(first, 0); i < columns; ++i) {
        sqlda.sqlvar[i].sqldata = nullptr;
        sqlda.sqlvar[i].sqlind = nullptr;
    }
}

void fill_names(DescRecord& r, const XSQLVAR& var, const DescribeContext& context)
{
    std::string_view sqlname = var_name(var.sqlname, var.sqlname_length, sizeof var.sqlname);
    std::string_view relname = var_name(var.relname, var.relname_length, sizeof var.relname);
    std::string_view ownname = var_name(var.ownname, var.ownname_length, sizeof var.ownname);
    std::string_view alias = var_name(var.aliasname, var.aliasname_length, sizeof var.aliasname);
    std::string_view name = alias.empty() ? sqlname : alias;
    set_text(r.base_column_name, sqlname);
    set_text(r.base_table_name, relname);
    set_text(r.table_name, relname);
    set_text(r.schema_name, context.with_schema ? ownname : std::string_view());
    set_text(r.catalog_name, "");
    set_text(r.name, name);
    set_text(r.label, name);
    r.unnamed = name.empty() ? SQL_UNNAMED : SQL_NAMED;
    r.updatable = name.empty() ? 2 : 1;
}

void override_for_statistics(Descriptor& ird)
{
    auto set = [&](int column, int16_t concise, const char* name) {
        if (column > ird.count) return;
        DescRecord& r = ird.records[column];
        r.concise_type = concise;
        r.type = concise;
        set_text(r.local_type_name, name);
        set_text(r.type_name, name);
    };
    set(2, SQL_WVARCHAR, "NCHAR VARYING");
    set(3, SQL_WVARCHAR, "NCHAR VARYING");
    set(10, SQL_CHAR, "CHARACTER");
}

}  // namespace

SQLRETURN build_ird(Descriptor& ird, XSQLDA& sqlda, const DescribeContext& context,
                    HandleHeader* diagnostics)
{
    release_value_buffers(ird);
    // Never more records than the XSQLDA has slots: describe_results grows
    // it first, but a short area must not be read past its end.
    const int columns = std::max(0, std::min<int>(sqlda.sqld, sqlda.sqln));
    if (columns < 1) {
        ird.count = 0;
        return SQL_SUCCESS;
    }
    auto* records = new (std::nothrow) DescRecord[columns + 1]();
    if (records == nullptr) {
        // The old array is kept with no columns rather than a count that
        // exceeds it.
        ird.count = 0;
        detach_vars(sqlda, 0, columns);
        return post_error(diagnostics, "HY001");
    }
    delete[] ird.records;
    ird.records = records;
    ird.record_capacity = columns + 1;
    ird.count = static_cast<int16_t>(columns);
    ird.owns_buffers = 1;
    for (int i = 0; i <= columns; ++i) {
        records[i].value_buffer = records[i].inline_value;
        records[i].data_ptr = records[i].inline_value;
        records[i].indicator_ptr = reinterpret_cast<SQLLEN*>(&records[i].inline_indicator);
    }
    records[0].data_ptr = nullptr;
    records[0].indicator_ptr = nullptr;

    for (int column = 1; column <= columns; ++column) {
        XSQLVAR& var = sqlda.sqlvar[column - 1];
        DescRecord& r = records[column];
        fill_names(r, var, context);
        r.nullable = (var.sqltype & 1) ? SQL_NULLABLE : SQL_NO_NULLS;
        r.server_scale = var.sqlscale;
        if (!describe_column_type(r, var, context)) {
            detach_vars(sqlda, column - 1, columns);
            return post_error(diagnostics, "HY000", var.sqltype & ~1,
                              "Unexpected type incountered in driver_describe()");
        }
        if ((var.sqltype & ~1) == fb_type::text && var.sqlsubtype >= 0)
            r.char_length = char_column_characters(column_character_set(var.sqlsubtype), var.sqllen);
        // A VARCHAR needs its two length bytes before the text; one more
        // byte leaves room for a terminator.
        const size_t needed = static_cast<size_t>(std::max<ISC_SHORT>(var.sqllen, 0)) + 3;
        if (needed > desc_inline_value_size) {
            void* heap = std::calloc(1, needed);
            if (heap == nullptr) {
                detach_vars(sqlda, column - 1, columns);
                return post_error(diagnostics, "HY001");
            }
            r.value_buffer = heap;
            r.data_ptr = heap;
        }
        var.sqldata = static_cast<ISC_SCHAR*>(r.value_buffer);
        var.sqlind = &r.inline_indicator;
    }
    if (context.statistics) override_for_statistics(ird);
    return SQL_SUCCESS;
}

SQLRETURN describe_results(Statement& statement)
{
    Descriptor* ird = statement.ird != nullptr ? statement.ird : statement.ird_implicit;
    if (ird == nullptr) return post_error(&statement, "HY000");
    XSQLDA* sqlda = statement.output_sqlda;
    if (sqlda == nullptr) {
        release_value_buffers(*ird);
        ird->count = 0;
        return SQL_SUCCESS;
    }
    if (sqlda->sqld > sqlda->sqln) {
        XSQLDA* grown = allocate_sqlda(sqlda->sqld);
        if (grown == nullptr) return post_error(&statement, "HY001");
        // The old area's pointers into the IRD die with it.
        free_sqlda(statement.output_sqlda);
        statement.output_sqlda = sqlda = grown;
        client::isc_dsql_describe(statement.status, &statement.stmt_handle, SQLDA_VERSION1, sqlda);
        if (status_failed(statement.status)) {
            post_statement_status(&statement);
            return SQL_ERROR;
        }
    }
    return build_ird(*ird, *sqlda, describe_context(statement), &statement);
}

// ---------------------------------------------------------------------------
// SQLDescribeCol, SQLColAttribute(s)

namespace {

const DescRecord* column_record(const Statement& statement, SQLUSMALLINT column)
{
    const Descriptor* ird = statement.ird;
    if (ird == nullptr || ird->records == nullptr || column < 1 || column > ird->count)
        return nullptr;
    return &ird->records[column];
}

int16_t ird_count(const Statement& statement)
{
    return statement.ird != nullptr ? statement.ird->count : 0;
}

// Copies a string result into the caller's buffer in the call's width;
// posts 01004 when it was cut.
template <typename Len>
SQLRETURN put_string(Statement& statement, std::string_view text, SQLPOINTER buffer,
                     SQLLEN buffer_length, Len* length_ptr, bool wide, bool length_in_chars)
{
    const TextForm form = !wide ? TextForm::narrow
                          : length_in_chars ? TextForm::wide_chars
                                            : TextForm::wide_bytes;
    TextOut out(form, wide_codec(statement.connection), buffer, buffer_length, length_ptr);
    return cut_warning(&statement, out.write(text));
}

// Answered with 0 by both tables.
constexpr SQLUSMALLINT field_1212 = 1212;

// The descriptor field a column attribute reads: the ODBC 2 identifiers
// name the descriptor fields they became, and the two tables differ in the
// name fields and in SQL_DESC_FIXED_PREC_SCALE.
struct AttributeSource {
    SQLUSMALLINT field;
    bool zero = false;  // answered with 0 whatever the record holds
};

AttributeSource attribute_source(AttributeTable table, SQLUSMALLINT field)
{
    const bool odbc3 = table == AttributeTable::odbc3;
    switch (field) {
    case SQL_COLUMN_NAME: return {odbc3 ? SQLUSMALLINT{SQL_DESC_BASE_COLUMN_NAME} : SQLUSMALLINT{SQL_DESC_NAME}};
    case SQL_COLUMN_LENGTH: return {SQL_DESC_LENGTH};
    case SQL_COLUMN_PRECISION: return {SQL_DESC_PRECISION};
    case SQL_COLUMN_SCALE: return {SQL_DESC_SCALE};
    case SQL_COLUMN_NULLABLE: return {SQL_DESC_NULLABLE};
    case SQL_DESC_FIXED_PREC_SCALE: return {field, !odbc3};
    case SQL_DESC_NAME: return {odbc3 ? SQLUSMALLINT{SQL_DESC_NAME} : SQLUSMALLINT{SQL_DESC_LABEL}};
    case field_1212: return {SQL_DESC_COUNT, true};
    default: return {field};
    }
}

}  // namespace

SQLRETURN describe_col(Statement& statement, SQLUSMALLINT column, SQLPOINTER column_name,
                       SQLSMALLINT buffer_length, SQLSMALLINT* name_length, SQLSMALLINT* data_type,
                       SQLULEN* column_size, SQLSMALLINT* decimal_digits, SQLSMALLINT* nullable,
                       bool wide)
{
    const DescRecord* r = column_record(statement, column);
    if (r == nullptr) return post_error(&statement, "07009");
    SQLRETURN rc =
        put_string(statement, r->name, column_name, buffer_length, name_length, wide, true);
    if (data_type != nullptr) *data_type = r->concise_type;
    if (column_size != nullptr) {
        const bool exact = r->concise_type == SQL_NUMERIC || r->concise_type == SQL_DECIMAL;
        // A negative size (never produced by the type tables) is reported
        // as 0 rather than as a huge unsigned value.
        SQLLEN size = exact ? r->precision : r->display_size;
        *column_size = static_cast<SQLULEN>(std::max<SQLLEN>(size, 0));
    }
    if (decimal_digits != nullptr) *decimal_digits = r->scale;
    if (nullable != nullptr) *nullable = r->nullable;
    return rc;
}

SQLRETURN col_attribute(Statement& statement, AttributeTable table, SQLUSMALLINT column,
                        SQLUSMALLINT field, SQLPOINTER character_attribute,
                        SQLSMALLINT buffer_length, SQLSMALLINT* string_length,
                        SQLLEN* numeric_attribute, bool wide)
{
    FieldValue value;
    if (field == SQL_COLUMN_COUNT || field == SQL_DESC_COUNT) {
        value.number = ird_count(statement);
    } else {
        const DescRecord* r = column_record(statement, column);
        if (r == nullptr) return post_error(&statement, "07009");
        const AttributeSource source = attribute_source(table, field);
        if (source.zero) {
            value.number = 0;
        } else if (!read_column_attribute(*statement.ird, *r, source.field, value)) {
            return post_error(&statement, "HY091");
        }
    }
    if (value.type != FieldType::text) {
        if (numeric_attribute != nullptr) *numeric_attribute = value.number;
        store_length(string_length, static_cast<SQLLEN>(sizeof(SQLLEN)));
        return SQL_SUCCESS;
    }
    if (table == AttributeTable::odbc2 && numeric_attribute != nullptr) *numeric_attribute = 0;
    return put_string(statement, value.text, character_attribute, buffer_length, string_length,
                      wide, false);
}
