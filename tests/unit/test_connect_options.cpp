// Connection options: connection-string parsing, merging with data-source
// keys for SQLConnect and SQLDriverConnect, defaults, and the output string.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "connect_options.h"
#include "stored_password.h"

namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

std::string lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// An in-memory initialisation store that answers like the installer library:
// names compared without regard to case, the default for a missing data
// source or key, values cut to the buffer.
class FakeStore {
public:
    FakeStore& set(const std::string& dsn, const std::string& key, const std::string& value)
    {
        sections_[lower(dsn)][lower(key)] = value;
        return *this;
    }

    DsnKeyReader reader()
    {
        return [this](const char* dsn, const char* key, const char* default_value, int size) {
            requests.push_back({dsn, key});
            std::string value = default_value;
            auto section = sections_.find(lower(dsn));
            if (section != sections_.end()) {
                auto entry = section->second.find(lower(key));
                if (entry != section->second.end()) value = entry->second;
            }
            return value.substr(0, static_cast<size_t>(size - 1));
        };
    }

    // Keys asked of a data source with a non-empty name.
    std::vector<std::string> keys_asked_of_named_dsns() const
    {
        std::vector<std::string> keys;
        for (const auto& [dsn, key] : requests)
            if (!dsn.empty()) keys.push_back(key);
        return keys;
    }

    std::vector<std::pair<std::string, std::string>> requests;

private:
    std::map<std::string, std::map<std::string, std::string>> sections_;
};

const SQLCHAR* sql(const char* text) { return reinterpret_cast<const SQLCHAR*>(text); }

std::unique_ptr<Connection> fresh_connection()
{
    auto connection = std::make_unique<Connection>();
    connection->handle_type = stamp_connection;
    return connection;
}

// SQLDriverConnect's option steps followed by the defaults, as in a
// connect without prompting.
std::unique_ptr<Connection> driver_connect(const std::string& text, FakeStore& store,
                                           DriverConnectOptions* extra = nullptr)
{
    auto connection = fresh_connection();
    DriverConnectOptions options =
        load_options_for_driver_connect(*connection, sql(text.c_str()), SQL_NTS, store.reader());
    apply_option_defaults(*connection);
    if (extra) *extra = options;
    return connection;
}

std::string output_of(const std::string& text, FakeStore& store)
{
    DriverConnectOptions extra;
    auto connection = driver_connect(text, store, &extra);
    return build_output_connection_string(*connection, extra.file_dsn);
}

Attributes parsed(std::string_view text)
{
    Attributes out;
    for (auto& a : parse_connection_string(text)) out.emplace_back(a.keyword, a.value);
    return out;
}

// --- parsing ---------------------------------------------------------------

TEST(ConnectionString, SplitsIntoAttributes)
{
    struct Case {
        std::string text;
        Attributes expected;
    };
    const Case cases[] = {
        {"DSN=x;UID=u", {{"DSN", "x"}, {"UID", "u"}}},
        // Blanks before a keyword are skipped, blanks in a value are kept.
        {"  DSN=x ;\t PWD= p q ", {{"DSN", "x "}, {"PWD", " p q "}}},
        {"DB=host:/a=b.fdb;", {{"DB", "host:/a=b.fdb"}}},
        {";;noequals; ;DSN=", {{"DSN", ""}}},
        {"", {}},
        // Braces: ";" inside, "}}" for "}", blanks after the closing brace.
        {"PWD={a;b};UID=u", {{"PWD", "a;b"}, {"UID", "u"}}},
        {"PWD={a}}b;}}}", {{"PWD", "a}b;}"}}},
        {"PWD={};UID=u", {{"PWD", ""}, {"UID", "u"}}},
        {"PWD={x} ;UID=u", {{"PWD", "x"}, {"UID", "u"}}},
        {"DRIVER={Tarnwell Firebird ODBC};DSN=d", {{"DRIVER", "Tarnwell Firebird ODBC"}, {"DSN", "d"}}},
        // Unknown keywords are quoted too, so their ";" hides nothing.
        {"X={y;DSN=evil};DSN=good", {{"X", "y;DSN=evil"}, {"DSN", "good"}}},
        // Not brace-quoted: no closing brace, text after it, or no opening
        // brace at the start of the value. The plain rule applies.
        {"PWD={abc", {{"PWD", "{abc"}}},
        {"PWD={abc;UID=u", {{"PWD", "{abc"}, {"UID", "u"}}},
        {"PWD={a;b}x;UID=u", {{"PWD", "{a"}, {"UID", "u"}}},
        {"PWD=x{y;z}", {{"PWD", "x{y"}}},
        {"PWD= {a;b}", {{"PWD", " {a"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(parsed(c.text), c.expected) << c.text;
}

TEST(ConnectionString, EndsAtNulAndHonoursCountedLength)
{
    using namespace std::string_view_literals;
    EXPECT_EQ(parsed("DSN=a\0UID=b"sv), (Attributes{{"DSN", "a"}}));

    FakeStore store;
    auto connection = fresh_connection();
    load_options_for_driver_connect(*connection, sql("UID=abcdef;PWD=p"), 7, store.reader());
    EXPECT_STREQ(connection->user, "abc");
    EXPECT_STREQ(connection->password, "");
}

TEST(OptionNumber, ReadsLikeAtoiWithoutOverflow)
{
    const std::pair<const char*, int32_t> cases[] = {
        {"12", 12},         {"  -7x", -7},       {"+3", 3},
        {"abc", 0},         {"", 0},             {" 1 2", 1},
        {"-", 0},           {"2147483647", INT32_MAX},
        {"99999999999999999999", INT32_MAX},     {"-2147483648", INT32_MIN},
        {"-99999999999999999999", INT32_MIN},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(option_number(text), value) << text;
}

TEST(CodePages, NamesSelectNumbersAndEcho)
{
    const std::pair<const char*, int32_t> cases[] = {
        {"CP_UTF8", 65001}, {"cp_utf8", 65001}, {"Cp_Utf8", 65001}, {"CP_MACCP", 2},
        {"CP_OEMCP", 1},    {"CP_SYMBOL", 42},  {"CP_THREAD_ACP", 3}, {"CP_UTF7", 65000},
        {"CP_ACP", 0},      {"UTF-8", 0},       {"CP_UTF8 ", 0},      {"", 0},
    };
    for (const auto& [name, code_page] : cases) {
        EXPECT_EQ(code_page_from_name(name), code_page) << name;
        if (code_page != 0) {
            EXPECT_EQ(code_page_from_name(code_page_name(code_page)), code_page);
        }
    }
    EXPECT_EQ(code_page_name(0), nullptr);
    EXPECT_EQ(code_page_name(1252), nullptr);
}

// --- SQLDriverConnect -----------------------------------------------------

TEST(DriverConnect, LaterKeywordWinsWhateverItsCase)
{
    FakeStore store;
    auto connection = driver_connect("UID=a;DB=/one.fdb;uid=b;database=/two.fdb;Dialect=1;dialect=0", store);
    EXPECT_STREQ(connection->user, "b");
    EXPECT_STREQ(connection->database, "/two.fdb");
    EXPECT_EQ(connection->dialect, 3);  // 0 becomes 3
}

TEST(DriverConnect, BlanksAroundPiecesFollowThePlainRule)
{
    FakeStore store;
    auto connection = driver_connect("   DSN=x ;   PWD=secret", store);
    EXPECT_STREQ(connection->dsn, "x ");
    EXPECT_STREQ(connection->password, "secret");
}

TEST(DriverConnect, WithoutDsnReadsNoNumberAndTakesDefaults)
{
    FakeStore store;
    store.set("", "dialect", "1").set("", "database", "/wrong.fdb");
    auto connection = fresh_connection();
    load_options_for_driver_connect(*connection, sql("DATABASE=/db.fdb"), SQL_NTS, store.reader());
    EXPECT_TRUE(store.keys_asked_of_named_dsns().empty());
    for (auto* field : {&connection->dialect, &connection->txn_mode, &connection->read_only,
                        &connection->wcmb_code_page, &connection->dquote, &connection->hide_varchar})
        EXPECT_EQ(*field, -1);
    for (const auto& [dsn, key] : store.requests) {
        EXPECT_NE(key, "dialect");
        EXPECT_NE(key, "TxnMode");
    }

    apply_option_defaults(*connection);
    EXPECT_EQ(connection->dialect, 3);
    EXPECT_EQ(connection->txn_mode, 2);
    EXPECT_EQ(connection->wcmb_code_page, 0);
    EXPECT_EQ(connection->read_only, 0);
    EXPECT_EQ(build_output_connection_string(*connection, ""), "DB=/db.fdb;");
}

FakeStore full_dsn()
{
    FakeStore store;
    store.set("mydsn", "database", "srv:/data/db.fdb")
        .set("mydsn", "user", "dsnuser")
        .set("mydsn", "password", scramble_password("dsnpass"))
        .set("mydsn", "charset", "UTF8")
        .set("mydsn", "role", "R1")
        .set("mydsn", "dialect", "1")
        .set("mydsn", "TxnMode", "8")
        .set("mydsn", "ReadOnly", "1")
        .set("mydsn", "nowait", "1")
        .set("mydsn", "oldmetadata", "1")
        .set("mydsn", "WCMB", "cp_utf8");
    return store;
}

TEST(DriverConnect, StringWinsOverDsnAndDsnFillsTheRest)
{
    FakeStore store = full_dsn();
    auto connection = driver_connect("DSN=mydsn;UID=me;PWD=mine;READONLY=0;CHARSET=WIN1252", store);
    EXPECT_STREQ(connection->user, "me");
    EXPECT_STREQ(connection->password, "mine");
    EXPECT_STREQ(connection->charset, "WIN1252");
    EXPECT_EQ(connection->read_only, 0);
    EXPECT_STREQ(connection->database, "srv:/data/db.fdb");
    EXPECT_STREQ(connection->role, "R1");
    EXPECT_EQ(connection->dialect, 1);
    EXPECT_EQ(connection->txn_mode, 8);
    EXPECT_EQ(connection->nowait, 1);
    EXPECT_EQ(connection->old_metadata, 1);
    EXPECT_EQ(connection->wcmb_code_page, 65001);
    EXPECT_EQ(connection->dquote, 0);

    // The DSN's password is stored scrambled; one from the string is clear.
    connection = driver_connect("DSN=mydsn", store);
    EXPECT_STREQ(connection->user, "dsnuser");
    EXPECT_STREQ(connection->password, "dsnpass");
    connection = driver_connect("DSN=mydsn;PWD=~ad6561fe~", store);
    EXPECT_STREQ(connection->password, "~ad6561fe~");
}

TEST(DriverConnect, UidOverrideMakesDsnCredentialsWin)
{
    FakeStore store = full_dsn();
    store.set("mydsn", "uidoverride", "1");
    auto connection = driver_connect("DSN=mydsn;UID=me;PWD=mine", store);
    EXPECT_STREQ(connection->user, "dsnuser");
    EXPECT_STREQ(connection->password, "dsnpass");
}

TEST(DriverConnect, LongValuesAreCutButLongStoredPasswordsAreNot)
{
    const std::string long_value(200, 'v');
    // A 127-byte password's stored form is 262 characters.
    const std::string long_password(127, 'p');
    FakeStore store;
    store.set("d", "password", scramble_password(long_password)).set("d", "role", long_value);
    auto connection = driver_connect("DSN=d;DB=" + long_value, store);
    EXPECT_EQ(std::string(connection->database), long_value.substr(0, 127));
    EXPECT_EQ(std::string(connection->role), long_value.substr(0, 127));
    EXPECT_EQ(std::string(connection->password), long_password);
}

// --- SQLConnect ------------------------------------------------------------

TEST(Connect, ArgumentsOrDsnForCredentials)
{
    FakeStore store = full_dsn();
    struct Case {
        const char* user;
        SQLLEN user_length;
        const char* password;
        SQLLEN password_length;
        const char* expected_user;
        const char* expected_password;
    };
    const Case cases[] = {
        {"me", SQL_NTS, "mine", SQL_NTS, "me", "mine"},
        {"meXXX", 2, "mineXX", 4, "me", "mine"},
        {nullptr, SQL_NTS, nullptr, SQL_NTS, "dsnuser", "dsnpass"},
        {"", SQL_NTS, "", SQL_NTS, "dsnuser", "dsnpass"},
        {"me", 0, "mine", 0, "dsnuser", "dsnpass"},
        // A password given to SQLConnect is used in clear.
        {"me", SQL_NTS, "~ad6561fe~", SQL_NTS, "me", "~ad6561fe~"},
    };
    for (const auto& c : cases) {
        auto connection = fresh_connection();
        load_options_for_connect(*connection, sql("mydsn"), SQL_NTS, sql(c.user), c.user_length,
                                 sql(c.password), c.password_length, store.reader());
        EXPECT_STREQ(connection->user, c.expected_user);
        EXPECT_STREQ(connection->password, c.expected_password);
    }

    store.set("mydsn", "uidoverride", "1");
    auto connection = fresh_connection();
    load_options_for_connect(*connection, sql("mydsn"), SQL_NTS, sql("me"), SQL_NTS, sql("mine"),
                             SQL_NTS, store.reader());
    EXPECT_STREQ(connection->user, "dsnuser");
    EXPECT_STREQ(connection->password, "dsnpass");
}

TEST(Connect, ReadsEveryKeyOfTheDsn)
{
    FakeStore store = full_dsn();
    store.set("mydsn", "dquote", "1").set("mydsn", "with_schema", "1").set("mydsn", "ExecProc", "1")
        .set("mydsn", "CommitSelect", "1").set("mydsn", "WithDefault", "1")
        .set("mydsn", "FlushCommit", "1").set("mydsn", "PadVarchar", "1")
        .set("mydsn", "NullSchema", "1").set("mydsn", "FixPrecision", "1")
        .set("mydsn", "SimpleUnicode", "1").set("mydsn", "WcharDefaultC", "1")
        .set("mydsn", "HideVarchar", "1");
    auto connection = fresh_connection();
    load_options_for_connect(*connection, sql("mydsnjunk"), 5, nullptr, SQL_NTS, nullptr, SQL_NTS,
                             store.reader());
    EXPECT_STREQ(connection->dsn, "mydsn");
    EXPECT_STREQ(connection->database, "srv:/data/db.fdb");
    EXPECT_STREQ(connection->charset, "UTF8");
    EXPECT_STREQ(connection->role, "R1");
    EXPECT_EQ(connection->dialect, 1);
    EXPECT_EQ(connection->txn_mode, 8);
    EXPECT_EQ(connection->wcmb_code_page, 65001);
    for (int32_t Connection::*field :
         {&Connection::dquote, &Connection::with_schema, &Connection::nowait,
          &Connection::old_metadata, &Connection::exec_proc, &Connection::read_only,
          &Connection::commit_select, &Connection::with_default, &Connection::flush_commit,
          &Connection::pad_varchar, &Connection::null_schema, &Connection::fix_precision,
          &Connection::simple_unicode, &Connection::wchar_default_c, &Connection::hide_varchar})
        EXPECT_EQ((*connection).*field, 1);
}

TEST(Connect, MissingDsnGivesDefaultsAndOutOfRangeValuesAreMended)
{
    FakeStore store;
    auto connection = fresh_connection();
    load_options_for_connect(*connection, sql("nosuch"), SQL_NTS, sql("u"), SQL_NTS, sql("p"),
                             SQL_NTS, store.reader());
    EXPECT_EQ(connection->dialect, 3);
    EXPECT_EQ(connection->txn_mode, 2);
    EXPECT_EQ(connection->wcmb_code_page, 0);
    EXPECT_EQ(connection->read_only, 0);
    EXPECT_STREQ(connection->database, "");

    store.set("odd", "dialect", "-4").set("odd", "with_schema", "-1");
    load_options_for_connect(*connection, sql("odd"), SQL_NTS, sql("u"), SQL_NTS, sql("p"),
                             SQL_NTS, store.reader());
    EXPECT_EQ(connection->dialect, 3);
    EXPECT_EQ(connection->with_schema, 0);
}

// --- defaults --------------------------------------------------------------

TEST(OptionDefaults, FillOnlyUnsetValues)
{
    auto connection = fresh_connection();
    FakeStore store;
    load_options_for_driver_connect(*connection, sql(""), SQL_NTS, store.reader());
    connection->nowait = 1;
    connection->txn_mode = 4;
    connection->dialect = 0;
    apply_option_defaults(*connection);
    EXPECT_EQ(connection->nowait, 1);
    EXPECT_EQ(connection->txn_mode, 4);
    EXPECT_EQ(connection->dialect, 3);
    EXPECT_EQ(connection->with_schema, 0);
    EXPECT_EQ(connection->wcmb_code_page, 0);

    connection->txn_mode = -7;
    apply_option_defaults(*connection);
    EXPECT_EQ(connection->txn_mode, 2);
}

// --- output string ---------------------------------------------------------

TEST(ConnectOutputString, EchoesOnlyWhatDiffersFromDefaults)
{
    FakeStore store;
    struct Case {
        std::string input;
        std::string output;
    };
    const Case cases[] = {
        {"DATABASE=/db.fdb", "DB=/db.fdb;"},
        {"DB=/d;DIALECT=0", "DB=/d;"},
        {"DB=/d;DIALECT=3", "DB=/d;"},
        {"DB=/d;DIALECT=1", "DB=/d;DIALECT=1;"},
        {"DB=/d;TXNMODE=2", "DB=/d;"},
        {"DB=/d;TXNMODE=8", "DB=/d;TXNMODE=8;"},
        {"DB=/d;WCMB=cp_UTF8", "DB=/d;WCMB=CP_UTF8;"},
        {"DB=/d;WCMB=CP_ACP", "DB=/d;"},
        {"DB=/d;WCMB=latin1", "DB=/d;"},
        {"DB=/d;DQUOTE=1", "DB=/d;DQUOTE=1;"},
        {"DB=/d;DQUOTE=0", "DB=/d;"},
        {"DSN=x;FILEDSN=/f.dsn", "DSN=x;FILEDSN=/f.dsn;"},
        {"DRIVER={Tarnwell Firebird ODBC};DB=/d", "DRIVER=Tarnwell Firebird ODBC;DB=/d;"},
        {"FILEDSN=", ""},
        {"DSN=x;NOWAIT=-3", "DSN=x;"},  // a negative value becomes 0
    };
    for (const auto& c : cases) EXPECT_EQ(output_of(c.input, store), c.output) << c.input;
}

TEST(ConnectOutputString, EveryOptionInOrder)
{
    FakeStore store;
    const std::string input =
        "FILEDSN=/f.dsn;WCMB=cp_oemcp;HIDEVARCHAR=1;WCHARDEFAULTC=1;SIMPLEUNICODE=1;"
        "FIXPRECISION=1;NULLSCHEMA=1;PADVARCHAR=1;FLUSHCOMMIT=1;TXNMODE=4;WITHDEFAULT=1;"
        "COMMITSELECT=1;READONLY=1;EXECPROC=1;OLDMETADATA=1;NOWAIT=1;SCHEMA=1;DQUOTE=1;"
        "DIALECT=1;ROLE=r;CHARSET=c;DATABASE=/db;PWD=p;UID=u;DSN=d;DRIVER=drv";
    EXPECT_EQ(output_of(input, store),
              "DRIVER=drv;DSN=d;UID=u;PWD=p;DB=/db;CHARSET=c;ROLE=r;DIALECT=1;DQUOTE=1;SCHEMA=1;"
              "NOWAIT=1;OLDMETADATA=1;EXECPROC=1;READONLY=1;COMMITSELECT=1;WITHDEFAULT=1;"
              "TXNMODE=4;FLUSHCOMMIT=1;PADVARCHAR=1;NULLSCHEMA=1;FIXPRECISION=1;"
              "SIMPLEUNICODE=1;WCHARDEFAULTC=1;HIDEVARCHAR=1;WCMB=CP_OEMCP;FILEDSN=/f.dsn;");
}

TEST(ConnectOutputString, DummyDsnOnlyWithoutDsn)
{
    FakeStore store;
    DriverConnectOptions extra;
    auto connection = driver_connect("DB=/d", store, &extra);
    connection->dummy_dsn = 1;
    EXPECT_EQ(build_output_connection_string(*connection, extra.file_dsn), "DB=/d;DUMMYDSN=X;");
    set_option_text(connection->dsn, "x");
    EXPECT_EQ(build_output_connection_string(*connection, extra.file_dsn), "DSN=x;DB=/d;");
}

TEST(ConnectOutputString, QuotedValuesParseBackUnchanged)
{
    FakeStore store;
    const std::string values[] = {"a;b", "{abc", "}", "{a;}b}", "semi;", "x} ;y", "plain"};
    for (const auto& value : values) {
        auto first = fresh_connection();
        set_option_text(first->password, value);
        set_option_text(first->dsn, "d");
        first->dialect = 3;
        first->txn_mode = 2;
        std::string out = build_output_connection_string(*first, value);
        auto second = driver_connect(out, store);
        EXPECT_STREQ(second->password, value.c_str()) << out;
        EXPECT_STREQ(second->dsn, "d") << out;
        DriverConnectOptions extra;
        driver_connect(out, store, &extra);
        EXPECT_EQ(extra.file_dsn, value) << out;
    }
}

TEST(ConnectOutputString, CopyCutsAndReportsFullLength)
{
    const std::string text(40, 's');
    SQLCHAR out[64];
    SQLSMALLINT length = -1;

    std::memset(out, 'z', sizeof out);
    EXPECT_EQ(copy_output_connection_string(text, out, 10, &length), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(length, 40);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), text.substr(0, 9));

    // 40 characters need 41 bytes.
    EXPECT_EQ(copy_output_connection_string(text, out, 40, &length), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(std::strlen(reinterpret_cast<char*>(out)), 39u);
    EXPECT_EQ(copy_output_connection_string(text, out, 41, &length), SQL_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), text);
    EXPECT_EQ(copy_output_connection_string(text, out, 41, nullptr), SQL_SUCCESS);

    // No buffer or no room: nothing written, length left alone.
    length = -1;
    out[0] = 'z';
    EXPECT_EQ(copy_output_connection_string(text, nullptr, 10, &length), SQL_SUCCESS);
    EXPECT_EQ(copy_output_connection_string(text, out, 0, &length), SQL_SUCCESS);
    EXPECT_EQ(copy_output_connection_string(text, out, -5, &length), SQL_SUCCESS);
    EXPECT_EQ(length, -1);
    EXPECT_EQ(out[0], 'z');
}

// --- the installer library's store ----------------------------------------

// unixODBC remembers where its files are once asked, so the store is read in
// a child process with its own ODBCSYSINI and ODBCINI. The child reports the
// values as "name=value" lines.
std::map<std::string, std::string> read_in_child(const std::filesystem::path& dir)
{
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return {{"error", "pipe"}};
    pid_t pid = fork();
    if (pid == 0) {
        close(pipe_fds[0]);
        setenv("ODBCSYSINI", dir.c_str(), 1);
        setenv("ODBCINI", (dir / "user.ini").c_str(), 1);
        std::string report;
        auto put = [&](const char* name, const std::string& value) {
            report += std::string(name) + "=" + value + "\n";
        };
        auto connection = std::make_unique<Connection>();
        load_options_for_driver_connect(*connection, sql("DSN=brolix_sys;UID=given"), SQL_NTS);
        apply_option_defaults(*connection);
        put("dc.user", connection->user);
        put("dc.password", connection->password);
        put("dc.database", connection->database);
        put("dc.dialect", std::to_string(connection->dialect));
        put("dc.old_metadata", std::to_string(connection->old_metadata));
        put("dc.with_default", std::to_string(connection->with_default));
        put("dc.txn_mode", std::to_string(connection->txn_mode));
        put("dc.wcmb", std::to_string(connection->wcmb_code_page));

        connection = std::make_unique<Connection>();
        load_options_for_connect(*connection, sql("BROLIX_USER"), SQL_NTS, nullptr, SQL_NTS,
                                 nullptr, SQL_NTS);
        put("c.user", connection->user);
        put("c.password", connection->password);
        put("c.database", connection->database);
        put("c.read_only", std::to_string(connection->read_only));

        put("empty_name", read_dsn_key("", "database", "fallback", dsn_text_buffer_size));
        put("cut", read_dsn_key("brolix_sys", "database", "", 5));
        ssize_t written = write(pipe_fds[1], report.data(), report.size());
        _exit(written == static_cast<ssize_t>(report.size()) ? 0 : 1);
    }
    close(pipe_fds[1]);
    std::string text;
    char buffer[512];
    ssize_t n;
    while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    close(pipe_fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    std::map<std::string, std::string> values;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) values["error"] = "child failed";
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end - pos);
        size_t eq = line.find('=');
        values[line.substr(0, eq)] = line.substr(eq + 1);
        pos = end + 1;
    }
    return values;
}

TEST(InstallerStore, ReadsSystemAndUserDataSources)
{
    char pattern[] = "/tmp/brolix-ini-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::filesystem::path dir = pattern;
    std::ofstream(dir / "odbcinst.ini") << "";
    // Key names in other spellings than the driver asks for, and the
    // setup library's stored password.
    std::ofstream(dir / "odbc.ini") << "[brolix_sys]\n"
                                       "Database = /var/db/sys.fdb\n"
                                       "User = sysuser\n"
                                       "Password = " << scramble_password("s3cret;}") << "\n"
                                       "Dialect = 1\n"
                                       "oldmetadata = 1\n"
                                       "WITHDEFAULT = 1\n"
                                       "TxnMode = 8\n"
                                       "WCMB = cp_utf8\n";
    std::ofstream(dir / "user.ini") << "[BROLIX_USER]\n"
                                       "Database = /var/db/user.fdb\n"
                                       "User = someone\n"
                                       "Password = plain\n"
                                       "ReadOnly = 1\n";
    auto values = read_in_child(dir);
    std::filesystem::remove_all(dir);

    EXPECT_EQ(values.count("error"), 0u) << values["error"];
    EXPECT_EQ(values["dc.user"], "given");
    EXPECT_EQ(values["dc.password"], "s3cret;}");
    EXPECT_EQ(values["dc.database"], "/var/db/sys.fdb");
    EXPECT_EQ(values["dc.dialect"], "1");
    EXPECT_EQ(values["dc.old_metadata"], "1");
    EXPECT_EQ(values["dc.with_default"], "1");
    EXPECT_EQ(values["dc.txn_mode"], "8");
    EXPECT_EQ(values["dc.wcmb"], "65001");
    EXPECT_EQ(values["c.user"], "someone");
    EXPECT_EQ(values["c.password"], "plain");
    EXPECT_EQ(values["c.database"], "/var/db/user.fdb");
    EXPECT_EQ(values["c.read_only"], "1");
    // unixODBC would answer an empty section name from some data source.
    EXPECT_EQ(values["empty_name"], "fallback");
    EXPECT_EQ(values["cut"], "/var");
}

}  // namespace
