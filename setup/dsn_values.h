// The values of one data source while the setup library edits it, and the
// ways they travel: from an installer attribute list and the stored keys
// into the values, from the values into the ODBC initialisation store, and
// between the values and the driver's Connection record while the driver
// prompts.
//
// Nothing here depends on Qt: the installer's headless path (ConfigDSN
// without a window) uses it as it stands, and the dialog puts the values into
// its controls and reads them back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "handles.h"

// The installer section of the driver, used as driver name by the calls that
// come from the driver.
inline constexpr const char* installer_driver_name = "Tarnwell Firebird ODBC";

// Longest text the dialog's fields accept: what the driver reads back from a
// data source key and what a Connection text field holds.
inline constexpr int dsn_field_max_length = connection_text_size - 1;

// The entries of the dialog's lists, in their order.
// Isolation: the txnmode values of entries 0, 1 and 2.
inline constexpr int32_t txn_mode_entries[] = {8, 2, 4};
// WCMB: the code-page names and numbers of entries 0 to 6.
struct CodePageEntry {
    const char* name;
    int32_t code_page;
};
inline constexpr CodePageEntry code_page_entries[] = {
    {"CP_ACP", 0},   {"CP_UTF8", 65001},      {"CP_MACCP", 2}, {"CP_OEMCP", 1},
    {"CP_SYMBOL", 42}, {"CP_THREAD_ACP", 3}, {"CP_UTF7", 65000},
};

struct DsnValues {
    std::string dsn;
    std::string description;
    std::string database;
    std::string user;
    std::string password;  // clear text
    std::string charset;
    std::string role;
    int32_t with_schema = 0;
    int32_t dialect = 3;
    int32_t nowait = 0;
    int32_t old_metadata = 0;
    int32_t exec_proc = 0;
    int32_t dquote = 0;
    int32_t uid_override = 0;
    int32_t read_only = 0;
    int32_t commit_select = 0;
    int32_t with_default = 0;
    int32_t txn_mode = 0;
    int32_t flush_commit = 0;
    int32_t pad_varchar = 0;
    int32_t null_schema = 0;
    int32_t fix_precision = 0;
    int32_t simple_unicode = 0;
    int32_t wchar_default_c = 0;
    int32_t hide_varchar = 0;
    int32_t wcmb_code_page = 0;
};

// The check-box values, for code that handles them alike.
struct FlagField {
    int32_t DsnValues::*value;
    const char* saved_key;  // the key written to the data source
};
extern const FlagField flag_fields[];
extern const size_t flag_field_count;

// The entries of an attribute list (NUL-terminated entries ended by an empty
// one). A null list has none.
std::vector<std::string_view> attribute_entries(const char* attributes);

// The data source name an attribute list names: the last entry whose key
// begins with "dsn" (any case), its value with one trailing ';' removed.
std::string attribute_dsn(const char* attributes);

// Reads one stored key: (data source, key, default, buffer size) -> value.
using StoredKeyReader = std::string (*)(const char*, const char*, const char*, int);

// The values of a data source: the attribute list first, then, when it names
// a data source, the stored keys for everything the list did not give (the
// stored password unscrambled); a dialect below 1 becomes 3.
DsnValues load_dsn_values(const char* attributes, StoredKeyReader reader);

// The values as the dialog's controls can show them, which is what is saved:
// a check box is set only by the value 1; a txnmode other than 8, 2 or 4
// shows the first isolation entry; a dialect outside 1 to 3 shows 3; a code
// page that is not in the WCMB list shows CP_ACP.
void normalise_for_form(DsnValues& values);

// Index of the list entry a value selects, or -1 when it selects none.
int txn_mode_entry(int32_t txn_mode);
int code_page_entry(int32_t code_page);

// Writes the data source: removes the one named `loaded_name` (so that a
// renamed data source leaves no old section), registers values.dsn for the
// driver `driver_name` and writes its keys in their fixed order, the
// password in its stored form. When the installer refuses the name, its
// errors are posted again for the caller of ConfigDSN and false is returned
// without writing keys.
bool save_dsn_values(const std::string& loaded_name, const DsnValues& values,
                     const char* driver_name);

// Posts the installer's pending errors (up to eight) again with
// SQLPostInstallerError, so that they reach the caller of ConfigDSN.
void repost_installer_errors();

// The attribute list complete_info builds from the driver's Connection.
std::string completion_attributes(const Connection& connection);

// Copies the values back into the Connection after the user confirmed the
// prompt; the password goes in its stored form (the driver unscrambles it at
// attach), or clear when the stored form would not fit the field.
void store_completion(const DsnValues& values, Connection& connection);
