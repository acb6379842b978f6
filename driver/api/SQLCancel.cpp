#include "guard.h"
#include "handle_lifecycle.h"

// Ends a data-at-execution sequence; a running server call is not
// interrupted. With nothing to cancel it closes the cursor, as the driver
// manager assumes it does (the ODBC 2 meaning it keeps): otherwise the next
// execute would find the cursor still open on the server.
BROLIX_EXPORT SQLRETURN SQL_API SQLCancel(SQLHSTMT StatementHandle)
{
    return guarded<Statement>(StatementHandle, [](Statement& s) -> SQLRETURN {
        if (s.need_data_param == 0 && s.put_data_state == 0) return close_statement(s, 0);
        s.need_data_param = 0;
        s.put_data_state = 0;
        s.data_at_exec_done = 0;
        return SQL_SUCCESS;
    });
}
