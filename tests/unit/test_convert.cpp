// Conversion of result columns to C types: output XSQLDAs and IRD records
// built by hand, filled with the bytes the client would deliver, read through
// convert_column. Covers every pair of the conversion matrix (also for the
// types a Firebird 3 server cannot produce: INT128, DECFLOAT and the zoned
// times), the NULL rule, C type resolution, reading in pieces and, with the
// client's BLOB calls replaced by an in-memory BLOB, the BLOB protocol.
#include <array>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "character_sets.h"
#include "client_api.h"
#include "convert.h"
#include "date_codec.h"
#include "decfloat.h"
#include "diagnostics.h"
#include "unit_support.h"
#include "../common/value_bytes.h"

namespace {


// --- Columns as the client delivers them --------------------------------

struct Column {
    int sqltype;  // non-nullable code; made nullable by the fixture
    int sqllen;
    int scale = 0;  // the Firebird scale
    int subtype = 0;
    std::string data;
    int concise = 0;  // IRD concise type, precision and scale
    int precision = 0;
    int ird_scale = 0;
    bool null = false;
};

Column smallint(int16_t v, int scale = 0)
{
    return {500,           2,     scale, 0, bytes_of(v), scale ? SQL_NUMERIC : SQL_SMALLINT,
            scale ? 5 : 6, -scale};
}
Column integer(int32_t v, int scale = 0)
{
    return {
        496,   4, scale, 0, bytes_of(v), scale ? SQL_NUMERIC : SQL_INTEGER, scale ? 10 : 11,
        -scale};
}
Column boolean(bool v)
{
    return {32764, 1, 0, 0, std::string(1, v ? '\1' : '\0'), SQL_BIT, 1, 0};
}
Column bigint(int64_t v, int scale = 0)
{
    return {580, 8, scale, 0, bytes_of(v), SQL_NUMERIC, scale ? 21 : 19, -scale};
}
Column int128(int64_t low, int64_t high, int scale = 0)
{
    return {32752, 16, scale, 0, bytes_of(low) + bytes_of(high), SQL_NUMERIC, 38, -scale};
}
Column float_(float v)
{
    return {482, 4, 0, 0, bytes_of(v), SQL_REAL, 52, 0};
}
Column double_(double v)
{
    return {480, 8, 0, 0, bytes_of(v), SQL_DOUBLE, 52, 0};
}
Column dec16(const char* text)
{
    unsigned char v[8];
    text_to_decfloat16(text, v);
    return {32760, 8, 0, 0, std::string(reinterpret_cast<char*>(v), 8), SQL_VARCHAR, 0, 0};
}
Column dec34(const char* text)
{
    unsigned char v[16];
    text_to_decfloat34(text, v);
    return {32762, 16, 0, 0, std::string(reinterpret_cast<char*>(v), 16), SQL_VARCHAR, 0, 0};
}
Column char_(const std::string& text, int length, int charset = 0)
{
    std::string data = text;
    data.resize(static_cast<size_t>(length), ' ');
    return {452, length, 0, charset, data, charset ? SQL_WCHAR : SQL_CHAR, 0, 0};
}
Column varchar(const std::string& text, int length, int charset = 0)
{
    std::string data = bytes_of(static_cast<uint16_t>(text.size())) + text;
    data.resize(static_cast<size_t>(length) + 2, '\0');
    return {448, length, 0, charset, data, charset ? SQL_WVARCHAR : SQL_VARCHAR, 0, 0};
}

ISC_DATE day(int y, int m, int d)
{
    return encode_day_number(d, m - 1, y - 1900);
}
ISC_TIME clock(int h, int mi, int s, int fraction = 0)
{
    return static_cast<ISC_TIME>(((h * 60 + mi) * 60 + s) * 10000 + fraction);
}

Column timestamp(ISC_DATE d, ISC_TIME t)
{
    return {510, 8, 0, 0, bytes_of(d) + bytes_of(t), SQL_TYPE_TIMESTAMP, 4, 4};
}
Column date(ISC_DATE d)
{
    return {570, 4, 0, 0, bytes_of(d), SQL_TYPE_DATE, 0, 0};
}
Column time(ISC_TIME t)
{
    return {560, 4, 0, 0, bytes_of(t), SQL_TYPE_TIME, 0, 0};
}
Column timestamp_tz(ISC_DATE d, ISC_TIME t, uint16_t zone)
{
    return {32754,
            12,
            0,
            0,
            bytes_of(d) + bytes_of(t) + bytes_of(zone) + std::string(2, '\0'),
            SQL_TYPE_TIMESTAMP,
            4,
            4};
}
Column timestamp_tz_ex(ISC_DATE d, ISC_TIME t, uint16_t zone, int16_t offset)
{
    return {32748,
            12,
            0,
            0,
            bytes_of(d) + bytes_of(t) + bytes_of(zone) + bytes_of(offset),
            SQL_TYPE_TIMESTAMP,
            4,
            4};
}
Column time_tz(ISC_TIME t, uint16_t zone)
{
    return {32756, 8, 0, 0, bytes_of(t) + bytes_of(zone) + std::string(2, '\0'), SQL_TYPE_TIME,
            0,     0};
}
Column time_tz_ex(ISC_TIME t, uint16_t zone, int16_t offset)
{
    return {32750, 8, 0, 0, bytes_of(t) + bytes_of(zone) + bytes_of(offset), SQL_TYPE_TIME,
            0,     0};
}
Column blob(int subtype)
{
    return {520,
            8,
            0,
            subtype,
            std::string(8, '\x11'),
            subtype == 1 ? SQL_LONGVARCHAR : SQL_LONGVARBINARY};
}
Column array()
{
    return {540, 8, 0, 0, std::string(8, '\0'), SQL_VARCHAR};
}
Column null(Column c)
{
    c.null = true;
    return c;
}

// --- Expected outputs ------------------------------------------------------

std::string text(const std::string& s)
{
    return s + '\0';
}
std::string wtext(const std::u16string& s)
{
    std::string out;
    for (char16_t u : s + u'\0') out += bytes_of(u);
    return out;
}
std::string numeric(int precision, int scale, int sign, unsigned long long magnitude)
{
    SQL_NUMERIC_STRUCT n{};
    n.precision = static_cast<SQLCHAR>(precision);
    n.scale = static_cast<SQLSCHAR>(scale);
    n.sign = static_cast<SQLCHAR>(sign);
    std::memcpy(n.val, &magnitude, sizeof magnitude);
    return bytes_of(n);
}
std::string date_struct(int y, int m, int d)
{
    SQL_DATE_STRUCT v{static_cast<SQLSMALLINT>(y), static_cast<SQLUSMALLINT>(m),
                      static_cast<SQLUSMALLINT>(d)};
    return bytes_of(v);
}
std::string time_struct(int h, int m, int s)
{
    SQL_TIME_STRUCT v{static_cast<SQLUSMALLINT>(h), static_cast<SQLUSMALLINT>(m),
                      static_cast<SQLUSMALLINT>(s)};
    return bytes_of(v);
}
std::string timestamp_struct(int y, int mo, int d, int h, int mi, int s, unsigned fraction)
{
    SQL_TIMESTAMP_STRUCT v{static_cast<SQLSMALLINT>(y),
                           static_cast<SQLUSMALLINT>(mo),
                           static_cast<SQLUSMALLINT>(d),
                           static_cast<SQLUSMALLINT>(h),
                           static_cast<SQLUSMALLINT>(mi),
                           static_cast<SQLUSMALLINT>(s),
                           fraction};
    return bytes_of(v);
}

constexpr unsigned char fill = 0xCC;  // what the target holds before a call

// --- The fixture -------------------------------------------------------------

struct Result {
    SQLRETURN rc = 0;
    std::array<unsigned char, 1024> buffer{};
    SQLLEN indicator = 0;
    std::string state;
    int native = 0;
    std::string message;

    std::string bytes(size_t n) const
    {
        return std::string(reinterpret_cast<const char*>(buffer.data()), n);
    }
    std::string narrow() const { return std::string(reinterpret_cast<const char*>(buffer.data())); }
    std::u16string wide() const
    {
        std::u16string s;
        for (size_t i = 0; i + 1 < buffer.size(); i += 2) {
            char16_t u;
            std::memcpy(&u, &buffer[i], 2);
            if (u == 0) break;
            s += u;
        }
        return s;
    }
};

class Convert : public ::testing::Test {
protected:
    static constexpr int slots = 8;

    void SetUp() override
    {
        ASSERT_EQ(bind_client_library(), 1) << "libfbclient is needed for the date decoders";
        connection.handle_type = stamp_connection;
        statement.handle_type = stamp_statement;
        statement.connection = &connection;
        ird.handle_type = stamp_descriptor;
        ard.handle_type = stamp_descriptor;
        statement.ird = &ird;
        statement.ard = &ard;
        sqlda_area.assign(XSQLDA_LENGTH(slots), 0);
        sqlda = reinterpret_cast<XSQLDA*>(sqlda_area.data());
        sqlda->version = SQLDA_VERSION1;
        sqlda->sqln = slots;
        statement.output_sqlda = sqlda;
        ird.records = ird_records.data();
        ard.records = ard_records.data();
    }

    void TearDown() override { clear_diags(&statement); }

    // Adds an output column and returns its number.
    int add(const Column& c)
    {
        const int n = ird.count + 1;
        XSQLVAR& var = sqlda->sqlvar[n - 1];
        DescRecord& record = ird_records[n];
        auto& storage = buffers[n];
        storage.assign(c.data.begin(), c.data.end());
        storage.resize(storage.size() + 16, '\0');
        var.sqltype = static_cast<ISC_SHORT>(c.sqltype | 1);
        var.sqllen = static_cast<ISC_SHORT>(c.sqllen);
        var.sqlscale = static_cast<ISC_SHORT>(c.scale);
        var.sqlsubtype = static_cast<ISC_SHORT>(c.subtype);
        var.sqldata = storage.data();
        record = DescRecord{};  // a new column on a freshly fetched row
        record.inline_indicator = c.null ? -1 : 0;
        var.sqlind = &record.inline_indicator;
        record.concise_type = static_cast<int16_t>(c.concise);
        record.precision = static_cast<int16_t>(c.precision);
        record.scale = static_cast<int16_t>(c.ird_scale);
        record.server_scale = static_cast<int16_t>(c.scale);
        // As the description of a CHAR column sets it.
        if (c.sqltype == 452) record.char_length = char_column_characters(column_character_set(c.subtype), c.sqllen);
        ird.count = static_cast<int16_t>(n);
        sqlda->sqld = static_cast<ISC_SHORT>(n);
        return n;
    }

    // The per-row state of every column as a new row leaves it.
    void next_row()
    {
        for (auto& record : ird_records) record.getdata_offset = 0;
    }

    // One conversion; the first diagnostic it posted is kept in the result.
    Result get(int column, SQLSMALLINT c_type, SQLLEN buffer_length = 256,
               bool with_indicator = true, bool from_fetch = false, bool ard_type = false)
    {
        Result r;
        r.buffer.fill(fill);
        r.indicator = 12345;
        clear_diags(&statement);
        r.rc =
            convert_column(statement, column, c_type, r.buffer.data(), buffer_length,
                           with_indicator ? &r.indicator : nullptr, from_fetch, nullptr, ard_type);
        if (const DiagRecord* d = diag_record(&statement, 1)) {
            r.state = d->sqlstate;
            r.native = d->native_error;
            r.message = d->message_text;
        }
        return r;
    }

    Connection connection{};
    Statement statement{};
    Descriptor ird{};
    Descriptor ard{};
    std::vector<unsigned char> sqlda_area;
    XSQLDA* sqlda = nullptr;
    std::array<DescRecord, slots + 1> ird_records{};
    std::array<DescRecord, slots + 1> ard_records{};
    std::array<std::vector<char>, slots + 1> buffers;
};

// --- The conversion matrix ---------------------------------------------------

struct Case {
    const char* what;
    Column source;
    SQLSMALLINT c_type;
    SQLRETURN rc;
    std::string expected;  // bytes written, terminators included
    SQLLEN length;         // through the indicator
    const char* state = "";
    int native = 0;
};

void check(const Case& c, const Result& r)
{
    SCOPED_TRACE(c.what);
    ASSERT_EQ(r.rc, c.rc) << r.state << " " << r.message;
    EXPECT_EQ(r.state, c.state);
    if (c.rc == SQL_ERROR) {
        EXPECT_EQ(r.native, c.native);
        return;
    }
    EXPECT_EQ(r.indicator, c.length);
    if (c.c_type == SQL_C_DOUBLE && c.expected.size() == 8) {
        double got, want;
        std::memcpy(&got, r.buffer.data(), 8);
        std::memcpy(&want, c.expected.data(), 8);
        EXPECT_DOUBLE_EQ(got, want);
    } else if (c.c_type == SQL_C_FLOAT && c.expected.size() == 4) {
        float got, want;
        std::memcpy(&got, r.buffer.data(), 4);
        std::memcpy(&want, c.expected.data(), 4);
        EXPECT_FLOAT_EQ(got, want);
    } else {
        EXPECT_EQ(r.bytes(c.expected.size()), c.expected);
    }
    EXPECT_EQ(r.buffer[c.expected.size()], fill) << "written beyond the value";
}

TEST_F(Convert, MatrixOfSourceAndTargetTypes)
{
    const ISC_DATE d = day(2021, 3, 4);
    const ISC_TIME t = clock(5, 6, 7, 1200);
    const std::vector<Case> cases = {
        // SMALLINT, INTEGER, BOOLEAN: D, S, R, N
        {"smallint char", smallint(7), SQL_C_CHAR, SQL_SUCCESS, text("7"), 1},
        {"smallint wchar", smallint(7), SQL_C_WCHAR, SQL_SUCCESS, wtext(u"7"), 2},
        {"smallint binary", smallint(7), SQL_C_BINARY, SQL_SUCCESS, bytes_of<int16_t>(7), 2},
        {"smallint long", smallint(7), SQL_C_LONG, SQL_SUCCESS, bytes_of<int32_t>(7), 4},
        {"smallint short", smallint(-7), SQL_C_SSHORT, SQL_SUCCESS, bytes_of<int16_t>(-7), 2},
        {"smallint ulong", smallint(-1), SQL_C_ULONG, SQL_SUCCESS, bytes_of<uint32_t>(4294967295u),
         4},
        {"smallint sbigint", smallint(-7), SQL_C_SBIGINT, SQL_SUCCESS, bytes_of<int64_t>(-7), 8},
        {"smallint double", smallint(7), SQL_C_DOUBLE, SQL_SUCCESS, bytes_of(7.0), 8},
        {"smallint numeric", smallint(7), SQL_C_NUMERIC, SQL_SUCCESS, numeric(6, 0, 1, 7), 19},
        {"smallint date", smallint(7), SQL_C_TYPE_DATE, SQL_ERROR, "", 0, "07006", 500},
        {"smallint(4,1) char", smallint(-125, -1), SQL_C_CHAR, SQL_SUCCESS, text("-12.5"), 5},
        {"numeric(9,2) char", integer(12345, -2), SQL_C_CHAR, SQL_SUCCESS, text("123.45"), 6},
        {"numeric(9,2) wchar", integer(12345, -2), SQL_C_WCHAR, SQL_SUCCESS, wtext(u"123.45"), 12},
        {"numeric(9,2) long", integer(12345, -2), SQL_C_LONG, SQL_SUCCESS, bytes_of<int32_t>(123),
         4},
        {"numeric(9,2) tinyint", integer(12345, -2), SQL_C_TINYINT, SQL_SUCCESS,
         bytes_of<int8_t>(123), 1},
        {"numeric(9,2) ulong", integer(12345, -2), SQL_C_ULONG, SQL_SUCCESS,
         bytes_of<uint32_t>(123), 4},
        {"numeric(9,2) sbigint", integer(12345, -2), SQL_C_SBIGINT, SQL_SUCCESS,
         bytes_of<int64_t>(123), 8},
        {"numeric(9,2) ubigint", integer(12345, -2), SQL_C_UBIGINT, SQL_SUCCESS,
         bytes_of<uint64_t>(123), 8},
        {"numeric(9,2) double", integer(12345, -2), SQL_C_DOUBLE, SQL_SUCCESS, bytes_of(123.45), 8},
        {"numeric(9,2) float", integer(12345, -2), SQL_C_FLOAT, SQL_SUCCESS, bytes_of(123.45f), 4},
        {"numeric(9,2) numeric", integer(12345, -2), SQL_C_NUMERIC, SQL_SUCCESS,
         numeric(10, 2, 1, 12345), 19},
        {"numeric(9,2) binary", integer(12345, -2), SQL_C_BINARY, SQL_SUCCESS,
         bytes_of<int32_t>(12345), 4},
        {"numeric(9,2) -0.05 char", integer(-5, -2), SQL_C_CHAR, SQL_SUCCESS, text("-0.05"), 5},
        {"numeric(9,2) -0.05 long", integer(-5, -2), SQL_C_LONG, SQL_SUCCESS, bytes_of<int32_t>(0),
         4},
        {"numeric(9,2) -0.05 ulong", integer(-5, -2), SQL_C_ULONG, SQL_SUCCESS,
         bytes_of<uint32_t>(42949672), 4},
        {"numeric(9,2) -0.05 numeric", integer(-5, -2), SQL_C_NUMERIC, SQL_SUCCESS,
         numeric(10, 2, 0, 5), 19},
        {"numeric(9,3) 0.005 char", integer(5, -3), SQL_C_CHAR, SQL_SUCCESS, text("0.005"), 5},
        {"integer 300 tinyint", integer(300), SQL_C_TINYINT, SQL_SUCCESS, bytes_of<int8_t>(44), 1},
        {"integer 300 utinyint", integer(300), SQL_C_UTINYINT, SQL_SUCCESS, bytes_of<uint8_t>(44),
         1},
        {"integer 7 bit", integer(7), SQL_C_BIT, SQL_SUCCESS, bytes_of<uint8_t>(1), 1},
        {"integer 0 bit", integer(0), SQL_C_BIT, SQL_SUCCESS, bytes_of<uint8_t>(0), 1},
        {"integer -1 ushort", integer(-1), SQL_C_USHORT, SQL_SUCCESS, bytes_of<uint16_t>(65535), 2},
        {"integer -1 ubigint", integer(-1), SQL_C_UBIGINT, SQL_SUCCESS, bytes_of<uint64_t>(~0ull),
         8},
        {"integer min char", integer(INT32_MIN), SQL_C_CHAR, SQL_SUCCESS, text("-2147483648"), 11},
        {"integer timestamp", integer(1), SQL_C_TYPE_TIMESTAMP, SQL_ERROR, "", 0, "07006", 496},
        {"boolean char", boolean(true), SQL_C_CHAR, SQL_SUCCESS, text("1"), 1},
        {"boolean bit", boolean(true), SQL_C_BIT, SQL_SUCCESS, bytes_of<uint8_t>(1), 1},
        {"boolean binary", boolean(true), SQL_C_BINARY, SQL_SUCCESS, std::string(1, '\1'), 1},
        {"boolean double", boolean(false), SQL_C_DOUBLE, SQL_SUCCESS, bytes_of(0.0), 8},
        {"boolean numeric", boolean(true), SQL_C_NUMERIC, SQL_SUCCESS, numeric(1, 0, 1, 1), 19},
        // BIGINT: D, D then P, S, N
        {"numeric(18,2) char", bigint(12345, -2), SQL_C_CHAR, SQL_SUCCESS, text("123.45"), 6},
        {"numeric(18,2) wchar", bigint(12345, -2), SQL_C_WCHAR, SQL_SUCCESS, wtext(u"123.45"), 12},
        {"numeric(18,2) long", bigint(12345, -2), SQL_C_LONG, SQL_SUCCESS, bytes_of<int32_t>(123),
         4},
        {"numeric(18,2) -123.45 long", bigint(-12345, -2), SQL_C_LONG, SQL_SUCCESS,
         bytes_of<int32_t>(-123), 4},
        {"numeric(18,2) -1 ulong", bigint(-100, -2), SQL_C_ULONG, SQL_SUCCESS,
         bytes_of<uint32_t>(4294967295u), 4},
        {"numeric(18,2) sbigint", bigint(12345, -2), SQL_C_SBIGINT, SQL_SUCCESS,
         bytes_of<int64_t>(123), 8},
        {"numeric(18,2) ubigint", bigint(12345, -2), SQL_C_UBIGINT, SQL_SUCCESS,
         bytes_of<uint64_t>(123), 8},
        {"numeric(18,2) double", bigint(12345, -2), SQL_C_DOUBLE, SQL_SUCCESS, bytes_of(123.45), 8},
        {"numeric(18,2) numeric", bigint(12345, -2), SQL_C_NUMERIC, SQL_SUCCESS,
         numeric(21, 2, 1, 12345), 19},
        {"numeric(18,2) binary", bigint(12345, -2), SQL_C_BINARY, SQL_SUCCESS,
         bytes_of<int64_t>(12345), 8},
        {"numeric(18,3) char", bigint(-5, -3), SQL_C_CHAR, SQL_SUCCESS, text("-0.005"), 6},
        {"numeric(18,2) 123.00 char", bigint(12300, -2), SQL_C_CHAR, SQL_SUCCESS, text("123.00"),
         6},
        {"integer long", integer(-123456), SQL_C_LONG, SQL_SUCCESS, bytes_of<int32_t>(-123456), 4},
        {"double double", double_(-2.7), SQL_C_DOUBLE, SQL_SUCCESS, bytes_of(-2.7), 8},
        {"numeric(18,4) lowest char", bigint(INT64_MIN, -4), SQL_C_CHAR, SQL_SUCCESS,
         text("-922337203685477.5808"), 21},
        {"bigint 2^53+1 sbigint", bigint(9007199254740993), SQL_C_SBIGINT, SQL_SUCCESS,
         bytes_of<int64_t>(9007199254740993), 8},
        {"bigint 2^53+1 char", bigint(9007199254740993), SQL_C_CHAR, SQL_SUCCESS,
         text("9007199254740993"), 16},
        {"bigint min char", bigint(INT64_MIN), SQL_C_CHAR, SQL_SUCCESS,
         text("-9223372036854775808"), 20},
        {"bigint 2^53+1 double", bigint(9007199254740993), SQL_C_DOUBLE, SQL_SUCCESS,
         bytes_of(9007199254740992.0), 8},
        {"bigint 2^32+5 long", bigint(4294967301), SQL_C_LONG, SQL_SUCCESS, bytes_of<int32_t>(5),
         4},
        {"bigint time", bigint(1), SQL_C_TYPE_TIME, SQL_ERROR, "", 0, "07006", 580},
        // INT128: X
        {"int128 char", int128(12345, 0, -2), SQL_C_CHAR, SQL_SUCCESS, text("123.45"), 6},
        {"int128 123.00 char", int128(12300, 0, -2), SQL_C_CHAR, SQL_SUCCESS, text("123"), 3},
        {"int128 wchar", int128(12345, 0, -2), SQL_C_WCHAR, SQL_SUCCESS, wtext(u"123.45"), 12},
        {"int128 long", int128(12345, 0, -2), SQL_C_LONG, SQL_SUCCESS, bytes_of<int32_t>(123), 4},
        {"int128 sbigint", int128(-12345, -1, -2), SQL_C_SBIGINT, SQL_SUCCESS,
         bytes_of<int64_t>(-123), 8},
        {"int128 double", int128(12345, 0, -2), SQL_C_DOUBLE, SQL_SUCCESS, bytes_of(123.45), 8},
        {"int128 numeric", int128(12345, 0, -2), SQL_C_NUMERIC, SQL_SUCCESS,
         numeric(38, 2, 1, 12345), 19},
        {"int128 -1 char", int128(-1, -1), SQL_C_CHAR, SQL_SUCCESS, text("-1"), 2},
        {"int128 -1 ulong", int128(-1, -1), SQL_C_ULONG, SQL_SUCCESS,
         bytes_of<uint32_t>(4294967295u), 4},
        {"int128 -1 ubigint", int128(-1, -1), SQL_C_UBIGINT, SQL_SUCCESS, bytes_of<uint64_t>(~0ull),
         8},
        {"int128 -1 numeric", int128(-1, -1), SQL_C_NUMERIC, SQL_SUCCESS, numeric(38, 0, 0, 1), 19},
        {"int128 2^64 char", int128(0, 1), SQL_C_CHAR, SQL_SUCCESS, text("18446744073709551616"),
         20},
        {"int128 binary", int128(-1, -1), SQL_C_BINARY, SQL_SUCCESS, std::string(16, '\xFF'), 16},
        {"int128 date", int128(1, 0), SQL_C_TYPE_DATE, SQL_ERROR, "", 0, "07006", 32752},
        // FLOAT, DOUBLE: F, V
        {"float char", float_(1.5f), SQL_C_CHAR, SQL_SUCCESS, text("1.500000"), 8},
        {"float double", float_(1.5f), SQL_C_DOUBLE, SQL_SUCCESS, bytes_of(1.5), 8},
        {"float binary", float_(1.5f), SQL_C_BINARY, SQL_SUCCESS, bytes_of(1.5f), 4},
        {"float numeric", float_(1.5f), SQL_C_NUMERIC, SQL_SUCCESS, numeric(52, 0, 1, 2), 19},
        {"double 2.5 char", double_(2.5), SQL_C_CHAR, SQL_SUCCESS, text("2.500000"), 8},
        {"double 2.5 wchar", double_(2.5), SQL_C_WCHAR, SQL_SUCCESS, wtext(u"2.500000"), 16},
        {"double -2.7 long", double_(-2.7), SQL_C_LONG, SQL_SUCCESS, bytes_of<int32_t>(-2), 4},
        {"double -2.7 short", double_(-2.7), SQL_C_SHORT, SQL_SUCCESS, bytes_of<int16_t>(-2), 2},
        {"double -2.7 ulong", double_(-2.7), SQL_C_ULONG, SQL_SUCCESS,
         bytes_of<uint32_t>(4294967294u), 4},
        {"double -2.7 sbigint", double_(-2.7), SQL_C_SBIGINT, SQL_SUCCESS, bytes_of<int64_t>(-2),
         8},
        {"double 1e19 ubigint", double_(1e19), SQL_C_UBIGINT, SQL_SUCCESS,
         bytes_of<uint64_t>(10000000000000000000ull), 8},
        {"double 0.5 bit", double_(0.5), SQL_C_BIT, SQL_SUCCESS, bytes_of<uint8_t>(0), 1},
        {"double float", double_(2.5), SQL_C_FLOAT, SQL_SUCCESS, bytes_of(2.5f), 4},
        {"double binary", double_(2.5), SQL_C_BINARY, SQL_SUCCESS, bytes_of(2.5), 8},
        {"double numeric", double_(-42.0), SQL_C_NUMERIC, SQL_SUCCESS, numeric(52, 0, 0, 42), 19},
        {"double 1e22 char", double_(1e22), SQL_C_CHAR, SQL_SUCCESS,
         text("1" + std::string(22, '0') + ".000000"), 30},
        {"double time", double_(1), SQL_C_TYPE_TIME, SQL_ERROR, "", 0, "07006", 480},
        // DECFLOAT: X, then P for the numeric targets
        {"dec16 char", dec16("1.5"), SQL_C_CHAR, SQL_SUCCESS, text("1.5"), 3},
        {"dec16 wchar", dec16("1.5"), SQL_C_WCHAR, SQL_SUCCESS, wtext(u"1.5"), 6},
        {"dec16 long", dec16("1.5"), SQL_C_LONG, SQL_SUCCESS, bytes_of<int32_t>(1), 4},
        {"dec16 ushort", dec16("7"), SQL_C_USHORT, SQL_SUCCESS, bytes_of<uint16_t>(7), 2},
        {"dec16 sbigint", dec16("-7.9"), SQL_C_SBIGINT, SQL_SUCCESS, bytes_of<int64_t>(-7), 8},
        {"dec16 ubigint", dec16("42"), SQL_C_UBIGINT, SQL_SUCCESS, bytes_of<uint64_t>(42), 8},
        {"dec16 double", dec16("1.5"), SQL_C_DOUBLE, SQL_SUCCESS, bytes_of(1.5), 8},
        {"dec16 numeric", dec16("1.5"), SQL_C_NUMERIC, SQL_SUCCESS, numeric(0, 1, 1, 15), 19},
        {"dec16 binary", dec16("1"), SQL_C_BINARY, SQL_SUCCESS,
         bytes_of<uint64_t>(0x2238000000000001ull), 8},
        {"dec34 char", dec34("1.23E+5"), SQL_C_CHAR, SQL_SUCCESS, text("1.23E+5"), 7},
        {"dec34 exponent long", dec34("1.23E+5"), SQL_C_LONG, SQL_SUCCESS,
         bytes_of<int32_t>(123000), 4},
        {"dec34 exponent sbigint", dec34("-1.23E+5"), SQL_C_SBIGINT, SQL_SUCCESS,
         bytes_of<int64_t>(-123000), 8},
        {"dec34 double", dec34("1.23E+5"), SQL_C_DOUBLE, SQL_SUCCESS, bytes_of(123000.0), 8},
        {"dec34 numeric", dec34("1.23E+5"), SQL_C_NUMERIC, SQL_SUCCESS, numeric(0, 0, 1, 123000),
         19},
        {"dec34 infinity long", dec34("Infinity"), SQL_C_LONG, SQL_SUCCESS, bytes_of<int32_t>(0),
         4},
        {"dec34 binary", dec34("0"), SQL_C_BINARY, SQL_SUCCESS, dec34("0").data.substr(0, 16), 16},
        {"dec34 date", dec34("1"), SQL_C_TYPE_DATE, SQL_ERROR, "", 0, "07006", 32762},
        // CHAR and VARCHAR: T, W, R, P
        {"char char", char_("  42.7", 6), SQL_C_CHAR, SQL_SUCCESS, text("  42.7"), 6},
        {"char padded char", char_("ab", 4), SQL_C_CHAR, SQL_SUCCESS, text("ab  "), 4},
        {"char wchar", char_("  42.7", 6), SQL_C_WCHAR, SQL_SUCCESS, wtext(u"  42.7"), 12},
        {"char binary", char_("  42.7", 6), SQL_C_BINARY, SQL_SUCCESS, "  42.7", 6},
        {"char long", char_("  42.7", 6), SQL_C_LONG, SQL_SUCCESS, bytes_of<int32_t>(42), 4},
        {"char ulong", char_("-1", 2), SQL_C_ULONG, SQL_SUCCESS, bytes_of<uint32_t>(4294967295u),
         4},
        {"char sbigint", char_("+9007199254740993", 17), SQL_C_SBIGINT, SQL_SUCCESS,
         bytes_of<int64_t>(9007199254740993), 8},
        {"char ubigint", char_("18446744073709551615", 20), SQL_C_UBIGINT, SQL_SUCCESS,
         bytes_of<uint64_t>(~0ull), 8},
        {"char double", char_("  42.7", 6), SQL_C_DOUBLE, SQL_SUCCESS, bytes_of(42.7), 8},
        {"char numeric", char_("  42.7", 6), SQL_C_NUMERIC, SQL_SUCCESS, numeric(0, 0, 1, 43), 19},
        {"char date", char_("2021-03-04", 10), SQL_C_TYPE_DATE, SQL_ERROR, "", 0, "07006", 452},
        {"varchar char", varchar("abc  ", 8), SQL_C_CHAR, SQL_SUCCESS, text("abc"), 3},
        {"varchar wchar", varchar("abc  ", 8), SQL_C_WCHAR, SQL_SUCCESS, wtext(u"abc"), 6},
        {"varchar binary", varchar("abc  ", 8), SQL_C_BINARY, SQL_SUCCESS, "abc  ", 5},
        {"varchar not a number", varchar("abc", 8), SQL_C_LONG, SQL_SUCCESS, bytes_of<int32_t>(0),
         4},
        {"varchar exponent double", varchar("-12e3xyz", 8), SQL_C_DOUBLE, SQL_SUCCESS,
         bytes_of(-12000.0), 8},
        {"varchar exponent long", varchar("-12e3xyz", 8), SQL_C_LONG, SQL_SUCCESS,
         bytes_of<int32_t>(-12), 4},
        {"varchar float", varchar(".5", 8), SQL_C_FLOAT, SQL_SUCCESS, bytes_of(0.5f), 4},
        {"varchar time", varchar("05:06:07", 8), SQL_C_TYPE_TIME, SQL_ERROR, "", 0, "07006", 448},
        // Dates and times: Z, K, R
        {"timestamp char", timestamp(d, t), SQL_C_CHAR, SQL_SUCCESS, text("2021-03-04 05:06:07.12"),
         22},
        {"timestamp no fraction char", timestamp(d, clock(5, 6, 7)), SQL_C_CHAR, SQL_SUCCESS,
         text("2021-03-04 05:06:07"), 19},
        {"timestamp fraction 1 char", timestamp(d, clock(5, 6, 7, 1)), SQL_C_CHAR, SQL_SUCCESS,
         text("2021-03-04 05:06:07.0001"), 24},
        {"timestamp wchar", timestamp(d, clock(5, 6, 7)), SQL_C_WCHAR, SQL_SUCCESS,
         wtext(u"2021-03-04 05:06:07"), 38},
        {"timestamp binary", timestamp(d, t), SQL_C_BINARY, SQL_SUCCESS, bytes_of(d) + bytes_of(t),
         8},
        {"timestamp date", timestamp(d, t), SQL_C_TYPE_DATE, SQL_SUCCESS, date_struct(2021, 3, 4),
         6},
        {"timestamp odbc2 date", timestamp(d, t), SQL_C_DATE, SQL_SUCCESS, date_struct(2021, 3, 4),
         6},
        {"timestamp time", timestamp(d, t), SQL_C_TYPE_TIME, SQL_SUCCESS, time_struct(5, 6, 7), 6},
        {"timestamp timestamp", timestamp(d, t), SQL_C_TYPE_TIMESTAMP, SQL_SUCCESS,
         timestamp_struct(2021, 3, 4, 5, 6, 7, 120000000), 16},
        {"timestamp odbc2 timestamp", timestamp(d, t), SQL_C_TIMESTAMP, SQL_SUCCESS,
         timestamp_struct(2021, 3, 4, 5, 6, 7, 120000000), 16},
        {"timestamp long", timestamp(d, t), SQL_C_LONG, SQL_ERROR, "", 0, "07006", 510},
        {"timestamp numeric", timestamp(d, t), SQL_C_NUMERIC, SQL_ERROR, "", 0, "07006", 510},
        {"date char", date(d), SQL_C_CHAR, SQL_SUCCESS, text("2021-03-04"), 10},
        {"date year 1 char", date(day(1, 1, 1)), SQL_C_CHAR, SQL_SUCCESS, text("0001-01-01"), 10},
        {"date date", date(d), SQL_C_TYPE_DATE, SQL_SUCCESS, date_struct(2021, 3, 4), 6},
        {"date timestamp", date(d), SQL_C_TYPE_TIMESTAMP, SQL_SUCCESS,
         timestamp_struct(2021, 3, 4, 0, 0, 0, 0), 16},
        {"date time", date(d), SQL_C_TYPE_TIME, SQL_ERROR, "", 0, "07006", 570},
        {"date binary", date(d), SQL_C_BINARY, SQL_SUCCESS, bytes_of(d), 4},
        {"date double", date(d), SQL_C_DOUBLE, SQL_ERROR, "", 0, "07006", 570},
        {"time char", time(t), SQL_C_CHAR, SQL_SUCCESS, text("05:06:07"), 8},
        {"time time", time(t), SQL_C_TYPE_TIME, SQL_SUCCESS, time_struct(5, 6, 7), 6},
        {"time odbc2 time", time(t), SQL_C_TIME, SQL_SUCCESS, time_struct(5, 6, 7), 6},
        {"time date", time(t), SQL_C_TYPE_DATE, SQL_ERROR, "", 0, "07006", 560},
        {"time binary", time(t), SQL_C_BINARY, SQL_SUCCESS, bytes_of(t), 4},
        {"timestamp tz char", timestamp_tz(d, t, 65535), SQL_C_CHAR, SQL_SUCCESS,
         text("2021-03-04 05:06:07.1200 GMT"), 28},
        {"timestamp tz no fraction char", timestamp_tz(d, clock(5, 6, 7), 64909), SQL_C_CHAR,
         SQL_SUCCESS, text("2021-03-04 05:06:07 UTC"), 23},
        {"timestamp tz wchar", timestamp_tz(d, clock(5, 6, 7), 65535), SQL_C_WCHAR, SQL_SUCCESS,
         wtext(u"2021-03-04 05:06:07 GMT"), 46},
        {"timestamp tz date", timestamp_tz(d, t, 65535), SQL_C_TYPE_DATE, SQL_SUCCESS,
         date_struct(2021, 3, 4), 6},
        {"timestamp tz time", timestamp_tz(d, t, 65535), SQL_C_TYPE_TIME, SQL_SUCCESS,
         time_struct(5, 6, 7), 6},
        {"timestamp tz timestamp", timestamp_tz(d, t, 65535), SQL_C_TYPE_TIMESTAMP, SQL_SUCCESS,
         timestamp_struct(2021, 3, 4, 5, 6, 7, 120000000), 16},
        {"timestamp tz binary", timestamp_tz(d, t, 65535), SQL_C_BINARY, SQL_SUCCESS,
         bytes_of(d) + bytes_of(t) + bytes_of<uint16_t>(65535) + std::string(2, '\0'), 12},
        {"timestamp tz long", timestamp_tz(d, t, 65535), SQL_C_LONG, SQL_ERROR, "", 0, "07006",
         32754},
        {"timestamp tz ex char", timestamp_tz_ex(d, clock(5, 6, 7), 0, 330), SQL_C_CHAR,
         SQL_SUCCESS, text("2021-03-04 05:06:07 05.30"), 25},
        {"timestamp tz ex fraction char", timestamp_tz_ex(d, t, 0, -90), SQL_C_CHAR, SQL_SUCCESS,
         text("2021-03-04 05:06:07.1200 -1.30"), 30},
        {"timestamp tz ex timestamp", timestamp_tz_ex(d, t, 0, -90), SQL_C_TYPE_TIMESTAMP,
         SQL_SUCCESS, timestamp_struct(2021, 3, 4, 5, 6, 7, 120000000), 16},
        {"time tz char", time_tz(t, 65534), SQL_C_CHAR, SQL_SUCCESS, text("05:06:07 ACT"), 12},
        {"time tz unknown zone char", time_tz(t, 1000), SQL_C_CHAR, SQL_SUCCESS,
         text("05:06:07 Unknown"), 16},
        {"time tz time", time_tz(t, 65534), SQL_C_TYPE_TIME, SQL_SUCCESS, time_struct(5, 6, 7), 6},
        {"time tz date", time_tz(t, 65534), SQL_C_TYPE_DATE, SQL_ERROR, "", 0, "07006", 32756},
        {"time tz ex char", time_tz_ex(t, 0, -30), SQL_C_CHAR, SQL_SUCCESS, text("05:06:07 -0.30"),
         14},
        {"time tz ex binary", time_tz_ex(t, 7, -30), SQL_C_BINARY, SQL_SUCCESS,
         bytes_of(t) + bytes_of<uint16_t>(7) + bytes_of<int16_t>(-30), 8},
        // BLOB to the numeric and date targets
        {"blob long", blob(1), SQL_C_LONG, SQL_ERROR, "", 0, "07006", 520},
        {"blob double", blob(0), SQL_C_DOUBLE, SQL_ERROR, "", 0, "07006", 520},
        {"blob timestamp", blob(0), SQL_C_TYPE_TIMESTAMP, SQL_ERROR, "", 0, "07006", 520},
        {"array date", array(), SQL_C_TYPE_DATE, SQL_ERROR, "", 0, "07006", 540},
    };
    // The fetch into bound buffers and SQLGetData deliver alike.
    for (const bool from_fetch : {false, true}) {
        SCOPED_TRACE(from_fetch ? "fetch" : "SQLGetData");
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            TearDown();
            ird.count = 0;
            const int column = add(c.source);
            check(c, get(column, c.c_type, 1000, true, from_fetch));
        }
    }
}

TEST_F(Convert, TimeAsTimestampCarriesTodaysDate)
{
    const int column = add(time(clock(5, 6, 7, 1200)));
    std::time_t before = std::time(nullptr);
    Result r = get(column, SQL_C_TYPE_TIMESTAMP);
    std::time_t after = std::time(nullptr);
    ASSERT_EQ(r.rc, SQL_SUCCESS);
    SQL_TIMESTAMP_STRUCT ts;
    std::memcpy(&ts, r.buffer.data(), sizeof ts);
    auto matches = [&](std::time_t at) {
        struct tm local {};
        localtime_r(&at, &local);
        return ts.year == local.tm_year + 1900 && ts.month == local.tm_mon + 1 &&
               ts.day == local.tm_mday;
    };
    EXPECT_TRUE(matches(before) || matches(after));
    EXPECT_EQ(ts.hour, 5);
    EXPECT_EQ(ts.minute, 6);
    EXPECT_EQ(ts.second, 7);
    EXPECT_EQ(ts.fraction, 0u);
    EXPECT_EQ(r.indicator, 16);
}

// --- The step: checks, NULL rule, C type resolution -------------------------

TEST_F(Convert, ColumnNumberOutsideTheResultIsAnInvalidDescriptorIndex)
{
    add(integer(1));
    add(integer(2));
    for (int column : {0, 3, -1}) {
        SCOPED_TRACE(column);
        Result r = get(column, SQL_C_LONG);
        EXPECT_EQ(r.rc, SQL_ERROR);
        EXPECT_EQ(r.state, "07009");
        EXPECT_EQ(r.native, column);
        EXPECT_EQ(r.buffer[0], fill);
    }
}

TEST_F(Convert, UnservedCTypeIsRestrictedWithTheCTypeAsNativeError)
{
    const int column = add(integer(1));
    for (SQLSMALLINT c_type : {SQLSMALLINT(-11) /* GUID */, SQLSMALLINT(12345), SQLSMALLINT(SQL_BIGINT)}) {
        Result r = get(column, c_type);
        EXPECT_EQ(r.rc, SQL_ERROR);
        EXPECT_EQ(r.state, "07006");
        EXPECT_EQ(r.native, c_type);
    }
}

TEST_F(Convert, NullRule)
{
    const int n = add(null(integer(0)));
    const int text_column = add(null(varchar("", 8)));
    const int impossible = add(null(date(1)));

    // Without an indicator: 22002 and nothing written.
    Result r = get(n, SQL_C_LONG, 256, false);
    EXPECT_EQ(r.rc, SQL_ERROR);
    EXPECT_EQ(r.state, "22002");
    EXPECT_EQ(r.buffer[0], fill);

    // With one: SQL_NULL_DATA, the target untouched; the octet length gets
    // the fixed size of the C type, 0 for text.
    struct Case {
        int column;
        SQLSMALLINT c_type;
        SQLLEN octet;
    };
    for (const Case& c : {Case{n, SQL_C_LONG, 4}, Case{n, SQL_C_NUMERIC, 19},
                          Case{n, SQL_C_SBIGINT, 8}, Case{n, SQL_C_CHAR, 0},
                          Case{text_column, SQL_C_WCHAR, 0}, Case{text_column, SQL_C_BINARY, 0}}) {
        SCOPED_TRACE(c.c_type);
        unsigned char target[8];
        std::memset(target, fill, sizeof target);
        SQLLEN indicator = 0, octet = -7;
        EXPECT_EQ(convert_column(statement, c.column, c.c_type, target, sizeof target, &indicator,
                                 true, &octet, false),
                  SQL_SUCCESS);
        EXPECT_EQ(indicator, SQL_NULL_DATA);
        EXPECT_EQ(octet, c.octet);
        EXPECT_EQ(target[0], fill);
    }

    // The same location for both receives the indicator only.
    SQLLEN both = 0;
    EXPECT_EQ(convert_column(statement, n, SQL_C_LONG, nullptr, 0, &both, true, &both, false),
              SQL_SUCCESS);
    EXPECT_EQ(both, SQL_NULL_DATA);

    // A conversion that does not exist fails even for a NULL.
    r = get(impossible, SQL_C_LONG);
    EXPECT_EQ(r.rc, SQL_ERROR);
    EXPECT_EQ(r.state, "07006");
}

TEST_F(Convert, ValueLengthGoesToBothPointers)
{
    const int column = add(varchar("hello", 10));
    char target[16];
    SQLLEN indicator = 0, octet = 0;
    EXPECT_EQ(convert_column(statement, column, SQL_C_CHAR, target, sizeof target, &indicator, true,
                             &octet, false),
              SQL_SUCCESS);
    EXPECT_EQ(indicator, 5);
    EXPECT_EQ(octet, 5);
    EXPECT_STREQ(target, "hello");
}

TEST_F(Convert, ArrayIsAlwaysNull)
{
    const int column = add(array());
    for (SQLSMALLINT c_type : {SQL_C_CHAR, SQL_C_LONG, SQL_C_BINARY, SQL_C_NUMERIC}) {
        Result r = get(column, c_type, 256, false);
        EXPECT_EQ(r.rc, SQL_SUCCESS) << c_type;
        EXPECT_EQ(r.buffer[0], fill);
        r = get(column, c_type);
        EXPECT_EQ(r.rc, SQL_SUCCESS);
        EXPECT_EQ(r.indicator, SQL_NULL_DATA);
    }
    SQLLEN indicator = 0, octet = 99;
    EXPECT_EQ(
        convert_column(statement, column, SQL_C_LONG, nullptr, 0, &indicator, true, &octet, false),
        SQL_SUCCESS);
    EXPECT_EQ(octet, 0);
}

TEST_F(Convert, DefaultCTypeFollowsTheColumnsSqlType)
{
    struct Case {
        const char* what;
        Column source;
        bool wchar_default_c;
        SQLRETURN rc;
        std::string expected;
    };
    Column wide_varchar = varchar("ab", 8, 4);
    Column bigint_column = bigint(5);
    bigint_column.concise = SQL_BIGINT;  // a SQL type without a C type of its own
    const Case cases[] = {
        {"varchar", varchar("ab", 8), false, SQL_SUCCESS, text("ab")},
        {"nvarchar", wide_varchar, false, SQL_SUCCESS, wtext(u"ab")},
        {"nvarchar, WcharDefaultC", wide_varchar, true, SQL_SUCCESS, text("ab")},
        {"numeric", integer(12345, -2), false, SQL_SUCCESS, text("123.45")},
        {"integer", integer(7), false, SQL_SUCCESS, bytes_of<int32_t>(7)},
        {"smallint", smallint(7), false, SQL_SUCCESS, bytes_of<int16_t>(7)},
        {"double", double_(2.5), false, SQL_SUCCESS, bytes_of(2.5)},
        {"float", float_(2.5f), false, SQL_SUCCESS, bytes_of(2.5f)},
        {"boolean", boolean(true), false, SQL_SUCCESS, bytes_of<uint8_t>(1)},
        {"date", date(day(2021, 3, 4)), false, SQL_SUCCESS, date_struct(2021, 3, 4)},
        {"time", time(clock(5, 6, 7)), false, SQL_SUCCESS, time_struct(5, 6, 7)},
        {"timestamp", timestamp(day(2021, 3, 4), clock(5, 6, 7)), false, SQL_SUCCESS,
         timestamp_struct(2021, 3, 4, 5, 6, 7, 0)},
        {"decfloat", dec16("1.5"), false, SQL_SUCCESS, text("1.5")},
        {"bigint", bigint_column, false, SQL_ERROR, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        ird.count = 0;
        connection.wchar_default_c = c.wchar_default_c;
        const int column = add(c.source);
        Result r = get(column, SQL_C_DEFAULT);
        ASSERT_EQ(r.rc, c.rc) << r.state;
        if (c.rc == SQL_ERROR) {
            EXPECT_EQ(r.state, "07006");
            EXPECT_EQ(r.native, SQL_BIGINT);
            continue;
        }
        EXPECT_EQ(r.bytes(c.expected.size()), c.expected);
    }
}

TEST_F(Convert, ArdTypeTakesTheTypeAndNumericScaleOfTheArdRecord)
{
    const int small = add(integer(12345, -2));   // 123.45
    const int big = add(bigint(12345, -2));      // 123.45
    const int huge = add(int128(12345, 0, -2));  // 123.45
    const int dec = add(dec16("1.5"));
    ard.count = 4;
    for (int i = 1; i <= 4; ++i) {
        ard_records[i].concise_type = SQL_C_NUMERIC;
        ard_records[i].precision = 10;
        ard_records[i].scale = 4;
    }
    for (int column : {small, big, huge}) {
        SCOPED_TRACE(column);
        Result r = get(column, SQL_ARD_TYPE);
        ASSERT_EQ(r.rc, SQL_SUCCESS);
        EXPECT_EQ(r.bytes(19), numeric(10, 4, 1, 1234500));
    }
    Result r = get(dec, SQL_ARD_TYPE);
    EXPECT_EQ(r.bytes(19), numeric(10, 4, 1, 15000));
    // A lower scale drops digits.
    ard_records[big].scale = 1;
    EXPECT_EQ(get(big, SQL_ARD_TYPE).bytes(19), numeric(10, 1, 1, 1234));
    // The IRD's precision and scale without SQL_ARD_TYPE, whatever the ARD says.
    EXPECT_EQ(get(big, SQL_C_NUMERIC).bytes(19), numeric(21, 2, 1, 12345));
    // SQL_ARD_TYPE on a column the ARD does not describe.
    ard.count = 1;
    r = get(big, SQL_ARD_TYPE);
    EXPECT_EQ(r.rc, SQL_ERROR);
    EXPECT_EQ(r.state, "07006");
}

// --- Text: truncation, pieces, padding, code pages ------------------------

TEST_F(Convert, TruncatedTextPostsRightTruncation)
{
    const int column = add(integer(12345, -2));
    // A length inquiry: nothing written, the whole length reported.
    Result r = get(column, SQL_C_CHAR, 0);
    EXPECT_EQ(r.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(r.indicator, 6);
    EXPECT_EQ(r.buffer[0], fill);

    r = get(column, SQL_C_CHAR, 4);
    EXPECT_EQ(r.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(r.state, "01004");
    EXPECT_EQ(r.message, "String data, right truncated");
    EXPECT_EQ(r.narrow(), "123");
    EXPECT_EQ(r.indicator, 6);
    EXPECT_EQ(r.buffer[4], fill);

    ird_records[column].getdata_offset = 0;  // as the next row would have it
    r = get(column, SQL_C_WCHAR, 8);         // three characters and the terminator
    EXPECT_EQ(r.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(r.wide(), u"123");
    EXPECT_EQ(r.indicator, 12);
    EXPECT_EQ(r.buffer[8], fill);

    // Bound columns are cut the same way but always start from the beginning.
    for (int i = 0; i < 2; ++i) {
        r = get(column, SQL_C_CHAR, 4, true, true);
        EXPECT_EQ(r.narrow(), "123");
        EXPECT_EQ(r.indicator, 6);
    }
}

// A fetch formats a scaled number straight into a buffer that has room for
// any text of its scale, and otherwise cuts it as SQLGetData does; neither
// writes past the buffer.
TEST_F(Convert, ScaledTextIntoBuffersAroundTheLongestOfItsScale)
{
    struct Case {
        int64_t value;
        int scale;
        std::string text;
    };
    for (const Case& c : {Case{INT64_MIN, -4, "-922337203685477.5808"}, Case{-1, -18, "-0.000000000000000001"},
                          Case{INT64_MIN, -18, "-9.223372036854775808"}, Case{INT64_MIN, 0, "-9223372036854775808"}}) {
        TearDown();
        ird.count = 0;
        const int column = add(bigint(c.value, c.scale));
        const auto length = static_cast<SQLLEN>(c.text.size());
        for (const SQLLEN size : {SQLLEN{10}, length, length + 1, SQLLEN{200}}) {
            SCOPED_TRACE(c.text + " into " + std::to_string(size));
            const Result r = get(column, SQL_C_CHAR, size, true, true);
            const bool cut = size <= length;
            EXPECT_EQ(r.rc, cut ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS);
            EXPECT_EQ(r.narrow(), cut ? c.text.substr(0, static_cast<size_t>(size - 1)) : c.text);
            EXPECT_EQ(r.indicator, length);
            EXPECT_EQ(r.buffer[static_cast<size_t>(std::min(size, length + 1))], fill);
        }
    }
}

TEST_F(Convert, TenDigitsReadInPieces)
{
    const int column = add(varchar("0123456789", 20));
    struct Step {
        SQLRETURN rc;
        const char* text;
        SQLLEN length;
    };
    const Step steps[] = {{SQL_SUCCESS_WITH_INFO, "012", 10},
                          {SQL_SUCCESS_WITH_INFO, "345", 7},
                          {SQL_SUCCESS_WITH_INFO, "678", 4},
                          {SQL_SUCCESS, "9", 1},
                          {SQL_NO_DATA, "", 12345}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.text);
        Result r = get(column, SQL_C_CHAR, 4);
        EXPECT_EQ(r.rc, s.rc);
        EXPECT_EQ(r.narrow(), s.text);
        EXPECT_EQ(r.indicator, s.length);
        EXPECT_EQ(r.buffer[4], fill);
    }
    // Bound columns always start from the beginning and leave the offset.
    ird_records[column].getdata_offset = 3;
    Result r = get(column, SQL_C_CHAR, 4, true, true);
    EXPECT_EQ(r.narrow(), "012");
    EXPECT_EQ(ird_records[column].getdata_offset, 3);
}

TEST_F(Convert, BinaryOfTextInPieces)
{
    const int column = add(char_("0123456789", 10));
    Result r = get(column, SQL_C_BINARY, 0);
    EXPECT_EQ(r.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(r.indicator, SQL_NO_TOTAL);
    EXPECT_EQ(r.buffer[0], fill);
    struct Step {
        SQLRETURN rc;
        std::string bytes;
        SQLLEN length;
    };
    for (const Step& s :
         {Step{SQL_SUCCESS_WITH_INFO, "0123", 10}, Step{SQL_SUCCESS_WITH_INFO, "4567", 6},
          Step{SQL_SUCCESS, "89", 2}, Step{SQL_NO_DATA, "", 12345}}) {
        r = get(column, SQL_C_BINARY, 4);
        EXPECT_EQ(r.rc, s.rc) << s.bytes;
        EXPECT_EQ(r.bytes(s.bytes.size()), s.bytes);
        EXPECT_EQ(r.buffer[s.bytes.size()], fill);
        EXPECT_EQ(r.indicator, s.length);
    }
}

TEST_F(Convert, FixedValueAsBinaryNeverWritesBeyondTheBuffer)
{
    const int column = add(integer(0x01020304));
    Result r = get(column, SQL_C_BINARY, 2);
    EXPECT_EQ(r.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(r.indicator, 4);
    EXPECT_EQ(r.bytes(2), "\x04\x03");
    EXPECT_EQ(r.buffer[2], fill);
}

TEST_F(Convert, FormattedValueReadAgainOrInPieces)
{
    // A value that fits is delivered again by a second call.
    const int small = add(integer(300));
    for (int i = 0; i < 2; ++i) {
        Result r = get(small, SQL_C_CHAR);
        EXPECT_EQ(r.rc, SQL_SUCCESS);
        EXPECT_EQ(r.narrow(), "300");
    }
    // A value that was cut continues where it stopped, and the reading ends.
    // "%f" of 1e300 has 308 characters.
    const int big = add(double_(1e300));
    Result once = get(big, SQL_C_CHAR, 400);
    ASSERT_EQ(once.rc, SQL_SUCCESS);
    EXPECT_EQ(once.indicator, 308);
    EXPECT_EQ(once.narrow().substr(0, 17), "10000000000000000");  // then the double's exact digits
    EXPECT_EQ(once.narrow().substr(301), ".000000");
    std::string whole;
    std::vector<SQLRETURN> results;
    for (;;) {
        Result r = get(big, SQL_C_CHAR, 100);
        if (r.rc == SQL_NO_DATA) break;
        results.push_back(r.rc);
        ASSERT_LT(results.size(), 10u);
        whole += r.narrow();
    }
    EXPECT_EQ(results, (std::vector<SQLRETURN>{SQL_SUCCESS_WITH_INFO, SQL_SUCCESS_WITH_INFO,
                                               SQL_SUCCESS_WITH_INFO, SQL_SUCCESS}));
    EXPECT_EQ(whole, once.narrow());
}

TEST_F(Convert, PadVarcharKeepsTrailingBlanksForNarrowTextOnly)
{
    connection.pad_varchar = 1;
    const int column = add(varchar("abc  ", 8));
    Result r = get(column, SQL_C_CHAR);
    EXPECT_EQ(r.narrow(), "abc  ");
    EXPECT_EQ(r.indicator, 5);
    next_row();
    r = get(column, SQL_C_WCHAR);
    EXPECT_EQ(r.wide(), u"abc");
    EXPECT_EQ(r.indicator, 6);
}

TEST_F(Convert, Utf8TextAsNarrowBytesAndAsUtf16)
{
    const std::string utf8 =
        "gr\xC3\xB6\xC3\x9F"
        "e \xE2\x82\xAC";  // größe €
    const int column = add(varchar(utf8, 40, 4));
    Result r = get(column, SQL_C_CHAR);
    EXPECT_EQ(r.rc, SQL_SUCCESS);
    EXPECT_EQ(r.narrow(), utf8);  // the bytes unchanged
    EXPECT_EQ(r.indicator, 11);   // counted in bytes

    next_row();
    r = get(column, SQL_C_WCHAR);
    EXPECT_EQ(r.rc, SQL_SUCCESS);
    EXPECT_EQ(r.wide(), u"größe €");
    EXPECT_EQ(r.indicator, 14);

    // In pieces of three characters, never splitting one.
    next_row();
    std::u16string whole;
    std::vector<SQLLEN> lengths;
    for (;;) {
        r = get(column, SQL_C_WCHAR, 8);
        if (r.rc == SQL_NO_DATA) break;
        ASSERT_LE(r.wide().size(), 3u);
        EXPECT_EQ(r.buffer[8], fill);
        whole += r.wide();
        lengths.push_back(r.indicator);
        ASSERT_LT(lengths.size(), 10u);
    }
    EXPECT_EQ(whole, u"größe €");
    EXPECT_EQ(lengths, (std::vector<SQLLEN>{14, 8, 2}));

    // A character outside the BMP stays whole: a surrogate pair is not cut.
    TearDown();
    ird.count = 0;
    const int clef =
        add(varchar("a\xF0\x9D\x84\x9E"
                    "b",
                    20, 4));        // a𝄞b
    r = get(clef, SQL_C_WCHAR, 6);  // two units of room
    EXPECT_EQ(r.wide(), u"a");
    r = get(clef, SQL_C_WCHAR, 6);
    EXPECT_EQ(r.wide(), u"𝄞");
    r = get(clef, SQL_C_WCHAR, 6);
    EXPECT_EQ(r.wide(), u"b");
    EXPECT_EQ(r.rc, SQL_SUCCESS);
}

// The server pads CHAR(n) to n times the most bytes a character of its set
// takes; the value is its n characters, in every form.
TEST_F(Convert, MultiByteCharIsCutToItsLengthInCharacters)
{
    struct Case {
        const char* name;
        Column column;
        SQLSMALLINT c_type;
        std::string expected;  // bytes, or UTF-16 units as bytes
    };
    const std::string grosse = "gr\xC3\xB6\xC3\x9F" "e";
    auto units = [](const std::u16string& t) { return wtext(t).substr(0, 2 * t.size()); };
    const Case cases[] = {
        {"UTF8 CHAR(5) full", char_(grosse, 20, 4), SQL_C_CHAR, grosse},
        {"UTF8 CHAR(5) full, wide", char_(grosse, 20, 4), SQL_C_WCHAR, units(u"größe")},
        {"UTF8 CHAR(5) full, binary", char_(grosse, 20, 4), SQL_C_BINARY, grosse},
        {"UTF8 CHAR(5) keeps its own blanks", char_("abc", 20, 4), SQL_C_CHAR, "abc  "},
        {"UTF8 CHAR(5) keeps its own blanks, wide", char_("abc", 20, 4), SQL_C_WCHAR, units(u"abc  ")},
        {"UTF8 CHAR(3) of a four-byte character", char_("\xF0\x9D\x84\x9E", 12, 4), SQL_C_WCHAR,
         units(u"𝄞  ")},
        {"UNICODE_FSS CHAR(2)", char_("x", 6, 3), SQL_C_CHAR, "x "},
        {"SJIS CHAR(3) with a one-byte katakana", char_("\x82\xA0\xB1", 6, 5), SQL_C_CHAR, "\x82\xA0\xB1 "},
        {"GB18030 CHAR(2) of a four-byte character", char_("\x81\x30\x81\x30", 8, 69), SQL_C_CHAR,
         "\x81\x30\x81\x30 "},
        {"collation in the high byte", char_("x", 8, 4 | (3 << 8)), SQL_C_CHAR, "x "},
        {"single-byte set untouched", char_("abc", 5, 53), SQL_C_CHAR, "abc  "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ird.count = 0;  // one column at a time
        const int column = add(c.column);
        Result r = get(column, c.c_type, 100);
        EXPECT_EQ(r.rc, SQL_SUCCESS);
        EXPECT_EQ(r.indicator, static_cast<SQLLEN>(c.expected.size()));
        EXPECT_EQ(r.bytes(c.expected.size()), c.expected);
    }
}

TEST_F(Convert, CharInASetTheDriverCannotCountIsPaddedToItsByteCountAsWide)
{
    // CHAR(6) in NONE holding UTF-8: "größ" is 6 bytes and decodes to 4
    // units; the wide form is padded to the 6 bytes' count.
    const int column = add(char_("gr\xC3\xB6\xC3\x9F", 6, 0));
    Result r = get(column, SQL_C_WCHAR, 100);
    EXPECT_EQ(r.rc, SQL_SUCCESS);
    EXPECT_EQ(r.wide(), u"größ  ");
    EXPECT_EQ(r.indicator, 12);
}

TEST_F(Convert, WideTextThroughCodePagesAndSimpleUnicode)
{
    const int column = add(varchar("gr\xC3\xB6", 8, 4));
    connection.simple_unicode = 1;
    Result r = get(column, SQL_C_WCHAR);
    EXPECT_EQ(r.wide(), (std::u16string{u'g', u'r', 0xC3, 0xB6}));
    EXPECT_EQ(r.indicator, 8);

    connection.simple_unicode = 0;
    connection.wcmb_code_page = 42;  // ISO-8859-1
    TearDown();
    ird.count = 0;
    const int latin = add(varchar("caf\xE9 cr\xE8me", 20, 21));
    r = get(latin, SQL_C_WCHAR);
    EXPECT_EQ(r.wide(), u"café crème");
    next_row();
    std::u16string whole;
    for (int i = 0; i < 10; ++i) {
        r = get(latin, SQL_C_WCHAR, 10);
        if (r.rc == SQL_NO_DATA) break;
        whole += r.wide();
    }
    EXPECT_EQ(whole, u"café crème");
}

// --- BLOBs through an in-memory BLOB ---------------------------------------

// Stands in for the client's BLOB calls: one BLOB whose bytes are stored in
// segments of `segment` bytes.
struct FakeBlob {
    std::string data;
    size_t segment = 65535;
    size_t position = 0;
    size_t in_segment = 0;  // bytes of the current segment already read
    int reads = 0;
    unsigned short largest_read = 0;
    int opens = 0;
    int closes = 0;
    int info_calls = 0;
    bool fail_reads = false;
    bool fail_opens = false;
};
FakeBlob* fake = nullptr;

ISC_STATUS ok(ISC_STATUS* status, ISC_STATUS code = 0)
{
    status[0] = 1;
    status[1] = code;
    status[2] = 0;
    return code;
}

ISC_STATUS ISC_EXPORT fake_blob_info(ISC_STATUS* status, isc_blob_handle*, short, const ISC_SCHAR*,
                                     short, ISC_SCHAR* result)
{
    ++fake->info_calls;
    const auto total = static_cast<uint32_t>(fake->data.size());
    result[0] = isc_info_blob_total_length;
    result[1] = 4;
    result[2] = 0;
    std::memcpy(result + 3, &total, 4);  // little-endian, as isc_vax_integer reads it
    result[7] = isc_info_end;
    return ok(status);
}

ISC_STATUS ISC_EXPORT fake_get_segment(ISC_STATUS* status, isc_blob_handle*, unsigned short* actual,
                                       unsigned short length, ISC_SCHAR* buffer)
{
    ++fake->reads;
    fake->largest_read = std::max(fake->largest_read, length);
    *actual = 0;
    if (fake->fail_reads) {
        status[0] = 1;
        status[1] = isc_bad_segstr_handle;
        status[2] = 0;
        return status[1];
    }
    if (fake->position >= fake->data.size()) return ok(status, isc_segstr_eof);
    const size_t left_in_segment =
        std::min(fake->segment - fake->in_segment, fake->data.size() - fake->position);
    const size_t n = std::min<size_t>(length, left_in_segment);
    std::memcpy(buffer, fake->data.data() + fake->position, n);
    fake->position += n;
    fake->in_segment += n;
    *actual = static_cast<unsigned short>(n);
    if (n < left_in_segment) return ok(status, isc_segment);
    fake->in_segment = 0;
    return ok(status);
}

ISC_STATUS ISC_EXPORT fake_open_blob2(ISC_STATUS* status, isc_db_handle*, isc_tr_handle*,
                                      isc_blob_handle* handle, ISC_QUAD*, ISC_USHORT,
                                      const ISC_UCHAR*)
{
    ++fake->opens;
    if (fake->fail_opens) {
        status[0] = 1;
        status[1] = isc_bad_segstr_id;
        status[2] = 0;
        return status[1];
    }
    fake->position = 0;
    fake->in_segment = 0;
    *handle = 77;
    return ok(status);
}

ISC_STATUS ISC_EXPORT fake_close_blob(ISC_STATUS* status, isc_blob_handle* handle)
{
    ++fake->closes;
    *handle = 0;
    return ok(status);
}

class Blob : public Convert {
protected:
    void SetUp() override
    {
        Convert::SetUp();
        api = &const_cast<ClientApi&>(client_api());
        saved = *api;
        api->isc_blob_info = fake_blob_info;
        api->isc_get_segment = fake_get_segment;
        api->isc_open_blob2 = fake_open_blob2;
        api->isc_close_blob = fake_close_blob;
        fake = &blob_state;
    }
    void TearDown() override
    {
        Convert::TearDown();
        if (api != nullptr) *api = saved;
        fake = nullptr;
    }

    // A BLOB column of the current row as the fetch leaves it: not opened
    // until its value is first read.
    int add_blob(int subtype, std::string data, size_t segment = 65535)
    {
        blob_state.data = std::move(data);
        blob_state.segment = segment;
        const int column = add(blob(subtype));
        ird_records[column].blob_pending = 1;
        return column;
    }

    ClientApi* api = nullptr;
    ClientApi saved{};
    FakeBlob blob_state;
};

std::string letters(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
    return s;
}

TEST_F(Blob, TextBlobLengthOnlyWholeAndInPieces)
{
    const std::string value = letters(40000);
    const int column = add_blob(1, value);

    // BufferLength 0: the length, nothing read.
    Result r = get(column, SQL_C_CHAR, 0);
    EXPECT_EQ(r.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(r.indicator, 40000);
    EXPECT_EQ(blob_state.reads, 0);

    // A 50000-byte buffer: whole, in three reads of at most 16384 bytes.
    std::vector<char> big(50000, '\x7F');
    SQLLEN indicator = 0;
    EXPECT_EQ(convert_column(statement, column, SQL_C_CHAR, big.data(), 50000, &indicator, false,
                             nullptr, false),
              SQL_SUCCESS);
    EXPECT_EQ(indicator, 40000);
    EXPECT_EQ(std::string(big.data()), value);
    EXPECT_EQ(blob_state.reads, 3);
    EXPECT_EQ(blob_state.largest_read, 16384);
    EXPECT_EQ(convert_column(statement, column, SQL_C_CHAR, big.data(), 50000, &indicator, false,
                             nullptr, false),
              SQL_NO_DATA);

    // In pieces of 16000 bytes from a fresh row.
    blob_state = FakeBlob{value, 1000};
    ird_records[column].getdata_offset = 0;
    std::string whole;
    std::vector<SQLLEN> lengths;
    std::vector<char> piece(16002, '\x7F');
    SQLRETURN rc;
    while ((rc = convert_column(statement, column, SQL_C_CHAR, piece.data(), 16001, &indicator,
                                false, nullptr, false)) != SQL_NO_DATA) {
        ASSERT_NE(rc, SQL_ERROR);
        EXPECT_EQ(rc, indicator > 16000 ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS);
        EXPECT_EQ(piece[16001], '\x7F');
        whole += piece.data();
        lengths.push_back(indicator);
        ASSERT_LT(lengths.size(), 5u);
    }
    EXPECT_EQ(whole, value);
    EXPECT_EQ(lengths, (std::vector<SQLLEN>{40000, 24000, 8000}));
}

TEST_F(Blob, BinaryBlobAsBytesHexAndWideHex)
{
    const int column = add_blob(0, std::string("\x01\xAB", 2));
    Result r = get(column, SQL_C_CHAR);
    EXPECT_EQ(r.rc, SQL_SUCCESS);
    EXPECT_EQ(r.narrow(), "01AB");
    EXPECT_EQ(r.indicator, 4);

    blob_state = FakeBlob{std::string("\x01\xAB", 2)};
    ird_records[column].getdata_offset = 0;
    r = get(column, SQL_C_WCHAR);
    EXPECT_EQ(r.wide(), u"01AB");
    EXPECT_EQ(r.indicator, 8);

    // A wide buffer of 5 bytes holds one unit and the terminator: no byte's
    // two digits fit, and nothing is written past the buffer.
    blob_state = FakeBlob{std::string("\x01\xAB", 2)};
    ird_records[column].getdata_offset = 0;
    r = get(column, SQL_C_WCHAR, 5);
    EXPECT_EQ(r.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(r.wide(), u"");
    EXPECT_EQ(r.buffer[5], fill);

    // Raw bytes in pieces of 1000.
    const std::string bytes = letters(1500);
    blob_state = FakeBlob{bytes, 700};
    ird_records[column].getdata_offset = 0;
    r = get(column, SQL_C_BINARY, 1000);
    EXPECT_EQ(r.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(r.bytes(1000), bytes.substr(0, 1000));
    EXPECT_EQ(r.buffer[1000], fill);
    EXPECT_EQ(r.indicator, 1500);
    r = get(column, SQL_C_BINARY, 1000);
    EXPECT_EQ(r.rc, SQL_SUCCESS);
    EXPECT_EQ(r.bytes(500), bytes.substr(1000));
    EXPECT_EQ(r.indicator, 500);
    EXPECT_EQ(get(column, SQL_C_BINARY, 1000).rc, SQL_NO_DATA);
}

TEST_F(Blob, HexTextInPieces)
{
    const int column = add_blob(0, std::string("\x00\x11\x22\x33\x44", 5));
    std::string whole;
    for (int i = 0; i < 10; ++i) {
        Result r = get(column, SQL_C_CHAR, 6);  // two bytes a piece
        if (r.rc == SQL_NO_DATA) break;
        EXPECT_EQ(r.buffer[6], fill);
        whole += r.narrow();
    }
    EXPECT_EQ(whole, "0011223344");
}

TEST_F(Blob, TextBlobAsWideText)
{
    const std::string utf8 =
        "gr\xC3\xB6\xC3\x9F"
        "e \xE2\x82\xAC \xF0\x9D\x84\x9E";  // größe € 𝄞
    const int column = add_blob(1, utf8, 3);
    Result r = get(column, SQL_C_WCHAR);
    EXPECT_EQ(r.rc, SQL_SUCCESS);
    EXPECT_EQ(r.wide(), u"größe € 𝄞");
    EXPECT_EQ(r.indicator, 20);  // ten UTF-16 units, the last character two of them

    // Small pieces never split a character, wherever the reads end.
    for (SQLLEN buffer_length : {6, 8, 11}) {
        SCOPED_TRACE(buffer_length);
        blob_state = FakeBlob{utf8, 3};
        ird_records[column].getdata_offset = 0;
        std::u16string whole;
        for (int i = 0; i < 40; ++i) {
            r = get(column, SQL_C_WCHAR, buffer_length);
            if (r.rc == SQL_NO_DATA) break;
            ASSERT_NE(r.rc, SQL_ERROR);
            EXPECT_EQ(r.buffer[buffer_length], fill);
            whole += r.wide();
        }
        EXPECT_EQ(whole, u"größe € 𝄞");
    }
}

TEST_F(Blob, OpenedWhenFirstReadAndClosedAfterABoundRead)
{
    const int column = add_blob(1, letters(100));
    // A length inquiry from the fetch opens the BLOB and reads nothing.
    Result r = get(column, SQL_C_CHAR, 0, true, true);
    EXPECT_EQ(r.indicator, 100);
    EXPECT_EQ(blob_state.opens, 1);
    EXPECT_EQ(blob_state.reads, 0);
    // The bound read takes the value from its start, then closes the BLOB.
    r = get(column, SQL_C_CHAR, 50, true, true);
    EXPECT_EQ(r.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(r.narrow(), letters(49));
    EXPECT_EQ(r.indicator, 100);
    EXPECT_EQ(blob_state.opens, 1);
    EXPECT_EQ(blob_state.closes, 1);
    EXPECT_EQ(ird_records[column].blob_open, 0);
    EXPECT_EQ(ird_records[column].getdata_offset, 0);
    // SQLGetData opens it again and reads the same value from its start, in
    // pieces, on one handle.
    r = get(column, SQL_C_CHAR, 61);
    EXPECT_EQ(r.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(r.narrow(), letters(60));
    r = get(column, SQL_C_CHAR, 61);
    EXPECT_EQ(r.rc, SQL_SUCCESS);
    EXPECT_EQ(r.narrow(), letters(100).substr(60));
    EXPECT_EQ(r.indicator, 40);
    EXPECT_EQ(get(column, SQL_C_CHAR, 61).rc, SQL_NO_DATA);
    EXPECT_EQ(blob_state.opens, 2);
    EXPECT_EQ(ird_records[column].blob_open, 1);
}

TEST_F(Blob, NullBlobNullTargetAndClientErrors)
{
    const int column = add_blob(1, "abc");
    // Neither a target nor an indicator.
    clear_diags(&statement);
    EXPECT_EQ(
        convert_column(statement, column, SQL_C_CHAR, nullptr, 0, nullptr, false, nullptr, false),
        SQL_ERROR);
    ASSERT_NE(diag_record(&statement, 1), nullptr);
    EXPECT_STREQ(diag_record(&statement, 1)->sqlstate, "HY000");
    EXPECT_STREQ(diag_record(&statement, 1)->message_text, "Can not read blob with null TargetPtr");

    // An open the client refuses: the client's error, nothing read, and the
    // next call tries again.
    blob_state.fail_opens = true;
    Result r = get(column, SQL_C_CHAR);
    EXPECT_EQ(r.rc, SQL_ERROR);
    EXPECT_FALSE(r.state.empty());
    EXPECT_EQ(blob_state.reads, 0);
    EXPECT_EQ(blob_state.info_calls, 0);
    blob_state.fail_opens = false;

    // A read the client refuses.
    blob_state.fail_reads = true;
    r = get(column, SQL_C_CHAR);
    EXPECT_EQ(r.rc, SQL_ERROR);
    EXPECT_FALSE(r.state.empty());
    EXPECT_NE(r.state, "01004");
    EXPECT_EQ(blob_state.opens, 2);

    // A NULL BLOB asks the client nothing.
    TearDown();
    SetUp();
    ird.count = 0;
    blob_state = FakeBlob{};
    const int nothing = add(null(blob(1)));
    r = get(nothing, SQL_C_CHAR);
    EXPECT_EQ(r.rc, SQL_SUCCESS);
    EXPECT_EQ(r.indicator, SQL_NULL_DATA);
    EXPECT_EQ(blob_state.info_calls, 0);
    EXPECT_EQ(blob_state.opens, 0);
    EXPECT_EQ(get(nothing, SQL_C_CHAR, 256, false).state, "22002");
}

TEST_F(Blob, EmptyBlob)
{
    const int column = add_blob(1, "");
    Result r = get(column, SQL_C_CHAR);
    EXPECT_EQ(r.rc, SQL_SUCCESS);
    EXPECT_EQ(r.indicator, 0);
    EXPECT_EQ(r.narrow(), "");
}

// --- The fixed sizes of the C types -----------------------------------------

TEST(CTypeFixedSize, TableOfSizes)
{
    struct Case {
        SQLSMALLINT c_type;
        SQLLEN size;
    };
    const Case cases[] = {
        {SQL_C_NUMERIC, 19},
        {SQL_C_LONG, 4},
        {SQL_C_FLOAT, 4},
        {SQL_C_SLONG, 4},
        {SQL_C_ULONG, 4},
        {SQL_C_SHORT, 2},
        {SQL_C_SSHORT, 2},
        {SQL_C_USHORT, 2},
        {SQL_C_DOUBLE, 8},
        {SQL_C_SBIGINT, 8},
        {SQL_C_UBIGINT, 8},
        {SQL_C_DATE, 6},
        {SQL_C_TIME, 6},
        {SQL_C_TYPE_DATE, 6},
        {SQL_C_TYPE_TIME, 6},
        {SQL_C_TIMESTAMP, 16},
        {SQL_C_TYPE_TIMESTAMP, 16},
        {SQL_C_BIT, 1},
        {SQL_C_TINYINT, 1},
        {SQL_C_STINYINT, 1},
        {SQL_C_UTINYINT, 1},
        {SQL_C_CHAR, 0},
        {SQL_C_WCHAR, 0},
        {SQL_C_BINARY, 0},
        {SQL_C_DEFAULT, 0},
        {SQLSMALLINT(480), 0},
        {SQLSMALLINT(510), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c_type_fixed_size(c.c_type), c.size) << c.c_type;
}

}  // namespace
