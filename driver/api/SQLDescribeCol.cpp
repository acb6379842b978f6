#include "describe.h"
#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                                               SQLCHAR* ColumnName, SQLSMALLINT BufferLength,
                                               SQLSMALLINT* NameLength, SQLSMALLINT* DataType,
                                               SQLULEN* ColumnSize, SQLSMALLINT* DecimalDigits,
                                               SQLSMALLINT* Nullable)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        return describe_col(s, ColumnNumber, ColumnName, BufferLength, NameLength, DataType,
                            ColumnSize, DecimalDigits, Nullable, false);
    });
}

// BufferLength and NameLength count characters.
BROLIX_EXPORT SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                                                SQLWCHAR* ColumnName, SQLSMALLINT BufferLength,
                                                SQLSMALLINT* NameLength, SQLSMALLINT* DataType,
                                                SQLULEN* ColumnSize, SQLSMALLINT* DecimalDigits,
                                                SQLSMALLINT* Nullable)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        return describe_col(s, ColumnNumber, ColumnName, BufferLength, NameLength, DataType,
                            ColumnSize, DecimalDigits, Nullable, true);
    });
}
