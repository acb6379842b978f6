// A statement marked for the read transaction (the driver's catalog
// statements) runs on it from prepare to close: against a real embedded
// database, it reads its BLOBs with no main transaction open, runs on a
// transaction of its own, and commits nothing of the main one.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "connection.h"
#include "convert.h"
#include "describe.h"
#include "fetch.h"
#include "statement.h"
#include "transactions.h"
#include "embedded_database.h"
#include "unit_support.h"

namespace {

class ReadTransaction : public EmbeddedDatabaseTest {
protected:
    void SetUp() override
    {
        EmbeddedDatabaseTest::SetUp();
        if (!HasFatalFailure()) create_and_attach();
    }

    Statement& statement() { return *as_record<Statement>(alloc_statement()); }

    void run_main(Statement& s, const char* text)
    {
        ASSERT_EQ(prepare_and_describe(s, text), SQL_SUCCESS) << text;
        ASSERT_EQ(execute_statement(s, false), SQL_SUCCESS) << text;
    }
    void open_on_read_transaction(Statement& s, const char* text)
    {
        ASSERT_EQ(prepare_narrow(s, text, true), SQL_SUCCESS) << text;
        ASSERT_EQ(describe_results(s), SQL_SUCCESS) << text;
        ASSERT_EQ(execute_statement(s, true), SQL_SUCCESS) << text;
        ASSERT_EQ(fetch_row(s), SQL_SUCCESS) << (first_diag(&s) ? first_diag(&s)->message_text : "");
    }
    SQLINTEGER integer_of(Statement& s, SQLUSMALLINT column)
    {
        SQLINTEGER value = -1;
        SQLLEN indicator = 0;
        EXPECT_EQ(get_data(s, column, SQL_C_SLONG, &value, 0, &indicator), SQL_SUCCESS);
        return value;
    }
};

TEST_F(ReadTransaction, AStatementMarkedForItRunsOnItFromPrepareToClose)
{
    Connection& c = connection();
    Statement& catalog = statement();
    // No main transaction is open: the BLOB of the row is opened on the
    // read transaction too.
    open_on_read_transaction(catalog,
                             "SELECT COUNT(*), CAST('about the tables' AS BLOB SUB_TYPE TEXT) FROM RDB$RELATIONS");
    EXPECT_GT(integer_of(catalog, 1), 0);
    char text[32] = {};
    SQLLEN length = 0;
    EXPECT_EQ(get_data(catalog, 2, SQL_C_CHAR, text, sizeof text, &length), SQL_SUCCESS)
        << (first_diag(&catalog) ? first_diag(&catalog)->message_text : "");
    EXPECT_STREQ(text, "about the tables");
    EXPECT_EQ(close_statement(catalog, 0), SQL_SUCCESS);
    EXPECT_EQ(c.transaction, 0u) << "the main transaction was never needed";

    // With uncommitted work in the main transaction, the statement runs on
    // another transaction, and the CommitSelect commit at its cursor's end
    // and close leaves the main one alone.
    Statement& main = statement();
    run_main(main, "CREATE TABLE T (ID INTEGER)");
    c.autocommit = SQL_AUTOCOMMIT_OFF;
    run_main(main, "INSERT INTO T VALUES (1)");
    run_main(main, "SELECT CURRENT_TRANSACTION FROM RDB$DATABASE");
    ASSERT_EQ(fetch_row(main), SQL_SUCCESS);
    const SQLINTEGER main_transaction = integer_of(main, 1);
    EXPECT_EQ(close_statement(main, 0), SQL_SUCCESS);
    c.commit_select = 1;
    c.autocommit = SQL_AUTOCOMMIT_ON;  // set directly: a commit now would commit the insert
    open_on_read_transaction(catalog, "SELECT CURRENT_TRANSACTION FROM RDB$DATABASE");
    EXPECT_NE(integer_of(catalog, 1), main_transaction);
    EXPECT_EQ(fetch_row(catalog), SQL_NO_DATA);
    EXPECT_EQ(close_statement(catalog, 0), SQL_SUCCESS);
    c.autocommit = SQL_AUTOCOMMIT_OFF;
    ASSERT_EQ(end_transaction(c, SQL_ROLLBACK), SQL_SUCCESS);
    run_main(main, "SELECT COUNT(*) FROM T");
    ASSERT_EQ(fetch_row(main), SQL_SUCCESS);
    EXPECT_EQ(integer_of(main, 1), 0) << "the insert was rolled back, never committed";
    EXPECT_EQ(close_statement(main, 0), SQL_SUCCESS);
}

}  // namespace
