#include "guard.h"
#include "handle_lifecycle.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLFreeEnv(SQLHENV EnvironmentHandle)
{
    return free_handle_guarded(SQL_HANDLE_ENV, EnvironmentHandle);
}
