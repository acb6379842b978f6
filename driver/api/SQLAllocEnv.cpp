#include "guard.h"
#include "handle_lifecycle.h"

// The ODBC 2 allocation: the environment starts in ODBC 2 behaviour.
BROLIX_EXPORT SQLRETURN SQL_API SQLAllocEnv(SQLHENV* EnvironmentHandle)
{
    SQLRETURN rc = alloc_handle_guarded(SQL_HANDLE_ENV, SQL_NULL_HANDLE, EnvironmentHandle);
    if (SQL_SUCCEEDED(rc)) static_cast<Environment*>(static_cast<HandleHeader*>(*EnvironmentHandle))->odbc_version = 2;
    return rc;
}
