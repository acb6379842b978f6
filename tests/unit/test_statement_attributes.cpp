// Statement attributes that the driver manager hides or maps: application
// descriptors and their restoration, and the widths values are read at.
#include <cstring>

#include "connection.h"
#include "fetch.h"
#include "statement_attributes.h"
#include "unit_support.h"

namespace {

using StatementAttributes = HandleTest;

TEST_F(StatementAttributes, ApplicationDescriptorsCanBeSwappedAndRestored)
{
    Statement& s = *as_record<Statement>(alloc_statement());
    SQLHANDLE mine = nullptr;
    ASSERT_EQ(alloc_handle_guarded(SQL_HANDLE_DESC, dbc, &mine), SQL_SUCCESS);
    EXPECT_EQ(set_stmt_attr(s, SQL_ATTR_APP_ROW_DESC, mine), SQL_SUCCESS);
    EXPECT_EQ(s.ard, as_record<Descriptor>(mine));
    EXPECT_EQ(set_stmt_attr(s, SQL_ATTR_APP_ROW_DESC, nullptr), SQL_SUCCESS);
    EXPECT_EQ(s.ard, s.ard_implicit) << "a null handle restores the implicit descriptor";

    // Another statement's implicit descriptor is refused.
    Statement& other = *as_record<Statement>(alloc_statement());
    EXPECT_EQ(set_stmt_attr(s, SQL_ATTR_APP_PARAM_DESC, static_cast<HandleHeader*>(other.apd)), SQL_ERROR);
    EXPECT_STREQ(first_diag(&s)->sqlstate, "HY017");
    EXPECT_EQ(s.apd, s.apd_implicit);
    clear_diags(&s);
    EXPECT_EQ(set_stmt_attr(s, SQL_ATTR_IMP_ROW_DESC, mine), SQL_ERROR);
    EXPECT_STREQ(first_diag(&s)->sqlstate, "HYC00");
}

TEST_F(StatementAttributes, ValuesAreReadAtTheirOdbcWidths)
{
    Statement& s = *as_record<Statement>(alloc_statement());
    struct Case {
        SQLINTEGER attribute;
        int width;
    };
    const Case cases[] = {
        {SQL_ATTR_MAX_ROWS, 8},         {SQL_ATTR_ROW_ARRAY_SIZE, 8},   {SQL_ATTR_ROW_STATUS_PTR, 8},
        {SQL_ATTR_APP_ROW_DESC, 8},     {SQL_ATTR_ENABLE_AUTO_IPD, 4},  {SQL_ATTR_CURSOR_SCROLLABLE, 8},
        {SQL_ATTR_CURSOR_SENSITIVITY, 8}, {SQL_ATTR_NOSCAN, 8},
    };
    for (const Case& c : cases) {
        StmtAttrValue value;
        EXPECT_EQ(get_stmt_attr(s, c.attribute, value), SQL_SUCCESS) << c.attribute;
        EXPECT_EQ(value.width, c.width) << c.attribute;
    }
    // A four-byte value never touches the bytes beyond it.
    unsigned char out[8];
    std::memset(out, 0xAB, sizeof out);
    SQLINTEGER length = 0;
    StmtAttrValue value;
    ASSERT_EQ(get_stmt_attr(s, SQL_ATTR_ENABLE_AUTO_IPD, value), SQL_SUCCESS);
    store_stmt_attr(value, out, &length);
    EXPECT_EQ(length, 4);
    EXPECT_EQ(out[4], 0xAB);

    // A statement default read through the connection has the statement's
    // width.
    for (SQLINTEGER attribute : {SQL_ATTR_NOSCAN, SQL_ATTR_CURSOR_SCROLLABLE, SQL_ATTR_CURSOR_SENSITIVITY,
                                 SQL_ATTR_MAX_ROWS, SQL_ATTR_METADATA_ID, SQL_ATTR_CONCURRENCY}) {
        ConnectAttrValue on_connection;
        ASSERT_EQ(get_connect_attr(connection(), attribute, on_connection), SQL_SUCCESS) << attribute;
        ASSERT_EQ(get_stmt_attr(s, attribute, value), SQL_SUCCESS) << attribute;
        EXPECT_EQ(on_connection.width, value.width) << attribute;
    }

    EXPECT_EQ(get_stmt_attr(s, 4242, value), SQL_ERROR);
    EXPECT_STREQ(first_diag(&s)->sqlstate, "HY092");
    clear_diags(&s);
    EXPECT_EQ(set_stmt_attr(s, SQL_ATTR_ASYNC_ENABLE, reinterpret_cast<SQLPOINTER>(1)), SQL_ERROR);
    EXPECT_STREQ(first_diag(&s)->sqlstate, "HYC00");
}

}  // namespace

namespace {

using BindColumns = HandleTest;

TEST_F(BindColumns, UnbindingTheHighestColumnLowersTheCount)
{
    Statement& s = *as_record<Statement>(alloc_statement());
    SQLINTEGER a, b, c;
    SQLLEN ia, ib, ic;
    ASSERT_EQ(bind_column(s, 1, SQL_C_SLONG, &a, 0, &ia), SQL_SUCCESS);
    ASSERT_EQ(bind_column(s, 2, SQL_C_SLONG, &b, 0, &ib), SQL_SUCCESS);
    ASSERT_EQ(bind_column(s, 3, SQL_C_SLONG, &c, 0, &ic), SQL_SUCCESS);
    EXPECT_EQ(s.ard->count, 3);
    EXPECT_EQ(s.ard->records[3].octet_length, 4) << "a fixed-size type takes its size";
    bind_column(s, 2, SQL_C_SLONG, nullptr, 0, nullptr);
    EXPECT_EQ(s.ard->count, 3) << "a lower column leaves the count";
    bind_column(s, 3, SQL_C_SLONG, nullptr, 0, nullptr);
    EXPECT_EQ(s.ard->count, 1) << "past every trailing unbound column";

    // The date types, in their ODBC 2 and ODBC 3 spellings, are datetime
    // types with their interval codes, as SQL_DESC_CONCISE_TYPE sets them.
    SQL_DATE_STRUCT date;
    ASSERT_EQ(bind_column(s, 2, SQL_C_DATE, &date, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(s.ard->records[2].type, SQL_DATETIME);
    EXPECT_EQ(s.ard->records[2].datetime_interval_code, SQL_CODE_DATE);
    EXPECT_EQ(s.ard->records[2].octet_length, 6);
    ASSERT_EQ(bind_column(s, 2, SQL_C_TYPE_DATE, &date, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(s.ard->records[2].concise_type, SQL_C_TYPE_DATE);
    EXPECT_EQ(s.ard->records[2].type, SQL_DATETIME);
    EXPECT_EQ(s.ard->records[2].datetime_interval_code, SQL_CODE_DATE);
}

}  // namespace
