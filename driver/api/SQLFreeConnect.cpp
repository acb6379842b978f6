#include "guard.h"
#include "handle_lifecycle.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLFreeConnect(SQLHDBC ConnectionHandle)
{
    return free_handle_guarded(SQL_HANDLE_DBC, ConnectionHandle);
}
