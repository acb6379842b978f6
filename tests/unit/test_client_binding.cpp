// Binding of the client library: the order of the names tried, the
// serialisation rule, the codec fallbacks and missing entries. Fake client
// libraries built by the tests stand in for Firebird's.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <thread>

#include "client_api.h"
#include "date_codec.h"
#include "handle_lifecycle.h"

namespace {

std::string fake_dir(const std::string& name) { return std::string(BROLIX_FAKE_CLIENT_DIR) + "/" + name; }

std::vector<std::string> names_in(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& name : default_client_library_names()) names.push_back(dir + "/" + name);
    return names;
}

std::string bound_version_text()
{
    char text[64] = {};
    client::isc_get_client_version(text);
    return text;
}

class ClientBinding : public ::testing::Test {
protected:
    void SetUp() override { unbind_client_library(); }
    void TearDown() override
    {
        unbind_client_library();
        ASSERT_EQ(bind_client_library(), 1);
    }
};

TEST_F(ClientBinding, PrefersTheCurrentClientOverTheLegacyOne)
{
    ASSERT_EQ(bind_client_library_from(names_in(fake_dir("v3"))), 1);
    EXPECT_EQ(client_library_name(), fake_dir("v3") + "/libfbclient.so.2");
    EXPECT_EQ(bound_version_text(), "fake-v3");
    EXPECT_EQ(client_major_version(), 3);
    EXPECT_EQ(client_minor_version(), 1);
}

TEST_F(ClientBinding, FallsBackToTheLegacyClient)
{
    ASSERT_EQ(bind_client_library_from(names_in(fake_dir("legacy"))), 1);
    EXPECT_EQ(client_library_name(), fake_dir("legacy") + "/libgds.so.0");
    EXPECT_EQ(bound_version_text(), "fake-legacy");
    // No version entries: treated as an old client.
    EXPECT_EQ(client_major_version(), 6);
    EXPECT_EQ(client_minor_version(), 0);
    EXPECT_TRUE(client_calls_serialised());
}

TEST_F(ClientBinding, BindingIsKeptOnceMade)
{
    ASSERT_EQ(bind_client_library_from(names_in(fake_dir("v7"))), 1);
    ASSERT_EQ(bind_client_library_from(names_in(fake_dir("v3"))), 1);
    EXPECT_EQ(bound_version_text(), "fake-v7");
}

TEST_F(ClientBinding, WithoutAnyLibraryConnectionsAreRefused)
{
    EXPECT_EQ(bind_client_library_from(names_in(fake_dir("nowhere"))), 0);
    EXPECT_FALSE(client_bound());

    SQLHANDLE env = nullptr, dbc = reinterpret_cast<SQLHANDLE>(0x1);
    ASSERT_EQ(alloc_handle_guarded(SQL_HANDLE_ENV, nullptr, &env), SQL_SUCCESS);
    EXPECT_EQ(alloc_handle_guarded(SQL_HANDLE_DBC, env, &dbc), SQL_ERROR);
    EXPECT_EQ(dbc, nullptr);
    const DiagRecord* record = diag_record(static_cast<HandleHeader*>(env), 1);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->sqlstate, "HY000");
    EXPECT_EQ(record->native_error, 140);
    EXPECT_STREQ(record->message_text, "Unable to load GDS32.DLL or FBCLIENT.DLL");
    free_handle_guarded(SQL_HANDLE_ENV, env);
}

// Set by the probe that the fake library calls from inside a client call:
// whether another thread found driver_lock taken at that moment.
std::atomic<int> lock_was_held{-1};

void probe_driver_lock()
{
    std::thread other([] {
        bool acquired = driver_lock().try_lock();
        if (acquired) driver_lock().unlock();
        lock_was_held = acquired ? 0 : 1;
    });
    other.join();
}

void install_probe(const std::string& library)
{
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    auto set_probe = reinterpret_cast<void (*)(void (*)())>(dlsym(handle, "fake_client_set_probe"));
    ASSERT_NE(set_probe, nullptr);
    set_probe(probe_driver_lock);
    dlclose(handle);
}

TEST_F(ClientBinding, ClientsBelowVersion7AreCalledUnderTheDriverLock)
{
    struct Case {
        const char* dir;
        int expect_held;
    };
    for (const Case& c : {Case{"v3", 1}, Case{"legacy", 1}, Case{"v7", 0}}) {
        SCOPED_TRACE(c.dir);
        unbind_client_library();
        ASSERT_EQ(bind_client_library_from(names_in(fake_dir(c.dir))), 1);
        install_probe(client_library_name());

        ISC_STATUS status[20] = {1, 0, 0};
        lock_was_held = -1;
        EXPECT_EQ(client::isc_sqlcode(status), -999);
        EXPECT_EQ(lock_was_held, c.expect_held);

        isc_db_handle db = 0;
        lock_was_held = -1;
        client::isc_attach_database(status, 0, "x", &db, 0, nullptr);
        EXPECT_EQ(lock_was_held, c.expect_held);
        EXPECT_EQ(db, 1u);
    }
}

TEST_F(ClientBinding, MissingCodecsAreReplacedByTheDriversOwn)
{
    ASSERT_EQ(bind_client_library_from(names_in(fake_dir("v3"))), 1);
    const ClientApi& api = client_api();
    EXPECT_EQ(api.isc_decode_sql_date, &driver_decode_sql_date);
    EXPECT_EQ(api.isc_decode_sql_time, &driver_decode_sql_time);
    EXPECT_EQ(api.isc_decode_timestamp, &driver_decode_timestamp);
    EXPECT_EQ(api.isc_encode_sql_date, &driver_encode_sql_date);
    EXPECT_EQ(api.isc_encode_sql_time, &driver_encode_sql_time);

    // The fallback decodes like the client would.
    ISC_DATE day = 51544;
    std::tm fields{};
    client::isc_decode_sql_date(&day, &fields);
    EXPECT_EQ(fields.tm_year, 100);
    EXPECT_EQ(fields.tm_mon, 0);
    EXPECT_EQ(fields.tm_mday, 1);
}

TEST_F(ClientBinding, TheRealClientKeepsItsOwnCodecs)
{
    ASSERT_EQ(bind_client_library(), 1);
    EXPECT_NE(client_api().isc_decode_sql_date, &driver_decode_sql_date);
    EXPECT_NE(client_api().isc_rollback_retaining, nullptr);
}

TEST_F(ClientBinding, AMissingEntryIsNeverCalled)
{
    ASSERT_EQ(bind_client_library_from(names_in(fake_dir("v3"))), 1);
    ISC_STATUS status[20] = {};
    isc_stmt_handle statement = 0;
    isc_db_handle db = 1;
    try {
        client::isc_dsql_allocate_statement(status, &db, &statement);
        FAIL() << "a missing entry was called";
    } catch (const DriverError& e) {
        EXPECT_STREQ(e.sqlstate(), "HY000");
        EXPECT_NE(std::string(e.what()).find("isc_dsql_allocate_statement"), std::string::npos);
    }
}

}  // namespace
