// The sequence every catalog function runs once its text is composed:
// prepare (in the read transaction unless the query says otherwise),
// describe, execute. The statement then holds an open cursor over the
// result, as after SQLExecDirect, and its catalog kind selects the row
// rewriting while it is fetched.
#pragma once

#include <sql.h>

#include "handles.h"
#include "queries.h"

// Returns the first failure of prepare and describe, else the result of
// execute, turned into SQL_SUCCESS_WITH_INFO when an earlier step warned. A
// query refused for a too long name posts HY090 and prepares nothing.
SQLRETURN run_catalog_query(Statement& statement, const CatalogQuery& query, int32_t kind);
