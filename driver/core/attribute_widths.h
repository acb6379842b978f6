// The width at which an integer attribute's value is written by
// SQLGetStmtAttr, SQLGetConnectAttr and their ODBC 2 forms.
//
// One table for both getters: a statement attribute read through its
// connection (a statement default) has the same width as on the statement.
// ODBC defines some attributes as SQLULEN (lengths, counts and the statement
// options) or as pointers and handles: those are written whole, 8 bytes on
// this platform, so that an application reading them into an SQLULEN finds
// no stale upper half. Every other integer attribute is an SQLUINTEGER and
// is written 4 bytes wide, never touching the bytes beyond.
#pragma once

#include <sql.h>
#include <sqlext.h>

inline constexpr SQLINTEGER full_width_attributes[] = {
    // Statement attributes (and statement defaults set on a connection).
    SQL_ATTR_QUERY_TIMEOUT, SQL_ATTR_MAX_ROWS, SQL_ATTR_NOSCAN, SQL_ATTR_MAX_LENGTH,
    SQL_ATTR_ASYNC_ENABLE, SQL_ATTR_ROW_BIND_TYPE, SQL_ATTR_CURSOR_TYPE, SQL_ATTR_CONCURRENCY,
    SQL_ATTR_KEYSET_SIZE, SQL_ROWSET_SIZE, SQL_ATTR_SIMULATE_CURSOR, SQL_ATTR_RETRIEVE_DATA,
    SQL_ATTR_USE_BOOKMARKS, SQL_ATTR_ROW_NUMBER, SQL_ATTR_FETCH_BOOKMARK_PTR,
    SQL_ATTR_PARAM_BIND_OFFSET_PTR, SQL_ATTR_PARAM_BIND_TYPE, SQL_ATTR_PARAM_OPERATION_PTR,
    SQL_ATTR_PARAM_STATUS_PTR, SQL_ATTR_PARAMS_PROCESSED_PTR, SQL_ATTR_PARAMSET_SIZE,
    SQL_ATTR_ROW_BIND_OFFSET_PTR, SQL_ATTR_ROW_OPERATION_PTR, SQL_ATTR_ROW_STATUS_PTR,
    SQL_ATTR_ROWS_FETCHED_PTR, SQL_ATTR_ROW_ARRAY_SIZE, SQL_ATTR_APP_ROW_DESC,
    SQL_ATTR_APP_PARAM_DESC, SQL_ATTR_IMP_ROW_DESC, SQL_ATTR_IMP_PARAM_DESC, SQL_ATTR_METADATA_ID,
    SQL_ATTR_CURSOR_SCROLLABLE, SQL_ATTR_CURSOR_SENSITIVITY,
    // Connection attributes holding a window handle or a transaction object.
    SQL_ATTR_QUIET_MODE, SQL_ATTR_ENLIST_IN_DTC,
};

// sizeof(SQLULEN) for the attributes above, sizeof(SQLUINTEGER) otherwise.
constexpr int attribute_width(SQLINTEGER attribute)
{
    for (SQLINTEGER full : full_width_attributes)
        if (full == attribute) return sizeof(SQLULEN);
    return sizeof(SQLUINTEGER);
}

static_assert(sizeof(SQLULEN) == sizeof(SQLPOINTER), "pointer attributes are written as SQLULEN");
static_assert(attribute_width(SQL_ATTR_CURSOR_SCROLLABLE) == sizeof(SQLULEN));
static_assert(attribute_width(SQL_ATTR_AUTOCOMMIT) == sizeof(SQLUINTEGER));
