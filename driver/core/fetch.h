// Fetching: bound columns, rowsets, and the forward-only cursor.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include "handles.h"

SQLRETURN bind_column(Statement& statement, SQLUSMALLINT column, SQLSMALLINT c_type, SQLPOINTER target,
                      SQLLEN buffer_length, SQLLEN* str_len_or_ind);

// Fills one rowset of the ARD's array size.
SQLRETURN fetch_rowset(Statement& statement);

// Advances the cursor by one row: SQL_SUCCESS, SQL_NO_DATA or SQL_ERROR.
// Takes the client lock; fetch_rowset holds it once for all its rows.
SQLRETURN fetch_row(Statement& statement);

// The commit-after-select rule, applied whenever the cursor reports its end.
void end_of_cursor(Statement& statement);

SQLRETURN fetch_scroll(Statement& statement, SQLSMALLINT orientation);

SQLRETURN extended_fetch(Statement& statement, SQLUSMALLINT orientation, SQLULEN* row_count,
                         SQLUSMALLINT* row_status);
