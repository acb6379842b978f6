// The driver's self-description: the answers of SQLGetInfo and
// SQLGetFunctions.
//
// Almost every answer is a constant; a few follow the connection's options
// (data source, user, ReadOnly, with_schema), the server version recorded at
// attach, the environment's ODBC version and the client library's major
// version. Nothing here talks to the server, so none of it needs the
// connection to be attached.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "handles.h"
#include "text.h"

// The width of an SQLGetInfo answer.
enum class InfoForm {
    text,     // NUL-terminated string
    small,    // SQLUSMALLINT
    integer,  // SQLUINTEGER (counts and bit masks)
    pointer,  // SQLULEN, for answers that are handles (SQL_DRIVER_HLIB)
    echo,     // the caller's statement handle left as it is (SQL_DRIVER_HSTMT)
};

struct InfoAnswer {
    InfoForm form = InfoForm::text;
    std::string text;    // form text
    SQLULEN number = 0;  // the numeric forms
};

// The answer to one InfoType, or nullopt when the driver does not answer it.
// client_major is the bound client library's major version.
std::optional<InfoAnswer> info_answer(const Connection& connection, SQLUSMALLINT info_type,
                                      int client_major);

// SQL_DBMS_VER for a server version: "MM.mm.0000".
std::string dbms_version_text(int server_major, int server_minor);

// The SQL_KEYWORDS answer: Firebird's reserved words beyond the ODBC list,
// comma-separated without blanks.
extern const std::string_view sql_keywords;

// Body of SQLGetInfo and SQLGetInfoW. String answers are written in `form`
// (narrow, or UTF-16 through the connection's code page); buffer_length and
// the length reported count bytes in both widths.
SQLRETURN get_info(Connection& connection, SQLUSMALLINT info_type, SQLPOINTER value,
                   SQLSMALLINT buffer_length, SQLSMALLINT* length_ptr, int client_major,
                   TextForm form = TextForm::narrow);

inline SQLRETURN get_info_wide(Connection& connection, SQLUSMALLINT info_type, SQLPOINTER value,
                               SQLSMALLINT buffer_length, SQLSMALLINT* length_ptr, int client_major)
{
    return get_info(connection, info_type, value, buffer_length, length_ptr, client_major,
                    TextForm::wide_bytes);
}

// The SQL_API_* codes of the functions the driver exports (functions.def),
// one per narrow name; SQL_API_SQLCOLATTRIBUTES and SQL_API_SQLCOLATTRIBUTE
// are the same code.
extern const std::span<const SQLUSMALLINT> supported_functions;

// Body of SQLGetFunctions: SQL_API_ODBC3_ALL_FUNCTIONS fills a bitmap of
// SQL_API_ODBC3_ALL_FUNCTIONS_SIZE words, SQL_API_ALL_FUNCTIONS an array of
// 100 words, any other id one word.
SQLRETURN get_functions(Connection& connection, SQLUSMALLINT function_id, SQLUSMALLINT* supported);
