// The driver library exports the ODBC functions of its function table and
// nothing else (no C++ symbol, no internal helper), and SQLGetFunctions
// reports exactly those.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

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

struct ListedFunction {
    const char* name;
    SQLUSMALLINT code;
    bool with_wide;
};

constexpr bool narrow_only = false;
constexpr bool with_wide = true;

#define BROLIX_FUNCTION(name, code, width) {#name, code, width},
constexpr ListedFunction listed_functions[] = {
#include "functions.def"
};

std::set<std::string> listed_exports()
{
    std::set<std::string> names;
    for (const ListedFunction& f : listed_functions) {
        names.insert(f.name);
        if (f.with_wide) names.insert(std::string(f.name) + "W");
    }
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

TEST(Exports, EachSourceFileIsListed)
{
    // A function written but left out of the table would be hidden silently.
    std::set<std::string> listed = listed_exports();
    for (const auto& entry : std::filesystem::directory_iterator(BROLIX_API_DIR))
        if (entry.path().extension() == ".cpp") {
            EXPECT_TRUE(listed.count(entry.path().stem().string())) << entry.path();
        }
}

TEST(Exports, GetFunctionsReportsExactlyTheExports)
{
    // The driver's own answer, without the driver manager in between.
    void* library = dlopen(BROLIX_DRIVER_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto alloc = reinterpret_cast<SQLRETURN (*)(SQLSMALLINT, SQLHANDLE, SQLHANDLE*)>(
        dlsym(library, "SQLAllocHandle"));
    auto set_env = reinterpret_cast<SQLRETURN (*)(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER)>(
        dlsym(library, "SQLSetEnvAttr"));
    auto get_functions = reinterpret_cast<SQLRETURN (*)(SQLHDBC, SQLUSMALLINT, SQLUSMALLINT*)>(
        dlsym(library, "SQLGetFunctions"));
    auto free_handle = reinterpret_cast<SQLRETURN (*)(SQLSMALLINT, SQLHANDLE)>(dlsym(library, "SQLFreeHandle"));
    ASSERT_TRUE(alloc && set_env && get_functions && free_handle);

    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    ASSERT_EQ(alloc(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env), SQL_SUCCESS);
    set_env(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    ASSERT_EQ(alloc(SQL_HANDLE_DBC, env, &dbc), SQL_SUCCESS);
    SQLUSMALLINT bitmap[SQL_API_ODBC3_ALL_FUNCTIONS_SIZE] = {};
    ASSERT_EQ(get_functions(dbc, SQL_API_ODBC3_ALL_FUNCTIONS, bitmap), SQL_SUCCESS);
    free_handle(SQL_HANDLE_DBC, dbc);
    free_handle(SQL_HANDLE_ENV, env);
    dlclose(library);

    std::set<int> reported, listed;
    for (int code = 0; code < SQL_API_ODBC3_ALL_FUNCTIONS_SIZE * 16; ++code)
        if (SQL_FUNC_EXISTS(bitmap, code)) reported.insert(code);
    for (const ListedFunction& f : listed_functions) listed.insert(f.code);
    EXPECT_EQ(reported, listed);
}

}  // namespace
