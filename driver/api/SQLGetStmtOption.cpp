#include "guard.h"
#include "statement_attributes.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLGetStmtOption(SQLHSTMT StatementHandle, SQLUSMALLINT Option,
                                                 SQLPOINTER Value)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        StmtAttrValue result;
        SQLRETURN rc = get_stmt_attr(s, Option, result);
        if (rc == SQL_SUCCESS) store_stmt_attr(result, Value, nullptr);
        return rc;
    });
}
