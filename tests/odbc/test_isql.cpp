// unixODBC's own isql against the registered driver, as a user would run it.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "harness.h"

namespace {

using odbc_test::required_env;

std::string run_isql(const std::string& arguments, const std::string& input)
{
    // The statement goes through a file: it holds characters the shell would
    // expand.
    std::string file = required_env("BROLIX_TEST_DIR") + "/isql-input-" + std::to_string(getpid()) + ".sql";
    std::ofstream(file) << input << "\n";
    // A sanitized driver needs its runtimes preloaded into isql.
    const char* preload = std::getenv("BROLIX_TOOL_PRELOAD");
    std::string prefix = preload != nullptr && *preload != '\0' ? "LD_PRELOAD='" + std::string(preload) + "' " : "";
    std::string command = prefix + "isql " + arguments + " < '" + file + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string output;
    char buffer[512];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) output += buffer;
    std::remove(file.c_str());
    return output;
}

TEST(Isql, ConnectsToBothDataSourcesAndShowsRows)
{
    ASSERT_FALSE(required_env("ODBCSYSINI").empty());
    for (const char* dsn : {"brolix_embedded", "brolix_server"}) {
        SCOPED_TRACE(dsn);
        std::string output = run_isql(std::string("-v -b ") + dsn,
                                      "SELECT 40 + 2 AS ANSWER, 'größe' AS WORD FROM RDB$DATABASE");
        EXPECT_NE(output.find("| 42"), std::string::npos) << output;
        EXPECT_NE(output.find("größe"), std::string::npos) << output;
        EXPECT_NE(output.find("1 rows fetched"), std::string::npos) << output;
    }
}

TEST(Isql, AWrongPasswordIsReported)
{
    std::string output = run_isql("-v -b brolix_server SYSDBA wrong", "");
    EXPECT_NE(output.find("[08S01]"), std::string::npos) << output;
    EXPECT_NE(output.find("Your user name and password are not defined"), std::string::npos) << output;
}

}  // namespace
