// The Firebird client's declarations (ibase.h), included after the ODBC
// headers so that both can be used in one unit.
//
// ibase.h names some of Firebird's type codes SQL_DOUBLE, SQL_FLOAT,
// SQL_DATE, SQL_TIMESTAMP, SQL_TYPE_TIME and SQL_TYPE_DATE, the names ODBC
// gives its own codes. Here the ODBC values win; Firebird's codes for those
// types are used by number or under names of their own. Include this file
// instead of <ibase.h> everywhere.
#pragma once

#include <sql.h>
#include <sqlext.h>

#pragma push_macro("SQL_DOUBLE")
#pragma push_macro("SQL_FLOAT")
#pragma push_macro("SQL_DATE")
#pragma push_macro("SQL_TIMESTAMP")
#pragma push_macro("SQL_TYPE_TIME")
#pragma push_macro("SQL_TYPE_DATE")
#include <ibase.h>
#pragma pop_macro("SQL_TYPE_DATE")
#pragma pop_macro("SQL_TYPE_TIME")
#pragma pop_macro("SQL_TIMESTAMP")
#pragma pop_macro("SQL_DATE")
#pragma pop_macro("SQL_FLOAT")
#pragma pop_macro("SQL_DOUBLE")

static_assert(SQL_DOUBLE == 8 && SQL_FLOAT == 6 && SQL_DATE == 9 && SQL_TIMESTAMP == 11 &&
                  SQL_TYPE_TIME == 92 && SQL_TYPE_DATE == 91,
              "the ODBC type codes keep their ODBC values");
