// Connection options: the keys of a data source in the ODBC initialisation
// store ("odbc.ini") and the keywords of a connection string, how the two are
// merged for SQLConnect and SQLDriverConnect, their defaults, and the output
// connection string of SQLDriverConnect.
//
// The resolved values live in the option fields of the Connection record.
// Strings hold at most 127 bytes (longer values are cut); numeric values read
// like atoi.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "handles.h"
#include "option_values.h"

// Buffer sizes used when reading data-source keys: text keys, numeric keys
// and "WCMB", and the stored password (the scrambled form of a password of
// 127 bytes takes 262 characters).
inline constexpr int dsn_text_buffer_size = connection_text_size;
inline constexpr int dsn_number_buffer_size = 32;
inline constexpr int dsn_password_buffer_size = 2 * (connection_text_size - 1) + 9;

// Reads one key of a data source, giving default_value when the data source
// or the key does not exist; the result holds at most buffer_size - 1 bytes.
using DsnKeyReader = std::function<std::string(const char* dsn, const char* key,
                                               const char* default_value, int buffer_size)>;

// One "keyword=value" attribute of a connection string, as written.
struct ConnectionStringAttribute {
    std::string keyword;
    std::string value;
};

// Splits a connection string into its attributes, in order. Attributes are
// separated by ";"; white space before a keyword is skipped; the value is the
// rest of the attribute as written, trailing blanks included. A value that
// starts with "{" and has a matching "}" followed only by blanks before the
// next ";" (or the end) is brace-quoted: it may hold ";", and "}}" stands for
// one "}". Any other value is taken as written up to the next ";". Pieces
// without "=" are dropped. The text ends at the first NUL.
std::vector<ConnectionStringAttribute> parse_connection_string(std::string_view text);

// A counted ODBC string argument as text: `length` bytes, or up to the
// terminator for SQL_NTS; empty for a null pointer or any other negative
// length. The text ends at the first NUL.
std::string_view counted_argument(const SQLCHAR* text, SQLLEN length) noexcept;

// Fills the options of `connection` for SQLConnect(ServerName, UserName,
// Authentication): every key from the data source server_name; the user and
// password from the arguments unless they are empty or the data source's
// "uidoverride" is set, else from the data source (the password unscrambled).
void load_options_for_connect(Connection& connection, const SQLCHAR* server_name,
                              SQLLEN server_name_length, const SQLCHAR* user_name,
                              SQLLEN user_name_length, const SQLCHAR* authentication,
                              SQLLEN authentication_length,
                              const DsnKeyReader& reader = read_dsn_key);

// What SQLDriverConnect keeps of a connection string besides the Connection's
// fields.
struct DriverConnectOptions {
    std::string file_dsn;  // the FILEDSN= value, echoed in the output string
};

// Fills the options of `connection` for SQLDriverConnect from a connection
// string and then from the data source it names. Options that neither gives
// stay unset (-1 for numbers, empty for strings) until apply_option_defaults.
DriverConnectOptions load_options_for_driver_connect(Connection& connection,
                                                     const SQLCHAR* connection_string,
                                                     SQLLEN length,
                                                     const DsnKeyReader& reader = read_dsn_key);

// Gives the numeric options still unset their defaults: dialect below 1
// becomes 3, txn_mode below 0 becomes 2, every other one below 0 becomes 0.
void apply_option_defaults(Connection& connection);

// The output connection string of SQLDriverConnect for a connected
// connection. Values holding ";" or starting with "{" are brace-quoted so
// that the string parses back to the same values.
std::string build_output_connection_string(const Connection& connection,
                                           std::string_view file_dsn);

// Copies an output connection string to the application's buffer. Nothing is
// written, and length_ptr is left alone, when out is null or buffer_length
// is 0 or below. Otherwise length_ptr receives the full length; a string of
// buffer_length bytes or more is cut to buffer_length - 1 bytes plus a
// terminator and SQL_SUCCESS_WITH_INFO is returned (no diagnostic is posted
// here); else SQL_SUCCESS.
SQLRETURN copy_output_connection_string(std::string_view text, SQLCHAR* out,
                                        SQLSMALLINT buffer_length, SQLSMALLINT* length_ptr);
