#include "connection.h"

#include <cstring>

#include "attribute_widths.h"
#include "client_api.h"
#include "text.h"
#include "connect_options.h"
#include "diagnostics.h"
#include "handle_lifecycle.h"
#include "setup_bridge.h"
#include "stored_password.h"
#include "transactions.h"

namespace {

void append_item(std::string& dpb, char item, const char* value)
{
    size_t n = std::strlen(value);
    if (n == 0) return;
    if (n > 255) n = 255;  // one length byte; option fields hold at most 127
    dpb += item;
    dpb += static_cast<char>(n);
    dpb.append(value, n);
}

// ---- connection attributes ----------------------------------------------

enum class SetRule {
    store,            // the integer is stored in the field
    store_text,       // the narrow string is copied to the text field
    zero_or_changed,  // 0 accepted, anything else 01S02
    zero_or_refused,  // 0 accepted, anything else HYC00
    refused,          // HYC00
    ignored,          // accepted, nothing kept
    not_offered,      // HY092
    special,
};

enum class GetRule { field, text_field, zero, empty_text, refused, not_offered, special };

struct ConnectAttribute {
    SQLINTEGER id;
    SetRule set;
    GetRule get;
    int32_t Connection::*field = nullptr;
    char (Connection::*text)[connection_text_size] = nullptr;
};

const ConnectAttribute connect_attributes[] = {
    {SQL_QUERY_TIMEOUT, SetRule::zero_or_changed, GetRule::zero},
    {SQL_MAX_ROWS, SetRule::store, GetRule::field, &Connection::max_rows},
    {SQL_NOSCAN, SetRule::store, GetRule::field, &Connection::metadata_id},
    {SQL_MAX_LENGTH, SetRule::store, GetRule::field, &Connection::max_length},
    {SQL_ASYNC_ENABLE, SetRule::zero_or_refused, GetRule::zero},
    {SQL_BIND_TYPE, SetRule::store, GetRule::field, &Connection::bind_type},
    {SQL_CURSOR_TYPE, SetRule::zero_or_changed, GetRule::zero},
    {SQL_CONCURRENCY, SetRule::store, GetRule::field, &Connection::concurrency},
    {SQL_KEYSET_SIZE, SetRule::zero_or_changed, GetRule::zero},
    {SQL_SIMULATE_CURSOR, SetRule::store, GetRule::field, &Connection::simulate_cursor},
    {SQL_RETRIEVE_DATA, SetRule::refused, GetRule::refused},
    {SQL_USE_BOOKMARKS, SetRule::zero_or_refused, GetRule::zero},
    {SQL_ACCESS_MODE, SetRule::special, GetRule::special},
    {SQL_AUTOCOMMIT, SetRule::special, GetRule::field, &Connection::autocommit},
    {SQL_LOGIN_TIMEOUT, SetRule::zero_or_changed, GetRule::zero},
    {SQL_OPT_TRACE, SetRule::store, GetRule::field, &Connection::trace},
    {SQL_OPT_TRACEFILE, SetRule::store_text, GetRule::text_field, nullptr, &Connection::trace_file},
    {SQL_TRANSLATE_DLL, SetRule::store_text, GetRule::text_field, nullptr, &Connection::translate_dll},
    {SQL_TRANSLATE_OPTION, SetRule::store, GetRule::field, &Connection::translate_option},
    {SQL_TXN_ISOLATION, SetRule::special, GetRule::field, &Connection::isolation},
    {1227, SetRule::special, GetRule::field, &Connection::isolation},
    {SQL_CURRENT_QUALIFIER, SetRule::ignored, GetRule::empty_text},
    {SQL_QUIET_MODE, SetRule::special, GetRule::special},
    {SQL_PACKET_SIZE, SetRule::store, GetRule::field, &Connection::packet_size},
    {SQL_ATTR_CONNECTION_TIMEOUT, SetRule::zero_or_changed, GetRule::zero},
    {SQL_ATTR_ANSI_APP, SetRule::special, GetRule::not_offered},
    {1041, SetRule::ignored, GetRule::not_offered},
    {1042, SetRule::ignored, GetRule::not_offered},
    {SQL_ATTR_ENLIST_IN_DTC, SetRule::store, GetRule::field, &Connection::enlist_in_dtc},
    {SQL_ATTR_CONNECTION_DEAD, SetRule::not_offered, GetRule::field, &Connection::connection_dead},
    {1212, SetRule::not_offered, GetRule::empty_text},
    {SQL_ATTR_AUTO_IPD, SetRule::special, GetRule::field, &Connection::auto_ipd},
    {SQL_ATTR_METADATA_ID, SetRule::store, GetRule::field, &Connection::metadata_id},
    {30002, SetRule::special, GetRule::not_offered},
    {SQL_ATTR_CURSOR_SENSITIVITY, SetRule::special, GetRule::field, &Connection::cursor_sensitivity},
    {SQL_ATTR_CURSOR_SCROLLABLE, SetRule::special, GetRule::zero},
};

const ConnectAttribute* find_attribute(SQLINTEGER id)
{
    for (const auto& a : connect_attributes)
        if (a.id == id) return &a;
    return nullptr;
}

SQLRETURN changed(Connection& c) { return post_warning(&c, "01S02", 0, nullptr, origin_odbc3); }
SQLRETURN refused(Connection& c, const char* state = "HYC00")
{
    return post_error(&c, state, 0, nullptr, origin_odbc3);
}
SQLRETURN out_of_range(Connection& c) { return post_error(&c, "HY092"); }

SQLRETURN set_special(Connection& c, SQLINTEGER id, SQLPOINTER value, int32_t number)
{
    switch (id) {
    case SQL_ACCESS_MODE:
        if (number == SQL_MODE_READ_ONLY) {
            c.read_only = 1;
            return SQL_SUCCESS;
        }
        // A connection made read-only by its data source stays so.
        return c.read_only ? changed(c) : SQL_SUCCESS;
    case SQL_AUTOCOMMIT:
        if (c.autocommit == SQL_AUTOCOMMIT_OFF && number == SQL_AUTOCOMMIT_ON) {
            commit_transaction(c);
            clear_diags(&c);  // the commit's outcome is not reported here
        }
        c.autocommit = number;
        return SQL_SUCCESS;
    case SQL_TXN_ISOLATION:
    case 1227:
        if (number == SQL_TXN_READ_COMMITTED || number == SQL_TXN_REPEATABLE_READ ||
            number == SQL_TXN_SERIALIZABLE || number == txn_versioning) {
            c.isolation = number;
            c.isolation_set = 1;
            return SQL_SUCCESS;
        }
        return refused(c);
    case SQL_QUIET_MODE:
        c.quiet_mode = value;
        return SQL_SUCCESS;
    case SQL_ATTR_ANSI_APP:
        if (number == SQL_AA_FALSE) c.wide_app = 1;
        return SQL_SUCCESS;
    case SQL_ATTR_AUTO_IPD:
        return number == 1 ? SQL_SUCCESS : changed(c);
    case 30002:
        c.dummy_dsn = 1;
        return SQL_SUCCESS;
    case SQL_ATTR_CURSOR_SENSITIVITY:
        if (number == SQL_SENSITIVE) return changed(c);
        c.cursor_sensitivity = number;
        return SQL_SUCCESS;
    case SQL_ATTR_CURSOR_SCROLLABLE:
        if (number == 0) return SQL_SUCCESS;
        changed(c);
        return SQL_ERROR;
    default:
        return out_of_range(c);
    }
}

}  // namespace

std::string build_dpb(const Connection& connection, const std::string& clear_password)
{
    std::string dpb(1, static_cast<char>(isc_dpb_version1));
    append_item(dpb, isc_dpb_user_name, connection.user);
    append_item(dpb, isc_dpb_password, clear_password.c_str());
    append_item(dpb, isc_dpb_lc_ctype, connection.charset);
    append_item(dpb, isc_dpb_sql_role_name, connection.role);
    // The client reads the names of the buffer (and the database path) in
    // the process's locale, which fails for anything beyond ASCII unless it
    // is told they are UTF-8, as the application's text is here.
    auto non_ascii = [](const char* text) {
        for (; *text; ++text)
            if (static_cast<unsigned char>(*text) >= 0x80) return true;
        return false;
    };
    if (non_ascii(connection.user) || non_ascii(clear_password.c_str()) ||
        non_ascii(connection.role) || non_ascii(connection.database)) {
        dpb += static_cast<char>(isc_dpb_utf8_filename);
        dpb += '\0';
    }
    return dpb;
}

void read_server_version(Connection& connection, const char* info, size_t info_length)
{
    size_t pos = 0;
    bool seen = false;
    while (pos < info_length) {
        auto item = static_cast<unsigned char>(info[pos]);
        if (item == isc_info_end || item == isc_info_truncated || pos + 3 > info_length) break;
        auto length = static_cast<size_t>(
            client::isc_vax_integer(const_cast<char*>(info + pos + 1), static_cast<short>(2)));
        const char* data = info + pos + 3;
        size_t available = info_length - (pos + 3);
        if (length > available) length = available;
        // Data: a count byte, a length byte and the first version text, such
        // as "LI-V6.3.11.33637 Firebird 3.0": digits at positions 4 and 6.
        if (item == isc_info_isc_version && !seen && length >= 2) {
            auto text_length = static_cast<size_t>(static_cast<unsigned char>(data[1]));
            const char* text = data + 2;
            if (text_length > length - 2) text_length = length - 2;
            if (text_length >= 7) {
                connection.server_major = text[4] - '0';
                connection.server_minor = text[6] - '0';
            }
            seen = true;
        }
        pos += length + 3;
    }
}

SQLRETURN attach(Connection& connection)
{
    if (!client_bound())
        return post_error(&connection, "HY000", 0, "Unable to open FBCLIENT.DLL or GDS32.DLL");
    std::string password = unscramble_password(connection.password);
    {
        ClientCallLock lock;
        std::string dpb = build_dpb(connection, password);
        connection.db_handle = 0;
        client::isc_attach_database(connection.status, static_cast<short>(std::strlen(connection.database)),
                                    connection.database, &connection.db_handle,
                                    static_cast<short>(dpb.size()), dpb.data());
        std::fill(dpb.begin(), dpb.end(), '\0');  // the password does not linger
    }
    std::fill(password.begin(), password.end(), '\0');
    if (status_failed(connection.status)) {
        connection.db_handle = 0;
        post_connection_status(&connection);
        return SQL_ERROR;
    }
    connection.transaction = 0;

    const char items[] = {isc_info_isc_version, isc_info_end};
    char buffer[256] = {};
    client::isc_database_info(connection.status, &connection.db_handle, static_cast<short>(sizeof items),
                              items, static_cast<short>(sizeof buffer), buffer);
    if (status_failed(connection.status)) {
        post_connection_status(&connection);
    } else {
        connection.server_major = client_major_version();
        read_server_version(connection, buffer, sizeof buffer);
    }
    connection.rollback_retaining_ok = BROLIX_CLIENT_HAS(isc_rollback_retaining) ? 1 : 0;
    connection.read_transaction = 0;
    connection.retaining_probed = 0;
    return SQL_SUCCESS;
}

SQLRETURN connect(Connection& connection, SQLCHAR* server_name, SQLLEN server_name_length,
                  SQLCHAR* user_name, SQLLEN user_name_length, SQLCHAR* authentication,
                  SQLLEN authentication_length)
{
    if (server_name == nullptr || server_name_length == 0 ||
        counted_argument(server_name, server_name_length).empty())
        return post_error(&connection, "HY000", 78, "A DSN is required");
    load_options_for_connect(connection, server_name, server_name_length, user_name, user_name_length,
                             authentication, authentication_length);
    return attach(connection);
}

SQLRETURN driver_connect(Connection& connection, SQLHWND window, SQLCHAR* in_string,
                         SQLLEN in_length, SQLUSMALLINT completion, std::string& output)
{
    DriverConnectOptions options = load_options_for_driver_connect(connection, in_string, in_length);
    // Without a window there is nobody to ask: complete as without prompting
    // (the output string still follows the completion asked for).
    const SQLUSMALLINT requested = completion;
    if (window == nullptr) completion = SQL_DRIVER_NOPROMPT;

    connection.reprompt = 0;
    bool prompted = false;
    SQLRETURN rc;
    for (;;) {
        auto prompt = [&]() -> SQLRETURN {
            int result = complete_info_bridge(connection, window);
            if (result == -1) return SQL_ERROR;
            if (result != 0) return SQL_NO_DATA;
            prompted = true;
            return SQL_SUCCESS;
        };
        if (completion == SQL_DRIVER_PROMPT) {
            rc = prompt();
            if (rc != SQL_SUCCESS) return rc;
        }
        if (connection.database[0] == '\0' || connection.reprompt) {
            // Nothing to attach to and nobody to ask: say so rather than
            // failing without a word.
            if (completion == SQL_DRIVER_NOPROMPT)
                return post_error(&connection, "HY000", 0, "A database is required");
            rc = prompt();
            if (rc != SQL_SUCCESS) return rc;
        }
        apply_option_defaults(connection);
        connection.reprompt = 0;
        rc = attach(connection);
        if (rc != SQL_ERROR || window == nullptr || completion == SQL_DRIVER_NOPROMPT ||
            !connection.reprompt || prompted)
            break;
        std::string messages;
        for (const DiagRecord* r = connection.diag_list; r != nullptr; r = r->next) {
            messages += "[Tarnwell][Firebird]";
            messages += r->message_text;
            messages += "\n";
        }
        complete_error_bridge(connection, messages, window);
        clear_diags(&connection);
    }
    if (SQL_SUCCEEDED(rc)) {
        if (requested == SQL_DRIVER_NOPROMPT)
            output = std::string(counted_argument(in_string, in_length));
        else
            output = build_output_connection_string(connection, options.file_dsn);
    }
    return rc;
}

SQLRETURN disconnect(Connection& connection)
{
    SQLRETURN rc = SQL_SUCCESS;
    auto fail = [&]() {
        post_connection_status(&connection);
        rc = SQL_ERROR;
    };
    try {
        if (connection.transaction != 0) {
            client::isc_rollback_transaction(connection.status, &connection.transaction);
            if (status_failed(connection.status)) fail();
        }
        if (rc == SQL_SUCCESS && connection.read_transaction != 0) {
            client::isc_commit_transaction(connection.status, &connection.read_transaction);
            if (status_failed(connection.status)) fail();
        }
        if (rc == SQL_SUCCESS) {
            client::isc_detach_database(connection.status, &connection.db_handle);
            if (status_failed(connection.status)) fail();
        }
        // A dead connection cannot be rolled back or detached: forget its
        // handles so that the application is not left holding them.
        if (rc == SQL_ERROR && connection.connection_dead) {
            connection.transaction = 0;
            connection.read_transaction = 0;
            connection.db_handle = 0;
        }
    } catch (...) {
        free_connection_children(connection, CommitOnClose::never);
        throw;
    }
    // Never a commit here: a failed rollback leaves the transaction open,
    // and its diagnostic is what the application must see.
    free_connection_children(connection, CommitOnClose::never);
    if (connection.db_handle == 0) forget_code_page(connection);
    return rc;
}

SQLRETURN set_connect_attr(Connection& connection, SQLINTEGER attribute, SQLPOINTER value)
{
    const ConnectAttribute* a = find_attribute(attribute);
    if (a == nullptr) return out_of_range(connection);
    auto number = static_cast<int32_t>(reinterpret_cast<intptr_t>(value));
    switch (a->set) {
    case SetRule::store:
        connection.*(a->field) = number;
        return SQL_SUCCESS;
    case SetRule::store_text:
        set_option_text(connection.*(a->text), value ? static_cast<const char*>(value) : "");
        return SQL_SUCCESS;
    case SetRule::zero_or_changed:
        return number == 0 ? SQL_SUCCESS : changed(connection);
    case SetRule::zero_or_refused:
        return number == 0 ? SQL_SUCCESS : refused(connection);
    case SetRule::refused:
        return refused(connection);
    case SetRule::ignored:
        return SQL_SUCCESS;
    case SetRule::not_offered:
        return out_of_range(connection);
    case SetRule::special:
        return set_special(connection, attribute, value, number);
    }
    return out_of_range(connection);
}

SQLRETURN get_connect_attr(Connection& connection, SQLINTEGER attribute, ConnectAttrValue& value)
{
    const ConnectAttribute* a = find_attribute(attribute);
    if (a == nullptr) return out_of_range(connection);
    value.width = attribute_width(attribute);
    switch (a->get) {
    case GetRule::field:
        value.number = static_cast<SQLULEN>(static_cast<SQLUINTEGER>(connection.*(a->field)));
        return SQL_SUCCESS;
    case GetRule::text_field:
        value.is_text = true;
        value.text = connection.*(a->text);
        return SQL_SUCCESS;
    case GetRule::zero:
        value.number = 0;
        return SQL_SUCCESS;
    case GetRule::empty_text:
        value.is_text = true;
        value.text.clear();
        return SQL_SUCCESS;
    case GetRule::refused:
        return refused(connection);
    case GetRule::not_offered:
        return out_of_range(connection);
    case GetRule::special:
        if (attribute == SQL_ACCESS_MODE) {
            value.number = connection.read_only ? SQL_MODE_READ_ONLY : SQL_MODE_READ_WRITE;
        } else {  // SQL_QUIET_MODE: a window handle, kept whole
            value.number = reinterpret_cast<SQLULEN>(connection.quiet_mode);
        }
        return SQL_SUCCESS;
    }
    return out_of_range(connection);
}

void store_attr_number(const ConnectAttrValue& value, SQLPOINTER out, SQLINTEGER* length_ptr)
{
    if (out != nullptr) {
        // Application buffers need not be aligned.
        if (value.width == sizeof(SQLULEN)) {
            std::memcpy(out, &value.number, sizeof(SQLULEN));
        } else {
            auto narrow = static_cast<SQLUINTEGER>(value.number);
            std::memcpy(out, &narrow, sizeof narrow);
        }
    }
    if (length_ptr != nullptr) *length_ptr = value.width;
}
