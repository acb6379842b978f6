#include "descriptor_fields.h"

#include <cstring>
#include <type_traits>

#include "descriptor_records.h"
#include "diagnostics.h"
#include "text.h"

namespace {

// --- Members --------------------------------------------------------------

template <typename Pointer>
struct member_of;
template <typename Owner, typename Type>
struct member_of<Type Owner::*> {
    using owner = Owner;
    using type = Type;
};

// The object a member pointer applies to: the descriptor for a header
// field, the record for a record field.
template <auto Member>
const auto& member_ref(const Descriptor& d, const DescRecord* r)
{
    if constexpr (std::is_same_v<typename member_of<decltype(Member)>::owner, Descriptor>)
        return d.*Member;
    else
        return r->*Member;
}

template <auto Member>
auto& member_ref(Descriptor& d, DescRecord* r)
{
    if constexpr (std::is_same_v<typename member_of<decltype(Member)>::owner, Descriptor>)
        return d.*Member;
    else
        return r->*Member;
}

// The SQLSetDescField value argument at the field's ODBC width: the low 16
// bits of a small integer, the low 32 of an integer, all of a length.
template <FieldType Type>
auto argument_as(SQLPOINTER value)
{
    const auto bits = reinterpret_cast<uintptr_t>(value);
    if constexpr (Type == FieldType::smallint)
        return static_cast<SQLSMALLINT>(bits);
    else if constexpr (Type == FieldType::integer)
        return static_cast<SQLINTEGER>(bits);
    else if constexpr (Type == FieldType::len)
        return static_cast<SQLLEN>(bits);
    else if constexpr (Type == FieldType::ulen)
        return static_cast<SQLULEN>(bits);
    else
        return value;
}

template <auto Member, FieldType Type>
FieldValue read_member(const Descriptor& d, const DescRecord* r)
{
    FieldValue v;
    v.type = Type;
    const auto& m = member_ref<Member>(d, r);
    if constexpr (Type == FieldType::text)
        v.text = std::string_view(m, strnlen(m, sizeof m));
    else if constexpr (Type == FieldType::pointer)
        v.pointer = const_cast<void*>(static_cast<const void*>(m));
    else
        v.number = static_cast<SQLLEN>(m);
    return v;
}

template <auto Member, FieldType Type>
void write_member(Descriptor& d, DescRecord* r, SQLPOINTER value)
{
    auto& m = member_ref<Member>(d, r);
    using Stored = std::remove_reference_t<decltype(m)>;
    if constexpr (Type == FieldType::pointer) {
        m = static_cast<Stored>(value);
    } else if constexpr (Type == FieldType::text) {
        // Driver-internal only (no text field is the application's to set):
        // a NUL-terminated string, cut to the member.
        const char* text = value != nullptr ? static_cast<const char*>(value) : "";
        const size_t n = strnlen(text, sizeof m - 1);
        std::memcpy(m, text, n);
        m[n] = '\0';
    } else
        m = static_cast<Stored>(argument_as<Type>(value));
}

// --- Fields with rules of their own ---------------------------------------

// A concise type decides the verbose type and the interval code: the
// datetime types are SQL_DATETIME with the code of their kind, in both their
// ODBC 2 and ODBC 3 spellings; any other type is its own verbose type.
void write_concise_type(Descriptor&, DescRecord* r, SQLPOINTER value)
{
    const SQLSMALLINT concise = argument_as<FieldType::smallint>(value);
    r->concise_type = concise;
    switch (concise) {
    case SQL_C_DATE:
    case SQL_C_TYPE_DATE:
        r->type = SQL_DATETIME;
        r->datetime_interval_code = SQL_CODE_DATE;
        break;
    case SQL_C_TIME:
    case SQL_C_TYPE_TIME:
        r->type = SQL_DATETIME;
        r->datetime_interval_code = SQL_CODE_TIME;
        break;
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_TIMESTAMP:
        r->type = SQL_DATETIME;
        r->datetime_interval_code = SQL_CODE_TIMESTAMP;
        break;
    default:
        r->type = concise;
        r->datetime_interval_code = 0;
        break;
    }
}

// The verbose type: SQL_DATETIME takes its concise type from the interval
// code already set (an unknown code leaves the concise type); any other type
// is its own concise type and has no code.
void write_type(Descriptor&, DescRecord* r, SQLPOINTER value)
{
    const SQLSMALLINT type = argument_as<FieldType::smallint>(value);
    r->type = type;
    if (type != SQL_DATETIME) {
        r->concise_type = type;
        r->datetime_interval_code = 0;
        return;
    }
    switch (r->datetime_interval_code) {
    case SQL_CODE_DATE: r->concise_type = SQL_C_TYPE_DATE; break;
    case SQL_CODE_TIME: r->concise_type = SQL_C_TYPE_TIME; break;
    case SQL_CODE_TIMESTAMP: r->concise_type = SQL_C_TYPE_TIMESTAMP; break;
    default: break;
    }
}

// A count is accepted. Raising it changes nothing (records come into being
// when a field of theirs is set); lowering it unbinds the records above, as
// SQLFreeStmt(SQL_UNBIND) does for all of them, so that the driver stops
// writing into buffers the application is done with.
void write_count(Descriptor& d, DescRecord*, SQLPOINTER value)
{
    const SQLSMALLINT count = argument_as<FieldType::smallint>(value);
    if (count >= 0 && count < d.count) d.count = count;
}

// --- The table ------------------------------------------------------------

constexpr uint8_t none = 0;
constexpr uint8_t app = desc_ard | desc_apd;
constexpr uint8_t app_ipd = desc_ard | desc_apd | desc_ipd;
constexpr uint8_t any_kind = desc_ard | desc_apd | desc_ird | desc_ipd;

constexpr uint8_t keeps = field_keeps_binding;
constexpr uint8_t col = field_column_attribute;
constexpr uint8_t zero = field_zero_through_descriptor;

constexpr FieldScope H = FieldScope::header;
constexpr FieldScope R = FieldScope::record;

using T = FieldType;
using D = Descriptor;
using Rec = DescRecord;

#define BROLIX_FIELD(id, scope, type, member, writable, flags) \
    {id, scope, type, writable, flags, read_member<member, type>, write_member<member, type>}
#define BROLIX_FIELD_WITH(id, scope, type, member, writable, flags, writer) \
    {id, scope, type, writable, flags, read_member<member, type>, writer}

// clang-format off
const DescField desc_fields[] = {
    // Header fields.
    BROLIX_FIELD(SQL_DESC_ARRAY_SIZE,          H, T::ulen,     &D::array_size,         app_ipd,  keeps),
    BROLIX_FIELD(SQL_DESC_ARRAY_STATUS_PTR,    H, T::pointer,  &D::array_status_ptr,   any_kind, keeps),
    BROLIX_FIELD(SQL_DESC_BIND_OFFSET_PTR,     H, T::pointer,  &D::bind_offset_ptr,    app_ipd,  keeps),
    BROLIX_FIELD(SQL_DESC_BIND_TYPE,           H, T::integer,  &D::bind_type,          app_ipd,  keeps),
    BROLIX_FIELD(SQL_DESC_ROWS_PROCESSED_PTR,  H, T::pointer,  &D::rows_processed_ptr, any_kind, keeps),
    BROLIX_FIELD_WITH(SQL_DESC_COUNT,          H, T::smallint, &D::count,              app_ipd,  keeps, write_count),
    // Read-only: an implicit descriptor set to "allocated by the
    // application" could be handed to another statement and outlive its own.
    BROLIX_FIELD(SQL_DESC_ALLOC_TYPE,          H, T::smallint, &D::alloc_type,         none,     keeps),

    // Record fields.
    BROLIX_FIELD_WITH(SQL_DESC_CONCISE_TYPE,   R, T::smallint, &Rec::concise_type,     app_ipd,  col, write_concise_type),
    BROLIX_FIELD(SQL_DESC_DISPLAY_SIZE,        R, T::len,      &Rec::display_size,     none,     col),
    BROLIX_FIELD(SQL_DESC_UNSIGNED,            R, T::smallint, &Rec::unsigned_,        none,     col),
    BROLIX_FIELD(SQL_DESC_FIXED_PREC_SCALE,    R, T::smallint, &Rec::fixed_prec_scale, none,     col),
    BROLIX_FIELD(SQL_DESC_UPDATABLE,           R, T::smallint, &Rec::updatable,        none,     col),
    BROLIX_FIELD(SQL_DESC_AUTO_UNIQUE_VALUE,   R, T::integer,  &Rec::auto_unique_value, app_ipd, col),
    BROLIX_FIELD(SQL_DESC_CASE_SENSITIVE,      R, T::integer,  &Rec::case_sensitive,   none,     col),
    BROLIX_FIELD(SQL_DESC_SEARCHABLE,          R, T::smallint, &Rec::searchable,       none,     col),
    BROLIX_FIELD(SQL_DESC_TYPE_NAME,           R, T::text,     &Rec::type_name,        none,     col),
    BROLIX_FIELD(SQL_DESC_TABLE_NAME,          R, T::text,     &Rec::table_name,       none,     col),
    BROLIX_FIELD(SQL_DESC_SCHEMA_NAME,         R, T::text,     &Rec::schema_name,      none,     col),
    BROLIX_FIELD(SQL_DESC_CATALOG_NAME,        R, T::text,     &Rec::catalog_name,     none,     col),
    BROLIX_FIELD(SQL_DESC_LABEL,               R, T::text,     &Rec::label,            none,     col),
    BROLIX_FIELD(SQL_DESC_BASE_COLUMN_NAME,    R, T::text,     &Rec::base_column_name, none,     col),
    BROLIX_FIELD(SQL_DESC_BASE_TABLE_NAME,     R, T::text,     &Rec::base_table_name,  none,     col),
    BROLIX_FIELD(SQL_DESC_DATETIME_INTERVAL_PRECISION, R, T::integer, &Rec::datetime_interval_precision, app_ipd, 0),
    BROLIX_FIELD(SQL_DESC_LITERAL_PREFIX,      R, T::text,     &Rec::literal_prefix,   none,     col),
    BROLIX_FIELD(SQL_DESC_LITERAL_SUFFIX,      R, T::text,     &Rec::literal_suffix,   none,     col),
    BROLIX_FIELD(SQL_DESC_LOCAL_TYPE_NAME,     R, T::text,     &Rec::local_type_name,  none,     col),
    BROLIX_FIELD(SQL_DESC_NUM_PREC_RADIX,      R, T::integer,  &Rec::num_prec_radix,   app_ipd,  col),
    BROLIX_FIELD(SQL_DESC_PARAMETER_TYPE,      R, T::smallint, &Rec::parameter_type,   app_ipd,  0),
    BROLIX_FIELD_WITH(SQL_DESC_TYPE,           R, T::smallint, &Rec::type,             app_ipd,  col, write_type),
    BROLIX_FIELD(SQL_DESC_LENGTH,              R, T::ulen,     &Rec::length,           app_ipd,  col),
    // The IPD's pointers are the driver's: they address the buffers the
    // client library reads parameters from.
    BROLIX_FIELD(SQL_DESC_OCTET_LENGTH_PTR,    R, T::pointer,  &Rec::octet_length_ptr, app,      keeps),
    BROLIX_FIELD(SQL_DESC_PRECISION,           R, T::smallint, &Rec::precision,        app_ipd,  col),
    BROLIX_FIELD(SQL_DESC_SCALE,               R, T::smallint, &Rec::scale,            app_ipd,  col),
    BROLIX_FIELD(SQL_DESC_DATETIME_INTERVAL_CODE, R, T::smallint, &Rec::datetime_interval_code, app_ipd, 0),
    BROLIX_FIELD(SQL_DESC_NULLABLE,            R, T::smallint, &Rec::nullable,         none,     col | zero),
    BROLIX_FIELD(SQL_DESC_INDICATOR_PTR,       R, T::pointer,  &Rec::indicator_ptr,    app,      keeps),
    BROLIX_FIELD(SQL_DESC_DATA_PTR,            R, T::pointer,  &Rec::data_ptr,         app,      keeps),
    BROLIX_FIELD(SQL_DESC_NAME,                R, T::text,     &Rec::name,             none,     col),
    BROLIX_FIELD(SQL_DESC_UNNAMED,             R, T::smallint, &Rec::unnamed,          app_ipd,  col | zero | keeps),
    BROLIX_FIELD(SQL_DESC_OCTET_LENGTH,        R, T::len,      &Rec::octet_length,     app_ipd,  col),
};
// clang-format on

#undef BROLIX_FIELD
#undef BROLIX_FIELD_WITH

bool writable_on(const DescField& field, uint8_t kind) { return (field.writable & kind) == kind; }

}  // namespace

const DescField* find_desc_field(SQLSMALLINT id) noexcept
{
    for (const DescField& field : desc_fields)
        if (field.id == id) return &field;
    return nullptr;
}

uint8_t descriptor_kind(const Descriptor& descriptor) noexcept
{
    const Statement* s = descriptor.statement;
    if (s == nullptr) return desc_ard | desc_apd;
    if (&descriptor == s->ird_implicit) return desc_ird;
    if (&descriptor == s->ipd_implicit) return desc_ipd;
    if (&descriptor == s->apd_implicit) return desc_apd;
    return desc_ard;
}

void store_desc_field(Descriptor& descriptor, DescRecord* record, SQLSMALLINT id, SQLPOINTER value)
{
    const DescField* field = find_desc_field(id);
    if (field == nullptr) throw DriverError("HY000", "Unknown descriptor field");
    field->write(descriptor, field->scope == FieldScope::record ? record : nullptr, value);
}

FieldValue read_desc_field(const Descriptor& descriptor, const DescRecord* record, SQLSMALLINT id)
{
    const DescField* field = find_desc_field(id);
    if (field == nullptr) throw DriverError("HY000", "Unknown descriptor field");
    return field->read(descriptor, field->scope == FieldScope::record ? record : nullptr);
}

SQLRETURN get_desc_field(Descriptor& descriptor, SQLSMALLINT record_number, SQLSMALLINT id,
                         FieldValue& value)
{
    if (record_number < 0) return post_error(&descriptor, "07009");
    const DescField* field = find_desc_field(id);
    if (field != nullptr && field->scope == FieldScope::header) {
        value = field->read(descriptor, nullptr);
        return SQL_SUCCESS;
    }
    // A record field, or an identifier the driver does not know.
    if (record_number > descriptor.count) return SQL_NO_DATA;
    if (descriptor.count <= 0 || field == nullptr) return post_error(&descriptor, "HY091");
    if (descriptor.records == nullptr) return post_error(&descriptor, "07009");
    if (field->flags & field_zero_through_descriptor) {
        value = FieldValue{};
        value.type = field->type;
        return SQL_SUCCESS;
    }
    value = field->read(descriptor, &descriptor.records[record_number]);
    return SQL_SUCCESS;
}

SQLRETURN set_desc_field(Descriptor& descriptor, SQLSMALLINT record_number, SQLSMALLINT id,
                         SQLPOINTER value)
{
    if (record_number < 0) return post_error(&descriptor, "07009");
    const DescField* field = find_desc_field(id);
    const uint8_t kind = descriptor_kind(descriptor);
    if (kind == desc_ird && (field == nullptr || !writable_on(*field, kind))) {
        if (field == nullptr) return post_error(&descriptor, "HY091");
        return post_error(&descriptor, "HY016", 0, nullptr, origin_odbc3);
    }
    if (field != nullptr && field->scope == FieldScope::header) {
        if (!writable_on(*field, kind)) return post_error(&descriptor, "HY091");
        field->write(descriptor, nullptr, value);
        return SQL_SUCCESS;
    }

    // A record field, or an identifier the driver does not know.
    DescRecord* record = record_for_write(descriptor, record_number, &descriptor);
    if (record == nullptr) return SQL_ERROR;
    // Changing how a record of an application descriptor is bound unbinds
    // it, also when the change itself is then refused: the application sets
    // the data pointer last.
    const bool application = (kind & (desc_ard | desc_apd)) != 0;
    if (application && (field == nullptr || !(field->flags & field_keeps_binding)))
        record->data_ptr = nullptr;
    if (field == nullptr || !writable_on(*field, kind)) return post_error(&descriptor, "HY091");
    field->write(descriptor, record, value);
    return SQL_SUCCESS;
}

SQLRETURN put_desc_field(Descriptor& descriptor, const FieldValue& value, SQLPOINTER buffer,
                         SQLINTEGER buffer_length, SQLINTEGER* length_ptr, bool wide)
{
    auto put = [&](auto number) {
        if (buffer != nullptr) std::memcpy(buffer, &number, sizeof number);
        if (length_ptr != nullptr) *length_ptr = static_cast<SQLINTEGER>(sizeof number);
        return SQL_SUCCESS;
    };
    switch (value.type) {
    case FieldType::smallint: return put(static_cast<SQLSMALLINT>(value.number));
    case FieldType::integer: return put(static_cast<SQLINTEGER>(value.number));
    case FieldType::len: return put(static_cast<SQLLEN>(value.number));
    case FieldType::ulen: return put(static_cast<SQLULEN>(value.number));
    case FieldType::pointer: return put(value.pointer);
    case FieldType::text: break;
    }
    TextOut out(wide ? TextForm::wide_bytes : TextForm::narrow, wide_codec(descriptor.connection),
                buffer, buffer_length, length_ptr);
    return cut_warning(&descriptor, out.write(value.text));
}

SQLRETURN get_desc_field_into(Descriptor& descriptor, SQLSMALLINT record_number, SQLSMALLINT id,
                              SQLPOINTER buffer, SQLINTEGER buffer_length, SQLINTEGER* length_ptr,
                              bool wide)
{
    FieldValue value;
    const SQLRETURN rc = get_desc_field(descriptor, record_number, id, value);
    if (rc != SQL_SUCCESS) return rc;
    return put_desc_field(descriptor, value, buffer, buffer_length, length_ptr, wide);
}

bool read_column_attribute(const Descriptor& ird, const DescRecord& record, SQLUSMALLINT id,
                           FieldValue& value)
{
    if (id > static_cast<SQLUSMALLINT>(INT16_MAX)) return false;
    const DescField* field = find_desc_field(static_cast<SQLSMALLINT>(id));
    if (field == nullptr || !(field->flags & field_column_attribute)) return false;
    value = field->read(ird, &record);
    return true;
}
