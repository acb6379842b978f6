#include "guard.h"
#include "handle_lifecycle.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT StatementHandle, SQLUSMALLINT Option)
{
    return guarded<Statement>(StatementHandle,
                              [&](Statement& s) { return free_statement_option(s, Option); });
}
