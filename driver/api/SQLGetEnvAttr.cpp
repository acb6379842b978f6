#include "guard.h"
#include "handle_lifecycle.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV EnvironmentHandle, SQLINTEGER Attribute,
                                              SQLPOINTER Value, SQLINTEGER BufferLength,
                                              SQLINTEGER* StringLength)
{
    return guarded<Environment>(EnvironmentHandle,
                                [&](Environment& e) { return get_env_attr(e, Attribute, Value); });
}
