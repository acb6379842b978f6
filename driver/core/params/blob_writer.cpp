#include "blob_writer.h"

#include <algorithm>

#include "client_api.h"
#include "transactions.h"

namespace {

SQLRETURN post_failure(Statement& statement)
{
    post_statement_status(&statement);
    return SQL_ERROR;
}

}  // namespace

SQLRETURN create_parameter_blob(Statement& statement, DescRecord& ipd_record, isc_blob_handle& handle)
{
    Connection& connection = *statement.connection;
    if (connection.transaction == 0) {
        start_transaction(connection, statement.status);
        if (status_failed(statement.status)) return post_failure(statement);
    }
    handle = 0;
    client::isc_create_blob2(statement.status, &connection.db_handle, &connection.transaction, &handle,
                             static_cast<ISC_QUAD*>(ipd_record.value_buffer), static_cast<short>(0),
                             static_cast<const ISC_SCHAR*>(nullptr));
    if (status_failed(statement.status)) {
        handle = 0;
        return post_failure(statement);
    }
    return SQL_SUCCESS;
}

SQLRETURN write_blob_segments(Statement& statement, isc_blob_handle& handle, const char* data,
                              std::size_t length)
{
    ClientCallLock lock;  // one hold for all segments of the piece
    while (length > 0) {
        const std::size_t segment = std::min(length, blob_segment_size);
        client::isc_put_segment(statement.status, &handle, static_cast<unsigned short>(segment), data);
        if (status_failed(statement.status)) return post_failure(statement);
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
    if (failed) return post_failure(statement);
    return SQL_SUCCESS;
}

void abandon_parameter_blob(isc_blob_handle& handle)
{
    if (handle == 0) return;
    ISC_STATUS scratch[status_vector_size] = {};
    client::isc_close_blob(scratch, &handle);
    handle = 0;
}
