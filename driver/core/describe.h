// Result description: the output XSQLDA of a prepared statement turned into
// its implementation row descriptor (IRD), and the bodies of SQLDescribeCol,
// SQLColAttribute and SQLColAttributes (narrow and wide).
//
// Each IRD record owns the buffers the client fetches into: the XSQLVAR's
// sqldata points at the record's value_buffer (inline_value, or a heap buffer
// of sqllen + 3 bytes when that exceeds 64) and its sqlind at the record's
// inline_indicator. data_ptr equals value_buffer. indicator_ptr addresses
// inline_indicator too, but that is the client's 16-bit ISC_SHORT: read the
// fetched indicator from inline_indicator, never through indicator_ptr (the
// field is typed SQLLEN*).
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>

#include "handles.h"

// What, besides the XSQLDA, decides a description.
struct DescribeContext {
    int32_t odbc_version = 3;   // the environment's; 3 selects ODBC 3 date/time codes
    bool hide_varchar = false;  // BLOBs described as VARCHAR / VARBINARY
    bool with_schema = false;   // schema_name = ownname
    bool statistics = false;    // the rows come from SQLStatistics
};

// The context of a statement: its connection's options and environment's
// ODBC version, and whether SQLStatistics produced it.
DescribeContext describe_context(const Statement& statement);

// Fills the type, name-independent and size fields of one record from one
// XSQLVAR (the two tables of the result description). False, leaving the
// record partly filled, when sqltype is not a type the driver knows.
bool describe_column_type(DescRecord& record, const XSQLVAR& var, const DescribeContext& context);

// Rebuilds the IRD from a described XSQLDA and points every XSQLVAR's
// sqldata/sqlind at its record's buffers: frees the old records' heap
// buffers, sets count to sqld (limited to the slots the XSQLDA has), fills
// records 1..count, applies the SQLStatistics override, sets owns_buffers.
// Diagnostics go to `diagnostics` (may be null). SQL_SUCCESS or SQL_ERROR
// (HY001, or HY000 with the sqltype as native error for an unknown type).
// On failure the XSQLVARs without a built record get null sqldata/sqlind,
// so that a fetch cannot write through stale pointers.
SQLRETURN build_ird(Descriptor& ird, XSQLDA& sqlda, const DescribeContext& context,
                    HandleHeader* diagnostics);

// Describes the result columns of a prepared statement into its IRD: grows
// output_sqlda (isc_dsql_describe again) when the server reported more
// columns than it has slots, then build_ird. To be called after every
// prepare and before every execute of a prepared statement. A statement
// without output_sqlda gets an empty IRD.
SQLRETURN describe_results(Statement& statement);

// Body of SQLDescribeCol / SQLDescribeColW. `column_name` is SQLCHAR* or,
// when `wide`, SQLWCHAR*; buffer_length and *name_length count bytes or,
// when `wide`, characters.
SQLRETURN describe_col(Statement& statement, SQLUSMALLINT column, SQLPOINTER column_name,
                       SQLSMALLINT buffer_length, SQLSMALLINT* name_length, SQLSMALLINT* data_type,
                       SQLULEN* column_size, SQLSMALLINT* decimal_digits, SQLSMALLINT* nullable,
                       bool wide);

// Which field table answers: SQLColAttribute (ODBC 3) or SQLColAttributes
// (ODBC 2). They differ in fields 1, 9 and 1011, and the ODBC 2 one writes 0
// to the numeric result of a string field.
enum class AttributeTable { odbc3, odbc2 };

// Body of SQLColAttribute(s) and their wide forms. Numeric results are
// written whole to `numeric_attribute` (SQLLEN) with sizeof(SQLLEN) as
// length; string results are copied to `character_attribute` (wide: UTF-16,
// buffer_length and *string_length in bytes).
SQLRETURN col_attribute(Statement& statement, AttributeTable table, SQLUSMALLINT column,
                        SQLUSMALLINT field, SQLPOINTER character_attribute,
                        SQLSMALLINT buffer_length, SQLSMALLINT* string_length,
                        SQLLEN* numeric_attribute, bool wide);
