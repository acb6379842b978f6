#include "statement_attributes.h"

#include <cstring>

#include "attribute_widths.h"
#include "descriptor_fields.h"
#include "diagnostics.h"
#include "guard.h"

namespace {

using Setter = SQLRETURN (*)(Statement&, SQLPOINTER);
using Getter = SQLRETURN (*)(Statement&, StmtAttrValue&);

struct StmtAttribute {
    SQLINTEGER id;
    Setter set;
    Getter get;
};

int32_t as_int(SQLPOINTER value) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(value)); }
SQLULEN as_len(SQLPOINTER value) { return static_cast<SQLULEN>(reinterpret_cast<uintptr_t>(value)); }

SQLRETURN changed(Statement& s) { return post_warning(&s, "01S02", 0, nullptr, origin_odbc3); }
SQLRETURN not_implemented(Statement& s) { return post_error(&s, "HYC00", 0, nullptr, origin_odbc3); }
SQLRETURN out_of_range(Statement& s) { return post_error(&s, "HY092"); }

// Setters.
template <int32_t Statement::*Field>
SQLRETURN store(Statement& s, SQLPOINTER v)
{
    s.*Field = as_int(v);
    return SQL_SUCCESS;
}
SQLRETURN zero_or_changed(Statement& s, SQLPOINTER v) { return as_int(v) == 0 ? SQL_SUCCESS : changed(s); }
SQLRETURN zero_or_refused(Statement& s, SQLPOINTER v)
{
    return as_int(v) == 0 ? SQL_SUCCESS : not_implemented(s);
}
SQLRETURN refuse(Statement& s, SQLPOINTER) { return not_implemented(s); }
SQLRETURN ignore(Statement&, SQLPOINTER) { return SQL_SUCCESS; }

// Getters.
template <int32_t Statement::*Field>
SQLRETURN read(Statement& s, StmtAttrValue& v)
{
    v.number = static_cast<SQLULEN>(static_cast<SQLUINTEGER>(s.*Field));
    return SQL_SUCCESS;
}
SQLRETURN zero(Statement&, StmtAttrValue& v)
{
    v.number = 0;
    return SQL_SUCCESS;
}
SQLRETURN refuse_get(Statement& s, StmtAttrValue&) { return not_implemented(s); }
SQLRETURN out_of_range_get(Statement& s, StmtAttrValue&) { return out_of_range(s); }

template <typename T>
SQLRETURN pointer_value(T* pointer, StmtAttrValue& v)
{
    v.number = static_cast<SQLULEN>(reinterpret_cast<uintptr_t>(pointer));
    return SQL_SUCCESS;
}

// A statement attribute that is a header field of one of the statement's
// descriptors, written and read through the descriptor field table.
template <Descriptor* Statement::*Which, SQLSMALLINT Field>
SQLRETURN set_header(Statement& s, SQLPOINTER v)
{
    store_desc_field(*(s.*Which), nullptr, Field, v);
    return SQL_SUCCESS;
}
template <Descriptor* Statement::*Which, SQLSMALLINT Field>
SQLRETURN get_header(Statement& s, StmtAttrValue& v)
{
    const FieldValue field = read_desc_field(*(s.*Which), nullptr, Field);
    if (field.type == FieldType::pointer)
        v.number = static_cast<SQLULEN>(reinterpret_cast<uintptr_t>(field.pointer));
    else if (field.type == FieldType::integer)
        v.number = static_cast<SQLUINTEGER>(field.number);
    else
        v.number = static_cast<SQLULEN>(field.number);
    return SQL_SUCCESS;
}

template <Descriptor* Statement::*Which, SQLSMALLINT Field>
constexpr StmtAttribute header_attribute(SQLINTEGER id)
{
    return {id, set_header<Which, Field>, get_header<Which, Field>};
}

// An application descriptor the statement may use: one the application
// allocated on the same connection. Null restores the implicit one.
SQLRETURN set_app_descriptor(Statement& s, SQLPOINTER value, Descriptor* Statement::*current,
                             Descriptor* Statement::*implicit)
{
    if (value == nullptr) {
        s.*current = s.*implicit;
        return SQL_SUCCESS;
    }
    Descriptor* d = handle_cast<Descriptor>(value);
    if (d == nullptr) return post_error(&s, "HY024");
    if (d == s.*implicit) {
        s.*current = d;
        return SQL_SUCCESS;
    }
    if (d->alloc_type != SQL_DESC_ALLOC_USER || d->connection != s.connection)
        return post_error(&s, "HY017");
    s.*current = d;
    return SQL_SUCCESS;
}

const StmtAttribute stmt_attributes[] = {
    {SQL_ATTR_QUERY_TIMEOUT, zero_or_changed, zero},
    {SQL_ATTR_MAX_ROWS, store<&Statement::max_rows>, read<&Statement::max_rows>},
    {SQL_ATTR_NOSCAN, store<&Statement::noscan>, read<&Statement::noscan>},
    {SQL_ATTR_MAX_LENGTH, store<&Statement::max_length>, read<&Statement::max_length>},
    {SQL_ATTR_ASYNC_ENABLE, zero_or_refused, refuse_get},
    header_attribute<&Statement::ard, SQL_DESC_BIND_TYPE>(SQL_BIND_TYPE),
    {SQL_ATTR_CURSOR_TYPE, zero_or_changed, read<&Statement::cursor_type>},
    {SQL_ATTR_CONCURRENCY, store<&Statement::concurrency>, read<&Statement::concurrency>},
    {SQL_ATTR_KEYSET_SIZE, zero_or_changed, zero},
    {SQL_ROWSET_SIZE,
     [](Statement& s, SQLPOINTER v) -> SQLRETURN {
         s.rowset_size = as_int(v);
         s.ard->array_size = as_len(v);
         return SQL_SUCCESS;
     },
     read<&Statement::rowset_size>},
    {SQL_ATTR_SIMULATE_CURSOR, store<&Statement::simulate_cursor>, read<&Statement::simulate_cursor>},
    {SQL_ATTR_RETRIEVE_DATA, store<&Statement::retrieve_data>, read<&Statement::retrieve_data>},
    {SQL_ATTR_USE_BOOKMARKS, zero_or_refused, read<&Statement::use_bookmarks>},
    {SQL_ATTR_ROW_NUMBER, refuse, zero},
    {SQL_ATTR_ENABLE_AUTO_IPD,
     [](Statement& s, SQLPOINTER v) -> SQLRETURN { return as_int(v) == 1 ? SQL_SUCCESS : not_implemented(s); },
     read<&Statement::auto_ipd>},
    {SQL_ATTR_FETCH_BOOKMARK_PTR, ignore, zero},
    header_attribute<&Statement::apd, SQL_DESC_BIND_OFFSET_PTR>(SQL_ATTR_PARAM_BIND_OFFSET_PTR),
    header_attribute<&Statement::apd, SQL_DESC_BIND_TYPE>(SQL_ATTR_PARAM_BIND_TYPE),
    header_attribute<&Statement::apd, SQL_DESC_ARRAY_STATUS_PTR>(SQL_ATTR_PARAM_OPERATION_PTR),
    header_attribute<&Statement::ipd, SQL_DESC_ARRAY_STATUS_PTR>(SQL_ATTR_PARAM_STATUS_PTR),
    header_attribute<&Statement::ipd, SQL_DESC_ROWS_PROCESSED_PTR>(SQL_ATTR_PARAMS_PROCESSED_PTR),
    header_attribute<&Statement::apd, SQL_DESC_ARRAY_SIZE>(SQL_ATTR_PARAMSET_SIZE),
    header_attribute<&Statement::ard, SQL_DESC_BIND_OFFSET_PTR>(SQL_ATTR_ROW_BIND_OFFSET_PTR),
    header_attribute<&Statement::ard, SQL_DESC_ARRAY_STATUS_PTR>(SQL_ATTR_ROW_OPERATION_PTR),
    header_attribute<&Statement::ird, SQL_DESC_ARRAY_STATUS_PTR>(SQL_ATTR_ROW_STATUS_PTR),
    header_attribute<&Statement::ird, SQL_DESC_ROWS_PROCESSED_PTR>(SQL_ATTR_ROWS_FETCHED_PTR),
    header_attribute<&Statement::ard, SQL_DESC_ARRAY_SIZE>(SQL_ATTR_ROW_ARRAY_SIZE),
    {1227, ignore, out_of_range_get},
    {1228, ignore, out_of_range_get},
    {SQL_ATTR_APP_ROW_DESC,
     [](Statement& s, SQLPOINTER v) {
         return set_app_descriptor(s, v, &Statement::ard, &Statement::ard_implicit);
     },
     [](Statement& s, StmtAttrValue& v) { return pointer_value(static_cast<HandleHeader*>(s.ard), v); }},
    {SQL_ATTR_APP_PARAM_DESC,
     [](Statement& s, SQLPOINTER v) {
         return set_app_descriptor(s, v, &Statement::apd, &Statement::apd_implicit);
     },
     [](Statement& s, StmtAttrValue& v) { return pointer_value(static_cast<HandleHeader*>(s.apd), v); }},
    {SQL_ATTR_IMP_ROW_DESC, refuse,
     [](Statement& s, StmtAttrValue& v) { return pointer_value(static_cast<HandleHeader*>(s.ird), v); }},
    {SQL_ATTR_IMP_PARAM_DESC, refuse,
     [](Statement& s, StmtAttrValue& v) { return pointer_value(static_cast<HandleHeader*>(s.ipd), v); }},
    {SQL_ATTR_METADATA_ID, store<&Statement::metadata_id>, read<&Statement::metadata_id>},
    {SQL_ATTR_CURSOR_SENSITIVITY,
     [](Statement& s, SQLPOINTER v) -> SQLRETURN {
         if (as_int(v) == SQL_SENSITIVE) return changed(s);
         s.cursor_sensitivity = as_int(v);
         return SQL_SUCCESS;
     },
     read<&Statement::cursor_sensitivity>},
    {SQL_ATTR_CURSOR_SCROLLABLE, zero_or_changed, read<&Statement::cursor_scrollable>},
};

const StmtAttribute* find_attribute(SQLINTEGER id)
{
    for (const auto& a : stmt_attributes)
        if (a.id == id) return &a;
    return nullptr;
}

}  // namespace

SQLRETURN set_stmt_attr(Statement& statement, SQLINTEGER attribute, SQLPOINTER value)
{
    const StmtAttribute* a = find_attribute(attribute);
    return a ? a->set(statement, value) : out_of_range(statement);
}

SQLRETURN get_stmt_attr(Statement& statement, SQLINTEGER attribute, StmtAttrValue& value)
{
    const StmtAttribute* a = find_attribute(attribute);
    if (a == nullptr) return out_of_range(statement);
    value.width = attribute_width(attribute);
    return a->get(statement, value);
}

void store_stmt_attr(const StmtAttrValue& value, SQLPOINTER out, SQLINTEGER* length_ptr)
{
    if (out != nullptr) {
        if (value.width == sizeof(SQLULEN))
            std::memcpy(out, &value.number, sizeof(SQLULEN));
        else {
            auto narrow = static_cast<SQLUINTEGER>(value.number);
            std::memcpy(out, &narrow, sizeof narrow);
        }
    }
    if (length_ptr != nullptr) *length_ptr = value.width;
}

SQLRETURN set_cursor_name(Statement& statement, std::string_view name)
{
    constexpr size_t longest = 18;
    if (name.size() > longest) return post_error(&statement, "34000");
    name.copy(statement.cursor_name, name.size());
    statement.cursor_name[name.size()] = '\0';
    return SQL_SUCCESS;
}
