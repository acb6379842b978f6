#include "catalog_query.h"
#include "guard.h"
#include "row_rewrite.h"
#include "wide_names.h"

namespace {

SQLRETURN primary_keys(Statement& s, NameArg schema, NameArg table)
{
    reset_catalog_state(s);
    return run_catalog_query(s, primary_keys_query(schema, table, query_options(*s.connection)),
                             SQL_API_SQLPRIMARYKEYS);
}

}  // namespace

BROLIX_EXPORT SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR* SchemaName,
                                               SQLSMALLINT NameLength2, SQLCHAR* TableName, SQLSMALLINT NameLength3)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return primary_keys(s, name_arg(SchemaName, NameLength2), name_arg(TableName, NameLength3));
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLPrimaryKeysW(SQLHSTMT StatementHandle, SQLWCHAR*, SQLSMALLINT,
                                                SQLWCHAR* SchemaName, SQLSMALLINT NameLength2, SQLWCHAR* TableName,
                                                SQLSMALLINT NameLength3)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        const WideCodec codec = wide_codec(s.connection);
        WideName schema(codec, SchemaName, NameLength2), table(codec, TableName, NameLength3);
        if (!schema.ok() || !table.ok()) return post_error(&s, "HY090");
        return primary_keys(s, schema.name(), table.name());
    });
}
