// SQLCancel from a second thread while the first is inside a call on the
// same statement (a query timeout, pyodbc's cancel()): the running call is
// stopped by the server, nothing it uses is freed under it, and the
// statement goes on working. Run under the sanitizers too.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "harness.h"

namespace {

using namespace odbc_test;

// About a minute of work for the server when nothing stops it.
const char* long_query =
    "EXECUTE BLOCK RETURNS (N BIGINT) AS BEGIN N = 0; WHILE (N < 400000000) DO N = N + 1; SUSPEND; END";

TEST(Cancel, FromAnotherThreadStopsTheRunningCallAndFreesNothing)
{
    Env env = odbc3_env();
    Dbc dbc(env);
    ASSERT_TRUE(connect_to_test_database(dbc));
    {
        Stmt s(dbc);
        std::atomic<bool> entering{false};
        SQLRETURN result = SQL_SUCCESS;
        std::thread runner([&] {
            entering = true;
            result = SQLExecDirect(s, sql(long_query), SQL_NTS);
            if (SQL_SUCCEEDED(result)) result = SQLFetch(s);
        });
        while (!entering) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(700));  // well inside the call
        const auto asked = std::chrono::steady_clock::now();
        EXPECT_EQ(SQLCancel(s), SQL_SUCCESS);
        runner.join();
        const auto waited = std::chrono::steady_clock::now() - asked;
        EXPECT_LT(waited, std::chrono::seconds(15)) << "the running call was not stopped";
        EXPECT_EQ(result, SQL_ERROR);
        EXPECT_NE(s.diag().find("cancelled"), std::string::npos) << s.diag();

        // The statement is whole: it closes and runs again.
        EXPECT_EQ(SQLFreeStmt(s, SQL_CLOSE), SQL_SUCCESS) << s.diag();
        ASSERT_EQ(SQLExecDirect(s, sql("SELECT 42 FROM RDB$DATABASE"), SQL_NTS), SQL_SUCCESS) << s.diag();
        SQLINTEGER value = 0;
        SQLLEN indicator = 0;
        ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(SQLGetData(s, 1, SQL_C_SLONG, &value, 0, &indicator), SQL_SUCCESS);
        EXPECT_EQ(value, 42);
        // On an idle statement SQLCancel closes the cursor, as before.
        EXPECT_EQ(SQLCancel(s), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(SQLExecDirect(s, sql("SELECT 1 FROM RDB$DATABASE"), SQL_NTS), SQL_SUCCESS) << s.diag();
    }
    EXPECT_EQ(SQLDisconnect(dbc), SQL_SUCCESS) << dbc.diag();
}

}  // namespace
