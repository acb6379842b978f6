#include "guard.h"
#include "handle_lifecycle.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLAllocStmt(SQLHDBC ConnectionHandle, SQLHSTMT* StatementHandle)
{
    return alloc_handle_guarded(SQL_HANDLE_STMT, ConnectionHandle, StatementHandle);
}
