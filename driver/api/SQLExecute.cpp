#include "guard.h"
#include "describe.h"
#include "statement.h"

// The result columns are described again (the output area may have to
// grow); the parameters are not.
BROLIX_EXPORT SQLRETURN SQL_API SQLExecute(SQLHSTMT StatementHandle)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        if (s.output_sqlda == nullptr || s.stmt_handle == 0) return post_error(&s, "HY010");
        if (describe_results(s) == SQL_ERROR) return SQL_ERROR;
        return execute_statement(s, false);
    });
}
