#include "descriptor_records.h"

#include <algorithm>
#include <new>

#include "descriptor_fields.h"
#include "diagnostics.h"
#include "text.h"

bool grow_records(Descriptor& descriptor, int number, int step)
{
    if (number <= descriptor.count && descriptor.records != nullptr) return true;
    const int needed = number + 1;
    if (descriptor.records != nullptr && needed <= descriptor.record_capacity) {
        // Records above the count are gone: they come back empty.
        for (int i = descriptor.count + 1; i <= number; ++i) descriptor.records[i] = DescRecord{};
        descriptor.count = static_cast<int16_t>(number);
        return true;
    }
    int capacity = descriptor.records != nullptr ? descriptor.record_capacity : 0;
    if (capacity < 1) {
        capacity = std::max(needed, step);
    } else {
        while (capacity < needed) capacity += std::max(step, 1);
    }
    auto* records = new (std::nothrow) DescRecord[capacity]{};
    if (records == nullptr) return false;
    if (descriptor.records != nullptr) {
        for (int i = 0; i <= descriptor.count; ++i) {
            DescRecord& from = descriptor.records[i];
            DescRecord& to = records[i];
            to = from;
            // Pointers into the old record's own buffers move with it.
            if (from.value_buffer == from.inline_value) to.value_buffer = to.inline_value;
            if (from.data_ptr == from.inline_value) to.data_ptr = to.inline_value;
            if (from.indicator_ptr == reinterpret_cast<SQLLEN*>(&from.inline_indicator))
                to.indicator_ptr = reinterpret_cast<SQLLEN*>(&to.inline_indicator);
        }
        delete[] descriptor.records;
    }
    descriptor.records = records;
    descriptor.record_capacity = capacity;
    descriptor.count = static_cast<int16_t>(number);
    return true;
}

DescRecord* record_for_write(Descriptor& descriptor, int number, HandleHeader* diagnostics, int step)
{
    // Record 0 is the bookmark column, and bookmarks are not supported.
    if (number < 1 || number > max_record_number) {
        post_error(diagnostics, "07009");
        return nullptr;
    }
    if (number > descriptor.count || descriptor.records == nullptr) {
        if (descriptor.owns_buffers) {
            post_error(diagnostics, "07009");
            return nullptr;
        }
        if (!grow_records(descriptor, number, step)) {
            post_error(diagnostics, "HY001");
            return nullptr;
        }
    }
    return &descriptor.records[number];
}

SQLRETURN get_desc_rec(Descriptor& descriptor, SQLSMALLINT record_number, DescRecFields& fields)
{
    if (record_number < 0) return post_error(&descriptor, "07009");
    if (record_number > descriptor.count) return SQL_NO_DATA;
    if (descriptor.count <= 0) return post_error(&descriptor, "HY091");
    if (descriptor.records == nullptr) return post_error(&descriptor, "07009");
    const DescRecord* r = &descriptor.records[record_number];
    auto number = [&](SQLSMALLINT id) { return read_desc_field(descriptor, r, id).number; };
    fields.name = read_desc_field(descriptor, r, SQL_DESC_LABEL).text;
    fields.type = static_cast<SQLSMALLINT>(number(SQL_DESC_CONCISE_TYPE));
    fields.sub_type = static_cast<SQLSMALLINT>(number(SQL_DESC_DATETIME_INTERVAL_CODE));
    fields.length = number(SQL_DESC_OCTET_LENGTH);
    fields.precision = static_cast<SQLSMALLINT>(number(SQL_DESC_PRECISION));
    fields.scale = static_cast<SQLSMALLINT>(number(SQL_DESC_SCALE));
    fields.nullable = static_cast<SQLSMALLINT>(number(SQL_DESC_NULLABLE));
    return SQL_SUCCESS;
}

SQLRETURN put_desc_rec(Descriptor& descriptor, const DescRecFields& fields, SQLPOINTER name,
                       SQLSMALLINT buffer_length, SQLSMALLINT* name_length, SQLSMALLINT* type,
                       SQLSMALLINT* sub_type, SQLLEN* length, SQLSMALLINT* precision,
                       SQLSMALLINT* scale, SQLSMALLINT* nullable, bool wide)
{
    TextOut out(wide ? TextForm::wide_chars : TextForm::narrow, wide_codec(descriptor.connection),
                name, buffer_length, name_length);
    const SQLRETURN rc = cut_warning(&descriptor, out.write(fields.name));
    if (type != nullptr) *type = fields.type;
    if (sub_type != nullptr) *sub_type = fields.sub_type;
    if (length != nullptr) *length = fields.length;
    if (precision != nullptr) *precision = fields.precision;
    if (scale != nullptr) *scale = fields.scale;
    if (nullable != nullptr) *nullable = fields.nullable;
    return rc;
}

SQLRETURN get_desc_rec_into(Descriptor& descriptor, SQLSMALLINT record_number, SQLPOINTER name,
                            SQLSMALLINT buffer_length, SQLSMALLINT* name_length, SQLSMALLINT* type,
                            SQLSMALLINT* sub_type, SQLLEN* length, SQLSMALLINT* precision,
                            SQLSMALLINT* scale, SQLSMALLINT* nullable, bool wide)
{
    DescRecFields fields;
    const SQLRETURN rc = get_desc_rec(descriptor, record_number, fields);
    if (rc != SQL_SUCCESS) return rc;
    return put_desc_rec(descriptor, fields, name, buffer_length, name_length, type, sub_type,
                        length, precision, scale, nullable, wide);
}

SQLRETURN set_desc_rec(Descriptor& descriptor, SQLSMALLINT record_number, SQLSMALLINT type,
                       SQLSMALLINT sub_type, SQLLEN length, SQLSMALLINT precision,
                       SQLSMALLINT scale, SQLPOINTER data, SQLLEN* string_length,
                       SQLLEN* indicator)
{
    if (record_number < 0) return post_error(&descriptor, "07009");
    const uint8_t kind = descriptor_kind(descriptor);
    if (kind == desc_ird || descriptor.owns_buffers)
        return post_error(&descriptor, "HY016", 0, nullptr, origin_odbc3);
    DescRecord* r = record_for_write(descriptor, record_number, &descriptor);
    if (r == nullptr) return SQL_ERROR;

    const bool datetime = type == SQL_DATETIME && (sub_type == SQL_CODE_DATE ||
                                                   sub_type == SQL_CODE_TIME ||
                                                   sub_type == SQL_CODE_TIMESTAMP);
    if (datetime) {
        store_desc_field(descriptor, r, SQL_DESC_DATETIME_INTERVAL_CODE, field_argument(sub_type));
        store_desc_field(descriptor, r, SQL_DESC_TYPE, field_argument(type));
    } else {
        store_desc_field(descriptor, r, SQL_DESC_CONCISE_TYPE, field_argument(type));
    }
    store_desc_field(descriptor, r, SQL_DESC_OCTET_LENGTH, field_argument(length));
    store_desc_field(descriptor, r, SQL_DESC_PRECISION, field_argument(precision));
    store_desc_field(descriptor, r, SQL_DESC_SCALE, field_argument(scale));
    if (kind != desc_ipd) {
        store_desc_field(descriptor, r, SQL_DESC_DATA_PTR, data);
        store_desc_field(descriptor, r, SQL_DESC_OCTET_LENGTH_PTR, string_length);
        store_desc_field(descriptor, r, SQL_DESC_INDICATOR_PTR, indicator);
    }
    return SQL_SUCCESS;
}
