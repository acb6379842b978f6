#include "driver_info.h"
#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLGetFunctions(SQLHDBC ConnectionHandle, SQLUSMALLINT FunctionId,
                                                SQLUSMALLINT* SupportedPtr)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        return get_functions(c, FunctionId, SupportedPtr);
    });
}
