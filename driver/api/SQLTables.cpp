#include "catalog_query.h"
#include "guard.h"
#include "row_rewrite.h"
#include "wide_names.h"

namespace {

SQLRETURN tables(Statement& s, NameArg catalog, NameArg schema, NameArg table, NameArg table_type)
{
    reset_catalog_state(s);
    CatalogQuery query = tables_query(catalog, schema, table, table_type, query_options(*s.connection));
    if (query.enumerate_types) s.table_type_state = 1;
    return run_catalog_query(s, query, SQL_API_SQLTABLES);
}

}  // namespace

BROLIX_EXPORT SQLRETURN SQL_API SQLTables(SQLHSTMT StatementHandle, SQLCHAR* CatalogName, SQLSMALLINT NameLength1,
                                          SQLCHAR* SchemaName, SQLSMALLINT NameLength2, SQLCHAR* TableName,
                                          SQLSMALLINT NameLength3, SQLCHAR* TableType, SQLSMALLINT NameLength4)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return tables(s, name_arg(CatalogName, NameLength1), name_arg(SchemaName, NameLength2),
                      name_arg(TableName, NameLength3), name_arg(TableType, NameLength4));
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLTablesW(SQLHSTMT StatementHandle, SQLWCHAR* CatalogName, SQLSMALLINT NameLength1,
                                           SQLWCHAR* SchemaName, SQLSMALLINT NameLength2, SQLWCHAR* TableName,
                                           SQLSMALLINT NameLength3, SQLWCHAR* TableType, SQLSMALLINT NameLength4)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        const WideCodec codec = wide_codec(s.connection);
        WideName catalog(codec, CatalogName, NameLength1), schema(codec, SchemaName, NameLength2),
            table(codec, TableName, NameLength3), type(codec, TableType, NameLength4);
        if (!catalog.ok() || !schema.ok() || !table.ok() || !type.ok()) return post_error(&s, "HY090");
        return tables(s, catalog.name(), schema.name(), table.name(), type.name());
    });
}
