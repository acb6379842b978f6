#include "connection.h"
#include "guard.h"
#include "text.h"

namespace {

bool is_text_attribute(SQLINTEGER attribute)
{
    return attribute == SQL_ATTR_TRACEFILE || attribute == SQL_ATTR_TRANSLATE_LIB ||
           attribute == SQL_ATTR_CURRENT_CATALOG;
}

}  // namespace

BROLIX_EXPORT SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC ConnectionHandle, SQLINTEGER Attribute,
                                                  SQLPOINTER Value, SQLINTEGER StringLength)
{
    return guarded<Connection>(ConnectionHandle,
                               [&](Connection& c) { return set_connect_attr(c, Attribute, Value); });
}

// String values come in UTF-16 here; the length, when given, counts bytes.
BROLIX_EXPORT SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC ConnectionHandle, SQLINTEGER Attribute,
                                                   SQLPOINTER Value, SQLINTEGER StringLength)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& c) -> SQLRETURN {
        if (!is_text_attribute(Attribute) || Value == nullptr)
            return set_connect_attr(c, Attribute, Value);
        SQLLEN units = StringLength < 0 ? SQL_NTS : StringLength / static_cast<SQLLEN>(sizeof(SQLWCHAR));
        NarrowArg text(wide_codec(&c), static_cast<SQLWCHAR*>(Value), units);
        if (!text.ok()) return post_error(&c, "HY090");
        return set_connect_attr(c, Attribute, text.get());
    });
}
