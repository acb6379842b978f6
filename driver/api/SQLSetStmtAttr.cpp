#include "guard.h"
#include "statement_attributes.h"

static SQLRETURN set_stmt_attr_export(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value) noexcept
{
    return guarded<Statement>(handle, [&](Statement& s) { return set_stmt_attr(s, attribute, value); });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT StatementHandle, SQLINTEGER Attribute,
                                               SQLPOINTER Value, SQLINTEGER StringLength)
{
    return set_stmt_attr_export(StatementHandle, Attribute, Value);
}

// No statement attribute is a string: the wide entry is the same.
BROLIX_EXPORT SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT StatementHandle, SQLINTEGER Attribute,
                                                SQLPOINTER Value, SQLINTEGER StringLength)
{
    return set_stmt_attr_export(StatementHandle, Attribute, Value);
}
