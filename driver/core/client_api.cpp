#include "client_api.h"

#include <dlfcn.h>

#include <cstdio>

#include "date_codec.h"

namespace {

// Plain data only at namespace scope: the binding runs from the library's
// load-time initializer, before other globals of the library are constructed.
ClientApi api;
void* client_library = nullptr;
char bound_name[512];
int major_version = 6;
int minor_version = 0;

void resolve_entries(void* library)
{
#define BROLIX_CLIENT_RESOLVE(name) \
    api.name = reinterpret_cast<decltype(api.name)>(dlsym(library, #name));
    BROLIX_CLIENT_ENTRIES(BROLIX_CLIENT_RESOLVE)
#undef BROLIX_CLIENT_RESOLVE
}

// Older clients lack some date and time codecs; the driver's own stand in.
void install_codec_fallbacks()
{
    if (api.isc_encode_sql_date == nullptr) api.isc_encode_sql_date = driver_encode_sql_date;
    if (api.isc_encode_sql_time == nullptr) api.isc_encode_sql_time = driver_encode_sql_time;
    if (api.isc_decode_sql_time == nullptr) api.isc_decode_sql_time = driver_decode_sql_time;
    if (api.isc_decode_sql_date == nullptr) api.isc_decode_sql_date = driver_decode_sql_date;
    if (api.isc_decode_timestamp == nullptr) api.isc_decode_timestamp = driver_decode_timestamp;
}

}  // namespace

const std::vector<std::string>& default_client_library_names()
{
    static const std::vector<std::string> names = {
        "libfbclient.so.2",
        "libfbclient.so",
        "libgds.so.0",
        "libgds.so",
    };
    return names;
}

int bind_client_library()
{
    return bind_client_library_from(default_client_library_names());
}

int bind_client_library_from(const std::vector<std::string>& names)
{
    std::lock_guard<std::recursive_mutex> guard(driver_lock());
    if (api.isc_attach_database != nullptr) return 1;
    if (client_library == nullptr) {
        for (const auto& name : names) {
            // Kept mapped after it is released: the client runs threads and
            // exit handlers of its own that must not outlive its code.
            client_library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
            if (client_library != nullptr) {
                std::snprintf(bound_name, sizeof bound_name, "%s", name.c_str());
                break;
            }
        }
        if (client_library == nullptr) return 0;
    }
    resolve_entries(client_library);
    install_codec_fallbacks();
    minor_version = api.isc_get_client_minor_version ? api.isc_get_client_minor_version() : 0;
    major_version = api.isc_get_client_major_version ? api.isc_get_client_major_version() : 6;
    return 1;
}

void unbind_client_library()
{
    std::lock_guard<std::recursive_mutex> guard(driver_lock());
    api = ClientApi{};
    if (client_library != nullptr) dlclose(client_library);
    client_library = nullptr;
    bound_name[0] = '\0';
    major_version = 6;
    minor_version = 0;
}

const ClientApi& client_api() { return api; }

bool client_bound() { return api.isc_attach_database != nullptr; }

std::string client_library_name() { return bound_name; }

int client_major_version() { return major_version; }

int client_minor_version() { return minor_version; }

std::recursive_mutex& driver_lock()
{
    // Never destroyed: the lock must outlive every static destructor that may
    // still free handles at process exit.
    static auto* lock = new std::recursive_mutex;
    return *lock;
}

void throw_missing_client_entry(const char* name)
{
    throw DriverError("HY000", std::string("The Firebird client library does not export ") + name);
}

bool cancel_running_operation(isc_db_handle* db)
{
    auto cancel = api.fb_cancel_operation;
    if (cancel == nullptr || db == nullptr || *db == 0) return false;
    ISC_STATUS_ARRAY status = {};
    return cancel(status, db, fb_cancel_raise) == 0;
}
