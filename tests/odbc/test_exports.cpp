// The driver library exports the ODBC functions it implements and nothing
// else: no C++ symbol, no internal helper.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

namespace {

std::set<std::string> exported_symbols()
{
    std::set<std::string> names;
    std::string command = std::string("nm -D --defined-only '") + BROLIX_DRIVER_PATH + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    char line[512];
    while (pipe && std::fgets(line, sizeof line, pipe.get())) {
        std::string text(line);
        auto space = text.find_last_of(' ');
        std::string name = text.substr(space + 1);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        names.insert(name);
    }
    return names;
}

std::set<std::string> listed_exports()
{
    std::set<std::string> names;
    std::ifstream in(BROLIX_EXPORTS_FILE);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("SQL", 0) == 0) names.insert(line);
    return names;
}

TEST(Exports, ExactlyTheImplementedOdbcFunctions)
{
    std::set<std::string> listed = listed_exports();
    ASSERT_FALSE(listed.empty());
    EXPECT_EQ(exported_symbols(), listed);
}

TEST(Exports, EachExportHasItsSourceFile)
{
    // SQLXxx lives in api/SQLXxx.cpp; SQLXxxW beside its narrow twin.
    for (const std::string& name : listed_exports()) {
        std::filesystem::path file = std::filesystem::path(BROLIX_API_DIR) / (name + ".cpp");
        std::filesystem::path narrow =
            std::filesystem::path(BROLIX_API_DIR) / (name.substr(0, name.size() - 1) + ".cpp");
        EXPECT_TRUE(std::filesystem::exists(file) || (name.back() == 'W' && std::filesystem::exists(narrow)))
            << name;
    }
}

}  // namespace
