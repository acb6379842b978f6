// Statements through the driver manager: execution, row counts, the
// transaction statements, read-only connections, errors from the server,
// statement attributes and cursor names.
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using namespace odbc_test;

struct Diag {
    std::string state;
    SQLINTEGER native = 0;
    std::string message;
};

Diag diag_of(SQLSMALLINT type, SQLHANDLE handle)
{
    Diag d;
    SQLCHAR state[6] = {}, message[1024] = {};
    SQLSMALLINT length;
    if (SQLGetDiagRec(type, handle, 1, state, &d.native, message, sizeof message, &length) == SQL_SUCCESS) {
        d.state = reinterpret_cast<char*>(state);
        d.message = reinterpret_cast<char*>(message);
    }
    return d;
}

class Statements : public ::testing::Test {
protected:
    void SetUp() override { connect(dbc, ""); }
    void TearDown() override { SQLDisconnect(dbc); }

    void connect(Dbc& c, const std::string& extra)
    {
        ASSERT_TRUE(connect_to_test_database(c, extra));
    }

    SQLRETURN exec(Stmt& s, const char* text) { return SQLExecDirect(s, sql(text), SQL_NTS); }
    void run(const char* text)
    {
        Stmt s(dbc);
        ASSERT_EQ(exec(s, text), SQL_SUCCESS) << text << "\n" << s.diag();
    }
    SQLLEN row_count(Stmt& s)
    {
        SQLLEN n = -99;
        EXPECT_EQ(SQLRowCount(s, &n), SQL_SUCCESS);
        return n;
    }
    SQLUINTEGER autocommit()
    {
        SQLUINTEGER value = 99;
        SQLGetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, &value, 0, nullptr);
        return value;
    }

    Env env = odbc3_env();
    Dbc dbc{env};
};

TEST_F(Statements, RowCountsOfEachKindOfStatement)
{
    run("RECREATE TABLE T_COUNT (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(10))");
    Stmt s(dbc);
    struct Case {
        const char* text;
        SQLLEN rows;
    };
    const Case cases[] = {
        {"INSERT INTO T_COUNT VALUES (1, 'a')", 1},
        {"INSERT INTO T_COUNT SELECT 1 + ID, 'b' FROM T_COUNT", 1},
        {"INSERT INTO T_COUNT SELECT 2 + ID, 'c' FROM T_COUNT", 2},
        {"UPDATE T_COUNT SET NAME = 'x' WHERE ID <= 3", 3},
        {"DELETE FROM T_COUNT WHERE ID = 4", 1},
        {"DELETE FROM T_COUNT WHERE ID = 99", 0},
        {"SELECT * FROM T_COUNT", -1},
        {"CREATE INDEX IX_COUNT ON T_COUNT (NAME)", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SQLFreeStmt(s, SQL_CLOSE);
        ASSERT_EQ(exec(s, c.text), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(row_count(s), c.rows);
    }
    EXPECT_EQ(SQLMoreResults(s), SQL_NO_DATA);
}

TEST_F(Statements, TransactionStatementsSwitchAutoCommit)
{
    run("RECREATE TABLE T_TXN (ID INTEGER)");
    Stmt s(dbc);
    ASSERT_EQ(exec(s, "SET TRANSACTION"), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(row_count(s), 0);
    EXPECT_EQ(autocommit(), SQL_AUTOCOMMIT_OFF);
    ASSERT_EQ(exec(s, "INSERT INTO T_TXN VALUES (1)"), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(exec(s, "COMMIT"), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(autocommit(), SQL_AUTOCOMMIT_ON);
    ASSERT_EQ(exec(s, "SET TRANSACTION"), SQL_SUCCESS);
    ASSERT_EQ(exec(s, "ROLLBACK"), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(autocommit(), SQL_AUTOCOMMIT_ON);
}

TEST_F(Statements, ReadOnlyConnectionRunsOnlySelects)
{
    run("RECREATE TABLE T_RO (ID INTEGER)");
    run("CREATE OR ALTER PROCEDURE P_RO AS BEGIN END");
    Dbc ro(env);
    connect(ro, "READONLY=1");
    for (const char* text : {"INSERT INTO T_RO VALUES (1)", "EXECUTE PROCEDURE P_RO",
                             "SELECT ID FROM T_RO FOR UPDATE"}) {
        SCOPED_TRACE(text);
        Stmt s(ro);
        EXPECT_EQ(exec(s, text), SQL_ERROR);
        Diag d = diag_of(SQL_HANDLE_STMT, s);
        EXPECT_EQ(d.state, "HY000");
        EXPECT_NE(d.message.find("READ-ONLY connection"), std::string::npos) << d.message;
    }
    {
        Stmt s(ro);
        EXPECT_EQ(exec(s, "SELECT 1 FROM RDB$DATABASE"), SQL_SUCCESS) << s.diag();
    }
    SQLDisconnect(ro);
}

TEST_F(Statements, ServerErrorsKeepTheirSqlcode)
{
    run("RECREATE TABLE T_ERR (ID INTEGER NOT NULL PRIMARY KEY)");
    run("INSERT INTO T_ERR VALUES (1)");
    Stmt s(dbc);
    EXPECT_EQ(exec(s, "SELEKT 1 FROM RDB$DATABASE"), SQL_ERROR);
    Diag d = diag_of(SQL_HANDLE_STMT, s);
    EXPECT_EQ(d.state, "42000");
    EXPECT_EQ(d.native, -104);
    EXPECT_NE(d.message.find("Token unknown"), std::string::npos) << d.message;

    EXPECT_EQ(exec(s, "INSERT INTO T_ERR VALUES (1)"), SQL_ERROR);
    d = diag_of(SQL_HANDLE_STMT, s);
    EXPECT_EQ(d.state, "23000");
    EXPECT_EQ(d.native, -803);

    EXPECT_EQ(exec(s, ""), SQL_ERROR);
    EXPECT_EQ(diag_of(SQL_HANDLE_STMT, s).state, "42000");
}

TEST_F(Statements, PrepareThenExecuteTwice)
{
    run("RECREATE TABLE T_TWICE (ID INTEGER)");
    Stmt s(dbc);
    ASSERT_EQ(SQLPrepare(s, sql("INSERT INTO T_TWICE VALUES (7)"), SQL_NTS), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(SQLExecute(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(SQLExecute(s), SQL_SUCCESS) << s.diag();

    // The same handle prepared again takes the new statement's type: a
    // SELECT opens a cursor, a DELETE counts its rows.
    ASSERT_EQ(SQLPrepare(s, sql("SELECT ID FROM T_TWICE"), SQL_NTS), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLExecute(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(row_count(s), -1);
    EXPECT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLCloseCursor(s), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLPrepare(s, sql("DELETE FROM T_TWICE WHERE ID = 7"), SQL_NTS), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLExecute(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(row_count(s), 2);

    // Wide text prepares through the connection's code page.
    Stmt w(dbc);
    std::u16string text = u"INSERT INTO T_TWICE VALUES (8) -- größe";
    std::vector<SQLWCHAR> wide(text.begin(), text.end());
    wide.push_back(0);
    EXPECT_EQ(SQLExecDirectW(w, wide.data(), SQL_NTS), SQL_SUCCESS) << w.diag();
    EXPECT_EQ(row_count(w), 1);
}

TEST_F(Statements, CursorNamesAreGeneratedAndSettable)
{
    Stmt a(dbc), b(dbc);
    SQLCHAR first[32], second[32];
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQLGetCursorName(a, first, sizeof first, &length), SQL_SUCCESS);
    EXPECT_EQ(length, 18);
    ASSERT_EQ(SQLGetCursorName(b, second, sizeof second, &length), SQL_SUCCESS);
    std::string one = reinterpret_cast<char*>(first), two = reinterpret_cast<char*>(second);
    EXPECT_EQ(one.substr(0, 6), "SQLCUR");
    EXPECT_EQ(std::stoi(two.substr(14)), std::stoi(one.substr(14)) + 1) << one << " " << two;

    EXPECT_EQ(SQLSetCursorName(a, sql("C23456789012345678"), SQL_NTS), SQL_SUCCESS);
    EXPECT_EQ(SQLSetCursorName(a, sql("C234567890123456789"), SQL_NTS), SQL_ERROR);
    EXPECT_EQ(diag_of(SQL_HANDLE_STMT, a).state, "34000");
    SQLCHAR small[5];
    EXPECT_EQ(SQLGetCursorName(a, small, 5, &length), SQL_SUCCESS_WITH_INFO);
    EXPECT_STREQ(reinterpret_cast<char*>(small), "C234");
    EXPECT_EQ(length, 18);
}

TEST_F(Statements, AttributesAcceptedOnlyAtTheirDefaults)
{
    Stmt s(dbc);
    struct Case {
        SQLINTEGER attribute;
        SQLULEN value;
    };
    for (const Case& c : {Case{SQL_ATTR_QUERY_TIMEOUT, 30}, Case{SQL_ATTR_CURSOR_TYPE, SQL_CURSOR_STATIC}}) {
        SCOPED_TRACE(c.attribute);
        EXPECT_EQ(SQLSetStmtAttr(s, c.attribute, reinterpret_cast<SQLPOINTER>(c.value), 0),
                  SQL_SUCCESS_WITH_INFO);
        EXPECT_EQ(diag_of(SQL_HANDLE_STMT, s).state, "01S02");
        SQLULEN read = 99;
        EXPECT_EQ(SQLGetStmtAttr(s, c.attribute, &read, 0, nullptr), SQL_SUCCESS);
        EXPECT_EQ(read, 0u);
    }
    SQLULEN size = 0;
    EXPECT_EQ(SQLSetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(25), 0), SQL_SUCCESS);
    EXPECT_EQ(SQLGetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, &size, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(size, 25u);
    SQLULEN fetched = 0;
    EXPECT_EQ(SQLSetStmtAttr(s, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), SQL_SUCCESS);
    SQLULEN* pointer = nullptr;
    EXPECT_EQ(SQLGetStmtAttr(s, SQL_ATTR_ROWS_FETCHED_PTR, &pointer, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(pointer, &fetched) << "pointers come back whole";
}

TEST_F(Statements, NativeSqlWShowsWhatPrepareWSendsUnderSimpleUnicode)
{
    // Under SimpleUnicode each unit stands for its low byte: U+017B and
    // U+017D are "{" and "}", so the text holds an escape. SQLNativeSqlW and
    // SQLPrepareW must read it alike: the escape is rewritten in what is
    // shown and in what runs.
    Dbc simple{env};
    connect(simple, "SIMPLEUNICODE=1");
    const std::u16string text = u"SELECT \u017Bfn LOWER('ABC')\u017D FROM RDB$DATABASE";
    std::vector<SQLWCHAR> in(text.begin(), text.end());
    in.push_back(0);
    SQLWCHAR shown[128] = {};
    SQLINTEGER length = 0;
    ASSERT_EQ(SQLNativeSqlW(simple, in.data(), SQL_NTS, shown, 128, &length), SQL_SUCCESS) << simple.diag();
    EXPECT_EQ(std::u16string(shown, shown + length), u"SELECT LOWER('ABC') FROM RDB$DATABASE");

    auto first_value = [&](Stmt& s) {
        char value[16] = {};
        SQLLEN indicator = 0;
        EXPECT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(SQLGetData(s, 1, SQL_C_CHAR, value, sizeof value, &indicator), SQL_SUCCESS);
        return std::string(value);
    };
    {
        Stmt s(simple);
        ASSERT_EQ(SQLPrepareW(s, in.data(), SQL_NTS), SQL_SUCCESS) << s.diag();
        ASSERT_EQ(SQLExecute(s), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(first_value(s), "abc");
    }
    {
        Stmt s(simple);
        ASSERT_EQ(SQLExecDirectW(s, shown, SQL_NTS), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(first_value(s), "abc");
    }
    SQLDisconnect(simple);
}

}  // namespace
