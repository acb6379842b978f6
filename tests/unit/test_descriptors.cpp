// Descriptors without a server: explicit descriptors and the connection's
// lists, the field table, and the record rules behind the descriptor calls.
#include <atomic>
#include <cstring>
#include <string>
#include <chrono>
#include <mutex>
#include <thread>

#include "descriptor_fields.h"
#include "descriptor_records.h"
#include "unit_support.h"

namespace {

using ExplicitDescriptors = HandleTest;

TEST_F(ExplicitDescriptors, FreeingOneWaitsForTheLockBeforeTouchingStatements)
{
    // Freeing an explicit descriptor walks the connection's statements to
    // put users back on their implicit descriptor. Another thread may be
    // freeing one of those statements: the walk runs under driver_lock, as
    // every change of the lists does.
    Statement& s = *as_record<Statement>(alloc_statement());
    SQLHANDLE desc = nullptr;
    ASSERT_EQ(alloc_handle_guarded(SQL_HANDLE_DESC, dbc, &desc), SQL_SUCCESS);
    Descriptor* mine = as_record<Descriptor>(desc);
    s.ard = mine;

    std::atomic<bool> freed{false};
    std::thread other;
    {
        std::lock_guard<std::recursive_mutex> held(driver_lock());
        other = std::thread([&] {
            EXPECT_EQ(free_handle_guarded(SQL_HANDLE_DESC, desc), SQL_SUCCESS);
            freed = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(s.ard, mine) << "the statement list was walked without the lock";
        EXPECT_FALSE(freed);
    }
    other.join();
    EXPECT_TRUE(freed);
    EXPECT_EQ(s.ard, s.ard_implicit);
}

TEST_F(ExplicitDescriptors, ReleasingTheConnectionsChildrenFreesThem)
{
    // What SQLDisconnect does: statements first, then every descriptor left,
    // the application's own ones included.
    Statement& s = *as_record<Statement>(alloc_statement());
    SQLHANDLE first = nullptr, second = nullptr;
    ASSERT_EQ(alloc_handle_guarded(SQL_HANDLE_DESC, dbc, &first), SQL_SUCCESS);
    ASSERT_EQ(alloc_handle_guarded(SQL_HANDLE_DESC, dbc, &second), SQL_SUCCESS);
    s.ard = as_record<Descriptor>(first);
    int listed = 0;
    for (Descriptor* d = connection().descriptors; d != nullptr; d = d->next) ++listed;
    EXPECT_EQ(listed, 6);
    free_connection_children(connection());
    EXPECT_EQ(connection().statements, nullptr);
    EXPECT_EQ(connection().descriptors, nullptr);
}

// A statement whose descriptors the cases work on.
class DescriptorRules : public HandleTest {
protected:
    void SetUp() override
    {
        HandleTest::SetUp();
        statement = as_record<Statement>(alloc_statement());
        ASSERT_NE(statement, nullptr);
    }
    // An IPD as the description of two parameter markers leaves it: records
    // with the driver's buffers.
    void describe_ipd()
    {
        Descriptor& ipd = *statement->ipd;
        ASSERT_TRUE(grow_records(ipd, 2));
        for (int i = 0; i <= 2; ++i) {
            ipd.records[i].value_buffer = ipd.records[i].inline_value;
            ipd.records[i].data_ptr = ipd.records[i].inline_value;
        }
        ipd.owns_buffers = 1;
    }
    Statement* statement = nullptr;
};

TEST_F(DescriptorRules, SetFieldByKindAndIdentifier)
{
    struct Case {
        const char* what;
        Descriptor* Statement::*kind;
        SQLSMALLINT record;
        SQLSMALLINT field;
        SQLRETURN rc;
        const char* sqlstate;  // null when none
        bool still_bound;      // of an application record bound before
    };
    // clang-format off
    const Case cases[] = {
        {"negative record",          &Statement::ard, -1, SQL_DESC_COUNT,            SQL_ERROR,   "07009", true},
        {"bookmark record",          &Statement::ard,  0, SQL_DESC_TYPE,             SQL_ERROR,   "07009", true},
        {"bookmark record pointer",  &Statement::ard,  0, SQL_DESC_DATA_PTR,         SQL_ERROR,   "07009", true},
        {"name",                     &Statement::ard,  1, SQL_DESC_NAME,             SQL_ERROR,   "HY091", false},
        {"unknown identifier",       &Statement::ard,  1, 4242,                      SQL_ERROR,   "HY091", false},
        {"read-only record field",   &Statement::ard,  1, SQL_DESC_DISPLAY_SIZE,     SQL_ERROR,   "HY091", false},
        {"allocation type",          &Statement::ard,  1, SQL_DESC_ALLOC_TYPE,       SQL_ERROR,   "HY091", true},
        {"octet length unbinds",     &Statement::apd,  1, SQL_DESC_OCTET_LENGTH,     SQL_SUCCESS, nullptr, false},
        {"indicator keeps binding",  &Statement::apd,  1, SQL_DESC_INDICATOR_PTR,    SQL_SUCCESS, nullptr, true},
        {"unnamed keeps binding",    &Statement::ard,  1, SQL_DESC_UNNAMED,          SQL_SUCCESS, nullptr, true},
        {"header keeps binding",     &Statement::ard,  1, SQL_DESC_BIND_TYPE,        SQL_SUCCESS, nullptr, true},
        {"IRD record field",         &Statement::ird,  1, SQL_DESC_TYPE,             SQL_ERROR,   "HY016", true},
        {"IRD count",                &Statement::ird,  0, SQL_DESC_COUNT,            SQL_ERROR,   "HY016", true},
        {"IRD unknown identifier",   &Statement::ird,  1, 4242,                      SQL_ERROR,   "HY091", true},
        {"IRD status pointer",       &Statement::ird,  0, SQL_DESC_ARRAY_STATUS_PTR, SQL_SUCCESS, nullptr, true},
        {"IPD data pointer",         &Statement::ipd,  1, SQL_DESC_DATA_PTR,         SQL_ERROR,   "HY091", true},
        {"IPD length pointer",       &Statement::ipd,  1, SQL_DESC_OCTET_LENGTH_PTR, SQL_ERROR,   "HY091", true},
        {"IPD type",                 &Statement::ipd,  1, SQL_DESC_TYPE,             SQL_SUCCESS, nullptr, true},
        {"IPD beyond described",     &Statement::ipd,  3, SQL_DESC_TYPE,             SQL_ERROR,   "07009", true},
    };
    // clang-format on
    describe_ipd();
    SQLINTEGER target = 0;
    SQLLEN ind = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Descriptor& d = *(statement->*c.kind);
        const bool application = c.kind == &Statement::ard || c.kind == &Statement::apd;
        if (application) {
            ASSERT_EQ(set_desc_rec(d, 1, SQL_C_SLONG, 0, 4, 0, 0, &target, &ind, &ind), SQL_SUCCESS);
        }
        void* const ipd_buffer = statement->ipd->records[1].data_ptr;
        EXPECT_EQ(set_desc_field(d, c.record, c.field, field_argument(SQL_C_SLONG)), c.rc);
        const DiagRecord* diag = first_diag(static_cast<HandleHeader*>(&d));
        if (c.sqlstate == nullptr) {
            EXPECT_EQ(diag, nullptr);
        } else {
            ASSERT_NE(diag, nullptr);
            EXPECT_STREQ(diag->sqlstate, c.sqlstate);
        }
        if (application) {
            EXPECT_EQ(d.records[1].data_ptr == &target, c.still_bound);
        }
        EXPECT_EQ(statement->ipd->records[1].data_ptr, ipd_buffer) << "the IPD keeps its buffers";
        EXPECT_EQ(statement->ipd->count, 2);
        clear_diags(&d);
    }
}

TEST_F(DescriptorRules, ValuesAreTakenAndGivenAtTheirOdbcWidths)
{
    // Each value has bits above 32: a small integer keeps its low 16 bits,
    // an integer its low 32, a length all 64, a pointer all of it.
    const SQLLEN big = (SQLLEN{0x12345} << 32) | 0x9ABCDEF0;
    struct Case {
        SQLSMALLINT field;
        SQLINTEGER width;
        SQLLEN expected;
    };
    const Case cases[] = {
        {SQL_DESC_PRECISION, 2, static_cast<SQLSMALLINT>(big)},
        {SQL_DESC_PARAMETER_TYPE, 2, static_cast<SQLSMALLINT>(big)},
        {SQL_DESC_NUM_PREC_RADIX, 4, static_cast<SQLINTEGER>(big)},
        {SQL_DESC_AUTO_UNIQUE_VALUE, 4, static_cast<int16_t>(big)},  // kept in 16 bits
        {SQL_DESC_OCTET_LENGTH, 8, big},
        {SQL_DESC_LENGTH, 8, big},
        {SQL_DESC_DATA_PTR, 8, big},
        {SQL_DESC_INDICATOR_PTR, 8, big},
        {SQL_DESC_OCTET_LENGTH_PTR, 8, big},
        {SQL_DESC_BIND_TYPE, 4, static_cast<SQLINTEGER>(big)},
        {SQL_DESC_ARRAY_SIZE, 8, big},
        {SQL_DESC_BIND_OFFSET_PTR, 8, big},
    };
    Descriptor& ard = *statement->ard;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        ASSERT_EQ(set_desc_field(ard, 1, c.field, field_argument(big)), SQL_SUCCESS);
        FieldValue value;
        ASSERT_EQ(get_desc_field(ard, 1, c.field, value), SQL_SUCCESS);
        unsigned char out[12];
        std::memset(out, 0xAB, sizeof out);
        SQLINTEGER length = 0;
        ASSERT_EQ(put_desc_field(ard, value, out, sizeof out, &length, false), SQL_SUCCESS);
        EXPECT_EQ(length, c.width);
        SQLLEN read = 0;
        std::memcpy(&read, out, static_cast<size_t>(c.width));
        if (c.width == 2) read = static_cast<SQLSMALLINT>(read);
        if (c.width == 4) read = static_cast<SQLINTEGER>(read);
        EXPECT_EQ(read, c.expected);
        EXPECT_EQ(out[c.width], 0xAB) << "written past the field's width";
    }
}

TEST_F(DescriptorRules, GetFieldAnswers)
{
    Descriptor& ard = *statement->ard;
    FieldValue value;
    // An empty descriptor: a record beyond the count has no data, record 0's
    // fields are not there, the header is.
    EXPECT_EQ(get_desc_field(ard, 1, SQL_DESC_TYPE, value), SQL_NO_DATA);
    EXPECT_EQ(get_desc_field(ard, 0, SQL_DESC_TYPE, value), SQL_ERROR);
    EXPECT_STREQ(first_diag(static_cast<HandleHeader*>(&ard))->sqlstate, "HY091");
    clear_diags(&ard);
    EXPECT_EQ(get_desc_field(ard, -1, SQL_DESC_COUNT, value), SQL_ERROR);
    EXPECT_STREQ(first_diag(static_cast<HandleHeader*>(&ard))->sqlstate, "07009");
    clear_diags(&ard);
    ASSERT_EQ(get_desc_field(ard, 7, SQL_DESC_ARRAY_SIZE, value), SQL_SUCCESS);
    EXPECT_EQ(value.number, 1);

    // Nullability and namelessness read as 0 here; the members stay.
    ASSERT_TRUE(grow_records(ard, 1));
    ard.records[1].nullable = SQL_NULLABLE;
    ard.records[1].unnamed = SQL_UNNAMED;
    std::strcpy(ard.records[1].label, "LABEL");
    for (SQLSMALLINT field : {SQL_DESC_NULLABLE, SQL_DESC_UNNAMED}) {
        ASSERT_EQ(get_desc_field(ard, 1, field, value), SQL_SUCCESS);
        EXPECT_EQ(value.number, 0);
        EXPECT_EQ(value.type, FieldType::smallint);
    }
    DescRecFields fields;
    ASSERT_EQ(get_desc_rec(ard, 1, fields), SQL_SUCCESS);
    EXPECT_EQ(fields.nullable, SQL_NULLABLE);
    EXPECT_EQ(fields.name, "LABEL");
    EXPECT_EQ(get_desc_field(ard, 1, 4242, value), SQL_ERROR);
    EXPECT_STREQ(first_diag(static_cast<HandleHeader*>(&ard))->sqlstate, "HY091");
    clear_diags(&ard);

    // A string field cut to the buffer, wide with lengths in bytes.
    SQLWCHAR wide[4];
    SQLINTEGER length = 0;
    ASSERT_EQ(get_desc_field(ard, 1, SQL_DESC_LABEL, value), SQL_SUCCESS);
    EXPECT_EQ(put_desc_field(ard, value, wide, sizeof wide, &length, true), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(wide)), u"LAB");
    EXPECT_EQ(length, 10);
    EXPECT_STREQ(first_diag(static_cast<HandleHeader*>(&ard))->sqlstate, "01004");
}

TEST_F(DescriptorRules, SetDescRecTypesAndRefusals)
{
    struct Case {
        SQLSMALLINT type, sub_type;
        SQLSMALLINT concise, verbose, code;
    };
    const Case cases[] = {
        {SQL_DATETIME, SQL_CODE_TIMESTAMP, SQL_C_TYPE_TIMESTAMP, SQL_DATETIME, SQL_CODE_TIMESTAMP},
        {SQL_C_TYPE_DATE, 0, SQL_C_TYPE_DATE, SQL_DATETIME, SQL_CODE_DATE},
        {SQL_C_DATE, 0, SQL_C_DATE, SQL_DATETIME, SQL_CODE_DATE},
        {SQL_C_SLONG, 7, SQL_C_SLONG, SQL_C_SLONG, 0},
    };
    Descriptor& apd = *statement->apd;
    char data[8];
    SQLLEN length = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.sub_type));
        ASSERT_EQ(set_desc_rec(apd, 2, c.type, c.sub_type, 8, 3, 1, data, &length, nullptr), SQL_SUCCESS);
        const DescRecord& r = apd.records[2];
        EXPECT_EQ(r.concise_type, c.concise);
        EXPECT_EQ(r.type, c.verbose);
        EXPECT_EQ(r.datetime_interval_code, c.code);
        EXPECT_EQ(r.octet_length, 8);
        EXPECT_EQ(r.precision, 3);
        EXPECT_EQ(r.scale, 1);
        EXPECT_EQ(r.data_ptr, data);
        EXPECT_EQ(r.octet_length_ptr, &length);
        EXPECT_EQ(r.indicator_ptr, nullptr);
    }
    EXPECT_EQ(apd.count, 2);

    // An IPD takes the types but not the pointers while it is the
    // application's; once described it is refused.
    Descriptor& ipd = *statement->ipd;
    ASSERT_EQ(set_desc_rec(ipd, 1, SQL_INTEGER, 0, 4, 10, 0, data, &length, &length), SQL_SUCCESS);
    EXPECT_EQ(ipd.records[1].concise_type, SQL_INTEGER);
    EXPECT_EQ(ipd.records[1].data_ptr, nullptr);
    describe_ipd();
    EXPECT_EQ(set_desc_rec(ipd, 1, SQL_INTEGER, 0, 4, 10, 0, data, nullptr, nullptr), SQL_ERROR);
    EXPECT_STREQ(first_diag(static_cast<HandleHeader*>(&ipd))->sqlstate, "HY016");
}

}  // namespace
