// Parameters through the driver manager: binding into the APD, the IPD the
// server's description of the markers gives, SQLNumParams and
// SQLDescribeParam.
#include <memory>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using namespace odbc_test;

SQLHDESC statement_descriptor(SQLHSTMT s, SQLINTEGER attribute)
{
    SQLHDESC desc = SQL_NULL_HDESC;
    EXPECT_EQ(SQLGetStmtAttr(s, attribute, &desc, 0, nullptr), SQL_SUCCESS);
    return desc;
}

SQLLEN number_field(SQLHDESC desc, SQLSMALLINT record, SQLSMALLINT field)
{
    // Every numeric field is read into a zeroed SQLLEN: the narrow ones fill
    // its low bytes.
    SQLLEN value = 0;
    EXPECT_EQ(SQLGetDescField(desc, record, field, &value, sizeof value, nullptr), SQL_SUCCESS)
        << "record " << record << " field " << field;
    if (field == SQL_DESC_OCTET_LENGTH || field == SQL_DESC_LENGTH || field == SQL_DESC_DISPLAY_SIZE)
        return value;
    if (field == SQL_DESC_NUM_PREC_RADIX) return static_cast<SQLINTEGER>(value);
    return static_cast<SQLSMALLINT>(value);
}

std::string text_field(SQLHDESC desc, SQLSMALLINT record, SQLSMALLINT field)
{
    SQLCHAR text[128] = {};
    EXPECT_EQ(SQLGetDescField(desc, record, field, text, sizeof text, nullptr), SQL_SUCCESS);
    return reinterpret_cast<char*>(text);
}

// A connection to this process's database with the given options and ODBC
// version.
class Parameters : public ::testing::Test {
protected:
    void connect(SQLINTEGER version = SQL_OV_ODBC3, const std::string& options = "")
    {
        disconnect();
        env = std::make_unique<Env>(SQLHANDLE{});
        ASSERT_EQ(SQLSetEnvAttr(*env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(intptr_t{version}), 0),
                  SQL_SUCCESS);
        dbc = std::make_unique<Dbc>(*env);
        ASSERT_TRUE(connect_to_test_database(*dbc, options));
        connected = true;
    }
    void disconnect()
    {
        if (connected) SQLDisconnect(*dbc);
        connected = false;
        dbc.reset();
        env.reset();
    }
    void SetUp() override { connect(); }
    void TearDown() override { disconnect(); }

    void run(const char* text)
    {
        Stmt s(*dbc);
        ASSERT_EQ(SQLExecDirect(s, sql(text), SQL_NTS), SQL_SUCCESS) << text << "\n" << s.diag();
    }

    std::unique_ptr<Env> env;
    std::unique_ptr<Dbc> dbc;
    bool connected = false;
};

// The columns of a table of every Firebird 3 type a marker can have.
constexpr const char* all_types_table =
    "RECREATE TABLE T_PARAM_TYPES ("
    " N92 NUMERIC(9,2), BI BIGINT, N42 NUMERIC(4,2), I INTEGER, DP DOUBLE PRECISION,"
    " V_NONE VARCHAR(40) CHARACTER SET NONE, V_UTF VARCHAR(40) CHARACTER SET UTF8,"
    " C_NONE CHAR(10) CHARACTER SET NONE, D DATE, T TIME, TS TIMESTAMP,"
    " BT BLOB SUB_TYPE TEXT, BB BLOB SUB_TYPE BINARY, BO BOOLEAN)";
constexpr const char* all_types_insert =
    "INSERT INTO T_PARAM_TYPES VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

TEST_F(Parameters, TheImplementationDescriptorOfEveryMarkerType)
{
    enum Hide { any, on, off };
    struct Case {
        SQLSMALLINT marker;
        SQLINTEGER version;  // 0: both
        Hide hide;
        SQLSMALLINT concise;
        SQLSMALLINT type;  // SQL_DESC_TYPE
        SQLULEN size;      // SQLDescribeParam's size: the display size
        SQLSMALLINT scale;
        SQLSMALLINT precision;
        SQLLEN octet_length;
        const char* type_name;
    };
    constexpr SQLINTEGER v2 = SQL_OV_ODBC2, v3 = SQL_OV_ODBC3;
    constexpr SQLULEN blob = 2147483647;
    // clang-format off
    const Case cases[] = {
        // NUMERIC(9,2) is a scaled INTEGER.
        {1,  v3, any, SQL_NUMERIC,        SQL_DECIMAL,       13,    2, 10, 13,    "NUMERIC"},
        {1,  v2, any, SQL_DECIMAL,        SQL_DECIMAL,       13,    2, 10, 13,    "DECIMAL"},
        {2,  v3, any, SQL_NUMERIC,        SQL_NUMERIC,       20,    0, 19, 22,    "NUMERIC"},
        {2,  v2, any, SQL_DECIMAL,        SQL_DECIMAL,       20,    0, 19, 22,    "DECIMAL"},
        // NUMERIC(4,2) is a scaled SMALLINT: described without its scale.
        {3,  v3, any, SQL_NUMERIC,        SQL_NUMERIC,       22,    0, 5,  22,    "NUMERIC"},
        {3,  v2, any, SQL_DECIMAL,        SQL_DECIMAL,       8,     0, 5,  8,     "DECIMAL"},
        {4,  0,  any, SQL_INTEGER,        SQL_INTEGER,       11,    0, 11, 4,     "LONG"},
        {5,  0,  any, SQL_DOUBLE,         SQL_DOUBLE,        22,    0, 52, 8,     "DOUBLE PRECISION"},
        {6,  0,  any, SQL_VARCHAR,        SQL_VARCHAR,       40,    0, 0,  40,    "VARCHAR"},
        // Four bytes a character in UTF8.
        {7,  0,  any, SQL_WVARCHAR,       SQL_VARCHAR,       160,   0, 0,  160,   "NCHAR VARYING"},
        {8,  0,  any, SQL_CHAR,           SQL_CHAR,          10,    0, 0,  10,    "CHAR"},
        {9,  v3, any, SQL_TYPE_DATE,      SQL_DATETIME,      10,    0, 0,  6,     "DATE"},
        {9,  v2, any, SQL_DATE,           SQL_DATETIME,      10,    0, 0,  6,     "DATE"},
        {10, v3, any, SQL_TYPE_TIME,      SQL_DATETIME,      8,     0, 0,  6,     "TIME"},
        {10, v2, any, SQL_TIME,           SQL_DATETIME,      8,     0, 0,  6,     "TIME"},
        // A timestamp keeps its four digits of fractional seconds.
        {11, v3, any, SQL_TYPE_TIMESTAMP, SQL_DATETIME,      24,    4, 4,  16,    "TIMESTAMP"},
        {11, v2, any, SQL_TIMESTAMP,      SQL_DATETIME,      24,    4, 4,  16,    "TIMESTAMP"},
        {12, 0,  off, SQL_LONGVARCHAR,    SQL_LONGVARCHAR,   blob,  0, 0,  blob,  "BLOB"},
        {12, 0,  on,  SQL_VARCHAR,        SQL_VARCHAR,       32000, 0, 0,  32000, "BLOB"},
        {13, 0,  off, SQL_LONGVARBINARY,  SQL_LONGVARBINARY, blob,  0, 0,  blob,  "BLOB"},
        {13, 0,  on,  SQL_VARBINARY,      SQL_VARBINARY,     32000, 0, 0,  32000, "BLOB"},
        {14, 0,  any, SQL_BIT,            SQL_BIT,           1,     0, 1,  1,     "BOOLEAN"},
    };
    // clang-format on
    run(all_types_table);
    struct Setting {
        SQLINTEGER version;
        bool hide;
    };
    for (Setting setting : {Setting{v3, false}, Setting{v2, false}, Setting{v3, true}}) {
        SCOPED_TRACE("ODBC " + std::to_string(setting.version) + (setting.hide ? " HideVarchar" : ""));
        connect(setting.version, setting.hide ? "HIDEVARCHAR=1" : "");
        Stmt s(*dbc);
        ASSERT_EQ(SQLPrepare(s, sql(all_types_insert), SQL_NTS), SQL_SUCCESS) << s.diag();
        SQLSMALLINT count = -1;
        ASSERT_EQ(SQLNumParams(s, &count), SQL_SUCCESS);
        EXPECT_EQ(count, 14);
        SQLHDESC ipd = statement_descriptor(s, SQL_ATTR_IMP_PARAM_DESC);
        EXPECT_EQ(number_field(ipd, 0, SQL_DESC_COUNT), 14);
        for (const Case& k : cases) {
            if ((k.version != 0 && k.version != setting.version) || (k.hide == on && !setting.hide) ||
                (k.hide == off && setting.hide))
                continue;
            SCOPED_TRACE("marker " + std::to_string(k.marker));
            SQLSMALLINT concise = 0, scale = -1, nullable = -1;
            SQLULEN size = 0;
            ASSERT_EQ(SQLDescribeParam(s, k.marker, &concise, &size, &scale, &nullable), SQL_SUCCESS)
                << s.diag();
            EXPECT_EQ(concise, k.concise);
            EXPECT_EQ(size, k.size);
            EXPECT_EQ(scale, k.scale);
            EXPECT_EQ(nullable, SQL_NO_NULLS);
            EXPECT_EQ(number_field(ipd, k.marker, SQL_DESC_CONCISE_TYPE), k.concise);
            EXPECT_EQ(number_field(ipd, k.marker, SQL_DESC_TYPE), k.type);
            EXPECT_EQ(number_field(ipd, k.marker, SQL_DESC_PRECISION), k.precision);
            EXPECT_EQ(number_field(ipd, k.marker, SQL_DESC_OCTET_LENGTH), k.octet_length);
            EXPECT_EQ(number_field(ipd, k.marker, SQL_DESC_UPDATABLE), 1);
            EXPECT_EQ(text_field(ipd, k.marker, SQL_DESC_TYPE_NAME), k.type_name);
        }
        // The timestamp's local type name differs from its type name.
        EXPECT_EQ(text_field(ipd, 11, SQL_DESC_LOCAL_TYPE_NAME), "SQL_TIMESTAMP");
        EXPECT_EQ(text_field(ipd, 11, SQL_DESC_LITERAL_PREFIX), "{ts '");
        EXPECT_EQ(number_field(ipd, 11, SQL_DESC_DATETIME_INTERVAL_CODE), SQL_CODE_TIMESTAMP);
    }
}

TEST_F(Parameters, DescribeParamRefusesNumbersOutsideTheMarkers)
{
    Stmt s(*dbc);
    ASSERT_EQ(SQLPrepare(s, sql("SELECT 1 FROM RDB$DATABASE WHERE 1 = ? AND 2 = ?"), SQL_NTS), SQL_SUCCESS)
        << s.diag();
    SQLSMALLINT type = 0;
    for (SQLUSMALLINT number : {0, 3, 65535}) {
        SCOPED_TRACE(number);
        EXPECT_EQ(SQLDescribeParam(s, number, &type, nullptr, nullptr, nullptr), SQL_ERROR);
        EXPECT_EQ(state_of(s), "07009");
    }
    // Null pointers are skipped.
    EXPECT_EQ(SQLDescribeParam(s, 2, nullptr, nullptr, nullptr, nullptr), SQL_SUCCESS);
    // Markers with nothing bound to them are not sent.
    EXPECT_EQ(SQLExecute(s), SQL_ERROR);
    EXPECT_EQ(state_of(s), "07002");

    // A statement without markers has none to describe; preparing it clears
    // what the earlier statement described.
    ASSERT_EQ(SQLPrepare(s, sql("SELECT 1 FROM RDB$DATABASE"), SQL_NTS), SQL_SUCCESS) << s.diag();
    SQLSMALLINT count = -1;
    ASSERT_EQ(SQLNumParams(s, &count), SQL_SUCCESS);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(SQLDescribeParam(s, 1, &type, nullptr, nullptr, nullptr), SQL_ERROR);
    EXPECT_EQ(state_of(s), "07009");
}

TEST_F(Parameters, AReturnValueIsParameterOneAndShiftsTheMarkers)
{
    run("RECREATE PROCEDURE P_PARAM_SHIFT (X INTEGER) RETURNS (R VARCHAR(12) CHARACTER SET NONE, S INTEGER) "
        "AS BEGIN R = 'x'; S = X; SUSPEND; END");
    for (const char* options : {"", "EXECPROC=1"}) {
        SCOPED_TRACE(options);
        connect(SQL_OV_ODBC3, options);
        Stmt s(*dbc);
        ASSERT_EQ(SQLPrepare(s, sql("{? = call P_PARAM_SHIFT(?)}"), SQL_NTS), SQL_SUCCESS) << s.diag();
        SQLSMALLINT count = -1;
        ASSERT_EQ(SQLNumParams(s, &count), SQL_SUCCESS);
        EXPECT_EQ(count, 2);
        struct Expect {
            SQLUSMALLINT number;
            SQLSMALLINT type;
            SQLULEN size;
        };
        // 1: the procedure's first output column; 2: its input.
        for (Expect e : {Expect{1, SQL_VARCHAR, 12}, Expect{2, SQL_INTEGER, 11}}) {
            SCOPED_TRACE(e.number);
            SQLSMALLINT type = 0;
            SQLULEN size = 0;
            ASSERT_EQ(SQLDescribeParam(s, e.number, &type, &size, nullptr, nullptr), SQL_SUCCESS) << s.diag();
            EXPECT_EQ(type, e.type);
            EXPECT_EQ(size, e.size);
        }
        EXPECT_EQ(SQLDescribeParam(s, 3, nullptr, nullptr, nullptr, nullptr), SQL_ERROR);
        EXPECT_EQ(state_of(s), "07009");
    }
}

TEST_F(Parameters, BindingGrowsUnbindingShrinksTheApplicationDescriptor)
{
    Stmt s(*dbc);
    SQLHDESC apd = statement_descriptor(s, SQL_ATTR_APP_PARAM_DESC);
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    // The driver manager lets null value and indicator pointers through
    // only for an output parameter.
    auto bind = [&](SQLUSMALLINT n, SQLPOINTER v, SQLLEN* ind) {
        return SQLBindParameter(s, n, SQL_PARAM_OUTPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, v, 0, ind);
    };
    struct Step {
        SQLUSMALLINT number;
        bool unbind;
        SQLSMALLINT count;
    };
    // 40 then 3 and 2: the count stays 40. Unbinding 3, in the middle, leaves
    // it; unbinding 40 lowers it past the unbound records to 2.
    for (Step step : {Step{40, false, 40}, Step{3, false, 40}, Step{2, false, 40}, Step{3, true, 40},
                      Step{40, true, 2}, Step{7, true, 2}, Step{2, true, 0}}) {
        SCOPED_TRACE(std::to_string(step.number) + (step.unbind ? " unbound" : " bound"));
        EXPECT_EQ(step.unbind ? bind(step.number, nullptr, nullptr) : bind(step.number, &value, &indicator),
                  SQL_SUCCESS)
            << s.diag();
        EXPECT_EQ(number_field(apd, 0, SQL_DESC_COUNT), step.count);
    }
    EXPECT_EQ(bind(0, &value, &indicator), SQL_ERROR);
    EXPECT_EQ(state_of(s), "07009");
}

TEST_F(Parameters, BindingFillsTheApplicationRecord)
{
    char buffer[32] = {};
    SQLLEN indicator = 0;
    struct Case {
        SQLSMALLINT c_type;
        SQLLEN buffer_length;
        SQLLEN octet_length;  // the length given, or the C type's own size
        SQLSMALLINT type;
        SQLSMALLINT interval_code;
    };
    // (The driver manager hands the driver the ODBC 3 codes of the ODBC 2
    // date types; those are a unit test's.)
    // clang-format off
    const Case cases[] = {
        {SQL_C_SLONG,          0,  4,  SQL_C_SLONG,   0},
        {SQL_C_NUMERIC,        -5, 19, SQL_C_NUMERIC, 0},
        {SQL_C_TINYINT,        0,  1,  SQL_C_TINYINT, 0},
        {SQL_C_CHAR,           0,  0,  SQL_C_CHAR,    0},
        {SQL_C_CHAR,           32, 32, SQL_C_CHAR,    0},
        {SQL_C_TYPE_DATE,      0,  6,  SQL_DATETIME,  SQL_CODE_DATE},
        {SQL_C_TYPE_TIMESTAMP, 0,  16, SQL_DATETIME,  SQL_CODE_TIMESTAMP},
    };
    // clang-format on
    Stmt s(*dbc);
    SQLHDESC apd = statement_descriptor(s, SQL_ATTR_APP_PARAM_DESC);
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.c_type) + " " + std::to_string(k.buffer_length));
        ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT_OUTPUT, k.c_type, SQL_VARCHAR, 0, 0, buffer,
                                   k.buffer_length, &indicator),
                  SQL_SUCCESS);
        EXPECT_EQ(number_field(apd, 1, SQL_DESC_CONCISE_TYPE), k.c_type);
        EXPECT_EQ(number_field(apd, 1, SQL_DESC_TYPE), k.type);
        EXPECT_EQ(number_field(apd, 1, SQL_DESC_DATETIME_INTERVAL_CODE), k.interval_code);
        EXPECT_EQ(number_field(apd, 1, SQL_DESC_OCTET_LENGTH), k.octet_length);
        EXPECT_EQ(number_field(apd, 1, SQL_DESC_PARAMETER_TYPE), SQL_PARAM_INPUT_OUTPUT);
        SQLPOINTER pointer = nullptr;
        ASSERT_EQ(SQLGetDescField(apd, 1, SQL_DESC_INDICATOR_PTR, &pointer, 0, nullptr), SQL_SUCCESS);
        EXPECT_EQ(pointer, &indicator);
        ASSERT_EQ(SQLGetDescField(apd, 1, SQL_DESC_OCTET_LENGTH_PTR, &pointer, 0, nullptr), SQL_SUCCESS);
        EXPECT_EQ(pointer, &indicator);
        ASSERT_EQ(SQLGetDescField(apd, 1, SQL_DESC_DATA_PTR, &pointer, 0, nullptr), SQL_SUCCESS);
        EXPECT_EQ(pointer, buffer);
    }
}

TEST_F(Parameters, TheSqlTypeReachesTheMarkerOnlyOnceItIsDescribed)
{
    run("RECREATE TABLE T_PARAM_BIND (N92 NUMERIC(9,2))");
    Stmt s(*dbc);
    SQLHDESC apd = statement_descriptor(s, SQL_ATTR_APP_PARAM_DESC);
    char buffer[32] = {};
    SQLLEN indicator = 0;
    ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 0, 0, buffer, sizeof buffer,
                               &indicator),
              SQL_SUCCESS);
    // Bound before the prepare, the SQL type reaches only the application's
    // side: the prepare describes the marker afresh.
    ASSERT_EQ(SQLPrepare(s, sql("INSERT INTO T_PARAM_BIND VALUES (?)"), SQL_NTS), SQL_SUCCESS) << s.diag();
    SQLHDESC ipd = statement_descriptor(s, SQL_ATTR_IMP_PARAM_DESC);
    EXPECT_EQ(number_field(ipd, 1, SQL_DESC_CONCISE_TYPE), SQL_NUMERIC);
    EXPECT_EQ(number_field(apd, 0, SQL_DESC_COUNT), 1);
    // Bound after it, the SQL type is the marker's, and the marker's sizes
    // go with the binding.
    ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 0, 0, buffer, sizeof buffer,
                               &indicator),
              SQL_SUCCESS);
    EXPECT_EQ(number_field(ipd, 1, SQL_DESC_CONCISE_TYPE), SQL_VARCHAR);
    EXPECT_EQ(number_field(apd, 1, SQL_DESC_PRECISION), 10);
    EXPECT_EQ(number_field(apd, 1, SQL_DESC_SCALE), 2);
    EXPECT_EQ(number_field(apd, 1, SQL_DESC_LENGTH), 13);
}

TEST(ParameterHandles, NullOrForeignHandleIsInvalid)
{
    DirectDriver driver;
    using BindFn = SQLRETURN(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLSMALLINT, SQLSMALLINT, SQLULEN, SQLSMALLINT,
                             SQLPOINTER, SQLLEN, SQLLEN*);
    using NumFn = SQLRETURN(SQLHSTMT, SQLSMALLINT*);
    using DescribeFn = SQLRETURN(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT*, SQLULEN*, SQLSMALLINT*, SQLSMALLINT*);
    auto* bind = driver.entry<BindFn>("SQLBindParameter");
    auto* num = driver.entry<NumFn>("SQLNumParams");
    auto* describe = driver.entry<DescribeFn>("SQLDescribeParam");
    ASSERT_TRUE(bind != nullptr && num != nullptr && describe != nullptr);
    auto* alloc = driver.entry<SQLRETURN(SQLSMALLINT, SQLHANDLE, SQLHANDLE*)>("SQLAllocHandle");
    auto* free_handle = driver.entry<SQLRETURN(SQLSMALLINT, SQLHANDLE)>("SQLFreeHandle");
    SQLHANDLE env = nullptr;
    ASSERT_EQ(alloc(SQL_HANDLE_ENV, nullptr, &env), SQL_SUCCESS);
    SQLINTEGER value = 0;
    SQLSMALLINT count = 0;
    for (SQLHANDLE handle : {SQLHANDLE{}, env}) {
        EXPECT_EQ(bind(handle, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &value, 0, nullptr),
                  SQL_INVALID_HANDLE);
        EXPECT_EQ(num(handle, &count), SQL_INVALID_HANDLE);
        EXPECT_EQ(describe(handle, 1, &count, nullptr, nullptr, nullptr), SQL_INVALID_HANDLE);
    }
    free_handle(SQL_HANDLE_ENV, env);
}

// --- Parameters at execute -------------------------------------------------

TEST_F(Parameters, ProcedureCallsTakeInputsAndFillOutputsAtExecute)
{
    run("RECREATE PROCEDURE P_PARAM_CALL (X INTEGER) RETURNS (Y INTEGER, Z INTEGER) "
        "AS BEGIN Y = X * 2; Z = X + 1; SUSPEND; END");
    // Without ExecProc a call is a SELECT from the procedure, with it an
    // EXECUTE PROCEDURE; both ways the outputs are there once SQLExecute
    // returns, and the row can still be fetched.
    for (const char* options : {"", "EXECPROC=1"}) {
        SCOPED_TRACE(options);
        connect(SQL_OV_ODBC3, options);
        {
            Stmt s(*dbc);
            ASSERT_EQ(SQLPrepare(s, sql("{? = call P_PARAM_CALL(?)}"), SQL_NTS), SQL_SUCCESS) << s.diag();
            SQLINTEGER result = 0, in_out = 0;
            SQLLEN result_ind = 0, in_out_ind = 0;
            ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_OUTPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &result, 0,
                                       &result_ind),
                      SQL_SUCCESS);
            ASSERT_EQ(SQLBindParameter(s, 2, SQL_PARAM_INPUT_OUTPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &in_out, 0,
                                       &in_out_ind),
                      SQL_SUCCESS);
            for (SQLINTEGER x : {21, -5}) {
                SCOPED_TRACE(x);
                in_out = x;
                result = 0;
                ASSERT_TRUE(SQL_SUCCEEDED(SQLExecute(s))) << s.diag();
                EXPECT_EQ(result, 2 * x);
                EXPECT_EQ(in_out, x + 1);
                EXPECT_EQ(result_ind, static_cast<SQLLEN>(sizeof(SQLINTEGER)));
                SQLCloseCursor(s);
            }
        }
        Stmt s(*dbc);
        SQLINTEGER x = 7;
        ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &x, 0, nullptr),
                  SQL_SUCCESS);
        ASSERT_TRUE(SQL_SUCCEEDED(SQLExecDirect(s, sql("{call P_PARAM_CALL(?)}"), SQL_NTS))) << s.diag();
        SQLINTEGER y = 0, z = 0;
        SQLLEN ind = 0;
        ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
        ASSERT_EQ(SQLGetData(s, 1, SQL_C_SLONG, &y, 0, &ind), SQL_SUCCESS);
        ASSERT_EQ(SQLGetData(s, 2, SQL_C_SLONG, &z, 0, &ind), SQL_SUCCESS);
        EXPECT_EQ(y, 14);
        EXPECT_EQ(z, 8);
    }
}

// The rows of a table, one line a row, as text.
std::string table_rows(SQLHDBC dbc, const std::string& table)
{
    Stmt s(dbc);
    const std::string text = "SELECT ID, NAME, AMOUNT FROM " + table + " ORDER BY ID";
    EXPECT_EQ(SQLExecDirect(s, sql(text.c_str()), SQL_NTS), SQL_SUCCESS) << s.diag();
    std::string rows;
    while (SQLFetch(s) == SQL_SUCCESS) {
        for (SQLUSMALLINT column = 1; column <= 3; ++column) {
            char value[64] = {};
            SQLLEN ind = 0;
            EXPECT_EQ(SQLGetData(s, column, SQL_C_CHAR, value, sizeof value, &ind), SQL_SUCCESS);
            rows += ind == SQL_NULL_DATA ? std::string("NULL") : std::string(value);
            rows += column < 3 ? "|" : "\n";
        }
    }
    return rows;
}

TEST_F(Parameters, AnApplicationDescriptorSetFieldByFieldInsertsWhatBindParameterDoes)
{
    run("RECREATE TABLE T_PARAM_BOUND (ID INTEGER, NAME VARCHAR(20), AMOUNT NUMERIC(9,2))");
    run("RECREATE TABLE T_PARAM_DESC (ID INTEGER, NAME VARCHAR(20), AMOUNT NUMERIC(9,2))");
    // Three rows, column-wise: the third name is NULL, the amounts are text.
    SQLINTEGER ids[3] = {1, 2, 3};
    char names[3][20] = {"first", "second", ""};
    SQLLEN name_lengths[3] = {SQL_NTS, 6, SQL_NULL_DATA};
    char amounts[3][12] = {"12.5", "-0.25", "1000"};
    SQLLEN amount_lengths[3] = {SQL_NTS, SQL_NTS, SQL_NTS};
    const SQLULEN rows = 3;
    {
        Stmt s(*dbc);
        ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0), SQL_SUCCESS);
        ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, ids, 0, nullptr),
                  SQL_SUCCESS);
        ASSERT_EQ(SQLBindParameter(s, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 20, 0, names, 20, name_lengths),
                  SQL_SUCCESS);
        ASSERT_EQ(SQLBindParameter(s, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_NUMERIC, 9, 2, amounts, 12,
                                   amount_lengths),
                  SQL_SUCCESS);
        ASSERT_EQ(SQLExecDirect(s, sql("INSERT INTO T_PARAM_BOUND VALUES (?, ?, ?)"), SQL_NTS), SQL_SUCCESS)
            << s.diag();
    }
    {
        Stmt s(*dbc);
        SQLHDESC apd = SQL_NULL_HDESC;
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DESC, *dbc, &apd), SQL_SUCCESS);
        auto set = [&](SQLSMALLINT record, SQLSMALLINT field, SQLPOINTER value) {
            ASSERT_EQ(SQLSetDescField(apd, record, field, value, 0), SQL_SUCCESS)
                << record << " " << field << "\n" << diagnostics(SQL_HANDLE_DESC, apd);
        };
        auto integer = [](SQLLEN v) { return reinterpret_cast<SQLPOINTER>(v); };
        set(0, SQL_DESC_ARRAY_SIZE, integer(rows));
        struct Column {
            SQLSMALLINT c_type;
            SQLLEN octet_length;
            SQLPOINTER data;
            SQLLEN* lengths;
        };
        const Column columns[] = {{SQL_C_SLONG, 4, ids, nullptr},
                                  {SQL_C_CHAR, 20, names, name_lengths},
                                  {SQL_C_CHAR, 12, amounts, amount_lengths}};
        for (SQLSMALLINT n = 1; n <= 3; ++n) {
            const Column& c = columns[n - 1];
            set(n, SQL_DESC_CONCISE_TYPE, integer(c.c_type));
            set(n, SQL_DESC_OCTET_LENGTH, integer(c.octet_length));
            set(n, SQL_DESC_PARAMETER_TYPE, integer(SQL_PARAM_INPUT));
            set(n, SQL_DESC_INDICATOR_PTR, c.lengths);
            set(n, SQL_DESC_OCTET_LENGTH_PTR, c.lengths);
            set(n, SQL_DESC_DATA_PTR, c.data);
        }
        ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_APP_PARAM_DESC, apd, 0), SQL_SUCCESS) << s.diag();
        ASSERT_EQ(SQLExecDirect(s, sql("INSERT INTO T_PARAM_DESC VALUES (?, ?, ?)"), SQL_NTS), SQL_SUCCESS)
            << s.diag();
        SQLFreeHandle(SQL_HANDLE_DESC, apd);
    }
    const std::string expected = "1|first|12.50\n2|second|-0.25\n3|NULL|1000.00\n";
    EXPECT_EQ(table_rows(*dbc, "T_PARAM_BOUND"), expected);
    EXPECT_EQ(table_rows(*dbc, "T_PARAM_DESC"), expected);
}

TEST_F(Parameters, TextOutsideLatin1RoundTripsNarrowAndWideOnUtf8)
{
    connect(SQL_OV_ODBC3, "CHARSET=UTF8");
    run("RECREATE TABLE T_PARAM_UTF8 (ID INTEGER, V VARCHAR(30) CHARACTER SET UTF8, B BLOB SUB_TYPE TEXT)");
    // Latin, Greek, Cyrillic, CJK and a character beyond the BMP.
    const std::string utf8 = "Gr\xC3\xBC\xC3\x9F" "e \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 "
                             "\xD0\x96\xD1\x83\xD0\xBA \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80";
    const std::u16string utf16 = u"Grüße Ωμέγα Жук 日本 \U0001F600";
    std::vector<SQLWCHAR> wide(utf16.begin(), utf16.end());
    wide.push_back(0);
    struct Way {
        SQLINTEGER id;
        SQLSMALLINT c_type;
        SQLSMALLINT sql_type;
        SQLPOINTER value;
    };
    for (Way way : {Way{1, SQL_C_CHAR, SQL_VARCHAR, const_cast<char*>(utf8.c_str())},
                    Way{2, SQL_C_WCHAR, SQL_WVARCHAR, wide.data()}}) {
        SCOPED_TRACE(way.id);
        Stmt s(*dbc);
        SQLLEN nts = SQL_NTS;
        ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &way.id, 0, nullptr),
                  SQL_SUCCESS);
        for (SQLUSMALLINT n : {2, 3})
            ASSERT_EQ(SQLBindParameter(s, n, SQL_PARAM_INPUT, way.c_type, way.sql_type, 30, 0, way.value, 0, &nts),
                      SQL_SUCCESS);
        ASSERT_EQ(SQLExecDirect(s, sql("INSERT INTO T_PARAM_UTF8 VALUES (?, ?, ?)"), SQL_NTS), SQL_SUCCESS)
            << s.diag();
    }
    Stmt s(*dbc);
    // The VARCHAR and the BLOB as bytes, then the VARCHAR again as UTF-16.
    ASSERT_EQ(SQLExecDirect(s, sql("SELECT V, B, V FROM T_PARAM_UTF8 ORDER BY ID"), SQL_NTS), SQL_SUCCESS)
        << s.diag();
    for (int row = 1; row <= 2; ++row) {
        SCOPED_TRACE(row);
        ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
        for (SQLUSMALLINT column : {1, 2}) {
            char narrow[128] = {};
            SQLLEN ind = 0;
            ASSERT_EQ(SQLGetData(s, column, SQL_C_CHAR, narrow, sizeof narrow, &ind), SQL_SUCCESS) << s.diag();
            EXPECT_EQ(std::string(narrow), utf8);
        }
        SQLWCHAR units[64] = {};
        SQLLEN ind = 0;
        ASSERT_EQ(SQLGetData(s, 3, SQL_C_WCHAR, units, sizeof units, &ind), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(units)), utf16);
    }
}

}  // namespace
