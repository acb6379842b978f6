// Fetching through the driver manager: bound columns, rowsets of any size
// with column-wise and row-wise binding, the cursor's end, and transactions
// seen from a second connection.
#include <sys/mman.h>

#include <cstring>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using namespace odbc_test;

class Fetch : public ::testing::Test {
protected:
    void SetUp() override
    {
        connect(dbc, "");
        run("RECREATE TABLE T_ROWS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20), N INTEGER)");
        run("INSERT INTO T_ROWS VALUES (1, 'one', 10)");
        run("INSERT INTO T_ROWS VALUES (2, 'two', NULL)");
        run("INSERT INTO T_ROWS VALUES (3, 'three', 30)");
        run("INSERT INTO T_ROWS VALUES (4, 'four', 40)");
        run("INSERT INTO T_ROWS VALUES (5, 'five', 50)");
    }
    void TearDown() override { SQLDisconnect(dbc); }

    void connect(Dbc& c, const std::string& extra)
    {
        ASSERT_TRUE(connect_to_test_database(c, extra));
    }
    void run(const std::string& text, Dbc* on = nullptr)
    {
        Stmt s(on ? *on : dbc);
        ASSERT_EQ(SQLExecDirect(s, sql(text), SQL_NTS), SQL_SUCCESS) << text << "\n" << s.diag();
    }
    // COUNT(*) of T_ROWS as seen by a connection.
    SQLINTEGER count_rows(Dbc& c)
    {
        Stmt s(c);
        SQLINTEGER n = -1;
        SQLLEN ind = 0;
        EXPECT_EQ(SQLExecDirect(s, sql("SELECT COUNT(*) FROM T_ROWS"), SQL_NTS), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(SQLBindCol(s, 1, SQL_C_SLONG, &n, 0, &ind), SQL_SUCCESS);
        EXPECT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(SQLFetch(s), SQL_NO_DATA);
        return n;
    }

    Env env = odbc3_env();
    Dbc dbc{env};
};

TEST_F(Fetch, RowsetOfFiveOverThreeRemainingRows)
{
    Stmt s(dbc);
    ASSERT_EQ(SQLExecDirect(s, sql("SELECT ID FROM T_ROWS WHERE ID > 2 ORDER BY ID"), SQL_NTS), SQL_SUCCESS);
    SQLINTEGER ids[5] = {};
    SQLLEN ind[5] = {};
    SQLUSMALLINT status[5];
    SQLULEN fetched = 99;
    ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(5), 0), SQL_SUCCESS);
    SQLSetStmtAttr(s, SQL_ATTR_ROW_STATUS_PTR, status, 0);
    SQLSetStmtAttr(s, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    ASSERT_EQ(SQLBindCol(s, 1, SQL_C_SLONG, ids, 0, ind), SQL_SUCCESS);

    EXPECT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(fetched, 3u);
    const SQLUSMALLINT expected[] = {SQL_ROW_SUCCESS, SQL_ROW_SUCCESS, SQL_ROW_SUCCESS, SQL_ROW_NOROW, SQL_ROW_NOROW};
    EXPECT_TRUE(std::equal(status, status + 5, expected));
    EXPECT_EQ(ids[0], 3);
    EXPECT_EQ(ids[1], 4);
    EXPECT_EQ(ids[2], 5);
    EXPECT_EQ(ind[2], 4);

    EXPECT_EQ(SQLFetch(s), SQL_NO_DATA);
    EXPECT_EQ(fetched, 0u);
    for (SQLUSMALLINT st : status) EXPECT_EQ(st, SQL_ROW_NOROW);
    EXPECT_EQ(SQLFetch(s), SQL_NO_DATA) << "the end is sticky";
}

TEST_F(Fetch, ColumnWiseAndRowWiseBindingWithABindOffset)
{
    // Column-wise: names of 20 bytes, lengths a SQLLEN apart; the offset
    // moves every address by the same number of bytes.
    struct {
        char pad[8];
        char names[3][20];
        SQLLEN lengths[3];
    } columns{};
    Stmt s(dbc);
    ASSERT_EQ(SQLExecDirect(s, sql("SELECT NAME FROM T_ROWS ORDER BY ID"), SQL_NTS), SQL_SUCCESS);
    SQLLEN offset = 8;
    SQLSetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(3), 0);
    SQLSetStmtAttr(s, SQL_ATTR_ROW_BIND_OFFSET_PTR, &offset, 0);
    // Bound at the start of the structure; the offset reaches the arrays.
    ASSERT_EQ(SQLBindCol(s, 1, SQL_C_CHAR, reinterpret_cast<char*>(&columns), 20,
                         reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(columns.lengths) - 8)),
              SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    EXPECT_STREQ(columns.names[0], "one");
    EXPECT_STREQ(columns.names[1], "two");
    EXPECT_STREQ(columns.names[2], "three");
    EXPECT_EQ(columns.lengths[2], 5);

    // Row-wise: one structure per row.
    struct Row {
        SQLINTEGER id;
        SQLLEN id_ind;
        char name[20];
        SQLLEN name_ind;
        SQLINTEGER n;
        SQLLEN n_ind;
    };
    Row rows[2] = {};
    Stmt r(dbc);
    ASSERT_EQ(SQLExecDirect(r, sql("SELECT ID, NAME, N FROM T_ROWS ORDER BY ID"), SQL_NTS), SQL_SUCCESS);
    SQLSetStmtAttr(r, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(sizeof(Row)), 0);
    SQLSetStmtAttr(r, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(2), 0);
    SQLBindCol(r, 1, SQL_C_SLONG, &rows[0].id, 0, &rows[0].id_ind);
    SQLBindCol(r, 2, SQL_C_CHAR, rows[0].name, sizeof rows[0].name, &rows[0].name_ind);
    SQLBindCol(r, 3, SQL_C_SLONG, &rows[0].n, 0, &rows[0].n_ind);
    ASSERT_EQ(SQLFetch(r), SQL_SUCCESS) << r.diag();
    EXPECT_EQ(rows[0].id, 1);
    EXPECT_STREQ(rows[0].name, "one");
    EXPECT_EQ(rows[0].n, 10);
    EXPECT_EQ(rows[1].id, 2);
    EXPECT_STREQ(rows[1].name, "two");
    EXPECT_EQ(rows[1].n_ind, SQL_NULL_DATA);
}

// A row size of 2 GiB or more arrives in the 32-bit descriptor field with
// its top bit set; it is still row-wise binding. Only the pages of the two
// rows of the reserved span are touched.
TEST_F(Fetch, RowsOfTwoGigabytesOrMoreAreStillRowWise)
{
    constexpr SQLULEN row_size = 0x80000010u;
    const size_t span = row_size + 4096;
    void* area = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(area, MAP_FAILED);
    struct Row {
        SQLINTEGER id;
        SQLLEN indicator;
    };
    auto* first = static_cast<Row*>(area);
    auto* second = reinterpret_cast<Row*>(static_cast<char*>(area) + row_size);
    {
        Stmt s(dbc);
        ASSERT_EQ(SQLExecDirect(s, sql("SELECT ID FROM T_ROWS ORDER BY ID"), SQL_NTS), SQL_SUCCESS);
        SQLSetStmtAttr(s, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(row_size), 0);
        SQLSetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(2), 0);
        SQLBindCol(s, 1, SQL_C_SLONG, &first->id, 0, &first->indicator);
        EXPECT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    }
    EXPECT_EQ(first->id, 1);
    EXPECT_EQ(first->indicator, 4);
    EXPECT_EQ(second->id, 2);
    EXPECT_EQ(second->indicator, 4);
    munmap(area, span);
}

// NUMERIC text into bound buffers: a buffer with room for the longest text
// of the scale receives it whole, a smaller one cut with 01004 for its row.
TEST_F(Fetch, NumericTextIntoBoundBuffersWholeOrCut)
{
    run("RECREATE TABLE T_NUM (ID INTEGER, N NUMERIC(18,4))");
    run("INSERT INTO T_NUM VALUES (1, -922337203685477.5807)");
    run("INSERT INTO T_NUM VALUES (2, 0.0001)");
    struct Case {
        SQLLEN size;
        const char* first;
        SQLUSMALLINT first_status;
    };
    for (const Case& c : {Case{22, "-922337203685477.5807", SQL_ROW_SUCCESS},
                          Case{8, "-922337", SQL_ROW_SUCCESS_WITH_INFO}}) {
        SCOPED_TRACE(c.size);
        Stmt s(dbc);
        ASSERT_EQ(SQLExecDirect(s, sql("SELECT N FROM T_NUM ORDER BY ID"), SQL_NTS), SQL_SUCCESS) << s.diag();
        std::vector<char> text(static_cast<size_t>(2 * c.size + 1), '#');
        SQLLEN lengths[2] = {};
        SQLUSMALLINT status[2] = {};
        SQLSetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(2), 0);
        SQLSetStmtAttr(s, SQL_ATTR_ROW_STATUS_PTR, status, 0);
        ASSERT_EQ(SQLBindCol(s, 1, SQL_C_CHAR, text.data(), c.size, lengths), SQL_SUCCESS);
        ASSERT_TRUE(SQL_SUCCEEDED(SQLFetch(s))) << s.diag();
        EXPECT_STREQ(text.data(), c.first);
        EXPECT_STREQ(text.data() + c.size, "0.0001");
        EXPECT_EQ(lengths[0], 21);
        EXPECT_EQ(lengths[1], 6);
        EXPECT_EQ(status[0], c.first_status);
        EXPECT_EQ(status[1], SQL_ROW_SUCCESS);
        EXPECT_EQ(text[static_cast<size_t>(2 * c.size)], '#') << "written past the rowset";
    }
}

TEST_F(Fetch, AConversionErrorFailsOnlyItsRow)
{
    // N is NULL in row 2 and bound without an indicator: 22002 for that row.
    Stmt s(dbc);
    ASSERT_EQ(SQLExecDirect(s, sql("SELECT N FROM T_ROWS ORDER BY ID"), SQL_NTS), SQL_SUCCESS);
    SQLINTEGER n[4] = {};
    SQLUSMALLINT status[4];
    SQLULEN fetched = 0;
    SQLSetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(4), 0);
    SQLSetStmtAttr(s, SQL_ATTR_ROW_STATUS_PTR, status, 0);
    SQLSetStmtAttr(s, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    SQLBindCol(s, 1, SQL_C_SLONG, n, 0, nullptr);
    // One failed row makes the rowset's result a warning, not an error.
    EXPECT_EQ(SQLFetch(s), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(status[0], SQL_ROW_SUCCESS);
    EXPECT_EQ(status[1], SQL_ROW_ERROR);
    EXPECT_EQ(status[2], SQL_ROW_SUCCESS);
    EXPECT_EQ(status[3], SQL_ROW_SUCCESS);
    EXPECT_EQ(n[3], 40);
    EXPECT_EQ(fetched, 3u);
    EXPECT_EQ(state_of(SQL_HANDLE_STMT, s), "22002");
}

TEST_F(Fetch, AServerFailureAfterTheFirstRowIsAWarning)
{
    // The server computes 1/(ID-2) as it fetches: row 2 divides by zero.
    Stmt s(dbc);
    ASSERT_EQ(SQLExecDirect(s, sql("SELECT 1/(ID-2) FROM T_ROWS ORDER BY ID"), SQL_NTS), SQL_SUCCESS) << s.diag();
    SQLINTEGER n[3] = {};
    SQLLEN ind[3] = {};
    SQLUSMALLINT status[3];
    SQLULEN fetched = 0;
    SQLSetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(3), 0);
    SQLSetStmtAttr(s, SQL_ATTR_ROW_STATUS_PTR, status, 0);
    SQLSetStmtAttr(s, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    SQLBindCol(s, 1, SQL_C_SLONG, n, 0, ind);
    EXPECT_EQ(SQLFetch(s), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(status[0], SQL_ROW_SUCCESS);
    EXPECT_EQ(status[1], SQL_ROW_ERROR);
    EXPECT_EQ(n[0], -1);
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(state_of(SQL_HANDLE_STMT, s), "22012") << "the server's error reaches the application";
}

TEST_F(Fetch, MaxRowsAndRetrieveDataAndFetchOrientations)
{
    Stmt s(dbc);
    SQLSetStmtAttr(s, SQL_ATTR_MAX_ROWS, reinterpret_cast<SQLPOINTER>(3), 0);
    ASSERT_EQ(SQLExecDirect(s, sql("SELECT ID FROM T_ROWS ORDER BY ID"), SQL_NTS), SQL_SUCCESS);
    SQLINTEGER id = 0;
    SQLLEN ind;
    SQLBindCol(s, 1, SQL_C_SLONG, &id, 0, &ind);
    EXPECT_EQ(SQLFetchScroll(s, SQL_FETCH_FIRST, 0), SQL_SUCCESS) << "FIRST before any row is NEXT";
    EXPECT_EQ(id, 1);
    EXPECT_EQ(SQLFetchScroll(s, SQL_FETCH_FIRST, 0), SQL_ERROR);
    EXPECT_EQ(state_of(SQL_HANDLE_STMT, s), "HY106");
    EXPECT_EQ(SQLFetchScroll(s, SQL_FETCH_PRIOR, 0), SQL_ERROR);
    EXPECT_EQ(SQLFetch(s), SQL_SUCCESS);
    // Without retrieval the cursor moves but the buffer stays.
    SQLSetStmtAttr(s, SQL_ATTR_RETRIEVE_DATA, reinterpret_cast<SQLPOINTER>(SQL_RD_OFF), 0);
    id = -7;
    EXPECT_EQ(SQLFetch(s), SQL_SUCCESS);
    EXPECT_EQ(id, -7);
    EXPECT_EQ(SQLFetch(s), SQL_NO_DATA) << "the fourth row is past MAX_ROWS";
}

TEST_F(Fetch, ExtendedFetchKeepsTheStatementsOwnPointers)
{
    Stmt s(dbc);
    ASSERT_EQ(SQLExecDirect(s, sql("SELECT ID FROM T_ROWS ORDER BY ID"), SQL_NTS), SQL_SUCCESS);
    SQLUSMALLINT own_status[2];
    SQLULEN own_count = 77;
    SQLSetStmtAttr(s, SQL_ATTR_ROW_STATUS_PTR, own_status, 0);
    SQLSetStmtAttr(s, SQL_ATTR_ROWS_FETCHED_PTR, &own_count, 0);
    SQLSetStmtAttr(s, SQL_ROWSET_SIZE, reinterpret_cast<SQLPOINTER>(2), 0);
    SQLINTEGER ids[2];
    SQLLEN ind[2];
    SQLBindCol(s, 1, SQL_C_SLONG, ids, 0, ind);
    SQLULEN count = 0;
    SQLUSMALLINT status[2] = {9, 9};
    EXPECT_EQ(SQLExtendedFetch(s, SQL_FETCH_NEXT, 0, &count, status), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(status[1], SQL_ROW_SUCCESS);
    EXPECT_EQ(own_count, 77u);
    SQLUSMALLINT* pointer = nullptr;
    SQLGetStmtAttr(s, SQL_ATTR_ROW_STATUS_PTR, &pointer, 0, nullptr);
    EXPECT_EQ(pointer, own_status);
}

TEST_F(Fetch, ProcedureRowComesOnTheFirstFetchOnly)
{
    run("CREATE OR ALTER PROCEDURE P_ONE RETURNS (X INTEGER) AS BEGIN X = 42; END");
    Stmt s(dbc);
    ASSERT_EQ(SQLExecDirect(s, sql("EXECUTE PROCEDURE P_ONE"), SQL_NTS), SQL_SUCCESS) << s.diag();
    SQLINTEGER x = 0;
    SQLLEN ind;
    SQLBindCol(s, 1, SQL_C_SLONG, &x, 0, &ind);
    EXPECT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(x, 42);
    EXPECT_EQ(SQLFetch(s), SQL_NO_DATA);
}

TEST_F(Fetch, TransactionsAsSeenFromASecondConnection)
{
    Dbc other(env);
    connect(other, "");
    // Auto-commit: visible at once.
    run("INSERT INTO T_ROWS VALUES (6, 'six', 60)");
    EXPECT_EQ(count_rows(other), 6);

    // Manual commit: visible after commit, gone after rollback.
    ASSERT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
              SQL_SUCCESS);
    run("INSERT INTO T_ROWS VALUES (7, 'seven', 70)");
    EXPECT_EQ(count_rows(other), 6);
    EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT), SQL_SUCCESS) << dbc.diag();
    EXPECT_EQ(count_rows(other), 7);
    run("INSERT INTO T_ROWS VALUES (8, 'eight', 80)");
    EXPECT_EQ(count_rows(dbc), 8);
    EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK), SQL_SUCCESS) << dbc.diag();
    EXPECT_EQ(count_rows(dbc), 7);

    // Disconnecting discards uncommitted work.
    run("INSERT INTO T_ROWS VALUES (9, 'nine', 90)");
    EXPECT_EQ(SQLDisconnect(dbc), SQL_SUCCESS) << dbc.diag();
    EXPECT_EQ(count_rows(other), 7);
    connect(dbc, "");
    SQLDisconnect(other);
}

// A full commit (FlushCommit) ends the transaction under an open cursor and
// invalidates the BLOB the current row opened: the cursor must still close.
TEST_F(Fetch, ACursorWithAnUnreadBlobClosesAfterACommit)
{
    run("RECREATE TABLE T_TEXTS (ID INTEGER NOT NULL PRIMARY KEY, T BLOB SUB_TYPE TEXT)");
    run("INSERT INTO T_TEXTS VALUES (1, 'one')");
    run("INSERT INTO T_TEXTS VALUES (2, 'two')");
    Dbc c(env);
    connect(c, "FLUSHCOMMIT=1");
    ASSERT_EQ(SQLSetConnectAttr(c, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
              SQL_SUCCESS);
    {
        Stmt s(c);
        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round);
            ASSERT_EQ(SQLExecDirect(s, sql("SELECT ID, T FROM T_TEXTS ORDER BY ID"), SQL_NTS), SQL_SUCCESS)
                << s.diag();
            ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
            ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, c, SQL_COMMIT), SQL_SUCCESS) << c.diag();
            EXPECT_EQ(SQLCloseCursor(s), SQL_SUCCESS) << s.diag();
        }
        // As pyodbc executes again: SQL_CLOSE, then the statement, whose
        // BLOBs read normally.
        ASSERT_EQ(SQLExecDirect(s, sql("SELECT ID, T FROM T_TEXTS ORDER BY ID"), SQL_NTS), SQL_SUCCESS) << s.diag();
        ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
        ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, c, SQL_COMMIT), SQL_SUCCESS) << c.diag();
        EXPECT_EQ(SQLFreeStmt(s, SQL_CLOSE), SQL_SUCCESS) << s.diag();
        ASSERT_EQ(SQLExecDirect(s, sql("SELECT ID, T FROM T_TEXTS ORDER BY ID"), SQL_NTS), SQL_SUCCESS) << s.diag();
        char text[8] = {};
        SQLLEN ind = 0;
        ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(SQLGetData(s, 2, SQL_C_CHAR, text, sizeof text, &ind), SQL_SUCCESS) << s.diag();
        EXPECT_STREQ(text, "one");
    }
    EXPECT_EQ(SQLDisconnect(c), SQL_SUCCESS) << c.diag();
}

TEST_F(Fetch, CommitSelectCommitsWhenTheCursorEnds)
{
    // With full commits (FlushCommit) every commit gives the connection a
    // new transaction number, so the commit at the cursor's end shows.
    auto current_transaction = [](Dbc& c) {
        Stmt s(c);
        SQLBIGINT id = -1;
        SQLLEN ind = 0;
        EXPECT_EQ(SQLExecDirect(s, sql("SELECT CURRENT_TRANSACTION FROM RDB$DATABASE"), SQL_NTS), SQL_SUCCESS)
            << s.diag();
        SQLBindCol(s, 1, SQL_C_SBIGINT, &id, 0, &ind);
        EXPECT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(SQLFetch(s), SQL_NO_DATA);
        return id;
    };
    for (bool commit_select : {false, true}) {
        SCOPED_TRACE(commit_select);
        Dbc reader(env);
        connect(reader, commit_select ? "FLUSHCOMMIT=1;COMMITSELECT=1" : "FLUSHCOMMIT=1;COMMITSELECT=0");
        SQLBIGINT first = current_transaction(reader);
        SQLBIGINT second = current_transaction(reader);
        if (commit_select)
            EXPECT_GT(second, first);
        else
            EXPECT_EQ(second, first);
        SQLDisconnect(reader);
    }
}

}  // namespace
