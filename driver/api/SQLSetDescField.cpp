#include "descriptor_fields.h"
#include "guard.h"

static SQLRETURN set_desc_field_export(SQLHDESC handle, SQLSMALLINT record, SQLSMALLINT field,
                                       SQLPOINTER value) noexcept
{
    return guarded<Descriptor>(handle, [&](Descriptor& d) { return set_desc_field(d, record, field, value); });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLSetDescField(SQLHDESC DescriptorHandle, SQLSMALLINT RecNumber,
                                                SQLSMALLINT FieldIdentifier, SQLPOINTER Value,
                                                SQLINTEGER BufferLength)
{
    return set_desc_field_export(DescriptorHandle, RecNumber, FieldIdentifier, Value);
}

// No field the application may set is a string: the wide entry is the same.
BROLIX_EXPORT SQLRETURN SQL_API SQLSetDescFieldW(SQLHDESC DescriptorHandle, SQLSMALLINT RecNumber,
                                                 SQLSMALLINT FieldIdentifier, SQLPOINTER Value,
                                                 SQLINTEGER BufferLength)
{
    return set_desc_field_export(DescriptorHandle, RecNumber, FieldIdentifier, Value);
}
