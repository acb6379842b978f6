// Gathering one parameter set: for every marker of the prepared statement,
// the application's value for the statement's current row (row_index) is
// found through the APD (row-wise or column-wise binding, the bind offset)
// and converted into the marker's XSQLVAR and IPD value buffer.
#pragma once

#include <sql.h>

#include "handles.h"

// Where the values of the statement's current parameter set (row_index)
// lie: column-wise binding steps the data by the record's octet length and
// indicators and lengths by sizeof(SQLLEN); row-wise binding steps
// everything by the row's size. The bind offset moves all three.
struct ParameterRow {
    SQLLEN row;
    SQLLEN row_size;  // 0 for column-wise binding
    SQLLEN offset;

    static ParameterRow of(const Statement& statement);

    // The element of `base` for this row; `column_stride` is the element's
    // size under column-wise binding. None without a base.
    template <typename T>
    T* move(T* base, SQLLEN column_stride) const
    {
        if (base == nullptr) return nullptr;
        const SQLLEN stride = row_size != 0 ? row_size : column_stride;
        const char* moved = reinterpret_cast<const char*>(base) + row * stride + offset;
        return reinterpret_cast<T*>(const_cast<char*>(moved));
    }
};

// Fills every marker for the current parameter set.
// Returns 0 when all markers are filled (params_processed advanced),
// SQL_NEED_DATA when a data-at-execution parameter is met first
// (need_data_param holds its APD record number), or SQL_ERROR with a
// diagnostic on the statement (07002 for a marker without a bound value, a
// conversion failure). Markers before a failing one stay converted; BLOBs
// already written belong to the transaction.
SQLRETURN gather_parameters(Statement& statement);
