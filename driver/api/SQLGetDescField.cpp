#include "descriptor_fields.h"
#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLGetDescField(SQLHDESC DescriptorHandle, SQLSMALLINT RecNumber,
                                                SQLSMALLINT FieldIdentifier, SQLPOINTER Value,
                                                SQLINTEGER BufferLength, SQLINTEGER* StringLength)
{
    return guarded<Descriptor>(DescriptorHandle, [&](Descriptor& d) {
        return get_desc_field_into(d, RecNumber, FieldIdentifier, Value, BufferLength,
                                   StringLength, false);
    });
}

// String fields in UTF-16; BufferLength and StringLength count bytes.
BROLIX_EXPORT SQLRETURN SQL_API SQLGetDescFieldW(SQLHDESC DescriptorHandle, SQLSMALLINT RecNumber,
                                                 SQLSMALLINT FieldIdentifier, SQLPOINTER Value,
                                                 SQLINTEGER BufferLength, SQLINTEGER* StringLength)
{
    return guarded<Descriptor>(DescriptorHandle, [&](Descriptor& d) {
        return get_desc_field_into(d, RecNumber, FieldIdentifier, Value, BufferLength,
                                   StringLength, true);
    });
}
