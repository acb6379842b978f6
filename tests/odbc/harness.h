// The integration-test harness: RAII handles through the unixODBC driver
// manager, the test databases, and direct access to the built driver's
// exports for the behaviour the driver manager would hide.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <string>
#include <utility>

namespace odbc_test {

// A variable the test environment script sets; fails the test when absent.
inline std::string required_env(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        ADD_FAILURE() << name << " is not set: run the tests through scripts/run-tests.sh";
        return {};
    }
    return value;
}

// SQL text as the narrow ODBC calls take it.
inline SQLCHAR* sql(const char* text)
{
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text));
}
inline SQLCHAR* sql(const std::string& text)
{
    return sql(text.c_str());
}

// The SQLSTATE of one diagnostic record of a handle; "" when there is none.
inline std::string state_of(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record = 1)
{
    SQLCHAR state[6] = {};
    SQLINTEGER native;
    SQLSMALLINT length;
    SQLGetDiagRec(type, handle, record, state, &native, nullptr, 0, &length);
    return reinterpret_cast<char*>(state);
}

// The SQLSTATE of a statement's first diagnostic record.
inline std::string state_of(SQLHSTMT statement)
{
    return state_of(SQL_HANDLE_STMT, statement);
}

// All diagnostic records of a handle, one per line, as "SQLSTATE native text".
inline std::string diagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
    std::string all;
    SQLCHAR state[6];
    SQLINTEGER native;
    SQLCHAR text[1024];
    SQLSMALLINT length;
    for (SQLSMALLINT i = 1; SQLGetDiagRec(type, handle, i, state, &native, text, sizeof text, &length) ==
                            SQL_SUCCESS;
         ++i) {
        all += reinterpret_cast<char*>(state);
        all += " " + std::to_string(native) + " " + reinterpret_cast<char*>(text) + "\n";
    }
    return all;
}

// One handle of the driver manager, freed when it goes out of scope.
// Statements must go before their connection is disconnected, which frees
// them: keep them in an inner scope.
template <SQLSMALLINT Type>
class Handle {
public:
    Handle() = default;
    explicit Handle(SQLHANDLE parent)
    {
        SQLRETURN rc = SQLAllocHandle(Type, parent, &handle_);
        if (!SQL_SUCCEEDED(rc)) handle_ = SQL_NULL_HANDLE;
    }
    ~Handle()
    {
        if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(Type, handle_);
    }
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, SQLHANDLE{})) {}
    Handle& operator=(Handle&&) = delete;
    Handle(const Handle&) = delete;

    SQLHANDLE get() const { return handle_; }
    operator SQLHANDLE() const { return handle_; }
    std::string diag() const { return diagnostics(Type, handle_); }

private:
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

using Env = Handle<SQL_HANDLE_ENV>;
using Dbc = Handle<SQL_HANDLE_DBC>;
using Stmt = Handle<SQL_HANDLE_STMT>;

// An ODBC 3 environment of the driver manager.
inline Env odbc3_env()
{
    Env env(SQL_NULL_HANDLE);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    return env;
}

// A database of this test process's own, created on first use and dropped
// at exit: one database file cannot be open in two processes at once.
const std::string& process_database();

// Connects `dbc` through the driver to this process's database as SYSDBA,
// `options` ("KEY=value;...") appended to the connection string. A failure
// carries the connection's diagnostics.
inline ::testing::AssertionResult connect_to_test_database(const Dbc& dbc, const std::string& options = "")
{
    const std::string in = "DRIVER={Tarnwell Firebird ODBC};DATABASE=" + process_database() + ";UID=SYSDBA;" + options;
    const SQLRETURN rc =
        SQLDriverConnect(dbc, nullptr, sql(in), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (rc == SQL_SUCCESS) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "SQLDriverConnect gave " << rc << " for " << in << "\n" << dbc.diag();
}

// The built driver loaded directly, for calling its exports without the
// driver manager in between.
class DirectDriver {
public:
    DirectDriver();
    ~DirectDriver();
    template <typename Fn>
    Fn* entry(const char* name) const
    {
        return reinterpret_cast<Fn*>(dlsym(library_, name));
    }

private:
    void* library_ = nullptr;
};

}  // namespace odbc_test
