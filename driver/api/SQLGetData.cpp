#include "convert.h"
#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLGetData(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                                           SQLSMALLINT TargetType, SQLPOINTER TargetValuePtr,
                                           SQLLEN BufferLength, SQLLEN* StrLen_or_IndPtr)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return get_data(s, ColumnNumber, TargetType, TargetValuePtr, BufferLength,
                        StrLen_or_IndPtr);
    });
}
