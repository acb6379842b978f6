// Allocation and release of handles, the connection's lists, and the
// environment attributes.
#include <algorithm>
#include <cstring>
#include <vector>

#include "unit_support.h"

namespace {

template <typename Node>
std::vector<Node*> walk(Node* head)
{
    std::vector<Node*> nodes;
    Node* prev = nullptr;
    for (Node* n = head; n != nullptr; n = n->next) {
        EXPECT_EQ(n->prev, prev) << "back link broken";
        nodes.push_back(n);
        prev = n;
        if (nodes.size() > 1000) break;
    }
    return nodes;
}

using Handles = HandleTest;

TEST_F(Handles, WrongInputHandleKindsAreRefused)
{
    SQLHANDLE stmt = alloc_statement();
    SQLHANDLE out = reinterpret_cast<SQLHANDLE>(0x1);
    // A connection under a statement: invalid handle, output nulled.
    EXPECT_EQ(alloc_handle_guarded(SQL_HANDLE_DBC, stmt, &out), SQL_INVALID_HANDLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(alloc_handle_guarded(SQL_HANDLE_STMT, env, &out), SQL_INVALID_HANDLE);
    EXPECT_EQ(alloc_handle_guarded(SQL_HANDLE_DESC, stmt, &out), SQL_INVALID_HANDLE);
    EXPECT_EQ(alloc_handle_guarded(SQL_HANDLE_DBC, nullptr, &out), SQL_INVALID_HANDLE);
    EXPECT_EQ(alloc_handle_guarded(7, dbc, &out), SQL_ERROR);
    EXPECT_EQ(alloc_handle_guarded(SQL_HANDLE_ENV, nullptr, nullptr), SQL_ERROR);

    // Release checks the kind too, and a null handle.
    EXPECT_EQ(free_handle_guarded(SQL_HANDLE_DBC, stmt), SQL_INVALID_HANDLE);
    EXPECT_EQ(free_handle_guarded(SQL_HANDLE_STMT, nullptr), SQL_INVALID_HANDLE);
    EXPECT_EQ(free_handle_guarded(9, stmt), SQL_ERROR);
    EXPECT_EQ(free_handle_guarded(SQL_HANDLE_STMT, stmt), SQL_SUCCESS);
}

TEST_F(Handles, NullOutputPointersPostHY009WithTheirNativeErrors)
{
    struct Case {
        SQLSMALLINT type;
        int native;
    };
    for (const Case& c : {Case{SQL_HANDLE_STMT, 238}, Case{SQL_HANDLE_DESC, 356}}) {
        EXPECT_EQ(alloc_handle_guarded(c.type, dbc, nullptr), SQL_ERROR);
        const DiagRecord* record = first_diag(dbc);
        ASSERT_NE(record, nullptr);
        EXPECT_STREQ(record->sqlstate, "HY009");
        EXPECT_STREQ(record->message_text, "Invalid use of null pointer");
        EXPECT_EQ(record->native_error, c.native);
        EXPECT_STREQ(record->class_origin, "ISO 9075");
        EXPECT_EQ(connection().diag_count, 1) << "the next call clears the previous record";
    }
}

TEST_F(Handles, StatementStartsWithItsImplicitDescriptorsAndConnectionDefaults)
{
    connection().max_rows = 7;
    connection().autocommit = SQL_AUTOCOMMIT_OFF;
    connection().bind_type = 24;
    SQLHANDLE handle = alloc_statement();
    Statement& s = *as_record<Statement>(handle);
    EXPECT_EQ(s.connection, &connection());
    EXPECT_EQ(s.max_rows, 7);
    EXPECT_EQ(s.autocommit, SQL_AUTOCOMMIT_OFF);
    EXPECT_EQ(s.concurrency, SQL_CONCUR_READ_ONLY);
    EXPECT_EQ(s.auto_ipd, 1);
    EXPECT_EQ(s.retrieve_data, SQL_RD_ON);
    EXPECT_EQ(s.row_count, -1);
    EXPECT_EQ(s.ard->bind_type, 24);
    for (Descriptor* d : {s.apd, s.ipd, s.ard, s.ird}) {
        EXPECT_EQ(d->alloc_type, SQL_DESC_ALLOC_AUTO);
        EXPECT_EQ(d->array_size, 1u);
        EXPECT_EQ(d->statement, &s);
        EXPECT_EQ(d->count, 0);
    }
    // Head of the list, in the order APD, ARD, IPD, IRD.
    std::vector<Descriptor*> expected{s.apd, s.ard, s.ipd, s.ird};
    EXPECT_EQ(walk(connection().descriptors), expected);
}

TEST_F(Handles, ListsStayIntactWhateverOrderStatementsAreFreedIn)
{
    // Statements S1..S4; free S1 (the tail), S3 (the middle), S4 (the head).
    std::vector<SQLHANDLE> stmts;
    for (int i = 0; i < 4; ++i) stmts.push_back(alloc_statement());
    SQLHANDLE explicit_desc = nullptr;
    ASSERT_EQ(alloc_handle_guarded(SQL_HANDLE_DESC, dbc, &explicit_desc), SQL_SUCCESS);
    EXPECT_EQ(walk(connection().descriptors).size(), 17u);

    for (int i : {0, 2, 3}) ASSERT_EQ(free_handle_guarded(SQL_HANDLE_STMT, stmts[i]), SQL_SUCCESS);

    auto statements = walk(connection().statements);
    ASSERT_EQ(statements.size(), 1u);
    EXPECT_EQ(statements[0], as_record<Statement>(stmts[1]));
    auto descriptors = walk(connection().descriptors);
    EXPECT_EQ(descriptors.size(), 5u);
    Statement& survivor = *statements[0];
    for (Descriptor* d : {survivor.apd, survivor.ard, survivor.ipd, survivor.ird})
        EXPECT_NE(std::find(descriptors.begin(), descriptors.end(), d), descriptors.end());

    // What is left is freed with the connection's children.
    free_connection_children(connection());
    EXPECT_EQ(connection().statements, nullptr);
    EXPECT_EQ(connection().descriptors, nullptr);
}

TEST_F(Handles, ImplicitDescriptorsCannotBeFreed)
{
    std::strcpy(connection().dsn, "books");
    SQLHANDLE handle = alloc_statement();
    Statement& s = *as_record<Statement>(handle);
    EXPECT_EQ(free_handle_guarded(SQL_HANDLE_DESC, s.ard), SQL_ERROR);
    const DiagRecord* record = first_diag(s.ard);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->sqlstate, "HY017");
    EXPECT_EQ(record->native_error, 158);
    EXPECT_STREQ(record->server_name, "books");
    EXPECT_STREQ(record->message_text, "Invalid use of a automatically allocated descriptor handle");
    // Still the statement's, still working.
    EXPECT_EQ(s.ard, s.ard_implicit);
    EXPECT_EQ(free_statement_option(s, SQL_UNBIND), SQL_SUCCESS);
}

TEST_F(Handles, FreeingAnExplicitDescriptorInUseRestoresTheImplicitOne)
{
    Statement& s = *as_record<Statement>(alloc_statement());
    SQLHANDLE desc = nullptr;
    ASSERT_EQ(alloc_handle_guarded(SQL_HANDLE_DESC, dbc, &desc), SQL_SUCCESS);
    Descriptor* d = as_record<Descriptor>(desc);
    EXPECT_EQ(d->alloc_type, SQL_DESC_ALLOC_USER);
    EXPECT_EQ(d->array_size, 0u);
    s.ard = d;
    ASSERT_EQ(free_handle_guarded(SQL_HANDLE_DESC, desc), SQL_SUCCESS);
    EXPECT_EQ(s.ard, s.ard_implicit);
}

TEST_F(Handles, FreeStmtOptions)
{
    Statement& s = *as_record<Statement>(alloc_statement());
    s.ard->records = new DescRecord[4]{};
    s.ard->count = 3;
    s.apd->records = new DescRecord[3]{};
    s.apd->count = 2;

    EXPECT_EQ(free_statement_option(s, SQL_UNBIND), SQL_SUCCESS);
    EXPECT_EQ(s.ard->count, 0);
    EXPECT_NE(s.ard->records, nullptr) << "unbinding keeps the records";
    EXPECT_EQ(free_statement_option(s, SQL_RESET_PARAMS), SQL_SUCCESS);
    EXPECT_EQ(s.apd->count, 0);
    EXPECT_EQ(free_statement_option(s, 99), SQL_SUCCESS);
    EXPECT_EQ(free_statement_option(s, SQL_CLOSE), SQL_SUCCESS);
}

TEST_F(Handles, AnAttachedConnectionMustBeDisconnectedFirst)
{
    connection().db_handle = 42;
    EXPECT_EQ(free_handle_guarded(SQL_HANDLE_DBC, dbc), SQL_ERROR);
    EXPECT_STREQ(first_diag(dbc)->sqlstate, "HY010");
    connection().db_handle = 0;
}

TEST_F(Handles, EnvironmentAttributes)
{
    Environment& e = *as_record<Environment>(env);
    EXPECT_EQ(e.odbc_version, 0);
    struct Case {
        SQLINTEGER attribute;
        intptr_t value;
        SQLRETURN rc;
        int native;
        int row;
    };
    const Case cases[] = {
        {SQL_ATTR_ODBC_VERSION, 380, SQL_SUCCESS, 0, 0},
        {SQL_ATTR_CONNECTION_POOLING, 1, SQL_ERROR, 73, 0},
        {SQL_ATTR_CP_MATCH, 1, SQL_ERROR, 80, 0},
        {SQL_ATTR_OUTPUT_NTS, 1, SQL_ERROR, 95, -1},
        {12345, 1, SQL_ERROR, 102, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attribute);
        clear_diags(&e);
        EXPECT_EQ(set_env_attr(e, c.attribute, reinterpret_cast<SQLPOINTER>(c.value)), c.rc);
        if (c.rc == SQL_ERROR) {
            const DiagRecord* r = first_diag(env);
            ASSERT_NE(r, nullptr);
            EXPECT_STREQ(r->sqlstate, "HYC00");
            EXPECT_STREQ(r->class_origin, "ODBC 3.0");
            EXPECT_EQ(r->native_error, c.native);
            EXPECT_EQ(r->row_number, c.row);
            EXPECT_EQ(r->column_number, c.row);
        }
    }
    SQLINTEGER value = 0;
    EXPECT_EQ(get_env_attr(e, SQL_ATTR_ODBC_VERSION, &value), SQL_SUCCESS);
    EXPECT_EQ(value, 3) << "380 is stored as 3";
    set_env_attr(e, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC2));
    get_env_attr(e, SQL_ATTR_ODBC_VERSION, &value);
    EXPECT_EQ(value, 2);
    get_env_attr(e, SQL_ATTR_OUTPUT_NTS, &value);
    EXPECT_EQ(value, SQL_TRUE);
    value = 77;
    EXPECT_EQ(get_env_attr(e, 4242, &value), SQL_SUCCESS);
    EXPECT_EQ(value, 77) << "unknown attributes write nothing";
}

}  // namespace
