// Conversion of result columns to the application's C types: the one step
// that SQLGetData, the transfer of bound columns after every fetched row and
// the transfer of procedure output parameters all go through, and the
// protocol for reading BLOB values in one call or in pieces.
//
// The value is read where the client left it: the column's XSQLVAR in the
// statement's output XSQLDA. Per-row state (how much of a value SQLGetData
// has already returned, the row's BLOB, opened when it is first read)
// lives in the column's IRD record. Nothing is allocated per value except for decoding text from a
// code page other than UTF-8.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include "handles.h"

// Converts column `column` (from 1) of the current row into `c_type` at
// `target`, a buffer of `buffer_length` bytes, storing the length or
// SQL_NULL_DATA through `str_len_or_ind` and the length through
// `octet_length` (either may be null; when both are the same location it
// receives the indicator only).
//
// `called_from_fetch` marks a bound column: the value is always delivered
// from its start and a BLOB read through its handle is closed afterwards, to
// be opened again from its start by a later SQLGetData.
// Otherwise (SQLGetData, output parameters) a value longer than the buffer
// is returned in pieces over successive calls, then SQL_NO_DATA.
// `ard_type` marks a C type taken from the ARD record (SQL_ARD_TYPE): the
// target precision and scale of SQL_C_NUMERIC then come from that record.
//
// SQL_SUCCESS, SQL_SUCCESS_WITH_INFO (01004 posted: the value was cut),
// SQL_NO_DATA or SQL_ERROR (diagnostic posted on the statement).
SQLRETURN convert_column(Statement& statement, int column, SQLSMALLINT c_type, SQLPOINTER target,
                         SQLLEN buffer_length, SQLLEN* str_len_or_ind, bool called_from_fetch,
                         SQLLEN* octet_length, bool ard_type);

namespace convert_detail {
struct Conversion;
}

// A conversion worked out for one column and C type: the C type resolved
// (SQL_C_DEFAULT, SQL_ARD_TYPE) and the converter chosen from the matrix.
// The fetch works it out once per rowset for every bound column, so that
// each row pays only for the conversion itself.
// Plain data without initializers: the fetch keeps an array of them on its
// stack for every call and fills only the entries it uses.
struct ResolvedConversion {
    int column;
    // The column's IRD record and XSQLVAR, which stay in place while the
    // result is open, and its stored type without the nullable bit.
    DescRecord* record;
    const XSQLVAR* var;
    int sqltype;
    SQLSMALLINT c_type;
    bool ard_type;
    bool array;  // an ARRAY column: always delivered as NULL
    // The bytes stored are the C type's value as they are (an INTEGER of
    // scale 0 into SQL_C_SLONG, a DOUBLE PRECISION into SQL_C_DOUBLE): their
    // count, and the value is delivered by one copy; 0 otherwise.
    std::uint8_t copy_size;
    SQLRETURN (*converter)(convert_detail::Conversion&);
};

// Why a conversion cannot be resolved: the SQLSTATE and the number its
// message carries; a null state when it can.
struct ConversionRefusal {
    const char* sqlstate = nullptr;
    int detail = 0;
};

// Resolves column `column` (from 1) to `c_type`. Posts nothing: the caller
// either posts the refusal or falls back to convert_column, which does.
ConversionRefusal resolve_conversion(const Statement& statement, int column, SQLSMALLINT c_type, bool ard_type,
                                     ResolvedConversion& out);

// A bound column as the fetch plans it once per rowset: its buffers moved
// by the bind offset, the steps from one row's elements to the next, and
// its conversion resolved.
struct BoundColumn {
    int index;                 // the column number, from 1
    SQLSMALLINT concise_type;  // the C type bound
    // False when the conversion cannot be resolved: convert_column then
    // posts the refusal for every row, as it does without a plan.
    bool resolved;
    ResolvedConversion conversion;
    char* data;
    SQLLEN* indicator;
    SQLLEN* octet_length;  // null when it is the indicator pointer
    SQLLEN stride;         // of the data; indicators and lengths step by the rowset's
    SQLLEN buffer_length;
};

// Delivers the current row into rowset position `row` of the `count`
// planned columns, in order, with the results convert_column gives each:
// SQL_ERROR at the first column that fails, else SQL_SUCCESS_WITH_INFO when
// a value was cut. Kept beside the converters so that the per-value steps
// are inlined into the loop over the columns.
SQLRETURN deliver_bound_columns(Statement& statement, const BoundColumn* columns, int count, SQLULEN row,
                                SQLLEN length_stride);

// Size in bytes of one element of a fixed-size C type (SQL_C_NUMERIC 19,
// the 32-bit types and SQL_C_FLOAT 4, the 16-bit types 2, SQL_C_DOUBLE and
// the 64-bit types 8, dates and times 6, timestamps 16, SQL_C_BIT and the
// 8-bit types 1); 0 for a type without a fixed size (text, binary, unknown).
SQLLEN c_type_fixed_size(SQLSMALLINT c_type);

// SQL_C_DEFAULT: the C type that goes with an SQL type, for columns and
// parameters alike. The wide SQL types give SQL_C_CHAR when the connection's
// wchar_default_c option is on. An SQL type without an entry is taken as the
// C type code itself.
SQLSMALLINT default_c_type(SQLSMALLINT sql_type, bool wchar_default_c);

// Body of SQLGetData.
SQLRETURN get_data(Statement& statement, SQLUSMALLINT column, SQLSMALLINT c_type, SQLPOINTER target,
                   SQLLEN buffer_length, SQLLEN* str_len_or_ind);
