// The catalog functions through the driver manager against the catalog
// fixture (tests/odbc/fixtures/catalog.sql): the rows and values of each
// result set, the ODBC 2 and ODBC 3 forms, the schema and type switches of
// the data source, names with quotes and outside ASCII, and the transaction
// the catalog statements run in.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using namespace odbc_test;

using Value = std::optional<std::string>;
using Row = std::vector<Value>;
using Rows = std::vector<Row>;

// A copy of the fixture database for this test process, removed when the
// process ends.
struct CatalogCopy {
    std::string path;
    CatalogCopy()
    {
        std::string source = required_env("BROLIX_CATALOG_DATABASE");
        path = required_env("BROLIX_TEST_DIR") + "/catalog-" + std::to_string(getpid()) + ".fdb";
        std::error_code error;
        std::filesystem::copy_file(source, path, std::filesystem::copy_options::overwrite_existing, error);
        if (error) ADD_FAILURE() << "cannot copy " << source << ": " << error.message();
    }
    ~CatalogCopy() { std::remove(path.c_str()); }
};

const std::string& catalog_database()
{
    static const CatalogCopy copy;
    return copy.path;
}

Env environment(SQLINTEGER version)
{
    Env env(SQL_NULL_HANDLE);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(version)), 0);
    return env;
}

// A connection to this process's copy of the fixture, on UTF8.
struct Connected {
    Env env;
    Dbc dbc;
    explicit Connected(const std::string& options = "", SQLINTEGER version = SQL_OV_ODBC3)
        : env(environment(version)), dbc(env)
    {
        std::string in = "DRIVER={Tarnwell Firebird ODBC};DATABASE=" + catalog_database() +
                         ";UID=SYSDBA;CHARSET=UTF8;" + options;
        SQLRETURN rc =
            SQLDriverConnect(dbc, nullptr, sql(in.c_str()), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        EXPECT_TRUE(SQL_SUCCEEDED(rc)) << dbc.diag();
    }
    ~Connected() { SQLDisconnect(dbc); }
};

// Every row of a result, each column read as narrow text (NULL as nullopt);
// the cursor is closed afterwards.
Rows fetch_all(SQLHSTMT s)
{
    Rows rows;
    SQLSMALLINT columns = 0;
    EXPECT_EQ(SQLNumResultCols(s, &columns), SQL_SUCCESS);
    SQLRETURN rc;
    while ((rc = SQLFetch(s)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
        Row row;
        for (SQLUSMALLINT i = 1; i <= columns; ++i) {
            char text[512];
            SQLLEN indicator = 0;
            EXPECT_TRUE(SQL_SUCCEEDED(SQLGetData(s, i, SQL_C_CHAR, text, sizeof text, &indicator)))
                << diagnostics(SQL_HANDLE_STMT, s);
            row.push_back(indicator == SQL_NULL_DATA ? Value() : Value(text));
        }
        rows.push_back(row);
    }
    EXPECT_EQ(rc, SQL_NO_DATA) << diagnostics(SQL_HANDLE_STMT, s);
    EXPECT_EQ(SQLFreeStmt(s, SQL_CLOSE), SQL_SUCCESS);
    return rows;
}

// Column n (from 1) of every row.
std::vector<Value> column(const Rows& rows, size_t n)
{
    std::vector<Value> out;
    for (const Row& r : rows) out.push_back(r.at(n - 1));
    return out;
}

// The rows whose column n holds `value`.
Rows where(const Rows& rows, size_t n, const std::string& value)
{
    Rows out;
    for (const Row& r : rows)
        if (r.at(n - 1) == value) out.push_back(r);
    return out;
}

SQLSMALLINT result_columns(SQLHSTMT s)
{
    SQLSMALLINT n = -1;
    SQLNumResultCols(s, &n);
    return n;
}

std::string first_state(SQLHSTMT s)
{
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR text[512];
    SQLSMALLINT length = 0;
    SQLGetDiagRec(SQL_HANDLE_STMT, s, 1, state, &native, text, sizeof text, &length);
    return reinterpret_cast<char*>(state);
}

Rows tables(SQLHDBC dbc, const char* schema, const char* table, const char* types)
{
    Stmt s(dbc);
    EXPECT_EQ(SQLTables(s, nullptr, 0, sql(schema), SQL_NTS, sql(table), SQL_NTS, sql(types), SQL_NTS), SQL_SUCCESS)
        << s.diag();
    return fetch_all(s);
}

TEST(Catalog, TablesChoosesPartsByTypeList)
{
    Connected c;
    {
        // No arguments: every relation, sorted by type, then owner and name.
        Rows all = tables(c.dbc, nullptr, nullptr, nullptr);
        std::vector<Value> types = column(all, 4);
        EXPECT_TRUE(std::is_sorted(types.begin(), types.end()));
        EXPECT_EQ(where(all, 3, "ALL_TYPES").at(0)[3], "TABLE");
        EXPECT_EQ(where(all, 3, "EMP_VIEW").at(0)[3], "VIEW");
        EXPECT_EQ(where(all, 3, "RDB$RELATIONS").at(0)[3], "SYSTEM TABLE");
        EXPECT_EQ(all.at(0).size(), 5u);

        struct Case {
            const char* list;
            std::set<std::string> types;
        };
        const Case cases[] = {
            {"'TABLE','VIEW'", {"TABLE", "VIEW"}},
            {"\"TABLE\", \"VIEW\"", {"TABLE", "VIEW"}},
            {"table", {"TABLE"}},
            {"SYSTEM", {"SYSTEM TABLE"}},
            {"VIEW", {"VIEW"}},
            {"NONSENSE", {}},
        };
        for (const Case& k : cases) {
            SCOPED_TRACE(k.list);
            std::set<std::string> found;
            for (const Value& v : column(tables(c.dbc, nullptr, nullptr, k.list), 4)) found.insert(v.value_or("NULL"));
            EXPECT_EQ(found, k.types);
        }

        // "%" enumerates the types, whatever the other arguments hold.
        Rows enumerated = tables(c.dbc, "NOBODY", "NOTHING", "%");
        EXPECT_EQ(column(enumerated, 4), (std::vector<Value>{"SYSTEM", "TABLE", "VIEW"}));
        EXPECT_EQ(enumerated.at(0)[2], std::nullopt);

        // The catalog-only call: no catalogs, an empty result.
        Stmt s(c.dbc);
        ASSERT_EQ(SQLTables(s, sql("%"), SQL_NTS, sql(""), 0, sql(""), 0, sql(""), 0), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(result_columns(s), 5);
        EXPECT_TRUE(fetch_all(s).empty());
    }
}

TEST(Catalog, TablesNamesPatternsAndQuotes)
{
    Connected c;
    struct Case {
        const char* schema;
        const char* table;
        std::set<std::string> names;
    };
    const Case cases[] = {
        {nullptr, "EMP%", {"EMP", "EMP_VIEW"}},   // pattern clause
        {nullptr, "EMP", {"EMP"}},                // exact clause
        {nullptr, "E_P", {}},                     // an underscore alone is no pattern
        {nullptr, "emp", {}},                     // unquoted names are compared as given
        {nullptr, "\"emp\"", {"EMP"}},            // a quoted name is folded to upper case
        {"SYSDBA", "DEPT", {"DEPT"}},             // owner and name
        {"", "DEPT", {}},                         // an empty owner matches none
        {nullptr, "O'Brien", {"O'Brien"}},        // the quote is doubled in the literal
        {nullptr, "O'Br%", {"O'Brien"}},
        {nullptr, "x' OR '1'='1", {}},            // and cannot end it
        {nullptr, "A--B{fn X()}", {}},            // the driver's own text is never rewritten
        {nullptr, "Таблица", {"Таблица"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.table);
        std::set<std::string> found;
        for (const Value& v : column(tables(c.dbc, k.schema, k.table, "TABLE,VIEW"), 3)) found.insert(v.value_or("NULL"));
        EXPECT_EQ(found, k.names);
    }

    // A name longer than a name can be is refused, not cut.
    Stmt s(c.dbc);
    std::string long_name(300, 'A');
    EXPECT_EQ(SQLTables(s, nullptr, 0, nullptr, 0, sql(long_name.c_str()), SQL_NTS, nullptr, 0), SQL_ERROR);
    EXPECT_EQ(first_state(s), "HY090");
}

TEST(Catalog, SchemaSwitches)
{
    struct Case {
        const char* options;
        Value schema;
    };
    const Case cases[] = {
        {"", std::string()},
        {"NULLSCHEMA=1", std::nullopt},
        {"SCHEMA=1", std::string("SYSDBA")},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.options);
        Connected c(k.options);
        EXPECT_EQ(tables(c.dbc, nullptr, "DEPT", nullptr).at(0)[1], k.schema);
        Stmt s(c.dbc);
        ASSERT_EQ(SQLForeignKeys(s, nullptr, 0, nullptr, 0, sql("DEPT"), SQL_NTS, nullptr, 0, nullptr, 0, nullptr, 0),
                  SQL_SUCCESS);
        Rows keys = fetch_all(s);
        ASSERT_FALSE(keys.empty());
        EXPECT_EQ(keys[0][1], k.schema);
        EXPECT_EQ(keys[0][5], k.schema);
    }
}

TEST(Catalog, WideAndUtf8NamesComeBackIntact)
{
    Connected c;
    const std::u16string table = u"Таблица";
    Stmt s(c.dbc);
    ASSERT_EQ(SQLColumnsW(s, nullptr, 0, nullptr, 0, const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(table.c_str())),
                          SQL_NTS, nullptr, 0),
              SQL_SUCCESS)
        << s.diag();
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    SQLWCHAR text[64];
    SQLLEN length = 0;
    ASSERT_EQ(SQLGetData(s, 3, SQL_C_WCHAR, text, sizeof text, &length), SQL_SUCCESS);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(text), length / 2), table);
    ASSERT_EQ(SQLGetData(s, 4, SQL_C_WCHAR, text, sizeof text, &length), SQL_SUCCESS);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(text), length / 2), u"Колонка");
    EXPECT_EQ(SQLFetch(s), SQL_NO_DATA);

    // The narrow form on the UTF8 connection, through the key functions.
    Stmt k(c.dbc);
    ASSERT_EQ(SQLPrimaryKeys(k, nullptr, 0, nullptr, 0, sql("Таблица"), SQL_NTS), SQL_SUCCESS) << k.diag();
    Rows keys = fetch_all(k);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0][2], "Таблица");
    EXPECT_EQ(keys[0][3], "Колонка");
}

// SQLColumns of ALL_TYPES: TYPE_NAME, DATA_TYPE, COLUMN_SIZE, BUFFER_LENGTH,
// DECIMAL_DIGITS, NUM_PREC_RADIX, NULLABLE, SQL_DATA_TYPE, SQL_DATETIME_SUB,
// CHAR_OCTET_LENGTH, IS_NULLABLE; "N" stands for NULL.
struct ColumnCase {
    const char* name;
    std::vector<const char*> odbc3;
    std::vector<const char*> odbc2;  // empty: as odbc3
};

const ColumnCase all_types[] = {
    {"C_SMALL", {"SMALLINT", "5", "6", "2", "N", "N", "1", "5", "N", "N", "YES"}, {}},
    {"C_INT", {"INTEGER", "4", "11", "4", "N", "N", "0", "4", "N", "N", "NO"}, {}},
    {"C_BIG", {"NUMERIC", "2", "19", "20", "0", "10", "1", "2", "N", "N", "YES"},
     {"DECIMAL", "3", "19", "20", "0", "10", "1", "3", "N", "N", "YES"}},
    {"C_N92", {"NUMERIC", "2", "9", "11", "2", "10", "1", "2", "N", "N", "YES"},
     {"DECIMAL", "3", "9", "11", "2", "10", "1", "3", "N", "N", "YES"}},
    {"C_N184", {"NUMERIC", "2", "18", "20", "4", "10", "1", "2", "N", "N", "YES"},
     {"DECIMAL", "3", "18", "20", "4", "10", "1", "3", "N", "N", "YES"}},
    {"C_FLOAT", {"FLOAT", "7", "7", "4", "N", "2", "1", "7", "N", "N", "YES"}, {}},
    {"C_DOUBLE", {"DOUBLE PRECISION", "8", "15", "8", "N", "2", "1", "8", "N", "N", "YES"}, {}},
    {"C_DATE", {"DATE", "91", "10", "6", "N", "N", "1", "9", "1", "N", "YES"},
     {"DATE", "9", "10", "6", "N", "N", "1", "9", "1", "N", "YES"}},
    {"C_TIME", {"TIME", "92", "8", "6", "N", "N", "1", "10", "N", "N", "YES"},
     {"TIME", "10", "8", "6", "N", "N", "1", "10", "N", "N", "YES"}},
    {"C_TS", {"TIMESTAMP", "93", "24", "16", "4", "N", "1", "11", "3", "N", "YES"},
     {"TIMESTAMP", "11", "24", "16", "4", "N", "1", "11", "3", "N", "YES"}},
    {"C_BOOL", {"BOOLEAN", "-7", "1", "1", "N", "N", "1", "-7", "N", "N", "YES"}, {}},
    {"C_CHAR", {"CHAR", "1", "5", "5", "N", "N", "1", "1", "N", "5", "YES"}, {}},
    // UTF8 text: the server's length counts bytes (four per character).
    {"C_NCHAR", {"NCHAR", "-8", "20", "40", "N", "N", "1", "-8", "N", "40", "YES"}, {}},
    {"C_VC", {"CHARACTER VARYING", "12", "10", "10", "N", "N", "1", "12", "N", "10", "YES"}, {}},
    {"C_NVC", {"NATIONAL CHARACTER VARYING", "-9", "40", "80", "N", "N", "0", "-9", "N", "80", "NO"}, {}},
    {"C_TEXT",
     {"BLOB SUB_TYPE TEXT", "-1", "2147483647", "2147483647", "N", "N", "1", "-1", "N", "2147483647", "YES"}, {}},
    {"C_BIN", {"BLOB", "-4", "2147483647", "2147483647", "N", "N", "1", "-4", "N", "2147483647", "YES"}, {}},
};

// The checked columns of an SQLColumns row, in the order of ColumnCase.
std::vector<std::string> type_columns(const Row& r)
{
    std::vector<std::string> out;
    for (size_t n : {6, 5, 7, 8, 9, 10, 11, 14, 15, 16, 18}) out.push_back(r.at(n - 1).value_or("N"));
    return out;
}

Rows columns_of(SQLHDBC dbc, const char* table, const char* column)
{
    Stmt s(dbc);
    EXPECT_EQ(SQLColumns(s, nullptr, 0, nullptr, 0, sql(table), SQL_NTS, sql(column), SQL_NTS), SQL_SUCCESS)
        << s.diag();
    return fetch_all(s);
}

TEST(Catalog, ColumnsOfEveryTypeInBothOdbcVersions)
{
    for (SQLINTEGER version : {SQL_OV_ODBC3, SQL_OV_ODBC2}) {
        SCOPED_TRACE(version);
        Connected c("", version);
        Rows rows = columns_of(c.dbc, "ALL_TYPES", nullptr);
        ASSERT_EQ(rows.size(), std::size(all_types));
        for (size_t i = 0; i < rows.size(); ++i) {
            const ColumnCase& k = all_types[i];
            SCOPED_TRACE(k.name);
            EXPECT_EQ(rows[i][0], std::nullopt) << "TABLE_CAT";
            EXPECT_EQ(rows[i][2], "ALL_TYPES");
            EXPECT_EQ(rows[i][3], k.name);
            EXPECT_EQ(rows[i][11], std::nullopt) << "REMARKS";
            EXPECT_EQ(rows[i][16], std::to_string(i + 1)) << "ORDINAL_POSITION";
            const auto& expected = version == SQL_OV_ODBC2 && !k.odbc2.empty() ? k.odbc2 : k.odbc3;
            EXPECT_EQ(type_columns(rows[i]), std::vector<std::string>(expected.begin(), expected.end()));
        }
    }
}

TEST(Catalog, ColumnsArgumentsAndSwitches)
{
    {
        Connected c;
        EXPECT_EQ(columns_of(c.dbc, "ALL_TYPES", "%").size(), std::size(all_types)) << "\"%\" adds no clause";
        EXPECT_EQ(columns_of(c.dbc, "ALL_TYPES", "C_INT").size(), 1u);
        // The backslash is removed and the value used as a pattern.
        EXPECT_EQ(column(columns_of(c.dbc, "EMP\\_VIEW", nullptr), 4), (std::vector<Value>{"ID", "NAME"}));
        EXPECT_EQ(column(columns_of(c.dbc, "O'Brien", nullptr), 4), (std::vector<Value>{"ID"}));
        // An empty owner does not filter here.
        Stmt s(c.dbc);
        ASSERT_EQ(SQLColumns(s, nullptr, 0, sql(""), SQL_NTS, sql("DEPT"), SQL_NTS, nullptr, 0), SQL_SUCCESS);
        EXPECT_EQ(fetch_all(s).size(), 3u);
    }
    struct Case {
        const char* options;
        const char* column;
        std::vector<const char*> expected;
    };
    const Case cases[] = {
        {"FIXPRECISION=1", "C_N92", {"NUMERIC", "2", "11", "13", "2", "10", "1", "2", "N", "N", "YES"}},
        {"FIXPRECISION=1", "C_SMALL", {"SMALLINT", "5", "6", "2", "N", "N", "1", "5", "N", "N", "YES"}},
        {"HIDEVARCHAR=1", "C_TEXT", {"BLOB SUB_TYPE TEXT", "12", "32000", "32000", "N", "N", "1", "12", "N", "32000", "YES"}},
        {"HIDEVARCHAR=1", "C_BIN", {"BLOB", "-3", "32000", "32000", "N", "N", "1", "-3", "N", "32000", "YES"}},
    };
    // COLUMN_DEF: the default's text with WithDefault, else NULL.
    for (const char* options : {"", "WITHDEFAULT=1"}) {
        SCOPED_TRACE(options);
        Connected c(options);
        Rows rows = columns_of(c.dbc, "DEPT", "NAME");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][12], *options ? Value("DEFAULT 'none'") : Value()) << "COLUMN_DEF";
    }
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.options) + " " + k.column);
        Connected c(k.options);
        Rows rows = columns_of(c.dbc, "ALL_TYPES", k.column);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(type_columns(rows[0]), std::vector<std::string>(k.expected.begin(), k.expected.end()));
    }
}

TEST(Catalog, TypeInfo)
{
    struct Case {
        SQLSMALLINT type;
        bool wide;
        SQLINTEGER version;
        std::vector<Value> data_types;
    };
    const std::vector<Value> narrow_all = {"-4", "-1", "1", "2", "3", "4", "5", "6", "8", "12", "91", "92", "93"};
    std::vector<Value> wide_all = {"-9", "-8"};
    wide_all.insert(wide_all.end(), narrow_all.begin(), narrow_all.end());
    const Case cases[] = {
        {SQL_ALL_TYPES, false, SQL_OV_ODBC3, narrow_all},
        {SQL_ALL_TYPES, true, SQL_OV_ODBC3, wide_all},
        {SQL_WCHAR, false, SQL_OV_ODBC3, {}},
        {SQL_WCHAR, true, SQL_OV_ODBC3, {"-8"}},
        {SQL_BIGINT, false, SQL_OV_ODBC3, {"2"}},
        {SQL_TYPE_DATE, false, SQL_OV_ODBC2, {"9"}},
        {SQL_TIMESTAMP, false, SQL_OV_ODBC3, {"93"}},
        {SQL_BIT, false, SQL_OV_ODBC3, {}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.type) + (k.wide ? " wide" : " narrow") + " v" + std::to_string(k.version));
        Connected c("", k.version);
        Stmt s(c.dbc);
        ASSERT_EQ(k.wide ? SQLGetTypeInfoW(s, k.type) : SQLGetTypeInfo(s, k.type), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(result_columns(s), 19);
        Rows rows = fetch_all(s);
        EXPECT_EQ(column(rows, 2), k.data_types);
    }
    // The values of one row: the stored name stands where the row says so.
    Connected c;
    Stmt s(c.dbc);
    ASSERT_EQ(SQLGetTypeInfo(s, SQL_TYPE_TIMESTAMP), SQL_SUCCESS);
    Rows rows = fetch_all(s);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (Row{"TIMESTAMP", "93", "24", "{ts'", "'}", std::nullopt, "1", "0", "3", std::nullopt, "0",
                            std::nullopt, "TIMESTAMP", "4", "4", "9", "3", std::nullopt, std::nullopt}));
}

TEST(Catalog, PrimaryKeysAndSpecialColumns)
{
    Connected c;
    Stmt s(c.dbc);
    ASSERT_EQ(SQLPrimaryKeys(s, nullptr, 0, nullptr, 0, sql("DEPT"), SQL_NTS), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(fetch_all(s), (Rows{{std::nullopt, "", "DEPT", "ID", "1", "PRIMARYKEY"}}));

    ASSERT_EQ(SQLSpecialColumns(s, SQL_BEST_ROWID, nullptr, 0, nullptr, 0, sql("DEPT"), SQL_NTS, SQL_SCOPE_SESSION,
                                SQL_NULLABLE),
              SQL_SUCCESS)
        << s.diag();
    EXPECT_EQ(fetch_all(s), (Rows{{"2", "ID", "4", "INTEGER", "4", "4", "0", "1"}}));
    // DECIMAL_DIGITS counts digits: the stored scale is negative.
    ASSERT_EQ(SQLSpecialColumns(s, SQL_BEST_ROWID, nullptr, 0, nullptr, 0, sql("LEDGER"), SQL_NTS, SQL_SCOPE_SESSION,
                                SQL_NULLABLE),
              SQL_SUCCESS)
        << s.diag();
    EXPECT_EQ(fetch_all(s), (Rows{{"2", "ENTRY", "2", "NUMERIC", "4", "4", "2", "1"}}));

    ASSERT_EQ(SQLSpecialColumns(s, SQL_ROWVER, nullptr, 0, nullptr, 0, sql("DEPT"), SQL_NTS, SQL_SCOPE_SESSION,
                                SQL_NULLABLE),
              SQL_SUCCESS);
    EXPECT_EQ(result_columns(s), 8);
    EXPECT_TRUE(fetch_all(s).empty());
}

TEST(Catalog, ForeignKeysInTheirThreeCases)
{
    Connected c;
    Stmt s(c.dbc);
    // PKTABLE_NAME, PKCOLUMN_NAME, FKTABLE_NAME, FKCOLUMN_NAME, KEY_SEQ,
    // UPDATE_RULE, DELETE_RULE, FK_NAME; the carried rule texts are gone.
    auto essentials = [](const Rows& rows) {
        std::vector<std::vector<Value>> out;
        for (const Row& r : rows) {
            EXPECT_EQ(r[0], std::nullopt);
            EXPECT_EQ(r[4], std::nullopt);
            out.push_back({r[2], r[3], r[6], r[7], r[8], r[9], r[10], r[11]});
        }
        return out;
    };
    const std::vector<Value> boss = {"DEPT", "ID", "EMP", "BOSS_DEPT", "1", "3", "3", "EMP_BOSS"};
    const std::vector<Value> cascade = {"DEPT", "ID", "EMP", "DEPT_ID", "1", "3", "0", "EMP_DEPT"};
    const std::vector<Value> set_null = {"DEPT", "ID", "LEDGER", "DEPT_ID", "1", "3", "2", "LEDGER_DEPT"};

    ASSERT_EQ(SQLForeignKeys(s, nullptr, 0, nullptr, 0, sql("DEPT"), SQL_NTS, nullptr, 0, nullptr, 0, nullptr, 0),
              SQL_SUCCESS)
        << s.diag();
    std::vector<std::vector<Value>> found = essentials(fetch_all(s));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::vector<Value>>{boss, cascade, set_null}));

    ASSERT_EQ(SQLForeignKeys(s, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, sql("EMP"), SQL_NTS),
              SQL_SUCCESS);
    found = essentials(fetch_all(s));
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::vector<Value>>{boss, cascade}));

    ASSERT_EQ(SQLForeignKeys(s, nullptr, 0, nullptr, 0, sql("DEPT"), SQL_NTS, nullptr, 0, nullptr, 0, sql("DEPT"),
                             SQL_NTS),
              SQL_SUCCESS);
    EXPECT_TRUE(fetch_all(s).empty());
}

TEST(Catalog, StatisticsNumbersEachIndex)
{
    Connected c;
    Stmt s(c.dbc);
    // NON_UNIQUE, INDEX_NAME, TYPE, ORDINAL_POSITION, COLUMN_NAME, and
    // ASC_OR_DESC checked on the way.
    auto essentials = [](const Rows& rows) {
        std::vector<std::vector<Value>> out;
        for (const Row& r : rows) {
            EXPECT_EQ(r[9], r[6] == "0" ? Value() : Value("A"));
            out.push_back({r[3], r[5], r[6], r[7], r[8]});
        }
        return out;
    };
    const Value none;
    ASSERT_EQ(SQLStatistics(s, nullptr, 0, nullptr, 0, sql("EMP"), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK), SQL_SUCCESS)
        << s.diag();
    std::vector<std::vector<Value>> rows = essentials(fetch_all(s));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<Value>{none, none, "0", none, none}));
    EXPECT_EQ(rows[1][0], "0");
    EXPECT_EQ(rows[1][4], "ID");
    EXPECT_EQ(rows[2], (std::vector<Value>{"1", "EMP_NAME_DEPT", "3", "1", "NAME"}));
    EXPECT_EQ(rows[3], (std::vector<Value>{"1", "EMP_NAME_DEPT", "3", "2", "DEPT_ID"}));

    ASSERT_EQ(SQLStatistics(s, nullptr, 0, nullptr, 0, sql("DEPT"), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK), SQL_SUCCESS);
    rows = essentials(fetch_all(s));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3], (std::vector<Value>{"1", "DEPT_NAME", "3", "1", "NAME"}));
    EXPECT_EQ((std::vector<Value>{rows[1][0], rows[1][3], rows[2][0], rows[2][3], rows[2][4]}),
              (std::vector<Value>{"0", "1", "0", "1", "CODE"}));

    ASSERT_EQ(SQLStatistics(s, nullptr, 0, nullptr, 0, sql("DEPT"), SQL_NTS, SQL_INDEX_UNIQUE, SQL_QUICK),
              SQL_SUCCESS);
    rows = essentials(fetch_all(s));
    ASSERT_EQ(rows.size(), 3u);
    for (size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i][0], "0");
}

TEST(Catalog, StatisticsNamesTypeAndPagesByDialect)
{
    struct Case {
        const char* options;
        const char* type;
        const char* pages;
    };
    const Case cases[] = {{"", "TYPE", "PAGES"}, {"DIALECT=1", "TYP", "PAG"}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.options);
        Connected c(k.options);
        Stmt s(c.dbc);
        ASSERT_EQ(SQLStatistics(s, nullptr, 0, nullptr, 0, sql("EMP"), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK), SQL_SUCCESS)
            << s.diag();
        SQLCHAR name[32];
        SQLSMALLINT length = 0;
        ASSERT_EQ(SQLDescribeCol(s, 7, name, sizeof name, &length, nullptr, nullptr, nullptr, nullptr), SQL_SUCCESS);
        EXPECT_STREQ(reinterpret_cast<char*>(name), k.type);
        ASSERT_EQ(SQLDescribeCol(s, 12, name, sizeof name, &length, nullptr, nullptr, nullptr, nullptr), SQL_SUCCESS);
        EXPECT_STREQ(reinterpret_cast<char*>(name), k.pages);
        EXPECT_EQ(fetch_all(s).size(), 4u);
    }
}

TEST(Catalog, ProceduresAndTheirColumns)
{
    {
        Connected c;
        Stmt s(c.dbc);
        struct Case {
            const char* name;
            std::vector<Value> found;
        };
        const Case cases[] = {
            {nullptr, {"ADD_DEPT", "DEPT_EMPLOYEES", "SET_ACTIVE"}},
            {"DEPT_EMPLOYEES", {"DEPT_EMPLOYEES"}},  // exact, against the blank-padded stored name
            {"DEPT%", {"DEPT_EMPLOYEES"}},
            {"DEPT", {}},
        };
        for (const Case& k : cases) {
            SCOPED_TRACE(k.name ? k.name : "null");
            ASSERT_EQ(SQLProcedures(s, nullptr, 0, nullptr, 0, sql(k.name), SQL_NTS), SQL_SUCCESS) << s.diag();
            Rows rows = fetch_all(s);
            EXPECT_EQ(column(rows, 3), k.found);
            for (const Row& r : rows) EXPECT_EQ(r[7], "0") << "PROCEDURE_TYPE";
        }
    }
    // PARAMETER_NAME, COLUMN_TYPE, DATA_TYPE, TYPE_NAME, COLUMN_SIZE,
    // DECIMAL_DIGITS, NULLABLE, ORDINAL_POSITION, IS_NULLABLE. An input and an
    // output parameter of the same number are one input/output parameter.
    auto essentials = [](const Rows& rows) {
        std::vector<std::vector<Value>> out;
        for (const Row& r : rows) out.push_back({r[3], r[4], r[5], r[6], r[7], r[9], r[11], r[17], r[18]});
        return out;
    };
    const Value none;
    struct Case {
        const char* options;
        const char* procedure;
        std::vector<std::vector<Value>> rows;
    };
    const Case cases[] = {
        {"", "DEPT_EMPLOYEES", {{"DEPT", "2", "4", "INTEGER", "11", none, "1", "1", "YES"}}},
        {"EXECPROC=1", "DEPT_EMPLOYEES",
         {{"DEPT", "2", "4", "INTEGER", "11", none, "1", "1", "YES"},
          {"EMP_NAME", "4", "12", "CHARACTER VARYING", "160", none, "1", "2", "YES"}}},
        {"", "ADD_DEPT",
         {{"NEW_ID", "2", "4", "INTEGER", "11", none, "1", "1", "YES"},
          {"NEW_NAME", "1", "12", "CHARACTER VARYING", "160", none, "1", "2", "YES"},
          {"RATE", "1", "2", "NUMERIC", "9", "2", "1", "3", "YES"}}},
        {"", "SET_ACTIVE", {{"ACTIVE", "1", "-7", "BOOLEAN", "1", none, "1", "1", "YES"}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.options) + " " + k.procedure);
        Connected c(k.options);
        Stmt s(c.dbc);
        ASSERT_EQ(SQLProcedureColumns(s, nullptr, 0, nullptr, 0, sql(k.procedure), SQL_NTS, nullptr, 0),
                  SQL_SUCCESS)
            << s.diag();
        EXPECT_EQ(essentials(fetch_all(s)), k.rows);
    }
}

TEST(Catalog, Privileges)
{
    Connected c;
    Stmt s(c.dbc);
    ASSERT_EQ(SQLTablePrivileges(s, nullptr, 0, nullptr, 0, sql("DEPT"), SQL_NTS), SQL_SUCCESS) << s.diag();
    // GRANTEE, PRIVILEGE, IS_GRANTABLE of the grants to others than the owner.
    std::set<std::vector<Value>> grants;
    std::set<Value> owner_privileges;
    for (const Row& r : fetch_all(s)) {
        EXPECT_EQ(r[2], "DEPT");
        if (r[4] == "SYSDBA") owner_privileges.insert(r[5]);
        else grants.insert({r[4], r[5], r[6]});
    }
    EXPECT_EQ(grants, (std::set<std::vector<Value>>{{"CLERK", "INSERT", "NO"},
                                                    {"CLERK", "SELECT", "NO"},
                                                    {"MANAGER", "UPDATE", "YES"}}));
    for (const char* p : {"SELECT", "INSERT", "UPDATE", "DELETE", "REFERENCES"})
        EXPECT_TRUE(owner_privileges.count(std::string(p))) << p;

    ASSERT_EQ(SQLColumnPrivileges(s, nullptr, 0, nullptr, 0, sql("DEPT"), SQL_NTS, nullptr, 0), SQL_SUCCESS);
    EXPECT_EQ(result_columns(s), 8);
    EXPECT_TRUE(fetch_all(s).empty());
}

TEST(Catalog, LeavesTheApplicationTransactionOpen)
{
    Connected c;
    ASSERT_EQ(SQLSetConnectAttr(c.dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
              SQL_SUCCESS);
    auto count_depts = [&] {
        Stmt s(c.dbc);
        EXPECT_EQ(SQLExecDirect(s, sql("SELECT COUNT(*) FROM DEPT"), SQL_NTS), SQL_SUCCESS) << s.diag();
        Rows rows = fetch_all(s);
        return rows.at(0).at(0).value_or("?");
    };
    {
        Stmt insert(c.dbc);
        ASSERT_EQ(SQLExecDirect(insert, sql("INSERT INTO DEPT (ID, CODE) VALUES (2, 'D2')"), SQL_NTS), SQL_SUCCESS)
            << insert.diag();
    }
    EXPECT_EQ(count_depts(), "2");
    // Catalog calls of several kinds, fetched to their end, in between.
    EXPECT_FALSE(tables(c.dbc, nullptr, "DEPT", nullptr).empty());
    EXPECT_EQ(columns_of(c.dbc, "DEPT", nullptr).size(), 3u);
    {
        Stmt s(c.dbc);
        ASSERT_EQ(SQLGetTypeInfo(s, SQL_ALL_TYPES), SQL_SUCCESS);
        EXPECT_EQ(fetch_all(s).size(), 13u);
    }
    EXPECT_EQ(count_depts(), "2") << "the insert is still there";
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, c.dbc, SQL_ROLLBACK), SQL_SUCCESS);
    EXPECT_EQ(count_depts(), "1") << "and was not committed by the catalog calls";
}

TEST(Catalog, ReadsPastUncommittedDefinitions)
{
    // The catalog reads the committed definitions: the application's own
    // uncommitted CREATE TABLE neither blocks it nor fails it.
    Connected c;
    ASSERT_EQ(SQLSetConnectAttr(c.dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
              SQL_SUCCESS);
    {
        Stmt ddl(c.dbc);
        ASSERT_EQ(SQLExecDirect(ddl, sql("CREATE TABLE NOT_YET (A INTEGER)"), SQL_NTS), SQL_SUCCESS) << ddl.diag();
    }
    EXPECT_TRUE(tables(c.dbc, nullptr, "NOT_YET", nullptr).empty());
    EXPECT_EQ(tables(c.dbc, nullptr, "DEPT", nullptr).size(), 1u);
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, c.dbc, SQL_COMMIT), SQL_SUCCESS);
    EXPECT_EQ(tables(c.dbc, nullptr, "NOT_YET", nullptr).size(), 1u);
}

}  // namespace
