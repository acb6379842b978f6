#include "guard.h"
#include "params/put_data.h"

// One piece of the data-at-execution parameter SQLParamData opened.
BROLIX_EXPORT SQLRETURN SQL_API SQLPutData(SQLHSTMT StatementHandle, SQLPOINTER DataPtr, SQLLEN StrLen_or_Ind)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) { return put_data(s, DataPtr, StrLen_or_Ind); });
}
