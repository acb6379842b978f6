// Parameter values converted into markers: input XSQLDAs and IPD records
// built by hand as the description of a prepared statement leaves them, APD
// records bound as SQLBindParameter binds them, and gather_parameters run
// for the statement's current row. Covers every family of the conversion
// matrix against every kind of marker, the NULL and data-at-execution
// rules, row addressing in parameter arrays, and (with the client's BLOB
// calls replaced) the segments a BLOB value is written in.
#include <array>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "date_codec.h"
#include "diagnostics.h"
#include "gather.h"
#include "unit_support.h"
#include "../common/value_bytes.h"

namespace {

// A marker as the server describes it (non-nullable type code).
struct MarkerSpec {
    int sqltype;
    int sqllen;
    int scale = 0;
    int subtype = 0;
};

MarkerSpec char_(int n) { return {452, n}; }
MarkerSpec smallint(int scale = 0) { return {500, 2, scale}; }
MarkerSpec integer(int scale = 0) { return {496, 4, scale}; }
MarkerSpec bigint(int scale = 0) { return {580, 8, scale}; }
MarkerSpec boolean() { return {32764, 1}; }
MarkerSpec double_() { return {480, 8}; }
MarkerSpec float_() { return {482, 4}; }
MarkerSpec date() { return {570, 4}; }
MarkerSpec time_() { return {560, 4}; }
MarkerSpec timestamp() { return {510, 8}; }
MarkerSpec blob(int subtype) { return {520, 8, 0, subtype}; }
MarkerSpec array() { return {540, 8}; }

ISC_DATE day(int y, int m, int d) { return encode_day_number(d, m - 1, y - 1900); }
ISC_TIME clock(int h, int mi, int s, int units = 0)
{
    return static_cast<ISC_TIME>(((h * 60 + mi) * 60 + s) * 10000 + units);
}
std::string stamp(ISC_DATE d, ISC_TIME t) { return bytes_of(d) + bytes_of(t); }

SQL_NUMERIC_STRUCT numeric(int scale, int sign, unsigned long long magnitude)
{
    SQL_NUMERIC_STRUCT n{};
    n.precision = 18;
    n.scale = static_cast<SQLSCHAR>(scale);
    n.sign = static_cast<SQLCHAR>(sign);
    std::memcpy(n.val, &magnitude, sizeof magnitude);
    return n;
}

// What the fake client's BLOB calls saw.
struct BlobLog {
    std::vector<size_t> segments;
    std::string bytes;
    int created = 0;
    int closed = 0;
};
BlobLog blob_log;

ISC_STATUS fake_create_blob(ISC_STATUS* status, isc_db_handle*, isc_tr_handle*, isc_blob_handle* handle,
                            ISC_QUAD* id, short, const ISC_SCHAR*)
{
    ++blob_log.created;
    *handle = 77;
    std::memset(id, 0x5A, sizeof *id);
    status[0] = 1;
    status[1] = 0;
    return 0;
}
ISC_STATUS fake_put_segment(ISC_STATUS* status, isc_blob_handle*, unsigned short length, const ISC_SCHAR* data)
{
    blob_log.segments.push_back(length);
    blob_log.bytes.append(data, length);
    status[0] = 1;
    status[1] = 0;
    return 0;
}
ISC_STATUS fake_close_blob(ISC_STATUS* status, isc_blob_handle* handle)
{
    ++blob_log.closed;
    *handle = 0;
    status[0] = 1;
    status[1] = 0;
    return 0;
}

class ParamConvert : public ::testing::Test {
protected:
    static constexpr int slots = 6;

    void SetUp() override
    {
        ASSERT_EQ(bind_client_library(), 1) << "libfbclient is needed for the date encoders";
        connection.handle_type = stamp_connection;
        connection.transaction = 1;  // an open main transaction: BLOBs need no start
        statement.handle_type = stamp_statement;
        statement.connection = &connection;
        apd.handle_type = ipd.handle_type = stamp_descriptor;
        apd.array_size = 1;
        apd.records = apd_records.data();
        ipd.records = ipd_records.data();
        statement.apd = &apd;
        statement.ipd = &ipd;
        sqlda_area.assign(XSQLDA_LENGTH(slots), 0);
        sqlda = reinterpret_cast<XSQLDA*>(sqlda_area.data());
        sqlda->version = SQLDA_VERSION1;
        sqlda->sqln = slots;
        statement.input_sqlda = sqlda;
        blob_log = BlobLog{};
    }
    void TearDown() override { clear_diags(&statement); }

    // Adds a marker as describe_parameters leaves it; returns its number.
    int add_marker(const MarkerSpec& m)
    {
        const int n = ipd.count + 1;
        XSQLVAR& var = sqlda->sqlvar[n - 1];
        DescRecord& record = ipd_records[n];
        record = DescRecord{};
        buffers[n].assign(static_cast<size_t>(std::max(m.sqllen + 3, 64)), '\xCC');
        record.value_buffer = buffers[n].data();
        record.data_ptr = record.value_buffer;
        record.server_length = m.sqllen;
        record.server_scale = static_cast<int16_t>(m.scale);
        var = XSQLVAR{};
        var.sqltype = static_cast<ISC_SHORT>(m.sqltype);
        var.sqllen = static_cast<ISC_SHORT>(m.sqllen);
        var.sqlscale = static_cast<ISC_SHORT>(m.scale);
        var.sqlsubtype = static_cast<ISC_SHORT>(m.subtype);
        var.sqldata = buffers[n].data();
        var.sqlind = &record.inline_indicator;
        ipd.count = static_cast<int16_t>(n);
        sqlda->sqld = static_cast<ISC_SHORT>(n);
        return n;
    }

    // Binds APD record n as SQLBindParameter does (one pointer for the
    // indicator and the length).
    DescRecord& bind(int n, SQLSMALLINT c_type, const void* data, SQLLEN octet_length, SQLLEN* indicator,
                     SQLSMALLINT direction = SQL_PARAM_INPUT)
    {
        DescRecord& r = apd_records[n];
        r = DescRecord{};
        r.concise_type = r.type = c_type;
        r.parameter_type = direction;
        r.data_ptr = const_cast<void*>(data);
        r.octet_length = octet_length;
        r.indicator_ptr = r.octet_length_ptr = indicator;
        if (n > apd.count) apd.count = static_cast<int16_t>(n);
        return r;
    }

    SQLRETURN gather()
    {
        clear_diags(&statement);
        return gather_parameters(statement);
    }
    std::string state() const
    {
        const DiagRecord* d = diag_record(&statement, 1);
        return d ? d->sqlstate : "";
    }
    std::string stored(int n, size_t length) const { return std::string(buffers[n].data(), length); }
    XSQLVAR& var(int n) { return sqlda->sqlvar[n - 1]; }

    Connection connection{};
    Statement statement{};
    Descriptor apd{};
    Descriptor ipd{};
    std::vector<unsigned char> sqlda_area;
    XSQLDA* sqlda = nullptr;
    std::array<DescRecord, slots + 1> apd_records{};
    std::array<DescRecord, slots + 1> ipd_records{};
    std::array<std::vector<char>, slots + 1> buffers;
};

// --- The conversion matrix ------------------------------------------------

constexpr int unchanged = -1;  // the XSQLVAR's sqllen is not a text length
constexpr int null_sent = -2;

struct Case {
    const char* what;
    SQLSMALLINT c_type;
    std::string value;  // the application's bytes (text with its terminator)
    SQLLEN length;      // L
    MarkerSpec marker;
    SQLRETURN rc;
    std::string expected;  // the marker's value bytes
    int sqllen = unchanged;  // text markers: the length sent; or null_sent
    const char* state = "";
    int native = 0;
};

Case fails(const char* what, SQLSMALLINT c_type, std::string value, SQLLEN length, MarkerSpec marker,
           const char* state, int native = 0)
{
    return {what, c_type, std::move(value), length, marker, SQL_ERROR, "", unchanged, state, native};
}

TEST_F(ParamConvert, MatrixOfFamiliesAndMarkerTypes)
{
    const ISC_DATE d = day(2024, 3, 15);
    const SQL_DATE_STRUCT date_value{2024, 3, 15};
    const SQL_TIME_STRUCT time_value{10, 20, 30};
    const SQL_TIMESTAMP_STRUCT ts_value{2024, 3, 15, 10, 20, 30, 500000000};
    const std::string nts = "";  // marks text values below
    const std::vector<Case> cases = {
        // Character family.
        {"text 12.345 numeric(9,2) truncates", SQL_C_CHAR, "12.345" + nts + '\0', SQL_NTS, integer(-2),
         SQL_SUCCESS, bytes_of<int32_t>(1234)},
        {"text 12 numeric(9,2)", SQL_C_CHAR, std::string("12\0", 3), SQL_NTS, integer(-2), SQL_SUCCESS,
         bytes_of<int32_t>(1200)},
        {"text -0.5 numeric(9,0)", SQL_C_CHAR, std::string("-0.5\0", 5), SQL_NTS, integer(), SQL_SUCCESS,
         bytes_of<int32_t>(0)},
        {"text exponent bigint", SQL_C_CHAR, std::string(" 1.5e3 \0", 8), SQL_NTS, bigint(), SQL_SUCCESS,
         bytes_of<int64_t>(1500)},
        {"text L limits the digits", SQL_C_CHAR, "1234", 2, smallint(), SQL_SUCCESS, bytes_of<int16_t>(12)},
        {"text 3.25 double", SQL_C_CHAR, std::string("3.25\0", 5), SQL_NTS, double_(), SQL_SUCCESS,
         bytes_of(3.25)},
        {"text -1.5 float", SQL_C_CHAR, "-1.5", 4, float_(), SQL_SUCCESS, bytes_of(-1.5f)},
        {"text into char", SQL_C_CHAR, std::string("hello\0", 6), SQL_NTS, char_(10), SQL_SUCCESS,
         std::string("hello\0", 6), 5},
        {"text with explicit length into char", SQL_C_CHAR, "hello", 3, char_(10), SQL_SUCCESS,
         std::string("hel\0", 4), 3},
        {"text timestamp with fraction", SQL_C_CHAR, std::string("2024-03-15 10:20:30.5\0", 22), SQL_NTS,
         timestamp(), SQL_SUCCESS, stamp(d, clock(10, 20, 30, 5000))},
        {"text date alone is midnight", SQL_C_CHAR, std::string("2024-03-15\0", 11), SQL_NTS, timestamp(),
         SQL_SUCCESS, stamp(d, 0)},
        {"text date escape", SQL_C_CHAR, std::string("{d '2024-03-15'}\0", 17), SQL_NTS, date(), SQL_SUCCESS,
         bytes_of(d)},
        {"text time", SQL_C_CHAR, "10:20:30", 8, time_(), SQL_SUCCESS, bytes_of(clock(10, 20, 30))},
        {"empty text date is NULL", SQL_C_CHAR, std::string("\0", 1), SQL_NTS, date(), SQL_SUCCESS, "",
         null_sent},
        {"text into array is NULL", SQL_C_CHAR, "x", 1, array(), SQL_SUCCESS, "", null_sent},
        fails("text not a number", SQL_C_CHAR, std::string("12abc\0", 6), SQL_NTS, integer(), "22018"),
        fails("empty text not a number", SQL_C_CHAR, "", 0, double_(), "22018"),
        fails("text beyond integer", SQL_C_CHAR, "99999999999", 11, integer(), "22003"),
        fails("text beyond smallint after scaling", SQL_C_CHAR, "400", 3, smallint(-2), "22003"),
        fails("text beyond float", SQL_C_CHAR, "1e39", 4, float_(), "22003"),
        fails("text beyond double", SQL_C_CHAR, "1e400", 5, double_(), "22003"),
        fails("text too long for char", SQL_C_CHAR, "hello world", 11, char_(5), "22001"),
        fails("text date in another form", SQL_C_CHAR, std::string("15/03/2024\0", 11), SQL_NTS, date(),
              "22007"),
        fails("text hour without minutes", SQL_C_CHAR, "2024-03-15 10", 13, timestamp(), "22007"),
        fails("text without digits", SQL_C_CHAR, "noon", 4, time_(), "22007"),
        fails("text date outside the calendar", SQL_C_CHAR, "2023-02-29", 10, date(), "22008"),
        fails("text into a binary blob", SQL_C_CHAR, "ab", 2, blob(0), "07006", SQL_C_CHAR),
        fails("negative length", SQL_C_CHAR, "12", SQL_DEFAULT_PARAM, integer(), "HY090"),
        // Wide character family.
        {"wide into char as UTF-8", SQL_C_WCHAR, wide(u"h\u00e9llo"), SQL_NTS, char_(10), SQL_SUCCESS,
         std::string("h\xc3\xa9llo\0", 7), 6},
        {"wide length in bytes", SQL_C_WCHAR, wide(u"abcd"), 4, char_(10), SQL_SUCCESS,
         std::string("ab\0", 3), 2},
        {"wide number", SQL_C_WCHAR, wide(u"12"), SQL_NTS, integer(-2), SQL_SUCCESS, bytes_of<int32_t>(1200)},
        {"wide timestamp", SQL_C_WCHAR, wide(u"2024-03-15 10:20:30"), SQL_NTS, timestamp(), SQL_SUCCESS,
         stamp(d, clock(10, 20, 30))},
        fails("wide too long for char", SQL_C_WCHAR, wide(u"\u00e9\u00e9\u00e9"), SQL_NTS, char_(5), "22001"),
        fails("wide unpaired surrogate", SQL_C_WCHAR, wide(u"a\xD800"), SQL_NTS, char_(10), "HY000"),
        fails("wide into a binary blob", SQL_C_WCHAR, wide(u"a"), SQL_NTS, blob(0), "07006", SQL_C_WCHAR),
        // Binary family.
        {"bytes into char", SQL_C_BINARY, std::string("\x01\0\x03", 3), 3, char_(8), SQL_SUCCESS,
         std::string("\x01\0\x03", 3), 3},
        {"bytes into integer", SQL_C_BINARY, bytes_of<int32_t>(77), 4, integer(), SQL_SUCCESS,
         bytes_of<int32_t>(77)},
        {"bytes into array is NULL", SQL_C_BINARY, "ab", 2, array(), SQL_SUCCESS, "", null_sent},
        fails("bytes too long", SQL_C_BINARY, std::string(9, 'x'), 9, char_(8), "22001"),
        // Integer families.
        {"tinyint -3 integer", SQL_C_TINYINT, bytes_of<int8_t>(-3), 0, integer(), SQL_SUCCESS,
         bytes_of<int32_t>(-3)},
        {"utinyint 200 smallint", SQL_C_UTINYINT, bytes_of<uint8_t>(200), 0, smallint(), SQL_SUCCESS,
         bytes_of<int16_t>(200)},
        {"ushort 65535 integer", SQL_C_USHORT, bytes_of<uint16_t>(65535), 0, integer(), SQL_SUCCESS,
         bytes_of<int32_t>(65535)},
        {"slong scaled", SQL_C_SLONG, bytes_of<int32_t>(12), 0, integer(-2), SQL_SUCCESS,
         bytes_of<int32_t>(1200)},
        {"ulong 4000000000 bigint", SQL_C_ULONG, bytes_of<uint32_t>(4000000000u), 0, bigint(), SQL_SUCCESS,
         bytes_of<int64_t>(4000000000)},
        {"sbigint bigint exact", SQL_C_SBIGINT, bytes_of<int64_t>(9007199254740993), 0, bigint(),
         SQL_SUCCESS, bytes_of<int64_t>(9007199254740993)},
        {"short into double", SQL_C_SHORT, bytes_of<int16_t>(5), 0, double_(), SQL_SUCCESS, bytes_of(5.0)},
        {"slong into char ignores L", SQL_C_SLONG, bytes_of<int32_t>(-42), 1, char_(10), SQL_SUCCESS,
         std::string("-42\0", 4), 3},
        {"bit into boolean", SQL_C_BIT, bytes_of<uint8_t>(1), 0, boolean(), SQL_SUCCESS,
         bytes_of<uint8_t>(1)},
        {"slong into array is NULL", SQL_C_SLONG, bytes_of<int32_t>(1), 0, array(), SQL_SUCCESS, "", null_sent},
        fails("sbigint beyond integer after scaling", SQL_C_SBIGINT, bytes_of<int64_t>(30000000), 0,
              integer(-2), "22003"),
        fails("slong beyond smallint", SQL_C_SLONG, bytes_of<int32_t>(70000), 0, smallint(), "22003"),
        fails("ubigint beyond bigint", SQL_C_UBIGINT, bytes_of<uint64_t>(~0ull), 0, bigint(), "22003"),
        fails("slong 2 into boolean", SQL_C_SLONG, bytes_of<int32_t>(2), 0, boolean(), "22003"),
        fails("slong into date", SQL_C_SLONG, bytes_of<int32_t>(1), 0, date(), "07006", SQL_C_SLONG),
        fails("slong into blob", SQL_C_SLONG, bytes_of<int32_t>(1), 0, blob(1), "07006", SQL_C_SLONG),
        // Float and double families.
        {"double 1.005 numeric(9,2) truncates", SQL_C_DOUBLE, bytes_of(1.005), 0, integer(-2), SQL_SUCCESS,
         bytes_of<int32_t>(100)},
        {"double -2.9 integer", SQL_C_DOUBLE, bytes_of(-2.9), 0, integer(), SQL_SUCCESS,
         bytes_of<int32_t>(-2)},
        {"double into char, every digit", SQL_C_DOUBLE, bytes_of(1.23456789), 0, char_(20), SQL_SUCCESS,
         std::string("1.23456789\0", 11), 10},
        {"float into double", SQL_C_FLOAT, bytes_of(0.1f), 0, double_(), SQL_SUCCESS,
         bytes_of(static_cast<double>(0.1f))},
        {"float into char", SQL_C_FLOAT, bytes_of(0.1f), 0, char_(20), SQL_SUCCESS, std::string("0.1\0", 4),
         3},
        fails("double beyond float", SQL_C_DOUBLE, bytes_of(1e300), 0, float_(), "22003"),
        fails("double beyond bigint", SQL_C_DOUBLE, bytes_of(1e20), 0, bigint(), "22003"),
        fails("double into timestamp", SQL_C_DOUBLE, bytes_of(1.0), 0, timestamp(), "07006", SQL_C_DOUBLE),
        // Numeric family.
        {"numeric 12.345 numeric(9,2) truncates", SQL_C_NUMERIC, bytes_of(numeric(3, 1, 12345)), 0,
         integer(-2), SQL_SUCCESS, bytes_of<int32_t>(1234)},
        {"numeric 1200 scale -2 integer", SQL_C_NUMERIC, bytes_of(numeric(-2, 1, 12)), 0, integer(),
         SQL_SUCCESS, bytes_of<int32_t>(1200)},
        {"numeric into char", SQL_C_NUMERIC, bytes_of(numeric(3, 1, 12345)), 0, char_(10), SQL_SUCCESS,
         std::string("12.345\0", 7), 6},
        {"numeric -0.5 double", SQL_C_NUMERIC, bytes_of(numeric(1, 0, 5)), 0, double_(), SQL_SUCCESS,
         bytes_of(-0.5)},
        fails("numeric beyond smallint", SQL_C_NUMERIC, bytes_of(numeric(0, 1, 40000)), 0, smallint(),
              "22003"),
        // Date, time and timestamp families.
        {"date", SQL_C_TYPE_DATE, bytes_of(date_value), 0, date(), SQL_SUCCESS, bytes_of(d)},
        {"date into timestamp is midnight", SQL_C_DATE, bytes_of(date_value), 0, timestamp(), SQL_SUCCESS,
         stamp(d, 0)},
        {"time", SQL_C_TYPE_TIME, bytes_of(time_value), 0, time_(), SQL_SUCCESS, bytes_of(clock(10, 20, 30))},
        {"timestamp with fraction", SQL_C_TYPE_TIMESTAMP, bytes_of(ts_value), 0, timestamp(), SQL_SUCCESS,
         stamp(d, clock(10, 20, 30, 5000))},
        {"timestamp into time keeps whole seconds", SQL_C_TIMESTAMP, bytes_of(ts_value), 0, time_(),
         SQL_SUCCESS, bytes_of(clock(10, 20, 30))},
        {"timestamp into date", SQL_C_TYPE_TIMESTAMP, bytes_of(ts_value), 0, date(), SQL_SUCCESS, bytes_of(d)},
        fails("date into char", SQL_C_TYPE_DATE, bytes_of(date_value), 0, char_(20), "07006", SQL_C_TYPE_DATE),
        fails("date into array", SQL_C_TYPE_DATE, bytes_of(date_value), 0, array(), "07006", SQL_C_TYPE_DATE),
        fails("time into date", SQL_C_TYPE_TIME, bytes_of(time_value), 0, date(), "07006", SQL_C_TYPE_TIME),
        fails("month 13", SQL_C_TYPE_DATE, bytes_of(SQL_DATE_STRUCT{2024, 13, 1}), 0, date(), "22008"),
        fails("hour 24", SQL_C_TYPE_TIME, bytes_of(SQL_TIME_STRUCT{24, 0, 0}), 0, time_(), "22008"),
        // C types outside the families, and a marker type no family serves.
        fails("guid", SQL_C_GUID, std::string(16, '\0'), 16, char_(40), "07006", SQL_C_GUID),
        fails("int128 marker", SQL_C_CHAR, "1", 1, MarkerSpec{32752, 16}, "07006", SQL_C_CHAR),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ipd.count = 0;
        const int n = add_marker(c.marker);
        SQLLEN indicator = c.length;
        bind(n, c.c_type, c.value.data(), static_cast<SQLLEN>(c.value.size()), &indicator);
        const SQLRETURN rc = gather();
        ASSERT_EQ(rc, c.rc) << state();
        EXPECT_EQ(state(), c.state);
        if (c.rc == SQL_ERROR) {
            EXPECT_EQ(diag_record(&statement, 1)->native_error, c.native);
            continue;
        }
        if (c.sqllen == null_sent) {
            EXPECT_EQ(ipd_records[n].inline_indicator, -1);
            EXPECT_EQ(var(n).sqltype & 1, 1);
            continue;
        }
        EXPECT_EQ(ipd_records[n].inline_indicator, 0);
        EXPECT_EQ(stored(n, c.expected.size()), c.expected);
        EXPECT_EQ(var(n).sqllen, c.sqllen == unchanged ? c.marker.sqllen : c.sqllen);
    }
}

TEST_F(ParamConvert, TheTimeOfDayIntoATimestampCarriesTodaysDate)
{
    const int n = add_marker(timestamp());
    const SQL_TIME_STRUCT t{8, 9, 10};
    SQLLEN indicator = 0;
    bind(n, SQL_C_TYPE_TIME, &t, sizeof t, &indicator);
    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(gather(), SQL_SUCCESS) << state();
    const std::time_t after = std::time(nullptr);
    auto local_day = [](std::time_t when) {
        std::tm local{};
        localtime_r(&when, &local);
        return day(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    };
    const auto stored_value = *reinterpret_cast<const ISC_TIMESTAMP*>(buffers[n].data());
    EXPECT_TRUE(stored_value.timestamp_date == local_day(before) || stored_value.timestamp_date == local_day(after));
    EXPECT_EQ(stored_value.timestamp_time, clock(8, 9, 10));
}

TEST_F(ParamConvert, DefaultCTypeFollowsTheBoundSqlTypeOrTheMarker)
{
    struct DefaultCase {
        SQLSMALLINT hint;
        SQLSMALLINT ipd_type;
        bool wchar_default_c;
        std::string value;
        std::string expected;  // into a CHAR(10) marker
    };
    const DefaultCase cases[] = {
        {SQL_VARCHAR, 0, false, std::string("ab\0", 3), "ab"},
        {0, SQL_WVARCHAR, false, wide(u"ab"), "ab"},      // taken as wide text
        {0, SQL_WVARCHAR, true, std::string("ab\0", 3), "ab"},  // taken as narrow text
        {SQL_INTEGER, SQL_WVARCHAR, false, bytes_of<int32_t>(42), "42"},
    };
    for (const DefaultCase& c : cases) {
        ipd.count = 0;
        const int n = add_marker(char_(10));
        ipd_records[n].concise_type = c.ipd_type;
        connection.wchar_default_c = c.wchar_default_c;
        SQLLEN indicator = SQL_NTS;
        bind(n, SQL_C_DEFAULT, c.value.data(), 0, &indicator).sql_type_hint = c.hint;
        ASSERT_EQ(gather(), SQL_SUCCESS) << state();
        EXPECT_EQ(std::string(buffers[n].data(), static_cast<size_t>(var(n).sqllen)), c.expected);
    }
}

TEST_F(ParamConvert, WideTextTakesTheConnectionsCodePageOrOneByteAUnit)
{
    struct CodePageCase {
        int code_page;
        bool simple_unicode;
        std::u16string text;
        std::string expected;  // into a CHAR(10) marker
    };
    const CodePageCase cases[] = {
        {65001, false, u"\u00e9\u20ac", "\xc3\xa9\xe2\x82\xac"},
        {42, false, u"\u00e9t\u00e9", "\xe9t\xe9"},  // ISO-8859-1 through iconv
        {65001, true, u"\u00e9\u0141", "\xe9\x41"},   // SimpleUnicode: the low byte of each unit
    };
    for (const CodePageCase& c : cases) {
        SCOPED_TRACE(c.expected);
        ipd.count = 0;
        const int n = add_marker(char_(10));
        connection.wcmb_code_page = c.code_page;
        connection.simple_unicode = c.simple_unicode;
        const std::string value = wide(c.text);
        SQLLEN indicator = SQL_NTS;
        bind(n, SQL_C_WCHAR, value.data(), 0, &indicator);
        ASSERT_EQ(gather(), SQL_SUCCESS) << state();
        EXPECT_EQ(std::string(buffers[n].data(), static_cast<size_t>(var(n).sqllen)), c.expected);
    }
    // A character the code page lacks.
    connection.wcmb_code_page = 42;
    connection.simple_unicode = 0;
    ipd.count = 0;
    const int n = add_marker(char_(10));
    const std::string value = wide(u"\u20ac");
    SQLLEN indicator = SQL_NTS;
    bind(n, SQL_C_WCHAR, value.data(), 0, &indicator);
    EXPECT_EQ(gather(), SQL_ERROR);
    EXPECT_EQ(state(), "HY000");
}

// --- Gathering ----------------------------------------------------------------

TEST_F(ParamConvert, NullSetsTheNullFlagEvenOnANotNullMarkerAndTheNextValueClearsIt)
{
    const int n = add_marker(integer());
    int32_t value = 5;
    SQLLEN indicator = SQL_NULL_DATA;
    bind(n, SQL_C_SLONG, &value, 4, &indicator);
    ASSERT_EQ(gather(), SQL_SUCCESS) << state();
    EXPECT_EQ(var(n).sqltype, 497);
    EXPECT_EQ(ipd_records[n].inline_indicator, -1);

    indicator = 0;
    ASSERT_EQ(gather(), SQL_SUCCESS) << state();
    EXPECT_EQ(ipd_records[n].inline_indicator, 0);
    EXPECT_EQ(stored(n, 4), bytes_of<int32_t>(5));
    EXPECT_EQ(statement.params_processed, 2);
}

TEST_F(ParamConvert, ArraysAreAddressedByRowColumnWiseAndRowWiseWithTheBindOffset)
{
    const int text_marker = add_marker(char_(10));
    const int number_marker = add_marker(integer());
    // The same three parameter sets bound both ways; NULL where "" and 0.
    char texts[3][8] = {"one", "two", "three"};
    SQLLEN text_lengths[3] = {3, SQL_NULL_DATA, 5};
    int32_t numbers[3] = {10, 20, 30};
    SQLLEN number_indicators[3] = {0, 0, SQL_NULL_DATA};
    struct Row {
        char text[8];
        SQLLEN text_length;
        int32_t number;
        SQLLEN number_indicator;
    };
    Row rows[3];
    for (int i = 0; i < 3; ++i) {
        std::memcpy(rows[i].text, texts[i], sizeof rows[i].text);
        rows[i].text_length = text_lengths[i];
        rows[i].number = numbers[i];
        rows[i].number_indicator = number_indicators[i];
    }
    struct RowCase {
        bool row_wise;
        SQLLEN offset_rows;
        int row;
        std::string text;
        int32_t number;
    };
    const RowCase cases[] = {
        {false, 0, 0, "one", 10}, {false, 0, 1, "", 20},   {false, 0, 2, "three", 0},
        {true, 0, 0, "one", 10},  {true, 0, 1, "", 20},    {true, 0, 2, "three", 0},
        {true, 1, 1, "three", 0}, {true, 2, 0, "three", 0},
    };
    SQLLEN offset = 0;
    for (const RowCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.row_wise) + " offset " + std::to_string(c.offset_rows) + " row " +
                     std::to_string(c.row));
        if (c.row_wise) {
            apd.bind_type = sizeof(Row);
            bind(text_marker, SQL_C_CHAR, rows[0].text, sizeof rows[0].text, &rows[0].text_length);
            bind(number_marker, SQL_C_SLONG, &rows[0].number, 4, &rows[0].number_indicator);
            offset = c.offset_rows * static_cast<SQLLEN>(sizeof(Row));
            apd.bind_offset_ptr = &offset;
        } else {
            apd.bind_type = SQL_PARAM_BIND_BY_COLUMN;
            bind(text_marker, SQL_C_CHAR, texts, sizeof texts[0], text_lengths);
            bind(number_marker, SQL_C_SLONG, numbers, sizeof numbers[0], number_indicators);
        }
        statement.row_index = c.row;
        ASSERT_EQ(gather(), SQL_SUCCESS) << state();
        if (c.text.empty()) {
            EXPECT_EQ(ipd_records[text_marker].inline_indicator, -1);
        } else {
            EXPECT_EQ(ipd_records[text_marker].inline_indicator, 0);
            EXPECT_EQ(std::string(buffers[text_marker].data(), static_cast<size_t>(var(text_marker).sqllen)),
                      c.text);
        }
        if (c.number == 0) {
            EXPECT_EQ(ipd_records[number_marker].inline_indicator, -1);
        } else {
            EXPECT_EQ(ipd_records[number_marker].inline_indicator, 0);
            EXPECT_EQ(stored(number_marker, 4), bytes_of(c.number));
        }
    }
}

TEST_F(ParamConvert, RowsOfTwoGigabytesOrMoreAreStillRowWise)
{
    // pyodbc sizes the rows of its arrays by the markers' declared lengths:
    // a BLOB marker makes a row of 2^31 + 7 bytes, which the 32-bit
    // descriptor field holds with its top bit set. The offset brings row 1
    // back onto the one row of memory the test has.
    const int n = add_marker(integer());
    constexpr std::uint32_t row_size = 0x80000007u;
    struct Row {
        int32_t number;
        SQLLEN indicator;
    } row{41, 0};
    apd.bind_type = static_cast<SQLINTEGER>(row_size);
    SQLLEN offset = -static_cast<SQLLEN>(row_size);
    apd.bind_offset_ptr = &offset;
    bind(n, SQL_C_SLONG, &row.number, 4, &row.indicator);
    statement.row_index = 1;
    ASSERT_EQ(gather(), SQL_SUCCESS) << state();
    EXPECT_EQ(stored(n, 4), bytes_of<int32_t>(41));
}

TEST_F(ParamConvert, PackedRowsGiveLengthsAndWideTextAtAnyAlignment)
{
    // Rows laid out field after field without padding, as pyodbc's
    // fast_executemany lays them out: wide text at an odd offset, the
    // lengths and the number unaligned.
    const int text_marker = add_marker(char_(10));
    const int number_marker = add_marker(integer());
    constexpr size_t text_at = 1, text_length_at = 9, number_at = 17, number_length_at = 21, row_size = 29;
    std::vector<char> rows(2 * row_size, '\0');
    char* row1 = rows.data() + row_size;
    const std::string text = wide(u"h\u00e9");
    const SQLLEN text_length = 4, number_length = 0;
    const int32_t number = -17;
    std::memcpy(row1 + text_at, text.data(), text.size());
    std::memcpy(row1 + text_length_at, &text_length, sizeof text_length);
    std::memcpy(row1 + number_at, &number, sizeof number);
    std::memcpy(row1 + number_length_at, &number_length, sizeof number_length);
    apd.bind_type = static_cast<SQLINTEGER>(row_size);
    bind(text_marker, SQL_C_WCHAR, rows.data() + text_at, 8,
         reinterpret_cast<SQLLEN*>(rows.data() + text_length_at));
    bind(number_marker, SQL_C_SLONG, rows.data() + number_at, 4,
         reinterpret_cast<SQLLEN*>(rows.data() + number_length_at));
    statement.row_index = 1;
    ASSERT_EQ(gather(), SQL_SUCCESS) << state();
    EXPECT_EQ(std::string(buffers[text_marker].data(), static_cast<size_t>(var(text_marker).sqllen)),
              "h\xc3\xa9");
    EXPECT_EQ(stored(number_marker, 4), bytes_of(number));
}

TEST_F(ParamConvert, MarkersTakeTheirRecordsInOrderPastOutputOnlyAndReturnValueRecords)
{
    const int first = add_marker(integer());
    const int second = add_marker(integer());
    int32_t a = 1, out = 0, b = 2;
    SQLLEN ind = 0, out_ind = 0;
    // {? = call P(?, ?)}: record 1 is the return value; record 3 is output
    // only and feeds no marker.
    statement.return_value_param = 1;
    bind(1, SQL_C_SLONG, &out, 4, &out_ind, SQL_PARAM_OUTPUT);
    bind(2, SQL_C_SLONG, &a, 4, &ind);
    bind(3, SQL_C_SLONG, &out, 4, &out_ind, SQL_PARAM_OUTPUT);
    bind(4, SQL_C_SLONG, &b, 4, &ind, SQL_PARAM_INPUT_OUTPUT);
    ASSERT_EQ(gather(), SQL_SUCCESS) << state();
    EXPECT_EQ(stored(first, 4), bytes_of<int32_t>(1));
    EXPECT_EQ(stored(second, 4), bytes_of<int32_t>(2));
    EXPECT_EQ(statement.has_output_params, 1);

    // A marker whose record is missing or unbound.
    apd_records[4].data_ptr = nullptr;
    apd_records[4].indicator_ptr = nullptr;
    EXPECT_EQ(gather(), SQL_ERROR);
    EXPECT_EQ(state(), "07002");
    apd.count = 2;
    EXPECT_EQ(gather(), SQL_ERROR);
    EXPECT_EQ(state(), "07002");
}

TEST_F(ParamConvert, DataAtExecutionStopsTheGatheringUntilItsValuesAreIn)
{
    add_marker(integer());
    const int second = add_marker(char_(10));
    int32_t a = 1;
    SQLLEN ind = 0, dae = SQL_LEN_DATA_AT_EXEC(0);
    int token = 0;
    bind(1, SQL_C_SLONG, &a, 4, &ind);
    bind(2, SQL_C_CHAR, &token, 0, &dae);
    EXPECT_EQ(gather(), SQL_NEED_DATA);
    EXPECT_EQ(statement.need_data_param, 2);
    EXPECT_EQ(statement.params_processed, 0);

    // The pieces have arrived (here: a NULL): the marker is left as it is.
    statement.data_at_exec_done = 1;
    ipd_records[second].inline_indicator = -1;
    ASSERT_EQ(gather(), SQL_SUCCESS) << state();
    EXPECT_EQ(ipd_records[second].inline_indicator, -1);
    EXPECT_EQ(statement.need_data_param, 0);
}

TEST_F(ParamConvert, BlobValuesAreWrittenInSegmentsOf16384Bytes)
{
    ClientEntryOverride<&ClientApi::isc_create_blob2> create(&fake_create_blob);
    ClientEntryOverride<&ClientApi::isc_put_segment> put(&fake_put_segment);
    ClientEntryOverride<&ClientApi::isc_close_blob> close(&fake_close_blob);

    const int n = add_marker(blob(1));
    std::string text(40000, 'x');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    SQLLEN length = static_cast<SQLLEN>(text.size());
    bind(n, SQL_C_CHAR, text.data(), 0, &length);
    ASSERT_EQ(gather(), SQL_SUCCESS) << state();
    EXPECT_EQ(blob_log.segments, (std::vector<size_t>{16384, 16384, 7232}));
    EXPECT_EQ(blob_log.bytes, text);
    EXPECT_EQ(blob_log.closed, 1);
    EXPECT_EQ(stored(n, 8), std::string(8, '\x5A')) << "the blob id is the marker's value";

    // Binary values go into any BLOB; wide text into a text BLOB arrives
    // in the connection's code page.
    const struct {
        MarkerSpec marker;
        SQLSMALLINT c_type;
        std::string value;
        SQLLEN length;
        std::string expected;
    } cases[] = {
        {blob(0), SQL_C_BINARY, std::string("\0\1\2", 3), 3, std::string("\0\1\2", 3)},
        {blob(1), SQL_C_WCHAR, wide(u"gr\u00f6\u00dfe \u20ac"), SQL_NTS, "gr\xc3\xb6\xc3\x9f" "e \xe2\x82\xac"},
    };
    for (const auto& c : cases) {
        blob_log = BlobLog{};
        ipd.count = 0;
        const int m = add_marker(c.marker);
        SQLLEN ind = c.length;
        bind(m, c.c_type, c.value.data(), static_cast<SQLLEN>(c.value.size()), &ind);
        ASSERT_EQ(gather(), SQL_SUCCESS) << state();
        EXPECT_EQ(blob_log.bytes, c.expected);
        EXPECT_EQ(blob_log.created, 1);
        EXPECT_EQ(blob_log.closed, 1);
    }
}

}  // namespace
