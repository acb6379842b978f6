#include "connection.h"
#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLDisconnect(SQLHDBC ConnectionHandle)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) { return disconnect(c); });
}
