#include "descriptor_records.h"
#include "guard.h"

static SQLRETURN set_desc_rec_export(SQLHDESC handle, SQLSMALLINT record, SQLSMALLINT type,
                                     SQLSMALLINT sub_type, SQLLEN length, SQLSMALLINT precision,
                                     SQLSMALLINT scale, SQLPOINTER data, SQLLEN* string_length,
                                     SQLLEN* indicator) noexcept
{
    return guarded<Descriptor>(handle, [&](Descriptor& d) {
        return set_desc_rec(d, record, type, sub_type, length, precision, scale, data,
                            string_length, indicator);
    });
}

BROLIX_EXPORT SQLRETURN SQL_API SQLSetDescRec(SQLHDESC DescriptorHandle, SQLSMALLINT RecNumber,
                                              SQLSMALLINT Type, SQLSMALLINT SubType, SQLLEN Length,
                                              SQLSMALLINT Precision, SQLSMALLINT Scale,
                                              SQLPOINTER Data, SQLLEN* StringLength,
                                              SQLLEN* Indicator)
{
    return set_desc_rec_export(DescriptorHandle, RecNumber, Type, SubType, Length, Precision, Scale,
                               Data, StringLength, Indicator);
}

// SQLSetDescRec takes no string: the wide entry is the same.
BROLIX_EXPORT SQLRETURN SQL_API SQLSetDescRecW(SQLHDESC DescriptorHandle, SQLSMALLINT RecNumber,
                                               SQLSMALLINT Type, SQLSMALLINT SubType, SQLLEN Length,
                                               SQLSMALLINT Precision, SQLSMALLINT Scale,
                                               SQLPOINTER Data, SQLLEN* StringLength,
                                               SQLLEN* Indicator)
{
    return set_desc_rec_export(DescriptorHandle, RecNumber, Type, SubType, Length, Precision, Scale,
                               Data, StringLength, Indicator);
}
