// The Firebird client library, bound at run time.
//
// The driver never links fbclient: it loads the library by name when the
// driver is loaded and resolves the isc_* entry points it uses into one
// process-wide table. Code elsewhere calls the client only through the
// wrappers of namespace `client`, which apply the serialisation rule (clients
// below major version 7 are not thread-safe, so every call runs under
// driver_lock) and refuse to call an entry the library does not export.
#pragma once

#include "firebird_api.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "diagnostics.h"

// The entry points, in the order they are resolved.
#define BROLIX_CLIENT_ENTRIES(X)       \
    X(isc_attach_database)             \
    X(isc_blob_info)                   \
    X(isc_close_blob)                  \
    X(isc_commit_retaining)            \
    X(isc_commit_transaction)          \
    X(isc_create_blob2)                \
    X(isc_database_info)               \
    X(isc_decode_sql_date)             \
    X(isc_decode_sql_time)             \
    X(isc_decode_timestamp)            \
    X(isc_detach_database)             \
    X(isc_dsql_allocate_statement)     \
    X(isc_dsql_describe)               \
    X(isc_dsql_describe_bind)          \
    X(isc_dsql_execute)                \
    X(isc_dsql_execute2)               \
    X(isc_dsql_fetch)                  \
    X(isc_dsql_free_statement)         \
    X(isc_dsql_prepare)                \
    X(isc_dsql_set_cursor_name)        \
    X(isc_dsql_sql_info)               \
    X(isc_encode_sql_date)             \
    X(isc_encode_sql_time)             \
    X(isc_get_segment)                 \
    X(isc_interprete)                  \
    X(isc_open_blob2)                  \
    X(isc_put_segment)                 \
    X(isc_rollback_retaining)          \
    X(isc_rollback_transaction)        \
    X(isc_sqlcode)                     \
    X(isc_start_transaction)           \
    X(isc_vax_integer)                 \
    X(isc_open_blob)                   \
    X(isc_get_client_version)          \
    X(isc_get_client_major_version)    \
    X(isc_get_client_minor_version)    \
    X(fb_cancel_operation)

// Function pointers typed from the client's own declarations; null when the
// library does not export the name.
// isc_interprete is deprecated in the headers but is the text source every
// client version offers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
struct ClientApi {
#define BROLIX_CLIENT_MEMBER(name) decltype(&::name) name;
    BROLIX_CLIENT_ENTRIES(BROLIX_CLIENT_MEMBER)
#undef BROLIX_CLIENT_MEMBER
};
#pragma GCC diagnostic pop

// True when a status vector holds an error (its first word 1, its second
// not 0).
inline bool status_failed(const ISC_STATUS* status) { return status[0] == 1 && status[1] != 0; }

// The library names tried, current client first, legacy one second.
const std::vector<std::string>& default_client_library_names();

// Loads and binds the client library if it is not bound yet. Returns 1 when
// bound (also when it already was), 0 when no library could be loaded.
int bind_client_library();

// The same with an explicit list of names or paths; the first one that loads
// is bound. Tests bind fake client libraries through it.
int bind_client_library_from(const std::vector<std::string>& names);

// Forgets the binding and unloads the library (library unload, and tests).
void unbind_client_library();

// The table. Entries are null while unbound.
const ClientApi& client_api();

// True when the library is bound (isc_attach_database resolved).
bool client_bound();

// Path or name of the bound library, "" when none.
std::string client_library_name();

int client_major_version();
int client_minor_version();

// The process-wide, re-entrant lock of the driver: it guards the handle lists
// of connections and, for old clients, every call into the client library.
std::recursive_mutex& driver_lock();

// True when client calls must be serialised (major version below 7).
inline bool client_calls_serialised() { return client_major_version() < 7; }

// Holds driver_lock for a group of client calls when the rule asks for it.
class ClientCallLock {
public:
    ClientCallLock() : locked_(client_calls_serialised())
    {
        if (locked_) driver_lock().lock();
    }
    ~ClientCallLock() { release(); }
    // Releases the lock before the end of the scope (for work that must run
    // unlocked, or that takes it again itself).
    void release()
    {
        if (locked_) driver_lock().unlock();
        locked_ = false;
    }
    ClientCallLock(const ClientCallLock&) = delete;
    ClientCallLock& operator=(const ClientCallLock&) = delete;

private:
    bool locked_;
};

[[noreturn]] void throw_missing_client_entry(const char* name);

// Asks the server to stop the operation another thread is running on the
// attachment `db` (fb_cancel_operation with fb_cancel_raise); the running
// call then fails with the server's "operation was cancelled".
//
// This is the one client call made without driver_lock, whatever the
// client's version: the call being cancelled holds that lock for its whole
// length (a fetch, an execute), so waiting for it would only cancel what has
// already ended. fb_cancel_operation exists to be called concurrently with a
// running call on the same attachment, and only clients that are safe to call
// from several threads export it. Its status goes to a vector of its own, not
// to one the running call is using.
// False when the client has no fb_cancel_operation or the server refused
// (nothing running, for one).
bool cancel_running_operation(isc_db_handle* db);

// Calls one entry of the table under the serialisation rule.
template <auto ClientApi::*Entry, typename... Args>
decltype(auto) client_call(const char* name, Args&&... args)
{
    auto fn = client_api().*Entry;
    if (fn == nullptr) throw_missing_client_entry(name);
    ClientCallLock lock;
    return fn(std::forward<Args>(args)...);
}

// client::isc_xxx(...) calls the bound entry isc_xxx. The global isc_xxx
// names are declared by ibase.h but never defined in the driver, so a call
// that bypasses these wrappers does not link.
namespace client {
#define BROLIX_CLIENT_WRAPPER(name)                                                 \
    template <typename... Args>                                                     \
    inline decltype(auto) name(Args&&... args)                                      \
    {                                                                               \
        return client_call<&ClientApi::name>(#name, std::forward<Args>(args)...); \
    }
BROLIX_CLIENT_ENTRIES(BROLIX_CLIENT_WRAPPER)
#undef BROLIX_CLIENT_WRAPPER

// True when the library exports the entry (for the optional ones).
#define BROLIX_CLIENT_HAS(name) (client_api().name != nullptr)
}  // namespace client
