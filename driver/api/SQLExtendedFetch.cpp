#include "fetch.h"
#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLExtendedFetch(SQLHSTMT StatementHandle, SQLUSMALLINT FetchOrientation,
                                                 SQLLEN FetchOffset, SQLULEN* RowCountPtr,
                                                 SQLUSMALLINT* RowStatusArray)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return extended_fetch(s, FetchOrientation, RowCountPtr, RowStatusArray);
    });
}
