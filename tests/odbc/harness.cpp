#include "harness.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace odbc_test {

namespace {

struct ProcessDatabase {
    std::string path;
    ProcessDatabase()
    {
        std::string dir = required_env("BROLIX_TEST_DIR");
        path = dir + "/odbc-test-" + std::to_string(getpid()) + ".fdb";
        std::remove(path.c_str());
        std::string script = dir + "/create-" + std::to_string(getpid()) + ".sql";
        std::ofstream(script) << "CREATE DATABASE '" << path
                              << "' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;\n";
        std::string command = "isql-fb -q -i '" + script + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) ADD_FAILURE() << "could not create " << path;
        std::remove(script.c_str());
    }
    ~ProcessDatabase() { std::remove(path.c_str()); }
};

}  // namespace

const std::string& process_database()
{
    static ProcessDatabase database;
    return database.path;
}

DirectDriver::DirectDriver()
{
    library_ = dlopen(BROLIX_DRIVER_PATH, RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) ADD_FAILURE() << "cannot load the driver: " << dlerror();
}

DirectDriver::~DirectDriver()
{
    if (library_ != nullptr) dlclose(library_);
}

}  // namespace odbc_test
