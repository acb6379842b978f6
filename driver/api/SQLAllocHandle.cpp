#include "guard.h"
#include "handle_lifecycle.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT HandleType, SQLHANDLE InputHandle,
                                               SQLHANDLE* OutputHandle)
{
    return alloc_handle_guarded(HandleType, InputHandle, OutputHandle);
}
