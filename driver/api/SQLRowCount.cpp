#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLRowCount(SQLHSTMT StatementHandle, SQLLEN* RowCountPtr)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        if (RowCountPtr == nullptr) return post_error(&s, "HY009");
        *RowCountPtr = s.row_count;
        return SQL_SUCCESS;
    });
}
