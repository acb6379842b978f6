// Data at execution: the dialogue of SQLParamData and SQLPutData.
//
// An execute that meets a parameter whose indicator is SQL_DATA_AT_EXEC or
// SQL_LEN_DATA_AT_EXEC(n) returns SQL_NEED_DATA with `need_data_param` set
// (the gathering does that). The application then calls SQLParamData, which
// hands out the token (the parameter's bound data pointer) of the next such
// parameter and opens it for pieces; SQLPutData sends the pieces; the
// SQLParamData after the last one executes the statement, the collected
// values staying in place.
//
// Numbering: `need_data_param` and `put_data_state` count APD records (the
// application's parameter numbers). With a {? = call ...} return value, APD
// record 1 is the return value and marker n is record n + 1; output-only
// records feed no marker. marker_of_parameter maps one onto the other.
//
// Where the pieces go:
// - a BLOB marker gets a new BLOB when its first piece is due; every piece
//   is written to it at once, in segments of blob_segment_size (nothing of
//   it is kept in memory); SQL_C_WCHAR pieces for a text BLOB are converted
//   through the connection's code page (per unit under SimpleUnicode) in
//   stack-sized chunks;
// - any other marker collects the pieces in its value buffer (the IPD
//   record's put length, kept in `getdata_offset`, counts the bytes), wide
//   pieces converted the same way. A text marker takes at most its
//   `server_length` bytes (22001 beyond, nothing appended) and is sent with
//   the collected length. A numeric, date or boolean marker takes the value
//   in the form of the parameter's C type, as a bound value would be.
//
// Parameter arrays: the dialogue runs for each parameter set that has
// data-at-execution parameters, in order; the execute after the last piece
// of a set continues with that set, never again with the sets already
// executed.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include "handles.h"

// True for an indicator that asks for data at execution: SQL_DATA_AT_EXEC,
// or SQL_LEN_DATA_AT_EXEC(n) (at most SQL_LEN_DATA_AT_EXEC_OFFSET).
constexpr bool is_data_at_exec(SQLLEN indicator) noexcept
{
    return indicator == SQL_DATA_AT_EXEC || indicator <= SQL_LEN_DATA_AT_EXEC_OFFSET;
}

// The marker (IPD record number) that APD record `parameter` feeds, or 0
// when it feeds none (the return value, an output-only parameter, a number
// beyond the markers).
int marker_of_parameter(const Statement& statement, int parameter) noexcept;

// Body of SQLParamData. SQL_NEED_DATA with the next parameter's token in
// *value_ptr (when not null), or the result of executing the statement once
// every parameter is in. HY010 when no dialogue runs.
SQLRETURN param_data(Statement& statement, SQLPOINTER* value_ptr);

// Body of SQLPutData: one piece for the parameter opened by the last
// SQLParamData. `length` is a byte count, SQL_NTS (a NUL-terminated string,
// of SQLWCHAR units for SQL_C_WCHAR) or SQL_NULL_DATA (the parameter is
// NULL). HY010 when no parameter is open; HY090 for another negative length
// or an odd byte count of wide text.
SQLRETURN put_data(Statement& statement, SQLPOINTER data, SQLLEN length);

// Opens APD record `parameter` for pieces: starts the main transaction when
// none is active, creates the BLOB of a BLOB marker, empties the collected
// value of any other.
SQLRETURN begin_put(Statement& statement, int parameter);

// Completes the parameter now receiving pieces (`put_data_state`): closes
// its BLOB, or puts the collected value in the form its marker is sent in
// (a text marker's length into the XSQLVAR's sqllen).
SQLRETURN finish_put(Statement& statement);

// SQLCancel's part on an idle statement in a dialogue: releases the BLOB
// left open by a parameter receiving pieces and ends the dialogue (the three
// fields cleared). Returns SQL_ERROR when the BLOB cannot be closed.
SQLRETURN cancel_data_at_exec(Statement& statement);
