#include "guard.h"
#include "sql_rewrite.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLNativeSql(SQLHDBC ConnectionHandle, SQLCHAR* InStatementText,
                                             SQLINTEGER TextLength1, SQLCHAR* OutStatementText,
                                             SQLINTEGER BufferLength, SQLINTEGER* TextLength2Ptr)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        return native_sql(c, InStatementText, TextLength1, OutStatementText, BufferLength, TextLength2Ptr);
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLNativeSqlW(SQLHDBC ConnectionHandle, SQLWCHAR* InStatementText,
                                              SQLINTEGER TextLength1, SQLWCHAR* OutStatementText,
                                              SQLINTEGER BufferLength, SQLINTEGER* TextLength2Ptr)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        return native_sql_wide(c, InStatementText, TextLength1, OutStatementText, BufferLength,
                               TextLength2Ptr);
    });
}
