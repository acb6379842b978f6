#include "row_rewrite.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

#include "diagnostics.h"

namespace {

// Field type codes of RDB$FIELDS.RDB$FIELD_TYPE.
namespace field_type {
constexpr int short_ = 7;
constexpr int long_ = 8;
constexpr int quad = 9;
constexpr int float_ = 10;
constexpr int d_float = 11;
constexpr int date = 12;
constexpr int time = 13;
constexpr int text = 14;
constexpr int int64 = 16;
constexpr int boolean_legacy = 17;
constexpr int boolean = 23;
constexpr int dec16 = 24;
constexpr int dec34 = 25;
constexpr int int128 = 26;
constexpr int double_ = 27;
constexpr int time_tz = 28;
constexpr int timestamp_tz = 29;
constexpr int timestamp = 35;
constexpr int varying = 37;
constexpr int blob = 261;
}  // namespace field_type

constexpr int blob_subtype_text = 1;
constexpr long long blob_size = 2147483647;
constexpr long long hidden_blob_size = 32000;  // HideVarchar: BLOBs offered as VARCHAR

// The fetched row, edited in place in the XSQLVAR buffers the client filled.
class Row {
public:
    explicit Row(Statement& statement) : sqlda_(*statement.output_sqlda) {}

    XSQLVAR* var(int column) const
    {
        if (column < 1 || column > sqlda_.sqld || column > sqlda_.sqln) return nullptr;
        return &sqlda_.sqlvar[column - 1];
    }

    bool is_null(int column) const
    {
        const XSQLVAR* v = var(column);
        return v == nullptr || v->sqldata == nullptr ||
               ((v->sqltype & 1) && v->sqlind != nullptr && *v->sqlind != 0);
    }

    // An integer column; NULL (or a text column) reads as `fallback`.
    long long integer(int column, long long fallback = 0) const
    {
        const XSQLVAR* v = var(column);
        if (is_null(column)) return fallback;
        switch (v->sqltype & ~1) {
        case fb_type::short_: {
            ISC_SHORT x;
            std::memcpy(&x, v->sqldata, sizeof x);
            return x;
        }
        case fb_type::long_: {
            ISC_LONG x;
            std::memcpy(&x, v->sqldata, sizeof x);
            return x;
        }
        case fb_type::int64: {
            ISC_INT64 x;
            std::memcpy(&x, v->sqldata, sizeof x);
            return x;
        }
        case fb_type::varying:
        case fb_type::text: {
            std::string_view t = text(column);
            long long x = fallback;
            size_t first = t.find_first_not_of(' ');
            if (first != std::string_view::npos) std::from_chars(t.data() + first, t.data() + t.size(), x);
            return x;
        }
        default:
            return fallback;
        }
    }

    // A text column's bytes as stored (CHAR padding and VARCHAR trailing
    // blanks included); empty for NULL.
    std::string_view text(int column) const
    {
        const XSQLVAR* v = var(column);
        if (is_null(column)) return {};
        if ((v->sqltype & ~1) == fb_type::varying) {
            ISC_USHORT length;
            std::memcpy(&length, v->sqldata, sizeof length);
            length = std::min<ISC_USHORT>(length, static_cast<ISC_USHORT>(std::max<ISC_SHORT>(v->sqllen, 0)));
            return {v->sqldata + sizeof length, length};
        }
        if ((v->sqltype & ~1) == fb_type::text) return {v->sqldata, static_cast<size_t>(std::max<ISC_SHORT>(v->sqllen, 0))};
        return {};
    }

    std::string_view trimmed(int column) const
    {
        std::string_view t = text(column);
        while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
        return t;
    }

    void set_null(int column)
    {
        XSQLVAR* v = var(column);
        if (v == nullptr || v->sqlind == nullptr) return;
        v->sqltype |= 1;  // so that the indicator is consulted
        *v->sqlind = -1;
    }

    void set_integer(int column, long long value)
    {
        XSQLVAR* v = var(column);
        if (v == nullptr || v->sqldata == nullptr) return;
        switch (v->sqltype & ~1) {
        case fb_type::short_: {
            auto x = static_cast<ISC_SHORT>(value);
            std::memcpy(v->sqldata, &x, sizeof x);
            break;
        }
        case fb_type::long_: {
            auto x = static_cast<ISC_LONG>(value);
            std::memcpy(v->sqldata, &x, sizeof x);
            break;
        }
        case fb_type::int64: {
            auto x = static_cast<ISC_INT64>(value);
            std::memcpy(v->sqldata, &x, sizeof x);
            break;
        }
        default:
            return;
        }
        present(*v);
    }

    // Writes text, cut to the column's capacity.
    void set_text(int column, std::string_view value)
    {
        XSQLVAR* v = var(column);
        if (v == nullptr || v->sqldata == nullptr) return;
        const size_t capacity = static_cast<size_t>(std::max<ISC_SHORT>(v->sqllen, 0));
        const size_t n = std::min(value.size(), capacity);
        switch (v->sqltype & ~1) {
        case fb_type::varying: {
            auto length = static_cast<ISC_USHORT>(n);
            std::memcpy(v->sqldata, &length, sizeof length);
            std::memcpy(v->sqldata + sizeof length, value.data(), n);
            break;
        }
        case fb_type::text:
            std::memcpy(v->sqldata, value.data(), n);
            std::memset(v->sqldata + n, ' ', capacity - n);
            break;
        default:
            return;
        }
        present(*v);
    }

    ISC_SHORT sql_type(int column) const
    {
        const XSQLVAR* v = var(column);
        return v == nullptr ? 0 : static_cast<ISC_SHORT>(v->sqltype & ~1);
    }

private:
    static void present(XSQLVAR& v)
    {
        if (v.sqlind != nullptr) *v.sqlind = 0;
    }

    XSQLDA& sqlda_;
};

// What the connection and environment contribute to the rewriting.
struct Context {
    bool odbc2 = false;   // DECIMAL instead of NUMERIC (an ODBC 2 application)
    bool odbc3 = false;   // ODBC 3 date and time codes
    bool with_schema = false;
    bool null_schema = false;
    bool fix_precision = false;
    bool hide_varchar = false;
    bool old_metadata = false;
};

Context context_of(const Statement& statement)
{
    Context c;
    const Connection& connection = *statement.connection;
    const int version = connection.env != nullptr ? connection.env->odbc_version : 0;
    c.odbc2 = version == 2;
    c.odbc3 = version == 3;
    c.with_schema = connection.with_schema != 0;
    c.null_schema = connection.null_schema != 0;
    c.fix_precision = connection.fix_precision != 0;
    c.hide_varchar = connection.hide_varchar != 0;
    c.old_metadata = connection.server_major < 6 || connection.old_metadata != 0;
    return c;
}

void schema_rule(Row& row, int column, const Context& c)
{
    if (c.with_schema) return;
    if (c.null_schema)
        row.set_null(column);
    else
        row.set_text(column, "");
}

// The ODBC date and time codes of this application.
int date_code(const Context& c) { return c.odbc3 ? SQL_TYPE_DATE : SQL_DATE; }
int time_code(const Context& c) { return c.odbc3 ? SQL_TYPE_TIME : SQL_TIME; }
int timestamp_code(const Context& c) { return c.odbc3 ? SQL_TYPE_TIMESTAMP : SQL_TIMESTAMP; }
const char* exact_name(const Context& c) { return c.odbc2 ? "DECIMAL" : "NUMERIC"; }
int exact_code(const Context& c) { return c.odbc2 ? SQL_DECIMAL : SQL_NUMERIC; }

// In old-metadata mode the precision column holds the field length.
long long mapped_precision(long long p, const Context& c)
{
    if (!c.old_metadata) return p;
    switch (p) {
    case 8: return 19;
    case 4: return 11;
    case 2: return 6;
    default: return p;
    }
}

// The precision that a field of `length` bytes can hold.
long long precision_of_length(long long length, bool int128)
{
    if (int128) return length == 8 ? 19 : 38;
    switch (length) {
    case 2: return 5;
    case 4: return 11;
    default: return 19;
    }
}

struct NumericSizes {
    long long size, digits, buffer, radix;
};

// COLUMN_SIZE, DECIMAL_DIGITS, BUFFER_LENGTH and NUM_PREC_RADIX of a scaled
// number. `from_length` replaces the precision by what the length holds
// (FixPrecision, or a precision the server left at 0).
NumericSizes numeric_rule(long long length, long long scale, long long precision, bool from_length, bool int128)
{
    if (from_length) precision = precision_of_length(length, int128);
    return {precision, -scale, scale < 0 ? precision + 2 : precision + 1, 10};
}

// The type columns of one row, for the kinds that share a type table.
struct TypeColumns {
    int type_name, data_type, column_size, buffer_length, decimal_digits, radix, sql_data_type, datetime_sub,
        octet_length;
};

// Writers of the type columns: a negative column number means "not in this
// result set".
class TypeWriter {
public:
    TypeWriter(Row& row, const TypeColumns& columns) : row_(row), c_(columns) {}
    void name(std::string_view v) { row_.set_text(c_.type_name, v); }
    void data_type(long long v, bool also_sql_data_type = true)
    {
        row_.set_integer(c_.data_type, v);
        if (also_sql_data_type) sql_data_type(v);
    }
    void sql_data_type(long long v) { row_.set_integer(c_.sql_data_type, v); }
    void size(long long v) { row_.set_integer(c_.column_size, v); }
    void buffer(long long v) { row_.set_integer(c_.buffer_length, v); }
    void digits(long long v) { row_.set_integer(c_.decimal_digits, v); }
    void radix(long long v) { row_.set_integer(c_.radix, v); }
    void sub(long long v) { row_.set_integer(c_.datetime_sub, v); }
    void octet(long long v) { row_.set_integer(c_.octet_length, v); }
    void null_digits() { row_.set_null(c_.decimal_digits); }
    void null_radix() { row_.set_null(c_.radix); }
    void null_sub() { row_.set_null(c_.datetime_sub); }
    void null_octet() { row_.set_null(c_.octet_length); }
    void numeric(const NumericSizes& n, std::string_view type_name, int code)
    {
        name(type_name);
        data_type(code);
        size(n.size);
        digits(n.digits);
        buffer(n.buffer);
        radix(n.radix);
        null_sub();
        null_octet();
    }
    // A type with fixed sizes: digits, radix, sub-type and octet length
    // NULL unless given.
    void fixed(std::string_view type_name, long long code, long long sql_code, long long column_size,
               long long buffer_length)
    {
        name(type_name);
        data_type(code, false);
        sql_data_type(sql_code);
        size(column_size);
        buffer(buffer_length);
        null_digits();
        null_radix();
        null_sub();
        null_octet();
    }

private:
    Row& row_;
    const TypeColumns& c_;
};

SQLRETURN unknown_type(Statement& statement, Row& row, int type_column)
{
    return post_error(&statement, "07006", row.sql_type(type_column));
}

// ---- SQLTables -----------------------------------------------------------

RowOutcome rewrite_tables(Statement& statement, Row& row, const Context& c)
{
    constexpr int schema = 2, table_type = 4;
    schema_rule(row, schema, c);
    static constexpr const char* enumerated[] = {"SYSTEM", "TABLE", "VIEW"};
    int32_t& state = statement.table_type_state;
    if (state == 0) return RowOutcome::deliver;
    if (state >= 4) {
        statement.at_end = 1;
        return RowOutcome::end;
    }
    row.set_text(table_type, enumerated[state - 1]);
    ++state;
    return RowOutcome::deliver;
}

// ---- SQLColumns ----------------------------------------------------------

RowOutcome rewrite_columns(Statement& statement, Row& row, const Context& c)
{
    enum {
        table_cat = 1, table_schem, table_name, column_name, data_type, type_name, column_size, buffer_length,
        decimal_digits, num_prec_radix, nullable, remarks, column_def, sql_data_type, sql_datetime_sub,
        char_octet_length, ordinal_position, is_nullable
    };
    static constexpr TypeColumns columns = {type_name, data_type, column_size, buffer_length, decimal_digits,
                                            num_prec_radix, sql_data_type, sql_datetime_sub, char_octet_length};
    const long long cs = row.integer(table_cat, 0);
    const long long type = row.integer(data_type, -1);
    const long long length = row.integer(column_size, 0);
    const long long scale = row.integer(decimal_digits, 0);
    const long long precision = mapped_precision(row.integer(num_prec_radix, 0), c);
    const bool not_null = row.integer(nullable, 0) != 0;
    const long long sub_type = row.integer(sql_datetime_sub, 0);
    const bool array = !row.is_null(is_nullable);

    schema_rule(row, table_schem, c);
    row.set_null(table_cat);
    row.set_null(remarks);
    row.set_integer(nullable, not_null ? SQL_NO_NULLS : SQL_NULLABLE);
    row.set_text(is_nullable, not_null ? "NO" : "YES");

    TypeWriter w(row, columns);
    switch (type) {
    case field_type::short_:
    case field_type::long_:
        if (scale == 0) {
            const bool small = type == field_type::short_;
            w.fixed(small ? "SMALLINT" : "INTEGER", small ? SQL_SMALLINT : SQL_INTEGER,
                    small ? SQL_SMALLINT : SQL_INTEGER, small ? 6 : 11, small ? 2 : 4);
        } else {
            w.numeric(numeric_rule(length, scale, precision, c.fix_precision, false), exact_name(c), exact_code(c));
        }
        break;
    case field_type::int64:
        w.numeric(numeric_rule(length, scale, precision, c.fix_precision || precision == 0, false), exact_name(c),
                  exact_code(c));
        break;
    case field_type::int128:
        if (scale == 0) {
            w.name("INT128");
            w.data_type(exact_code(c));
            w.size(38);
            w.buffer(39);
            w.digits(0);
            w.radix(10);
            w.null_sub();
            w.null_octet();
        } else {
            w.numeric(numeric_rule(length, scale, precision, c.fix_precision, true), exact_name(c), exact_code(c));
        }
        break;
    case field_type::quad:
        w.fixed(exact_name(c), exact_code(c), exact_code(c), 15, 8);
        break;
    case field_type::float_:
        w.fixed("FLOAT", SQL_REAL, SQL_REAL, 7, 4);
        w.radix(2);
        break;
    case field_type::double_:
        w.fixed("DOUBLE PRECISION", SQL_DOUBLE, SQL_DOUBLE, 15, 8);
        w.radix(2);
        break;
    case field_type::boolean_legacy:
    case field_type::boolean:
        w.fixed("BOOLEAN", SQL_BIT, SQL_BIT, 1, 1);
        break;
    case field_type::date:
        w.fixed("DATE", date_code(c), SQL_DATE, 10, 6);
        w.sub(SQL_CODE_DATE);
        break;
    case field_type::time:
        w.fixed("TIME", time_code(c), SQL_TIME, 8, 6);
        break;
    case field_type::timestamp:
        w.fixed("TIMESTAMP", timestamp_code(c), SQL_TIMESTAMP, 24, 16);
        w.digits(4);
        w.sub(SQL_CODE_TIMESTAMP);
        break;
    case field_type::time_tz:
        w.fixed("TIME WITH TIME ZONE", time_code(c), SQL_TIME, 50, 6);
        w.digits(0);
        w.sub(SQL_CODE_TIME);
        break;
    case field_type::timestamp_tz:
        w.fixed("TIMESTAMP WITH TIME ZONE", timestamp_code(c), SQL_TIMESTAMP, 50, 16);
        w.digits(4);
        w.sub(SQL_CODE_TIMESTAMP);
        break;
    case field_type::dec16:
    case field_type::dec34: {
        const long long size = type == field_type::dec16 ? 25 : 50;
        w.name("VARCHAR");
        w.data_type(SQL_VARCHAR, false);
        w.sql_data_type(SQL_DECIMAL);
        w.size(size);
        w.buffer(size);
        w.null_sub();
        w.null_octet();
        break;
    }
    case field_type::text:
    case field_type::varying: {
        const bool varying = type == field_type::varying;
        const bool national = cs != 0;
        const long long size = varying && array ? 12 : length;
        const int code = varying ? (national ? SQL_WVARCHAR : SQL_VARCHAR) : (national ? SQL_WCHAR : SQL_CHAR);
        w.name(varying ? (national ? "NATIONAL CHARACTER VARYING" : "CHARACTER VARYING")
                       : (national ? "NCHAR" : "CHAR"));
        w.data_type(code);
        w.size(size);
        if (national) w.buffer(2 * size);
        w.null_digits();
        w.null_radix();
        w.null_sub();
        w.octet(national ? 2 * size : size);
        break;
    }
    case field_type::blob: {
        const bool text = sub_type == blob_subtype_text;
        const long long size = c.hide_varchar ? hidden_blob_size : blob_size;
        const int code = text ? (c.hide_varchar ? SQL_VARCHAR : SQL_LONGVARCHAR)
                              : (c.hide_varchar ? SQL_VARBINARY : SQL_LONGVARBINARY);
        w.fixed(text ? "BLOB SUB_TYPE TEXT" : "BLOB", code, code, size, size);
        w.octet(size);
        break;
    }
    default:
        unknown_type(statement, row, data_type);
        return RowOutcome::error;
    }
    return RowOutcome::deliver;
}

// ---- SQLSpecialColumns ---------------------------------------------------

RowOutcome rewrite_special_columns(Statement& statement, Row& row, const Context& c)
{
    enum { scope = 1, column_name, data_type, type_name, column_size, buffer_length, decimal_digits, pseudo_column };
    const long long sub_type = row.integer(scope, 0);
    const long long type = row.integer(data_type, -1);
    const long long cs = row.integer(pseudo_column, 0);
    const long long buffer = row.integer(buffer_length, 0);
    const long long scale = row.integer(decimal_digits, 0);
    row.set_integer(pseudo_column, SQL_PC_NOT_PSEUDO);
    row.set_integer(scope, SQL_SCOPE_SESSION);
    auto put = [&](std::string_view name, long long code, bool digits) {
        row.set_text(type_name, name);
        row.set_integer(data_type, code);
        // The stored scale is negative; the column counts digits.
        if (digits) row.set_integer(decimal_digits, -scale);
        else row.set_null(decimal_digits);
    };
    switch (type) {
    case field_type::short_:
    case field_type::long_:
        // A scaled SMALLINT or INTEGER holds a NUMERIC or DECIMAL.
        if (scale != 0) put(exact_name(c), exact_code(c), true);
        else if (type == field_type::short_) put("SMALLINT", SQL_SMALLINT, true);
        else put("INTEGER", SQL_INTEGER, true);
        break;
    case field_type::quad:
    case field_type::int64: put(exact_name(c), exact_code(c), true); break;
    case field_type::float_: put("FLOAT", SQL_REAL, true); break;
    case field_type::d_float:
    case field_type::double_: put("DOUBLE PRECISION", SQL_DOUBLE, true); break;
    case field_type::boolean_legacy:
    case field_type::boolean: put("BOOLEAN", SQL_BIT, true); break;
    case field_type::date: put("DATE", date_code(c), false); break;
    case field_type::time: put("TIME", time_code(c), false); break;
    case field_type::timestamp: put("TIMESTAMP", timestamp_code(c), false); break;
    case field_type::text:
        put(cs == 0 ? "CHAR" : "NCHAR", cs == 0 ? SQL_CHAR : SQL_WCHAR, false);
        if (cs != 0) row.set_integer(buffer_length, 2 * buffer);
        break;
    case field_type::varying:
        put(cs == 0 ? "CHARACTER VARYING" : "NATIONAL CHARACTER VARYING", cs == 0 ? SQL_VARCHAR : SQL_WVARCHAR,
            false);
        if (cs != 0) row.set_integer(buffer_length, 2 * buffer);
        break;
    case field_type::blob:
        if (sub_type == blob_subtype_text)
            put("BLOB SUB TYPE TEXT", c.hide_varchar ? SQL_VARCHAR : SQL_LONGVARCHAR, false);
        else
            put("BLOB", c.hide_varchar ? SQL_VARBINARY : SQL_LONGVARBINARY, false);
        break;
    default:
        unknown_type(statement, row, data_type);
        return RowOutcome::error;
    }
    return RowOutcome::deliver;
}

// ---- SQLStatistics, SQLPrimaryKeys ---------------------------------------

// True (and the name remembered) when `name` differs from the previous
// row's.
bool name_changed(Statement& statement, std::string_view name)
{
    std::string_view previous(statement.previous_name, static_cast<size_t>(statement.previous_name_length));
    if (name == previous) return false;
    const size_t n = std::min(name.size(), sizeof statement.previous_name);
    std::memcpy(statement.previous_name, name.data(), n);
    statement.previous_name_length = static_cast<int16_t>(n);
    return true;
}

RowOutcome rewrite_statistics(Statement& statement, Row& row, const Context& c)
{
    enum { table_cat = 1, table_schem, table_name, non_unique, index_qualifier, index_name, type, ordinal_position };
    row.set_null(table_cat);
    schema_rule(row, table_schem, c);
    if (row.integer(type, 0) == SQL_TABLE_STAT) {
        // The table's own row names no index and has no position.
        row.set_null(non_unique);
        row.set_null(ordinal_position);
        return RowOutcome::deliver;
    }
    if (name_changed(statement, row.text(index_name))) statement.key_sequence = 1;
    row.set_integer(ordinal_position, statement.key_sequence++);
    row.set_integer(non_unique, row.integer(non_unique, 0) == 0 ? SQL_TRUE : SQL_FALSE);
    return RowOutcome::deliver;
}

RowOutcome rewrite_primary_keys(Statement& statement, Row& row, const Context& c)
{
    enum { table_schem = 2, key_seq = 5 };
    schema_rule(row, table_schem, c);
    row.set_integer(key_seq, statement.key_sequence++);
    return RowOutcome::deliver;
}

// ---- SQLForeignKeys ------------------------------------------------------

// The ODBC rule of a stored referential action.
int referential_rule(std::string_view rule)
{
    auto starts = [&](std::string_view prefix) { return rule.substr(0, prefix.size()) == prefix; };
    if (starts("RESTRICT") || starts("NO ACTION")) return SQL_NO_ACTION;
    if (starts("SET NULL")) return SQL_SET_NULL;
    if (starts("SET DEFAULT")) return SQL_SET_DEFAULT;
    return SQL_CASCADE;
}

RowOutcome rewrite_foreign_keys(Statement&, Row& row, const Context& c)
{
    enum { pktable_cat = 1, pktable_schem = 2, fktable_cat = 5, fktable_schem = 6, update_rule = 10, delete_rule = 11 };
    const int update = referential_rule(row.trimmed(pktable_cat));
    const int remove = referential_rule(row.trimmed(fktable_cat));
    schema_rule(row, pktable_schem, c);
    schema_rule(row, fktable_schem, c);
    row.set_null(pktable_cat);
    row.set_null(fktable_cat);
    row.set_integer(update_rule, update);
    row.set_integer(delete_rule, remove);
    return RowOutcome::deliver;
}

// ---- SQLTablePrivileges --------------------------------------------------

RowOutcome rewrite_table_privileges(Statement&, Row& row, const Context& c)
{
    enum { table_schem = 2, privilege = 6, is_grantable = 7 };
    static constexpr struct {
        std::string_view letter, name;
    } privileges[] = {{"S", "SELECT"}, {"I", "INSERT"}, {"U", "UPDATE"}, {"D", "DELETE"}, {"R", "REFERENCES"}};
    schema_rule(row, table_schem, c);
    const std::string_view letter = row.trimmed(privilege);
    for (const auto& p : privileges) {
        if (letter == p.letter) {
            row.set_text(privilege, p.name);
            break;
        }
    }
    const std::string_view option = row.text(is_grantable);
    row.set_text(is_grantable, !option.empty() && option.front() == '1' ? "YES" : "NO");
    return RowOutcome::deliver;
}

// ---- SQLProcedureColumns -------------------------------------------------

RowOutcome rewrite_procedure_columns(Statement& statement, Row& row, const Context& c)
{
    enum {
        procedure_cat = 1, procedure_schem, procedure_name, column_name, column_type, data_type, type_name,
        column_size, buffer_length, decimal_digits, num_prec_radix, nullable, remarks, column_def, sql_data_type,
        sql_datetime_sub, char_octet_length, ordinal_position, is_nullable
    };
    static constexpr TypeColumns columns = {type_name, data_type, column_size, buffer_length, decimal_digits,
                                            num_prec_radix, sql_data_type, sql_datetime_sub, char_octet_length};
    // An input and an output parameter of the same number are one
    // input/output parameter: the second row is dropped.
    const long long ordinal = row.integer(ordinal_position, 0);
    const bool new_name = name_changed(statement, row.text(procedure_name));
    if (!new_name && ordinal == statement.previous_ordinal) return RowOutcome::skip;
    statement.previous_ordinal = static_cast<int32_t>(ordinal);

    const long long stored_type = row.integer(column_type, 0);
    const bool shared_number = row.trimmed(is_nullable) == "2";
    const bool nullable_flag = row.integer(nullable, 0) == 0;
    const long long type = row.integer(data_type, -1);
    const long long length = row.integer(column_size, 0);
    const long long scale = row.integer(decimal_digits, 0);
    const long long precision = mapped_precision(row.integer(num_prec_radix, 0), c);
    const long long sub_type = row.integer(sql_datetime_sub, 0);

    schema_rule(row, procedure_schem, c);
    row.set_integer(column_type, shared_number      ? SQL_PARAM_INPUT_OUTPUT
                                 : stored_type == 1 ? SQL_PARAM_OUTPUT
                                                    : SQL_PARAM_INPUT);
    row.set_integer(nullable, nullable_flag ? SQL_NULLABLE : SQL_NO_NULLS);
    row.set_text(is_nullable, nullable_flag ? "YES" : "NO");

    TypeWriter w(row, columns);
    switch (type) {
    case field_type::short_:
    case field_type::long_:
        if (scale == 0) {
            const bool small = type == field_type::short_;
            w.fixed(small ? "SMALLINT" : "INTEGER", small ? SQL_SMALLINT : SQL_INTEGER,
                    small ? SQL_SMALLINT : SQL_INTEGER, small ? 5 : 11, small ? 2 : 4);
        } else {
            w.numeric(numeric_rule(length, scale, precision, c.fix_precision, false), exact_name(c), exact_code(c));
        }
        break;
    case field_type::int64:
        if (!c.odbc2) {
            const bool decimal = sub_type == 2;
            w.numeric(numeric_rule(length, scale, precision, c.fix_precision || precision == 0, false),
                      decimal ? "DECIMAL" : "NUMERIC", decimal ? SQL_DECIMAL : SQL_NUMERIC);
            break;
        }
        [[fallthrough]];
    case field_type::double_:
        w.fixed("DOUBLE PRECISION", SQL_DOUBLE, SQL_DOUBLE, 52, 8);
        w.radix(2);
        break;
    case field_type::quad:
        w.fixed(exact_name(c), exact_code(c), exact_code(c), 15, 8);
        break;
    case field_type::float_:
        w.fixed("FLOAT", SQL_REAL, SQL_REAL, 52, 4);
        w.radix(2);
        break;
    case field_type::boolean_legacy:
    case field_type::boolean:
        w.fixed("BOOLEAN", SQL_BIT, SQL_BIT, 1, 1);
        break;
    case field_type::date:
        w.fixed("DATE", date_code(c), SQL_DATE, 10, 6);
        w.sub(SQL_CODE_DATE);
        break;
    case field_type::time:
        w.fixed("TIME", time_code(c), SQL_TIME, 8, 6);
        break;
    case field_type::timestamp:
        w.fixed("TIMESTAMP", timestamp_code(c), SQL_TIMESTAMP, 24, 16);
        w.digits(4);
        w.sub(SQL_CODE_TIMESTAMP);
        break;
    case field_type::text:
    case field_type::varying: {
        const bool varying = type == field_type::varying;
        w.name(varying ? "CHARACTER VARYING" : "CHAR");
        w.data_type(varying ? SQL_VARCHAR : SQL_CHAR);
        w.null_digits();
        w.null_radix();
        w.null_sub();
        w.octet(length);
        break;
    }
    case field_type::blob: {
        const bool text = sub_type == blob_subtype_text;
        const long long size = c.hide_varchar ? hidden_blob_size : blob_size;
        const int code = text ? (c.hide_varchar ? SQL_VARCHAR : SQL_LONGVARCHAR)
                              : (c.hide_varchar ? SQL_VARBINARY : SQL_LONGVARBINARY);
        w.fixed(text ? "BLOB SUB_TYPE TEXT" : "BLOB", code, code, size, size);
        w.octet(size);
        break;
    }
    default:
        unknown_type(statement, row, data_type);
        return RowOutcome::error;
    }
    return RowOutcome::deliver;
}

}  // namespace

void reset_catalog_state(Statement& statement)
{
    statement.table_type_state = 0;
    statement.key_sequence = 1;
    statement.previous_ordinal = 0;
    statement.previous_name_length = 0;
    statement.previous_name[0] = '\0';
}

RowOutcome rewrite_catalog_row(Statement& statement)
{
    if (statement.output_sqlda == nullptr || statement.connection == nullptr) return RowOutcome::deliver;
    Row row(statement);
    const Context c = context_of(statement);
    switch (statement.catalog_kind) {
    case SQL_API_SQLTABLES: return rewrite_tables(statement, row, c);
    case SQL_API_SQLCOLUMNS: return rewrite_columns(statement, row, c);
    case SQL_API_SQLSPECIALCOLUMNS: return rewrite_special_columns(statement, row, c);
    case SQL_API_SQLSTATISTICS: return rewrite_statistics(statement, row, c);
    case SQL_API_SQLPRIMARYKEYS: return rewrite_primary_keys(statement, row, c);
    case SQL_API_SQLFOREIGNKEYS: return rewrite_foreign_keys(statement, row, c);
    case SQL_API_SQLTABLEPRIVILEGES: return rewrite_table_privileges(statement, row, c);
    case SQL_API_SQLPROCEDURES: schema_rule(row, 2, c); return RowOutcome::deliver;
    case SQL_API_SQLPROCEDURECOLUMNS: return rewrite_procedure_columns(statement, row, c);
    default: return RowOutcome::deliver;  // SQLGetTypeInfo, SQLColumnPrivileges
    }
}
