// Data at execution against a real embedded database: the segments a BLOB
// sent in pieces reaches the client in (watched through the client table),
// and the calls made outside a dialogue.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "connection.h"
#include "handle_lifecycle.h"
#include "params/bind_params.h"
#include "params/put_data.h"
#include "statement.h"
#include "embedded_database.h"
#include "unit_support.h"

namespace {

// Segment lengths isc_put_segment was called with, passed on to the client.
std::vector<unsigned short> segments;
decltype(ClientApi::isc_put_segment) real_put_segment = nullptr;

ISC_STATUS counting_put_segment(ISC_STATUS* status, isc_blob_handle* handle, unsigned short length,
                                const ISC_SCHAR* data)
{
    segments.push_back(length);
    return real_put_segment(status, handle, length, data);
}

class PutData : public EmbeddedDatabaseTest {
protected:
    void SetUp() override
    {
        EmbeddedDatabaseTest::SetUp();
        if (!HasFatalFailure()) create_and_attach("CREATE TABLE T (ID INTEGER, B BLOB SUB_TYPE 0);");
    }

    std::string message(Statement& s) { return first_diag(&s) ? first_diag(&s)->message_text : ""; }
};

TEST_F(PutData, ABlobInTwoPiecesGoesOutInSegmentsOfEachPiece)
{
    Statement& s = *as_record<Statement>(alloc_statement());
    ASSERT_EQ(prepare_and_describe(s, "INSERT INTO T (ID, B) VALUES (1, ?)"), SQL_SUCCESS) << message(s);
    SQLLEN at_exec = SQL_DATA_AT_EXEC;
    ASSERT_EQ(bind_parameter(s, 1, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY, nullptr, 0, &at_exec),
              SQL_SUCCESS);
    ASSERT_EQ(execute_statement(s, false), SQL_NEED_DATA) << message(s);

    std::vector<char> value(100000, 'x');
    segments.clear();
    real_put_segment = client_api().isc_put_segment;
    {
        ClientEntryOverride<&ClientApi::isc_put_segment> watch(counting_put_segment);
        SQLPOINTER token = nullptr;
        ASSERT_EQ(param_data(s, &token), SQL_NEED_DATA) << message(s);
        ASSERT_EQ(put_data(s, value.data(), 50000), SQL_SUCCESS) << message(s);
        ASSERT_EQ(put_data(s, value.data() + 50000, 50000), SQL_SUCCESS) << message(s);
        ASSERT_EQ(param_data(s, &token), SQL_SUCCESS) << message(s);
    }
    EXPECT_EQ(segments, (std::vector<unsigned short>{16384, 16384, 16384, 848, 16384, 16384, 16384, 848}));
}

// Cancelled while the first of two BLOBs receives pieces: its BLOB is
// closed rather than left open, and the statement runs again.
TEST_F(PutData, CancelReleasesTheBlobReceivingPieces)
{
    Statement& s = *as_record<Statement>(alloc_statement());
    ASSERT_EQ(prepare_and_describe(s, "INSERT INTO T (ID, B) SELECT 1, CAST(? AS BLOB SUB_TYPE 0) "
                                      "FROM RDB$DATABASE WHERE CAST(? AS BLOB SUB_TYPE 0) IS NOT NULL"),
              SQL_SUCCESS)
        << message(s);
    SQLLEN at_exec = SQL_DATA_AT_EXEC;
    for (SQLUSMALLINT n : {1, 2})
        ASSERT_EQ(bind_parameter(s, n, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY, nullptr, 0, &at_exec),
                  SQL_SUCCESS);
    ASSERT_EQ(execute_statement(s, false), SQL_NEED_DATA) << message(s);
    SQLPOINTER token = nullptr;
    ASSERT_EQ(param_data(s, &token), SQL_NEED_DATA) << message(s);
    char piece[] = "abc";
    ASSERT_EQ(put_data(s, piece, 3), SQL_SUCCESS) << message(s);
    ASSERT_NE(s.ipd->records[1].blob_handle, 0u);

    EXPECT_EQ(cancel_statement(s), SQL_SUCCESS) << message(s);
    EXPECT_EQ(s.ipd->records[1].blob_handle, 0u) << "the BLOB was left open";
    EXPECT_EQ(s.need_data_param, 0);
    EXPECT_EQ(s.put_data_state, 0);

    ASSERT_EQ(execute_statement(s, false), SQL_NEED_DATA) << message(s);
    ASSERT_EQ(param_data(s, &token), SQL_NEED_DATA) << message(s);
    ASSERT_EQ(put_data(s, piece, 3), SQL_SUCCESS) << message(s);
    ASSERT_EQ(param_data(s, &token), SQL_NEED_DATA) << message(s);
    ASSERT_EQ(put_data(s, piece, 3), SQL_SUCCESS) << message(s);
    EXPECT_EQ(param_data(s, &token), SQL_SUCCESS) << message(s);
    EXPECT_EQ(s.row_count, 1);
}

// Freed while a BLOB receives pieces: the BLOB is closed with it.
int closes = 0;
decltype(ClientApi::isc_close_blob) real_close_blob = nullptr;
ISC_STATUS counting_close_blob(ISC_STATUS* status, isc_blob_handle* handle)
{
    ++closes;
    return real_close_blob(status, handle);
}

TEST_F(PutData, FreeingTheStatementClosesTheBlobReceivingPieces)
{
    SQLHANDLE handle = alloc_statement();
    Statement& s = *as_record<Statement>(handle);
    ASSERT_EQ(prepare_and_describe(s, "INSERT INTO T (ID, B) VALUES (1, ?)"), SQL_SUCCESS) << message(s);
    SQLLEN at_exec = SQL_DATA_AT_EXEC;
    ASSERT_EQ(bind_parameter(s, 1, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY, nullptr, 0, &at_exec),
              SQL_SUCCESS);
    ASSERT_EQ(execute_statement(s, false), SQL_NEED_DATA) << message(s);
    SQLPOINTER token = nullptr;
    ASSERT_EQ(param_data(s, &token), SQL_NEED_DATA) << message(s);
    char piece[] = "abc";
    ASSERT_EQ(put_data(s, piece, 3), SQL_SUCCESS) << message(s);

    closes = 0;
    real_close_blob = client_api().isc_close_blob;
    ClientEntryOverride<&ClientApi::isc_close_blob> watch(counting_close_blob);
    EXPECT_EQ(free_handle_guarded(SQL_HANDLE_STMT, handle), SQL_SUCCESS);
    EXPECT_EQ(closes, 1);
}

TEST_F(PutData, CallsOutsideADialogueAreASequenceError)
{
    Statement& s = *as_record<Statement>(alloc_statement());
    SQLPOINTER token = nullptr;
    char piece[] = "x";
    EXPECT_EQ(put_data(s, piece, 1), SQL_ERROR);
    EXPECT_STREQ(first_diag(&s)->sqlstate, "HY010");
    EXPECT_STREQ(first_diag(&s)->message_text, "Function sequence error");
    clear_diags(&s);
    EXPECT_EQ(param_data(s, &token), SQL_ERROR);
    EXPECT_STREQ(first_diag(&s)->sqlstate, "HY010");
    EXPECT_EQ(token, nullptr);
}

}  // namespace
