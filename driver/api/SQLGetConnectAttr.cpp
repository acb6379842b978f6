#include "connection.h"
#include "guard.h"
#include "text.h"

// A string that does not fit is cut and reported with 01004.
static SQLRETURN get_attr(Connection& c, SQLINTEGER attribute, SQLPOINTER value,
                          SQLINTEGER buffer_length, SQLINTEGER* length, TextForm form)
{
    ConnectAttrValue result;
    SQLRETURN rc = get_connect_attr(c, attribute, result);
    if (rc != SQL_SUCCESS) return rc;
    if (!result.is_text) {
        store_attr_number(result, value, length);
        return SQL_SUCCESS;
    }
    return cut_warning(&c, TextOut(form, wide_codec(&c), value, buffer_length, length).write(result.text));
}

BROLIX_EXPORT SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute,
                                                  SQLPOINTER Value, SQLINTEGER BufferLength,
                                                  SQLINTEGER* StringLength)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        return get_attr(c, Attribute, Value, BufferLength, StringLength, TextForm::narrow);
    });
}

// String values in UTF-16; BufferLength and the length count bytes.
BROLIX_EXPORT SQLRETURN SQL_API SQLGetConnectAttrW(SQLHDBC ConnectionHandle, SQLINTEGER Attribute,
                                                   SQLPOINTER Value, SQLINTEGER BufferLength,
                                                   SQLINTEGER* StringLength)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        return get_attr(c, Attribute, Value, BufferLength, StringLength, TextForm::wide_bytes);
    });
}
