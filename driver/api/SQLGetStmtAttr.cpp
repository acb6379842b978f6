#include "guard.h"
#include "statement_attributes.h"

static SQLRETURN get_stmt_attr_export(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value,
                                      SQLINTEGER* length) noexcept
{
    return guarded<Statement>(handle, [&](Statement& s) -> SQLRETURN {
        StmtAttrValue result;
        SQLRETURN rc = get_stmt_attr(s, attribute, result);
        if (rc == SQL_SUCCESS) store_stmt_attr(result, value, length);
        return rc;
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute,
                                               SQLPOINTER Value, SQLINTEGER BufferLength,
                                               SQLINTEGER* StringLength)
{
    return get_stmt_attr_export(StatementHandle, Attribute, Value, StringLength);
}

// No statement attribute is a string: the wide entry is the same.
BROLIX_EXPORT SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT StatementHandle, SQLINTEGER Attribute,
                                                SQLPOINTER Value, SQLINTEGER BufferLength,
                                                SQLINTEGER* StringLength)
{
    return get_stmt_attr_export(StatementHandle, Attribute, Value, StringLength);
}
