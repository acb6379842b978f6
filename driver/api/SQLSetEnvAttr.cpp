#include "guard.h"
#include "handle_lifecycle.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute,
                                              SQLPOINTER Value, SQLINTEGER StringLength)
{
    return guarded<Environment>(EnvironmentHandle,
                                [&](Environment& e) { return set_env_attr(e, Attribute, Value); });
}
