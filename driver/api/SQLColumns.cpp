#include "catalog_query.h"
#include "guard.h"
#include "row_rewrite.h"
#include "wide_names.h"

namespace {

// The catalog name is not looked at: Firebird has no catalogs.
SQLRETURN columns(Statement& s, NameArg schema, NameArg table, NameArg column)
{
    reset_catalog_state(s);
    return run_catalog_query(s, columns_query(schema, table, column, query_options(*s.connection)),
                             SQL_API_SQLCOLUMNS);
}

}  // namespace

BROLIX_EXPORT SQLRETURN SQL_API SQLColumns(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT,
                                           SQLCHAR* SchemaName, SQLSMALLINT NameLength2, SQLCHAR* TableName,
                                           SQLSMALLINT NameLength3, SQLCHAR* ColumnName, SQLSMALLINT NameLength4)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return columns(s, name_arg(SchemaName, NameLength2), name_arg(TableName, NameLength3),
                       name_arg(ColumnName, NameLength4));
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLColumnsW(SQLHSTMT StatementHandle, SQLWCHAR*, SQLSMALLINT,
                                            SQLWCHAR* SchemaName, SQLSMALLINT NameLength2, SQLWCHAR* TableName,
                                            SQLSMALLINT NameLength3, SQLWCHAR* ColumnName, SQLSMALLINT NameLength4)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        const WideCodec codec = wide_codec(s.connection);
        WideName schema(codec, SchemaName, NameLength2), table(codec, TableName, NameLength3),
            column(codec, ColumnName, NameLength4);
        if (!schema.ok() || !table.ok() || !column.ok()) return post_error(&s, "HY090");
        return columns(s, schema.name(), table.name(), column.name());
    });
}
