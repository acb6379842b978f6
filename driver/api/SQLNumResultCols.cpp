#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT StatementHandle, SQLSMALLINT* ColumnCountPtr)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        if (ColumnCountPtr == nullptr) return post_error(&s, "HY009");
        *ColumnCountPtr = s.ird->count > 0 ? s.ird->count : 0;
        return SQL_SUCCESS;
    });
}
