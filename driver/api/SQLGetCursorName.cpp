#include "guard.h"
#include "text.h"

// A name that does not fit is cut and SQL_SUCCESS_WITH_INFO returned.
BROLIX_EXPORT SQLRETURN SQL_API SQLGetCursorName(SQLHSTMT StatementHandle, SQLCHAR* CursorName,
                                                 SQLSMALLINT BufferLength, SQLSMALLINT* NameLengthPtr)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        bool cut = copy_out_cstring(CursorName, BufferLength, NameLengthPtr, s.cursor_name);
        return cut ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLGetCursorNameW(SQLHSTMT StatementHandle, SQLWCHAR* CursorName,
                                                  SQLSMALLINT BufferLength, SQLSMALLINT* NameLengthPtr)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        return widen_result(wide_codec(s.connection), s.cursor_name, CursorName, BufferLength,
                            NameLengthPtr, SQL_SUCCESS, true);
    });
}
