// The descriptor fields: one table that says, for every SQL_DESC_* field the
// driver keeps, which member of Descriptor or DescRecord holds it, the ODBC
// type the application reads and writes it at, whether it is a header or a
// record field, and which kinds of descriptor let the application write it.
//
// SQLGetDescField, SQLSetDescField, SQLGetDescRec and SQLSetDescRec, the
// column binding of SQLBindCol and the column attributes of SQLColAttribute
// all read and write descriptors through this table, so that every field has
// one width, one member and one set of rules. The fetch and conversion paths
// read the members directly: nothing here runs per row.
//
// Widths: small integers are SQLSMALLINT, integers SQLINTEGER, the fields
// ODBC declares SQLLEN or SQLULEN (array size, octet length, length, display
// size) are 8 bytes on this platform, and pointers are written whole.
//
// Every field is readable on every kind of descriptor (a field ODBC leaves
// unused on a kind reads back whatever it holds). Writing follows the kinds
// of the table: the IRD takes only its two status pointers (anything else is
// HY016), and the driver's own buffer pointers of an IPD stay the driver's.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <string_view>

#include "handles.h"

// Kinds of descriptor, as bits of an access mask. An explicit descriptor
// serves as an ARD or an APD and may write what both allow.
enum DescKindBit : uint8_t {
    desc_ard = 1,
    desc_apd = 2,
    desc_ird = 4,
    desc_ipd = 8,
};

enum class FieldScope : uint8_t { header, record };

// The ODBC type of a field's value.
enum class FieldType : uint8_t { smallint, integer, len, ulen, pointer, text };

// Flags of a field.
enum FieldFlag : uint8_t {
    // Setting it leaves the record's data pointer as it is; setting any other
    // record field of an application descriptor unbinds the record first.
    field_keeps_binding = 1,
    // SQLGetDescField answers 0 for it; SQLColAttribute answers the member.
    field_zero_through_descriptor = 2,
    // One of the fields SQLColAttribute answers.
    field_column_attribute = 4,
};

// A field's value as the application sees it.
struct FieldValue {
    FieldType type = FieldType::integer;
    SQLLEN number = 0;  // smallint, integer and len; ulen bit for bit
    SQLPOINTER pointer = nullptr;
    std::string_view text;  // points into the record
};

using FieldReader = FieldValue (*)(const Descriptor&, const DescRecord*);
// `value` is the SQLSetDescField argument: an integer carried in a pointer,
// or the pointer itself.
using FieldWriter = void (*)(Descriptor&, DescRecord*, SQLPOINTER value);

struct DescField {
    SQLSMALLINT id;
    FieldScope scope;
    FieldType type;
    uint8_t writable;  // DescKindBit mask
    uint8_t flags;     // FieldFlag mask
    FieldReader read;
    FieldWriter write;
};

// The entry of an identifier, or null for one the driver does not keep.
const DescField* find_desc_field(SQLSMALLINT id) noexcept;

// The kind bits of a descriptor: one bit for an implicit descriptor,
// desc_ard | desc_apd for an explicit one.
uint8_t descriptor_kind(const Descriptor& descriptor) noexcept;

// An integer as the SQLSetDescField value argument.
inline SQLPOINTER field_argument(SQLLEN value) noexcept
{
    return reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(value));
}

// Driver-internal access by identifier, without the application's rules
// (no access check, no unbinding): what SQLBindCol, SQLBindParameter and
// SQLSetDescRec store, and what SQLGetDescRec and SQLColAttribute read. The
// identifier must be in the table; `record` is ignored for header fields.
void store_desc_field(Descriptor& descriptor, DescRecord* record, SQLSMALLINT id, SQLPOINTER value);
FieldValue read_desc_field(const Descriptor& descriptor, const DescRecord* record, SQLSMALLINT id);

// Body of SQLGetDescField: the value of a field, or a diagnostic on the
// descriptor (07009, HY091) and SQL_ERROR, or SQL_NO_DATA for a record
// beyond the count.
SQLRETURN get_desc_field(Descriptor& descriptor, SQLSMALLINT record_number, SQLSMALLINT id,
                         FieldValue& value);

// Body of SQLSetDescField (both widths: no settable field is a string).
SQLRETURN set_desc_field(Descriptor& descriptor, SQLSMALLINT record_number, SQLSMALLINT id,
                         SQLPOINTER value);

// Writes a value read by get_desc_field into the application's buffer at
// its width: numbers and pointers whole, with their size as the length;
// text narrow (buffer_length in bytes) or, when `wide`, UTF-16 with lengths
// in bytes. A cut string posts 01004 on the descriptor and gives
// SQL_SUCCESS_WITH_INFO.
SQLRETURN put_desc_field(Descriptor& descriptor, const FieldValue& value, SQLPOINTER buffer,
                         SQLINTEGER buffer_length, SQLINTEGER* length_ptr, bool wide);

// The body of SQLGetDescField(W): get_desc_field, then put_desc_field.
SQLRETURN get_desc_field_into(Descriptor& descriptor, SQLSMALLINT record_number, SQLSMALLINT id,
                              SQLPOINTER buffer, SQLINTEGER buffer_length, SQLINTEGER* length_ptr,
                              bool wide);

// An IRD record field as SQLColAttribute answers it, by descriptor
// identifier; false when SQLColAttribute does not answer the identifier.
bool read_column_attribute(const Descriptor& ird, const DescRecord& record, SQLUSMALLINT id,
                           FieldValue& value);
