#include "fetch.h"
#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLBindCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                                           SQLSMALLINT TargetType, SQLPOINTER TargetValuePtr,
                                           SQLLEN BufferLength, SQLLEN* StrLen_or_IndPtr)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return bind_column(s, ColumnNumber, TargetType, TargetValuePtr, BufferLength, StrLen_or_IndPtr);
    });
}
