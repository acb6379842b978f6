#include "guard.h"

// Ends a data-at-execution sequence; a running server call is not
// interrupted.
BROLIX_EXPORT SQLRETURN SQL_API SQLCancel(SQLHSTMT StatementHandle)
{
    return guarded<Statement>(StatementHandle, [](Statement& s) -> SQLRETURN {
        s.need_data_param = 0;
        s.put_data_state = 0;
        s.data_at_exec_done = 0;
        return SQL_SUCCESS;
    });
}
