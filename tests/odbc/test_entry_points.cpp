// Entry points reached through the driver manager that the other suites do
// not exercise: SQLNativeSql, closing and reusing a cursor, SQLCancel, wide
// string attributes, and the ODBC 2 calls of an ODBC 2 application.
#include <string>

#include "harness.h"

namespace {

using namespace odbc_test;

void connect(Dbc& dbc)
{
    ASSERT_TRUE(connect_to_test_database(dbc));
}

TEST(EntryPoints, NativeSqlInBothWidths)
{
    Env env = odbc3_env();
    Dbc dbc(env);
    connect(dbc);
    SQLCHAR out[64];
    SQLINTEGER length = 0;
    ASSERT_EQ(SQLNativeSql(dbc, sql("SELECT {fn UCASE('a')} FROM RDB$DATABASE"), SQL_NTS, out, sizeof out, &length),
              SQL_SUCCESS)
        << dbc.diag();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), "SELECT UCASE('a') FROM RDB$DATABASE");
    EXPECT_EQ(length, 35);

    std::u16string text = u"SELECT {d '2024-02-29'} FROM RDB$DATABASE";
    std::vector<SQLWCHAR> wide(text.begin(), text.end());
    wide.push_back(0);
    SQLWCHAR wide_out[64];
    ASSERT_EQ(SQLNativeSqlW(dbc, wide.data(), SQL_NTS, wide_out, 64, &length), SQL_SUCCESS) << dbc.diag();
    EXPECT_EQ(std::u16string(wide_out, wide_out + length), u"SELECT '02/29/2024' FROM RDB$DATABASE");
    SQLDisconnect(dbc);
}

TEST(EntryPoints, ACursorClosedCanBeExecutedAgain)
{
    Env env = odbc3_env();
    Dbc dbc(env);
    connect(dbc);
    {
        Stmt s(dbc);
        ASSERT_EQ(SQLPrepare(s, sql("SELECT 5 FROM RDB$DATABASE"), SQL_NTS), SQL_SUCCESS) << s.diag();
        // Closed by SQLCloseCursor, then by SQLCancel, which the driver
        // manager treats as a close when nothing is to be cancelled.
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE(round);
            ASSERT_EQ(SQLExecute(s), SQL_SUCCESS) << s.diag();
            SQLINTEGER value = 0;
            SQLLEN ind = 0;
            ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
            ASSERT_EQ(SQLGetData(s, 1, SQL_C_SLONG, &value, 0, &ind), SQL_SUCCESS) << s.diag();
            EXPECT_EQ(value, 5);
            if (round == 0)
                EXPECT_EQ(SQLCloseCursor(s), SQL_SUCCESS) << s.diag();
            else
                EXPECT_EQ(SQLCancel(s), SQL_SUCCESS) << s.diag();
        }
    }
    SQLDisconnect(dbc);
}

TEST(EntryPoints, WideStringAttributesRoundTrip)
{
    Env env = odbc3_env();
    Dbc dbc(env);
    connect(dbc);
    const std::u16string path = u"/tmp/Übersetzung.so";
    std::vector<SQLWCHAR> wide(path.begin(), path.end());
    wide.push_back(0);
    ASSERT_EQ(SQLSetConnectAttrW(dbc, SQL_ATTR_TRANSLATE_LIB, wide.data(), SQL_NTS), SQL_SUCCESS) << dbc.diag();
    SQLCHAR narrow[64];
    SQLINTEGER length = 0;
    ASSERT_EQ(SQLGetConnectAttr(dbc, SQL_ATTR_TRANSLATE_LIB, narrow, sizeof narrow, &length), SQL_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(narrow)), "/tmp/Übersetzung.so") << "stored as UTF-8";
    SQLDisconnect(dbc);
}

TEST(EntryPoints, AnOdbc2ApplicationUsesTheOdbc2Calls)
{
    Env env(SQL_NULL_HANDLE);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC2), 0);
    Dbc dbc(env);
    connect(dbc);
    SQLUINTEGER autocommit = 99;
    EXPECT_EQ(SQLGetConnectOption(dbc, SQL_AUTOCOMMIT, &autocommit), SQL_SUCCESS) << dbc.diag();
    EXPECT_EQ(autocommit, SQL_AUTOCOMMIT_ON);
    EXPECT_EQ(SQLSetConnectOption(dbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF), SQL_SUCCESS) << dbc.diag();
    SQLGetConnectOption(dbc, SQL_AUTOCOMMIT, &autocommit);
    EXPECT_EQ(autocommit, SQL_AUTOCOMMIT_OFF);
    {
        Stmt s(dbc);
        EXPECT_EQ(SQLSetStmtOption(s, SQL_MAX_ROWS, 7), SQL_SUCCESS) << s.diag();
        SQLULEN max_rows = 0;
        EXPECT_EQ(SQLGetStmtOption(s, SQL_MAX_ROWS, &max_rows), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(max_rows, 7u);
        ASSERT_EQ(SQLExecDirect(s, sql("SELECT CAST(1.5 AS NUMERIC(9,2)) AS AMOUNT FROM RDB$DATABASE"), SQL_NTS),
                  SQL_SUCCESS)
            << s.diag();
        SQLCHAR name[32];
        SQLSMALLINT length = 0;
        SQLLEN number = 0;
        EXPECT_EQ(SQLColAttributes(s, 1, SQL_COLUMN_NAME, name, sizeof name, &length, &number), SQL_SUCCESS)
            << s.diag();
        EXPECT_EQ(std::string(reinterpret_cast<char*>(name)), "AMOUNT");
        EXPECT_EQ(SQLColAttributes(s, 1, SQL_COLUMN_TYPE, nullptr, 0, nullptr, &number), SQL_SUCCESS);
        EXPECT_EQ(number, SQL_DECIMAL) << "an ODBC 2 environment sees DECIMAL";
    }
    SQLDisconnect(dbc);
}

}  // namespace
