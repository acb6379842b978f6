#include "connection.h"
#include "guard.h"
#include "text.h"

// A string that does not fit is cut and reported with 01004.
static SQLRETURN get_attr(Connection& c, SQLINTEGER attribute, SQLPOINTER value,
                          SQLINTEGER buffer_length, SQLINTEGER* length, bool wide)
{
    ConnectAttrValue result;
    SQLRETURN rc = get_connect_attr(c, attribute, result);
    if (rc != SQL_SUCCESS) return rc;
    if (!result.is_text) {
        store_attr_number(result, value, length);
        return SQL_SUCCESS;
    }
    rc = wide ? widen_result(wide_codec(&c), result.text, value, buffer_length, length, SQL_SUCCESS, false)
              : (copy_out_cstring(value, buffer_length, length, result.text) ? SQL_SUCCESS_WITH_INFO
                                                                               : SQL_SUCCESS);
    if (rc == SQL_SUCCESS_WITH_INFO) post_warning(&c, "01004");
    return rc;
}

BROLIX_EXPORT SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute,
                                                  SQLPOINTER Value, SQLINTEGER BufferLength,
                                                  SQLINTEGER* StringLength)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        return get_attr(c, Attribute, Value, BufferLength, StringLength, false);
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLGetConnectAttrW(SQLHDBC ConnectionHandle, SQLINTEGER Attribute,
                                                   SQLPOINTER Value, SQLINTEGER BufferLength,
                                                   SQLINTEGER* StringLength)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        return get_attr(c, Attribute, Value, BufferLength, StringLength, true);
    });
}
