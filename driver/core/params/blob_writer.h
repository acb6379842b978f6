// Writing a BLOB parameter: a new BLOB is created for a marker on the
// connection's main transaction (its id lands in the marker's value buffer,
// which the XSQLVAR sends), written in segments and closed. Used by the
// parameter conversion and by data at execution, which streams each piece
// as it arrives.
//
// Each function posts the statement's status on failure and returns
// SQL_ERROR; client calls go through client:: (the tests watch the segments
// through the client table). Callers that write several segments in a row
// hold a ClientCallLock across them.
#pragma once

#include <sql.h>

#include <cstddef>

#include "handles.h"

// The largest segment written in one isc_put_segment call.
inline constexpr std::size_t blob_segment_size = 16384;

// Creates a BLOB for the marker whose IPD record is `ipd_record`; the blob id
// is written into the record's value buffer.
SQLRETURN create_parameter_blob(Statement& statement, DescRecord& ipd_record, isc_blob_handle& handle);

// Writes `length` bytes in order, in segments of at most blob_segment_size.
SQLRETURN write_blob_segments(Statement& statement, isc_blob_handle& handle, const char* data, std::size_t length);

// Closes the BLOB; a close the server answers with SQLCODE 100 is not an
// error. The handle is cleared either way.
SQLRETURN close_parameter_blob(Statement& statement, isc_blob_handle& handle);
