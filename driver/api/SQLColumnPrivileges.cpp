#include "catalog_query.h"
#include "guard.h"
#include "row_rewrite.h"

namespace {

// Column privileges are not reported: the result has the eight columns and
// no row, whatever the names.
SQLRETURN column_privileges(Statement& s)
{
    reset_catalog_state(s);
    return run_catalog_query(s, column_privileges_query(), SQL_API_SQLCOLUMNPRIVILEGES);
}

}  // namespace

BROLIX_EXPORT SQLRETURN SQL_API SQLColumnPrivileges(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                                    SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) { return column_privileges(s); });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLColumnPrivilegesW(SQLHSTMT StatementHandle, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
                                                     SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) { return column_privileges(s); });
}
