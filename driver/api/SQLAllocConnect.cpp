#include "guard.h"
#include "handle_lifecycle.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLAllocConnect(SQLHENV EnvironmentHandle, SQLHDBC* ConnectionHandle)
{
    return alloc_handle_guarded(SQL_HANDLE_DBC, EnvironmentHandle, ConnectionHandle);
}
