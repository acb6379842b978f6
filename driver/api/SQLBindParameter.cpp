#include "guard.h"
#include "params/bind_params.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLBindParameter(SQLHSTMT StatementHandle, SQLUSMALLINT ParameterNumber,
                                                 SQLSMALLINT InputOutputType, SQLSMALLINT ValueType,
                                                 SQLSMALLINT ParameterType, SQLULEN /*ColumnSize: unused*/,
                                                 SQLSMALLINT /*DecimalDigits: unused*/, SQLPOINTER ParameterValuePtr,
                                                 SQLLEN BufferLength, SQLLEN* StrLen_or_IndPtr)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return bind_parameter(s, ParameterNumber, InputOutputType, ValueType, ParameterType,
                              ParameterValuePtr, BufferLength, StrLen_or_IndPtr);
    });
}
