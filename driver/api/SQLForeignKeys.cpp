#include "catalog_query.h"
#include "guard.h"
#include "row_rewrite.h"
#include "wide_names.h"

namespace {

SQLRETURN foreign_keys(Statement& s, NameArg pk_schema, NameArg pk_table, NameArg fk_schema, NameArg fk_table)
{
    reset_catalog_state(s);
    return run_catalog_query(
        s, foreign_keys_query(pk_schema, pk_table, fk_schema, fk_table, query_options(*s.connection)),
        SQL_API_SQLFOREIGNKEYS);
}

}  // namespace

BROLIX_EXPORT SQLRETURN SQL_API SQLForeignKeys(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT,
                                               SQLCHAR* PKSchemaName, SQLSMALLINT NameLength2, SQLCHAR* PKTableName,
                                               SQLSMALLINT NameLength3, SQLCHAR*, SQLSMALLINT,
                                               SQLCHAR* FKSchemaName, SQLSMALLINT NameLength5, SQLCHAR* FKTableName,
                                               SQLSMALLINT NameLength6)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return foreign_keys(s, name_arg(PKSchemaName, NameLength2), name_arg(PKTableName, NameLength3),
                            name_arg(FKSchemaName, NameLength5), name_arg(FKTableName, NameLength6));
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLForeignKeysW(SQLHSTMT StatementHandle, SQLWCHAR*, SQLSMALLINT,
                                                SQLWCHAR* PKSchemaName, SQLSMALLINT NameLength2,
                                                SQLWCHAR* PKTableName, SQLSMALLINT NameLength3, SQLWCHAR*,
                                                SQLSMALLINT, SQLWCHAR* FKSchemaName, SQLSMALLINT NameLength5,
                                                SQLWCHAR* FKTableName, SQLSMALLINT NameLength6)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        const WideCodec codec = wide_codec(s.connection);
        WideName pk_schema(codec, PKSchemaName, NameLength2), pk_table(codec, PKTableName, NameLength3),
            fk_schema(codec, FKSchemaName, NameLength5), fk_table(codec, FKTableName, NameLength6);
        if (!pk_schema.ok() || !pk_table.ok() || !fk_schema.ok() || !fk_table.ok()) return post_error(&s, "HY090");
        return foreign_keys(s, pk_schema.name(), pk_table.name(), fk_schema.name(), fk_table.name());
    });
}
