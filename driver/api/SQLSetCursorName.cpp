#include "guard.h"
#include "statement_attributes.h"
#include "text.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLSetCursorName(SQLHSTMT StatementHandle, SQLCHAR* CursorName,
                                                 SQLSMALLINT NameLength)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        if (CursorName == nullptr) return post_error(&s, "HY009");
        CountedText name(CursorName, NameLength);
        if (name.get() == nullptr) return post_error(&s, "HY090");
        return set_cursor_name(s, name.view());
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLSetCursorNameW(SQLHSTMT StatementHandle, SQLWCHAR* CursorName,
                                                  SQLSMALLINT NameLength)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        if (CursorName == nullptr) return post_error(&s, "HY009");
        NarrowArg name(wide_codec(s.connection), CursorName, NameLength);
        if (!name.ok()) return post_error(&s, "HY090");
        return set_cursor_name(s, name.str());
    });
}
