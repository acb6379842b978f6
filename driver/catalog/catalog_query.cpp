#include "catalog_query.h"

#include "describe.h"
#include "describe_params.h"
#include "diagnostics.h"
#include "row_rewrite.h"
#include "statement.h"

SQLRETURN run_catalog_query(Statement& statement, const CatalogQuery& query, int32_t kind)
{
    if (query.too_long) return post_error(&statement, "HY090");
    statement.catalog_kind = kind;
    const bool read = query.read_transaction;
    SQLRETURN rc = prepare_driver_text(statement, query.text, read);
    if (SQL_SUCCEEDED(rc)) {
        // The catalog text has no markers: this clears what an earlier
        // statement described.
        SQLRETURN described = describe_parameters(statement);
        if (described == SQL_SUCCESS) described = describe_results(statement);
        if (described != SQL_SUCCESS) rc = described;
    }
    if (!SQL_SUCCEEDED(rc)) return rc;
    SQLRETURN executed = execute_statement(statement, read);
    if (executed != SQL_SUCCESS) return executed;
    return rc;
}
