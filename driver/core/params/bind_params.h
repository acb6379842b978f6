// The application's side of parameters: SQLBindParameter writes APD records
// (and, once the statement is prepared, the IPD record's type), SQLNumParams
// and SQLDescribeParam read what describe_parameters built.
//
// Parameter numbers count the markers of the statement as the application
// wrote it: a {? = call ...} has the return value as parameter 1, which the
// server never sees as a marker; it is the first column of the procedure's
// result (IRD record 1), and parameter n above 1 is IPD record n - 1.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include "handles.h"

// APD record arrays grow by this many records at a time.
inline constexpr int apd_growth_step = 32;

// Body of SQLBindParameter. Both `value` and `length_or_indicator` null
// unbind parameter `number` (and lower the APD's count past the unbound
// records at its top when it was the highest). Otherwise the APD record is
// created or rewritten: C type, direction, octet length (the C type's fixed
// size when `buffer_length` is 0 or less), pointers, and the SQL type as
// sql_type_hint. Column size and decimal digits are not used. Parameter 0
// (and numbers past the record limit) is 07009; HY001 when the APD cannot
// grow, the APD then unchanged.
SQLRETURN bind_parameter(Statement& statement, SQLUSMALLINT number, SQLSMALLINT io_type,
                         SQLSMALLINT c_type, SQLSMALLINT sql_type, SQLPOINTER value,
                         SQLLEN buffer_length, SQLLEN* length_or_indicator);

// Body of SQLNumParams: the markers of the statement, the return value of a
// {? = call ...} included. A null pointer is allowed.
SQLRETURN num_params(Statement& statement, SQLSMALLINT* count);

// Body of SQLDescribeParam: concise type, display size, scale and
// nullability of a parameter; 07009 for 0 or a number beyond the
// parameters. Null pointers are skipped.
SQLRETURN describe_param(Statement& statement, SQLUSMALLINT number, SQLSMALLINT* data_type,
                         SQLULEN* parameter_size, SQLSMALLINT* decimal_digits, SQLSMALLINT* nullable);
