#include "catalog_query.h"
#include "guard.h"
#include "row_rewrite.h"
#include "wide_names.h"

namespace {

SQLRETURN procedure_columns(Statement& s, NameArg schema, NameArg procedure, NameArg column)
{
    reset_catalog_state(s);
    SQLRETURN rc = run_catalog_query(
        s, procedure_columns_query(schema, procedure, column, query_options(*s.connection)),
        SQL_API_SQLPROCEDURECOLUMNS);
    // The first row's procedure is always a new name.
    reset_catalog_state(s);
    return rc;
}

}  // namespace

BROLIX_EXPORT SQLRETURN SQL_API SQLProcedureColumns(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT,
                                                    SQLCHAR* SchemaName, SQLSMALLINT NameLength2, SQLCHAR* ProcName,
                                                    SQLSMALLINT NameLength3, SQLCHAR* ColumnName,
                                                    SQLSMALLINT NameLength4)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) {
        return procedure_columns(s, name_arg(SchemaName, NameLength2), name_arg(ProcName, NameLength3),
                                 name_arg(ColumnName, NameLength4));
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLProcedureColumnsW(SQLHSTMT StatementHandle, SQLWCHAR*, SQLSMALLINT,
                                                     SQLWCHAR* SchemaName, SQLSMALLINT NameLength2,
                                                     SQLWCHAR* ProcName, SQLSMALLINT NameLength3,
                                                     SQLWCHAR* ColumnName, SQLSMALLINT NameLength4)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) -> SQLRETURN {
        const WideCodec codec = wide_codec(s.connection);
        WideName schema(codec, SchemaName, NameLength2), procedure(codec, ProcName, NameLength3),
            column(codec, ColumnName, NameLength4);
        if (!schema.ok() || !procedure.ok() || !column.ok()) return post_error(&s, "HY090");
        return procedure_columns(s, schema.name(), procedure.name(), column.name());
    });
}
