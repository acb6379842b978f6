// SQLGetInfo(W) and SQLGetFunctions bodies, called on a Connection record
// that needs no server.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "diagnostics.h"
#include "driver_info.h"
#include "handles.h"

namespace {

constexpr int client_fb3 = 6;  // what the Debian Firebird 3 client reports

class DriverInfo : public ::testing::Test {
protected:
    Environment env{};
    Connection c{};

    void SetUp() override
    {
        env.handle_type = SQL_HANDLE_ENV;
        env.odbc_version = 3;
        c.handle_type = SQL_HANDLE_DBC;
        c.env = &env;
        c.wcmb_code_page = 65001;
        c.server_major = 6;
        c.server_minor = 3;
        c.rollback_retaining_ok = 1;
        std::strcpy(c.dsn, "employee");
        std::strcpy(c.user, "SYSDBA");
    }
    void TearDown() override { clear_diags(&c); }

    // A fresh record for the next case of a table.
    void reset()
    {
        clear_diags(&c);
        c = Connection{};
        env = Environment{};
        SetUp();
    }

    std::vector<std::string> states()
    {
        std::vector<std::string> out;
        for (int n = 1; const DiagRecord* r = diag_record(&c, n); ++n)
            out.emplace_back(r->sqlstate);
        return out;
    }

    // A string answer through the narrow body with a roomy buffer.
    std::string text(SQLUSMALLINT type, int client = client_fb3)
    {
        char buffer[1024];
        SQLSMALLINT length = -1;
        EXPECT_EQ(get_info(c, type, buffer, sizeof buffer, &length, client), SQL_SUCCESS);
        EXPECT_EQ(length, static_cast<SQLSMALLINT>(std::strlen(buffer)));
        return buffer;
    }

    // A numeric answer through the narrow body, read at the width reported.
    unsigned long long number(SQLUSMALLINT type, int client = client_fb3)
    {
        unsigned char buffer[16];
        std::memset(buffer, 0xAB, sizeof buffer);
        SQLSMALLINT length = -1;
        EXPECT_EQ(get_info(c, type, buffer, sizeof buffer, &length, client), SQL_SUCCESS);
        unsigned long long v = 0;
        if (length == 2) {
            SQLUSMALLINT s;
            std::memcpy(&s, buffer, 2);
            v = s;
        } else if (length == 4) {
            SQLUINTEGER i;
            std::memcpy(&i, buffer, 4);
            v = i;
        } else {
            ADD_FAILURE() << "InfoType " << type << " reported length " << length;
        }
        // Nothing written past the answer's width.
        for (int i = length; i < 16; ++i) EXPECT_EQ(buffer[i], 0xAB) << "InfoType " << type;
        return v;
    }
};

// One case of each kind of answer, checked for form, width and value.
TEST_F(DriverInfo, AnswersEachFormAtItsWidth)
{
    struct Case {
        SQLUSMALLINT type;
        InfoForm form;
        const char* text;
        unsigned long long number;
    };
    const Case cases[] = {
        {SQL_DRIVER_NAME, InfoForm::text, "BROLIX.DLL", 0},
        {SQL_DRIVER_VER, InfoForm::text, "01.09.0001", 0},
        {SQL_DRIVER_ODBC_VER, InfoForm::text, "03.52", 0},
        {SQL_DBMS_NAME, InfoForm::text, "Firebird", 0},
        {SQL_DBMS_VER, InfoForm::text, "06.03.0000", 0},
        {SQL_SERVER_NAME, InfoForm::text, "FIREBIRD", 0},
        {SQL_DATA_SOURCE_NAME, InfoForm::text, "employee", 0},
        {SQL_USER_NAME, InfoForm::text, "SYSDBA", 0},
        {SQL_IDENTIFIER_QUOTE_CHAR, InfoForm::text, "\"", 0},
        {SQL_SEARCH_PATTERN_ESCAPE, InfoForm::text, "\\", 0},
        {SQL_SPECIAL_CHARACTERS, InfoForm::text, " $", 0},
        {SQL_CATALOG_NAME_SEPARATOR, InfoForm::text, "", 0},
        {SQL_MULT_RESULT_SETS, InfoForm::text, "N", 0},
        {SQL_DESCRIBE_PARAMETER, InfoForm::text, "Y", 0},
        {SQL_COLLATION_SEQ, InfoForm::text, "ISO 8859-1", 0},
        {SQL_IDENTIFIER_CASE, InfoForm::small, nullptr, 1},
        {SQL_QUOTED_IDENTIFIER_CASE, InfoForm::small, nullptr, 3},
        {SQL_TXN_CAPABLE, InfoForm::small, nullptr, 2},
        {SQL_MAX_CURSOR_NAME_LEN, InfoForm::small, nullptr, 18},
        {SQL_MAX_USER_NAME_LEN, InfoForm::small, nullptr, 128},
        {SQL_MAX_CONCURRENT_ACTIVITIES, InfoForm::small, nullptr, 0},
        {SQL_DEFAULT_TXN_ISOLATION, InfoForm::integer, nullptr, 2},
        {SQL_TXN_ISOLATION_OPTION, InfoForm::integer, nullptr, 0x1E},
        {SQL_GETDATA_EXTENSIONS, InfoForm::integer, nullptr, 11},
        {SQL_ALTER_TABLE, InfoForm::integer, nullptr, 0x20E6B},
        {SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, InfoForm::integer, nullptr, 0xE001},
        {SQL_SQL92_PREDICATES, InfoForm::integer, nullptr, 0x3E87},
        {SQL_SQL92_RELATIONAL_JOIN_OPERATORS, InfoForm::integer, nullptr, 0x3D8},
        {SQL_SQL92_REVOKE, InfoForm::integer, nullptr, 0x7DA0},
        {SQL_SQL92_GRANT, InfoForm::integer, nullptr, 0x1FF0},
        {SQL_CREATE_TABLE, InfoForm::integer, nullptr, 0x1201},
        {SQL_SQL92_STRING_FUNCTIONS, InfoForm::integer, nullptr, 0xE9},
        {SQL_TIMEDATE_ADD_INTERVALS, InfoForm::integer, nullptr, 0x1FF},
        {SQL_ODBC_INTERFACE_CONFORMANCE, InfoForm::integer, nullptr, 3},
        {SQL_NUMERIC_FUNCTIONS, InfoForm::integer, nullptr, 0},
        {65003, InfoForm::integer, nullptr, 127},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.type);
        auto answer = info_answer(c, k.type, client_fb3);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->form, k.form);
        if (k.form == InfoForm::text)
            EXPECT_EQ(text(k.type), k.text);
        else
            EXPECT_EQ(number(k.type), k.number);
    }
    EXPECT_TRUE(states().empty());
}

// Answers that follow the connection, its environment or the client library.
TEST_F(DriverInfo, AnswersFollowConnectionAndClient)
{
    struct Case {
        const char* what;
        std::function<void(Connection&)> setup;
        SQLUSMALLINT type;
        int client;
        const char* text;  // null for a numeric answer
        unsigned long long number;
    };
    auto none = [](Connection&) {};
    auto schema = [](Connection& c) { c.with_schema = 1; };
    const Case cases[] = {
        {"server 6.3", none, SQL_DBMS_VER, 6, "06.03.0000", 0},
        {"server 2.5",
         [](Connection& c) {
             c.server_major = 2;
             c.server_minor = 5;
         },
         SQL_DBMS_VER, 6, "02.05.0000", 0},
        {"server 10.12",
         [](Connection& c) {
             c.server_major = 10;
             c.server_minor = 12;
         },
         SQL_DBMS_VER, 6, "10.12.0000", 0},
        {"read-write", none, SQL_DATA_SOURCE_READ_ONLY, 6, "N", 0},
        {"read-only", [](Connection& c) { c.read_only = 1; }, SQL_DATA_SOURCE_READ_ONLY, 6, "Y", 0},
        {"no schema", none, SQL_SCHEMA_TERM, 6, "", 0},
        {"schema", schema, SQL_SCHEMA_TERM, 6, "SCHEMA", 0},
        {"client 6", none, SQL_MAX_TABLE_NAME_LEN, 6, nullptr, 32},
        {"client 7", none, SQL_MAX_TABLE_NAME_LEN, 7, nullptr, 64},
        {"client 8", none, SQL_MAX_TABLE_NAME_LEN, 8, nullptr, 32},
        {"client 7", none, SQL_MAX_COLUMN_NAME_LEN, 7, nullptr, 64},
        {"client 7", none, SQL_MAX_IDENTIFIER_LEN, 7, nullptr, 64},
        {"client 6", none, SQL_MAX_PROCEDURE_NAME_LEN, 6, nullptr, 32},
        {"no schema, client 7", none, SQL_MAX_SCHEMA_NAME_LEN, 7, nullptr, 0},
        {"schema, client 7", schema, SQL_MAX_SCHEMA_NAME_LEN, 7, nullptr, 64},
        {"schema, client 6", schema, SQL_MAX_SCHEMA_NAME_LEN, 6, nullptr, 32},
        {"no schema", none, SQL_SCHEMA_USAGE, 6, nullptr, 0},
        {"schema", schema, SQL_SCHEMA_USAGE, 6, nullptr, 1},
        {"schema", schema, SQL_CREATE_SCHEMA, 6, nullptr, 1},
        {"schema", schema, SQL_DROP_SCHEMA, 6, nullptr, 1},
        {"rollback retaining", none, SQL_CURSOR_ROLLBACK_BEHAVIOR, 6, nullptr, SQL_CB_PRESERVE},
        {"full rollback only", [](Connection& c) { c.rollback_retaining_ok = 0; },
         SQL_CURSOR_ROLLBACK_BEHAVIOR, 6, nullptr, SQL_CB_DELETE},
        {"ODBC 3", none, SQL_CONVERT_FUNCTIONS, 6, nullptr, SQL_FN_CVT_CAST},
        {"ODBC 2", [](Connection& c) { c.env->odbc_version = 2; }, SQL_CONVERT_FUNCTIONS, 6,
         nullptr, 0},
        {"no environment", [](Connection& c) { c.env = nullptr; }, SQL_CONVERT_FUNCTIONS, 6,
         nullptr, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.what) + ", InfoType " + std::to_string(k.type));
        reset();
        k.setup(c);
        if (k.text)
            EXPECT_EQ(text(k.type, k.client), k.text);
        else
            EXPECT_EQ(number(k.type, k.client), k.number);
    }
}

TEST_F(DriverInfo, KeywordsAreOneCommaSeparatedList)
{
    std::string kw = text(SQL_KEYWORDS);
    EXPECT_EQ(kw, std::string(sql_keywords));
    EXPECT_EQ(kw.find(' '), std::string::npos);
    std::vector<std::string> words;
    for (size_t start = 0;;) {
        size_t comma = kw.find(',', start);
        words.push_back(kw.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    ASSERT_EQ(words.size(), 87u);
    EXPECT_EQ(words.front(), "ACTIVE");
    EXPECT_EQ(words[57], "RDB$DB_KEY");
    EXPECT_EQ(words.back(), "YEARDAY");
    EXPECT_EQ(std::set<std::string>(words.begin(), words.end()).size(), 87u);
    for (const auto& w : words) EXPECT_FALSE(w.empty());
}

// Every InfoType of ODBC 3.52 is answered, except the handles the driver
// manager answers itself; anything else is HY096 and leaves the buffers alone.
TEST_F(DriverInfo, AnswersEveryStandardInfoTypeAndRejectsOthers)
{
    const std::set<int> refused = {SQL_DRIVER_HDBC, SQL_DRIVER_HENV, SQL_DRIVER_HDESC, SQL_DM_VER};
    std::vector<int> answered;
    for (int t = 0; t <= SQL_INSERT_STATEMENT; ++t) answered.push_back(t);
    for (int t = SQL_XOPEN_CLI_YEAR; t <= SQL_MAX_IDENTIFIER_LEN; ++t) answered.push_back(t);
    answered.insert(answered.end(), {SQL_ASYNC_MODE, SQL_MAX_ASYNC_CONCURRENT_STATEMENTS});
    for (int t : answered)
        EXPECT_EQ(info_answer(c, t, client_fb3).has_value(), refused.count(t) == 0) << t;

    const SQLUSMALLINT unknown[] = {SQL_DRIVER_HDBC,
                                    SQL_DRIVER_HENV,
                                    SQL_DRIVER_HDESC,
                                    SQL_DM_VER,
                                    SQL_CONVERT_GUID,
                                    200,
                                    10006,
                                    10020,
                                    65535};
    for (bool wide : {false, true}) {
        for (SQLUSMALLINT t : unknown) {
            SCOPED_TRACE(std::to_string(t) + (wide ? " W" : ""));
            char buffer[8] = "keepme";
            SQLSMALLINT length = 77;
            SQLRETURN rc = wide ? get_info_wide(c, t, buffer, sizeof buffer, &length, client_fb3)
                                : get_info(c, t, buffer, sizeof buffer, &length, client_fb3);
            EXPECT_EQ(rc, SQL_ERROR);
            EXPECT_EQ(states(), std::vector<std::string>{"HY096"});
            EXPECT_STREQ(buffer, "keepme");
            EXPECT_EQ(length, 77);
            clear_diags(&c);
        }
    }
}

// SQL_DRIVER_HSTMT and SQL_DRIVER_HLIB are handles: pointer-sized here.
TEST_F(DriverInfo, HandleAnswersArePointerSized)
{
    SQLHSTMT stmt = reinterpret_cast<SQLHSTMT>(0x1122334455667788ULL);
    SQLSMALLINT length = 0;
    EXPECT_EQ(get_info(c, SQL_DRIVER_HSTMT, &stmt, 0, &length, client_fb3), SQL_SUCCESS);
    EXPECT_EQ(stmt, reinterpret_cast<SQLHSTMT>(0x1122334455667788ULL));
    EXPECT_EQ(length, static_cast<SQLSMALLINT>(sizeof(SQLHSTMT)));
    EXPECT_EQ(get_info(c, SQL_DRIVER_HSTMT, nullptr, 0, &length, client_fb3), SQL_SUCCESS);

    SQLULEN hlib = ~SQLULEN{0};
    EXPECT_EQ(get_info(c, SQL_DRIVER_HLIB, &hlib, 0, &length, client_fb3), SQL_SUCCESS);
    EXPECT_EQ(hlib, 0u);
    EXPECT_EQ(length, static_cast<SQLSMALLINT>(sizeof(SQLULEN)));
}

TEST_F(DriverInfo, NarrowStringTruncation)
{
    struct Case {
        SQLSMALLINT buffer_length;
        bool null_buffer;
        SQLRETURN rc;
        const char* written;  // null: buffer untouched
    };
    const Case cases[] = {
        {5, false, SQL_SUCCESS_WITH_INFO, "BROL"}, {10, false, SQL_SUCCESS_WITH_INFO, "BROLIX.DL"},
        {11, false, SQL_SUCCESS, "BROLIX.DLL"},    {1, false, SQL_SUCCESS_WITH_INFO, ""},
        {0, false, SQL_SUCCESS, nullptr},  // length only
        {5, true, SQL_SUCCESS, nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.buffer_length);
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        SQLSMALLINT length = -1;
        SQLRETURN rc = get_info(c, SQL_DRIVER_NAME, k.null_buffer ? nullptr : buffer,
                                k.buffer_length, &length, client_fb3);
        EXPECT_EQ(rc, k.rc);
        EXPECT_EQ(length, 10);
        if (k.written) {
            EXPECT_STREQ(buffer, k.written);
            for (size_t i = std::strlen(k.written) + 1; i < sizeof buffer; ++i)
                EXPECT_EQ(buffer[i], '#');
        } else {
            EXPECT_EQ(buffer[0], '#');
        }
        std::vector<std::string> expected;
        if (rc == SQL_SUCCESS_WITH_INFO) expected.push_back("01004");
        EXPECT_EQ(states(), expected);
        if (!states().empty()) {
            EXPECT_STREQ(diag_record(&c, 1)->message_text, "String data, right truncated");
        }
        clear_diags(&c);
    }
}

// SQLGetInfoW: UTF-16 text, lengths in bytes, text converted through the
// connection's code page and never cut inside a surrogate pair.
TEST_F(DriverInfo, WideStringAnswers)
{
    struct Case {
        const char* dsn;            // UTF-8
        SQLSMALLINT buffer_length;  // bytes
        std::u16string written;
        SQLSMALLINT length;  // bytes
        SQLRETURN rc;
    };
    const Case cases[] = {
        {"employee", 64, u"employee", 16, SQL_SUCCESS},
        {"employee", 18, u"employee", 16, SQL_SUCCESS},
        {"employee", 16, u"employe", 16, SQL_SUCCESS_WITH_INFO},
        {"employee", 10, u"empl", 16, SQL_SUCCESS_WITH_INFO},
        {"employee", 9, u"emp", 16, SQL_SUCCESS_WITH_INFO},  // odd: 4 units of room
        {"Daten\u00e4\u03a9\u6570\u636e", 64, u"Daten\u00e4\u03a9\u6570\u636e", 18, SQL_SUCCESS},
        {"db\U0001F600x", 64, u"db\U0001F600x", 10, SQL_SUCCESS},
        {"db\U0001F600x", 8, u"db", 10, SQL_SUCCESS_WITH_INFO},  // pair not split
        {"db\U0001F600x", 10, u"db\U0001F600", 10, SQL_SUCCESS_WITH_INFO},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.dsn) + " / " + std::to_string(k.buffer_length));
        std::strcpy(c.dsn, k.dsn);
        char16_t buffer[40];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        SQLSMALLINT length = -1;
        SQLRETURN rc =
            get_info_wide(c, SQL_DATA_SOURCE_NAME, buffer, k.buffer_length, &length, client_fb3);
        EXPECT_EQ(rc, k.rc);
        EXPECT_EQ(length, k.length);
        EXPECT_EQ(std::u16string(buffer), k.written);
        // Nothing written past the whole units the caller's buffer holds.
        for (size_t u = k.buffer_length / 2; u < std::size(buffer); ++u)
            EXPECT_EQ(buffer[u], u'#') << "unit " << u;
        std::vector<std::string> expected;
        if (rc == SQL_SUCCESS_WITH_INFO) expected.push_back("01004");
        EXPECT_EQ(states(), expected);
        clear_diags(&c);
    }

    // A zero-length or missing buffer asks for the length only.
    SQLSMALLINT length = -1;
    char16_t untouched[4] = u"###";
    EXPECT_EQ(get_info_wide(c, SQL_DRIVER_NAME, untouched, 0, &length, client_fb3), SQL_SUCCESS);
    EXPECT_EQ(length, 20);
    EXPECT_EQ(std::u16string(untouched), u"###");
    EXPECT_EQ(get_info_wide(c, SQL_KEYWORDS, nullptr, 0, &length, client_fb3), SQL_SUCCESS);
    EXPECT_EQ(length, static_cast<SQLSMALLINT>(sql_keywords.size() * 2));

    // Numeric answers are the same as in the narrow form.
    SQLUSMALLINT small = 0;
    EXPECT_EQ(get_info_wide(c, SQL_TXN_CAPABLE, &small, 0, &length, client_fb3), SQL_SUCCESS);
    EXPECT_EQ(small, SQL_TC_ALL);
    EXPECT_EQ(length, 2);
    EXPECT_TRUE(states().empty());
}

// The codes of the functions the driver exports, from the same table that
// the linker's version script is made from (the export test ties that table
// to the library's symbols).
#define BROLIX_FUNCTION(name, code, width) code,
const std::set<int> listed_functions = {
#include "functions.def"
};

TEST_F(DriverInfo, FunctionsBitmapOfOdbc3)
{
    ASSERT_TRUE(listed_functions.count(SQL_API_SQLGETFUNCTIONS));
    SQLUSMALLINT words[SQL_API_ODBC3_ALL_FUNCTIONS_SIZE + 6];
    std::fill(std::begin(words), std::end(words), 0xFFFF);
    EXPECT_EQ(get_functions(c, SQL_API_ODBC3_ALL_FUNCTIONS, words), SQL_SUCCESS);
    std::set<int> set_bits;
    for (int code = 0; code < SQL_API_ODBC3_ALL_FUNCTIONS_SIZE * 16; ++code)
        if (SQL_FUNC_EXISTS(words, code)) set_bits.insert(code);
    EXPECT_EQ(set_bits, listed_functions);
    for (size_t i = SQL_API_ODBC3_ALL_FUNCTIONS_SIZE; i < std::size(words); ++i)
        EXPECT_EQ(words[i], 0xFFFF) << "word " << i << " is past the bitmap";
}

TEST_F(DriverInfo, FunctionsArrayOfOdbc2)
{
    SQLUSMALLINT words[106];
    std::fill(std::begin(words), std::end(words), 0xFFFF);
    EXPECT_EQ(get_functions(c, SQL_API_ALL_FUNCTIONS, words), SQL_SUCCESS);
    for (int code = 0; code < 100; ++code)
        EXPECT_EQ(words[code], listed_functions.count(code) ? SQL_TRUE : SQL_FALSE) << code;
    for (int i = 100; i < 106; ++i) EXPECT_EQ(words[i], 0xFFFF) << "word " << i << " is past 100";
}

TEST_F(DriverInfo, FunctionsOneAtATime)
{
    struct Case {
        SQLUSMALLINT id;
        SQLUSMALLINT supported;
    };
    const Case cases[] = {
        {SQL_API_SQLEXECDIRECT, SQL_TRUE},
        {SQL_API_SQLGETDIAGREC, SQL_TRUE},
        {SQL_API_SQLCOLATTRIBUTE, SQL_TRUE},
        {SQL_API_SQLFETCHSCROLL, SQL_TRUE},
        {SQL_API_SQLGETINFO, SQL_TRUE},
        {SQL_API_SQLCOPYDESC, SQL_FALSE},
        {SQL_API_SQLBINDPARAM, SQL_FALSE},
        {SQL_API_SQLSETPOS, SQL_FALSE},
        {SQL_API_SQLBULKOPERATIONS, SQL_FALSE},
        {SQL_API_SQLBROWSECONNECT, SQL_FALSE},
        {1013, SQL_FALSE},
        {4000, SQL_FALSE},
    };
    for (const Case& k : cases) {
        SQLUSMALLINT supported = 0xFFFF;
        EXPECT_EQ(get_functions(c, k.id, &supported), SQL_SUCCESS);
        EXPECT_EQ(supported, k.supported) << k.id;
    }

    // Single answers agree with the bitmap for every id it covers.
    SQLUSMALLINT bitmap[SQL_API_ODBC3_ALL_FUNCTIONS_SIZE];
    get_functions(c, SQL_API_ODBC3_ALL_FUNCTIONS, bitmap);
    for (int id = 1; id < SQL_API_ODBC3_ALL_FUNCTIONS_SIZE * 16; ++id) {
        if (id == SQL_API_ODBC3_ALL_FUNCTIONS) continue;
        SQLUSMALLINT supported = 0xFFFF;
        get_functions(c, static_cast<SQLUSMALLINT>(id), &supported);
        ASSERT_EQ(supported, SQL_FUNC_EXISTS(bitmap, id) ? SQL_TRUE : SQL_FALSE) << id;
    }

    EXPECT_EQ(get_functions(c, SQL_API_SQLTABLES, nullptr), SQL_ERROR);
    EXPECT_EQ(states(), std::vector<std::string>{"HY009"});
}

}  // namespace
