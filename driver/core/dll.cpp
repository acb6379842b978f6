// Library entry and exit of the driver: the client library is bound when the
// driver is loaded into a process, and unloaded with it.
#include "client_api.h"

namespace {

__attribute__((constructor)) void driver_loaded()
{
    bind_client_library();
}

__attribute__((destructor)) void driver_unloaded()
{
    unbind_client_library();
}

}  // namespace
