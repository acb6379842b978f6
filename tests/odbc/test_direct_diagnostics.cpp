// The diagnostic exports called directly, as the driver manager calls them:
// the driver manager rewraps records for the application, so the driver's
// own truncation and tag rules are checked at the driver's boundary.
#include <cstring>
#include <string>

#include "handles.h"
#include "harness.h"

namespace {

using AllocHandleFn = SQLRETURN(SQLSMALLINT, SQLHANDLE, SQLHANDLE*);
using FreeHandleFn = SQLRETURN(SQLSMALLINT, SQLHANDLE);
using AllocEnvFn = SQLRETURN(SQLHENV*);
using SetEnvAttrFn = SQLRETURN(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER);
using GetEnvAttrFn = SQLRETURN(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER, SQLINTEGER*);
using GetDiagRecFn = SQLRETURN(SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLCHAR*, SQLINTEGER*, SQLCHAR*,
                               SQLSMALLINT, SQLSMALLINT*);
using GetDiagRecWFn = SQLRETURN(SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLWCHAR*, SQLINTEGER*,
                                SQLWCHAR*, SQLSMALLINT, SQLSMALLINT*);
using GetDiagFieldFn = SQLRETURN(SQLSMALLINT, SQLHANDLE, SQLSMALLINT, SQLSMALLINT, SQLPOINTER,
                                 SQLSMALLINT, SQLSMALLINT*);
using FreeStmtFn = SQLRETURN(SQLHSTMT, SQLUSMALLINT);

class DriverExports : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(alloc, nullptr);
        ASSERT_EQ(alloc(SQL_HANDLE_ENV, nullptr, &env), SQL_SUCCESS);
        ASSERT_EQ(alloc(SQL_HANDLE_DBC, env, &dbc), SQL_SUCCESS);
    }
    void TearDown() override
    {
        if (dbc) {
            EXPECT_EQ(release(SQL_HANDLE_DBC, dbc), SQL_SUCCESS);
        }
        if (env) {
            EXPECT_EQ(release(SQL_HANDLE_ENV, env), SQL_SUCCESS);
        }
    }
    // Leaves one HYC00 record ("Optional feature not implemented") on env.
    void post_hyc00() { ASSERT_EQ(set_env_attr(env, 12345, nullptr, 0), SQL_ERROR); }
    // Leaves one HY009 record ("Invalid use of null pointer", 238) on dbc.
    void post_hy009() { ASSERT_EQ(alloc(SQL_HANDLE_STMT, dbc, nullptr), SQL_ERROR); }

    odbc_test::DirectDriver driver;
    AllocHandleFn* alloc = driver.entry<AllocHandleFn>("SQLAllocHandle");
    FreeHandleFn* release = driver.entry<FreeHandleFn>("SQLFreeHandle");
    SetEnvAttrFn* set_env_attr = driver.entry<SetEnvAttrFn>("SQLSetEnvAttr");
    GetDiagRecFn* get_diag_rec = driver.entry<GetDiagRecFn>("SQLGetDiagRec");
    GetDiagRecWFn* get_diag_rec_w = driver.entry<GetDiagRecWFn>("SQLGetDiagRecW");
    GetDiagFieldFn* get_diag_field = driver.entry<GetDiagFieldFn>("SQLGetDiagField");
    GetDiagFieldFn* get_diag_field_w = driver.entry<GetDiagFieldFn>("SQLGetDiagFieldW");
    SQLHANDLE env = nullptr;
    SQLHANDLE dbc = nullptr;
};

TEST_F(DriverExports, WrongHandlesAreInvalid)
{
    SQLHANDLE out = reinterpret_cast<SQLHANDLE>(0x1);
    EXPECT_EQ(alloc(SQL_HANDLE_DBC, dbc, &out), SQL_INVALID_HANDLE);
    EXPECT_EQ(out, nullptr);
    auto free_stmt = driver.entry<FreeStmtFn>("SQLFreeStmt");
    EXPECT_EQ(free_stmt(dbc, SQL_CLOSE), SQL_INVALID_HANDLE);
    EXPECT_EQ(free_stmt(nullptr, SQL_CLOSE), SQL_INVALID_HANDLE);
    EXPECT_EQ(set_env_attr(dbc, SQL_ATTR_ODBC_VERSION, nullptr, 0), SQL_INVALID_HANDLE);
    EXPECT_EQ(get_diag_rec(SQL_HANDLE_ENV, nullptr, 1, nullptr, nullptr, nullptr, 0, nullptr),
              SQL_INVALID_HANDLE);
    // Transactions end on a connection only.
    using EndTranFn = SQLRETURN(SQLSMALLINT, SQLHANDLE, SQLSMALLINT);
    auto end_tran = driver.entry<EndTranFn>("SQLEndTran");
    EXPECT_EQ(end_tran(SQL_HANDLE_ENV, env, SQL_COMMIT), SQL_INVALID_HANDLE);
    EXPECT_EQ(end_tran(SQL_HANDLE_DBC, env, SQL_COMMIT), SQL_INVALID_HANDLE);
    EXPECT_EQ(end_tran(SQL_HANDLE_DBC, dbc, SQL_COMMIT), SQL_SUCCESS) << "no transaction open";
}

TEST_F(DriverExports, ExecuteBeforePrepareIsASequenceError)
{
    // The driver manager normally refuses this call; the driver must not
    // reach for what a prepare would have made.
    SQLHANDLE stmt = nullptr;
    ASSERT_EQ(alloc(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
    using ExecuteFn = SQLRETURN(SQLHSTMT);
    EXPECT_EQ(driver.entry<ExecuteFn>("SQLExecute")(stmt), SQL_ERROR);
    SQLCHAR state[6] = {};
    get_diag_rec(SQL_HANDLE_STMT, stmt, 1, state, nullptr, nullptr, 0, nullptr);
    EXPECT_STREQ(reinterpret_cast<char*>(state), "HY010");
    EXPECT_EQ(release(SQL_HANDLE_STMT, stmt), SQL_SUCCESS);
}

TEST_F(DriverExports, Odbc2AllocationAndVersionAttribute)
{
    auto alloc_env = driver.entry<AllocEnvFn>("SQLAllocEnv");
    auto get_env_attr = driver.entry<GetEnvAttrFn>("SQLGetEnvAttr");
    SQLHENV env2 = nullptr;
    ASSERT_EQ(alloc_env(&env2), SQL_SUCCESS);
    SQLINTEGER version = 0;
    EXPECT_EQ(get_env_attr(env2, SQL_ATTR_ODBC_VERSION, &version, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(version, 2);
    EXPECT_EQ(set_env_attr(env2, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(380), 0), SQL_SUCCESS);
    EXPECT_EQ(get_env_attr(env2, SQL_ATTR_ODBC_VERSION, &version, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(version, 3);
    EXPECT_EQ(driver.entry<FreeHandleFn>("SQLFreeEnv") ? release(SQL_HANDLE_ENV, env2) : SQL_ERROR,
              SQL_SUCCESS);
}

TEST_F(DriverExports, DiagRecWritesOnlyWholePieces)
{
    post_hyc00();  // message "Optional feature not implemented", 32 characters
    struct Case {
        SQLSMALLINT buffer_length;
        const char* text;  // null: nothing written
        SQLRETURN rc;
    };
    const Case cases[] = {
        {10, nullptr, SQL_SUCCESS_WITH_INFO},
        {15, "[Tarnwell]", SQL_SUCCESS_WITH_INFO},
        {21, "[Tarnwell][Firebird]", SQL_SUCCESS_WITH_INFO},
        {52, "[Tarnwell][Firebird]", SQL_SUCCESS_WITH_INFO},
        {53, "[Tarnwell][Firebird]Optional feature not implemented", SQL_SUCCESS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.buffer_length);
        SQLCHAR state[6] = {}, text[64];
        std::memset(text, '#', sizeof text);
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        EXPECT_EQ(get_diag_rec(SQL_HANDLE_ENV, env, 1, state, &native, text, c.buffer_length, &length),
                  c.rc);
        EXPECT_STREQ(reinterpret_cast<char*>(state), "HYC00");
        EXPECT_EQ(native, 102);
        EXPECT_EQ(length, 52);
        if (c.text)
            EXPECT_STREQ(reinterpret_cast<char*>(text), c.text);
        else
            EXPECT_EQ(text[0], '#');
    }
}

TEST_F(DriverExports, DiagRecOfGeneralErrorWithFifteenBytes)
{
    post_hy009();
    // The records are the shared handle records: give this one the message
    // of a general error, 13 characters.
    DiagRecord* record = static_cast<HandleHeader*>(dbc)->diag_list;
    ASSERT_NE(record, nullptr);
    std::strcpy(record->message_text, "General Error");
    SQLCHAR text[15];
    SQLSMALLINT length = 0;
    EXPECT_EQ(get_diag_rec(SQL_HANDLE_DBC, dbc, 1, nullptr, nullptr, text, 15, &length),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_STREQ(reinterpret_cast<char*>(text), "[Tarnwell]");
    EXPECT_EQ(length, 33);
}

TEST_F(DriverExports, DiagRecNumbersAndClearing)
{
    post_hy009();
    SQLCHAR state[6];
    SQLINTEGER native = 0;
    EXPECT_EQ(get_diag_rec(SQL_HANDLE_DBC, dbc, -1, state, &native, nullptr, 0, nullptr),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_STREQ(reinterpret_cast<char*>(state), "HY009");
    EXPECT_EQ(native, 238);
    EXPECT_EQ(get_diag_rec(SQL_HANDLE_DBC, dbc, 0, state, &native, nullptr, 0, nullptr), SQL_NO_DATA);
    EXPECT_EQ(get_diag_rec(SQL_HANDLE_DBC, dbc, 2, state, &native, nullptr, 0, nullptr), SQL_NO_DATA);
    // Reading does not clear; the next successful call does.
    EXPECT_EQ(get_diag_rec(SQL_HANDLE_DBC, dbc, 1, state, &native, nullptr, 0, nullptr),
              SQL_SUCCESS_WITH_INFO);
    SQLHANDLE stmt = nullptr;
    ASSERT_EQ(alloc(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
    EXPECT_EQ(get_diag_rec(SQL_HANDLE_DBC, dbc, 1, state, &native, nullptr, 0, nullptr), SQL_NO_DATA);
    EXPECT_EQ(release(SQL_HANDLE_STMT, stmt), SQL_SUCCESS);
}

TEST_F(DriverExports, DiagRecWideCountsCharacters)
{
    post_hyc00();
    SQLWCHAR state[6], text[64];
    SQLSMALLINT length = 0;
    EXPECT_EQ(get_diag_rec_w(SQL_HANDLE_ENV, env, 1, state, nullptr, text, 15, &length),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(std::u16string(text, text + 10), u"[Tarnwell]");
    EXPECT_EQ(text[10], 0);
    EXPECT_EQ(std::u16string(state, state + 5), u"HYC00");
    EXPECT_EQ(length, 52);
    EXPECT_EQ(get_diag_rec_w(SQL_HANDLE_ENV, env, 1, state, nullptr, text, 64, &length), SQL_SUCCESS);
    EXPECT_EQ(std::u16string(text, text + 52),
              u"[Tarnwell][Firebird]Optional feature not implemented");
}

TEST_F(DriverExports, DiagFields)
{
    post_hy009();
    post_hy009();  // cleared first: still one record
    SQLINTEGER count = 0;
    EXPECT_EQ(get_diag_field(SQL_HANDLE_DBC, dbc, 0, SQL_DIAG_NUMBER, &count, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(count, 1);

    struct TextCase {
        SQLSMALLINT field;
        const char* value;
    };
    const TextCase texts[] = {
        {SQL_DIAG_SQLSTATE, "HY009"},
        {SQL_DIAG_MESSAGE_TEXT, "Invalid use of null pointer"},
        {SQL_DIAG_CLASS_ORIGIN, "ISO 9075"},
        {SQL_DIAG_SUBCLASS_ORIGIN, "ODBC 3.0"},
        {SQL_DIAG_CONNECTION_NAME, ""},
        {SQL_DIAG_SERVER_NAME, ""},
    };
    for (const TextCase& c : texts) {
        SCOPED_TRACE(c.field);
        char buffer[64];
        SQLSMALLINT length = -1;
        EXPECT_EQ(get_diag_field(SQL_HANDLE_DBC, dbc, 1, c.field, buffer, sizeof buffer, &length),
                  SQL_SUCCESS);
        EXPECT_STREQ(buffer, c.value);
        EXPECT_EQ(length, static_cast<SQLSMALLINT>(std::strlen(c.value)));
        SQLWCHAR wide[64];
        EXPECT_EQ(get_diag_field_w(SQL_HANDLE_DBC, dbc, 1, c.field, wide, sizeof wide, &length),
                  SQL_SUCCESS);
        EXPECT_EQ(length, static_cast<SQLSMALLINT>(2 * std::strlen(c.value))) << "W lengths are bytes";
        EXPECT_EQ(std::string(wide, wide + std::strlen(c.value)), c.value);
    }

    SQLINTEGER native = 0;
    EXPECT_EQ(get_diag_field(SQL_HANDLE_DBC, dbc, 1, SQL_DIAG_NATIVE, &native, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(native, 238);
    SQLLEN row = -5;
    EXPECT_EQ(get_diag_field(SQL_HANDLE_DBC, dbc, 1, SQL_DIAG_ROW_NUMBER, &row, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(row, 0);

    // Fields without an answer, and missing records.
    for (int field : {SQL_DIAG_RETURNCODE, SQL_DIAG_ROW_COUNT, SQL_DIAG_DYNAMIC_FUNCTION,
                      SQL_DIAG_CURSOR_ROW_COUNT, 777})
        EXPECT_EQ(get_diag_field(SQL_HANDLE_DBC, dbc, 1, static_cast<SQLSMALLINT>(field), &native, 0, nullptr),
                  SQL_NO_DATA)
            << field;
    EXPECT_EQ(get_diag_field(SQL_HANDLE_DBC, dbc, 2, SQL_DIAG_NATIVE, &native, 0, nullptr), SQL_NO_DATA);
    EXPECT_EQ(get_diag_field(SQL_HANDLE_DBC, dbc, 0, SQL_DIAG_SQLSTATE, &native, 0, nullptr), SQL_NO_DATA);
}

TEST_F(DriverExports, DiagFieldTextIsCutAndTerminated)
{
    post_hy009();
    char buffer[8];
    SQLSMALLINT length = 0;
    EXPECT_EQ(get_diag_field(SQL_HANDLE_DBC, dbc, 1, SQL_DIAG_MESSAGE_TEXT, buffer, 8, &length),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_STREQ(buffer, "Invalid");
    EXPECT_EQ(length, 27);
}

}  // namespace
