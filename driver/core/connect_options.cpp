#include "connect_options.h"

#include <cstring>

#include "stored_password.h"
#include "text.h"

namespace {

// One numeric option: its field, its key for SQLConnect and for
// SQLDriverConnect (the store matches key names without regard to case, so
// the two spellings name one key), its connection-string keyword, the
// default read from a data source, and the value that is not echoed in the
// output connection string.
struct NumericOption {
    int32_t Connection::*field;
    const char* connect_key;
    const char* driver_connect_key;
    const char* keyword;
    const char* dsn_default;
    int32_t quiet_value;
};

// In the order SQLConnect reads them and the output string echoes them.
constexpr NumericOption numeric_options[] = {
    {&Connection::dialect, "dialect", "dialect", "DIALECT", "3", 3},
    {&Connection::dquote, "dquote", "dquote", "DQUOTE", "0", 0},
    {&Connection::with_schema, "with_schema", "with_schema", "SCHEMA", "0", 0},
    {&Connection::nowait, "nowait", "nowait", "NOWAIT", "0", 0},
    {&Connection::old_metadata, "oldmetadata", "OldMetaData", "OLDMETADATA", "0", 0},
    {&Connection::exec_proc, "ExecProc", "ExecProc", "EXECPROC", "0", 0},
    {&Connection::read_only, "ReadOnly", "ReadOnly", "READONLY", "0", 0},
    {&Connection::commit_select, "CommitSelect", "CommitSelect", "COMMITSELECT", "0", 0},
    {&Connection::with_default, "WithDefault", "WithDefault", "WITHDEFAULT", "0", 0},
    {&Connection::txn_mode, "TxnMode", "TxnMode", "TXNMODE", "2", 2},
    {&Connection::flush_commit, "FlushCommit", "FlushCommit", "FLUSHCOMMIT", "0", 0},
    {&Connection::pad_varchar, "PadVarchar", "PadVarchar", "PADVARCHAR", "0", 0},
    {&Connection::null_schema, "NullSchema", "NullSchema", "NULLSCHEMA", "0", 0},
    {&Connection::fix_precision, "FixPrecision", "FixPrecision", "FIXPRECISION", "0", 0},
    {&Connection::simple_unicode, "SimpleUnicode", "SimpleUnicode", "SIMPLEUNICODE", "0", 0},
    {&Connection::wchar_default_c, "WcharDefaultC", "WcharDefaultC", "WCHARDEFAULTC", "0", 0},
    {&Connection::hide_varchar, "HideVarchar", "HideVarchar", "HIDEVARCHAR", "0", 0},
};

constexpr const char* wcmb_key = "WCMB";
constexpr const char* wcmb_default = "CP_ACP";

// The text options a connection string sets, by keyword.
struct TextOption {
    const char* keyword;
    char (Connection::*field)[connection_text_size];
};

constexpr TextOption text_options[] = {
    {"DSN", &Connection::dsn},       {"UID", &Connection::user},
    {"PWD", &Connection::password},  {"DB", &Connection::database},
    {"DATABASE", &Connection::database}, {"DRIVER", &Connection::driver},
    {"CHARSET", &Connection::charset}, {"ROLE", &Connection::role},
};

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view until_nul(std::string_view text)
{
    size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

std::string read_text(const DsnKeyReader& reader, const char* dsn, const char* key,
                      int buffer_size = dsn_text_buffer_size)
{
    return reader(dsn, key, "", buffer_size);
}

int32_t read_number(const DsnKeyReader& reader, const char* dsn, const char* key,
                    const char* default_value)
{
    return option_number(reader(dsn, key, default_value, dsn_number_buffer_size));
}

// The password key holds the stored form; the clear password is cut to the
// field only after unscrambling, so a long password's stored form is read
// whole.
void read_password(Connection& connection, const DsnKeyReader& reader, const char* dsn)
{
    std::string stored = read_text(reader, dsn, "password", dsn_password_buffer_size);
    set_option_text(connection.password, unscramble_password(stored));
}

void append_attribute(std::string& out, const char* keyword, std::string_view value)
{
    out += keyword;
    out += '=';
    if (value.find(';') != std::string_view::npos || value.starts_with('{')) {
        out += '{';
        for (char c : value) {
            if (c == '}') out += '}';
            out += c;
        }
        out += '}';
    } else {
        out += value;
    }
    out += ';';
}

void append_text_option(std::string& out, const char* keyword, const char* value)
{
    if (value[0] != '\0') append_attribute(out, keyword, value);
}

void append_number(std::string& out, const char* keyword, int32_t value)
{
    out += keyword;
    out += '=';
    out += std::to_string(value);
    out += ';';
}

}  // namespace

std::vector<ConnectionStringAttribute> parse_connection_string(std::string_view text)
{
    text = until_nul(text);
    std::vector<ConnectionStringAttribute> attributes;
    const size_t n = text.size();
    size_t pos = 0;
    while (pos <= n) {
        size_t start = pos;
        while (start < n && is_space(text[start])) ++start;
        size_t end = text.find(';', start);
        if (end == std::string_view::npos) end = n;
        size_t eq = text.find('=', start);
        if (eq == std::string_view::npos || eq > end) {
            pos = end + 1;
            continue;
        }
        std::string keyword(text.substr(start, eq - start));
        size_t value_start = eq + 1;
        if (value_start < n && text[value_start] == '{') {
            std::string value;
            size_t i = value_start + 1;
            bool closed = false;
            while (i < n) {
                if (text[i] == '}') {
                    if (i + 1 < n && text[i + 1] == '}') {
                        value += '}';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                value += text[i++];
            }
            if (closed) {
                while (i < n && is_space(text[i])) ++i;
                if (i == n || text[i] == ';') {
                    attributes.push_back({std::move(keyword), std::move(value)});
                    pos = i + 1;
                    continue;
                }
            }
            // No proper closing brace: the value is plain text after all.
        }
        attributes.push_back({std::move(keyword), std::string(text.substr(value_start, end - value_start))});
        pos = end + 1;
    }
    return attributes;
}

std::string_view counted_argument(const SQLCHAR* text, SQLLEN length) noexcept
{
    if (text == nullptr) return {};
    const char* chars = reinterpret_cast<const char*>(text);
    if (length == SQL_NTS) return std::string_view(chars);
    if (length < 0) return {};
    return until_nul(std::string_view(chars, static_cast<size_t>(length)));
}

void load_options_for_connect(Connection& connection, const SQLCHAR* server_name,
                              SQLLEN server_name_length, const SQLCHAR* user_name,
                              SQLLEN user_name_length, const SQLCHAR* authentication,
                              SQLLEN authentication_length, const DsnKeyReader& reader)
{
    set_option_text(connection.dsn, counted_argument(server_name, server_name_length));
    const char* dsn = connection.dsn;

    set_option_text(connection.charset, read_text(reader, dsn, "charset"));
    set_option_text(connection.role, read_text(reader, dsn, "role"));
    set_option_text(connection.database, read_text(reader, dsn, "database"));
    for (const auto& option : numeric_options)
        connection.*option.field = read_number(reader, dsn, option.connect_key, option.dsn_default);
    connection.wcmb_code_page =
        code_page_from_name(reader(dsn, wcmb_key, wcmb_default, dsn_number_buffer_size));
    bool uid_override = read_number(reader, dsn, "uidoverride", "0") != 0;

    std::string_view user = counted_argument(user_name, user_name_length);
    if (uid_override || user.empty())
        set_option_text(connection.user, read_text(reader, dsn, "user"));
    else
        set_option_text(connection.user, user);

    std::string_view password = counted_argument(authentication, authentication_length);
    if (uid_override || password.empty())
        read_password(connection, reader, dsn);
    else
        set_option_text(connection.password, password);

    if (connection.dialect <= 0) connection.dialect = 3;
    if (connection.with_schema < 0) connection.with_schema = 0;
}

DriverConnectOptions load_options_for_driver_connect(Connection& connection,
                                                     const SQLCHAR* connection_string,
                                                     SQLLEN length, const DsnKeyReader& reader)
{
    DriverConnectOptions extra;
    for (const auto& option : text_options) (connection.*option.field)[0] = '\0';
    for (const auto& option : numeric_options) connection.*option.field = -1;
    connection.wcmb_code_page = -1;

    for (const auto& [keyword, value] :
         parse_connection_string(counted_argument(connection_string, length))) {
        bool matched = false;
        for (const auto& option : text_options) {
            if (equals_ignoring_case(keyword, option.keyword)) {
                set_option_text(connection.*option.field, value);
                matched = true;
                break;
            }
        }
        if (matched) continue;
        if (equals_ignoring_case(keyword, "FILEDSN")) {
            extra.file_dsn = value.substr(0, connection_text_size - 1);
            continue;
        }
        if (equals_ignoring_case(keyword, wcmb_key)) {
            connection.wcmb_code_page = code_page_from_name(value);
            continue;
        }
        for (const auto& option : numeric_options) {
            if (equals_ignoring_case(keyword, option.keyword)) {
                connection.*option.field = option_number(value);
                break;
            }
        }
    }

    const char* dsn = connection.dsn;
    const bool named = dsn[0] != '\0';
    if (connection.database[0] == '\0')
        set_option_text(connection.database, read_text(reader, dsn, "database"));
    if (named && read_number(reader, dsn, "uidoverride", "0") != 0) {
        connection.user[0] = '\0';
        connection.password[0] = '\0';
    }
    if (connection.user[0] == '\0') set_option_text(connection.user, read_text(reader, dsn, "user"));
    if (connection.password[0] == '\0') read_password(connection, reader, dsn);
    if (connection.charset[0] == '\0')
        set_option_text(connection.charset, read_text(reader, dsn, "charset"));
    if (connection.role[0] == '\0') set_option_text(connection.role, read_text(reader, dsn, "role"));

    if (named) {
        for (const auto& option : numeric_options) {
            if (connection.*option.field == -1)
                connection.*option.field =
                    read_number(reader, dsn, option.driver_connect_key, option.dsn_default);
        }
        if (connection.wcmb_code_page == -1)
            connection.wcmb_code_page =
                code_page_from_name(reader(dsn, wcmb_key, wcmb_default, dsn_number_buffer_size));
    }
    return extra;
}

void apply_option_defaults(Connection& connection)
{
    if (connection.dialect < 1) connection.dialect = 3;
    if (connection.txn_mode < 0) connection.txn_mode = 2;
    for (const auto& option : numeric_options)
        if (connection.*option.field < 0) connection.*option.field = 0;
    if (connection.wcmb_code_page < 0) connection.wcmb_code_page = 0;
}

std::string build_output_connection_string(const Connection& connection,
                                           std::string_view file_dsn)
{
    std::string out;
    append_text_option(out, "DRIVER", connection.driver);
    append_text_option(out, "DSN", connection.dsn);
    append_text_option(out, "UID", connection.user);
    append_text_option(out, "PWD", connection.password);
    append_text_option(out, "DB", connection.database);
    append_text_option(out, "CHARSET", connection.charset);
    append_text_option(out, "ROLE", connection.role);
    for (const auto& option : numeric_options) {
        int32_t value = connection.*option.field;
        if (value != option.quiet_value) append_number(out, option.keyword, value);
    }
    if (const char* name = connection.wcmb_code_page != 0 ? code_page_name(connection.wcmb_code_page)
                                                          : nullptr) {
        out += "WCMB=";
        out += name;
        out += ';';
    }
    if (!file_dsn.empty()) append_attribute(out, "FILEDSN", file_dsn);
    if (connection.dummy_dsn != 0 && connection.dsn[0] == '\0') out += "DUMMYDSN=X;";
    return out;
}

SQLRETURN copy_output_connection_string(std::string_view text, SQLCHAR* out,
                                        SQLSMALLINT buffer_length, SQLSMALLINT* length_ptr)
{
    if (out == nullptr || buffer_length <= 0) return SQL_SUCCESS;
    return narrow_out(out, buffer_length, length_ptr).write(text) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}
