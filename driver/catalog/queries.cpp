#include "queries.h"

#include <initializer_list>
#include <string_view>

#include "client_api.h"

namespace {

// ---- Select lists --------------------------------------------------------

std::string varchar(int length) { return "VARCHAR( " + std::to_string(length) + " )"; }

// "CAST( expression AS type ) AS NAME"
std::string item(std::string_view expression, std::string_view type, std::string_view name)
{
    std::string out = "CAST( ";
    out += expression;
    out += " AS ";
    out += type;
    out += " ) AS ";
    out += name;
    return out;
}

std::string select(std::initializer_list<std::string> items)
{
    std::string out = "SELECT ";
    bool first = true;
    for (const std::string& i : items) {
        if (!first) out += ", ";
        out += i;
        first = false;
    }
    out += ' ';
    return out;
}

// Widths of the name columns: 33 narrow, 66 (or 65) wide.
int name_width(const QueryOptions& o, int wide = 66) { return o.wide ? wide : 33; }
int remarks_width(const QueryOptions& o, int narrow = 253) { return o.wide ? 250 : narrow; }

// Appends clauses, remembering whether one of them was refused.
struct Composer {
    CatalogQuery query;
    void add(std::string_view text) { query.text += text; }
    void add(const Clause& clause)
    {
        if (clause.too_long) query.too_long = true;
        query.text += clause.text;
    }
};

// ---- SQLTables -----------------------------------------------------------

constexpr const char* tables_view_from =
    "FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0 AND EXISTS ( SELECT * FROM RDB$VIEW_RELATIONS WHERE "
    "RDB$VIEW_NAME = RDB$RELATIONS.RDB$RELATION_NAME )";
constexpr const char* tables_system_from =
    "FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 1 AND NOT EXISTS ( SELECT * FROM RDB$VIEW_RELATIONS WHERE "
    "RDB$VIEW_NAME = RDB$RELATIONS.RDB$RELATION_NAME )";
constexpr const char* tables_table_from =
    "FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0 AND NOT EXISTS ( SELECT * FROM RDB$VIEW_RELATIONS WHERE "
    "RDB$VIEW_NAME = RDB$RELATIONS.RDB$RELATION_NAME )";
constexpr const char* tables_empty_from = "FROM RDB$RELATIONS WHERE 1=0";
constexpr const char* tables_enumeration_from = "FROM RDB$RELATIONS ";
constexpr const char* tables_order_by = " ORDER BY 4, 1, 2, 3 ";

constexpr ClauseForm tables_schema_clause = {" AND RDB$OWNER_NAME = '%s' ",
                                             " AND RDB$OWNER_NAME LIKE '%s%%' ESCAPE '\\'  "};
constexpr ClauseForm tables_table_clause = {" AND RDB$RELATION_NAME = '%s' ",
                                            " AND RDB$RELATION_NAME LIKE '%s%%' ESCAPE '\\'  "};

std::string tables_select(const QueryOptions& o, const char* table_type, bool enumeration)
{
    const std::string name = varchar(name_width(o));
    const std::string type = "CHARACTER VARYING( " + std::to_string(o.wide ? 40 : 20) + " )";
    return select({item("NULL", name, "TABLE_CAT"), item(enumeration ? "NULL" : "RDB$OWNER_NAME", name, "TABLE_SCHEM"),
                   item(enumeration ? "NULL" : "RDB$RELATION_NAME", name, "TABLE_NAME"),
                   item(std::string("'") + table_type + "'", type, "TABLE_TYPE"),
                   item("NULL", varchar(remarks_width(o)), "REMARKS")});
}

// ---- SQLColumns ----------------------------------------------------------

constexpr const char* columns_from =
    "FROM RDB$RELATION_FIELDS, RDB$RELATIONS, RDB$FIELDS WHERE RDB$RELATION_FIELDS.RDB$FIELD_SOURCE = "
    "RDB$FIELDS.RDB$FIELD_NAME AND RDB$RELATIONS.RDB$RELATION_NAME = RDB$RELATION_FIELDS.RDB$RELATION_NAME ";
constexpr const char* columns_order_by = "ORDER BY 3, 17";
constexpr ClauseForm columns_schema_clause = {" AND RDB$RELATIONS.RDB$OWNER_NAME = '%s' ", nullptr};
constexpr ClauseForm columns_table_clause = {" AND RDB$RELATIONS.RDB$RELATION_NAME = '%s' ",
                                             " AND RDB$RELATIONS.RDB$RELATION_NAME LIKE '%s%%' ESCAPE '\\' "};
constexpr ClauseForm columns_column_clause = {" AND RDB$RELATION_FIELDS.RDB$FIELD_NAME = '%s' ",
                                              " AND RDB$RELATION_FIELDS.RDB$FIELD_NAME LIKE '%s%%' ESCAPE '\\' "};

// ---- SQLColumnPrivileges and SQLTablePrivileges --------------------------

constexpr const char* column_privileges_text =
    "SELECT CAST( NULL AS VARCHAR( 66 )) AS TABLE_CAT, CAST( NULL AS VARCHAR( 66 )) AS TABLE_SCHEM, "
    "CAST( NULL AS VARCHAR( 66 )) AS TABLE_NAME, CAST( NULL AS VARCHAR( 66 )) AS COLUMN_NAME, "
    "CAST( NULL AS VARCHAR( 66 )) AS GRANTOR, CAST( NULL AS VARCHAR( 66 )) AS GRANTEE, "
    "CAST( NULL AS VARCHAR( 66 )) AS PRIVILEGE, CAST( NULL AS VARCHAR( 66 )) AS IS_GRANTABLE "
    "FROM RDB$USER_PRIVILEGES WHERE 1=0";

constexpr const char* table_privileges_from =
    "FROM RDB$USER_PRIVILEGES ,RDB$RELATIONS WHERE "
    "RDB$USER_PRIVILEGES.RDB$RELATION_NAME=RDB$RELATIONS.RDB$RELATION_NAME ";
constexpr const char* table_privileges_order_by = " ORDER BY 1, 2, 3, 6 ";
constexpr ClauseForm table_privileges_schema_clause = {
    " AND RDB$RELATIONS.RDB$OWNER_NAME = '%s' ", " AND RDB$RELATIONS.RDB$OWNER_NAME LIKE '%s%%' ESCAPE '\\' "};
constexpr ClauseForm table_privileges_table_clause = {
    " AND RDB$RELATIONS.RDB$RELATION_NAME = '%s' ",
    " AND RDB$RELATIONS.RDB$RELATION_NAME LIKE '%s%%' ESCAPE '\\' "};

// ---- Keys, indexes and special columns -----------------------------------

constexpr ClauseForm relation_schema_clause = {" AND RDB$RELATIONS.RDB$OWNER_NAME = '%s' ", nullptr};
constexpr ClauseForm relation_table_clause = {" AND RDB$RELATIONS.RDB$RELATION_NAME = '%s' ", nullptr};

constexpr const char* primary_keys_from =
    "FROM RDB$INDEX_SEGMENTS, RDB$INDICES, RDB$FIELDS, RDB$RELATION_FIELDS, RDB$RELATIONS WHERE "
    "RDB$INDICES.RDB$INDEX_NAME = RDB$INDEX_SEGMENTS.RDB$INDEX_NAME AND RDB$INDICES.RDB$INDEX_NAME LIKE "
    "'RDB$PRIMARY%' AND RDB$RELATION_FIELDS.RDB$FIELD_SOURCE = RDB$FIELDS.RDB$FIELD_NAME AND "
    "RDB$RELATIONS.RDB$RELATION_NAME = RDB$RELATION_FIELDS.RDB$RELATION_NAME AND "
    "RDB$INDICES.RDB$RELATION_NAME = RDB$RELATION_FIELDS.RDB$RELATION_NAME AND "
    "RDB$INDEX_SEGMENTS.RDB$FIELD_NAME = RDB$RELATION_FIELDS.RDB$FIELD_NAME";
constexpr const char* primary_keys_order_by = " ORDER BY 1, 2, 3, 5 ";

constexpr const char* foreign_keys_from =
    "FROM RDB$RELATIONS pt, RDB$RELATION_CONSTRAINTS ps, RDB$INDEX_SEGMENTS pc,RDB$RELATIONS ft, "
    "RDB$RELATION_CONSTRAINTS fs, RDB$REF_CONSTRAINTS fx, RDB$INDEX_SEGMENTS fc WHERE "
    "ps.RDB$CONSTRAINT_TYPE='PRIMARY KEY' AND ps.RDB$RELATION_NAME=pt.RDB$RELATION_NAME AND "
    "ps.RDB$INDEX_NAME=pc.RDB$INDEX_NAME AND fx.RDB$CONST_NAME_UQ=ps.RDB$CONSTRAINT_NAME AND "
    "fc.RDB$FIELD_POSITION=pc.RDB$FIELD_POSITION AND fs.RDB$RELATION_NAME=ft.RDB$RELATION_NAME AND "
    "fx.RDB$CONSTRAINT_NAME=fs.RDB$CONSTRAINT_NAME AND fc.RDB$INDEX_NAME=fs.RDB$INDEX_NAME ";
constexpr ClauseForm fk_pk_schema_clause = {" AND pt.RDB$OWNER_NAME = '%s' ", nullptr};
constexpr ClauseForm fk_pk_table_clause = {" AND ps.RDB$RELATION_NAME = '%s' ", nullptr};
constexpr ClauseForm fk_fk_schema_clause = {" AND ft.RDB$OWNER_NAME = '%s' ", nullptr};
constexpr ClauseForm fk_fk_table_clause = {" AND fs.RDB$RELATION_NAME = '%s' ", nullptr};
constexpr const char* foreign_keys_order_by_fk = "ORDER BY 5, 6, 7";
constexpr const char* foreign_keys_order_by_pk = "ORDER BY 1, 2, 3";

constexpr const char* statistics_index_from =
    "FROM RDB$INDEX_SEGMENTS, RDB$INDICES, RDB$FIELDS, RDB$RELATION_FIELDS, RDB$RELATIONS WHERE "
    "RDB$INDICES.RDB$INDEX_NAME = RDB$INDEX_SEGMENTS.RDB$INDEX_NAME AND RDB$RELATION_FIELDS.RDB$FIELD_SOURCE = "
    "RDB$FIELDS.RDB$FIELD_NAME AND RDB$RELATIONS.RDB$RELATION_NAME = RDB$RELATION_FIELDS.RDB$RELATION_NAME AND "
    "RDB$INDICES.RDB$RELATION_NAME = RDB$RELATION_FIELDS.RDB$RELATION_NAME AND "
    "RDB$INDEX_SEGMENTS.RDB$FIELD_NAME = RDB$RELATION_FIELDS.RDB$FIELD_NAME AND "
    "RDB$INDICES.RDB$FOREIGN_KEY IS NULL AND RDB$INDICES.RDB$INDEX_NAME ";
constexpr const char* statistics_primary_condition = "LIKE 'RDB$PRIMARY%' ";
constexpr const char* statistics_other_condition = "NOT LIKE 'RDB$PRIMARY%' ";
constexpr const char* statistics_table_from = "FROM RDB$RELATIONS WHERE 1=1 ";
constexpr const char* statistics_unique_filter = "AND RDB$INDICES.RDB$UNIQUE_FLAG = 1 ";
constexpr const char* statistics_order_by = " ORDER BY 1, 4 DESC, 7, 5, 6, 8";
// ASC_OR_DESC is a VARCHAR: a CHAR( 1 ) reaches a UTF8 connection as four
// bytes, "A" and three blanks of padding.
constexpr const char* statistics_ascending = "CAST( 'A' AS VARCHAR( 1 ) CHARACTER SET ASCII ) ASC_OR_DESC";
constexpr const char* statistics_no_order = "CAST( NULL AS VARCHAR( 1 ) CHARACTER SET ASCII ) ASC_OR_DESC";

constexpr const char* special_columns_rowver_text =
    "SELECT CAST( NULL AS SMALLINT ) AS SCOPE, CAST( ' ' AS VARCHAR( 33 )) AS COLUMN_NAME, CAST( 1 AS "
    "SMALLINT ) AS DATA_TYPE, CAST( ' ' AS VARCHAR( 30 )) TYPE_NAME, CAST( 0 AS INTEGER ) AS COLUMN_SIZE, "
    "CAST( 0 AS INTEGER ) AS BUFFER_LENGTH, CAST( 0 AS INTEGER ) AS DECIMAL_DIGITS, CAST( 1 as SMALLINT ) "
    "AS PSEUDO_COLUMN FROM RDB$INDEX_SEGMENTS WHERE 1 = 0 ";
constexpr const char* special_columns_text =
    "SELECT CAST( RDB$FIELD_SUB_TYPE AS SMALLINT ) AS SCOPE, CAST( RDB$INDEX_SEGMENTS.RDB$FIELD_NAME AS "
    "VARCHAR( 33 ) ) AS COLUMN_NAME, CAST( RDB$FIELDS.RDB$FIELD_TYPE AS SMALLINT ) AS DATA_TYPE, "
    "CAST( ' ' AS VARCHAR( 30 ) ) TYPE_NAME, CAST( RDB$FIELDS.RDB$FIELD_LENGTH AS INTEGER ) AS COLUMN_SIZE, "
    "CAST( RDB$FIELDS.RDB$FIELD_LENGTH AS INTEGER ) AS BUFFER_LENGTH, CAST( RDB$FIELDS.RDB$FIELD_SCALE AS "
    "INTEGER ) AS DECIMAL_DIGITS, CAST( RDB$CHARACTER_SETS.RDB$CHARACTER_SET_ID AS SMALLINT ) AS "
    "PSEUDO_COLUMN "
    "FROM RDB$INDEX_SEGMENTS, RDB$INDICES, RDB$RELATION_FIELDS, RDB$RELATIONS, RDB$FIELDS LEFT OUTER JOIN "
    "RDB$CHARACTER_SETS ON RDB$CHARACTER_SETS.RDB$CHARACTER_SET_ID = RDB$FIELDS.RDB$CHARACTER_SET_ID WHERE "
    "RDB$INDICES.RDB$INDEX_NAME = RDB$INDEX_SEGMENTS.RDB$INDEX_NAME AND RDB$INDICES.RDB$INDEX_NAME LIKE "
    "'RDB$PRIMARY%' AND RDB$RELATION_FIELDS.RDB$FIELD_SOURCE = RDB$FIELDS.RDB$FIELD_NAME AND "
    "RDB$RELATIONS.RDB$RELATION_NAME = RDB$RELATION_FIELDS.RDB$RELATION_NAME AND "
    "RDB$INDICES.RDB$RELATION_NAME = RDB$RELATION_FIELDS.RDB$RELATION_NAME AND "
    "RDB$INDEX_SEGMENTS.RDB$FIELD_NAME = RDB$RELATION_FIELDS.RDB$FIELD_NAME ";

// ---- Procedures ----------------------------------------------------------

constexpr const char* procedures_from = "FROM RDB$PROCEDURES WHERE 1=1 ";
constexpr const char* procedures_order_by = " ORDER BY 1, 2, 3 ";
constexpr ClauseForm procedures_schema_clause = {" AND RDB$OWNER_NAME = '%s'  ",
                                                 " AND RDB$OWNER_NAME LIKE '%s%%' ESCAPE '\\'  "};
// The stored names are blank-padded CHARs, which a LIKE without a trailing
// '%' never matches: an exact name is compared with "=".
constexpr ClauseForm procedures_name_clause = {" AND RDB$PROCEDURE_NAME = '%s'  ",
                                               " AND RDB$PROCEDURE_NAME LIKE '%s%%' ESCAPE '\\'  "};

// The parameters table carries the alias C, which every reference uses.
constexpr const char* procedure_columns_from =
    "FROM RDB$PROCEDURES, RDB$FIELDS, RDB$PROCEDURE_PARAMETERS C WHERE RDB$PROCEDURES.RDB$PROCEDURE_NAME = "
    "C.RDB$PROCEDURE_NAME AND RDB$FIELDS.RDB$FIELD_NAME = C.RDB$FIELD_SOURCE ";
constexpr const char* procedure_columns_same_number =
    "( SELECT COUNT(*) FROM RDB$PROCEDURE_PARAMETERS A, RDB$PROCEDURE_PARAMETERS B WHERE   "
    "A.RDB$PROCEDURE_NAME = B.RDB$PROCEDURE_NAME AND   A.RDB$PARAMETER_NUMBER = B.RDB$PARAMETER_NUMBER AND   "
    "A.RDB$PROCEDURE_NAME = C.RDB$PROCEDURE_NAME AND   A.RDB$PARAMETER_NAME = C.RDB$PARAMETER_NAME )";
constexpr const char* procedure_columns_inputs_only = "AND C.RDB$PARAMETER_TYPE = 0 ";
constexpr const char* procedure_columns_order_by = "ORDER BY 1, 2, 3, 18, 5 ";
constexpr ClauseForm procedure_columns_schema_clause = {" AND RDB$PROCEDURES.RDB$OWNER_NAME = '%s' ", nullptr};
constexpr ClauseForm procedure_columns_name_clause = {" AND RDB$PROCEDURES.RDB$PROCEDURE_NAME = '%s' ", nullptr};
constexpr ClauseForm procedure_columns_column_clause = {" AND C.RDB$PARAMETER_NAME = '%s' ", nullptr};

// SQLTables and SQLTablePrivileges: quote folding, and an empty value still
// gives a clause (which matches no row).
Clause folded(NameArg arg, ClauseForm form)
{
    return name_clause(arg, form, Cleaning::quote_folding, EmptyValue::gives_clause);
}

// The other functions: backslash removal, and an empty value gives none.
Clause plain(NameArg arg, ClauseForm form)
{
    return name_clause(arg, form, Cleaning::backslash_removal, EmptyValue::gives_none);
}

// ColumnName "%" asks for every column: no clause.
bool every_column(NameArg arg)
{
    ArgValue v = argument_value(arg);
    return v.present && v.value == "%";
}

// The length rule of an argument for the catalog-only test of SQLTables.
bool explicit_empty(NameArg arg) { return arg.length == 0; }

}  // namespace

QueryOptions query_options(const Connection& connection)
{
    QueryOptions o;
    o.wide = client_major_version() >= 7;
    o.precision_form = connection.server_major >= 6 && connection.old_metadata == 0;
    o.with_default = connection.with_default != 0;
    o.exec_proc = connection.exec_proc != 0;
    o.dialect = connection.dialect;
    return o;
}

CatalogQuery tables_query(NameArg catalog, NameArg schema, NameArg table, NameArg table_type,
                          const QueryOptions& o)
{
    Composer c;
    TableTypes parts;
    const bool catalog_only = catalog.text != nullptr && (catalog.length >= 1 || catalog.length == SQL_NTS) &&
                              explicit_empty(schema) && explicit_empty(table) && explicit_empty(table_type);
    if (!catalog_only) {
        ArgValue types = argument_value(table_type);
        if (table_type.text == nullptr || (table_type.length < 1 && table_type.length != SQL_NTS)) {
            parts = {true, true, true};
        } else if (!types.value.empty() && types.value.front() == '%') {
            c.query.enumerate_types = true;
        } else {
            parts = parse_table_types(types.value);
        }
    }
    const Clause schema_clause = folded(schema, tables_schema_clause);
    const Clause table_clause = folded(table, tables_table_clause);
    auto add_part = [&](const char* type, const char* from) {
        if (!c.query.text.empty()) c.add(" UNION ");
        c.add(tables_select(o, type, false));
        c.add(from);
        c.add(schema_clause);
        c.add(table_clause);
    };
    if (parts.view) add_part("VIEW", tables_view_from);
    if (parts.system_table) add_part("SYSTEM TABLE", tables_system_from);
    if (parts.table) add_part("TABLE", tables_table_from);
    if (c.query.enumerate_types) {
        if (!c.query.text.empty()) c.add(" UNION ");
        c.add(tables_select(o, "TABLE", true));
        c.add(tables_enumeration_from);
    }
    if (c.query.text.empty()) {
        c.add(tables_select(o, "TABLE", false));
        c.add(tables_empty_from);
    } else {
        c.add(tables_order_by);
    }
    return c.query;
}

CatalogQuery columns_query(NameArg schema, NameArg table, NameArg column, const QueryOptions& o)
{
    Composer c;
    const std::string name = varchar(name_width(o));
    const std::string remarks = varchar(remarks_width(o));
    // The default's source text: RDB$DEFAULT_VALUE holds its compiled BLR.
    const std::string column_def = o.with_default ? "RDB$RELATION_FIELDS.RDB$DEFAULT_SOURCE AS COLUMN_DEF"
                                                  : item("NULL", remarks, "COLUMN_DEF");
    c.add(select({item("RDB$FIELDS.RDB$CHARACTER_SET_ID", name, "TABLE_CAT"),
                  item("RDB$RELATIONS.RDB$OWNER_NAME", name, "TABLE_SCHEM"),
                  item("RDB$RELATIONS.RDB$RELATION_NAME", name, "TABLE_NAME"),
                  item("RDB$RELATION_FIELDS.RDB$FIELD_NAME", name, "COLUMN_NAME"),
                  item("RDB$FIELDS.RDB$FIELD_TYPE", "SMALLINT", "DATA_TYPE"),
                  "CAST( ' ' AS VARCHAR( 30 ) ) TYPE_NAME",
                  item("RDB$FIELDS.RDB$FIELD_LENGTH", "INTEGER", "COLUMN_SIZE"),
                  item("RDB$FIELDS.RDB$FIELD_LENGTH", "INTEGER", "BUFFER_LENGTH"),
                  item("RDB$FIELDS.RDB$FIELD_SCALE", "SMALLINT", "DECIMAL_DIGITS"),
                  item(o.precision_form ? "RDB$FIELDS.RDB$FIELD_PRECISION" : "RDB$FIELDS.RDB$FIELD_LENGTH",
                       "SMALLINT", "NUM_PREC_RADIX"),
                  item("RDB$RELATION_FIELDS.RDB$NULL_FLAG", "SMALLINT", "NULLABLE"),
                  item("NULL", remarks, "REMARKS"), column_def,
                  item("RDB$FIELDS.RDB$FIELD_TYPE", "SMALLINT", "SQL_DATA_TYPE"),
                  item("RDB$FIELD_SUB_TYPE", "SMALLINT", "SQL_DATETIME_SUB"),
                  item("RDB$FIELDS.RDB$FIELD_LENGTH", "INTEGER", "CHAR_OCTET_LENGTH"),
                  item("RDB$RELATION_FIELDS.RDB$FIELD_POSITION+1", "INTEGER", "ORDINAL_POSITION"),
                  item("RDB$FIELDS.RDB$DIMENSIONS", "VARCHAR( 20 )", "IS_NULLABLE")}));
    c.add(columns_from);
    c.add(plain(schema, columns_schema_clause));
    c.add(plain(table, columns_table_clause));
    if (!every_column(column)) c.add(plain(column, columns_column_clause));
    c.add(columns_order_by);
    c.query.read_transaction = !o.with_default;
    return c.query;
}

CatalogQuery column_privileges_query()
{
    CatalogQuery q;
    q.text = column_privileges_text;
    return q;
}

CatalogQuery table_privileges_query(NameArg schema, NameArg table, const QueryOptions& o)
{
    Composer c;
    const std::string name = varchar(name_width(o));
    c.add(select({item("NULL", name, "TABLE_CAT"), item("RDB$RELATIONS.RDB$OWNER_NAME", name, "TABLE_SCHEM"),
                  item("RDB$RELATIONS.RDB$RELATION_NAME", name, "TABLE_NAME"),
                  item("RDB$USER_PRIVILEGES.RDB$GRANTOR", name, "GRANTOR"),
                  item("RDB$USER_PRIVILEGES.RDB$USER", name, "GRANTEE"),
                  item("RDB$USER_PRIVILEGES.RDB$PRIVILEGE", name, "PRIVILEGE"),
                  item("RDB$USER_PRIVILEGES.RDB$GRANT_OPTION", name, "IS_GRANTABLE")}));
    c.add(table_privileges_from);
    c.add(folded(schema, table_privileges_schema_clause));
    c.add(folded(table, table_privileges_table_clause));
    c.add(table_privileges_order_by);
    return c.query;
}

CatalogQuery primary_keys_query(NameArg schema, NameArg table, const QueryOptions& o)
{
    Composer c;
    const std::string name = varchar(name_width(o));
    c.add(select({item("NULL", name, "TABLE_CAT"), item("RDB$RELATIONS.RDB$OWNER_NAME", name, "TABLE_SCHEM"),
                  item("RDB$RELATIONS.RDB$RELATION_NAME", name, "TABLE_NAME"),
                  item("RDB$RELATION_FIELDS.RDB$FIELD_NAME", name, "COLUMN_NAME"),
                  item("RDB$INDEX_SEGMENTS.RDB$FIELD_POSITION", "SMALLINT", "KEY_SEQ"),
                  item("'PRIMARYKEY'", name, "PK_NAME")}));
    c.add(primary_keys_from);
    c.add(plain(schema, relation_schema_clause));
    c.add(plain(table, relation_table_clause));
    c.add(primary_keys_order_by);
    return c.query;
}

CatalogQuery foreign_keys_query(NameArg pk_schema, NameArg pk_table, NameArg fk_schema, NameArg fk_table,
                                const QueryOptions& o)
{
    Composer c;
    const std::string name = varchar(name_width(o, 65));
    c.add(select({item("fx.RDB$UPDATE_RULE", name, "PKTABLE_CAT"), item("pt.RDB$OWNER_NAME", name, "PKTABLE_SCHEM"),
                  item("ps.RDB$RELATION_NAME", name, "PKTABLE_NAME"), item("pc.RDB$FIELD_NAME", name, "PKCOLUMN_NAME"),
                  item("fx.RDB$DELETE_RULE", name, "FKTABLE_CAT"), item("ft.RDB$OWNER_NAME", name, "FKTABLE_SCHEM"),
                  item("fs.RDB$RELATION_NAME", name, "FKTABLE_NAME"), item("fc.RDB$FIELD_NAME", name, "FKCOLUMN_NAME"),
                  item("pc.RDB$FIELD_POSITION + 1", "SMALLINT", "KEY_SEQ"), item("0", "SMALLINT", "UPDATE_RULE"),
                  item("0", "SMALLINT", "DELETE_RULE"), item("fs.RDB$CONSTRAINT_NAME", name, "FK_NAME"),
                  item("ps.RDB$CONSTRAINT_NAME", name, "PK_NAME"), item("NULL", "SMALLINT", "DEFERRABLE")}));
    c.add(foreign_keys_from);
    auto given = [](NameArg a) {
        ArgValue v = argument_value(a);
        return v.present && !v.value.empty();
    };
    const bool has_pk = given(pk_table);
    const bool has_fk = given(fk_table);
    if (!has_pk || has_fk) {
        c.add(plain(fk_schema, fk_fk_schema_clause));
        c.add(plain(fk_table, fk_fk_table_clause));
    }
    if (has_pk) {
        c.add(plain(pk_schema, fk_pk_schema_clause));
        c.add(plain(pk_table, fk_pk_table_clause));
    }
    c.add(has_pk ? foreign_keys_order_by_fk : foreign_keys_order_by_pk);
    return c.query;
}

CatalogQuery statistics_query(NameArg schema, NameArg table, SQLUSMALLINT unique, const QueryOptions& o)
{
    Composer c;
    const std::string name = varchar(name_width(o, 65));
    const bool quoted = o.dialect >= 3;
    const char* type_name = quoted ? "\"TYPE\"" : "TYP";
    const char* pages_name = quoted ? "\"PAGES\"" : "PAG";
    const Clause schema_clause = plain(schema, relation_schema_clause);
    const Clause table_clause = plain(table, relation_table_clause);
    auto index_part = [&](const char* tag, const char* condition) {
        c.add(select({item(tag, name, "TABLE_CAT"), item("RDB$RELATIONS.RDB$OWNER_NAME", name, "TABLE_SCHEM"),
                      item("RDB$RELATIONS.RDB$RELATION_NAME", name, "TABLE_NAME"),
                      item("RDB$INDICES.RDB$UNIQUE_FLAG", "SMALLINT", "NON_UNIQUE"),
                      item("RDB$INDEX_SEGMENTS.RDB$INDEX_NAME", name, "INDEX_QUALIFIER"),
                      item("RDB$INDEX_SEGMENTS.RDB$INDEX_NAME", name, "INDEX_NAME"),
                      item("3", "SMALLINT", type_name),
                      item("RDB$INDEX_SEGMENTS.RDB$FIELD_POSITION", "SMALLINT", "ORDINAL_POSITION"),
                      item("RDB$INDEX_SEGMENTS.RDB$FIELD_NAME", name, "COLUMN_NAME"),
                      statistics_ascending,
                      item("NULL", "INTEGER", "CARDINALITY"), item("NULL", "INTEGER", pages_name),
                      item("NULL", name, "FILTER_CONDITION")}));
        c.add(statistics_index_from);
        c.add(condition);
        if (unique == SQL_INDEX_UNIQUE) c.add(statistics_unique_filter);
        c.add(schema_clause);
        c.add(table_clause);
    };
    index_part("'B'", statistics_primary_condition);
    c.add(" UNION ");
    index_part("'C'", statistics_other_condition);
    c.add(" UNION ");
    c.add(select({item("'A'", name, "TABLE_CAT"), item("RDB$OWNER_NAME", name, "TABLE_SCHEM"),
                  item("RDB$RELATION_NAME", name, "TABLE_NAME"), item("-1", "SMALLINT", "NON_UNIQUE"),
                  item("NULL", name, "INDEX_QUALIFIER"), item("NULL", name, "INDEX_NAME"),
                  item("0", "SMALLINT", type_name), item("NULL", "SMALLINT", "ORDINAL_POSITION"),
                  item("NULL", name, "COLUMN_NAME"), statistics_no_order,
                  item("NULL", "INTEGER", "CARDINALITY"), item("NULL", "INTEGER", pages_name),
                  item("NULL", name, "FILTER_CONDITION")}));
    c.add(statistics_table_from);
    c.add(schema_clause);
    c.add(table_clause);
    c.add(statistics_order_by);
    return c.query;
}

CatalogQuery special_columns_query(SQLUSMALLINT identifier_type, NameArg schema, NameArg table)
{
    Composer c;
    if (identifier_type == SQL_ROWVER) {
        c.add(special_columns_rowver_text);
        return c.query;
    }
    c.add(special_columns_text);
    c.add(plain(schema, relation_schema_clause));
    c.add(plain(table, relation_table_clause));
    return c.query;
}

CatalogQuery procedures_query(NameArg schema, NameArg procedure, const QueryOptions& o)
{
    Composer c;
    const std::string name = varchar(name_width(o));
    c.add(select({item("NULL", name, "PROCEDURE_CAT"), item("RDB$OWNER_NAME", name, "PROCEDURE_SCHEM"),
                  item("RDB$PROCEDURE_NAME", name, "PROCEDURE_NAME"), item("NULL", "INTEGER", "NUM_INPUT_PARAMS"),
                  item("NULL", "INTEGER", "NUM_OUTPUT_PARAMS"), item("NULL", "INTEGER", "NUM_RESULT_SETS"),
                  item("''", varchar(remarks_width(o, 255)), "REMARKS"), item("0", "SMALLINT", "PROCEDURE_TYPE")}));
    c.add(procedures_from);
    c.add(plain(schema, procedures_schema_clause));
    c.add(plain(procedure, procedures_name_clause));
    c.add(procedures_order_by);
    return c.query;
}

CatalogQuery procedure_columns_query(NameArg schema, NameArg procedure, NameArg column, const QueryOptions& o)
{
    Composer c;
    const std::string name = varchar(name_width(o));
    const std::string remarks = varchar(remarks_width(o));
    c.add(select({item("NULL", name, "PROCEDURE_CAT"), item("RDB$PROCEDURES.RDB$OWNER_NAME", name, "PROCEDURE_SCHEM"),
                  item("RDB$PROCEDURES.RDB$PROCEDURE_NAME", name, "PROCEDURE_NAME"),
                  item("C.RDB$PARAMETER_NAME", name, "PARAMETER_NAME"),
                  item("C.RDB$PARAMETER_TYPE", "SMALLINT", "COLUMN_TYPE"),
                  item("RDB$FIELDS.RDB$FIELD_TYPE", "SMALLINT", "DATA_TYPE"),
                  item("' '", "VARCHAR( 30 )", "TYPE_NAME"),
                  item("RDB$FIELDS.RDB$FIELD_LENGTH", "INTEGER", "COLUMN_SIZE"),
                  item("RDB$FIELDS.RDB$FIELD_LENGTH", "INTEGER", "BUFFER_LENGTH"),
                  item("RDB$FIELDS.RDB$FIELD_SCALE", "SMALLINT", "DECIMAL_DIGITS"),
                  item(o.precision_form ? "RDB$FIELDS.RDB$FIELD_PRECISION" : "RDB$FIELDS.RDB$FIELD_LENGTH",
                       "SMALLINT", "NUM_PREC_RADIX"),
                  item("0", "SMALLINT", "NULLABLE"), item("NULL", remarks, "REMARKS"),
                  item("NULL", remarks, "COLUMN_DEF"), item("RDB$FIELDS.RDB$FIELD_TYPE", "SMALLINT", "SQL_DATA_TYPE"),
                  item("RDB$FIELDS.RDB$FIELD_SUB_TYPE", "SMALLINT", "SQL_DATETIME_SUB"),
                  item("RDB$FIELDS.RDB$FIELD_LENGTH", "INTEGER", "CHAR_OCTET_LENGTH"),
                  item("C.RDB$PARAMETER_NUMBER+1", "INTEGER", "ORDINAL_POSITION"),
                  item(procedure_columns_same_number, "VARCHAR( 5 )", "IS_NULLABLE")}));
    c.add(procedure_columns_from);
    c.add(plain(schema, procedure_columns_schema_clause));
    c.add(plain(procedure, procedure_columns_name_clause));
    if (!every_column(column)) c.add(plain(column, procedure_columns_column_clause));
    if (!o.exec_proc) c.add(procedure_columns_inputs_only);
    c.add(procedure_columns_order_by);
    return c.query;
}
