#include "diagnostics.h"

#include <cstring>
#include <new>
#include <string_view>

#include "client_api.h"

namespace {

struct SqlStateMessage {
    const char* sqlstate;
    const char* message;
};

// Every SQLSTATE the driver raises, with its fixed message.
constexpr SqlStateMessage sqlstate_messages[] = {
    {"01004", "String data, right truncated"},
    {"01S02", "Option value changed"},
    {"01S07", "Fractional truncation"},
    {"01S09", "Invalid keyword"},
    {"07002", "COUNT field incorrect"},
    {"07005", "Prepared statement not a cursor-specification"},
    {"07006", "Restricted data type attribute violation"},
    {"07009", "Invalid descriptor index"},
    {"08001", "Client Unable to Establish Connection"},
    {"08002", "Connection name in use"},
    {"08003", "Connection does not exist"},
    {"08004", "Server Rejected Connection"},
    {"08S01", "Communications Failure"},
    {"21S02", "Degree of derived table does not match column list"},
    {"22001", "String data, right truncated"},
    {"22002", "Indicator variable required but not supplied"},
    {"22003", "Numeric value out of range"},
    {"22007", "Invalid datetime format"},
    {"22008", "Data value is not a valid datetime"},
    {"22012", "Division by zero"},
    {"22015", "Interval field overflow"},
    {"22018", "Invalid character value for cast specification"},
    {"22019", "Invalid escape character"},
    {"23000", "Integrity Constraint Violation"},
    {"24000", "Invalid cursor state"},
    {"25000", "Invalid transaction state"},
    {"25S01", "Transaction state unknown"},
    {"34000", "Invalid cursor name"},
    {"3C000", "Duplicate cursor name"},
    {"40001", "Serialization failure"},
    {"42000", "Syntax error or access violation"},
    {"42S01", "Base table or view already exists"},
    {"42S02", "Base table or view not found"},
    {"42S22", "Column not found in table "},
    {"HY000", "General Error"},
    {"HY001", "Memory Allocation Error"},
    {"HY003", "Invalid Application Buffer Type"},
    {"HY004", "Invalid SQL Data Type"},
    {"HY007", "Associated statement is not prepared"},
    {"HY008", "Operation Canceled"},
    {"HY009", "Invalid use of null pointer"},
    {"HY010", "Function sequence error"},
    {"HY011", "Attribute cannot be set now"},
    {"HY016", "Cannot modify an implementation row descriptor"},
    {"HY017", "Invalid use of a automatically allocated descriptor handle"},
    {"HY019", "Non-character and non-binary data sent in pieces"},
    {"HY020", "Attempt to concatenate a null value"},
    {"HY024", "Invalid attribute value"},
    {"HY090", "Invalid string or buffer length"},
    {"HY091", "Invalid descriptor field identifier"},
    {"HY092", "Option type out of range"},
    {"HY096", "Information type out of range"},
    {"HY106", "Fetch type out of range"},
    {"HY109", "Invalid cursor position"},
    {"HY111", "Invalid bookmark value"},
    {"HYC00", "Optional feature not implemented"},
    {"HYT00", "Timeout Expired"},
    {"IM001", "Driver does not support this function"},
    {"IM002", "Data source name not found and no default driver specified"},
    {"IM008", "Dialog Failed"},
    {"S1107", "Row value out of range"},
    {"S1108", "Concurrency option out of range"},
    {"S1C00", "Driver not capable"},
};

struct SqlcodeState {
    long sqlcode;
    const char* sqlstate;
};

// Server SQLCODEs with a SQLSTATE of their own; every other code is HY000.
constexpr SqlcodeState sqlcode_states[] = {
    {-913, "40001"}, {-901, "40001"}, {-532, "40001"},
    {-902, "08S01"},
    {-834, "42000"}, {-832, "42000"}, {-831, "42000"}, {-817, "42000"}, {-816, "42000"},
    {-811, "42000"}, {-810, "42000"}, {-809, "42000"}, {-808, "42000"}, {-807, "42000"},
    {-806, "42000"}, {-804, "42000"}, {-208, "42000"}, {-105, "42000"}, {-104, "42000"},
    {-833, "22008"},
    {-803, "23000"}, {-530, "23000"}, {-297, "23000"}, {-296, "23000"}, {-295, "23000"},
    {-294, "23000"}, {-293, "23000"}, {-291, "23000"},
    {-802, "22012"},
    {-519, "24000"}, {-518, "24000"}, {-510, "24000"}, {-508, "24000"}, {-504, "24000"},
    {-502, "24000"}, {-501, "24000"},
    {-413, "22019"},
    {-313, "07002"},
    {-282, "42S01"},
    {-206, "42S22"},
    {-204, "42S02"}, {-155, "42S02"},
    {-158, "21S02"}, {-157, "21S02"},
    {-103, "22003"},
    {-85, "08001"},
};

const SqlStateMessage* find_sqlstate(const char* sqlstate)
{
    if (sqlstate == nullptr) return nullptr;
    for (const auto& entry : sqlstate_messages)
        if (std::strncmp(entry.sqlstate, sqlstate, 6) == 0) return &entry;
    return nullptr;
}

// Length of `text` cut to at most `limit` bytes, not inside a UTF-8 sequence.
size_t utf8_cut(const char* text, size_t limit)
{
    size_t n = std::strlen(text);
    if (n <= limit) return n;
    n = limit;
    // Step back over continuation bytes to the start of the cut character.
    size_t start = n;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    return start;
}

// Size of the buffer given to isc_interprete: the client writes one message
// of its own choosing into it without being told the size.
constexpr size_t interprete_buffer_size = 4096;

// The row a statement diagnostic names: the rowset row being worked on.
int statement_row_number(const Statement* statement)
{
    return statement->row_index;
}

}  // namespace

const char* sqlstate_message(const char* sqlstate)
{
    const SqlStateMessage* entry = find_sqlstate(sqlstate);
    return entry ? entry->message : nullptr;
}

const char* sqlstate_canonical(const char* sqlstate)
{
    const SqlStateMessage* entry = find_sqlstate(sqlstate);
    return entry ? entry->sqlstate : nullptr;
}

const char* sqlstate_for_sqlcode(long sqlcode)
{
    for (const auto& entry : sqlcode_states)
        if (entry.sqlcode == sqlcode) return entry.sqlstate;
    return "HY000";
}

void post_diag(HandleHeader* handle, const char* class_origin, int column_number,
               const char* connection_name, const char* message, int native_error,
               int row_number, const char* server_name, const char* sqlstate) noexcept
{
    if (handle == nullptr) return;
    auto* record = new (std::nothrow) DiagRecord{};
    if (record == nullptr) return;
    record->class_origin = class_origin ? class_origin : origin_iso;
    record->column_number = column_number;
    record->connection_name = connection_name ? connection_name : "";
    if (message != nullptr) {
        size_t n = utf8_cut(message, diag_message_size - 1);
        std::memcpy(record->message_text, message, n);
        record->message_text[n] = '\0';
    }
    record->native_error = native_error;
    record->row_number = row_number;
    record->server_name = server_name ? server_name : "";
    const char* canonical = sqlstate_canonical(sqlstate);
    record->sqlstate = canonical ? canonical : (sqlstate ? sqlstate : "HY000");

    if (handle->diag_list == nullptr) {
        handle->diag_list = record;
    } else {
        DiagRecord* last = handle->diag_list;
        while (last->next != nullptr) last = last->next;
        last->next = record;
    }
    ++handle->diag_count;
}

SQLRETURN post_error(HandleHeader* handle, const char* sqlstate, int native_error,
                     const char* message, const char* class_origin) noexcept
{
    if (message == nullptr) message = sqlstate_message(sqlstate);
    post_diag(handle, class_origin, 0, "", message, native_error, 0, "", sqlstate);
    return SQL_ERROR;
}

SQLRETURN post_warning(HandleHeader* handle, const char* sqlstate, int native_error,
                       const char* message, const char* class_origin) noexcept
{
    if (message == nullptr) message = sqlstate_message(sqlstate);
    post_diag(handle, class_origin, 0, "", message, native_error, 0, "", sqlstate);
    return SQL_SUCCESS_WITH_INFO;
}

void clear_diags(HandleHeader* handle) noexcept
{
    if (handle == nullptr) return;
    DiagRecord* record = handle->diag_list;
    while (record != nullptr) {
        DiagRecord* next = record->next;
        delete record;
        record = next;
    }
    handle->diag_list = nullptr;
    handle->diag_count = 0;
}

void move_diags(HandleHeader& from, HandleHeader& to) noexcept
{
    for (const DiagRecord* r = from.diag_list; r != nullptr; r = r->next)
        post_diag(&to, r->class_origin, r->column_number, r->connection_name, r->message_text,
                  r->native_error, r->row_number, r->server_name, r->sqlstate);
    clear_diags(&from);
}

const DiagRecord* diag_record(const HandleHeader* handle, int number) noexcept
{
    if (handle == nullptr || number < 1) return nullptr;
    const DiagRecord* record = handle->diag_list;
    for (int i = 1; record != nullptr && i < number; ++i) record = record->next;
    return record;
}

StatusText interpret_status(const ISC_STATUS* status)
{
    StatusText result;
    // One lock for the whole conversion: interprete walks the vector with
    // state the client keeps between calls.
    ClientCallLock lock;
    char buffer[interprete_buffer_size];
    // interprete advances its own pointer through the vector; it does not
    // write the vector.
    ISC_STATUS* cursor = const_cast<ISC_STATUS*>(status);
    if (BROLIX_CLIENT_HAS(isc_interprete)) {
        buffer[0] = '\0';
        if (client::isc_interprete(buffer, &cursor) != 0) result.message = buffer;
    }
    if (BROLIX_CLIENT_HAS(isc_sqlcode)) result.sqlcode = client::isc_sqlcode(status);
    if (BROLIX_CLIENT_HAS(isc_interprete)) {
        constexpr size_t limit = diag_message_size;
        for (;;) {
            buffer[0] = '\0';
            if (client::isc_interprete(buffer, &cursor) == 0) break;
            size_t more = std::strlen(buffer);
            // A text that would not fit is skipped; later ones may still fit.
            if (result.message.size() + more + 2 < limit) {
                result.message += ", ";
                result.message += buffer;
            }
        }
    }
    if (result.message.empty()) result.message = sqlstate_message("HY000");
    return result;
}

void post_connection_status(Connection* connection)
{
    StatusText text = interpret_status(connection->status);
    if (text.sqlcode == -902) {
        connection->connection_dead = 1;
        connection->reprompt = 1;
    } else if (text.sqlcode == -85) {
        connection->reprompt = 1;
    }
    post_diag(connection, origin_iso, 0, "", text.message.c_str(), static_cast<int>(text.sqlcode), 0,
              "", sqlstate_for_sqlcode(text.sqlcode));
}

void post_statement_status(Statement* statement)
{
    StatusText text = interpret_status(statement->status);
    if (text.sqlcode == -902 && statement->connection != nullptr)
        statement->connection->connection_dead = 1;
    post_diag(statement, origin_iso, 0, "", text.message.c_str(), static_cast<int>(text.sqlcode),
              statement_row_number(statement), "", sqlstate_for_sqlcode(text.sqlcode));
}
