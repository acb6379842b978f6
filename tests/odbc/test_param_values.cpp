// Parameter values through the driver manager: every Firebird 3 type
// inserted with parameters of each C type that suits it and selected back,
// the conversion errors an application sees, and parameter arrays with
// their status arrays and processed counts.
#include <cmath>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "harness.h"
#include "../common/value_bytes.h"

namespace {

using namespace odbc_test;

std::string first_state(SQLSMALLINT type, SQLHANDLE handle)
{
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR message[512];
    SQLSMALLINT length;
    SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
    return reinterpret_cast<char*>(state);
}

class ParamValues : public ::testing::Test {
protected:
    void SetUp() override { connect(""); }
    void TearDown() override { SQLDisconnect(dbc); }

    void connect(const std::string& extra)
    {
        ASSERT_TRUE(connect_to_test_database(dbc, extra));
    }
    void run(const char* text)
    {
        Stmt s(dbc);
        ASSERT_EQ(SQLExecDirect(s, sql(text), SQL_NTS), SQL_SUCCESS) << text << "\n" << s.diag();
    }
    // The single value a query returns, as `c_type` into `out`.
    SQLLEN select_one(const std::string& text, SQLSMALLINT c_type, void* out, SQLLEN size)
    {
        Stmt s(dbc);
        EXPECT_EQ(SQLExecDirect(s, sql(text.c_str()), SQL_NTS), SQL_SUCCESS) << text << "\n" << s.diag();
        EXPECT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
        SQLLEN indicator = 0;
        EXPECT_TRUE(SQL_SUCCEEDED(SQLGetData(s, 1, c_type, out, size, &indicator))) << s.diag();
        return indicator;
    }
    std::string select_text(const std::string& text)
    {
        std::vector<char> buffer(60000, '\0');
        const SQLLEN length = select_one(text, SQL_C_CHAR, buffer.data(), static_cast<SQLLEN>(buffer.size()));
        return length == SQL_NULL_DATA ? "<null>" : std::string(buffer.data(), static_cast<size_t>(length));
    }
    int32_t count(const char* table)
    {
        int32_t n = -1;
        select_one(std::string("SELECT COUNT(*) FROM ") + table, SQL_C_SLONG, &n, sizeof n);
        return n;
    }

    Env env = odbc3_env();
    Dbc dbc{env};
};

// One value inserted through a parameter and read back.
struct RoundTrip {
    const char* column;
    SQLSMALLINT c_type;
    SQLSMALLINT sql_type;
    std::string value;  // the application's bytes (text with its terminator)
    SQLLEN length;      // the length/indicator value
    std::string text;   // what the column reads back as SQL_C_CHAR
};

TEST_F(ParamValues, EveryTypeRoundTripsWithEachSensibleCType)
{
    run("RECREATE TABLE PV (ID INTEGER NOT NULL PRIMARY KEY, C_SMALL SMALLINT, C_INT INTEGER, C_BIG BIGINT, "
        "C_N92 NUMERIC(9,2), C_N184 NUMERIC(18,4), C_N41 NUMERIC(4,1), C_FLOAT FLOAT, C_DOUBLE DOUBLE PRECISION, "
        "C_DATE DATE, C_TIME TIME, C_TS TIMESTAMP, C_CHAR CHAR(6), C_VARCHAR VARCHAR(20), "
        "C_TEXT BLOB SUB_TYPE TEXT, C_BIN BLOB SUB_TYPE BINARY, C_BOOL BOOLEAN)");
    SQL_NUMERIC_STRUCT n12345{};
    n12345.precision = 9;
    n12345.scale = 2;
    n12345.sign = 1;
    n12345.val[0] = 12345 & 0xFF;
    n12345.val[1] = 12345 >> 8;
    const SQL_DATE_STRUCT date_value{2024, 3, 15};
    const SQL_TIME_STRUCT time_value{10, 20, 30};
    const SQL_TIMESTAMP_STRUCT ts_value{2024, 3, 15, 10, 20, 30, 500000000};
    const std::string long_text(40000, 'q');
    const std::vector<RoundTrip> cases = {
        {"C_SMALL", SQL_C_SSHORT, SQL_SMALLINT, bytes_of<int16_t>(-123), 0, "-123"},
        {"C_SMALL", SQL_C_CHAR, SQL_CHAR, std::string("77\0", 3), SQL_NTS, "77"},
        {"C_SMALL", SQL_C_WCHAR, SQL_WCHAR, wide(u"-5"), SQL_NTS, "-5"},
        {"C_INT", SQL_C_SLONG, SQL_INTEGER, bytes_of<int32_t>(2147483647), 0, "2147483647"},
        {"C_INT", SQL_C_ULONG, SQL_INTEGER, bytes_of<uint32_t>(123), 0, "123"},
        {"C_INT", SQL_C_STINYINT, SQL_TINYINT, bytes_of<int8_t>(-3), 0, "-3"},
        {"C_INT", SQL_C_UTINYINT, SQL_TINYINT, bytes_of<uint8_t>(200), 0, "200"},
        {"C_INT", SQL_C_USHORT, SQL_SMALLINT, bytes_of<uint16_t>(65535), 0, "65535"},
        {"C_INT", SQL_C_BINARY, SQL_BINARY, bytes_of<int32_t>(-9), 4, "-9"},
        {"C_BIG", SQL_C_SBIGINT, SQL_BIGINT, bytes_of<int64_t>(9007199254740993), 0, "9007199254740993"},
        {"C_BIG", SQL_C_UBIGINT, SQL_BIGINT, bytes_of<uint64_t>(42), 0, "42"},
        {"C_BIG", SQL_C_DOUBLE, SQL_DOUBLE, bytes_of(-12.9), 0, "-12"},
        {"C_N92", SQL_C_CHAR, SQL_NUMERIC, std::string("12.345\0", 7), SQL_NTS, "12.34"},
        {"C_N92", SQL_C_DOUBLE, SQL_DOUBLE, bytes_of(1.005), 0, "1.00"},
        {"C_N92", SQL_C_NUMERIC, SQL_NUMERIC, bytes_of(n12345), 0, "123.45"},
        {"C_N92", SQL_C_SLONG, SQL_INTEGER, bytes_of<int32_t>(7), 0, "7.00"},
        {"C_N92", SQL_C_FLOAT, SQL_REAL, bytes_of(2.5f), 0, "2.50"},
        {"C_N184", SQL_C_CHAR, SQL_DECIMAL, std::string("-12345678901234.5678\0", 21), SQL_NTS,
         "-12345678901234.5678"},
        {"C_N184", SQL_C_WCHAR, SQL_WVARCHAR, wide(u"0.0001"), SQL_NTS, "0.0001"},
        {"C_N41", SQL_C_CHAR, SQL_NUMERIC, std::string("123.4\0", 6), SQL_NTS, "123.4"},
        {"C_FLOAT", SQL_C_FLOAT, SQL_REAL, bytes_of(1.5f), 0, "1.500000"},
        {"C_FLOAT", SQL_C_CHAR, SQL_CHAR, std::string("-0.25\0", 6), SQL_NTS, "-0.250000"},
        {"C_DOUBLE", SQL_C_DOUBLE, SQL_DOUBLE, bytes_of(2.5e10), 0, "25000000000.000000"},
        {"C_DOUBLE", SQL_C_CHAR, SQL_CHAR, std::string("0.125\0", 6), SQL_NTS, "0.125000"},
        {"C_DOUBLE", SQL_C_SBIGINT, SQL_BIGINT, bytes_of<int64_t>(-4), 0, "-4.000000"},
        {"C_DATE", SQL_C_TYPE_DATE, SQL_TYPE_DATE, bytes_of(date_value), 0, "2024-03-15"},
        {"C_DATE", SQL_C_CHAR, SQL_CHAR, std::string("2024-02-29\0", 11), SQL_NTS, "2024-02-29"},
        {"C_DATE", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, bytes_of(ts_value), 0, "2024-03-15"},
        {"C_TIME", SQL_C_TYPE_TIME, SQL_TYPE_TIME, bytes_of(time_value), 0, "10:20:30"},
        {"C_TIME", SQL_C_CHAR, SQL_CHAR, std::string("23:59:58\0", 9), SQL_NTS, "23:59:58"},
        {"C_TS", SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, bytes_of(ts_value), 0, "2024-03-15 10:20:30.5"},
        {"C_TS", SQL_C_CHAR, SQL_CHAR, std::string("2024-03-15 10:20:30.5\0", 22), SQL_NTS,
         "2024-03-15 10:20:30.5"},
        {"C_TS", SQL_C_CHAR, SQL_CHAR, std::string("2024-03-15\0", 11), SQL_NTS, "2024-03-15 00:00:00"},
        {"C_TS", SQL_C_TYPE_DATE, SQL_TYPE_DATE, bytes_of(date_value), 0, "2024-03-15 00:00:00"},
        {"C_CHAR", SQL_C_CHAR, SQL_CHAR, std::string("abc\0", 4), SQL_NTS, "abc   "},
        {"C_CHAR", SQL_C_WCHAR, SQL_WCHAR, wide(u"xyz"), SQL_NTS, "xyz   "},
        {"C_CHAR", SQL_C_SLONG, SQL_INTEGER, bytes_of<int32_t>(-42), 0, "-42   "},
        {"C_VARCHAR", SQL_C_CHAR, SQL_VARCHAR, std::string("hello\0", 6), SQL_NTS, "hello"},
        {"C_VARCHAR", SQL_C_CHAR, SQL_VARCHAR, "hello", 2, "he"},
        {"C_VARCHAR", SQL_C_BINARY, SQL_VARBINARY, "raw", 3, "raw"},
        {"C_VARCHAR", SQL_C_DOUBLE, SQL_DOUBLE, bytes_of(0.1), 0, "0.1"},
        {"C_VARCHAR", SQL_C_SBIGINT, SQL_BIGINT, bytes_of<int64_t>(-9223372036854775807LL - 1), 0,
         "-9223372036854775808"},
        {"C_TEXT", SQL_C_CHAR, SQL_LONGVARCHAR, long_text + '\0', SQL_NTS, long_text},
        {"C_TEXT", SQL_C_WCHAR, SQL_WLONGVARCHAR, wide(u"wide text"), SQL_NTS, "wide text"},
        {"C_BIN", SQL_C_BINARY, SQL_LONGVARBINARY, "bytes", 5, "6279746573"},
        {"C_BOOL", SQL_C_BIT, SQL_BIT, bytes_of<uint8_t>(1), 0, "1"},
        {"C_BOOL", SQL_C_CHAR, SQL_CHAR, std::string("0\0", 2), SQL_NTS, "0"},
    };
    int id = 0;
    for (const RoundTrip& c : cases) {
        ++id;
        SCOPED_TRACE(std::string(c.column) + " case " + std::to_string(id));
        {
            Stmt s(dbc);
            const std::string insert = std::string("INSERT INTO PV (ID, ") + c.column + ") VALUES (?, ?)";
            ASSERT_EQ(SQLPrepare(s, sql(insert.c_str()), SQL_NTS), SQL_SUCCESS) << s.diag();
            SQLLEN id_length = 0;
            SQLLEN length = c.length;
            ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &id, 0, &id_length),
                      SQL_SUCCESS);
            ASSERT_EQ(SQLBindParameter(s, 2, SQL_PARAM_INPUT, c.c_type, c.sql_type, 0, 0,
                                       const_cast<char*>(c.value.data()), static_cast<SQLLEN>(c.value.size()),
                                       &length),
                      SQL_SUCCESS)
                << s.diag();
            ASSERT_EQ(SQLExecute(s), SQL_SUCCESS) << s.diag();
        }
        EXPECT_EQ(select_text(std::string("SELECT ") + c.column + " FROM PV WHERE ID = " + std::to_string(id)),
                  c.text);
    }
}

TEST_F(ParamValues, ValuesTheMarkerCannotTakeAreRefusedWithTheirState)
{
    run("RECREATE TABLE PE (N92 NUMERIC(9,2), S SMALLINT, D DATE, V VARCHAR(3), B BLOB SUB_TYPE BINARY)");
    struct Refusal {
        const char* column;
        SQLSMALLINT c_type;
        std::string value;
        SQLLEN length;
        const char* state;
    };
    const Refusal cases[] = {
        {"D", SQL_C_CHAR, "15/03/2024", SQL_NTS, "22007"},
        {"D", SQL_C_CHAR, "2024-02-30", SQL_NTS, "22008"},
        {"B", SQL_C_CHAR, "text", SQL_NTS, "07006"},
        {"S", SQL_C_CHAR, "12x", SQL_NTS, "22018"},
        {"S", SQL_C_SLONG, bytes_of<int32_t>(40000), 0, "22003"},
        {"N92", SQL_C_CHAR, "99999999", SQL_NTS, "22003"},
        {"V", SQL_C_CHAR, "more bytes than the marker holds", SQL_NTS, "22001"},
        {"D", SQL_C_SLONG, bytes_of<int32_t>(1), 0, "07006"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " " + c.state);
        Stmt s(dbc);
        const std::string insert = std::string("INSERT INTO PE (") + c.column + ") VALUES (?)";
        SQLLEN length = c.length;
        ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, c.c_type, SQL_VARCHAR, 0, 0,
                                   const_cast<char*>(c.value.c_str()), static_cast<SQLLEN>(c.value.size()), &length),
                  SQL_SUCCESS);
        EXPECT_EQ(SQLExecDirect(s, sql(insert.c_str()), SQL_NTS), SQL_ERROR);
        EXPECT_EQ(first_state(SQL_HANDLE_STMT, s), c.state) << s.diag();
    }
    EXPECT_EQ(count("PE"), 0);

    // The binary BLOB takes the same bytes as SQL_C_BINARY.
    Stmt s(dbc);
    SQLLEN length = 4;
    ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY, 0, 0,
                               const_cast<char*>("text"), 4, &length),
              SQL_SUCCESS);
    EXPECT_EQ(SQLExecDirect(s, sql("INSERT INTO PE (B) VALUES (?)"), SQL_NTS), SQL_SUCCESS) << s.diag();
}

TEST_F(ParamValues, NullAndTheTimeOfDayIntoATimestamp)
{
    run("RECREATE TABLE PN (ID INTEGER NOT NULL, TS TIMESTAMP, V VARCHAR(5))");
    Stmt s(dbc);
    const SQL_TIME_STRUCT t{8, 9, 10};
    SQLLEN time_length = 0, null_length = SQL_NULL_DATA, id_length = 0;
    int32_t id = 1;
    char v[6] = "x";
    ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &id, 0, &id_length),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s, 2, SQL_PARAM_INPUT, SQL_C_TYPE_TIME, SQL_TYPE_TIME, 0, 0,
                               const_cast<SQL_TIME_STRUCT*>(&t), 0, &time_length),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 5, 0, v, 6, &null_length),
              SQL_SUCCESS);
    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(SQLExecDirect(s, sql("INSERT INTO PN VALUES (?, ?, ?)"), SQL_NTS), SQL_SUCCESS) << s.diag();
    auto today = [](std::time_t when) {
        std::tm local{};
        localtime_r(&when, &local);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%d 08:09:10", &local);
        return std::string(text);
    };
    const std::string stored = select_text("SELECT TS FROM PN");
    EXPECT_TRUE(stored == today(before) || stored == today(std::time(nullptr))) << stored;
    EXPECT_EQ(select_text("SELECT V FROM PN"), "<null>");
}

TEST_F(ParamValues, ArrayOfAThousandRowsStopsAtTheFailingRow)
{
    run("RECREATE TABLE PA (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(12))");
    constexpr SQLULEN rows = 1000;
    constexpr SQLULEN failing = 700;  // repeats the key of row 5
    std::vector<int32_t> ids(rows);
    std::vector<SQLLEN> id_lengths(rows, 0);
    std::vector<char> names(rows * 12);
    std::vector<SQLLEN> name_lengths(rows, SQL_NTS);
    for (SQLULEN i = 0; i < rows; ++i) {
        ids[i] = static_cast<int32_t>(i == failing ? 5 : i);
        std::snprintf(&names[i * 12], 12, "name %zu", static_cast<size_t>(i));
    }
    std::vector<SQLUSMALLINT> statuses(rows, 99);
    SQLULEN processed = 12345;

    Stmt s(dbc);
    ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAM_STATUS_PTR, statuses.data(), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, ids.data(), 0,
                               id_lengths.data()),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 12, 0, names.data(), 12,
                               name_lengths.data()),
              SQL_SUCCESS);
    ASSERT_EQ(SQLPrepare(s, sql("INSERT INTO PA VALUES (?, ?)"), SQL_NTS), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(SQLExecute(s), SQL_ERROR);
    EXPECT_EQ(first_state(SQL_HANDLE_STMT, s), "23000");
    // The sets before the failing one ran; the failing one is an error; the
    // execution stopped there and the rest were not used. The processed
    // count is only written by a successful execution.
    for (SQLULEN i = 0; i < rows; ++i) {
        const SQLUSMALLINT expected = i < failing ? SQL_PARAM_SUCCESS : i == failing ? SQL_PARAM_ERROR : SQL_PARAM_UNUSED;
        ASSERT_EQ(statuses[i], expected) << "row " << i;
    }
    EXPECT_EQ(processed, 12345u);
    EXPECT_EQ(count("PA"), static_cast<int32_t>(failing));
    EXPECT_EQ(select_text("SELECT NAME FROM PA WHERE ID = 699"), "name 699");

    // Without the duplicate every set runs.
    run("DELETE FROM PA");
    ids[failing] = static_cast<int32_t>(failing);
    EXPECT_EQ(SQLExecute(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(processed, rows);
    for (SQLULEN i = 0; i < rows; ++i) ASSERT_EQ(statuses[i], SQL_PARAM_SUCCESS) << "row " << i;
    EXPECT_EQ(count("PA"), static_cast<int32_t>(rows));
    int64_t sum = 0;
    select_one("SELECT SUM(ID) FROM PA", SQL_C_SBIGINT, &sum, sizeof sum);
    EXPECT_EQ(sum, 999 * 1000 / 2);
}

TEST_F(ParamValues, IgnoredSetsAreSkippedAndKeepTheirUnusedStatus)
{
    run("RECREATE TABLE PI (ID INTEGER)");
    Stmt s(dbc);
    int32_t ids[3] = {1, 2, 3};
    SQLUSMALLINT operations[3] = {SQL_PARAM_PROCEED, SQL_PARAM_IGNORE, SQL_PARAM_PROCEED};
    SQLUSMALLINT statuses[3] = {99, 99, 99};
    SQLULEN processed = 0;
    ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(3), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAM_OPERATION_PTR, operations, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAM_STATUS_PTR, statuses, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, ids, 0, nullptr),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecDirect(s, sql("INSERT INTO PI VALUES (?)"), SQL_NTS), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(statuses[0], SQL_PARAM_SUCCESS);
    EXPECT_EQ(statuses[1], SQL_PARAM_UNUSED);
    EXPECT_EQ(statuses[2], SQL_PARAM_SUCCESS);
    EXPECT_EQ(processed, 2u);
    EXPECT_EQ(select_text("SELECT LIST(ID) FROM (SELECT ID FROM PI ORDER BY ID)"), "1,3");
}

// SQLRowCount after a parameter array reports the last set that ran, ignored
// sets at the end included in the search.
TEST_F(ParamValues, RowCountOfAnArrayIsTheLastExecutedSets)
{
    run("RECREATE TABLE RC (K INTEGER, V INTEGER)");
    run("INSERT INTO RC SELECT 1, 0 FROM RDB$DATABASE UNION ALL SELECT 2, 0 FROM RDB$DATABASE "
        "UNION ALL SELECT 2, 0 FROM RDB$DATABASE UNION ALL SELECT 3, 0 FROM RDB$DATABASE "
        "UNION ALL SELECT 3, 0 FROM RDB$DATABASE UNION ALL SELECT 3, 0 FROM RDB$DATABASE");
    struct Case {
        SQLUSMALLINT last_operation;
        SQLLEN rows;  // what SQLRowCount reports
    };
    for (const Case& c : {Case{SQL_PARAM_PROCEED, 1}, Case{SQL_PARAM_IGNORE, 2}}) {
        Stmt s(dbc);
        int32_t keys[3] = {3, 2, 1};
        SQLUSMALLINT operations[3] = {SQL_PARAM_PROCEED, SQL_PARAM_PROCEED, c.last_operation};
        ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(3), 0), SQL_SUCCESS);
        ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAM_OPERATION_PTR, operations, 0), SQL_SUCCESS);
        ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, keys, 0, nullptr),
                  SQL_SUCCESS);
        ASSERT_EQ(SQLExecDirect(s, sql("UPDATE RC SET V = V + 1 WHERE K = ?"), SQL_NTS), SQL_SUCCESS) << s.diag();
        SQLLEN rows = -7;
        EXPECT_EQ(SQLRowCount(s, &rows), SQL_SUCCESS);
        EXPECT_EQ(rows, c.rows) << "last set " << (c.last_operation == SQL_PARAM_IGNORE ? "ignored" : "run");
    }
}

}  // namespace
