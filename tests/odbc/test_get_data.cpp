// SQLGetData through the driver manager against a real database: every
// Firebird 3 column type and its NULL, values read in pieces, and BLOBs read
// whole, in pieces, as hexadecimal text, after a bound read, and when first
// asked for after other columns of the row.
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using namespace odbc_test;

// The repeating digits of the 40000-byte text BLOB.
std::string digits(size_t from, size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('0' + (from + i) % 10);
    return s;
}

constexpr size_t megabyte = 1048576;

class GetData : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Env env = odbc3_env();
        Dbc dbc(env);
        ASSERT_TRUE(connect(dbc));
        const char* setup[] = {
            "RECREATE TABLE T_TYPES (ID INTEGER NOT NULL PRIMARY KEY, C CHAR(5), V VARCHAR(10), "
            "VU VARCHAR(10) CHARACTER SET UTF8, SI SMALLINT, I INTEGER, BI BIGINT, N NUMERIC(9,2), "
            "NS NUMERIC(4,1), NB NUMERIC(18,4), F FLOAT, D DOUBLE PRECISION, DT DATE, TM TIME, TS "
            "TIMESTAMP, "
            "B BOOLEAN, TB BLOB SUB_TYPE TEXT, BB BLOB SUB_TYPE BINARY, A INTEGER [3])",
            "INSERT INTO T_TYPES (ID, C, V, VU, SI, I, BI, N, NS, NB, F, D, DT, TM, TS, B, TB, BB) "
            "VALUES "
            "(1, 'abc', 'abc  ', 'gr\xC3\xB6\xC3\x9F"
            "e \xE2\x82\xAC', 7, -300, 9007199254740993, 123.45, -12.5, "
            "-0.0005, 1.5, 2.5, '2021-03-04', '05:06:07.1200', '2021-03-04 05:06:07.1200', TRUE, "
            "'hello', x'01AB')",
            "INSERT INTO T_TYPES (ID) VALUES (2)",
            "RECREATE TABLE T_BLOB (ID INTEGER NOT NULL PRIMARY KEY, TXT BLOB SUB_TYPE TEXT, BIN "
            "BLOB SUB_TYPE BINARY)",
            "INSERT INTO T_BLOB (ID, TXT) VALUES (1, RPAD(CAST('' AS BLOB SUB_TYPE TEXT), 40000, "
            "'0123456789'))",
            // A megabyte of the bytes 0 to 255 repeated: a 256-byte piece
            // doubled to 16384 bytes, appended 64 times.
            "EXECUTE BLOCK AS "
            "DECLARE p VARCHAR(16384) CHARACTER SET OCTETS = ''; DECLARE b BLOB SUB_TYPE BINARY; "
            "DECLARE i INTEGER = 0; "
            "BEGIN "
            "  WHILE (i < 256) DO BEGIN p = p || ASCII_CHAR(i); i = i + 1; END "
            "  i = 0; WHILE (i < 6) DO BEGIN p = p || p; i = i + 1; END "
            "  b = p; i = 1; WHILE (i < 64) DO BEGIN b = b || p; i = i + 1; END "
            "  INSERT INTO T_BLOB (ID, BIN) VALUES (2, :b); "
            "END",
            "INSERT INTO T_BLOB (ID, BIN) VALUES (3, x'01AB')",
            "RECREATE TABLE T_MEMO (ID INTEGER NOT NULL PRIMARY KEY, TB BLOB SUB_TYPE TEXT, "
            "NAME VARCHAR(10), BB BLOB SUB_TYPE BINARY)",
            "INSERT INTO T_MEMO VALUES (1, 'first text', 'one', x'0102')",
            "INSERT INTO T_MEMO VALUES (2, NULL, 'two', NULL)",
            "INSERT INTO T_MEMO VALUES (3, 'third', 'three', x'03')",
            "RECREATE TABLE T_DIGITS (V VARCHAR(20))",
            "INSERT INTO T_DIGITS VALUES ('0123456789')",
        };
        for (const char* text : setup) {
            Stmt s(dbc);
            ASSERT_EQ(SQLExecDirect(s, sql(text), SQL_NTS), SQL_SUCCESS) << text << "\n"
                                                                         << s.diag();
        }
        SQLDisconnect(dbc);
    }

    static bool connect(Dbc& c, const std::string& extra = "")
    {
        const ::testing::AssertionResult connected = connect_to_test_database(c, "CHARSET=UTF8;" + extra);
        EXPECT_TRUE(connected);
        return connected;
    }

    void SetUp() override { ASSERT_TRUE(connect(dbc)); }
    void TearDown() override { SQLDisconnect(dbc); }

    // Executes a query and moves to its first row.
    void open(Stmt& s, const char* text)
    {
        ASSERT_EQ(SQLExecDirect(s, sql(text), SQL_NTS), SQL_SUCCESS) << text << "\n" << s.diag();
        ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    }

    Env env = odbc3_env();
    Dbc dbc{env};
};

// --- Every column type ---------------------------------------------------

TEST_F(GetData, EveryColumnTypeAsText)
{
    Stmt s(dbc);
    open(s,
         "SELECT C, V, VU, SI, I, BI, N, NS, NB, F, D, DT, TM, TS, B, TB, BB, A FROM T_TYPES WHERE "
         "ID = 1");
    struct Case {
        SQLUSMALLINT column;
        const char* text;
    };
    const Case cases[] = {
        {2, "abc"},
        {3,
         "gr\xC3\xB6\xC3\x9F"
         "e \xE2\x82\xAC"},
        {4, "7"},
        {5, "-300"},
        {6, "9007199254740993"},
        {7, "123.45"},
        {8, "-12.5"},
        {9, "-0.0005"},
        {10, "1.500000"},
        {11, "2.500000"},
        {12, "2021-03-04"},
        {13, "05:06:07"},
        {14, "2021-03-04 05:06:07.12"},
        {15, "1"},
        {16, "hello"},
        {17, "01AB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        char buffer[64];
        SQLLEN indicator = 0;
        ASSERT_EQ(SQLGetData(s, c.column, SQL_C_CHAR, buffer, sizeof buffer, &indicator),
                  SQL_SUCCESS)
            << s.diag();
        EXPECT_STREQ(buffer, c.text);
        EXPECT_EQ(indicator, static_cast<SQLLEN>(std::strlen(c.text)));
    }
    // CHAR keeps its padding to its 5 characters (the server sends 20 bytes).
    char buffer[64];
    SQLLEN indicator = 0;
    ASSERT_EQ(SQLGetData(s, 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator), SQL_SUCCESS)
        << s.diag();
    EXPECT_EQ(std::string(buffer), "abc  ");
    EXPECT_EQ(indicator, 5);
    // An ARRAY is always NULL, indicator or not.
    EXPECT_EQ(SQLGetData(s, 18, SQL_C_CHAR, buffer, sizeof buffer, &indicator), SQL_SUCCESS);
    EXPECT_EQ(indicator, SQL_NULL_DATA);
    EXPECT_EQ(SQLGetData(s, 18, SQL_C_LONG, buffer, 0, nullptr), SQL_SUCCESS);
}

// On a UTF8 connection the server pads CHAR(n) to 4n bytes; the value read
// back has its n characters, through SQLGetData and bound columns alike.
TEST_F(GetData, CharInAMultiByteSetHasItsLengthInCharacters)
{
    struct Case {
        const char* expression;
        std::string narrow;
        std::u16string wide;
    };
    const Case cases[] = {
        {"CAST('abc' AS CHAR(5))", "abc  ", u"abc  "},
        {"{fn UPPER('abc')}", "ABC", u"ABC"},
        {"CAST('gr\xC3\xB6\xC3\x9F' AS CHAR(6))", "gr\xC3\xB6\xC3\x9F  ", u"größ  "},
        {"CAST('x' AS CHAR(2) CHARACTER SET UNICODE_FSS)", "x ", u"x "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        const std::string query = std::string("SELECT ") + c.expression + ", " + c.expression + " FROM RDB$DATABASE";
        Stmt s(dbc);
        ASSERT_EQ(SQLExecDirect(s, sql(query), SQL_NTS), SQL_SUCCESS) << s.diag();
        char bound[64] = {};
        SQLLEN bound_length = 0;
        ASSERT_EQ(SQLBindCol(s, 1, SQL_C_CHAR, bound, sizeof bound, &bound_length), SQL_SUCCESS);
        ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(std::string(bound), c.narrow);
        EXPECT_EQ(bound_length, static_cast<SQLLEN>(c.narrow.size()));

        SQLWCHAR wide[64] = {};
        SQLLEN wide_length = 0;
        ASSERT_EQ(SQLGetData(s, 2, SQL_C_WCHAR, wide, sizeof wide, &wide_length), SQL_SUCCESS) << s.diag();
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(wide)), c.wide);
        EXPECT_EQ(wide_length, static_cast<SQLLEN>(2 * c.wide.size()));
    }
}

TEST_F(GetData, EveryColumnTypeAsItsCType)
{
    Stmt s(dbc);
    open(s, "SELECT VU, SI, I, BI, N, NB, F, D, DT, TM, TS, B FROM T_TYPES WHERE ID = 1");
    SQLLEN indicator = 0;

    SQLWCHAR wide[16] = {};
    ASSERT_EQ(SQLGetData(s, 1, SQL_C_WCHAR, wide, sizeof wide, &indicator), SQL_SUCCESS)
        << s.diag();
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(wide)), u"größe €");
    EXPECT_EQ(indicator, 14);

    SQLSMALLINT small = 0;
    ASSERT_EQ(SQLGetData(s, 2, SQL_C_SSHORT, &small, 0, &indicator), SQL_SUCCESS);
    EXPECT_EQ(small, 7);
    EXPECT_EQ(indicator, 2);
    SQLINTEGER integer = 0;
    ASSERT_EQ(SQLGetData(s, 3, SQL_C_SLONG, &integer, 0, &indicator), SQL_SUCCESS);
    EXPECT_EQ(integer, -300);
    SQLCHAR tiny = 0;
    ASSERT_EQ(SQLGetData(s, 3, SQL_C_UTINYINT, &tiny, 0, &indicator), SQL_SUCCESS);
    EXPECT_EQ(tiny, static_cast<SQLCHAR>(-300 & 0xFF));
    SQLBIGINT big = 0;
    ASSERT_EQ(SQLGetData(s, 4, SQL_C_SBIGINT, &big, 0, &indicator), SQL_SUCCESS);
    EXPECT_EQ(big, 9007199254740993);
    EXPECT_EQ(indicator, 8);

    double d = 0;
    ASSERT_EQ(SQLGetData(s, 5, SQL_C_DOUBLE, &d, 0, &indicator), SQL_SUCCESS);
    EXPECT_DOUBLE_EQ(d, 123.45);
    ASSERT_EQ(SQLGetData(s, 5, SQL_C_SLONG, &integer, 0, &indicator), SQL_SUCCESS);
    EXPECT_EQ(integer, 123);
    SQL_NUMERIC_STRUCT numeric{};
    ASSERT_EQ(SQLGetData(s, 5, SQL_C_NUMERIC, &numeric, 0, &indicator), SQL_SUCCESS);
    EXPECT_EQ(numeric.scale, 2);
    EXPECT_EQ(numeric.sign, 1);
    EXPECT_EQ(numeric.val[0] | numeric.val[1] << 8, 12345);
    EXPECT_EQ(indicator, 19);
    ASSERT_EQ(SQLGetData(s, 6, SQL_C_DOUBLE, &d, 0, &indicator), SQL_SUCCESS);
    EXPECT_DOUBLE_EQ(d, -0.0005);

    float f = 0;
    ASSERT_EQ(SQLGetData(s, 7, SQL_C_FLOAT, &f, 0, &indicator), SQL_SUCCESS);
    EXPECT_EQ(f, 1.5f);
    ASSERT_EQ(SQLGetData(s, 8, SQL_C_DOUBLE, &d, 0, &indicator), SQL_SUCCESS);
    EXPECT_EQ(d, 2.5);

    SQL_DATE_STRUCT date{};
    ASSERT_EQ(SQLGetData(s, 9, SQL_C_TYPE_DATE, &date, 0, &indicator), SQL_SUCCESS);
    EXPECT_EQ(date.year, 2021);
    EXPECT_EQ(date.month, 3);
    EXPECT_EQ(date.day, 4);
    EXPECT_EQ(indicator, 6);
    SQL_TIME_STRUCT time{};
    ASSERT_EQ(SQLGetData(s, 10, SQL_C_TYPE_TIME, &time, 0, &indicator), SQL_SUCCESS);
    EXPECT_EQ(time.hour, 5);
    EXPECT_EQ(time.minute, 6);
    EXPECT_EQ(time.second, 7);
    SQL_TIMESTAMP_STRUCT ts{};
    ASSERT_EQ(SQLGetData(s, 11, SQL_C_TYPE_TIMESTAMP, &ts, 0, &indicator), SQL_SUCCESS);
    EXPECT_EQ(ts.year, 2021);
    EXPECT_EQ(ts.second, 7);
    EXPECT_EQ(ts.fraction, 120000000u);
    EXPECT_EQ(indicator, 16);
    ASSERT_EQ(SQLGetData(s, 9, SQL_C_TYPE_TIMESTAMP, &ts, 0, &indicator), SQL_SUCCESS);
    EXPECT_EQ(ts.day, 4);
    EXPECT_EQ(ts.hour, 0);

    SQLCHAR bit = 9;
    ASSERT_EQ(SQLGetData(s, 12, SQL_C_BIT, &bit, 0, &indicator), SQL_SUCCESS);
    EXPECT_EQ(bit, 1);
    EXPECT_EQ(indicator, 1);

    // A conversion that does not exist.
    EXPECT_EQ(SQLGetData(s, 9, SQL_C_SLONG, &integer, 0, &indicator), SQL_ERROR);
    EXPECT_EQ(state_of(s), "07006");
}

TEST_F(GetData, NullRowOfEveryType)
{
    Stmt s(dbc);
    open(s,
         "SELECT C, V, VU, SI, I, BI, N, NS, NB, F, D, DT, TM, TS, B, TB, BB, A FROM T_TYPES WHERE "
         "ID = 2");
    for (SQLUSMALLINT column = 1; column <= 18; ++column) {
        SCOPED_TRACE(column);
        char buffer[32];
        std::memset(buffer, 'x', sizeof buffer);
        SQLLEN indicator = 0;
        EXPECT_EQ(SQLGetData(s, column, SQL_C_CHAR, buffer, sizeof buffer, &indicator), SQL_SUCCESS)
            << s.diag();
        EXPECT_EQ(indicator, SQL_NULL_DATA);
        EXPECT_EQ(buffer[0], 'x');
    }
    SQLINTEGER value = 5;
    EXPECT_EQ(SQLGetData(s, 5, SQL_C_SLONG, &value, 0, nullptr), SQL_ERROR);
    EXPECT_EQ(state_of(s), "22002");
}

TEST_F(GetData, ColumnNumbersOutsideTheResult)
{
    Stmt s(dbc);
    open(s, "SELECT SI, I FROM T_TYPES WHERE ID = 1");
    SQLINTEGER value;
    SQLLEN indicator;
    EXPECT_EQ(SQLGetData(s, 3, SQL_C_SLONG, &value, 0, &indicator), SQL_ERROR);
    EXPECT_EQ(state_of(s), "07009");
    EXPECT_EQ(SQLGetData(s, 0, SQL_C_SLONG, &value, 0, &indicator), SQL_ERROR);
    EXPECT_EQ(state_of(s), "07009");
}

TEST_F(GetData, TenDigitsInPieces)
{
    Stmt s(dbc);
    open(s, "SELECT V FROM T_DIGITS");
    struct Step {
        SQLRETURN rc;
        const char* text;
        SQLLEN length;
    };
    for (const Step& step :
         {Step{SQL_SUCCESS_WITH_INFO, "012", 10}, Step{SQL_SUCCESS_WITH_INFO, "345", 7},
          Step{SQL_SUCCESS_WITH_INFO, "678", 4}, Step{SQL_SUCCESS, "9", 1}}) {
        char buffer[4];
        SQLLEN indicator = 0;
        EXPECT_EQ(SQLGetData(s, 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator), step.rc);
        EXPECT_STREQ(buffer, step.text);
        EXPECT_EQ(indicator, step.length);
    }
    char buffer[4];
    SQLLEN indicator = 0;
    EXPECT_EQ(SQLGetData(s, 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator), SQL_NO_DATA);
}

TEST(GetDataHandle, NullOrForeignHandleIsInvalid)
{
    DirectDriver driver;
    using GetDataFn = SQLRETURN(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*);
    auto* get_data = driver.entry<GetDataFn>("SQLGetData");
    ASSERT_NE(get_data, nullptr);
    SQLINTEGER value;
    SQLLEN indicator;
    EXPECT_EQ(get_data(nullptr, 1, SQL_C_SLONG, &value, 0, &indicator), SQL_INVALID_HANDLE);
    using AllocFn = SQLRETURN(SQLSMALLINT, SQLHANDLE, SQLHANDLE*);
    auto* alloc = driver.entry<AllocFn>("SQLAllocHandle");
    auto* free_handle = driver.entry<SQLRETURN(SQLSMALLINT, SQLHANDLE)>("SQLFreeHandle");
    SQLHANDLE env = nullptr;
    ASSERT_EQ(alloc(SQL_HANDLE_ENV, nullptr, &env), SQL_SUCCESS);
    EXPECT_EQ(get_data(env, 1, SQL_C_SLONG, &value, 0, &indicator), SQL_INVALID_HANDLE);
    free_handle(SQL_HANDLE_ENV, env);
}

// --- BLOBs ------------------------------------------------------------------

TEST_F(GetData, TextBlobLengthWholeAndInPieces)
{
    Stmt s(dbc);
    open(s, "SELECT TXT FROM T_BLOB WHERE ID = 1");
    SQLLEN indicator = 0;
    char probe[1];
    EXPECT_EQ(SQLGetData(s, 1, SQL_C_CHAR, probe, 0, &indicator), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(indicator, 40000);
    EXPECT_EQ(state_of(s), "01004");

    std::vector<char> whole(50000, 'x');
    EXPECT_EQ(SQLGetData(s, 1, SQL_C_CHAR, whole.data(), 50000, &indicator), SQL_SUCCESS)
        << s.diag();
    EXPECT_EQ(indicator, 40000);
    EXPECT_EQ(std::string(whole.data()), digits(0, 40000));
    EXPECT_EQ(SQLGetData(s, 1, SQL_C_CHAR, whole.data(), 50000, &indicator), SQL_NO_DATA);

    // The same value in pieces of 7000 characters, on the next execution.
    SQLCloseCursor(s);
    open(s, "SELECT TXT FROM T_BLOB WHERE ID = 1");
    std::string read;
    std::vector<SQLLEN> lengths;
    std::vector<char> piece(7001);
    SQLRETURN rc;
    while ((rc = SQLGetData(s, 1, SQL_C_CHAR, piece.data(), 7001, &indicator)) != SQL_NO_DATA) {
        ASSERT_TRUE(SQL_SUCCEEDED(rc)) << s.diag();
        read += piece.data();
        lengths.push_back(indicator);
        ASSERT_LT(lengths.size(), 10u);
    }
    EXPECT_EQ(read, digits(0, 40000));
    EXPECT_EQ(lengths, (std::vector<SQLLEN>{40000, 33000, 26000, 19000, 12000, 5000}));
}

// A text BLOB read as wide characters has the length of the characters it
// decodes to once the whole value is delivered, bound or through SQLGetData
// (not two units per byte of its UTF-8 form).
TEST_F(GetData, TextBlobAsWideHasTheLengthOfItsCharacters)
{
    const char* query =
        "SELECT CAST('gr\xC3\xB6\xC3\x9F"
        "e \xE2\x82\xAC' AS BLOB SUB_TYPE TEXT CHARACTER SET UTF8), ID FROM T_TYPES WHERE ID = 1";
    Stmt s(dbc);
    ASSERT_EQ(SQLExecDirect(s, sql(query), SQL_NTS), SQL_SUCCESS) << s.diag();
    SQLWCHAR bound[32] = {};
    SQLLEN bound_length = 0;
    ASSERT_EQ(SQLBindCol(s, 1, SQL_C_WCHAR, bound, sizeof bound, &bound_length), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(bound)), u"gr\u00f6\u00dfe \u20ac");
    EXPECT_EQ(bound_length, 14);

    SQLWCHAR wide[32] = {};
    SQLLEN indicator = 0;
    ASSERT_EQ(SQLGetData(s, 1, SQL_C_WCHAR, wide, sizeof wide, &indicator), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(wide)), u"gr\u00f6\u00dfe \u20ac");
    EXPECT_EQ(indicator, 14);
}

TEST_F(GetData, MegabyteBinaryBlobByteExact)
{
    auto check = [](const std::vector<unsigned char>& bytes, size_t from, size_t n) {
        for (size_t i = 0; i < n; ++i)
            if (bytes[i] != static_cast<unsigned char>((from + i) % 256))
                return ::testing::AssertionFailure() << "byte " << from + i;
        return ::testing::AssertionSuccess();
    };
    Stmt s(dbc);
    open(s, "SELECT BIN FROM T_BLOB WHERE ID = 2");
    std::vector<unsigned char> all(megabyte + 10);
    SQLLEN indicator = 0;
    ASSERT_EQ(
        SQLGetData(s, 1, SQL_C_BINARY, all.data(), static_cast<SQLLEN>(all.size()), &indicator),
        SQL_SUCCESS)
        << s.diag();
    EXPECT_EQ(indicator, static_cast<SQLLEN>(megabyte));
    EXPECT_TRUE(check(all, 0, megabyte));

    // In pieces of 100000 bytes.
    SQLCloseCursor(s);
    open(s, "SELECT BIN FROM T_BLOB WHERE ID = 2");
    std::vector<unsigned char> piece(100000);
    size_t position = 0;
    SQLRETURN rc;
    while ((rc = SQLGetData(s, 1, SQL_C_BINARY, piece.data(), 100000, &indicator)) != SQL_NO_DATA) {
        ASSERT_TRUE(SQL_SUCCEEDED(rc)) << s.diag();
        EXPECT_EQ(indicator, static_cast<SQLLEN>(megabyte - position));
        const size_t n = std::min<size_t>(100000, megabyte - position);
        EXPECT_TRUE(check(piece, position, n));
        position += n;
        ASSERT_LE(position, megabyte);
    }
    EXPECT_EQ(position, megabyte);

    // As hexadecimal text: the first bytes.
    SQLCloseCursor(s);
    open(s, "SELECT BIN FROM T_BLOB WHERE ID = 2");
    char hex[9];
    EXPECT_EQ(SQLGetData(s, 1, SQL_C_CHAR, hex, sizeof hex, &indicator), SQL_SUCCESS_WITH_INFO);
    EXPECT_STREQ(hex, "00010203");
    EXPECT_EQ(indicator, static_cast<SQLLEN>(2 * megabyte));
}

TEST_F(GetData, BinaryBlobAsHexText)
{
    Stmt s(dbc);
    open(s, "SELECT BIN FROM T_BLOB WHERE ID = 3");
    char text[16];
    SQLLEN indicator = 0;
    EXPECT_EQ(SQLGetData(s, 1, SQL_C_CHAR, text, sizeof text, &indicator), SQL_SUCCESS) << s.diag();
    EXPECT_STREQ(text, "01AB");
    EXPECT_EQ(indicator, 4);
    EXPECT_EQ(SQLGetData(s, 1, SQL_C_CHAR, text, sizeof text, &indicator), SQL_NO_DATA);
}

TEST_F(GetData, BoundBlobCanBeReadAgainWithGetData)
{
    Stmt s(dbc);
    ASSERT_EQ(SQLExecDirect(s, sql("SELECT TXT, ID FROM T_BLOB WHERE ID = 1"), SQL_NTS),
              SQL_SUCCESS)
        << s.diag();
    std::vector<char> bound(101, 'x');
    SQLLEN bound_indicator = 0;
    ASSERT_EQ(SQLBindCol(s, 1, SQL_C_CHAR, bound.data(), 101, &bound_indicator), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS_WITH_INFO) << s.diag();
    EXPECT_EQ(std::string(bound.data()), digits(0, 100));
    EXPECT_EQ(bound_indicator, 40000);

    std::vector<char> again(40001);
    SQLLEN indicator = 0;
    ASSERT_EQ(SQLGetData(s, 1, SQL_C_CHAR, again.data(), 40001, &indicator), SQL_SUCCESS)
        << s.diag();
    EXPECT_EQ(indicator, 40000);
    EXPECT_EQ(std::string(again.data()), digits(0, 40000));
}

// A BLOB column that is not bound is read only when SQLGetData asks for it:
// after later columns of its row, in pieces, NULL, in rows where nothing
// reads it, and across a rowset whose BLOBs nobody reads.
TEST_F(GetData, UnboundBlobsAreReadWhenAskedFor)
{
    Stmt s(dbc);
    const char* query = "SELECT ID, TB, NAME, BB FROM T_MEMO ORDER BY ID";
    SQLINTEGER id = 0;
    SQLLEN id_indicator = 0;
    ASSERT_EQ(SQLExecDirect(s, sql(query), SQL_NTS), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLBindCol(s, 1, SQL_C_SLONG, &id, 0, &id_indicator), SQL_SUCCESS);

    // Row 1: the later columns first, then the text BLOB in pieces.
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    char text[16] = {};
    SQLLEN indicator = 0;
    EXPECT_EQ(SQLGetData(s, 3, SQL_C_CHAR, text, sizeof text, &indicator), SQL_SUCCESS) << s.diag();
    EXPECT_STREQ(text, "one");
    unsigned char bytes[4] = {};
    EXPECT_EQ(SQLGetData(s, 4, SQL_C_BINARY, bytes, sizeof bytes, &indicator), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(indicator, 2);
    EXPECT_EQ(bytes[0], 0x01);
    EXPECT_EQ(bytes[1], 0x02);
    EXPECT_EQ(SQLGetData(s, 2, SQL_C_CHAR, text, 0, &indicator), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(indicator, 10);
    EXPECT_EQ(SQLGetData(s, 2, SQL_C_CHAR, text, 7, &indicator), SQL_SUCCESS_WITH_INFO);
    EXPECT_STREQ(text, "first ");
    EXPECT_EQ(indicator, 10);
    EXPECT_EQ(SQLGetData(s, 2, SQL_C_CHAR, text, 7, &indicator), SQL_SUCCESS) << s.diag();
    EXPECT_STREQ(text, "text");
    EXPECT_EQ(indicator, 4);
    EXPECT_EQ(SQLGetData(s, 2, SQL_C_CHAR, text, 7, &indicator), SQL_NO_DATA);

    // Row 2: NULL BLOBs, with and without an indicator.
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(id, 2);
    EXPECT_EQ(SQLGetData(s, 2, SQL_C_CHAR, text, sizeof text, &indicator), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(indicator, SQL_NULL_DATA);
    EXPECT_EQ(SQLGetData(s, 4, SQL_C_BINARY, bytes, sizeof bytes, nullptr), SQL_ERROR);
    EXPECT_EQ(state_of(s), "22002");

    // Row 3 is fetched and left unread; the cursor ends and closes.
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(id, 3);
    EXPECT_EQ(SQLFetch(s), SQL_NO_DATA);
    EXPECT_EQ(SQLCloseCursor(s), SQL_SUCCESS) << s.diag();

    // A rowset of three whose BLOBs nobody reads; the cursor then closes and
    // the next execution reads its first BLOB whole.
    SQLINTEGER ids[3] = {};
    SQLLEN id_indicators[3] = {};
    ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(3), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(s, 1, SQL_C_SLONG, ids, 0, id_indicators), SQL_SUCCESS);
    ASSERT_EQ(SQLExecDirect(s, sql(query), SQL_NTS), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(ids[2], 3);
    EXPECT_EQ(SQLFreeStmt(s, SQL_CLOSE), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0), SQL_SUCCESS);
    ASSERT_EQ(SQLBindCol(s, 1, SQL_C_SLONG, &id, 0, &id_indicator), SQL_SUCCESS);
    ASSERT_EQ(SQLExecDirect(s, sql(query), SQL_NTS), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(SQLGetData(s, 2, SQL_C_CHAR, text, sizeof text, &indicator), SQL_SUCCESS) << s.diag();
    EXPECT_STREQ(text, "first text");
    EXPECT_EQ(SQLFreeStmt(s, SQL_CLOSE), SQL_SUCCESS) << s.diag();
}

}  // namespace
