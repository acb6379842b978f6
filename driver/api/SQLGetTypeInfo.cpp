#include "catalog_query.h"
#include "guard.h"
#include "row_rewrite.h"
#include "type_info.h"

namespace {

// The wide entry point also offers the national character types.
SQLRETURN get_type_info(Statement& s, SQLSMALLINT data_type, bool wide)
{
    reset_catalog_state(s);
    const Connection& c = *s.connection;
    const bool odbc3 = c.env != nullptr && c.env->odbc_version == SQL_OV_ODBC3;
    CatalogQuery query;
    query.text = type_info_query(data_type, wide, odbc3);
    return run_catalog_query(s, query, SQL_API_SQLGETTYPEINFO);
}

}  // namespace

BROLIX_EXPORT SQLRETURN SQL_API SQLGetTypeInfo(SQLHSTMT StatementHandle, SQLSMALLINT DataType)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) { return get_type_info(s, DataType, false); });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLGetTypeInfoW(SQLHSTMT StatementHandle, SQLSMALLINT DataType)
{
    return guarded<Statement>(StatementHandle, [&](Statement& s) { return get_type_info(s, DataType, true); });
}
