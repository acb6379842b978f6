// Data at execution through the driver manager: SQLParamData hands out the
// tokens of the parameters bound with SQL_DATA_AT_EXEC in order, SQLPutData
// sends their values in pieces (BLOBs streamed, other markers collected),
// and the last SQLParamData runs the statement; SQLCancel ends a dialogue.
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using namespace odbc_test;

// Tokens the tests bind as data pointers: SQLParamData hands them back.
SQLPOINTER token(intptr_t n) { return reinterpret_cast<SQLPOINTER>(n); }

class DataAtExec : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(connect_to_test_database(dbc, "CHARSET=UTF8;"));
    }
    void TearDown() override { SQLDisconnect(dbc); }

    void run(const char* text)
    {
        Stmt s(dbc);
        ASSERT_EQ(SQLExecDirect(s, sql(text), SQL_NTS), SQL_SUCCESS) << text << "\n" << s.diag();
    }

    // Binds parameter `n` for data at execution with `token` as its data
    // pointer.
    void bind_at_exec(SQLHSTMT s, SQLUSMALLINT n, SQLSMALLINT c_type, SQLSMALLINT sql_type, SQLPOINTER tok)
    {
        ASSERT_EQ(SQLBindParameter(s, n, SQL_PARAM_INPUT, c_type, sql_type, 0, 0, tok, 0, &at_exec),
                  SQL_SUCCESS);
    }

    // The first column of the single row of `query` as text ("<NULL>" for
    // NULL), read as SQL_C_CHAR.
    std::string value_of(const char* query)
    {
        Stmt s(dbc);
        EXPECT_EQ(SQLExecDirect(s, sql(query), SQL_NTS), SQL_SUCCESS) << query << "\n" << s.diag();
        EXPECT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
        char text[256] = {};
        SQLLEN indicator = 0;
        EXPECT_TRUE(SQL_SUCCEEDED(SQLGetData(s, 1, SQL_C_CHAR, text, sizeof text, &indicator))) << s.diag();
        return indicator == SQL_NULL_DATA ? "<NULL>" : text;
    }

    Env env = odbc3_env();
    Dbc dbc{env};
    SQLLEN at_exec = SQL_DATA_AT_EXEC;
};

TEST_F(DataAtExec, ParametersTwoAndFourOfFourAreAskedForInOrder)
{
    run("RECREATE TABLE T_DAE4 (A INTEGER, B VARCHAR(10), C INTEGER, D VARCHAR(10))");
    Stmt s(dbc);
    SQLINTEGER a = 1, c = 3;
    SQLLEN fixed = 0;
    ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &a, 0, &fixed), SQL_SUCCESS);
    bind_at_exec(s, 2, SQL_C_CHAR, SQL_VARCHAR, token(2));
    ASSERT_EQ(SQLBindParameter(s, 3, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &c, 0, &fixed), SQL_SUCCESS);
    SQLLEN at_exec_len = SQL_LEN_DATA_AT_EXEC(4);
    ASSERT_EQ(SQLBindParameter(s, 4, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 0, 0, token(4), 0, &at_exec_len),
              SQL_SUCCESS);

    ASSERT_EQ(SQLExecDirect(s, sql("INSERT INTO T_DAE4 VALUES (?, ?, ?, ?)"), SQL_NTS), SQL_NEED_DATA) << s.diag();
    SQLPOINTER asked = nullptr;
    ASSERT_EQ(SQLParamData(s, &asked), SQL_NEED_DATA) << s.diag();
    EXPECT_EQ(asked, token(2));
    ASSERT_EQ(SQLPutData(s, sql("two"), SQL_NTS), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLParamData(s, &asked), SQL_NEED_DATA) << s.diag();
    EXPECT_EQ(asked, token(4));
    ASSERT_EQ(SQLPutData(s, sql("four"), 4), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLParamData(s, &asked), SQL_SUCCESS) << s.diag();

    EXPECT_EQ(value_of("SELECT A || '|' || B || '|' || C || '|' || D FROM T_DAE4"), "1|two|3|four");
}

// Pieces for one marker that is not a BLOB: collected in place, the length
// sent being what came, or refused without a wrong value.
TEST_F(DataAtExec, PiecesForOtherMarkersAreCollectedInPlace)
{
    struct Piece {
        std::string bytes;
        SQLLEN length;  // SQL_NULL_DATA, or bytes.size() when 0
    };
    struct Case {
        const char* name;
        const char* column;
        SQLSMALLINT c_type;
        std::vector<Piece> pieces;
        const char* stored;        // the column read back as text
        const char* failed_state;  // when a piece is refused: its SQLSTATE
    };
    const std::string wide_xyz("x\0y\0z\0", 6);  // 6 bytes: 3 characters
    const std::string forty_two("\x2A\0\0\0", 4);
    const Case cases[] = {
        {"three pieces", "CHAR(10)", SQL_C_CHAR, {{"ab", 0}, {"cd", 0}, {"ef", 0}}, "abcdef    ", nullptr},
        {"collected length", "VARCHAR(10)", SQL_C_CHAR, {{"ab", 0}, {"cd", 0}, {"ef", 0}}, "abcdef", nullptr},
        {"a NULL piece", "VARCHAR(10)", SQL_C_CHAR, {{"", SQL_NULL_DATA}}, "<NULL>", nullptr},
        {"a NULL piece for a number", "INTEGER", SQL_C_CHAR, {{"", SQL_NULL_DATA}}, "<NULL>", nullptr},
        {"a wide piece of 6 bytes", "VARCHAR(10)", SQL_C_WCHAR, {{wide_xyz, 0}}, "xyz", nullptr},
        {"text for a number", "INTEGER", SQL_C_CHAR, {{"12", 0}, {"3", 0}}, "123", nullptr},
        {"a C integer", "INTEGER", SQL_C_SLONG, {{forty_two, 0}}, "42", nullptr},
        {"text for a date", "DATE", SQL_C_CHAR, {{"2024-03-", 0}, {"15", 0}}, "2024-03-15", nullptr},
        {"one byte too many", "VARCHAR(5) CHARACTER SET NONE", SQL_C_CHAR, {{"abc", 0}, {"def", 0}}, nullptr, "22001"},
        {"a piece after NULL", "VARCHAR(5)", SQL_C_CHAR, {{"", SQL_NULL_DATA}, {"a", 0}}, nullptr, "HY020"},
        {"a C integer in two pieces", "INTEGER", SQL_C_SLONG, {{forty_two, 0}, {forty_two, 0}}, nullptr, "HY019"},
        {"a negative length", "VARCHAR(5)", SQL_C_CHAR, {{"a", -7}}, nullptr, "HY090"},
        {"an odd length of wide text", "VARCHAR(5)", SQL_C_WCHAR, {{wide_xyz, 5}}, nullptr, "HY090"},
        {"half a surrogate pair", "VARCHAR(5)", SQL_C_WCHAR, {{std::string("a\0\x00\xDC", 4), 0}}, nullptr, "HY000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        run((std::string("RECREATE TABLE T_DAE_PIECES (ID INTEGER, V ") + c.column + ")").c_str());
        Stmt s(dbc);
        bind_at_exec(s, 1, c.c_type, SQL_VARCHAR, token(1));
        ASSERT_EQ(SQLExecDirect(s, sql("INSERT INTO T_DAE_PIECES (ID, V) VALUES (1, ?)"), SQL_NTS), SQL_NEED_DATA)
            << s.diag();
        SQLPOINTER asked = nullptr;
        ASSERT_EQ(SQLParamData(s, &asked), SQL_NEED_DATA) << s.diag();
        std::string refused;
        for (const Piece& p : c.pieces) {
            const SQLLEN length = p.length != 0 ? p.length : static_cast<SQLLEN>(p.bytes.size());
            if (SQLPutData(s, const_cast<char*>(p.bytes.data()), length) != SQL_SUCCESS) {
                refused = state_of(s);
                break;
            }
        }
        if (c.failed_state != nullptr) {
            EXPECT_EQ(refused, c.failed_state);
            EXPECT_EQ(SQLCancel(s), SQL_SUCCESS) << s.diag();
            EXPECT_EQ(value_of("SELECT COUNT(*) FROM T_DAE_PIECES"), "0");
            continue;
        }
        ASSERT_EQ(refused, "");
        ASSERT_EQ(SQLParamData(s, &asked), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(value_of("SELECT V FROM T_DAE_PIECES"), c.stored);
    }
}

TEST_F(DataAtExec, ABlobInTwoPiecesReadsBackIdentical)
{
    run("RECREATE TABLE T_DAE_BLOB (ID INTEGER, B BLOB SUB_TYPE 0)");
    std::vector<char> value(100000);
    for (size_t i = 0; i < value.size(); ++i) value[i] = static_cast<char>((i * 7919) >> 3);
    {
        Stmt s(dbc);
        bind_at_exec(s, 1, SQL_C_BINARY, SQL_LONGVARBINARY, token(1));
        ASSERT_EQ(SQLExecDirect(s, sql("INSERT INTO T_DAE_BLOB (ID, B) VALUES (1, ?)"), SQL_NTS), SQL_NEED_DATA);
        SQLPOINTER asked = nullptr;
        ASSERT_EQ(SQLParamData(s, &asked), SQL_NEED_DATA) << s.diag();
        ASSERT_EQ(SQLPutData(s, value.data(), 50000), SQL_SUCCESS) << s.diag();
        ASSERT_EQ(SQLPutData(s, value.data() + 50000, 50000), SQL_SUCCESS) << s.diag();
        ASSERT_EQ(SQLParamData(s, &asked), SQL_SUCCESS) << s.diag();
    }
    Stmt s(dbc);
    ASSERT_EQ(SQLExecDirect(s, sql("SELECT B FROM T_DAE_BLOB"), SQL_NTS), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS);
    std::vector<char> read(value.size() + 16);
    SQLLEN length = 0;
    ASSERT_EQ(SQLGetData(s, 1, SQL_C_BINARY, read.data(), static_cast<SQLLEN>(read.size()), &length), SQL_SUCCESS)
        << s.diag();
    ASSERT_EQ(length, 100000);
    EXPECT_TRUE(std::memcmp(read.data(), value.data(), value.size()) == 0);
}

// Text outside Latin-1 in wide pieces that split a surrogate pair, into a
// UTF8 VARCHAR and a text BLOB, reads back identical.
TEST_F(DataAtExec, WidePiecesOnAUtf8ConnectionReadBackIdentical)
{
    run("RECREATE TABLE T_DAE_WIDE (V VARCHAR(20) CHARACTER SET UTF8, B BLOB SUB_TYPE TEXT CHARACTER SET UTF8)");
    const std::u16string text = u"Жук €5 \U0001F600 ok";
    const size_t split = text.find(u'\xD83D') + 1;  // between the halves of the pair
    Stmt s(dbc);
    bind_at_exec(s, 1, SQL_C_WCHAR, SQL_WVARCHAR, token(1));
    bind_at_exec(s, 2, SQL_C_WCHAR, SQL_WLONGVARCHAR, token(2));
    ASSERT_EQ(SQLExecDirect(s, sql("INSERT INTO T_DAE_WIDE (V, B) VALUES (?, ?)"), SQL_NTS), SQL_NEED_DATA);
    SQLPOINTER asked = nullptr;
    for (int parameter = 1; parameter <= 2; ++parameter) {
        ASSERT_EQ(SQLParamData(s, &asked), SQL_NEED_DATA) << s.diag();
        EXPECT_EQ(asked, token(parameter));
        ASSERT_EQ(SQLPutData(s, const_cast<char16_t*>(text.data()), static_cast<SQLLEN>(2 * split)), SQL_SUCCESS)
            << s.diag();
        ASSERT_EQ(SQLPutData(s, const_cast<char16_t*>(text.data() + split),
                             static_cast<SQLLEN>(2 * (text.size() - split))),
                  SQL_SUCCESS)
            << s.diag();
    }
    ASSERT_EQ(SQLParamData(s, &asked), SQL_SUCCESS) << s.diag();

    Stmt read(dbc);
    ASSERT_EQ(SQLExecDirect(read, sql("SELECT V, B FROM T_DAE_WIDE"), SQL_NTS), SQL_SUCCESS) << read.diag();
    ASSERT_EQ(SQLFetch(read), SQL_SUCCESS);
    char16_t wide[64] = {};
    SQLLEN length = 0;
    ASSERT_EQ(SQLGetData(read, 1, SQL_C_WCHAR, wide, sizeof wide, &length), SQL_SUCCESS) << read.diag();
    EXPECT_EQ(std::u16string(wide, static_cast<size_t>(length) / 2), text);
    // The BLOB holds the same text in the connection's character set.
    char narrow[64] = {};
    ASSERT_EQ(SQLGetData(read, 2, SQL_C_CHAR, narrow, sizeof narrow, &length), SQL_SUCCESS) << read.diag();
    EXPECT_EQ(std::string(narrow, static_cast<size_t>(length)), "\xD0\x96\xD1\x83\xD0\xBA \xE2\x82\xAC" "5 \xF0\x9F\x98\x80 ok");
}

// A prepared statement executed again: the value sent in pieces this time
// replaces the NULL sent the time before.
TEST_F(DataAtExec, AValueFollowsANullOfTheLastExecution)
{
    run("RECREATE TABLE T_DAE_AGAIN (N INTEGER, V VARCHAR(10))");
    Stmt s(dbc);
    SQLINTEGER n = 0;
    SQLLEN fixed = 0;
    ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &n, 0, &fixed), SQL_SUCCESS);
    bind_at_exec(s, 2, SQL_C_CHAR, SQL_VARCHAR, token(2));
    ASSERT_EQ(SQLPrepare(s, sql("INSERT INTO T_DAE_AGAIN (N, V) VALUES (?, ?)"), SQL_NTS), SQL_SUCCESS);
    for (SQLLEN piece : {SQLLEN{SQL_NULL_DATA}, SQLLEN{3}}) {
        ++n;
        ASSERT_EQ(SQLExecute(s), SQL_NEED_DATA) << s.diag();
        SQLPOINTER asked = nullptr;
        ASSERT_EQ(SQLParamData(s, &asked), SQL_NEED_DATA) << s.diag();
        ASSERT_EQ(SQLPutData(s, sql("abc"), piece), SQL_SUCCESS) << s.diag();
        ASSERT_EQ(SQLParamData(s, &asked), SQL_SUCCESS) << s.diag();
    }
    EXPECT_EQ(value_of("SELECT LIST(N || '=' || COALESCE(V, 'null')) FROM (SELECT N, V FROM T_DAE_AGAIN ORDER BY N)"),
              "1=null,2=abc");
}

TEST_F(DataAtExec, CancelEndsTheDialogueAndTheStatementRunsAgain)
{
    run("RECREATE TABLE T_DAE_CANCEL (ID INTEGER, B BLOB SUB_TYPE 0)");
    Stmt s(dbc);
    SQLINTEGER id = 1;
    SQLLEN fixed = 0;
    ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &id, 0, &fixed), SQL_SUCCESS);
    bind_at_exec(s, 2, SQL_C_BINARY, SQL_LONGVARBINARY, token(2));
    ASSERT_EQ(SQLPrepare(s, sql("INSERT INTO T_DAE_CANCEL (ID, B) VALUES (?, ?)"), SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s), SQL_NEED_DATA) << s.diag();
    SQLPOINTER asked = nullptr;
    ASSERT_EQ(SQLParamData(s, &asked), SQL_NEED_DATA) << s.diag();
    ASSERT_EQ(SQLPutData(s, sql("half a blob"), 11), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLCancel(s), SQL_SUCCESS) << s.diag();

    // Out of the dialogue: no piece is taken.
    EXPECT_EQ(SQLPutData(s, sql("more"), 4), SQL_ERROR);
    EXPECT_EQ(state_of(s), "HY010");

    // A normal execute of the same statement.
    id = 2;
    char bytes[] = "whole";
    SQLLEN length = 5;
    ASSERT_EQ(SQLBindParameter(s, 2, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY, 0, 0, bytes, 5, &length),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(value_of("SELECT LIST(ID || ':' || CAST(B AS VARCHAR(10))) FROM T_DAE_CANCEL"), "2:whole");
}

// With PARAMSET_SIZE 3, each parameter set asks for its own value; every set
// runs once.
TEST_F(DataAtExec, EachParameterSetOfAnArrayAsksForItsValue)
{
    run("RECREATE TABLE T_DAE_ARRAY (ID INTEGER, V VARCHAR(10))");
    Stmt s(dbc);
    SQLINTEGER ids[3] = {1, 2, 3};
    SQLLEN id_lengths[3] = {0, 0, 0};
    SQLLEN indicators[3] = {SQL_DATA_AT_EXEC, SQL_DATA_AT_EXEC, SQL_DATA_AT_EXEC};
    char tokens[3][8] = {"row0", "row1", "row2"};
    SQLUSMALLINT statuses[3] = {99, 99, 99};
    SQLULEN processed = 0;
    ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(3), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAM_STATUS_PTR, statuses, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, ids, 0, id_lengths),
              SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(s, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 10, 0, tokens, 8, indicators),
              SQL_SUCCESS);
    ASSERT_EQ(SQLExecDirect(s, sql("INSERT INTO T_DAE_ARRAY (ID, V) VALUES (?, ?)"), SQL_NTS), SQL_NEED_DATA)
        << s.diag();
    SQLPOINTER asked = nullptr;
    SQLRETURN rc;
    std::vector<std::string> asked_rows;
    while ((rc = SQLParamData(s, &asked)) == SQL_NEED_DATA) {
        asked_rows.emplace_back(static_cast<char*>(asked));
        const std::string value = "v" + asked_rows.back();
        ASSERT_EQ(SQLPutData(s, const_cast<char*>(value.c_str()), SQL_NTS), SQL_SUCCESS) << s.diag();
        ASSERT_LE(asked_rows.size(), 3u);
    }
    ASSERT_EQ(rc, SQL_SUCCESS) << s.diag();
    EXPECT_EQ(asked_rows, (std::vector<std::string>{"row0", "row1", "row2"}));
    EXPECT_EQ(processed, 3u);
    EXPECT_EQ(statuses[0], SQL_PARAM_SUCCESS);
    EXPECT_EQ(statuses[1], SQL_PARAM_SUCCESS);
    EXPECT_EQ(statuses[2], SQL_PARAM_SUCCESS);
    EXPECT_EQ(value_of("SELECT LIST(ID || '=' || V, ',') FROM (SELECT ID, V FROM T_DAE_ARRAY ORDER BY ID)"),
              "1=vrow0,2=vrow1,3=vrow2");
}

// With a {? = call ...} return value, parameter 1 is the return value and the
// input at execution is parameter 2.
TEST_F(DataAtExec, AnInputOfACallWithAReturnValue)
{
    run("CREATE OR ALTER PROCEDURE P_DAE_LEN (X VARCHAR(20)) RETURNS (R INTEGER) AS BEGIN R = CHAR_LENGTH(X); SUSPEND; END");
    Stmt s(dbc);
    SQLINTEGER result = -1;
    SQLLEN result_indicator = 0;
    ASSERT_EQ(SQLBindParameter(s, 1, SQL_PARAM_OUTPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &result, 0,
                               &result_indicator),
              SQL_SUCCESS);
    bind_at_exec(s, 2, SQL_C_CHAR, SQL_VARCHAR, token(2));
    ASSERT_EQ(SQLExecDirect(s, sql("{? = call P_DAE_LEN(?)}"), SQL_NTS), SQL_NEED_DATA) << s.diag();
    SQLPOINTER asked = nullptr;
    ASSERT_EQ(SQLParamData(s, &asked), SQL_NEED_DATA) << s.diag();
    EXPECT_EQ(asked, token(2));
    ASSERT_EQ(SQLPutData(s, sql("hello"), SQL_NTS), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLPutData(s, sql(" world"), SQL_NTS), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLParamData(s, &asked), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(result, 11);
}

}  // namespace
