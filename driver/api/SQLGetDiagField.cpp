#include <cstdlib>
#include <string>

#include "guard.h"
#include "text.h"

namespace {

enum class FieldKind { header_count, no_data, text, integer, length };

struct DiagField {
    SQLSMALLINT identifier;
    FieldKind kind;
};

constexpr DiagField diag_fields[] = {
    {SQL_DIAG_NUMBER, FieldKind::header_count},
    {SQL_DIAG_RETURNCODE, FieldKind::no_data},
    {SQL_DIAG_ROW_COUNT, FieldKind::no_data},
    {SQL_DIAG_DYNAMIC_FUNCTION, FieldKind::no_data},
    {SQL_DIAG_DYNAMIC_FUNCTION_CODE, FieldKind::no_data},
    {SQL_DIAG_CURSOR_ROW_COUNT, FieldKind::no_data},
    {SQL_DIAG_SQLSTATE, FieldKind::text},
    {SQL_DIAG_NATIVE, FieldKind::integer},
    {SQL_DIAG_MESSAGE_TEXT, FieldKind::text},
    {SQL_DIAG_CLASS_ORIGIN, FieldKind::text},
    {SQL_DIAG_SUBCLASS_ORIGIN, FieldKind::text},
    {SQL_DIAG_CONNECTION_NAME, FieldKind::text},
    {SQL_DIAG_SERVER_NAME, FieldKind::text},
    {SQL_DIAG_ROW_NUMBER, FieldKind::length},
    {SQL_DIAG_COLUMN_NUMBER, FieldKind::integer},
};

const DiagField* find_field(SQLSMALLINT identifier)
{
    for (const auto& field : diag_fields)
        if (field.identifier == identifier) return &field;
    return nullptr;
}

std::string text_field(const DiagRecord& record, SQLSMALLINT identifier)
{
    switch (identifier) {
    case SQL_DIAG_SQLSTATE: return std::string(record.sqlstate, 5);
    case SQL_DIAG_MESSAGE_TEXT: return record.message_text;
    case SQL_DIAG_CLASS_ORIGIN: return record.class_origin;
    case SQL_DIAG_SUBCLASS_ORIGIN: return "ODBC 3.0";
    case SQL_DIAG_CONNECTION_NAME: return record.connection_name;
    default: return record.server_name;
    }
}

SQLLEN integer_field(const DiagRecord& record, SQLSMALLINT identifier)
{
    switch (identifier) {
    case SQL_DIAG_NATIVE: return record.native_error;
    case SQL_DIAG_ROW_NUMBER: return record.row_number;
    default: return record.column_number;
    }
}

// Finds the field and its record; text fields come back in `text` for the
// caller to write in its width, integers are written here.
SQLRETURN lookup(HandleHeader& handle, SQLSMALLINT number, SQLSMALLINT identifier, SQLPOINTER value,
                 SQLSMALLINT* length, std::string& text, bool& is_text)
{
    is_text = false;
    const DiagField* field = find_field(identifier);
    if (field == nullptr || field->kind == FieldKind::no_data) return SQL_NO_DATA;
    if (field->kind == FieldKind::header_count) {
        if (value != nullptr) *static_cast<SQLINTEGER*>(value) = handle.diag_count;
        return SQL_SUCCESS;
    }
    const DiagRecord* record = diag_record(&handle, number);
    if (record == nullptr) return SQL_NO_DATA;
    if (field->kind == FieldKind::text) {
        text = text_field(*record, identifier);
        is_text = true;
        return SQL_SUCCESS;
    }
    SQLLEN n = integer_field(*record, identifier);
    if (value != nullptr) {
        if (field->kind == FieldKind::length)
            *static_cast<SQLLEN*>(value) = n;
        else
            *static_cast<SQLINTEGER*>(value) = static_cast<SQLINTEGER>(n);
    }
    return SQL_SUCCESS;
}

}  // namespace

// A text value that does not fit is cut, terminated within BufferLength and
// reported with SQL_SUCCESS_WITH_INFO and its full length.
// Text fields go to `out` in its width (the wide form counts bytes).
static SQLRETURN get_diag_field(HandleHeader& handle, SQLSMALLINT number, SQLSMALLINT identifier,
                                SQLPOINTER value, SQLSMALLINT buffer_length, SQLSMALLINT* length,
                                TextForm form)
{
    std::string text;
    bool is_text;
    SQLRETURN rc = lookup(handle, number, identifier, value, length, text, is_text);
    if (rc != SQL_SUCCESS || !is_text) return rc;
    TextOut out(form, wide_codec(owning_connection(&handle)), value, buffer_length, length);
    return out.write(text) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

BROLIX_EXPORT SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT HandleType, SQLHANDLE Handle,
                                                SQLSMALLINT RecNumber, SQLSMALLINT DiagIdentifier,
                                                SQLPOINTER DiagInfoPtr, SQLSMALLINT BufferLength,
                                                SQLSMALLINT* StringLengthPtr)
{
    return guarded_any(
        Handle,
        [&](HandleHeader& h) {
            return get_diag_field(h, RecNumber, DiagIdentifier, DiagInfoPtr, BufferLength,
                                  StringLengthPtr, TextForm::narrow);
        },
        Diags::keep);
}

BROLIX_EXPORT SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT HandleType, SQLHANDLE Handle,
                                                 SQLSMALLINT RecNumber, SQLSMALLINT DiagIdentifier,
                                                 SQLPOINTER DiagInfoPtr, SQLSMALLINT BufferLength,
                                                 SQLSMALLINT* StringLengthPtr)
{
    return guarded_any(
        Handle,
        [&](HandleHeader& h) {
            return get_diag_field(h, RecNumber, DiagIdentifier, DiagInfoPtr, BufferLength,
                                  StringLengthPtr, TextForm::wide_bytes);
        },
        Diags::keep);
}
