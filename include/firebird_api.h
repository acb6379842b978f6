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

// Firebird sqltype codes with the nullable bit cleared. Named apart from
// ibase.h's SQL_* macros, several of which collide with ODBC's.
namespace fb_type {
inline constexpr int varying = 448;
inline constexpr int text = 452;
inline constexpr int double_precision = 480;
inline constexpr int float_ = 482;
inline constexpr int long_ = 496;
inline constexpr int short_ = 500;
inline constexpr int timestamp = 510;
inline constexpr int blob = 520;
inline constexpr int array = 540;
inline constexpr int time = 560;
inline constexpr int date = 570;
inline constexpr int int64 = 580;
inline constexpr int boolean_legacy = 590;
inline constexpr int timestamp_tz_ex = 32748;
inline constexpr int time_tz_ex = 32750;
inline constexpr int int128 = 32752;
inline constexpr int timestamp_tz = 32754;
inline constexpr int time_tz = 32756;
inline constexpr int dec16 = 32760;
inline constexpr int dec34 = 32762;
inline constexpr int boolean = 32764;
}  // namespace fb_type
