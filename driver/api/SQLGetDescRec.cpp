#include "descriptor_records.h"
#include "guard.h"

BROLIX_EXPORT SQLRETURN SQL_API SQLGetDescRec(SQLHDESC DescriptorHandle, SQLSMALLINT RecNumber,
                                              SQLCHAR* Name, SQLSMALLINT BufferLength,
                                              SQLSMALLINT* StringLength, SQLSMALLINT* Type,
                                              SQLSMALLINT* SubType, SQLLEN* Length,
                                              SQLSMALLINT* Precision, SQLSMALLINT* Scale,
                                              SQLSMALLINT* Nullable)
{
    return guarded<Descriptor>(DescriptorHandle, [&](Descriptor& d) {
        return get_desc_rec_into(d, RecNumber, Name, BufferLength, StringLength, Type, SubType,
                                 Length, Precision, Scale, Nullable, false);
    });
}

// The name in UTF-16; BufferLength and StringLength count characters.
BROLIX_EXPORT SQLRETURN SQL_API SQLGetDescRecW(SQLHDESC DescriptorHandle, SQLSMALLINT RecNumber,
                                               SQLWCHAR* Name, SQLSMALLINT BufferLength,
                                               SQLSMALLINT* StringLength, SQLSMALLINT* Type,
                                               SQLSMALLINT* SubType, SQLLEN* Length,
                                               SQLSMALLINT* Precision, SQLSMALLINT* Scale,
                                               SQLSMALLINT* Nullable)
{
    return guarded<Descriptor>(DescriptorHandle, [&](Descriptor& d) {
        return get_desc_rec_into(d, RecNumber, Name, BufferLength, StringLength, Type, SubType,
                                 Length, Precision, Scale, Nullable, true);
    });
}
