// Result description: XSQLDAs built by hand turned into IRD records, and the
// bodies of SQLDescribeCol and SQLColAttribute(s) over such records.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "describe.h"
#include "statement.h"
#include "unit_support.h"

namespace {

// One output column as the client would describe it.
struct Column {
    int sqltype;  // nullable bit included
    int subtype = 0;
    int scale = 0;
    int sqllen = 4;
    const char* sqlname = "C";
    const char* alias = "";
    const char* relname = "T";
    const char* ownname = "SYSDBA";
};

void set_name(ISC_SCHAR* field, ISC_SHORT& length, const char* text)
{
    length = static_cast<ISC_SHORT>(std::strlen(text));
    std::memcpy(field, text, length);
}

// An XSQLDA freed at the end of the test, with `slots` slots and the given
// columns described in it.
struct Sqlda {
    explicit Sqlda(const std::vector<Column>& columns, int slots = 0)
        : area(allocate_sqlda(slots > 0 ? slots : static_cast<int>(columns.size())))
    {
        area->sqld = static_cast<ISC_SHORT>(columns.size());
        for (size_t i = 0; i < columns.size() && static_cast<int>(i) < area->sqln; ++i) {
            const Column& c = columns[i];
            XSQLVAR& v = area->sqlvar[i];
            v.sqltype = static_cast<ISC_SHORT>(c.sqltype);
            v.sqlsubtype = static_cast<ISC_SHORT>(c.subtype);
            v.sqlscale = static_cast<ISC_SHORT>(c.scale);
            v.sqllen = static_cast<ISC_SHORT>(c.sqllen);
            set_name(v.sqlname, v.sqlname_length, c.sqlname);
            set_name(v.aliasname, v.aliasname_length, c.alias);
            set_name(v.relname, v.relname_length, c.relname);
            set_name(v.ownname, v.ownname_length, c.ownname);
        }
    }
    ~Sqlda() { free_sqlda(area); }
    Sqlda(const Sqlda&) = delete;
    Sqlda& operator=(const Sqlda&) = delete;
    XSQLDA* operator->() { return area; }
    XSQLVAR& var(int column) { return area->sqlvar[column - 1]; }

    XSQLDA* area;
};

DescribeContext context_for(int odbc_version, bool hide_varchar = false)
{
    DescribeContext context;
    context.odbc_version = odbc_version;
    context.hide_varchar = hide_varchar;
    return context;
}

class Describe : public HandleTest {
protected:
    void SetUp() override
    {
        HandleTest::SetUp();
        stmt = alloc_statement();
        ASSERT_NE(stmt, nullptr);
    }
    Statement& statement() { return *as_record<Statement>(stmt); }
    Descriptor& ird() { return *statement().ird; }
    const DescRecord& record(int column) { return ird().records[column]; }

    // Describes the columns into the statement's IRD, the XSQLDA kept alive
    // in `sqlda` (the IRD's buffers are what its XSQLVARs point at).
    SQLRETURN describe(const std::vector<Column>& columns, const DescribeContext& context)
    {
        sqlda = std::make_unique<Sqlda>(columns);
        return build_ird(ird(), *sqlda->area, context, &statement());
    }

    SQLHANDLE stmt = nullptr;
    std::unique_ptr<Sqlda> sqlda;
};

// ---------------------------------------------------------------------------
// The two type tables, one row per Firebird type, in ODBC 3, ODBC 2 and
// never-set (0) environments.

struct TypeCase {
    const char* what;
    Column column;
    bool hide_varchar;
    // concise_type in environments of version 3, 2 and 0
    int concise_v3, concise_v2, concise_v0;
    int type_v3;  // SQL_DESC_TYPE; equal to concise_type in ODBC 2 except
                  // for date/time, which stay SQL_DATETIME (9)
    int interval_code;
    const char* local_type_name;  // ODBC 3 and never-set environments
    const char* type_name;
    const char* local_type_name_v2;  // in an ODBC 2 environment
    const char* type_name_v2;
    const char* prefix;
    const char* suffix;
    int searchable, unsigned_, fixed_prec_scale;
    long length, display_size, octet_length;
    int precision, scale, radix;
};

constexpr long blob_max = 2147483647;

const TypeCase type_cases[] = {
    // clang-format off
    {"CHAR(10) NONE", {453, 0, 0, 10}, false, 1, 1, 1, 1, 0, "CHAR", "CHAR", "CHAR", "CHAR", "'", "'", 3, 1, 0, 10, 10, 10, 0, 0, 0},
    {"CHAR(10) UTF8", {452, 4, 0, 40}, false, -8, -8, -8, -8, 0, "NCHAR", "NCHAR", "NCHAR", "NCHAR", "'", "'", 3, 1, 0, 40, 40, 80, 0, 0, 0},
    {"VARCHAR(10) NONE", {449, 0, 0, 10}, false, 12, 12, 12, 12, 0, "VARCHAR", "VARCHAR", "VARCHAR", "VARCHAR", "'", "'", 3, 1, 0, 10, 10, 10, 0, 0, 0},
    {"VARCHAR(10) UTF8", {448, 4, 0, 40}, false, -9, -9, -9, -9, 0, "NCHAR VARYING", "NCHAR VARYING", "NCHAR VARYING", "NCHAR VARYING", "'", "'", 3, 1, 0, 40, 40, 80, 0, 0, 0},
    {"SMALLINT", {501, 0, 0, 2}, false, 5, 5, 5, 5, 0, "SMALLINT", "SMALLINT", "SMALLINT", "SMALLINT", "", "", 3, 0, 1, 6, 6, 2, 6, 0, 10},
    {"INTEGER", {497, 0, 0, 4}, false, 4, 4, 4, 4, 0, "LONG", "LONG", "LONG", "LONG", "", "", 3, 0, 1, 11, 11, 4, 11, 0, 10},
    {"BIGINT", {581, 0, 0, 8}, false, 2, 3, 2, 2, 0, "NUMERIC", "NUMERIC", "DECIMAL", "DECIMAL", "", "", 3, 0, 1, 20, 20, 22, 19, 0, 10},
    {"NUMERIC(4,2)", {501, 0, -2, 2}, false, 2, 3, 2, 2, 0, "NUMERIC", "NUMERIC", "DECIMAL", "DECIMAL", "", "", 3, 0, 1, 7, 7, 7, 5, 2, 10},
    {"NUMERIC(9,2)", {497, 0, -2, 4}, false, 2, 3, 2, 2, 0, "NUMERIC", "NUMERIC", "DECIMAL", "DECIMAL", "", "", 3, 0, 1, 12, 12, 12, 10, 2, 10},
    {"NUMERIC(18,4)", {581, 0, -4, 8}, false, 2, 3, 2, 2, 0, "NUMERIC", "NUMERIC", "DECIMAL", "DECIMAL", "", "", 3, 0, 1, 21, 21, 21, 21, 4, 10},
    {"INTEGER, positive scale", {496, 0, 2, 4}, false, 2, 3, 2, 2, 0, "NUMERIC", "NUMERIC", "DECIMAL", "DECIMAL", "", "", 3, 0, 1, 12, 12, 12, 10, 0, 10},
    {"FLOAT", {483, 0, 0, 4}, false, 7, 7, 7, 7, 0, "FLOAT", "FLOAT", "FLOAT", "FLOAT", "", "", 3, 0, 0, 7, 7, 4, 52, 0, 2},
    {"DOUBLE PRECISION", {481, 0, 0, 8}, false, 8, 8, 8, 8, 0, "DOUBLE PRECISION", "DOUBLE PRECISION", "DOUBLE PRECISION", "DOUBLE PRECISION", "", "", 3, 0, 0, 15, 15, 8, 52, 0, 2},
    {"DATE", {571, 0, 0, 4}, false, 91, 9, 9, 9, 1, "DATE", "DATE", "DATE", "DATE", "{d '", "'}", 3, 1, 0, 10, 10, 6, 0, 0, 0},
    {"TIME", {561, 0, 0, 4}, false, 92, 10, 10, 9, 2, "TIME", "TIME", "TIME", "TIME", "{t '", "'}", 3, 1, 1, 8, 8, 6, 0, 0, 0},
    {"TIMESTAMP", {511, 0, 0, 8}, false, 93, 11, 11, 9, 3, "SQL_TIMESTAMP", "TIMESTAMP", "SQL_TIMESTAMP", "TIMESTAMP", "{ts '", "'}", 3, 1, 0, 24, 24, 16, 4, 4, 0},
    {"BOOLEAN", {32765, 0, 0, 1}, false, -7, -7, -7, -7, 0, "BOOLEAN", "BOOLEAN", "BOOLEAN", "BOOLEAN", "", "", 3, 0, 1, 1, 1, 1, 1, 0, 10},
    {"BOOLEAN (590)", {590, 0, 0, 1}, false, -7, -7, -7, -7, 0, "BOOLEAN", "BOOLEAN", "BOOLEAN", "BOOLEAN", "", "", 3, 0, 1, 1, 1, 1, 1, 0, 10},
    {"BLOB SUB_TYPE TEXT", {521, 1, 0, 8}, false, -1, -1, -1, -1, 0, "BLOB SUB_TYPE TEXT", "BLOB SUB_TYPE TEXT", "BLOB SUB_TYPE TEXT", "BLOB SUB_TYPE TEXT", "'", "'", 0, 1, 0, blob_max, blob_max, blob_max, 0, 0, 0},
    {"BLOB SUB_TYPE TEXT, HideVarchar", {521, 1, 0, 8}, true, 12, 12, 12, 12, 0, "BLOB SUB_TYPE TEXT", "BLOB SUB_TYPE TEXT", "BLOB SUB_TYPE TEXT", "BLOB SUB_TYPE TEXT", "'", "'", 0, 1, 0, 320000, 320000, 320000, 0, 0, 0},
    {"BLOB SUB_TYPE BINARY", {521, 0, 0, 8}, false, -4, -4, -4, -4, 0, "BLOB", "BLOB", "BLOB", "BLOB", "0x", "", 0, 1, 0, blob_max, blob_max, blob_max, 0, 0, 0},
    {"BLOB SUB_TYPE BINARY, HideVarchar", {520, 0, 0, 8}, true, -3, -3, -3, -3, 0, "BLOB", "BLOB", "BLOB", "BLOB", "0x", "", 0, 1, 0, 32000, 32000, 32000, 0, 0, 0},
    {"ARRAY", {541, 0, 0, 8}, false, 12, 12, 12, 12, 0, "SQL_CHAR", "VARYING", "SQL_CHAR", "VARYING", "'", "'", 0, 1, 0, 12, 12, 12, 0, 0, 0},
    {"INT128", {32753, 0, 0, 16}, false, 2, 3, 2, 2, 0, "INT128", "NUMERIC", "INT128", "DECIMAL", "", "", 3, 0, 1, 38, 38, 22, 38, 0, 10},
    {"NUMERIC(38,3)", {32753, 0, -3, 16}, false, 2, 3, 2, 2, 0, "NUMERIC", "NUMERIC", "DECIMAL", "DECIMAL", "", "", 3, 0, 1, 38, 38, 21, 38, 3, 10},
    {"DECFLOAT(16)", {32761, 0, 0, 8}, false, 12, 12, 12, 12, 0, "DEC16", "VARCHAR", "DEC16", "VARCHAR", "", "", 3, 0, 0, 25, 25, 25, 0, 0, 10},
    {"DECFLOAT(34)", {32763, 0, 0, 16}, false, 12, 12, 12, 12, 0, "DEC32", "VARCHAR", "DEC32", "VARCHAR", "", "", 3, 0, 0, 50, 50, 50, 0, 0, 10},
    {"TIMESTAMP WITH TIME ZONE", {32755, 0, 0, 10}, false, 93, 11, 11, 9, 3, "TIMESTAMP WITH TIME ZONE", "TIMESTAMP", "TIMESTAMP WITH TIME ZONE", "TIMESTAMP", "{ts '", "'}", 3, 1, 0, 50, 50, 16, 4, 4, 0},
    {"TIMESTAMP WITH TIME ZONE, extended", {32748, 0, 0, 12}, false, 93, 11, 11, 9, 3, "TIMESTAMP WITH TIME ZONE", "TIMESTAMP", "TIMESTAMP WITH TIME ZONE", "TIMESTAMP", "{ts '", "'}", 3, 1, 0, 50, 50, 16, 4, 4, 0},
    {"TIME WITH TIME ZONE", {32757, 0, 0, 6}, false, 92, 10, 10, 9, 2, "TIME WITH TIME ZONE", "TIME", "TIME WITH TIME ZONE", "TIME", "{t '", "'}", 3, 1, 1, 50, 50, 6, 0, 0, 0},
    {"TIME WITH TIME ZONE, extended", {32750, 0, 0, 8}, false, 92, 10, 10, 9, 2, "TIME WITH TIME ZONE", "TIME", "TIME WITH TIME ZONE", "TIME", "{t '", "'}", 3, 1, 1, 50, 50, 6, 0, 0, 0},
    // clang-format on
};

TEST_F(Describe, EveryFirebirdTypeMapsAsTheTypeTablesSay)
{
    for (const TypeCase& c : type_cases) {
        for (int version : {3, 2, 0}) {
            SCOPED_TRACE(std::string(c.what) + ", ODBC version " + std::to_string(version));
            ASSERT_EQ(describe({c.column}, context_for(version, c.hide_varchar)), SQL_SUCCESS);
            ASSERT_EQ(ird().count, 1);
            const DescRecord& r = record(1);
            const int concise = version == 3   ? c.concise_v3
                                : version == 2 ? c.concise_v2
                                               : c.concise_v0;
            EXPECT_EQ(r.concise_type, concise);
            // Date and time keep SQL_DATETIME as verbose type whatever the
            // version; everything else has type equal to concise type.
            EXPECT_EQ(r.type, c.interval_code != 0 ? c.type_v3 : concise);
            EXPECT_EQ(r.datetime_interval_code, c.interval_code);
            EXPECT_STREQ(r.local_type_name,
                         version == 2 ? c.local_type_name_v2 : c.local_type_name);
            EXPECT_STREQ(r.type_name, version == 2 ? c.type_name_v2 : c.type_name);
            EXPECT_STREQ(r.literal_prefix, c.prefix);
            EXPECT_STREQ(r.literal_suffix, c.suffix);
            EXPECT_EQ(r.searchable, c.searchable);
            EXPECT_EQ(r.unsigned_, c.unsigned_);
            EXPECT_EQ(r.fixed_prec_scale, c.fixed_prec_scale);
            EXPECT_EQ(static_cast<long>(r.length), c.length);
            EXPECT_EQ(r.display_size, c.display_size);
            EXPECT_EQ(r.octet_length, c.octet_length);
            EXPECT_EQ(r.precision, c.precision);
            EXPECT_EQ(r.scale, c.scale);
            EXPECT_EQ(r.num_prec_radix, c.radix);
            EXPECT_EQ(r.nullable, (c.column.sqltype & 1) ? SQL_NULLABLE : SQL_NO_NULLS);
            EXPECT_EQ(r.server_scale, c.column.scale);
        }
    }
}

TEST_F(Describe, ContextComesFromConnectionEnvironmentAndCatalogKind)
{
    Connection& c = connection();
    c.env->odbc_version = 2;
    c.hide_varchar = 1;
    c.with_schema = 0;
    statement().catalog_kind = SQL_API_SQLSTATISTICS;
    DescribeContext context = describe_context(statement());
    EXPECT_EQ(context.odbc_version, 2);
    EXPECT_TRUE(context.hide_varchar);
    EXPECT_FALSE(context.with_schema);
    EXPECT_TRUE(context.statistics);

    c.env->odbc_version = 3;
    c.hide_varchar = 0;
    c.with_schema = 1;
    statement().catalog_kind = SQL_API_SQLPREPARE;
    context = describe_context(statement());
    EXPECT_EQ(context.odbc_version, 3);
    EXPECT_FALSE(context.hide_varchar);
    EXPECT_TRUE(context.with_schema);
    EXPECT_FALSE(context.statistics);
}

// ---------------------------------------------------------------------------
// Names, buffers, errors.

TEST_F(Describe, NamesComeFromAliasOrColumnName)
{
    std::vector<Column> columns = {
        {497, 0, 0, 4, "ID", "", "EMPLOYEE", "SYSDBA"},        // plain column
        {497, 0, 0, 4, "ID", "EMP_ID", "EMPLOYEE", "SYSDBA"},  // aliased
        {497, 0, 0, 4, "", "", "", ""},                        // unnamed expression
    };
    for (bool with_schema : {false, true}) {
        SCOPED_TRACE(with_schema ? "with schema" : "without schema");
        DescribeContext context = context_for(3);
        context.with_schema = with_schema;
        ASSERT_EQ(describe(columns, context), SQL_SUCCESS);
        ASSERT_EQ(ird().count, 3);

        const DescRecord& plain = record(1);
        EXPECT_STREQ(plain.name, "ID");
        EXPECT_STREQ(plain.label, "ID");
        EXPECT_STREQ(plain.base_column_name, "ID");
        EXPECT_STREQ(plain.base_table_name, "EMPLOYEE");
        EXPECT_STREQ(plain.table_name, "EMPLOYEE");
        EXPECT_STREQ(plain.schema_name, with_schema ? "SYSDBA" : "");
        EXPECT_STREQ(plain.catalog_name, "");
        EXPECT_EQ(plain.unnamed, SQL_NAMED);
        EXPECT_EQ(plain.updatable, 1);

        const DescRecord& aliased = record(2);
        EXPECT_STREQ(aliased.name, "EMP_ID");
        EXPECT_STREQ(aliased.label, "EMP_ID");
        EXPECT_STREQ(aliased.base_column_name, "ID");

        const DescRecord& unnamed = record(3);
        EXPECT_STREQ(unnamed.name, "");
        EXPECT_EQ(unnamed.unnamed, SQL_UNNAMED);
        EXPECT_EQ(unnamed.updatable, 2);
        EXPECT_STREQ(unnamed.schema_name, "");
    }
}

TEST_F(Describe, NameFieldsOfFullLengthAreNotReadPastTheirEnd)
{
    // 32 name bytes without a terminator, as the client may deliver them.
    Sqlda area(std::vector<Column>{{497}});
    XSQLVAR& v = area.var(1);
    std::memset(v.sqlname, 'N', sizeof v.sqlname);
    v.sqlname_length = 40;  // longer than the field: cut to the field
    std::memset(v.relname, 'R', sizeof v.relname);
    v.relname_length = sizeof v.relname;
    v.aliasname_length = 0;
    ASSERT_EQ(build_ird(ird(), *area.area, context_for(3), &statement()), SQL_SUCCESS);
    EXPECT_EQ(std::string(record(1).name), std::string(32, 'N'));
    EXPECT_EQ(std::string(record(1).table_name), std::string(32, 'R'));
}

TEST_F(Describe, XsqlvarsFetchIntoTheRecordBuffers)
{
    // sqllen + 3 up to 64 stays inline; above that the record gets a heap
    // buffer of sqllen + 3 bytes (a VARCHAR's two length bytes, its text and
    // a terminator).
    std::vector<Column> columns = {{449, 0, 0, 61}, {449, 0, 0, 62}, {453, 0, 0, 32000}, {497}};
    ASSERT_EQ(describe(columns, context_for(3)), SQL_SUCCESS);
    EXPECT_EQ(ird().owns_buffers, 1);
    for (int column = 1; column <= 4; ++column) {
        SCOPED_TRACE(column);
        const DescRecord& r = record(column);
        XSQLVAR& v = sqlda->var(column);
        const bool inline_buffer = v.sqllen + 3 <= 64;
        EXPECT_EQ(r.value_buffer == r.inline_value, inline_buffer);
        EXPECT_EQ(r.data_ptr, r.value_buffer);
        EXPECT_EQ(static_cast<void*>(v.sqldata), r.value_buffer);
        EXPECT_EQ(v.sqlind, &r.inline_indicator);
        EXPECT_EQ(static_cast<void*>(r.indicator_ptr),
                  static_cast<const void*>(&r.inline_indicator));
        // What the client writes for a full-length value fits (the sanitizer
        // build checks the bounds).
        std::memset(v.sqldata, 'x', v.sqllen + 3);
        *v.sqlind = -1;
        EXPECT_EQ(r.inline_indicator, -1);
    }
    EXPECT_EQ(record(0).data_ptr, nullptr) << "the bookmark record stays empty";
}

TEST_F(Describe, DescribingAgainReplacesRecordsAndBuffers)
{
    // A wide first description, then a narrower one: heap buffers of the
    // first are released (the leak checker of the sanitizer build watches),
    // and nothing of the old records survives.
    ASSERT_EQ(describe({{449, 0, 0, 200, "A"}, {449, 0, 0, 300, "B"}, {497, 0, 0, 4, "C"}},
                       context_for(3)),
              SQL_SUCCESS);
    ASSERT_EQ(ird().count, 3);
    ASSERT_EQ(describe({{497, 0, 0, 4, "X"}}, context_for(3)), SQL_SUCCESS);
    ASSERT_EQ(ird().count, 1);
    EXPECT_STREQ(record(1).name, "X");
    EXPECT_EQ(record(1).value_buffer, record(1).inline_value);

    // No columns at all: an empty IRD.
    ASSERT_EQ(describe({}, context_for(3)), SQL_SUCCESS);
    EXPECT_EQ(ird().count, 0);
}

TEST_F(Describe, MoreColumnsThanSlotsAreLimitedToTheSlots)
{
    // build_ird never reads past the XSQLDA's slots even if sqld says more.
    Sqlda area({{497, 0, 0, 4, "A"}, {497, 0, 0, 4, "B"}, {497, 0, 0, 4, "C"}}, 2);
    ASSERT_EQ(area->sqld, 3);
    ASSERT_EQ(build_ird(ird(), *area.area, context_for(3), &statement()), SQL_SUCCESS);
    EXPECT_EQ(ird().count, 2);
}

TEST_F(Describe, UnknownTypeFailsAndLeavesLaterColumnsWithoutBuffers)
{
    // A first description leaves pointers in the XSQLVARs; the failing one
    // must not keep any into records it did not build.
    std::vector<Column> columns = {{497, 0, 0, 4, "A"}, {550, 0, 0, 8, "Q"}, {449, 0, 0, 100, "V"}};
    sqlda = std::make_unique<Sqlda>(columns);
    for (int column = 1; column <= 3; ++column) {
        sqlda->var(column).sqldata = reinterpret_cast<ISC_SCHAR*>(0x10);
        sqlda->var(column).sqlind = reinterpret_cast<ISC_SHORT*>(0x10);
    }
    EXPECT_EQ(build_ird(ird(), *sqlda->area, context_for(3), &statement()), SQL_ERROR);
    const DiagRecord* d = first_diag(stmt);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->sqlstate, "HY000");
    EXPECT_STREQ(d->message_text, "Unexpected type incountered in driver_describe()");
    EXPECT_EQ(d->native_error, 550);
    EXPECT_EQ(static_cast<void*>(sqlda->var(1).sqldata), record(1).value_buffer);
    for (int column : {2, 3}) {
        EXPECT_EQ(sqlda->var(column).sqldata, nullptr);
        EXPECT_EQ(sqlda->var(column).sqlind, nullptr);
    }
}

TEST_F(Describe, StatisticsResultsOverrideColumnsTwoThreeAndTen)
{
    std::vector<Column> columns(13, Column{449, 0, 0, 31});
    DescribeContext context = context_for(3);
    context.statistics = true;
    ASSERT_EQ(describe(columns, context), SQL_SUCCESS);
    for (int column : {2, 3}) {
        EXPECT_EQ(record(column).concise_type, -9);
        EXPECT_EQ(record(column).type, -9);
        EXPECT_STREQ(record(column).type_name, "NCHAR VARYING");
        EXPECT_STREQ(record(column).local_type_name, "NCHAR VARYING");
    }
    EXPECT_EQ(record(10).concise_type, 1);
    EXPECT_EQ(record(10).type, 1);
    EXPECT_STREQ(record(10).type_name, "CHARACTER");
    EXPECT_STREQ(record(10).local_type_name, "CHARACTER");
    EXPECT_EQ(record(1).concise_type, 12);
    EXPECT_EQ(record(11).concise_type, 12);

    // A shorter result is overridden only where it has the columns.
    ASSERT_EQ(describe(std::vector<Column>(2, Column{449, 0, 0, 31}), context), SQL_SUCCESS);
    EXPECT_EQ(record(2).concise_type, -9);
}

TEST_F(Describe, ResultsOfAStatementThatWasNeverPreparedAreEmpty)
{
    ASSERT_EQ(statement().output_sqlda, nullptr);
    EXPECT_EQ(describe_results(statement()), SQL_SUCCESS);
    EXPECT_EQ(ird().count, 0);
}

TEST_F(Describe, TooSmallOutputAreaIsGrownAndDescribedAgain)
{
    // 20 columns reported into 16 slots: the area is replaced by one of 20
    // slots and described again. Without a server statement the client's
    // describe fails, which is reported from the status vector.
    statement().output_sqlda = allocate_sqlda(16);
    statement().output_sqlda->sqld = 20;
    EXPECT_EQ(describe_results(statement()), SQL_ERROR);
    ASSERT_NE(statement().output_sqlda, nullptr);
    EXPECT_EQ(statement().output_sqlda->sqln, 20);
    EXPECT_EQ(statement().output_sqlda->version, SQLDA_VERSION1);
    const DiagRecord* d = first_diag(stmt);
    ASSERT_NE(d, nullptr);
    EXPECT_NE(d->native_error, 0) << "the SQLCODE of the client's failure";
}

// ---------------------------------------------------------------------------
// SQLDescribeCol, SQLColAttribute, SQLColAttributes.

class ColumnCalls : public Describe {
protected:
    void SetUp() override
    {
        Describe::SetUp();
        connection().env->odbc_version = 3;
        // 1: NUMERIC(18,4) aliased, 2: VARCHAR(20) NONE, 3: TIMESTAMP nullable,
        // 4: BIGINT (precision 19, display size 20).
        ASSERT_EQ(describe({{580, 0, -4, 8, "AMOUNT", "TOTAL", "ORDERS", "SYSDBA"},
                            {449, 0, 0, 20, "CUSTOMER_NAME", "", "ORDERS", "SYSDBA"},
                            {511, 0, 0, 8, "PLACED", "", "ORDERS", "SYSDBA"},
                            {581, 0, 0, 8, "ID", "", "ORDERS", "SYSDBA"}},
                           describe_context(statement())),
                  SQL_SUCCESS);
    }
};

TEST_F(ColumnCalls, DescribeColReportsNameTypeSizeDigitsAndNullability)
{
    struct Case {
        int column;
        const char* name;
        SQLSMALLINT type;
        SQLULEN size;  // precision for NUMERIC/DECIMAL, display size otherwise
        SQLSMALLINT digits, nullable;
    };
    const Case cases[] = {
        {1, "TOTAL", 2, 21, 4, SQL_NO_NULLS},
        {2, "CUSTOMER_NAME", 12, 20, 0, SQL_NULLABLE},
        {3, "PLACED", 93, 24, 4, SQL_NULLABLE},
        {4, "ID", 2, 19, 0, SQL_NULLABLE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        SQLCHAR name[64] = "";
        SQLSMALLINT name_length = -1, type = 0, digits = -1, nullable = -1;
        SQLULEN size = 0;
        ASSERT_EQ(describe_col(statement(), c.column, name, sizeof name, &name_length, &type, &size,
                               &digits, &nullable, false),
                  SQL_SUCCESS);
        EXPECT_STREQ(reinterpret_cast<char*>(name), c.name);
        EXPECT_EQ(name_length, static_cast<SQLSMALLINT>(std::strlen(c.name)));
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(digits, c.digits);
        EXPECT_EQ(nullable, c.nullable);
    }
    // Every output is optional.
    EXPECT_EQ(describe_col(statement(), 1, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr,
                           false),
              SQL_SUCCESS);
}

TEST_F(ColumnCalls, DescribeColCutsTheNameInBothWidths)
{
    SQLCHAR name[5];
    SQLSMALLINT length = 0;
    EXPECT_EQ(describe_col(statement(), 2, name, sizeof name, &length, nullptr, nullptr, nullptr,
                           nullptr, false),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_STREQ(reinterpret_cast<char*>(name), "CUST");
    EXPECT_EQ(length, 13);
    const DiagRecord* d = first_diag(stmt);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->sqlstate, "01004");
    clear_diags(&statement());

    // Wide: the buffer and the reported length count characters.
    SQLWCHAR wide[5];
    length = 0;
    EXPECT_EQ(
        describe_col(statement(), 2, wide, 5, &length, nullptr, nullptr, nullptr, nullptr, true),
        SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(wide)), u"CUST");
    EXPECT_EQ(length, 13);
    ASSERT_NE(first_diag(stmt), nullptr);
    EXPECT_STREQ(first_diag(stmt)->sqlstate, "01004");
    clear_diags(&statement());

    SQLWCHAR whole[32];
    EXPECT_EQ(
        describe_col(statement(), 1, whole, 32, &length, nullptr, nullptr, nullptr, nullptr, true),
        SQL_SUCCESS);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(whole)), u"TOTAL");
    EXPECT_EQ(length, 5);
}

TEST_F(ColumnCalls, WideNamesGoThroughTheConnectionCodePage)
{
    // A UTF-8 name of 3 characters in 6 bytes: 3 UTF-16 units, not 6.
    Sqlda area({{497, 0, 0, 4, "\xC3\x84\xC3\x96\xC3\x9C"}});
    ASSERT_EQ(build_ird(ird(), *area.area, context_for(3), &statement()), SQL_SUCCESS);
    SQLWCHAR wide[8];
    SQLSMALLINT length = 0;
    ASSERT_EQ(
        describe_col(statement(), 1, wide, 8, &length, nullptr, nullptr, nullptr, nullptr, true),
        SQL_SUCCESS);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(wide)), u"\u00C4\u00D6\u00DC");
    EXPECT_EQ(length, 3);
}

TEST_F(ColumnCalls, ColumnNumbersOutsideTheResultAre07009)
{
    SQLCHAR name[8];
    SQLLEN number = 0;
    for (SQLUSMALLINT column : {0, 5, 65535}) {
        SCOPED_TRACE(column);
        EXPECT_EQ(describe_col(statement(), column, name, sizeof name, nullptr, nullptr, nullptr,
                               nullptr, nullptr, false),
                  SQL_ERROR);
        ASSERT_NE(first_diag(stmt), nullptr);
        EXPECT_STREQ(first_diag(stmt)->sqlstate, "07009");
        clear_diags(&statement());
        for (AttributeTable table : {AttributeTable::odbc3, AttributeTable::odbc2}) {
            EXPECT_EQ(col_attribute(statement(), table, column, SQL_DESC_TYPE, nullptr, 0, nullptr,
                                    &number, false),
                      SQL_ERROR);
            ASSERT_NE(first_diag(stmt), nullptr);
            EXPECT_STREQ(first_diag(stmt)->sqlstate, "07009");
            EXPECT_STREQ(first_diag(stmt)->class_origin, "ISO 9075");
            clear_diags(&statement());
            // The column count needs no valid column.
            for (SQLUSMALLINT field : {SQL_COLUMN_COUNT, SQL_DESC_COUNT}) {
                number = -1;
                EXPECT_EQ(col_attribute(statement(), table, column, field, nullptr, 0, nullptr,
                                        &number, false),
                          SQL_SUCCESS);
                EXPECT_EQ(number, 4);
            }
        }
    }
    // A statement without result set has no column to describe.
    ASSERT_EQ(describe({}, context_for(3)), SQL_SUCCESS);
    EXPECT_EQ(describe_col(statement(), 1, name, sizeof name, nullptr, nullptr, nullptr, nullptr,
                           nullptr, false),
              SQL_ERROR);
    EXPECT_STREQ(first_diag(stmt)->sqlstate, "07009");
}

// Field table: what SQLColAttribute (ODBC 3) and SQLColAttributes (ODBC 2)
// answer for column 1 (NUMERIC(18,4) named AMOUNT, aliased TOTAL).
struct FieldCase {
    SQLUSMALLINT field;
    bool is_text;
    SQLLEN odbc3_number;
    SQLLEN odbc2_number;
    const char* odbc3_text;
    const char* odbc2_text;
};

const FieldCase field_cases[] = {
    // clang-format off
    {SQL_COLUMN_NAME, true, 0, 0, "AMOUNT", "TOTAL"},
    {SQL_DESC_NAME, true, 0, 0, "TOTAL", "TOTAL"},
    {SQL_DESC_LABEL, true, 0, 0, "TOTAL", "TOTAL"},
    {SQL_DESC_BASE_COLUMN_NAME, true, 0, 0, "AMOUNT", "AMOUNT"},
    {SQL_DESC_BASE_TABLE_NAME, true, 0, 0, "ORDERS", "ORDERS"},
    {SQL_DESC_TABLE_NAME, true, 0, 0, "ORDERS", "ORDERS"},
    {SQL_DESC_SCHEMA_NAME, true, 0, 0, "", ""},
    {SQL_DESC_CATALOG_NAME, true, 0, 0, "", ""},
    {SQL_DESC_TYPE_NAME, true, 0, 0, "NUMERIC", "NUMERIC"},
    {SQL_DESC_LOCAL_TYPE_NAME, true, 0, 0, "NUMERIC", "NUMERIC"},
    {SQL_DESC_LITERAL_PREFIX, true, 0, 0, "", ""},
    {SQL_DESC_LITERAL_SUFFIX, true, 0, 0, "", ""},
    {SQL_DESC_CONCISE_TYPE, false, 2, 2, nullptr, nullptr},
    {SQL_DESC_TYPE, false, 2, 2, nullptr, nullptr},
    {SQL_COLUMN_LENGTH, false, 21, 21, nullptr, nullptr},
    {SQL_DESC_LENGTH, false, 21, 21, nullptr, nullptr},
    {SQL_COLUMN_PRECISION, false, 21, 21, nullptr, nullptr},
    {SQL_DESC_PRECISION, false, 21, 21, nullptr, nullptr},
    {SQL_COLUMN_SCALE, false, 4, 4, nullptr, nullptr},
    {SQL_DESC_SCALE, false, 4, 4, nullptr, nullptr},
    {SQL_DESC_DISPLAY_SIZE, false, 21, 21, nullptr, nullptr},
    {SQL_COLUMN_NULLABLE, false, SQL_NO_NULLS, SQL_NO_NULLS, nullptr, nullptr},
    {SQL_DESC_NULLABLE, false, SQL_NO_NULLS, SQL_NO_NULLS, nullptr, nullptr},
    {SQL_DESC_UNSIGNED, false, 0, 0, nullptr, nullptr},
    {SQL_DESC_FIXED_PREC_SCALE, false, 1, 0, nullptr, nullptr},
    {SQL_DESC_UPDATABLE, false, 1, 1, nullptr, nullptr},
    {SQL_DESC_AUTO_UNIQUE_VALUE, false, 0, 0, nullptr, nullptr},
    {SQL_DESC_CASE_SENSITIVE, false, 0, 0, nullptr, nullptr},
    {SQL_DESC_SEARCHABLE, false, SQL_SEARCHABLE, SQL_SEARCHABLE, nullptr, nullptr},
    {SQL_DESC_NUM_PREC_RADIX, false, 10, 10, nullptr, nullptr},
    {SQL_DESC_UNNAMED, false, SQL_NAMED, SQL_NAMED, nullptr, nullptr},
    {SQL_DESC_OCTET_LENGTH, false, 21, 21, nullptr, nullptr},
    {1212, false, 0, 0, nullptr, nullptr},
    {SQL_COLUMN_COUNT, false, 4, 4, nullptr, nullptr},
    {SQL_DESC_COUNT, false, 4, 4, nullptr, nullptr},
    // clang-format on
};

TEST_F(ColumnCalls, AttributeFieldsOfBothTables)
{
    for (const FieldCase& c : field_cases) {
        for (AttributeTable table : {AttributeTable::odbc3, AttributeTable::odbc2}) {
            const bool odbc3 = table == AttributeTable::odbc3;
            SCOPED_TRACE("field " + std::to_string(c.field) + (odbc3 ? " ODBC 3" : " ODBC 2"));
            char text[64];
            std::memset(text, '#', sizeof text);
            SQLSMALLINT length = -1;
            SQLLEN number = 0x5A5A5A5A5A5A5A5A;
            ASSERT_EQ(col_attribute(statement(), table, 1, c.field, text, sizeof text, &length,
                                    &number, false),
                      SQL_SUCCESS);
            if (c.is_text) {
                const char* expected = odbc3 ? c.odbc3_text : c.odbc2_text;
                EXPECT_STREQ(text, expected);
                EXPECT_EQ(length, static_cast<SQLSMALLINT>(std::strlen(expected)));
                // Only SQLColAttributes clears the numeric result of a string.
                EXPECT_EQ(number, odbc3 ? 0x5A5A5A5A5A5A5A5A : 0);
            } else {
                // The whole SQLLEN is written, not only its low half.
                EXPECT_EQ(number, odbc3 ? c.odbc3_number : c.odbc2_number);
                EXPECT_EQ(length, static_cast<SQLSMALLINT>(sizeof(SQLLEN)));
                EXPECT_EQ(text[0], '#') << "no text written for a numeric field";
            }
        }
    }
}

TEST_F(ColumnCalls, AttributeValuesOfOtherColumns)
{
    // Values the first column does not exercise: a nullable text column and
    // a timestamp whose verbose type differs from its concise type.
    struct Case {
        int column;
        SQLUSMALLINT field;
        SQLLEN number;
    };
    const Case cases[] = {
        {2, SQL_DESC_NULLABLE, SQL_NULLABLE},
        {2, SQL_DESC_UNSIGNED, 1},
        {2, SQL_DESC_OCTET_LENGTH, 20},
        {3, SQL_DESC_CONCISE_TYPE, 93},
        {3, SQL_DESC_TYPE, 9},
        {3, SQL_DESC_LENGTH, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.column) + "/" + std::to_string(c.field));
        SQLLEN number = -99;
        ASSERT_EQ(col_attribute(statement(), AttributeTable::odbc3, c.column, c.field, nullptr, 0,
                                nullptr, &number, false),
                  SQL_SUCCESS);
        EXPECT_EQ(number, c.number);
    }
    char text[16];
    ASSERT_EQ(col_attribute(statement(), AttributeTable::odbc3, 3, SQL_DESC_LITERAL_PREFIX, text,
                            sizeof text, nullptr, nullptr, false),
              SQL_SUCCESS);
    EXPECT_STREQ(text, "{ts '");
}

TEST_F(ColumnCalls, AttributeStringsAreCutWith01004)
{
    for (AttributeTable table : {AttributeTable::odbc3, AttributeTable::odbc2}) {
        char text[4];
        SQLSMALLINT length = 0;
        EXPECT_EQ(col_attribute(statement(), table, 2, SQL_DESC_BASE_COLUMN_NAME, text, sizeof text,
                                &length, nullptr, false),
                  SQL_SUCCESS_WITH_INFO);
        EXPECT_STREQ(text, "CUS");
        EXPECT_EQ(length, 13);
        ASSERT_NE(first_diag(stmt), nullptr);
        EXPECT_STREQ(first_diag(stmt)->sqlstate, "01004");
        clear_diags(&statement());

        // Wide: bytes, not characters. 8 bytes hold 3 characters and the
        // terminator; the full length is 26 bytes.
        SQLWCHAR wide[4];
        EXPECT_EQ(col_attribute(statement(), table, 2, SQL_DESC_BASE_COLUMN_NAME, wide, sizeof wide,
                                &length, nullptr, true),
                  SQL_SUCCESS_WITH_INFO);
        EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(wide)), u"CUS");
        EXPECT_EQ(length, 26);
        ASSERT_NE(first_diag(stmt), nullptr);
        EXPECT_STREQ(first_diag(stmt)->sqlstate, "01004");
        clear_diags(&statement());

        SQLWCHAR whole[32];
        EXPECT_EQ(col_attribute(statement(), table, 2, SQL_DESC_TYPE_NAME, whole, sizeof whole,
                                &length, nullptr, true),
                  SQL_SUCCESS);
        EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(whole)), u"VARCHAR");
        EXPECT_EQ(length, 14);
        EXPECT_EQ(first_diag(stmt), nullptr);
    }
}

TEST_F(ColumnCalls, UnknownFieldIsHY091)
{
    for (AttributeTable table : {AttributeTable::odbc3, AttributeTable::odbc2}) {
        for (SQLUSMALLINT field : {19, 1004, 1099, 9999}) {
            SCOPED_TRACE(field);
            SQLLEN number = 0;
            EXPECT_EQ(
                col_attribute(statement(), table, 1, field, nullptr, 0, nullptr, &number, false),
                SQL_ERROR);
            const DiagRecord* d = first_diag(stmt);
            ASSERT_NE(d, nullptr);
            EXPECT_STREQ(d->sqlstate, "HY091");
            EXPECT_STREQ(d->message_text, "Invalid descriptor field identifier");
            EXPECT_EQ(d->native_error, 0);
            clear_diags(&statement());
        }
    }
}

}  // namespace
