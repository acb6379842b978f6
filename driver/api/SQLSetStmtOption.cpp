#include "guard.h"
#include "statement_attributes.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLSetStmtOption(SQLHSTMT StatementHandle, SQLUSMALLINT Option,
                                                 SQLULEN Value)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return set_stmt_attr(s, Option, reinterpret_cast<SQLPOINTER>(Value));
    });
}
