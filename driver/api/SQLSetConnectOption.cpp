#include "connection.h"
#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLSetConnectOption(SQLHDBC ConnectionHandle, SQLUSMALLINT Option,
                                                    SQLULEN Value)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        return set_connect_attr(c, Option, reinterpret_cast<SQLPOINTER>(Value));
    });
}
