#include "params/blob_writer.h"

#include <algorithm>

#include "client_api.h"
#include "diagnostics.h"

namespace {

SQLRETURN post_status(Statement& statement)
{
    post_statement_status(&statement);
    return SQL_ERROR;
}

}  // namespace

SQLRETURN create_parameter_blob(Statement& statement, DescRecord& ipd_record, isc_blob_handle& handle)
{
    Connection& connection = *statement.connection;
    handle = 0;
    client::isc_create_blob2(statement.status, &connection.db_handle, &connection.transaction, &handle,
                             static_cast<ISC_QUAD*>(ipd_record.value_buffer), 0, nullptr);
    if (status_failed(statement.status)) {
        handle = 0;
        return post_status(statement);
    }
    return SQL_SUCCESS;
}

SQLRETURN write_blob_segments(Statement& statement, isc_blob_handle& handle, const char* data, std::size_t length)
{
    ClientCallLock lock;  // one piece goes out without other client calls in between
    while (length > 0) {
        const auto segment = static_cast<unsigned short>(std::min(length, blob_segment_size));
        client::isc_put_segment(statement.status, &handle, segment, data);
        if (status_failed(statement.status)) return post_status(statement);
        data += segment;
        length -= segment;
    }
    return SQL_SUCCESS;
}

SQLRETURN close_parameter_blob(Statement& statement, isc_blob_handle& handle)
{
    client::isc_close_blob(statement.status, &handle);
    const bool failed = status_failed(statement.status) && client::isc_sqlcode(statement.status) != 100;
    handle = 0;
    if (failed) return post_status(statement);
    return SQL_SUCCESS;
}
