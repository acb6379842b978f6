// Writing a parameter's value into a new BLOB: the shared steps of the
// parameter conversion (a whole value at once) and of data at execution
// (one piece per SQLPutData).
//
// The BLOB is created on the connection's main transaction (started here
// when none is active) and its id goes straight into the marker's value
// buffer, which the XSQLVAR sends. Bytes go to the server in segments of at
// most blob_segment_size, in order, as they arrive: a value is never
// collected in memory. Every function posts the statement's status and
// returns SQL_ERROR when the client fails.
#pragma once

#include <sql.h>

#include <cstddef>

#include "handles.h"

// The largest segment handed to isc_put_segment.
inline constexpr std::size_t blob_segment_size = 16384;

// Creates a BLOB for the marker whose IPD record is `ipd_record`: its id is
// written into the record's value buffer; `handle` receives the open BLOB.
SQLRETURN create_parameter_blob(Statement& statement, DescRecord& ipd_record, isc_blob_handle& handle);

// Writes `length` bytes in segments of at most blob_segment_size.
SQLRETURN write_blob_segments(Statement& statement, isc_blob_handle& handle, const char* data,
                              std::size_t length);

// Closes the BLOB; a close the server answers with SQLCODE 100 is not an
// error. `handle` is 0 afterwards.
SQLRETURN close_parameter_blob(Statement& statement, isc_blob_handle& handle);

// Closes a BLOB after a failure, keeping the diagnostic already posted: its
// own status goes to a scratch vector. `handle` is 0 afterwards.
void abandon_parameter_blob(isc_blob_handle& handle);
