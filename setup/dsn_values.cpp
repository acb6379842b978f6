#include "dsn_values.h"

#include <odbcinst.h>

#include <cstring>

#include "option_values.h"
#include "stored_password.h"

namespace {

// Buffers the stored keys are read with: texts, numbers, and the stored
// password (the stored form of the longest password a field takes).
constexpr int text_key_size = 256;
constexpr int number_key_size = 20;
constexpr int password_key_size = static_cast<int>(stored_password_length(dsn_field_max_length)) + 1;

// One numeric value: its attribute-list key (null when no attribute sets
// it), the key read from a data source and that read's default, the key it
// is saved under, and the Connection field it completes.
struct NumberField {
    int32_t DsnValues::*value;
    const char* attribute;
    const char* stored_key;
    const char* stored_default;
    const char* saved_key;
    int32_t Connection::*connection_field;
    const char* completion_key;
};

// In the order the values are saved (WCMB goes after TxnMode).
constexpr NumberField number_fields[] = {
    {&DsnValues::with_schema, "schema", "with_schema", "", "With_Schema", &Connection::with_schema, "SCHEMA"},
    {&DsnValues::dialect, "dialect", "dialect", "", "Dialect", &Connection::dialect, "DIALECT"},
    {&DsnValues::nowait, "nowait", "nowait", "", "Nowait", &Connection::nowait, "NOWAIT"},
    {&DsnValues::old_metadata, "oldmetadata", "oldmetadata", "", "OldMetaData", &Connection::old_metadata, "OLDMETADATA"},
    {&DsnValues::exec_proc, "execproc", "execproc", "", "ExecProc", &Connection::exec_proc, "EXECPROC"},
    {&DsnValues::dquote, "dquote", "dquote", "", "DQuote", &Connection::dquote, "DQUOTE"},
    {&DsnValues::uid_override, nullptr, "uidoverride", "", "Uidoverride", nullptr, nullptr},
    {&DsnValues::read_only, "readonly", "readonly", "0", "ReadOnly", &Connection::read_only, "READONLY"},
    {&DsnValues::commit_select, "commitselect", "commitselect", "0", "CommitSelect", &Connection::commit_select, "COMMITSELECT"},
    {&DsnValues::with_default, "withdefault", "withdefault", "0", "WithDefault", &Connection::with_default, "WITHDEFAULT"},
    {&DsnValues::txn_mode, "txnmode", "txnmode", "2", "TxnMode", &Connection::txn_mode, "TXNMODE"},
    {&DsnValues::flush_commit, "flushcommit", "flushcommit", "0", "FlushCommit", &Connection::flush_commit, "FLUSHCOMMIT"},
    {&DsnValues::pad_varchar, "padvarchar", "padvarchar", "0", "PadVarchar", &Connection::pad_varchar, "PADVARCHAR"},
    {&DsnValues::null_schema, "nullschema", "nullschema", "0", "NullSchema", &Connection::null_schema, "NULLSCHEMA"},
    {&DsnValues::fix_precision, "fixprecision", "fixprecision", "0", "FixPrecision", &Connection::fix_precision, "FIXPRECISION"},
    {&DsnValues::simple_unicode, "simpleunicode", "simpleunicode", "0", "SimpleUnicode", &Connection::simple_unicode, "SIMPLEUNICODE"},
    {&DsnValues::wchar_default_c, "wchardefaultc", "wchardefaultc", "0", "WCharDefaultC", &Connection::wchar_default_c, "WCHARDEFAULTC"},
    {&DsnValues::hide_varchar, "HideVarchar", "HideVarchar", "0", "HideVarchar", &Connection::hide_varchar, "HIDEVARCHAR"},
};

// The text values an attribute list sets, by key.
struct TextField {
    const char* attribute;
    std::string DsnValues::*value;
};

constexpr TextField text_attributes[] = {
    {"dsn", &DsnValues::dsn},     {"desc", &DsnValues::description}, {"uid", &DsnValues::user},
    {"pwd", &DsnValues::password}, {"db", &DsnValues::database},     {"charset", &DsnValues::charset},
    {"role", &DsnValues::role},
};

constexpr const char* wcmb_attribute = "wcmb";

bool begins_with_ignoring_case(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equals_ignoring_case(text.substr(0, prefix.size()), prefix);
}

std::string without_trailing_semicolon(std::string_view value)
{
    if (value.ends_with(';')) value.remove_suffix(1);
    return std::string(value);
}

// Key and value of one "key=value" entry; false for an entry without '='.
bool split_entry(std::string_view entry, std::string_view& key, std::string_view& value)
{
    size_t eq = entry.find('=');
    if (eq == std::string_view::npos) return false;
    key = entry.substr(0, eq);
    value = entry.substr(eq + 1);
    return true;
}

// Applies one attribute entry to the values; returns the number field it set
// (or null), and marks the text fields it set by their non-empty value.
const NumberField* apply_attribute(std::string_view key, std::string_view value, DsnValues& values,
                                   bool& wcmb_given)
{
    // The first key in the list that the entry begins with takes the value.
    for (const auto& field : text_attributes) {
        if (!begins_with_ignoring_case(key, field.attribute)) continue;
        values.*field.value = field.value == &DsnValues::dsn ? without_trailing_semicolon(value)
                                                              : std::string(value);
        return nullptr;
    }
    for (const auto& field : number_fields) {
        if (field.attribute == nullptr || !begins_with_ignoring_case(key, field.attribute)) continue;
        values.*field.value = option_number(value);
        return &field;
    }
    if (begins_with_ignoring_case(key, wcmb_attribute)) {
        values.wcmb_code_page = code_page_from_name(value);
        wcmb_given = true;
    }
    return nullptr;
}

void append_entry(std::string& list, std::string_view key, std::string_view value)
{
    list += key;
    list += '=';
    list += value;
    list += '\0';
}

}  // namespace

const FlagField flag_fields[] = {
    {&DsnValues::with_schema, "With_Schema"},     {&DsnValues::nowait, "Nowait"},
    {&DsnValues::old_metadata, "OldMetaData"},    {&DsnValues::exec_proc, "ExecProc"},
    {&DsnValues::dquote, "DQuote"},               {&DsnValues::uid_override, "Uidoverride"},
    {&DsnValues::read_only, "ReadOnly"},          {&DsnValues::commit_select, "CommitSelect"},
    {&DsnValues::with_default, "WithDefault"},    {&DsnValues::flush_commit, "FlushCommit"},
    {&DsnValues::pad_varchar, "PadVarchar"},      {&DsnValues::null_schema, "NullSchema"},
    {&DsnValues::fix_precision, "FixPrecision"},  {&DsnValues::simple_unicode, "SimpleUnicode"},
    {&DsnValues::wchar_default_c, "WCharDefaultC"}, {&DsnValues::hide_varchar, "HideVarchar"},
};
const size_t flag_field_count = std::size(flag_fields);

std::vector<std::string_view> attribute_entries(const char* attributes)
{
    std::vector<std::string_view> entries;
    if (attributes == nullptr) return entries;
    for (const char* p = attributes; *p != '\0'; p += std::strlen(p) + 1) entries.emplace_back(p);
    return entries;
}

std::string attribute_dsn(const char* attributes)
{
    std::string dsn;
    for (std::string_view entry : attribute_entries(attributes)) {
        std::string_view key, value;
        if (split_entry(entry, key, value) && begins_with_ignoring_case(key, "dsn"))
            dsn = without_trailing_semicolon(value);
    }
    return dsn;
}

DsnValues load_dsn_values(const char* attributes, StoredKeyReader reader)
{
    DsnValues values;
    bool given[std::size(number_fields)] = {};
    bool wcmb_given = false;
    for (std::string_view entry : attribute_entries(attributes)) {
        std::string_view key, value;
        if (!split_entry(entry, key, value)) continue;
        if (const NumberField* field = apply_attribute(key, value, values, wcmb_given))
            given[field - number_fields] = true;
    }

    if (!values.dsn.empty()) {
        const char* dsn = values.dsn.c_str();
        auto read_text = [&](std::string& value, const char* key) {
            if (value.empty()) value = reader(dsn, key, "", text_key_size);
        };
        read_text(values.description, "Description");
        read_text(values.user, "User");
        if (values.password.empty())
            values.password = unscramble_password(reader(dsn, "Password", "", password_key_size));
        read_text(values.database, "Database");
        read_text(values.charset, "Charset");
        read_text(values.role, "Role");
        for (size_t i = 0; i < std::size(number_fields); ++i) {
            const NumberField& field = number_fields[i];
            if (!given[i])
                values.*field.value =
                    option_number(reader(dsn, field.stored_key, field.stored_default, number_key_size));
        }
        if (!wcmb_given)
            values.wcmb_code_page = code_page_from_name(reader(dsn, "WCMB", "CP_AFC", number_key_size));
    }
    if (values.dialect < 1) values.dialect = 3;
    return values;
}

int txn_mode_entry(int32_t txn_mode)
{
    for (size_t i = 0; i < std::size(txn_mode_entries); ++i)
        if (txn_mode_entries[i] == txn_mode) return static_cast<int>(i);
    return -1;
}

int code_page_entry(int32_t code_page)
{
    for (size_t i = 0; i < std::size(code_page_entries); ++i)
        if (code_page_entries[i].code_page == code_page) return static_cast<int>(i);
    return -1;
}

void normalise_for_form(DsnValues& values)
{
    for (const auto& flag : flag_fields) values.*flag.value = values.*flag.value == 1 ? 1 : 0;
    if (txn_mode_entry(values.txn_mode) < 0) values.txn_mode = txn_mode_entries[0];
    if (values.dialect < 1 || values.dialect > 3) values.dialect = 3;
    if (code_page_entry(values.wcmb_code_page) < 0) values.wcmb_code_page = 0;
}

void repost_installer_errors()
{
    struct Pending {
        DWORD code;
        std::string text;
    };
    std::vector<Pending> pending;
    for (WORD i = 1; i <= 8; ++i) {
        DWORD code = 0;
        char text[SQL_MAX_MESSAGE_LENGTH] = "";
        WORD length = 0;
        RETCODE rc = SQLInstallerError(i, &code, text, sizeof text, &length);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) break;
        pending.push_back({code, text});
    }
    for (const auto& error : pending) SQLPostInstallerError(error.code, error.text.c_str());
}

bool save_dsn_values(const std::string& loaded_name, const DsnValues& values, const char* driver_name)
{
    if (!loaded_name.empty()) SQLRemoveDSNFromIni(loaded_name.c_str());
    const char* dsn = values.dsn.c_str();
    if (!SQLWriteDSNToIni(dsn, driver_name)) {
        repost_installer_errors();
        return false;
    }
    auto write = [&](const char* key, const std::string& value) {
        SQLWritePrivateProfileString(dsn, key, value.c_str(), "odbc.ini");
    };
    write("Description", values.description);
    write("Database", values.database);
    write("User", values.user);
    write("Password", values.password.empty() ? std::string() : scramble_password(values.password));
    write("Charset", values.charset);
    write("Role", values.role);
    for (const auto& field : number_fields) {
        write(field.saved_key, std::to_string(values.*field.value));
        if (field.value == &DsnValues::txn_mode) {
            int entry = code_page_entry(values.wcmb_code_page);
            write("WCMB", code_page_entries[entry < 0 ? 0 : entry].name);
        }
    }
    return true;
}

std::string completion_attributes(const Connection& connection)
{
    std::string list;
    auto text = [&](const char* key, std::string_view value) {
        if (!value.empty()) append_entry(list, key, value);
    };
    text("DSN", connection.dsn);
    text("UID", connection.user);
    // A password that came back from an earlier prompt is in the stored form;
    // the dialog shows and edits the clear one, as the driver would send it.
    text("PWD", unscramble_password(connection.password));
    text("DB", connection.database);
    // The character set and role the driver resolved (connection string
    // over data source), so that confirming the prompt keeps them.
    text("CHARSET", connection.charset);
    text("ROLE", connection.role);
    for (const auto& field : number_fields)
        if (field.completion_key != nullptr)
            append_entry(list, field.completion_key, std::to_string(connection.*field.connection_field));
    const char* name = code_page_name(connection.wcmb_code_page);
    append_entry(list, "WCMB", name != nullptr ? name : "CP_ACP");
    list += '\0';
    return list;
}

void store_completion(const DsnValues& values, Connection& connection)
{
    set_option_text(connection.database, values.database);
    set_option_text(connection.user, values.user);
    set_option_text(connection.charset, values.charset);
    set_option_text(connection.role, values.role);
    std::string stored = scramble_password(values.password);
    set_option_text(connection.password,
                    stored.size() < connection_text_size ? std::string_view(stored)
                                                         : std::string_view(values.password));
    for (const auto& field : number_fields)
        if (field.connection_field != nullptr)
            connection.*field.connection_field = values.*field.value;
    connection.wcmb_code_page = values.wcmb_code_page;
}
