// Parameter description against a client whose describe answers what the
// test sets: the markers a Firebird 3 server never describes, the input
// XSQLDA growing to the server's count, and the IPD's buffers.
#include <algorithm>
#include <optional>

#include "bind_params.h"
#include "describe_params.h"
#include "descriptor_records.h"
#include "statement.h"
#include "unit_support.h"

namespace {

// What the fake describe reports: `markers` markers of sqltype `type`
// (nullable) and length `length`; the sqln of every call is recorded.
struct FakeMarkers {
    int markers = 0;
    short type = 0;
    short length = 0;
    int calls = 0;
    short last_sqln = 0;
};
FakeMarkers fake;

ISC_STATUS fake_describe_bind(ISC_STATUS* status, isc_stmt_handle*, unsigned short, XSQLDA* sqlda)
{
    status[0] = 1;
    status[1] = 0;
    ++fake.calls;
    fake.last_sqln = sqlda->sqln;
    sqlda->sqld = static_cast<short>(fake.markers);
    for (int i = 0; i < std::min<int>(fake.markers, sqlda->sqln); ++i) {
        XSQLVAR& var = sqlda->sqlvar[i];
        var.sqltype = static_cast<short>(fake.type + 1);
        var.sqllen = fake.length;
        var.sqlscale = 0;
        var.sqlsubtype = 0;
    }
    return 0;
}

class DescribeParams : public HandleTest {
protected:
    void SetUp() override
    {
        HandleTest::SetUp();
        statement = as_record<Statement>(alloc_statement());
        ASSERT_NE(statement, nullptr);
        statement->stmt_handle = 1;  // prepared, as far as describe_parameters can tell
        fake = FakeMarkers{};
        // After SetUp: binding the client fills the whole table.
        describe.emplace(fake_describe_bind);
    }
    void TearDown() override
    {
        statement->stmt_handle = 0;
        describe.reset();
        HandleTest::TearDown();
    }
    Statement* statement = nullptr;
    std::optional<ClientEntryOverride<&ClientApi::isc_dsql_describe_bind>> describe;
};

TEST_F(DescribeParams, MarkersOfTypesTheDriverCannotSendAreRefused)
{
    // INT128, the two DECFLOATs, the types with time zone and their extended
    // forms, and the untyped NULL marker.
    for (short type : {32752, 32760, 32762, 32754, 32756, 32748, 32750, 32766}) {
        SCOPED_TRACE(type);
        Statement& s = *statement;
        clear_diags(&s);
        fake.markers = 2;
        fake.type = type;
        fake.length = 16;
        EXPECT_EQ(describe_parameters(s), SQL_ERROR);
        const DiagRecord* diag = first_diag(&s);
        ASSERT_NE(diag, nullptr);
        EXPECT_STREQ(diag->sqlstate, "HY000");
        EXPECT_EQ(diag->native_error, type);
        EXPECT_STREQ(diag->message_text, "Unexpected parameter type incountered in driver_describe()");
        // Nothing is left for an execute to send.
        EXPECT_EQ(s.ipd->count, 0);
        EXPECT_EQ(s.input_sqlda, nullptr);
    }
}

TEST_F(DescribeParams, TheInputAreaGrowsToTheMarkersAndPointsIntoTheRecords)
{
    Statement& s = *statement;
    // 20 VARCHAR(100) markers: more than the first area's 16 entries, and
    // too long for the inline buffer.
    fake.markers = 20;
    fake.type = 448;
    fake.length = 100;
    ASSERT_EQ(describe_parameters(s), SQL_SUCCESS) << (first_diag(&s) ? first_diag(&s)->message_text : "");
    EXPECT_EQ(fake.calls, 2);
    EXPECT_EQ(fake.last_sqln, 20);
    ASSERT_EQ(s.ipd->count, 20);
    EXPECT_TRUE(s.ipd->owns_buffers);
    for (int n = 1; n <= 20; ++n) {
        DescRecord& r = s.ipd->records[n];
        XSQLVAR& var = s.input_sqlda->sqlvar[n - 1];
        EXPECT_EQ(var.sqltype, 453);  // sent as nullable CHAR
        EXPECT_NE(r.value_buffer, static_cast<void*>(r.inline_value));
        EXPECT_EQ(static_cast<void*>(var.sqldata), r.value_buffer);
        EXPECT_EQ(r.data_ptr, r.value_buffer);
        EXPECT_EQ(var.sqlind, &r.inline_indicator);
        EXPECT_EQ(r.server_length, 100);
        EXPECT_EQ(r.indicator_ptr, nullptr);
        EXPECT_EQ(r.octet_length_ptr, nullptr);
    }
    // The whole buffer (length, two length bytes and a terminator) is the
    // record's: the last byte can be written.
    static_cast<char*>(s.ipd->records[20].value_buffer)[102] = 'x';

    // With 30 parameters bound, the first area already has room for them.
    fake = FakeMarkers{30, 496, 4};
    ASSERT_TRUE(grow_records(*s.apd, 30));
    ASSERT_EQ(describe_parameters(s), SQL_SUCCESS);
    EXPECT_EQ(fake.calls, 1);
    EXPECT_EQ(fake.last_sqln, 31);
    EXPECT_EQ(s.ipd->count, 30);
    EXPECT_EQ(s.ipd->records[30].value_buffer, static_cast<void*>(s.ipd->records[30].inline_value));
    EXPECT_EQ(s.input_sqlda->sqlvar[29].sqltype, 497);
}

}  // namespace

namespace {

using BindParams = HandleTest;

TEST_F(BindParams, TheParameterDescriptorGrowsInStepsOf32)
{
    Statement& s = *as_record<Statement>(alloc_statement());
    Descriptor& apd = *s.apd;
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    struct Case {
        SQLUSMALLINT number;
        int count;
        int capacity;
    };
    // 40 on a fresh statement: room for 41; 3 leaves it; 72 needs one step,
    // 106 two more.
    for (Case k : {Case{40, 40, 41}, Case{3, 40, 41}, Case{72, 72, 73}, Case{106, 106, 137}}) {
        SCOPED_TRACE(k.number);
        ASSERT_EQ(bind_parameter(s, k.number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, &value, 0, &indicator),
                  SQL_SUCCESS);
        EXPECT_EQ(apd.count, k.count);
        EXPECT_EQ(apd.record_capacity, k.capacity);
        // Earlier bindings move with the array.
        EXPECT_EQ(apd.records[3].data_ptr, k.number == 40 ? nullptr : &value);
    }
}

TEST_F(BindParams, OdbcTwoDatesAreDatetimeWithTheirCode)
{
    Statement& s = *as_record<Statement>(alloc_statement());
    char buffer[16];
    SQLLEN indicator = 0;
    struct Case {
        SQLSMALLINT c_type;
        SQLSMALLINT code;
        SQLLEN octet_length;
    };
    for (Case k : {Case{SQL_C_DATE, SQL_CODE_DATE, 6}, Case{SQL_C_TIME, SQL_CODE_TIME, 6},
                   Case{SQL_C_TIMESTAMP, SQL_CODE_TIMESTAMP, 16}}) {
        SCOPED_TRACE(k.c_type);
        ASSERT_EQ(bind_parameter(s, 1, SQL_PARAM_INPUT, k.c_type, SQL_CHAR, buffer, 0, &indicator), SQL_SUCCESS);
        const DescRecord& r = s.apd->records[1];
        EXPECT_EQ(r.concise_type, k.c_type);
        EXPECT_EQ(r.type, SQL_DATETIME);
        EXPECT_EQ(r.datetime_interval_code, k.code);
        EXPECT_EQ(r.octet_length, k.octet_length);
        EXPECT_EQ(r.sql_type_hint, SQL_CHAR);
    }
}

}  // namespace
