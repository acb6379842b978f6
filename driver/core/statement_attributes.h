// Statement attributes and cursor names.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string_view>

#include "handles.h"

// A statement attribute's value as read: its width in bytes, from the one
// table of attribute widths (attribute_widths.h): 4 for SQLUINTEGER
// attributes, 8 for SQLULEN ones and for pointers and handles.
struct StmtAttrValue {
    SQLULEN number = 0;
    int width = sizeof(SQLULEN);
};

SQLRETURN set_stmt_attr(Statement& statement, SQLINTEGER attribute, SQLPOINTER value);
SQLRETURN get_stmt_attr(Statement& statement, SQLINTEGER attribute, StmtAttrValue& value);

// Writes a value read by get_stmt_attr at its width.
void store_stmt_attr(const StmtAttrValue& value, SQLPOINTER out, SQLINTEGER* length_ptr);

// Names of at most 18 characters are accepted; an empty one makes the next
// execution generate a name.
SQLRETURN set_cursor_name(Statement& statement, std::string_view name);
