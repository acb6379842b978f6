#include "connect_options.h"
#include "connection.h"
#include "guard.h"
#include "text.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLDriverConnect(SQLHDBC ConnectionHandle, SQLHWND WindowHandle,
                                                 SQLCHAR* InConnectionString, SQLSMALLINT StringLength1,
                                                 SQLCHAR* OutConnectionString, SQLSMALLINT BufferLength,
                                                 SQLSMALLINT* StringLength2Ptr,
                                                 SQLUSMALLINT DriverCompletion)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        c.wide_app = 0;
        std::string output;
        SQLRETURN rc = driver_connect(c, WindowHandle, InConnectionString, StringLength1,
                                      DriverCompletion, output);
        if (!SQL_SUCCEEDED(rc)) return rc;
        SQLRETURN copied = copy_output_connection_string(output, OutConnectionString, BufferLength,
                                                         StringLength2Ptr);
        return copied == SQL_SUCCESS_WITH_INFO ? copied : rc;
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC ConnectionHandle, SQLHWND WindowHandle,
                                                  SQLWCHAR* InConnectionString, SQLSMALLINT StringLength1,
                                                  SQLWCHAR* OutConnectionString, SQLSMALLINT BufferLength,
                                                  SQLSMALLINT* StringLength2Ptr,
                                                  SQLUSMALLINT DriverCompletion)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        NarrowArg in(connect_codec, InConnectionString, StringLength1);
        if (!in.ok()) return post_error(&c, "HY090");
        c.wide_app = 1;
        std::string output;
        SQLRETURN rc = driver_connect(c, WindowHandle, in.get(), in.length(),
                                      DriverCompletion, output);
        if (!SQL_SUCCEEDED(rc) || OutConnectionString == nullptr || BufferLength <= 0) return rc;
        // The length counts characters.
        return widen_result(connect_codec, output, OutConnectionString, BufferLength, StringLength2Ptr,
                            rc, true);
    });
}
