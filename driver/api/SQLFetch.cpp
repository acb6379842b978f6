#include "fetch.h"
#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLFetch(SQLHSTMT StatementHandle)
{
    return guarded<Statement>(StatementHandle, [](Statement& s) { return fetch_rowset(s); });
}
