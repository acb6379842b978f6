// ConfigDSN and ConfigDriver of the built setup library: through unixODBC's
// SQLConfigDataSource with the private configuration (no window: the data
// source is written from the attribute list), and called directly for the
// requests unixODBC would not pass on.
#include <odbcinst.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using namespace odbc_test;

const char* const driver_name = "Tarnwell Firebird ODBC";

// An attribute list: NUL-terminated entries ended by an empty one.
std::string attributes(std::initializer_list<std::string> entries)
{
    std::string list;
    for (const auto& entry : entries) {
        list += entry;
        list += '\0';
    }
    list += '\0';
    return list;
}

// The lines of one section of the user's odbc.ini, in file order.
std::vector<std::string> section_lines(const std::string& section)
{
    std::ifstream file(required_env("ODBCINI"));
    std::vector<std::string> lines;
    std::string line;
    bool inside = false;
    while (std::getline(file, line)) {
        if (!line.empty() && line[0] == '[') {
            inside = line == "[" + section + "]";
            continue;
        }
        if (inside && !line.empty()) lines.push_back(line);
    }
    return lines;
}

std::string key_value(const std::vector<std::string>& lines, const std::string& key)
{
    for (const auto& line : lines) {
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string k = line.substr(0, line.find_last_not_of(' ', eq - 1) + 1);
        if (k == key) return line.substr(line.find_first_not_of(' ', eq + 1) == std::string::npos
                                             ? line.size()
                                             : line.find_first_not_of(' ', eq + 1));
    }
    return "<missing>";
}

std::vector<std::string> keys_of(const std::vector<std::string>& lines)
{
    std::vector<std::string> keys;
    for (const auto& line : lines) keys.push_back(line.substr(0, line.find_first_of(" =")));
    return keys;
}

// All pending installer errors as "code text" lines.
std::string installer_errors()
{
    std::string all;
    for (WORD i = 1; i <= 8; ++i) {
        DWORD code = 0;
        char text[512] = "";
        WORD length = 0;
        RETCODE rc = SQLInstallerError(i, &code, text, sizeof text, &length);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) break;
        all += std::to_string(code) + " " + text + "\n";
    }
    return all;
}

SQLRETURN connect_to(const std::string& dsn, std::string& diag)
{
    Env env = odbc3_env();
    Dbc dbc(env);
    SQLRETURN rc = SQLConnect(dbc, (SQLCHAR*)dsn.c_str(), SQL_NTS, nullptr, 0, nullptr, 0);
    diag = dbc.diag();
    if (SQL_SUCCEEDED(rc)) SQLDisconnect(dbc);
    return rc;
}

TEST(ConfigDsn, AddConfigureAndRemoveWithoutAWindow)
{
    const std::string dsn = "brolix_cfg_" + std::to_string(getpid());
    const std::string database = required_env("BROLIX_SERVER_DATABASE");
    const std::string password = required_env("BROLIX_SYSDBA_PASSWORD");
    ASSERT_EQ(password, "masterkey") << "the stored form below is worked out for this password";

    std::string add = attributes({"DSN=" + dsn, "DESCRIPTION=Written by a script", "DB=" + database,
                                  "UID=SYSDBA", "PWD=" + password, "ROLE=RDB$ADMIN", "charset=UTF8",
                                  "DIALECT=3", "TXNMODE=4", "WCMB=cp_utf8", "READONLY=1",
                                  "HideVarchar=1", "NOWAIT=7", "Unknown=1"});
    ASSERT_TRUE(SQLConfigDataSource(nullptr, ODBC_ADD_DSN, driver_name, add.c_str())) << installer_errors();

    std::vector<std::string> lines = section_lines(dsn);
    const std::vector<std::string> order = {
        "Driver", "Description", "Database", "User", "Password", "Charset", "Role", "With_Schema",
        "Dialect", "Nowait", "OldMetaData", "ExecProc", "DQuote", "Uidoverride", "ReadOnly",
        "CommitSelect", "WithDefault", "TxnMode", "WCMB", "FlushCommit", "PadVarchar", "NullSchema",
        "FixPrecision", "SimpleUnicode", "WCharDefaultC", "HideVarchar"};
    EXPECT_EQ(keys_of(lines), order);
    const std::pair<const char*, std::string> expected[] = {
        {"Driver", driver_name},
        {"Description", "Written by a script"},
        {"Database", database},
        {"User", "SYSDBA"},
        {"Password", "~ad65a17f4437214ec526e0fe~"},  // "masterkey" in the stored form
        {"Charset", "UTF8"},
        {"Role", "RDB$ADMIN"},
        {"Dialect", "3"},
        {"TxnMode", "4"},
        {"WCMB", "CP_UTF8"},
        {"ReadOnly", "1"},
        {"HideVarchar", "1"},
        {"Nowait", "0"},  // a check box is set by 1 only
        {"With_Schema", "0"},
    };
    for (const auto& [key, value] : expected) EXPECT_EQ(key_value(lines, key), value) << key;

    // The driver reads the stored password back: the server checks it.
    std::string diag;
    EXPECT_EQ(connect_to(dsn, diag), SQL_SUCCESS) << diag;

    // Configuring changes what the list gives and keeps the rest.
    std::string configure = attributes({"DSN=" + dsn + ";", "READONLY=0", "DIALECT=1"});
    ASSERT_TRUE(SQLConfigDataSource(nullptr, ODBC_CONFIG_DSN, driver_name, configure.c_str()))
        << installer_errors();
    lines = section_lines(dsn);
    EXPECT_EQ(key_value(lines, "ReadOnly"), "0");
    EXPECT_EQ(key_value(lines, "Dialect"), "1");
    EXPECT_EQ(key_value(lines, "Description"), "Written by a script");
    EXPECT_EQ(key_value(lines, "Password"), "~ad65a17f4437214ec526e0fe~");
    EXPECT_EQ(key_value(lines, "TxnMode"), "4");
    EXPECT_EQ(key_value(lines, "HideVarchar"), "1");
    EXPECT_EQ(connect_to(dsn, diag), SQL_SUCCESS) << diag;

    std::string remove = attributes({"DSN=" + dsn + ";"});
    ASSERT_TRUE(SQLConfigDataSource(nullptr, ODBC_REMOVE_DSN, driver_name, remove.c_str()))
        << installer_errors();
    EXPECT_TRUE(section_lines(dsn).empty());
    // Asked of a fresh process: this one's installer library keeps what it
    // has read of the files for a while.
    std::string command = "echo | isql -b " + dsn + " >/dev/null 2>&1";
    EXPECT_NE(std::system(command.c_str()), 0) << "the data source still connects";
}

// The library's own exports, for requests and arguments the driver manager
// filters or changes on the way.
class SetupLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        library_ = dlopen(BROLIX_SETUP_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library_, nullptr) << dlerror();
        config_dsn_ = reinterpret_cast<decltype(config_dsn_)>(dlsym(library_, "ConfigDSN"));
        config_dsn_i_ = reinterpret_cast<decltype(config_dsn_i_)>(dlsym(library_, "ConfigDSN_I"));
        config_driver_ = reinterpret_cast<decltype(config_driver_)>(dlsym(library_, "ConfigDriver"));
        ASSERT_TRUE(config_dsn_ && config_dsn_i_ && config_driver_);
    }
    void TearDown() override
    {
        if (library_ != nullptr) dlclose(library_);
    }

    void* library_ = nullptr;
    BOOL (*config_dsn_)(HWND, WORD, LPCSTR, LPCSTR) = nullptr;
    unsigned char (*config_dsn_i_)(HWND, WORD, LPCSTR, LPCSTR) = nullptr;
    BOOL (*config_driver_)(HWND, WORD, LPCSTR, LPCSTR, LPSTR, WORD, WORD*) = nullptr;
};

TEST_F(SetupLibrary, ExportsOnlyItsEntryPoints)
{
    std::set<std::string> exported;
    std::string command = std::string("nm -D --defined-only '") + BROLIX_SETUP_PATH + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    char line[512];
    while (pipe && std::fgets(line, sizeof line, pipe.get())) {
        std::string name(line);
        name = name.substr(name.find_last_of(' ') + 1);
        while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
        exported.insert(name);
    }
    const std::set<std::string> entry_points = {"ConfigDSN", "ConfigDSN_I", "ConfigDriver", "complete_info",
                                                "complete_error"};
    EXPECT_EQ(exported, entry_points);
}

TEST_F(SetupLibrary, RefusedRequests)
{
    struct Case {
        WORD request;
        std::string attributes;
        bool null_list;
        std::string error;
    };
    const Case cases[] = {
        {ODBC_ADD_SYS_DSN, attributes({"DSN=x"}), false, "5 Invalid type of request"},
        {ODBC_CONFIG_DSN, attributes({}), false, "7 Invalid lpszAttributes"},
        {ODBC_REMOVE_DSN, "", true, "7 Invalid lpszAttributes"},
        {ODBC_REMOVE_DSN, attributes({"DESC=no name"}), false, "7 Invalid DSN specified to ODBC_REMOVE_DSN"},
        // Without a window and without a name there is nothing to write.
        {ODBC_ADD_DSN, attributes({"DB=/x.fdb"}), false, ""},
    };
    for (const auto& c : cases) {
        const char* list = c.null_list ? nullptr : c.attributes.c_str();
        EXPECT_FALSE(config_dsn_(nullptr, c.request, driver_name, list)) << c.request << " " << c.error;
        if (!c.error.empty()) {
            EXPECT_NE(installer_errors().find(c.error), std::string::npos) << c.error;
        }
        EXPECT_EQ(config_dsn_i_(nullptr, c.request, driver_name, list), 0) << c.request;
    }
}

TEST_F(SetupLibrary, ConfigDriverAnswersWithItsMessage)
{
    char message[64];
    WORD length = 0;
    std::memset(message, 'x', sizeof message);
    EXPECT_TRUE(config_driver_(nullptr, ODBC_INSTALL_DRIVER, driver_name, "", message, 10, &length));
    EXPECT_STREQ(message, "Bye Bye f");
    EXPECT_EQ(length, 46);
    EXPECT_TRUE(config_driver_(nullptr, ODBC_REMOVE_DRIVER, driver_name, "", message, 47, nullptr));
    EXPECT_STREQ(message, "Bye Bye from the Tarnwell Firebird ODBC Driver");
    message[0] = 'x';
    EXPECT_TRUE(config_driver_(nullptr, ODBC_INSTALL_DRIVER, driver_name, "", message, 0, &length));
    EXPECT_EQ(message[0], 'x');
    EXPECT_FALSE(config_driver_(nullptr, ODBC_CONFIG_DRIVER, driver_name, "", message, 64, &length));
    EXPECT_NE(installer_errors().find("5 Invalid type of request"), std::string::npos);
}

}  // namespace
