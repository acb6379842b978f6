// Attaching a connection to its database and detaching it again, the
// connect bodies, and the connection attributes.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>

#include "handles.h"

// Builds the database parameter buffer: version, then user, password,
// connection character set and role, each when given.
std::string build_dpb(const Connection& connection, const std::string& clear_password);

// Reads the server's version digits from an isc_info_isc_version answer;
// leaves them unchanged when the answer holds no usable version text.
void read_server_version(Connection& connection, const char* info, size_t info_length);

// Attaches to connection.database with the resolved options and reads the
// server version. SQL_SUCCESS or SQL_ERROR (the failure posted).
SQLRETURN attach(Connection& connection);

SQLRETURN connect(Connection& connection, SQLCHAR* server_name, SQLLEN server_name_length,
                  SQLCHAR* user_name, SQLLEN user_name_length, SQLCHAR* authentication,
                  SQLLEN authentication_length);

// The body of SQLDriverConnect. `output` receives the full output connection
// string (built or echoed) when the connect succeeded; the caller copies it.
SQLRETURN driver_connect(Connection& connection, SQLHWND window, SQLCHAR* in_string,
                         SQLLEN in_length, SQLUSMALLINT completion, std::string& output);

// Rolls back the open transaction, commits the read transaction, detaches,
// and frees every statement and descriptor of the connection whatever
// happened before.
SQLRETURN disconnect(Connection& connection);

SQLRETURN set_connect_attr(Connection& connection, SQLINTEGER attribute, SQLPOINTER value);

// A connection attribute's value: an integer of the width ODBC gives it, or
// text for the string attributes.
struct ConnectAttrValue {
    bool is_text = false;
    std::string text;
    SQLULEN number = 0;
    int width = sizeof(SQLUINTEGER);  // bytes written for a number
};

// Looks the attribute up; SQL_ERROR (diagnostic posted) for attributes that
// cannot be read.
SQLRETURN get_connect_attr(Connection& connection, SQLINTEGER attribute, ConnectAttrValue& value);

// Writes a number of the attribute's width; for text the caller decides the
// width of its characters.
void store_attr_number(const ConnectAttrValue& value, SQLPOINTER out, SQLINTEGER* length_ptr);
