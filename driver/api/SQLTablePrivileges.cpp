#include "catalog_query.h"
#include "guard.h"
#include "row_rewrite.h"
#include "wide_names.h"

namespace {

SQLRETURN table_privileges(Statement& s, NameArg schema, NameArg table)
{
    reset_catalog_state(s);
    return run_catalog_query(s, table_privileges_query(schema, table, query_options(*s.connection)),
                             SQL_API_SQLTABLEPRIVILEGES);
}

}  // namespace

BROLIX_EXPORT SQLRETURN SQL_API SQLTablePrivileges(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT,
                                                   SQLCHAR* SchemaName, SQLSMALLINT NameLength2, SQLCHAR* TableName,
                                                   SQLSMALLINT NameLength3)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return table_privileges(s, name_arg(SchemaName, NameLength2), name_arg(TableName, NameLength3));
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLTablePrivilegesW(SQLHSTMT StatementHandle, SQLWCHAR*, SQLSMALLINT,
                                                    SQLWCHAR* SchemaName, SQLSMALLINT NameLength2,
                                                    SQLWCHAR* TableName, SQLSMALLINT NameLength3)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        const WideCodec codec = wide_codec(s.connection);
        WideName schema(codec, SchemaName, NameLength2), table(codec, TableName, NameLength3);
        if (!schema.ok() || !table.ok()) return post_error(&s, "HY090");
        return table_privileges(s, schema.name(), table.name());
    });
}
