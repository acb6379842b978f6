#include "connect_options.h"
#include "connection.h"
#include "guard.h"
#include "text.h"

// The output connection string is written only into a buffer of at least one
// unit; the length pointer is then set too. A cut string gives
// SQL_SUCCESS_WITH_INFO without a record.
static SQLRETURN connect_and_answer(Connection& c, SQLHWND window, SQLCHAR* in, SQLLEN in_length,
                                    SQLUSMALLINT completion, const TextOut& out)
{
    c.wide_app = out.wide() ? 1 : 0;
    std::string output;
    SQLRETURN rc = driver_connect(c, window, in, in_length, completion, output);
    if (!SQL_SUCCEEDED(rc) || out.buffer() == nullptr || out.buffer_length() <= 0) return rc;
    return out.write(output) ? SQL_SUCCESS_WITH_INFO : rc;
}

BROLIX_EXPORT SQLRETURN SQL_API SQLDriverConnect(SQLHDBC ConnectionHandle, SQLHWND WindowHandle,
                                                 SQLCHAR* InConnectionString, SQLSMALLINT StringLength1,
                                                 SQLCHAR* OutConnectionString, SQLSMALLINT BufferLength,
                                                 SQLSMALLINT* StringLength2Ptr,
                                                 SQLUSMALLINT DriverCompletion)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        return connect_and_answer(c, WindowHandle, InConnectionString, StringLength1, DriverCompletion,
                                  narrow_out(OutConnectionString, BufferLength, StringLength2Ptr));
    });
}

// Lengths count characters. The strings convert as UTF-8 (connect_codec).
BROLIX_EXPORT SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC ConnectionHandle, SQLHWND WindowHandle,
                                                  SQLWCHAR* InConnectionString, SQLSMALLINT StringLength1,
                                                  SQLWCHAR* OutConnectionString, SQLSMALLINT BufferLength,
                                                  SQLSMALLINT* StringLength2Ptr,
                                                  SQLUSMALLINT DriverCompletion)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        NarrowArg in(connect_codec, InConnectionString, StringLength1);
        if (!in.ok()) return post_error(&c, "HY090");
        return connect_and_answer(c, WindowHandle, in.get(), in.length(),
                                  DriverCompletion,
                                  TextOut(TextForm::wide_chars, connect_codec, OutConnectionString,
                                          BufferLength, StringLength2Ptr));
    });
}
