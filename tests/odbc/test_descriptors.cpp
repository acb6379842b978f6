// Descriptors through the driver manager: the descriptor functions on the
// implicit and explicit descriptors of a statement, and fetching into columns
// bound through an explicit ARD.
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using namespace odbc_test;

SQLCHAR* sql(const char* s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s)); }

std::string state_of(SQLSMALLINT type, SQLHANDLE handle)
{
    SQLCHAR state[6] = {};
    SQLINTEGER native;
    SQLSMALLINT length;
    SQLGetDiagRec(type, handle, 1, state, &native, nullptr, 0, &length);
    return reinterpret_cast<char*>(state);
}

class Descriptors : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string in = "DRIVER={Tarnwell Firebird ODBC};DATABASE=" + process_database() + ";UID=SYSDBA";
        ASSERT_EQ(SQLDriverConnect(dbc, nullptr, sql(in.c_str()), SQL_NTS, nullptr, 0, nullptr,
                                   SQL_DRIVER_NOPROMPT),
                  SQL_SUCCESS)
            << dbc.diag();
    }
    void TearDown() override { SQLDisconnect(dbc); }

    Env env = odbc3_env();
    Dbc dbc{env};
};

TEST_F(Descriptors, BindingColumnZeroIsRefusedWithoutWritingAnything)
{
    // Bookmarks are not supported: column 0 of a new statement, whose ARD
    // has no records yet, is an invalid index and nothing is written.
    Stmt s(dbc);
    unsigned char bookmark[16];
    std::memset(bookmark, 0x5A, sizeof bookmark);
    SQLLEN ind = 12345;
    EXPECT_EQ(SQLBindCol(s, 0, SQL_C_VARBOOKMARK, bookmark, sizeof bookmark, &ind), SQL_ERROR);
    EXPECT_EQ(state_of(SQL_HANDLE_STMT, s), "07009");
    EXPECT_EQ(ind, 12345);
    for (unsigned char b : bookmark) EXPECT_EQ(b, 0x5A);
    // Unbinding column 0 is refused the same way.
    EXPECT_EQ(SQLBindCol(s, 0, SQL_C_VARBOOKMARK, nullptr, 0, nullptr), SQL_ERROR);

    // The statement is unharmed and column 1 binds and fetches.
    SQLINTEGER value = 0;
    ASSERT_EQ(SQLExecDirect(s, sql("SELECT 7 FROM RDB$DATABASE"), SQL_NTS), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLBindCol(s, 1, SQL_C_SLONG, &value, 0, &ind), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(value, 7);
}

}  // namespace
