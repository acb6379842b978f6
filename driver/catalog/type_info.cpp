#include "type_info.h"

#include <initializer_list>
#include <optional>
#include <string_view>

namespace {

// A value of a type row: text (a string literal), a number, or NULL; the
// stored RDB$TYPE_NAME where a row says so.
struct Value {
    enum Kind { null, number, text, stored } kind = null;
    long long n = 0;
    std::string_view s;
};
constexpr Value null_value() { return {}; }
constexpr Value num(long long n) { return {Value::number, n, {}}; }
constexpr Value txt(std::string_view s) { return {Value::text, 0, s}; }
constexpr Value stored_name() { return {Value::stored, 0, {}}; }

enum class Codes { plain, date_time };  // date/time rows change with the ODBC version

struct TypeRow {
    Value type_name;
    int data_type;         // the ODBC 3 code
    int odbc2_data_type;   // the ODBC 2 code (the same for all but date/time)
    long long column_size;
    Value prefix, suffix, create_params;
    int case_sensitive, searchable;
    Value unsigned_;
    Value local_type_name, minimum_scale, maximum_scale;
    int sql_data_type;
    Value datetime_sub, radix;
    const char* stored;         // the RDB$TYPES row read
    bool wide_only;
    std::initializer_list<int> selected_by;  // besides SQL_ALL_TYPES
};

const TypeRow rows[] = {
    {txt("CHARACTER"), SQL_CHAR, SQL_CHAR, 32765, txt("'"), txt("'"), txt("length"), 1, 3, num(0), txt("CHAR"),
     null_value(), null_value(), 1, null_value(), null_value(), "TEXT", false, {SQL_CHAR}},
    {txt("NATIONAL CHARACTER"), SQL_WCHAR, SQL_WCHAR, 16383, txt("'"), txt("'"), txt("length"), 1, 3, num(0),
     txt("NCHAR"), null_value(), null_value(), 1, null_value(), null_value(), "TEXT", true, {SQL_WCHAR}},
    {txt("CHARACTER VARYING"), SQL_VARCHAR, SQL_VARCHAR, 32765, txt("'"), txt("'"), txt("length"), 1, 3,
     null_value(), stored_name(), null_value(), null_value(), 12, null_value(), null_value(), "VARYING", false,
     {SQL_VARCHAR}},
    {txt("NATIONAL CHARACTER VARYING"), SQL_WVARCHAR, SQL_WVARCHAR, 16383, txt("'"), txt("'"), txt("length"), 1, 3,
     null_value(), txt("NVARCHAR"), null_value(), null_value(), 12, null_value(), null_value(), "VARYING", true,
     {SQL_WVARCHAR}},
    {txt("BLOB SUB_TYPE TEXT"), SQL_LONGVARCHAR, SQL_LONGVARCHAR, 2147483647, txt("'"), txt("'"), null_value(), 1,
     1, null_value(), stored_name(), null_value(), null_value(), -1, null_value(), null_value(), "BLOB", false,
     {SQL_LONGVARCHAR}},
    {txt("SMALLINT"), SQL_SMALLINT, SQL_SMALLINT, 5, null_value(), null_value(), null_value(), 0, 3, null_value(),
     stored_name(), null_value(), null_value(), 5, null_value(), num(10), "SHORT", false, {SQL_SMALLINT}},
    {txt("INTEGER"), SQL_INTEGER, SQL_INTEGER, 10, null_value(), null_value(), null_value(), 0, 3, null_value(),
     stored_name(), null_value(), null_value(), 4, null_value(), num(10), "LONG", false, {SQL_INTEGER}},
    {txt("FLOAT"), SQL_FLOAT, SQL_FLOAT, 53, null_value(), null_value(), null_value(), 0, 3, null_value(),
     stored_name(), null_value(), null_value(), 6, null_value(), num(2), "FLOAT", false, {SQL_FLOAT}},
    {txt("DOUBLE PRECISION"), SQL_DOUBLE, SQL_DOUBLE, 53, null_value(), null_value(), null_value(), 0, 3,
     null_value(), stored_name(), null_value(), null_value(), 8, null_value(), num(2), "DOUBLE", false,
     {SQL_DOUBLE}},
    {txt("NUMERIC"), SQL_NUMERIC, SQL_NUMERIC, 18, null_value(), null_value(), txt("precision,scale"), 0, 3,
     null_value(), txt("NUMERIC"), num(0), num(18), 2, null_value(), num(10), "QUAD", false,
     {SQL_NUMERIC, SQL_BIGINT}},
    {txt("DECIMAL"), SQL_DECIMAL, SQL_DECIMAL, 18, null_value(), null_value(), txt("precision,scale"), 0, 3,
     null_value(), txt("DECIMAL"), num(0), num(18), 3, null_value(), num(10), "QUAD", false, {SQL_DECIMAL}},
    {stored_name(), SQL_LONGVARBINARY, SQL_LONGVARBINARY, 2147483647, txt("0x"), null_value(), null_value(), 1, 1,
     null_value(), stored_name(), null_value(), null_value(), -4, null_value(), null_value(), "BLOB", false,
     {SQL_LONGVARBINARY}},
    {stored_name(), SQL_TYPE_DATE, SQL_DATE, 10, txt("{d'"), txt("'}"), null_value(), 0, 3, null_value(),
     stored_name(), null_value(), null_value(), 9, num(1), null_value(), "DATE", false, {SQL_DATE, SQL_TYPE_DATE}},
    {stored_name(), SQL_TYPE_TIME, SQL_TIME, 8, txt("{t'"), txt("'}"), null_value(), 0, 3, null_value(),
     stored_name(), null_value(), null_value(), 9, num(2), null_value(), "TIME", false, {SQL_TIME, SQL_TYPE_TIME}},
    {stored_name(), SQL_TYPE_TIMESTAMP, SQL_TIMESTAMP, 24, txt("{ts'"), txt("'}"), null_value(), 0, 3,
     null_value(), stored_name(), num(4), num(4), 9, num(3), null_value(), "TIMESTAMP", false,
     {SQL_TIMESTAMP, SQL_TYPE_TIMESTAMP}},
};

constexpr const char* stored_column = "RDB$TYPE_NAME";

std::string literal(std::string_view s)
{
    std::string out = "'";
    for (char c : s) {
        out += c;
        if (c == '\'') out += '\'';
    }
    out += '\'';
    return out;
}

std::string value_sql(const Value& v)
{
    switch (v.kind) {
    case Value::number: return std::to_string(v.n);
    case Value::text: return literal(v.s);
    case Value::stored: return stored_column;
    case Value::null: break;
    }
    return "NULL";
}

void add_item(std::string& out, const Value& v, const char* type, const char* name)
{
    if (out.back() != ' ') out += ", ";
    out += "CAST( " + value_sql(v) + " AS " + type + " ) AS " + name;
}

// One row's SELECT; `extra` is appended to its WHERE part.
std::string row_select(const TypeRow& row, bool odbc3, const Value& create_params, const Value& datetime_sub,
                       const char* extra)
{
    const int data_type = odbc3 ? row.data_type : row.odbc2_data_type;
    std::string out = "SELECT ";
    add_item(out, row.type_name, "CHARACTER VARYING( 50 )", "TYPE_NAME");
    add_item(out, num(data_type), "SMALLINT", "DATA_TYPE");
    add_item(out, num(row.column_size), "INTEGER", "COLUMN_SIZE");
    add_item(out, row.prefix, "CHARACTER VARYING( 20 )", "LITERAL_PREFIX");
    add_item(out, row.suffix, "CHARACTER VARYING( 20 )", "LITERAL_SUFFIX");
    add_item(out, create_params, "CHARACTER VARYING( 20 )", "CREATE_PARAMS");
    add_item(out, num(SQL_NULLABLE), "SMALLINT", "NULLABLE");
    add_item(out, num(row.case_sensitive), "SMALLINT", "CASE_SENSITIVE");
    add_item(out, num(row.searchable), "SMALLINT", "SEARCHABLE");
    add_item(out, row.unsigned_, "SMALLINT", "UNSIGNED");
    add_item(out, num(0), "SMALLINT", "FIXED_PREC_SCALE");
    add_item(out, null_value(), "SMALLINT", "AUTO_UNIQUE_VALUE");
    add_item(out, row.local_type_name, "CHARACTER VARYING( 50 )", "LOCAL_TYPE_NAME");
    add_item(out, row.minimum_scale, "SMALLINT", "MINIMUM_SCALE");
    add_item(out, row.maximum_scale, "SMALLINT", "MAXIMUM_SCALE");
    add_item(out, num(row.sql_data_type), "SMALLINT", "SQL_DATA_TYPE");
    add_item(out, datetime_sub, "SMALLINT", "SQL_DATETIME_SUB");
    add_item(out, row.radix, "INTEGER", "NUM_PREC_RADIX");
    add_item(out, null_value(), "SMALLINT", "INTERVAL_PRECISION");
    out += " FROM RDB$TYPES WHERE RDB$TYPE_NAME = ";
    out += literal(row.stored);
    out += " AND RDB$FIELD_NAME = 'RDB$FIELD_TYPE' ";
    out += extra;
    return out;
}

bool selects(const TypeRow& row, SQLSMALLINT data_type)
{
    if (data_type == SQL_ALL_TYPES) return true;
    for (int code : row.selected_by)
        if (code == data_type) return true;
    return false;
}

}  // namespace

std::string type_info_query(SQLSMALLINT data_type, bool wide, bool odbc3)
{
    std::string text;
    for (const TypeRow& row : rows) {
        if (row.wide_only && !wide) continue;
        if (!selects(row, data_type)) continue;
        if (!text.empty()) text += " UNION ";
        text += row_select(row, odbc3, row.create_params, row.datetime_sub, "");
    }
    if (text.empty()) {
        // The DATE row, made empty: the 19 columns and no row.
        const TypeRow& date = rows[12];
        text = row_select(date, true, txt("length"), null_value(), "AND 1=0 ");
    }
    text += "ORDER BY 2";
    return text;
}
