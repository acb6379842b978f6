#include "guard.h"

// A statement never has a second result.
BROLIX_EXPORT SQLRETURN SQL_API SQLMoreResults(SQLHSTMT StatementHandle)
{
    return guarded<Statement>(StatementHandle, [](Statement&) -> SQLRETURN { return SQL_NO_DATA; });
}
