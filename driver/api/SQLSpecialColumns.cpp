#include "catalog_query.h"
#include "guard.h"
#include "row_rewrite.h"
#include "wide_names.h"

namespace {

// The best row identifier is the primary key; Scope and Nullable change
// nothing. SQL_ROWVER gives an empty result: Firebird has no automatically
// updated columns.
SQLRETURN special_columns(Statement& s, SQLUSMALLINT identifier_type, NameArg schema, NameArg table)
{
    reset_catalog_state(s);
    return run_catalog_query(s, special_columns_query(identifier_type, schema, table), SQL_API_SQLSPECIALCOLUMNS);
}

}  // namespace

BROLIX_EXPORT SQLRETURN SQL_API SQLSpecialColumns(SQLHSTMT StatementHandle, SQLUSMALLINT IdentifierType, SQLCHAR*,
                                                  SQLSMALLINT, SQLCHAR* SchemaName, SQLSMALLINT NameLength2,
                                                  SQLCHAR* TableName, SQLSMALLINT NameLength3, SQLUSMALLINT,
                                                  SQLUSMALLINT)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return special_columns(s, IdentifierType, name_arg(SchemaName, NameLength2), name_arg(TableName, NameLength3));
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLSpecialColumnsW(SQLHSTMT StatementHandle, SQLUSMALLINT IdentifierType, SQLWCHAR*,
                                                   SQLSMALLINT, SQLWCHAR* SchemaName, SQLSMALLINT NameLength2,
                                                   SQLWCHAR* TableName, SQLSMALLINT NameLength3, SQLUSMALLINT,
                                                   SQLUSMALLINT)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        const WideCodec codec = wide_codec(s.connection);
        WideName schema(codec, SchemaName, NameLength2), table(codec, TableName, NameLength3);
        if (!schema.ok() || !table.ok()) return post_error(&s, "HY090");
        return special_columns(s, IdentifierType, schema.name(), table.name());
    });
}
