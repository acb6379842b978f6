#include "guard.h"
#include "text.h"

// A name that does not fit is cut and SQL_SUCCESS_WITH_INFO returned.
static SQLRETURN get_cursor_name(Statement& s, const TextOut& out)
{
    return out.write(s.cursor_name) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

BROLIX_EXPORT SQLRETURN SQL_API SQLGetCursorName(SQLHSTMT StatementHandle, SQLCHAR* CursorName,
                                                 SQLSMALLINT BufferLength, SQLSMALLINT* NameLengthPtr)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        return get_cursor_name(s, narrow_out(CursorName, BufferLength, NameLengthPtr));
    });
}

// BufferLength and the length count characters.
BROLIX_EXPORT SQLRETURN SQL_API SQLGetCursorNameW(SQLHSTMT StatementHandle, SQLWCHAR* CursorName,
                                                  SQLSMALLINT BufferLength, SQLSMALLINT* NameLengthPtr)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        return get_cursor_name(s, TextOut(TextForm::wide_chars, wide_codec(s.connection), CursorName,
                                          BufferLength, NameLengthPtr));
    });
}
