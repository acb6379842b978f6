#include "describe.h"
#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLColAttribute(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber,
                                                SQLUSMALLINT FieldIdentifier,
                                                SQLPOINTER CharacterAttribute,
                                                SQLSMALLINT BufferLength, SQLSMALLINT* StringLength,
                                                SQLLEN* NumericAttribute)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        return col_attribute(s, AttributeTable::odbc3, ColumnNumber, FieldIdentifier,
                             CharacterAttribute, BufferLength, StringLength, NumericAttribute,
                             false);
    });
}

// String results in UTF-16; BufferLength and StringLength count bytes.
BROLIX_EXPORT SQLRETURN SQL_API
SQLColAttributeW(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLUSMALLINT FieldIdentifier,
                 SQLPOINTER CharacterAttribute, SQLSMALLINT BufferLength, SQLSMALLINT* StringLength,
                 SQLLEN* NumericAttribute)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        return col_attribute(s, AttributeTable::odbc3, ColumnNumber, FieldIdentifier,
                             CharacterAttribute, BufferLength, StringLength, NumericAttribute,
                             true);
    });
}
