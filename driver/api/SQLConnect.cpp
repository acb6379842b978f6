#include "connection.h"
#include "guard.h"
#include "text.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLConnect(SQLHDBC ConnectionHandle, SQLCHAR* ServerName,
                                           SQLSMALLINT NameLength1, SQLCHAR* UserName,
                                           SQLSMALLINT NameLength2, SQLCHAR* Authentication,
                                           SQLSMALLINT NameLength3)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        c.wide_app = 0;
        return connect(c, ServerName, NameLength1, UserName, NameLength2, Authentication, NameLength3);
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLConnectW(SQLHDBC ConnectionHandle, SQLWCHAR* ServerName,
                                            SQLSMALLINT NameLength1, SQLWCHAR* UserName,
                                            SQLSMALLINT NameLength2, SQLWCHAR* Authentication,
                                            SQLSMALLINT NameLength3)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        NarrowArg server(connect_codec, ServerName, NameLength1);
        NarrowArg user(connect_codec, UserName, NameLength2);
        NarrowArg password(connect_codec, Authentication, NameLength3);
        if (!server.ok() || !user.ok() || !password.ok())
            return post_error(&c, "HY090");
        c.wide_app = 1;
        return connect(c, server.get(), server.length(), user.get(), user.length(), password.get(),
                       password.length());
    });
}
