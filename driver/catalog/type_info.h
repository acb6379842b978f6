// The text of SQLGetTypeInfo: one SELECT per supported type, each reading
// the type's row of RDB$TYPES (so that the stored type names can stand in
// the result), joined by UNION and sorted by DATA_TYPE.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>

// The rows that `data_type` selects (SQL_ALL_TYPES: all of them). The
// national character types are offered only to the wide entry point; date
// and time rows carry the ODBC 3 codes 91-93 when `odbc3`, else 9-11. A
// code that selects no row gives an empty result with the 19 columns.
std::string type_info_query(SQLSMALLINT data_type, bool wide, bool odbc3);
