#include "catalog_query.h"
#include "guard.h"
#include "row_rewrite.h"
#include "wide_names.h"

namespace {

// Reserved (the accuracy of the statistics) changes nothing: the driver
// reports no cardinality or pages.
SQLRETURN statistics(Statement& s, NameArg schema, NameArg table, SQLUSMALLINT unique)
{
    reset_catalog_state(s);
    return run_catalog_query(s, statistics_query(schema, table, unique, query_options(*s.connection)),
                             SQL_API_SQLSTATISTICS);
}

}  // namespace

BROLIX_EXPORT SQLRETURN SQL_API SQLStatistics(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR* SchemaName,
                                              SQLSMALLINT NameLength2, SQLCHAR* TableName, SQLSMALLINT NameLength3,
                                              SQLUSMALLINT Unique, SQLUSMALLINT)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return statistics(s, name_arg(SchemaName, NameLength2), name_arg(TableName, NameLength3), Unique);
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLStatisticsW(SQLHSTMT StatementHandle, SQLWCHAR*, SQLSMALLINT,
                                               SQLWCHAR* SchemaName, SQLSMALLINT NameLength2, SQLWCHAR* TableName,
                                               SQLSMALLINT NameLength3, SQLUSMALLINT Unique, SQLUSMALLINT)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        const WideCodec codec = wide_codec(s.connection);
        WideName schema(codec, SchemaName, NameLength2), table(codec, TableName, NameLength3);
        if (!schema.ok() || !table.ok()) return post_error(&s, "HY090");
        return statistics(s, schema.name(), table.name(), Unique);
    });
}
