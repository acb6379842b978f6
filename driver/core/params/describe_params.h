// Parameter description: the input XSQLDA of a prepared statement turned into
// its implementation parameter descriptor (IPD).
//
// After every prepare the server describes the markers; each IPD record n
// then owns the buffer the client reads marker n's value from:
// - value_buffer is the record's inline_value, or a zero-filled heap buffer
//   of sqllen + 3 bytes when that exceeds inline_value (the IPD's
//   owns_buffers is set, so the buffers are freed with the records);
//   data_ptr equals value_buffer;
// - XSQLVAR n of statement.input_sqlda (index n - 1) has sqldata =
//   value_buffer and sqlind = &record.inline_indicator;
// - server_length is the described sqllen (the marker's capacity in bytes),
//   server_scale its sqlscale.
// The IPD's indicator_ptr and octet_length_ptr stay null: the XSQLVAR's
// sqlind and sqllen are 16-bit, so whoever stores a value writes the
// length through the XSQLVAR (sqlvar[n-1].sqllen) and the null flag into
// record.inline_indicator, never through an SQLLEN pointer.
// A VARCHAR marker is sent as nullable CHAR (sqltype 453) with an explicit
// length. A BLOB marker's buffer holds its ISC_QUAD blob id.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>

#include "describe.h"
#include "handles.h"

// Fills the ODBC fields of one IPD record from a described marker (the IPD
// mapping table). False, with the record untouched, when the marker's type
// is not one the driver can send (INT128, DECFLOAT, the types with time
// zone, the untyped NULL marker, ...).
bool describe_parameter_type(DescRecord& record, const XSQLVAR& var, const DescribeContext& context);

// Describes the markers of a prepared statement: sizes the input XSQLDA
// (16 entries, or the APD's count + 1 when that is larger, and again to the
// server's sqld when the markers are more), describes it, rebuilds the IPD
// as above. SQL_SUCCESS, or SQL_ERROR with the statement's status (a failed
// describe), HY001, or HY000 "Unexpected parameter type incountered in
// driver_describe()" with the Firebird type code as native error. On an
// error the IPD is left empty and the input XSQLDA is released, so that an
// execute can never pass the client buffers of an unfinished description.
// A statement without a server statement gets an empty IPD.
SQLRETURN describe_parameters(Statement& statement);
