#include "guard.h"
#include "statement.h"
#include "text.h"

namespace {

SQLRETURN execute_after(Statement& s, SQLRETURN prepared)
{
    if (prepared == SQL_ERROR) return prepared;
    SQLRETURN rc = execute_statement(s, false);
    if (rc == SQL_SUCCESS && prepared == SQL_SUCCESS_WITH_INFO) return prepared;
    return rc;
}

}  // namespace

BROLIX_EXPORT SQLRETURN SQL_API SQLExecDirect(SQLHSTMT StatementHandle, SQLCHAR* StatementText,
                                              SQLINTEGER TextLength)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        CountedText text(StatementText, TextLength);
        if (StatementText != nullptr && text.get() == nullptr) return post_error(&s, "HY090");
        s.catalog_kind = catalog_kind_exec_direct;
        return execute_after(s, prepare_and_describe(s, text.view()));
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT StatementHandle, SQLWCHAR* StatementText,
                                               SQLINTEGER TextLength)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        s.catalog_kind = catalog_kind_exec_direct;
        return execute_after(s, prepare_and_describe_wide(s, StatementText, TextLength));
    });
}
