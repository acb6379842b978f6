// Catalog row rewriting: right after the fetch of a row of a catalog
// result, the raw system-table values that the catalog statement selected
// (field type codes, character-set ids, sub-types, rule names, privilege
// letters, grant flags) are rewritten in the row's XSQLVAR buffers into the
// values of the ODBC result set, so that bound columns and SQLGetData read
// ODBC values through the ordinary conversions.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include "handles.h"

// The first ODBC function code that names a catalog function: statements
// of application SQL carry smaller codes (SQLExecDirect 11, SQLFetch 13,
// SQLPrepare 19), so the fetch path needs one comparison to tell them apart.
inline constexpr int32_t first_catalog_kind = SQL_API_SQLCOLUMNS;

inline bool is_catalog_kind(int32_t kind) noexcept { return kind >= first_catalog_kind; }

enum class RowOutcome {
    deliver,  // the row is rewritten and goes to the application
    skip,     // a duplicate row: fetch the next server row instead
    end,      // no more rows (at_end has been set)
    error,    // a type the rewriting does not know: 07006 posted
};

// Rewrites the row just fetched, by the statement's catalog kind.
RowOutcome rewrite_catalog_row(Statement& statement);

// Resets the row-numbering state at the start of a catalog call.
void reset_catalog_state(Statement& statement);
