#include "catalog_query.h"
#include "guard.h"
#include "row_rewrite.h"
#include "wide_names.h"

namespace {

SQLRETURN procedures(Statement& s, NameArg schema, NameArg procedure)
{
    reset_catalog_state(s);
    return run_catalog_query(s, procedures_query(schema, procedure, query_options(*s.connection)),
                             SQL_API_SQLPROCEDURES);
}

}  // namespace

BROLIX_EXPORT SQLRETURN SQL_API SQLProcedures(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR* SchemaName,
                                              SQLSMALLINT NameLength2, SQLCHAR* ProcName, SQLSMALLINT NameLength3)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return procedures(s, name_arg(SchemaName, NameLength2), name_arg(ProcName, NameLength3));
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLProceduresW(SQLHSTMT StatementHandle, SQLWCHAR*, SQLSMALLINT, SQLWCHAR* SchemaName,
                                               SQLSMALLINT NameLength2, SQLWCHAR* ProcName, SQLSMALLINT NameLength3)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        const WideCodec codec = wide_codec(s.connection);
        WideName schema(codec, SchemaName, NameLength2), procedure(codec, ProcName, NameLength3);
        if (!schema.ok() || !procedure.ok()) return post_error(&s, "HY090");
        return procedures(s, schema.name(), procedure.name());
    });
}
