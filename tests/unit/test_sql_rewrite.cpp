// The SQL rewriter (escapes, dialect quoting, the escape stack) over narrow
// and UTF-16 text, and the bodies of SQLNativeSql and SQLNativeSqlW.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diagnostics.h"
#include "sql_rewrite.h"
#include "text.h"

namespace {

using namespace std::string_literals;

struct Options {
    int dialect = 3;
    int dquote = 0;
    int exec_proc = 0;
};

Connection make_connection(Options o = {})
{
    Connection c{};
    c.handle_type = stamp_connection;
    c.dialect = o.dialect;
    c.dquote = o.dquote;
    c.exec_proc = o.exec_proc;
    c.wcmb_code_page = code_page_utf8;
    return c;
}

// A connection record whose diagnostics are freed with it.
struct ScopedConnection {
    explicit ScopedConnection(Options o = {}) : c(make_connection(o)) {}
    ~ScopedConnection() { clear_diags(&c); }
    Connection c;
};

Statement make_statement(Connection& c)
{
    Statement s{};
    s.handle_type = stamp_statement;
    s.connection = &c;
    return s;
}

std::u16string to_wide(const std::string& utf8) { return wide_from_narrow(WideCodec{}, utf8); }

std::string to_narrow(const std::u16string& wide)
{
    auto narrow = narrow_from_wide(WideCodec{}, wide);
    return narrow ? *narrow : "<not convertible>";
}

struct Rewritten {
    std::string text;
    int32_t return_value_param;
    int32_t depth;
};

Rewritten rewrite_narrow(const std::string& in, Options o)
{
    Connection c = make_connection(o);
    Statement s = make_statement(c);
    std::string out = "stale";
    EXPECT_EQ(rewrite_sql(s, in, out), SQL_SUCCESS);
    return {out, s.return_value_param, s.escape_depth};
}

Rewritten rewrite_wide(const std::u16string& in, Options o)
{
    Connection c = make_connection(o);
    Statement s = make_statement(c);
    std::u16string out = u"stale";
    EXPECT_EQ(rewrite_sql(s, in, out), SQL_SUCCESS);
    return {to_narrow(out), s.return_value_param, s.escape_depth};
}

struct Case {
    const char* name;
    std::string in;
    std::string out;
    Options options = {};
    int32_t return_value_param = 0;
};

const Options dialect1{1, 0, 0};
const Options dialect1_dquote{1, 1, 0};
const Options exec_proc{3, 0, 1};

const std::vector<Case> translations = {
    {"plain text", "SELECT a FROM t WHERE b = 'x'", "SELECT a FROM t WHERE b = 'x'"},
    {"date y-m-d", "SELECT {d '2024-03-15'} FROM t", "SELECT '03/15/2024' FROM t"},
    {"date d.m.y", "SELECT {d '15.03.2024'} FROM t", "SELECT '03/15/2024' FROM t"},
    {"date keyword any case", "{D'2024-03-15'}", "'03/15/2024'"},
    {"date y/m/d unchanged", "{d '2024/03/15'}", "'2024/03/15'"},
    {"date not 10 long unchanged", "{d '2024-3-15'}", "'2024-3-15'"},
    {"date: every literal of the escape", "{d '2024-03-15' '2024-03-16'}", "'03/15/2024' '03/16/2024'"},
    {"date outside an escape unchanged", "SELECT '2024-03-15' FROM t", "SELECT '2024-03-15' FROM t"},
    {"timestamp", "{ts '2024-03-15 10:20:30'}", "'03/15/2024 10:20:30'"},
    {"timestamp d.m.y", "{TS '15.03.2024 10:20'}", "'03/15/2024 10:20'"},
    {"timestamp of the date alone", "{ts '2024-03-15'}", "'03/15/2024'"},
    {"timestamp controls become spaces", "{ts '2024-03-15\t10:20\x7F" "30\n'}", "'03/15/2024 10:20 30 '"},
    {"timestamp shorter than 10 unchanged", "{ts '2024-03'}", "'2024-03'"},
    {"time never changed", "{t '10:20:30'} {t '2024-03-15'}", "'10:20:30' '2024-03-15'"},
    {"scalar function, name as written", "SELECT {fn UCASE(name)} FROM t", "SELECT UCASE(name) FROM t"},
    {"outer join in parentheses", "SELECT * FROM {oj a LEFT OUTER JOIN b ON a.x = b.x} WHERE 1 = 1",
     "SELECT * FROM (a LEFT OUTER JOIN b ON a.x = b.x) WHERE 1 = 1"},
    {"call as select", "{call p(1, 'a')}", "SELECT * FROM p(1, 'a')"},
    {"call with exec_proc", "{ CALL p(1, 'a') }", "EXECUTE PROCEDURE p(1, 'a') ", exec_proc},
    {"call with return value", "{? = call p(?)}", "SELECT * FROM p(?)", {}, 1},
    {"call with return value, exec_proc", "{?=CALL p}", "EXECUTE PROCEDURE p", exec_proc, 1},
    {"nested functions in a call", "{call p({fn a({fn b({fn c(1)})})}, 2)}",
     "SELECT * FROM p(a(b(c(1))), 2)"},
    {"long form", "SELECT --(*vendor(Microsoft),product(ODBC) fn UCASE(name) *)-- FROM t",
     "SELECT UCASE(name)  FROM t"},
    {"long form outer join", "--(*vendor(a),product(b) oj a LEFT JOIN b ON 1 = 1*)--",
     "(a LEFT JOIN b ON 1 = 1)"},
    {"long form without product clause", "x --(*vendor(a) fn f(1)", "x "},
    {"long-form end at depth 0 dropped", "a *)-- b", "a  b"},
    {"brace in a comment opens an escape", "SELECT 1 -- see {fn x}\nFROM t", "SELECT 1 -- see x\nFROM t"},
    {"quote in a comment opens a literal", "SELECT 1 -- it's {d\n'2024-03-15'", "SELECT 1 -- it's {d\n'2024-03-15'"},
    {"lone dash copied", "SELECT a - b, a -- c", "SELECT a - b, a -- c"},
    {"unmatched close dropped", "SELECT 1 } FROM t", "SELECT 1  FROM t"},
    {"LIKE escape loses its braces", "WHERE a LIKE 'x\\_%' {escape '\\'}", "WHERE a LIKE 'x\\_%' escape '\\'"},
    {"interval loses its braces", "{INTERVAL '1' DAY}", "INTERVAL '1' DAY"},
    {"dialect 3: quoted identifier and literal keep braces", "SELECT \"{fn x}\", '{d y}' FROM t",
     "SELECT \"{fn x}\", '{d y}' FROM t"},
    {"dialect 3: doubled quotes", "SELECT 'it''s', \"a\"\"b\" FROM t", "SELECT 'it''s', \"a\"\"b\" FROM t"},
    {"dialect 1 drops double quotes", "SELECT \"Name\" FROM \"T\"", "SELECT Name FROM T", dialect1},
    {"dialect 1 dquote keeps quotes, braces still act", "SELECT \"{fn x}\" FROM t",
     "SELECT \"x\" FROM t", dialect1_dquote},
    {"dialect 1 literal keeps its double quotes", "SELECT '\"a\"' FROM t", "SELECT '\"a\"' FROM t",
     dialect1},
    // Unbalanced and cut texts.
    {"open brace at the end", "SELECT 1 {", "SELECT 1 "},
    {"unclosed function", "{fn x(", "x("},
    {"call keyword cut", "{c", "SELECT * FROM "},
    {"return value without call", "{?", "SELECT * FROM ", {}, 1},
    {"timestamp keyword cut", "{ts", ""},
    {"t at the very end", "{t", ""},
    {"unterminated literal in a date", "{d '2024-03-15", "'2024-03-15"},
    {"unterminated quoted identifier", "SELECT \"abc {fn", "SELECT \"abc {fn"},
    {"long form cut", "--(*vendor(x", ""},
    // Non-ASCII text passes through; a date that is not ASCII is not moved.
    {"non-ASCII copied", "SELECT '\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80' FROM {fn \xC3\x9C(1)}",
     "SELECT '\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80' FROM \xC3\x9C(1)"},
    {"non-ASCII date not moved", "{d '1234-0\xC3\xA9" "59'}", "'1234-0\xC3\xA9" "59'"},
    {"surrogate pair in a date not moved", "{d '2024-0\xF0\x9F\x98\x80" "15'}",
     "'2024-0\xF0\x9F\x98\x80" "15'"},
    {"non-ASCII timestamp tail kept", "{ts '2024-03-15 \xC3\xA9\t'}", "'03/15/2024 \xC3\xA9 '"},
    // A NUL inside the text is a control character, not its end.
    {"embedded NUL", "a\0{fn b}\0c"s, "a\0b\0c"s},
    {"embedded NUL in a timestamp", "{ts '2024-03-15\0'}"s, "'03/15/2024 '"},
};

TEST(SqlRewrite, TranslationsInBothWidths)
{
    for (const Case& c : translations) {
        SCOPED_TRACE(c.name);
        Rewritten narrow = rewrite_narrow(c.in, c.options);
        EXPECT_EQ(narrow.text, c.out);
        EXPECT_EQ(narrow.return_value_param, c.return_value_param);
        Rewritten wide = rewrite_wide(to_wide(c.in), c.options);
        EXPECT_EQ(wide.text, c.out);
        EXPECT_EQ(wide.return_value_param, c.return_value_param);
        EXPECT_EQ(wide.depth, narrow.depth);
    }
}

TEST(SqlRewrite, NeedsRewriteOnlyForBracesDashesAndDialectQuotes)
{
    struct Scan {
        std::string text;
        Options options;
        bool expected;
    };
    const Scan scans[] = {
        {"SELECT a - b FROM t WHERE c = 'x' }", {}, false},
        {"SELECT \"a\" FROM t", {}, false},
        {"SELECT \"a\" FROM t", dialect1, true},
        {"SELECT \"a\" FROM t", dialect1_dquote, true},
        {"SELECT {fn x}", {}, true},
        {"SELECT 1 -- comment", {}, true},
        {"SELECT 1 -", {}, false},
        {"", {}, false},
    };
    for (const Scan& s : scans) {
        SCOPED_TRACE(s.text);
        Connection c = make_connection(s.options);
        EXPECT_EQ(needs_rewrite(std::string_view(s.text), c), s.expected);
        EXPECT_EQ(needs_rewrite(std::u16string_view(to_wide(s.text)), c), s.expected);
    }
}

// "{oj " then `opened` function escapes, "x", then `closed` times "}y".
std::string nested(int opened, int closed, const std::string& inner = "x")
{
    std::string text = "{oj ";
    for (int i = 0; i < opened; ++i) text += "{fn ";
    text += inner;
    for (int i = 0; i < closed; ++i) text += "}y";
    return text;
}

TEST(SqlRewrite, EscapesBeyondTheStackCloseOuterEntries)
{
    // The outer join and 127 functions fill the stack; two more functions
    // are not recorded, so the outer join closes at the 128th "}".
    std::string expected = "(x" + std::string(127, 'y') + ")" + std::string(3, 'y');
    Rewritten narrow = rewrite_narrow(nested(129, 130), {});
    EXPECT_EQ(narrow.text, expected);
    EXPECT_EQ(narrow.depth, 0);
    EXPECT_EQ(rewrite_wide(to_wide(nested(129, 130)), {}).text, expected);

    // With the stack full, an outer join or call writes nothing, but a
    // return-value call is still noted.
    std::string full;
    for (int i = 0; i < 128; ++i) full += "{fn ";
    Rewritten r = rewrite_narrow(full + "{oj a {call p {? = call q z", {});
    EXPECT_EQ(r.text, "a p q z");
    EXPECT_EQ(r.return_value_param, 1);
    EXPECT_EQ(r.depth, 128);
}

TEST(SqlRewrite, EachPassStartsWithAnEmptyStack)
{
    Connection c = make_connection();
    Statement s = make_statement(c);
    std::string out;
    rewrite_sql(s, std::string_view("SELECT * FROM {oj a LEFT JOIN b ON 1 = 1"), out);
    EXPECT_EQ(s.escape_depth, 1);  // left as the pass ended
    rewrite_sql(s, std::string_view("} x"), out);
    EXPECT_EQ(out, " x");  // the old outer join does not close here
    EXPECT_EQ(s.escape_depth, 0);

    // return_value_param is set by the rewriter and cleared only by prepare.
    rewrite_sql(s, std::string_view("{? = call p}"), out);
    rewrite_sql(s, std::string_view("{call p}"), out);
    EXPECT_EQ(s.return_value_param, 1);
}

TEST(SqlRewrite, HugeInputsStayLinearAndBounded)
{
    // Call escapes grow the text most: "{call" becomes 18 characters.
    std::string calls;
    for (int i = 0; i < 200000; ++i) calls += "{call}";
    Rewritten r = rewrite_narrow(calls, exec_proc);
    EXPECT_EQ(r.text.size(), 200000u * 18);
    EXPECT_EQ(r.depth, 0);

    std::string opens(4 << 20, '{');
    EXPECT_EQ(rewrite_narrow(opens, {}).text, "");
    std::string quote(4 << 20, '\'');
    EXPECT_EQ(rewrite_narrow("{ts " + quote, {}).text, quote);
}

// --- SQLNativeSql and SQLNativeSqlW -----------------------------------------

const SQLCHAR* sql(const char* text) { return reinterpret_cast<const SQLCHAR*>(text); }

std::vector<SQLWCHAR> wide_sql(const std::string& utf8)
{
    std::u16string w = to_wide(utf8);
    std::vector<SQLWCHAR> out(w.begin(), w.end());
    out.push_back(0);
    return out;
}

std::string wide_out(const SQLWCHAR* buffer) { return to_narrow(std::u16string(buffer, buffer + wide_length(buffer))); }

TEST(NativeSql, CutsAtTheBufferLengthInBothWidths)
{
    // "{fn x(1)}" becomes "x(1)": 4 units in both widths.
    struct Cut {
        SQLINTEGER buffer_length;
        SQLRETURN rc;
        std::string written;
    };
    const Cut cuts[] = {
        {5, SQL_SUCCESS, "x(1)"},
        {100, SQL_SUCCESS, "x(1)"},
        {4, SQL_SUCCESS_WITH_INFO, "x(1"},  // exactly the length: the last unit goes
        {1, SQL_SUCCESS_WITH_INFO, ""},
    };
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.buffer_length);
        ScopedConnection conn;
        SQLCHAR narrow[16];
        SQLINTEGER length = -1;
        EXPECT_EQ(native_sql(conn.c, sql("{fn x(1)}"), SQL_NTS, narrow, cut.buffer_length, &length), cut.rc);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(narrow)), cut.written);
        EXPECT_EQ(length, 4);

        SQLWCHAR wide[16];
        length = -1;
        auto in = wide_sql("{fn x(1)}");
        EXPECT_EQ(native_sql_wide(conn.c, in.data(), SQL_NTS, wide, cut.buffer_length, &length), cut.rc);
        EXPECT_EQ(wide_out(wide), cut.written);
        EXPECT_EQ(length, 4);
        // Truncation is reported by the return code alone.
        EXPECT_EQ(conn.c.diag_count, 0);
    }
}

TEST(NativeSql, NoRoomOrNoBufferWritesNothing)
{
    ScopedConnection conn;
    SQLCHAR narrow[4] = {'#', '#', '#', '#'};
    SQLWCHAR wide[4] = {'#', '#', '#', '#'};
    auto in = wide_sql("{fn x}");
    SQLINTEGER length = -1;
    EXPECT_EQ(native_sql(conn.c, sql("{fn x}"), SQL_NTS, narrow, 0, &length), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(native_sql_wide(conn.c, in.data(), SQL_NTS, wide, 0, &length), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(narrow[0], '#');
    EXPECT_EQ(wide[0], '#');

    length = -1;
    EXPECT_EQ(native_sql(conn.c, sql("{fn x}"), SQL_NTS, nullptr, 0, &length), SQL_SUCCESS);
    EXPECT_EQ(length, 1);
    length = -1;
    EXPECT_EQ(native_sql_wide(conn.c, in.data(), SQL_NTS, nullptr, 0, &length), SQL_SUCCESS);
    EXPECT_EQ(length, 1);
}

TEST(NativeSqlW, NeverSplitsASurrogatePair)
{
    ScopedConnection conn;
    auto in = wide_sql("{fn \xF0\x9F\x98\x80}");  // U+1F600: two units
    SQLWCHAR wide[4] = {'#', '#', '#', '#'};
    SQLINTEGER length = -1;
    EXPECT_EQ(native_sql_wide(conn.c, in.data(), SQL_NTS, wide, 2, &length), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(wide[0], 0);
    EXPECT_EQ(length, 2);
    EXPECT_EQ(native_sql_wide(conn.c, in.data(), SQL_NTS, wide, 3, &length), SQL_SUCCESS);
    EXPECT_EQ(wide_out(wide), "\xF0\x9F\x98\x80");
}

TEST(NativeSql, CountedTextEndsAtItsLengthOrFirstNul)
{
    ScopedConnection conn;
    SQLCHAR narrow[32];
    SQLWCHAR wide[32];
    SQLINTEGER length = -1;
    const char text[] = "{fn a}{fn b}\0{fn c}";
    EXPECT_EQ(native_sql(conn.c, sql(text), 6, narrow, 32, &length), SQL_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(narrow)), "a");
    EXPECT_EQ(native_sql(conn.c, sql(text), sizeof text - 1, narrow, 32, &length), SQL_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(narrow)), "ab");
    EXPECT_EQ(length, 2);

    std::vector<SQLWCHAR> in(text, text + sizeof text);
    EXPECT_EQ(native_sql_wide(conn.c, in.data(), 6, wide, 32, &length), SQL_SUCCESS);
    EXPECT_EQ(wide_out(wide), "a");
    EXPECT_EQ(native_sql_wide(conn.c, in.data(), sizeof text - 1, wide, 32, &length), SQL_SUCCESS);
    EXPECT_EQ(wide_out(wide), "ab");
    EXPECT_EQ(length, 2);
}

TEST(NativeSql, RejectsNullTextAndBadLengths)
{
    struct Bad {
        bool null_text;
        SQLINTEGER text_length;
        SQLINTEGER buffer_length;
        const char* sqlstate;
    };
    const Bad bads[] = {
        {true, SQL_NTS, 10, "HY009"},
        {false, -5, 10, "HY090"},
        {false, SQL_NTS, -1, "HY090"},
    };
    for (const Bad& b : bads) {
        SCOPED_TRACE(b.sqlstate);
        ScopedConnection conn;
        SQLCHAR narrow[10];
        SQLWCHAR wide[10];
        auto in = wide_sql("{fn x}");
        EXPECT_EQ(native_sql(conn.c, b.null_text ? nullptr : sql("{fn x}"), b.text_length, narrow,
                             b.buffer_length, nullptr),
                  SQL_ERROR);
        EXPECT_EQ(native_sql_wide(conn.c, b.null_text ? nullptr : in.data(), b.text_length, wide,
                                  b.buffer_length, nullptr),
                  SQL_ERROR);
        ASSERT_EQ(conn.c.diag_count, 2);
        EXPECT_STREQ(diag_record(&conn.c, 1)->sqlstate, b.sqlstate);
        EXPECT_STREQ(diag_record(&conn.c, 2)->sqlstate, b.sqlstate);
    }
}

TEST(NativeSql, UsesTheConnectionsOptions)
{
    ScopedConnection conn({1, 0, 1});
    SQLCHAR narrow[64];
    EXPECT_EQ(native_sql(conn.c, sql("{call \"P\"}"), SQL_NTS, narrow, 64, nullptr), SQL_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(narrow)), "EXECUTE PROCEDURE P");
}

TEST(NativeSqlW, ShowsTheTextTheCodePageSends)
{
    // The wide text is converted first and the narrow text rewritten, as
    // SQLPrepareW does. An ASCII-compatible code page keeps the escape's
    // brackets, so the escape acts and "é" comes back. UTF-7 sends braces
    // (and "*", "=", ";") in base64, which the server cannot read either:
    // nothing is rewritten, and the text comes back as it went in.
    struct Case {
        int code_page;
        const char* shown;
    };
    const Case cases[] = {
        {code_page_utf8, "SELECT x('\xC3\xA9') FROM t"},
        {1, "SELECT x('\xC3\xA9') FROM t"},   // CP437
        {42, "SELECT x('\xC3\xA9') FROM t"},  // ISO-8859-1
        {65000, "SELECT {fn x('\xC3\xA9')} FROM t"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.code_page);
        ScopedConnection conn;
        conn.c.wcmb_code_page = k.code_page;
        auto in = wide_sql("SELECT {fn x('\xC3\xA9')} FROM t");
        SQLWCHAR wide[64];
        SQLINTEGER length = -1;
        EXPECT_EQ(native_sql_wide(conn.c, in.data(), SQL_NTS, wide, 64, &length), SQL_SUCCESS);
        EXPECT_EQ(wide_out(wide), k.shown);
        EXPECT_EQ(length, static_cast<SQLINTEGER>(wide_sql(k.shown).size() - 1));
    }
}

TEST(NativeSqlW, SimpleUnicodeActsOnLowBytes)
{
    ScopedConnection conn;
    conn.c.simple_unicode = 1;
    // U+017B and U+017D have the low bytes of "{" and "}"; U+00E9 survives.
    // U+0100 narrows to a NUL, which ends the text.
    std::vector<SQLWCHAR> in = {'x', 0x017B, 'f', 'n', ' ', 0x00E9, 0x017D, 0x0100, 'y', 0};
    SQLWCHAR wide[16];
    SQLINTEGER length = -1;
    EXPECT_EQ(native_sql_wide(conn.c, in.data(), SQL_NTS, wide, 16, &length), SQL_SUCCESS);
    EXPECT_EQ(std::u16string(wide, wide + wide_length(wide)), u"x\u00E9");
    EXPECT_EQ(length, 2);
}

}  // namespace
