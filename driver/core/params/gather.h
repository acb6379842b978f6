// Gathering one parameter set: for every marker of the prepared statement,
// the application's value for the statement's current row (row_index) is
// found through the APD (row-wise or column-wise binding, the bind offset)
// and converted into the marker's XSQLVAR and IPD value buffer.
#pragma once

#include <sql.h>

#include "handles.h"

// Fills every marker for the current parameter set.
// Returns 0 when all markers are filled (params_processed advanced),
// SQL_NEED_DATA when a data-at-execution parameter is met first
// (need_data_param holds its APD record number), or SQL_ERROR with a
// diagnostic on the statement (07002 for a marker without a bound value, a
// conversion failure). Markers before a failing one stay converted; BLOBs
// already written belong to the transaction.
SQLRETURN gather_parameters(Statement& statement);
