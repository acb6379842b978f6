// The records of a descriptor: growth on demand, the bookmark record, and
// the bodies of SQLGetDescRec and SQLSetDescRec.
//
// A descriptor's `records` array has count + 1 entries. Entry 0 stands for
// the bookmark column, which the driver does not support: it is never
// written, and naming it for a write is 07009. Whenever count is above 0 the
// array exists.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <string_view>

#include "handles.h"

// The highest record number an application may bind or set.
constexpr int max_record_number = 32766;

// The size of a row of an application descriptor's row-wise bound arrays,
// or 0 for column-wise binding. The descriptor field is 32 bits wide and the
// attribute an SQLULEN: a row of 2 GiB or more (pyodbc sizes the rows of its
// parameter arrays by the markers' declared lengths) arrives with the top
// bit set and is still a size.
inline SQLLEN row_size(const Descriptor& descriptor)
{
    return static_cast<SQLLEN>(static_cast<std::uint32_t>(descriptor.bind_type));
}

// Grows a descriptor's record array to hold record `number` and raises count
// to it. Within the array's capacity the records between the old count and
// `number` are emptied; beyond it a zeroed array takes the old records: of
// max(number + 1, step) entries when there was none, else the old capacity
// enlarged by `step` entries until number + 1 fit. False when memory runs
// out (the descriptor is then unchanged).
bool grow_records(Descriptor& descriptor, int number, int step = 1);

// The record an application's write names, grown into existence when
// needed. Refused, with a diagnostic on `diagnostics` and a null result:
// record 0 and numbers beyond max_record_number (07009), growth of a
// descriptor that holds the driver's value buffers (07009: the client
// library fetches into those records, so they must not move), and an
// exhausted allocation (HY001).
// `step` is the growth step of grow_records.
DescRecord* record_for_write(Descriptor& descriptor, int number, HandleHeader* diagnostics, int step = 1);

// What SQLGetDescRec reports of a record.
struct DescRecFields {
    std::string_view name;  // the record's label
    SQLSMALLINT type = 0;   // its concise type
    SQLSMALLINT sub_type = 0;
    SQLLEN length = 0;  // its octet length
    SQLSMALLINT precision = 0;
    SQLSMALLINT scale = 0;
    SQLSMALLINT nullable = 0;
};

// Body of SQLGetDescRec: 07009 for a negative number, SQL_NO_DATA beyond
// the count, HY091 on a descriptor without records.
SQLRETURN get_desc_rec(Descriptor& descriptor, SQLSMALLINT record_number, DescRecFields& fields);

// Writes what get_desc_rec read into the application's arguments; the name
// narrow (BufferLength in bytes) or, when `wide`, UTF-16 with lengths in
// characters. A cut name posts 01004 and gives SQL_SUCCESS_WITH_INFO.
SQLRETURN put_desc_rec(Descriptor& descriptor, const DescRecFields& fields, SQLPOINTER name,
                       SQLSMALLINT buffer_length, SQLSMALLINT* name_length, SQLSMALLINT* type,
                       SQLSMALLINT* sub_type, SQLLEN* length, SQLSMALLINT* precision,
                       SQLSMALLINT* scale, SQLSMALLINT* nullable, bool wide);

// The body of SQLGetDescRec(W): get_desc_rec, then put_desc_rec.
SQLRETURN get_desc_rec_into(Descriptor& descriptor, SQLSMALLINT record_number, SQLPOINTER name,
                            SQLSMALLINT buffer_length, SQLSMALLINT* name_length, SQLSMALLINT* type,
                            SQLSMALLINT* sub_type, SQLLEN* length, SQLSMALLINT* precision,
                            SQLSMALLINT* scale, SQLSMALLINT* nullable, bool wide);

// Body of SQLSetDescRec (both widths). An implementation row descriptor, and
// an implementation descriptor the driver has described, is refused with
// HY016. Type and SubType go in as SQL_DESC_TYPE and its interval code do
// when Type is SQL_DATETIME with a date, time or timestamp code, and as
// SQL_DESC_CONCISE_TYPE otherwise; on an IPD the three pointers are not
// taken (its buffers are the driver's).
SQLRETURN set_desc_rec(Descriptor& descriptor, SQLSMALLINT record_number, SQLSMALLINT type,
                       SQLSMALLINT sub_type, SQLLEN length, SQLSMALLINT precision,
                       SQLSMALLINT scale, SQLPOINTER data, SQLLEN* string_length,
                       SQLLEN* indicator);
