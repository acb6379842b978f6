#include "guard.h"
#include "params/put_data.h"

// The next data-at-execution parameter's token, or the execution once every
// value is in.
BROLIX_EXPORT SQLRETURN SQL_API SQLParamData(SQLHSTMT StatementHandle, SQLPOINTER* ValuePtrPtr)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) { return param_data(s, ValuePtrPtr); });
}
