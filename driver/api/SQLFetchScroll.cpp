#include "fetch.h"
#include "guard.h"

// Cursors are forward-only: NEXT, and FIRST while nothing was fetched yet.
BROLIX_EXPORT SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT StatementHandle, SQLSMALLINT FetchOrientation,
                                               SQLLEN FetchOffset)
{
    return guarded<Statement>(StatementHandle,
                              [&](Statement& s) { return fetch_scroll(s, FetchOrientation); });
}
