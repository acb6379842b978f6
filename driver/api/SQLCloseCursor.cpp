#include "guard.h"
#include "handle_lifecycle.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT StatementHandle)
{
    return guarded<Statement>(StatementHandle, [](Statement& s) { return close_statement(s, 0); });
}
