#include "bind_params.h"

#include "convert.h"
#include "descriptor_fields.h"
#include "descriptor_records.h"
#include "diagnostics.h"

namespace {

inline constexpr const char* invalid_descriptor_index = "07009";

// Clears the pointers of parameter `number` and, when it was the highest,
// lowers the count past every record at the top that holds neither a data
// nor an indicator pointer.
SQLRETURN unbind_parameter(Descriptor& apd, int number)
{
    if (apd.records == nullptr || number > apd.count) return SQL_SUCCESS;
    DescRecord* record = &apd.records[number];
    for (SQLSMALLINT id : {SQL_DESC_DATA_PTR, SQL_DESC_INDICATOR_PTR, SQL_DESC_OCTET_LENGTH_PTR})
        store_desc_field(apd, record, id, nullptr);
    if (number == apd.count) {
        while (apd.count > 0 && apd.records[apd.count].data_ptr == nullptr &&
               apd.records[apd.count].indicator_ptr == nullptr)
            --apd.count;
    }
    return SQL_SUCCESS;
}

// The IPD record of marker `marker`, or null before a prepare or past the
// markers.
DescRecord* described_marker(Statement& statement, int marker)
{
    Descriptor* ipd = statement.ipd;
    if (ipd == nullptr || ipd->records == nullptr || marker < 1 || marker > ipd->count) return nullptr;
    return &ipd->records[marker];
}

// The marker behind the application's parameter `number`: the return value
// of a {? = call ...} is parameter 1 and has none.
int marker_of(const Statement& statement, int number)
{
    return statement.return_value_param ? number - 1 : number;
}

}  // namespace

SQLRETURN bind_parameter(Statement& statement, SQLUSMALLINT number, SQLSMALLINT io_type,
                         SQLSMALLINT c_type, SQLSMALLINT sql_type, SQLPOINTER value,
                         SQLLEN buffer_length, SQLLEN* length_or_indicator)
{
    Descriptor& apd = *statement.apd;
    // Record 0 is the bookmark slot, never a parameter.
    if (number == 0) return post_error(&statement, invalid_descriptor_index);
    if (value == nullptr && length_or_indicator == nullptr) return unbind_parameter(apd, number);

    DescRecord* record = record_for_write(apd, number, &statement, apd_growth_step);
    if (record == nullptr) return SQL_ERROR;
    auto store = [&](Descriptor& d, DescRecord* r, SQLSMALLINT id, SQLLEN v) {
        store_desc_field(d, r, id, field_argument(v));
    };
    if (buffer_length <= 0) {
        const SQLLEN fixed = c_type_fixed_size(c_type);
        if (fixed > 0) buffer_length = fixed;
    }
    // The concise type sets the verbose type and, for the dates and times of
    // either ODBC version, SQL_DATETIME with the interval code.
    store(apd, record, SQL_DESC_CONCISE_TYPE, c_type);
    store(apd, record, SQL_DESC_PARAMETER_TYPE, io_type);
    store(apd, record, SQL_DESC_OCTET_LENGTH, buffer_length);
    store_desc_field(apd, record, SQL_DESC_DATA_PTR, value);
    store_desc_field(apd, record, SQL_DESC_INDICATOR_PTR, length_or_indicator);
    store_desc_field(apd, record, SQL_DESC_OCTET_LENGTH_PTR, length_or_indicator);
    record->sql_type_hint = sql_type;

    // Once prepared, the application's SQL type is the marker's type, and
    // the marker's sizes go with the binding.
    if (DescRecord* described = described_marker(statement, marker_of(statement, number))) {
        Descriptor& ipd = *statement.ipd;
        store(ipd, described, SQL_DESC_CONCISE_TYPE, sql_type);
        for (SQLSMALLINT id : {SQL_DESC_LENGTH, SQL_DESC_PRECISION, SQL_DESC_SCALE,
                               SQL_DESC_DATETIME_INTERVAL_PRECISION})
            store(apd, record, id, read_desc_field(ipd, described, id).number);
    }
    return SQL_SUCCESS;
}

SQLRETURN num_params(Statement& statement, SQLSMALLINT* count)
{
    if (count != nullptr) {
        const int markers = statement.ipd != nullptr ? statement.ipd->count : 0;
        *count = static_cast<SQLSMALLINT>(markers + (statement.return_value_param ? 1 : 0));
    }
    return SQL_SUCCESS;
}

SQLRETURN describe_param(Statement& statement, SQLUSMALLINT number, SQLSMALLINT* data_type,
                         SQLULEN* parameter_size, SQLSMALLINT* decimal_digits, SQLSMALLINT* nullable)
{
    const DescRecord* record = nullptr;
    if (number > 0) {
        if (!statement.return_value_param || number > 1) {
            record = described_marker(statement, marker_of(statement, number));
        } else {
            // The return value: the procedure's first output column.
            const Descriptor* ird = statement.ird;
            if (ird != nullptr && ird->records != nullptr && ird->count >= 1) record = &ird->records[1];
        }
    }
    if (record == nullptr) return post_error(&statement, invalid_descriptor_index);
    if (data_type != nullptr) *data_type = record->concise_type;
    if (parameter_size != nullptr) *parameter_size = static_cast<SQLULEN>(record->display_size);
    if (decimal_digits != nullptr) *decimal_digits = record->scale;
    if (nullable != nullptr) *nullable = record->nullable;
    return SQL_SUCCESS;
}
