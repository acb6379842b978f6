#include "guard.h"
#include "params/bind_params.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLDescribeParam(SQLHSTMT StatementHandle, SQLUSMALLINT ParameterNumber,
                                                 SQLSMALLINT* DataTypePtr, SQLULEN* ParameterSizePtr,
                                                 SQLSMALLINT* DecimalDigitsPtr, SQLSMALLINT* NullablePtr)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return describe_param(s, ParameterNumber, DataTypePtr, ParameterSizePtr, DecimalDigitsPtr, NullablePtr);
    });
}
