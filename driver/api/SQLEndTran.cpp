#include "guard.h"
#include "transactions.h"

// Only a connection ends transactions here; the driver manager walks an
// environment's connections itself.
BROLIX_EXPORT SQLRETURN SQL_API SQLEndTran(SQLSMALLINT HandleType, SQLHANDLE Handle,
                                           SQLSMALLINT CompletionType)
{
    if (HandleType != SQL_HANDLE_DBC) return SQL_INVALID_HANDLE;
    return guarded<Connection>(Handle,
                               [&](Connection& c) { return end_transaction(c, CompletionType); });
}
