#include "connection.h"
#include "guard.h"
#include "text.h"

// The ODBC 2 call has no buffer length: string options are written into a
// buffer of SQL_MAX_OPTION_STRING_LENGTH bytes, as ODBC 2 defines.
BROLIX_EXPORT SQLRETURN SQL_API SQLGetConnectOption(SQLHDBC ConnectionHandle, SQLUSMALLINT Option,
                                                    SQLPOINTER Value)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        ConnectAttrValue result;
        SQLRETURN rc = get_connect_attr(c, Option, result);
        if (rc != SQL_SUCCESS) return rc;
        if (!result.is_text) {
            store_attr_number(result, Value, nullptr);
            return SQL_SUCCESS;
        }
        SQLINTEGER* no_length = nullptr;
        return cut_warning(&c, narrow_out(Value, SQL_MAX_OPTION_STRING_LENGTH, no_length).write(result.text));
    });
}
