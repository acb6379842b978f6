#include "guard.h"
#include "handle_lifecycle.h"

// The one call an application may make while another call on the same
// statement runs on another thread (a query timeout, pyodbc's cancel()): it
// then asks the server to stop that call and touches nothing else. On an
// idle statement it ends a data-at-execution sequence or closes the cursor,
// as the driver manager assumes it does.
BROLIX_EXPORT SQLRETURN SQL_API SQLCancel(SQLHSTMT StatementHandle)
{
    return guarded_concurrent(StatementHandle, [](Statement& s) { return cancel_statement(s); });
}
