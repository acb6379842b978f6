// Helpers shared by the unit tests: handles allocated through the same
// bodies the exports use, released when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

#include "client_api.h"
#include "guard.h"
#include "handle_lifecycle.h"

template <typename Record>
Record* as_record(SQLHANDLE handle)
{
    return handle_cast<Record>(handle);
}

inline const DiagRecord* first_diag(SQLHANDLE handle)
{
    return diag_record(static_cast<HandleHeader*>(handle), 1);
}

// An environment and a connection (unattached), freed at the end.
class HandleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(bind_client_library(), 1) << "libfbclient is needed to allocate connections";
        ASSERT_EQ(alloc_handle_guarded(SQL_HANDLE_ENV, nullptr, &env), SQL_SUCCESS);
        ASSERT_EQ(alloc_handle_guarded(SQL_HANDLE_DBC, env, &dbc), SQL_SUCCESS);
    }
    void TearDown() override
    {
        if (dbc) {
            EXPECT_EQ(free_handle_guarded(SQL_HANDLE_DBC, dbc), SQL_SUCCESS);
        }
        if (env) {
            EXPECT_EQ(free_handle_guarded(SQL_HANDLE_ENV, env), SQL_SUCCESS);
        }
    }
    Connection& connection() { return *as_record<Connection>(dbc); }

    SQLHANDLE alloc_statement()
    {
        SQLHANDLE stmt = nullptr;
        EXPECT_EQ(alloc_handle_guarded(SQL_HANDLE_STMT, dbc, &stmt), SQL_SUCCESS);
        return stmt;
    }

    SQLHANDLE env = nullptr;
    SQLHANDLE dbc = nullptr;
};

// Replaces one entry of the bound client's table for the length of a scope,
// so that a test can make a client call fail, or watch it, without a server.
template <auto ClientApi::*Entry>
class ClientEntryOverride {
public:
    using Fn = std::remove_reference_t<decltype(std::declval<ClientApi&>().*Entry)>;
    explicit ClientEntryOverride(Fn replacement) : saved_(table().*Entry) { table().*Entry = replacement; }
    ~ClientEntryOverride() { table().*Entry = saved_; }
    ClientEntryOverride(const ClientEntryOverride&) = delete;
    ClientEntryOverride& operator=(const ClientEntryOverride&) = delete;

private:
    // The table is the driver's one writable instance, handed out read-only.
    static ClientApi& table() { return const_cast<ClientApi&>(client_api()); }
    Fn saved_;
};
