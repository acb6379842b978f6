#include "client_api.h"
#include "driver_info.h"
#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLGetInfo(SQLHDBC ConnectionHandle, SQLUSMALLINT InfoType,
                                           SQLPOINTER InfoValuePtr, SQLSMALLINT BufferLength,
                                           SQLSMALLINT* StringLengthPtr)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        return get_info(c, InfoType, InfoValuePtr, BufferLength, StringLengthPtr,
                        client_major_version());
    });
}

// String answers in UTF-16; BufferLength and the length count bytes.
BROLIX_EXPORT SQLRETURN SQL_API SQLGetInfoW(SQLHDBC ConnectionHandle, SQLUSMALLINT InfoType,
                                            SQLPOINTER InfoValuePtr, SQLSMALLINT BufferLength,
                                            SQLSMALLINT* StringLengthPtr)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        return get_info(c, InfoType, InfoValuePtr, BufferLength, StringLengthPtr,
                        client_major_version(), TextForm::wide_bytes);
    });
}
