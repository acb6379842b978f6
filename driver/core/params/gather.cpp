#include "gather.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "descriptor_records.h"
#include "diagnostics.h"
#include "param_convert.h"

namespace {

inline constexpr const char* count_incorrect = "07002";

bool is_data_at_exec(SQLLEN indicator)
{
    return indicator == SQL_DATA_AT_EXEC || indicator <= SQL_LEN_DATA_AT_EXEC_OFFSET;
}

bool is_bound(const DescRecord& record)
{
    return record.data_ptr != nullptr || record.indicator_ptr != nullptr;
}

bool is_output(const DescRecord& record)
{
    return record.parameter_type == SQL_PARAM_OUTPUT || record.parameter_type == SQL_PARAM_INPUT_OUTPUT;
}

// An indicator or length of the application's: rows of parameter arrays
// (pyodbc's, for one) pack them at any alignment.
SQLLEN read_length(const SQLLEN* at)
{
    SQLLEN value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// The length/indicator value L: the indicator's value unless it marks NULL
// or data at execution, replaced by the length's value when there is a
// length pointer; SQL_NTS when there is neither.
SQLLEN length_value(const SQLLEN* indicator, const SQLLEN* length)
{
    if (length != nullptr) return read_length(length);
    if (indicator != nullptr) return read_length(indicator);
    return SQL_NTS;
}

}  // namespace

ParameterRow ParameterRow::of(const Statement& statement)
{
    const Descriptor& apd = *statement.apd;
    return {statement.row_index, ::row_size(apd), apd.bind_offset_ptr != nullptr ? *apd.bind_offset_ptr : 0};
}

SQLRETURN gather_parameters(Statement& statement)
{
    statement.has_output_params = 0;
    const Descriptor& apd = *statement.apd;
    Descriptor& ipd = *statement.ipd;
    XSQLDA* sqlda = statement.input_sqlda;
    const int markers = sqlda == nullptr || ipd.records == nullptr ? 0 : std::min<int>(ipd.count, sqlda->sqln);
    const ParameterRow address = ParameterRow::of(statement);

    // APD record 1 is the return value of a {? = call ...}: output only.
    int number = statement.return_value_param ? 2 : 1;
    for (int n = 1; n <= markers; ++n) {
        // An output-only record feeds no marker: the next record does.
        for (;; ++number) {
            if (apd.count < 1 || number > apd.count || apd.records == nullptr || !is_bound(apd.records[number]))
                return post_error(&statement, count_incorrect);
            if (apd.records[number].parameter_type != SQL_PARAM_OUTPUT) break;
            statement.has_output_params = 1;
        }
        const DescRecord& record = apd.records[number];
        if (record.parameter_type == SQL_PARAM_INPUT_OUTPUT) statement.has_output_params = 1;
        DescRecord& marker = ipd.records[n];
        XSQLVAR& var = sqlda->sqlvar[n - 1];

        const SQLLEN* indicator = address.move(record.indicator_ptr, sizeof(SQLLEN));
        const SQLLEN indicator_value = indicator != nullptr ? read_length(indicator) : 0;
        if (is_data_at_exec(indicator_value)) {
            // The value arrived in pieces and is already in place, its NULL
            // included.
            if (statement.data_at_exec_done) {
                ++number;
                continue;
            }
            statement.need_data_param = number;
            statement.put_data_state = 0;
            return SQL_NEED_DATA;
        }
        marker.inline_indicator = 0;
        if (indicator_value == SQL_NULL_DATA) {
            marker.inline_indicator = -1;
            var.sqltype = static_cast<ISC_SHORT>(var.sqltype | 1);
            ++number;
            continue;
        }
        const char* value = address.move(static_cast<const char*>(record.data_ptr), record.octet_length);
        if (value != nullptr) {
            const SQLLEN* length = address.move(record.octet_length_ptr, sizeof(SQLLEN));
            const int sqltype = var.sqltype & ~1;
            ParamConversion conversion{statement,
                                       marker,
                                       var,
                                       sqltype,
                                       value,
                                       length_value(indicator, length),
                                       record.octet_length,
                                       resolve_parameter_c_type(record.concise_type, record.sql_type_hint,
                                                                marker.concise_type, statement.connection)};
            if (convert_parameter(conversion) != SQL_SUCCESS) return SQL_ERROR;
        }
        ++number;
    }
    // Output records after the last marker.
    for (; apd.records != nullptr && number <= apd.count; ++number)
        if (is_output(apd.records[number])) statement.has_output_params = 1;

    ++statement.params_processed;
    statement.need_data_param = 0;
    return 0;
}
