// Connecting through the unixODBC driver manager: data sources and
// connection strings, embedded and over the loopback server, failures,
// driver information, connection attributes and transactions.
#include <odbcinst.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "harness.h"

namespace {

using namespace odbc_test;

std::string text(const SQLCHAR* s) { return reinterpret_cast<const char*>(s); }

struct ConnectResult {
    SQLRETURN rc;
    std::string state;
    SQLINTEGER native = 0;
    std::string message;
};

ConnectResult first_diag(SQLSMALLINT type, SQLHANDLE handle, SQLRETURN rc)
{
    ConnectResult r{rc, "", 0, ""};
    SQLCHAR state[6] = {}, message[1024] = {};
    SQLSMALLINT length;
    if (SQLGetDiagRec(type, handle, 1, state, &r.native, message, sizeof message, &length) == SQL_SUCCESS) {
        r.state = text(state);
        r.message = text(message);
    }
    return r;
}

ConnectResult connect_dsn(Dbc& dbc, const char* dsn, const char* user, const char* password)
{
    SQLRETURN rc = SQLConnect(dbc, sql(dsn), SQL_NTS, sql(user), SQL_NTS, sql(password), SQL_NTS);
    return first_diag(SQL_HANDLE_DBC, dbc, rc);
}

// The driver manager finds the driver by DRIVER= when there is no DSN=.
const std::string by_driver = "DRIVER={Tarnwell Firebird ODBC};";

std::string connection_string()
{
    return by_driver + "DATABASE=" + process_database() + ";UID=SYSDBA";
}

ConnectResult driver_connect(Dbc& dbc, const std::string& in, std::string* out = nullptr,
                             SQLUSMALLINT completion = SQL_DRIVER_NOPROMPT, SQLHWND window = nullptr)
{
    SQLCHAR buffer[1024] = {};
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLDriverConnect(dbc, window, sql(in.c_str()), SQL_NTS, buffer, sizeof buffer,
                                    &length, completion);
    if (out) *out = text(buffer);
    return first_diag(SQL_HANDLE_DBC, dbc, rc);
}

std::string info_text(Dbc& dbc, SQLUSMALLINT type)
{
    SQLCHAR buffer[256] = {};
    SQLSMALLINT length = 0;
    EXPECT_EQ(SQLGetInfo(dbc, type, buffer, sizeof buffer, &length), SQL_SUCCESS) << dbc.diag();
    return text(buffer);
}

class Connect : public ::testing::Test {
protected:
    Env env = odbc3_env();
    Dbc dbc{env};
};

TEST_F(Connect, ByDataSourceEmbeddedAndOverTheServer)
{
    for (const char* dsn : {"brolix_embedded", "brolix_server"}) {
        SCOPED_TRACE(dsn);
        Dbc c(env);
        // The server data source keeps its own user and password.
        ConnectResult r = connect_dsn(c, dsn, "", "");
        ASSERT_EQ(r.rc, SQL_SUCCESS) << r.state << " " << r.message;
        EXPECT_EQ(info_text(c, SQL_DBMS_VER), "06.03.0000");
        EXPECT_EQ(info_text(c, SQL_DBMS_NAME), "Firebird");
        EXPECT_EQ(SQLDisconnect(c), SQL_SUCCESS) << c.diag();
    }
}

TEST_F(Connect, ByConnectionStringWithoutDataSource)
{
    std::string out;
    ConnectResult r = driver_connect(dbc, connection_string(), &out);
    ASSERT_EQ(r.rc, SQL_SUCCESS) << r.state << " " << r.message;
    // Without prompting the output string is the input string.
    EXPECT_EQ(out, connection_string());
    EXPECT_EQ(SQLDisconnect(dbc), SQL_SUCCESS);

    // Completing builds the output string from the resolved options.
    r = driver_connect(dbc, by_driver + "DATABASE=" + process_database() + ";UID=SYSDBA;DIALECT=1;WCMB=cp_utf8",
                       &out, SQL_DRIVER_COMPLETE);
    ASSERT_EQ(r.rc, SQL_SUCCESS) << r.state << " " << r.message;
    EXPECT_EQ(out, "DRIVER=Tarnwell Firebird ODBC;UID=SYSDBA;DB=" + process_database() +
                       ";DIALECT=1;WCMB=CP_UTF8;");
    EXPECT_EQ(SQLDisconnect(dbc), SQL_SUCCESS);
}

// The output string reproduces the connection: in dialect 1, DQUOTE decides
// whether double quotes reach the server, so a reconnect through the string
// must keep it.
TEST_F(Connect, ReconnectThroughTheOutputStringKeepsDoubleQuotes)
{
    std::string out;
    ConnectResult r = driver_connect(dbc, connection_string() + ";DIALECT=1;DQUOTE=1", &out, SQL_DRIVER_COMPLETE);
    ASSERT_EQ(r.rc, SQL_SUCCESS) << r.state << " " << r.message;
    EXPECT_NE(out.find(";DIALECT=1;DQUOTE=1;"), std::string::npos) << out;
    ASSERT_EQ(SQLDisconnect(dbc), SQL_SUCCESS);

    r = driver_connect(dbc, out);
    ASSERT_EQ(r.rc, SQL_SUCCESS) << r.state << " " << r.message;
    SQLCHAR native[128] = {};
    SQLINTEGER length = 0;
    ASSERT_EQ(SQLNativeSql(dbc, sql("SELECT \"a\" FROM T"), SQL_NTS, native, sizeof native, &length), SQL_SUCCESS)
        << dbc.diag();
    EXPECT_EQ(text(native), "SELECT \"a\" FROM T");
    EXPECT_EQ(SQLDisconnect(dbc), SQL_SUCCESS);
}

TEST_F(Connect, OutputStringIsCutToTheBuffer)
{
    SQLCHAR buffer[10];
    SQLSMALLINT length = 0;
    std::string in = connection_string();
    SQLRETURN rc = SQLDriverConnect(dbc, nullptr, sql(in.c_str()), SQL_NTS, buffer, 10, &length,
                                    SQL_DRIVER_NOPROMPT);
    EXPECT_EQ(rc, SQL_SUCCESS_WITH_INFO) << dbc.diag();
    EXPECT_EQ(text(buffer), in.substr(0, 9));
    EXPECT_EQ(length, static_cast<SQLSMALLINT>(in.size()));
    SQLDisconnect(dbc);
}

TEST_F(Connect, WrongPasswordFailsWithTheServersMessage)
{
    std::string in = by_driver + "DATABASE=" + required_env("BROLIX_SERVER_DATABASE") + ";UID=SYSDBA;PWD=wrong";
    ConnectResult r = driver_connect(dbc, in);
    EXPECT_EQ(r.rc, SQL_ERROR);
    EXPECT_EQ(r.state, "08S01");
    EXPECT_EQ(r.native, -902);
    EXPECT_NE(r.message.find("[Tarnwell][Firebird]Your user name and password are not defined"),
              std::string::npos)
        << r.message;

    // The same connection then connects with the right password.
    in = by_driver + "DATABASE=" + required_env("BROLIX_SERVER_DATABASE") + ";UID=SYSDBA;PWD=" +
         required_env("BROLIX_SYSDBA_PASSWORD");
    r = driver_connect(dbc, in);
    EXPECT_EQ(r.rc, SQL_SUCCESS) << r.message;
    SQLDisconnect(dbc);
}

TEST_F(Connect, MissingDatabaseFileFailsCleanly)
{
    ConnectResult r = driver_connect(dbc, by_driver + "DATABASE=/nonexistent/dir/none.fdb;UID=SYSDBA");
    EXPECT_EQ(r.rc, SQL_ERROR);
    EXPECT_EQ(r.state, "08S01");
    EXPECT_EQ(r.native, -902);
    EXPECT_NE(r.message.find("none.fdb"), std::string::npos) << r.message;
    // Nothing stays attached: the handle can be freed at once.
}

TEST_F(Connect, NoDatabaseWithoutPromptingIsAnError)
{
    ConnectResult r = driver_connect(dbc, "DSN=brolix_nodb");
    EXPECT_EQ(r.rc, SQL_ERROR);
    EXPECT_EQ(r.state, "HY000");
    EXPECT_NE(r.message.find("A database is required"), std::string::npos) << r.message;
}

// Sets an environment variable for one scope and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        had_ = std::getenv(name) != nullptr;
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

TEST_F(Connect, PromptingWithoutTheSetupLibraryReportsIt)
{
    // A driver section whose Setup value names a directory without the
    // setup library, which is not on the library path either.
    std::string dir = required_env("BROLIX_TEST_DIR") + "/no-setup-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/odbcinst.ini") << "[Tarnwell Firebird ODBC]\nDriver = " << BROLIX_DRIVER_PATH
                                         << "\nSetup = " << dir << "/libbrolixS.so\n";
    std::ofstream(dir + "/odbc.ini") << "";
    ConnectResult r;
    {
        ScopedEnv sysini("ODBCSYSINI", dir.c_str());
        int window = 0;  // any non-null window: the driver passes it on unchanged
        r = driver_connect(dbc, connection_string(), nullptr, SQL_DRIVER_PROMPT,
                           reinterpret_cast<SQLHWND>(&window));
    }
    std::filesystem::remove_all(dir);
    EXPECT_EQ(r.rc, SQL_NO_DATA) << r.message;
    EXPECT_EQ(r.state, "HY000");
    EXPECT_NE(r.message.find("Unable to load setup library (libbrolixS.so)"), std::string::npos)
        << r.message;
    // Without a window nobody is asked: the connection completes.
    r = driver_connect(dbc, connection_string(), nullptr, SQL_DRIVER_COMPLETE, nullptr);
    EXPECT_EQ(r.rc, SQL_SUCCESS) << r.message;
    SQLDisconnect(dbc);
}

TEST_F(Connect, PromptingWithoutADisplayFailsTheDialog)
{
    // The real setup library is found, but this process has no QApplication
    // and X is the only platform Qt may use, with no display to open.
    ScopedEnv platform("QT_QPA_PLATFORM", "xcb");
    ScopedEnv display("DISPLAY", nullptr);
    int window = 0;
    for (SQLUSMALLINT completion : {SQL_DRIVER_PROMPT, SQL_DRIVER_COMPLETE}) {
        ConnectResult r = driver_connect(dbc, "DSN=brolix_nodb", nullptr, completion,
                                         reinterpret_cast<SQLHWND>(&window));
        EXPECT_EQ(r.rc, SQL_ERROR) << completion;
        EXPECT_EQ(r.state, "IM008") << completion;
        EXPECT_NE(r.message.find("Dialog Failed"), std::string::npos) << r.message;
    }
}

TEST_F(Connect, ConfigDsnWithAWindowButNoDisplayFails)
{
    ScopedEnv platform("QT_QPA_PLATFORM", "xcb");
    ScopedEnv display("DISPLAY", nullptr);
    int window = 0;
    const std::string attributes = std::string("DSN=brolix_never_shown") + std::string(2, '\0');
    EXPECT_FALSE(SQLConfigDataSource(reinterpret_cast<HWND>(&window), ODBC_ADD_DSN, "Tarnwell Firebird ODBC",
                                     attributes.c_str()));
    DWORD code = 0;
    char message[256] = "";
    WORD length = 0;
    EXPECT_EQ(SQLInstallerError(1, &code, message, sizeof message, &length), SQL_SUCCESS);
    EXPECT_EQ(code, static_cast<DWORD>(ODBC_ERROR_REQUEST_FAILED));
    EXPECT_STREQ(message, "Dialog Failed");
    char database[64] = "";
    SQLGetPrivateProfileString("brolix_never_shown", "Driver", "<none>", database, sizeof database, "odbc.ini");
    EXPECT_STREQ(database, "<none>");
}

TEST_F(Connect, DriverInformationThroughTheDriverManager)
{
    ASSERT_EQ(connect_dsn(dbc, "brolix_embedded", "SYSDBA", "x").rc, SQL_SUCCESS);
    SQLCHAR name[5];
    SQLSMALLINT length = 0;
    EXPECT_EQ(SQLGetInfo(dbc, SQL_DRIVER_NAME, name, 5, &length), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(text(name), "BROL");
    EXPECT_EQ(length, 10);
    EXPECT_EQ(first_diag(SQL_HANDLE_DBC, dbc, 0).state, "01004");

    SQLWCHAR wide[32] = {};
    EXPECT_EQ(SQLGetInfoW(dbc, SQL_DBMS_VER, wide, sizeof wide, &length), SQL_SUCCESS);
    EXPECT_EQ(std::u16string(wide, wide + 10), u"06.03.0000");
    EXPECT_EQ(length, 20) << "byte length";

    SQLUSMALLINT bitmap[SQL_API_ODBC3_ALL_FUNCTIONS_SIZE] = {};
    ASSERT_EQ(SQLGetFunctions(dbc, SQL_API_ODBC3_ALL_FUNCTIONS, bitmap), SQL_SUCCESS);
    for (SQLUSMALLINT id : {SQL_API_SQLCONNECT, SQL_API_SQLDRIVERCONNECT, SQL_API_SQLGETINFO,
                            SQL_API_SQLENDTRAN, SQL_API_SQLGETCONNECTATTR})
        EXPECT_TRUE(SQL_FUNC_EXISTS(bitmap, id)) << id;
    SQLDisconnect(dbc);
}

TEST_F(Connect, ConnectionAttributes)
{
    ASSERT_EQ(connect_dsn(dbc, "brolix_embedded", "SYSDBA", "x").rc, SQL_SUCCESS);
    SQLUINTEGER value = 99;
    EXPECT_EQ(SQLGetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, &value, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(value, SQL_AUTOCOMMIT_ON);
    EXPECT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
              SQL_SUCCESS);
    SQLGetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, &value, 0, nullptr);
    EXPECT_EQ(value, SQL_AUTOCOMMIT_OFF);

    EXPECT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_TXN_ISOLATION,
                                reinterpret_cast<SQLPOINTER>(SQL_TXN_READ_UNCOMMITTED), 0),
              SQL_ERROR);
    EXPECT_EQ(first_diag(SQL_HANDLE_DBC, dbc, 0).state, "HYC00");
    EXPECT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_TXN_ISOLATION,
                                reinterpret_cast<SQLPOINTER>(SQL_TXN_SERIALIZABLE), 0),
              SQL_SUCCESS);
    SQLGetConnectAttr(dbc, SQL_ATTR_TXN_ISOLATION, &value, 0, nullptr);
    EXPECT_EQ(value, SQL_TXN_SERIALIZABLE);

    value = 7;
    EXPECT_EQ(SQLGetConnectAttr(dbc, SQL_ATTR_CONNECTION_DEAD, &value, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(value, SQL_CD_FALSE);

    EXPECT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(30), 0),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(first_diag(SQL_HANDLE_DBC, dbc, 0).state, "01S02");

    // A string attribute round-trips, narrow and wide.
    EXPECT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_TRANSLATE_LIB, sql("/tmp/größe.so"), SQL_NTS), SQL_SUCCESS);
    SQLCHAR path[64];
    SQLINTEGER length = 0;
    EXPECT_EQ(SQLGetConnectAttr(dbc, SQL_ATTR_TRANSLATE_LIB, path, sizeof path, &length), SQL_SUCCESS);
    EXPECT_EQ(text(path), "/tmp/größe.so");
    SQLWCHAR wpath[64];
    EXPECT_EQ(SQLGetConnectAttrW(dbc, SQL_ATTR_TRANSLATE_LIB, wpath, sizeof wpath, &length), SQL_SUCCESS);
    EXPECT_EQ(std::u16string(wpath, wpath + 13), u"/tmp/größe.so");
    EXPECT_EQ(length, 26);

    EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT), SQL_SUCCESS) << dbc.diag();
    EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK), SQL_SUCCESS) << dbc.diag();
    EXPECT_EQ(SQLDisconnect(dbc), SQL_SUCCESS) << dbc.diag();
}

// Attributes ODBC defines as SQLULEN fill the whole SQLULEN, on the
// statement and read through the connection as statement defaults.
TEST_F(Connect, SqlulenAttributesFillTheWholeValue)
{
    ASSERT_EQ(connect_dsn(dbc, "brolix_embedded", "SYSDBA", "x").rc, SQL_SUCCESS);
    Stmt stmt(dbc);
    struct Case {
        SQLSMALLINT handle_type;
        SQLINTEGER attribute;
        SQLULEN expected;
    };
    const Case cases[] = {
        {SQL_HANDLE_STMT, SQL_ATTR_CURSOR_SCROLLABLE, SQL_NONSCROLLABLE},
        {SQL_HANDLE_STMT, SQL_ATTR_CURSOR_SENSITIVITY, SQL_UNSPECIFIED},
        {SQL_HANDLE_STMT, SQL_ATTR_MAX_ROWS, 0},
        {SQL_HANDLE_DBC, SQL_NOSCAN, SQL_NOSCAN_OFF},
        {SQL_HANDLE_DBC, SQL_ATTR_CURSOR_SCROLLABLE, SQL_NONSCROLLABLE},
        {SQL_HANDLE_DBC, SQL_ATTR_CURSOR_SENSITIVITY, SQL_UNSPECIFIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.handle_type) + " " + std::to_string(c.attribute));
        SQLULEN value = ~SQLULEN{0};
        SQLRETURN rc = c.handle_type == SQL_HANDLE_STMT
                           ? SQLGetStmtAttr(stmt, c.attribute, &value, 0, nullptr)
                           : SQLGetConnectAttr(dbc, c.attribute, &value, 0, nullptr);
        ASSERT_EQ(rc, SQL_SUCCESS) << stmt.diag() << dbc.diag();
        EXPECT_EQ(value, c.expected);
    }
    // An SQLUINTEGER attribute leaves the bytes beyond its four alone.
    SQLULEN autocommit = ~SQLULEN{0};
    ASSERT_EQ(SQLGetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, &autocommit, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(autocommit, (~SQLULEN{0} << 32) | SQL_AUTOCOMMIT_ON);
}

TEST_F(Connect, ReadOnlyDataSourceStaysReadOnly)
{
    ASSERT_EQ(connect_dsn(dbc, "brolix_readonly", "SYSDBA", "x").rc, SQL_SUCCESS);
    SQLUINTEGER mode = 0;
    SQLGetConnectAttr(dbc, SQL_ATTR_ACCESS_MODE, &mode, 0, nullptr);
    EXPECT_EQ(mode, SQL_MODE_READ_ONLY);
    EXPECT_EQ(SQLSetConnectAttr(dbc, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_WRITE), 0),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(first_diag(SQL_HANDLE_DBC, dbc, 0).state, "01S02");
    SQLGetConnectAttr(dbc, SQL_ATTR_ACCESS_MODE, &mode, 0, nullptr);
    EXPECT_EQ(mode, SQL_MODE_READ_ONLY);
    SQLDisconnect(dbc);
}

TEST_F(Connect, WideConnectCarriesNonLatinText)
{
    // A role name outside Latin-1 survives the wide entry point: the server
    // accepts an unknown role at attach, so the connect succeeds.
    std::u16string in = u"DRIVER={Tarnwell Firebird ODBC};DATABASE=" + std::u16string(process_database().begin(), process_database().end()) +
                        u";UID=SYSDBA;CHARSET=UTF8;ROLE=Ролик";
    std::vector<SQLWCHAR> wide(in.begin(), in.end());
    wide.push_back(0);
    SQLWCHAR out[512];
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, wide.data(), SQL_NTS, out, 512, &length,
                                     SQL_DRIVER_NOPROMPT);
    ASSERT_EQ(rc, SQL_SUCCESS) << dbc.diag();
    EXPECT_EQ(std::u16string(out, out + length), in);
    SQLDisconnect(dbc);
}

TEST(DirectConnect, WideReconnectDoesNotUseThePreviousCodePage)
{
    // The first connection converts its wide text through CP437; the next
    // one, on the same driver handle, names no code page. Its non-ASCII
    // arguments must arrive as the UTF-8 the attach tags them with: "Юзер"
    // has no CP437 form at all, "Rôle" has a different one. An embedded
    // attach takes any user name, and the server shows it back. Called
    // directly: unixODBC gives every connect a new driver handle, other
    // driver managers and applications reuse one.
    using AllocHandleFn = SQLRETURN(SQLSMALLINT, SQLHANDLE, SQLHANDLE*);
    using FreeHandleFn = SQLRETURN(SQLSMALLINT, SQLHANDLE);
    using DriverConnectWFn = SQLRETURN(SQLHDBC, SQLHWND, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT,
                                       SQLSMALLINT*, SQLUSMALLINT);
    using DisconnectFn = SQLRETURN(SQLHDBC);
    using ExecDirectWFn = SQLRETURN(SQLHSTMT, SQLWCHAR*, SQLINTEGER);
    using FetchFn = SQLRETURN(SQLHSTMT);
    using GetDataFn = SQLRETURN(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*);
    DirectDriver driver;
    auto alloc = driver.entry<AllocHandleFn>("SQLAllocHandle");
    auto release = driver.entry<FreeHandleFn>("SQLFreeHandle");
    auto connect_w = driver.entry<DriverConnectWFn>("SQLDriverConnectW");
    auto disconnect = driver.entry<DisconnectFn>("SQLDisconnect");
    auto exec_direct_w = driver.entry<ExecDirectWFn>("SQLExecDirectW");
    auto fetch = driver.entry<FetchFn>("SQLFetch");
    auto get_data = driver.entry<GetDataFn>("SQLGetData");
    SQLHANDLE env = nullptr, dbc = nullptr;
    ASSERT_EQ(alloc(SQL_HANDLE_ENV, nullptr, &env), SQL_SUCCESS);
    ASSERT_EQ(alloc(SQL_HANDLE_DBC, env, &dbc), SQL_SUCCESS);

    auto wide_connect = [&](std::u16string in, std::u16string& out) {
        SQLWCHAR buffer[512] = {};
        SQLSMALLINT length = 0;
        SQLRETURN rc = connect_w(dbc, nullptr, reinterpret_cast<SQLWCHAR*>(in.data()), SQL_NTS, buffer, 512,
                                 &length, SQL_DRIVER_NOPROMPT);
        out.assign(buffer, buffer + std::max<SQLSMALLINT>(length, 0));
        return rc;
    };
    const std::u16string database(process_database().begin(), process_database().end());
    const std::u16string base = u"DRIVER={Tarnwell Firebird ODBC};DATABASE=" + database + u";CHARSET=UTF8";
    for (const std::u16string user : {u"Юзер", u"Rôle"}) {
        std::u16string out;
        ASSERT_EQ(wide_connect(base + u";UID=SYSDBA;WCMB=CP_OEMCP", out), SQL_SUCCESS);
        ASSERT_EQ(disconnect(dbc), SQL_SUCCESS);

        const std::u16string in = base + u";UID=" + user;
        ASSERT_EQ(wide_connect(in, out), SQL_SUCCESS);
        EXPECT_EQ(out, in);
        SQLHANDLE stmt = nullptr;
        ASSERT_EQ(alloc(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
        std::u16string query = u"SELECT CURRENT_USER FROM RDB$DATABASE";
        ASSERT_EQ(exec_direct_w(stmt, reinterpret_cast<SQLWCHAR*>(query.data()), SQL_NTS), SQL_SUCCESS);
        ASSERT_EQ(fetch(stmt), SQL_SUCCESS);
        SQLWCHAR value[64] = {};
        SQLLEN indicator = 0;
        ASSERT_EQ(get_data(stmt, 1, SQL_C_WCHAR, value, sizeof value, &indicator), SQL_SUCCESS);
        EXPECT_EQ(std::u16string(value, value + indicator / 2), user);
        EXPECT_EQ(release(SQL_HANDLE_STMT, stmt), SQL_SUCCESS);
        EXPECT_EQ(disconnect(dbc), SQL_SUCCESS);
    }
    EXPECT_EQ(release(SQL_HANDLE_DBC, dbc), SQL_SUCCESS);
    EXPECT_EQ(release(SQL_HANDLE_ENV, env), SQL_SUCCESS);
}

}  // namespace
