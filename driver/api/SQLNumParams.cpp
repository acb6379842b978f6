#include "guard.h"
#include "params/bind_params.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLNumParams(SQLHSTMT StatementHandle, SQLSMALLINT* ParameterCountPtr)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) { return num_params(s, ParameterCountPtr); });
}
