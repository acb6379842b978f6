// Result description through the driver manager against the server: one
// column of every Firebird 3 type, described in ODBC 3 and ODBC 2
// environments.
#include <string>

#include "harness.h"

namespace {

using namespace odbc_test;

struct Column {
    const char* name;
    SQLSMALLINT odbc3_type, odbc2_type;
    SQLULEN size;
    SQLSMALLINT digits;
    SQLSMALLINT nullable;
};

const Column columns[] = {
    {"C_VC_NONE", SQL_VARCHAR, SQL_VARCHAR, 10, 0, SQL_NULLABLE},
    {"C_VC_UTF8", SQL_WVARCHAR, SQL_WVARCHAR, 40, 0, SQL_NULLABLE},
    {"C_CHAR", SQL_CHAR, SQL_CHAR, 5, 0, SQL_NULLABLE},
    {"C_SMALL", SQL_SMALLINT, SQL_SMALLINT, 6, 0, SQL_NULLABLE},
    {"C_INT", SQL_INTEGER, SQL_INTEGER, 11, 0, SQL_NO_NULLS},
    {"C_BIG", SQL_NUMERIC, SQL_DECIMAL, 19, 0, SQL_NULLABLE},
    {"C_N42", SQL_NUMERIC, SQL_DECIMAL, 5, 2, SQL_NULLABLE},
    {"C_N92", SQL_NUMERIC, SQL_DECIMAL, 10, 2, SQL_NULLABLE},
    {"C_N184", SQL_NUMERIC, SQL_DECIMAL, 21, 4, SQL_NULLABLE},
    {"C_FLOAT", SQL_REAL, SQL_REAL, 7, 0, SQL_NULLABLE},
    {"C_DOUBLE", SQL_DOUBLE, SQL_DOUBLE, 15, 0, SQL_NULLABLE},
    {"C_DATE", SQL_TYPE_DATE, SQL_DATE, 10, 0, SQL_NULLABLE},
    {"C_TIME", SQL_TYPE_TIME, SQL_TIME, 8, 0, SQL_NULLABLE},
    {"C_TS", SQL_TYPE_TIMESTAMP, SQL_TIMESTAMP, 24, 4, SQL_NULLABLE},
    {"C_BOOL", SQL_BIT, SQL_BIT, 1, 0, SQL_NULLABLE},
    {"C_TEXT", SQL_LONGVARCHAR, SQL_LONGVARCHAR, 2147483647, 0, SQL_NULLABLE},
    {"C_BIN", SQL_LONGVARBINARY, SQL_LONGVARBINARY, 2147483647, 0, SQL_NULLABLE},
};

const char* table_ddl =
    "RECREATE TABLE T_TYPES (C_VC_NONE VARCHAR(10) CHARACTER SET NONE, C_VC_UTF8 VARCHAR(10) CHARACTER SET UTF8,"
    " C_CHAR CHAR(5) CHARACTER SET NONE, C_SMALL SMALLINT, C_INT INTEGER NOT NULL, C_BIG BIGINT,"
    " C_N42 NUMERIC(4,2), C_N92 NUMERIC(9,2), C_N184 NUMERIC(18,4), C_FLOAT FLOAT, C_DOUBLE DOUBLE PRECISION,"
    " C_DATE DATE, C_TIME TIME, C_TS TIMESTAMP, C_BOOL BOOLEAN, C_TEXT BLOB SUB_TYPE TEXT,"
    " C_BIN BLOB SUB_TYPE BINARY)";

void connect(Dbc& dbc)
{
    ASSERT_TRUE(connect_to_test_database(dbc));
}

TEST(Describe, EveryFirebirdTypeInBothOdbcVersions)
{
    for (SQLINTEGER version : {SQL_OV_ODBC3, SQL_OV_ODBC2}) {
        SCOPED_TRACE(version);
        Env env(SQL_NULL_HANDLE);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(version)), 0);
        Dbc dbc(env);
        connect(dbc);
        {
            Stmt ddl(dbc);
            ASSERT_EQ(SQLExecDirect(ddl, sql(table_ddl), SQL_NTS), SQL_SUCCESS) << ddl.diag();
            Stmt s(dbc);
            ASSERT_EQ(SQLPrepare(s, sql("SELECT * FROM T_TYPES"), SQL_NTS), SQL_SUCCESS) << s.diag();
            SQLSMALLINT count = 0;
            ASSERT_EQ(SQLNumResultCols(s, &count), SQL_SUCCESS);
            ASSERT_EQ(count, static_cast<SQLSMALLINT>(std::size(columns)));
            for (SQLUSMALLINT i = 1; i <= count; ++i) {
                const Column& c = columns[i - 1];
                SCOPED_TRACE(c.name);
                SQLCHAR name[64];
                SQLSMALLINT name_length = 0, type = 0, digits = -1, nullable = -1;
                SQLULEN size = 0;
                ASSERT_EQ(SQLDescribeCol(s, i, name, sizeof name, &name_length, &type, &size, &digits, &nullable),
                          SQL_SUCCESS)
                    << s.diag();
                EXPECT_STREQ(reinterpret_cast<char*>(name), c.name);
                EXPECT_EQ(type, version == SQL_OV_ODBC3 ? c.odbc3_type : c.odbc2_type);
                EXPECT_EQ(size, c.size);
                EXPECT_EQ(digits, c.digits);
                EXPECT_EQ(nullable, c.nullable);
            }
            // Names and type names through the attribute call.
            SQLCHAR text[64];
            SQLSMALLINT length = 0;
            EXPECT_EQ(SQLColAttribute(s, 8, SQL_DESC_TYPE_NAME, text, sizeof text, &length, nullptr), SQL_SUCCESS);
            EXPECT_STREQ(reinterpret_cast<char*>(text), version == SQL_OV_ODBC3 ? "NUMERIC" : "DECIMAL");
            EXPECT_EQ(SQLColAttribute(s, 1, SQL_DESC_BASE_TABLE_NAME, text, sizeof text, &length, nullptr),
                      SQL_SUCCESS);
            EXPECT_STREQ(reinterpret_cast<char*>(text), "T_TYPES");
            SQLLEN number = 0;
            EXPECT_EQ(SQLColAttribute(s, 2, SQL_DESC_OCTET_LENGTH, nullptr, 0, nullptr, &number), SQL_SUCCESS);
            EXPECT_EQ(number, 80) << "a UTF8 column counts two bytes per byte of the server's length";
            EXPECT_EQ(SQLColAttribute(s, 99, SQL_DESC_TYPE_NAME, text, sizeof text, &length, nullptr), SQL_ERROR);
        }
        SQLDisconnect(dbc);
    }
}

TEST(Describe, AliasesNameTheColumns)
{
    Env env = odbc3_env();
    Dbc dbc(env);
    connect(dbc);
    {
        Stmt s(dbc);
        ASSERT_EQ(SQLPrepare(s, sql("SELECT 1 AS ONE, RDB$RELATION_ID FROM RDB$DATABASE"), SQL_NTS), SQL_SUCCESS);
        SQLCHAR name[8];
        SQLSMALLINT length = 0;
        EXPECT_EQ(SQLDescribeCol(s, 1, name, sizeof name, &length, nullptr, nullptr, nullptr, nullptr), SQL_SUCCESS);
        EXPECT_STREQ(reinterpret_cast<char*>(name), "ONE");
        // Cut to the buffer with 01004.
        EXPECT_EQ(SQLDescribeCol(s, 2, name, sizeof name, &length, nullptr, nullptr, nullptr, nullptr),
                  SQL_SUCCESS_WITH_INFO);
        EXPECT_STREQ(reinterpret_cast<char*>(name), "RDB$REL");
        EXPECT_EQ(length, 15);
        EXPECT_EQ(SQLDescribeCol(s, 3, name, sizeof name, &length, nullptr, nullptr, nullptr, nullptr), SQL_ERROR);
    }
    SQLDisconnect(dbc);
}

}  // namespace
