#include "transactions.h"

#include "client_api.h"
#include "diagnostics.h"

namespace {

ISC_STATUS start_with(Connection& connection, ISC_STATUS* status, isc_tr_handle* handle,
                      int tpb_length, const char* tpb)
{
    return client::isc_start_transaction(status, handle, static_cast<short>(1),
                                         &connection.db_handle, tpb_length,
                                         tpb_length > 0 ? tpb : nullptr);
}

SQLRETURN posted_failure(Connection& connection)
{
    post_connection_status(&connection);
    return SQL_ERROR;
}

// Full rollback of the main transaction; the next statement starts a new one.
SQLRETURN full_rollback(Connection& connection)
{
    if (connection.transaction == 0) return SQL_SUCCESS;
    if (client::isc_rollback_transaction(connection.status, &connection.transaction) != 0)
        return posted_failure(connection);
    return SQL_SUCCESS;
}

// Tries rollback retaining on a fresh read transaction once per connection.
// Returns false when the read transaction could not be started.
bool probe_rollback_retaining(Connection& connection)
{
    connection.retaining_probed = 1;
    if (connection.read_transaction != 0)
        client::isc_rollback_transaction(connection.status, &connection.read_transaction);
    connection.read_transaction = 0;
    if (start_read_transaction(connection) != 0) return false;
    if (connection.rollback_retaining_ok == 1) {
        if (!BROLIX_CLIENT_HAS(isc_rollback_retaining) ||
            client::isc_rollback_retaining(connection.status, &connection.read_transaction) != 0)
            connection.rollback_retaining_ok = 0;
    }
    return true;
}

}  // namespace

void build_tpb(Connection& connection)
{
    if (connection.isolation_set == 0) connection.isolation = connection.txn_mode;
    const char rw = connection.read_only != 0 ? isc_tpb_read : isc_tpb_write;
    const char lock = connection.nowait != 0 ? isc_tpb_nowait : isc_tpb_wait;

    char* tpb = connection.tpb;
    int n = 0;
    tpb[n++] = isc_tpb_version3;
    switch (connection.isolation) {
    case SQL_TXN_SERIALIZABLE:
        tpb[n++] = isc_tpb_consistency;
        tpb[n++] = rw;
        break;
    case SQL_TXN_READ_COMMITTED:
        tpb[n++] = rw;
        tpb[n++] = isc_tpb_read_committed;
        tpb[n++] = isc_tpb_rec_version;
        break;
    case SQL_TXN_READ_UNCOMMITTED:
        tpb[n++] = isc_tpb_read_committed;
        tpb[n++] = isc_tpb_rec_version;
        tpb[n++] = rw;
        break;
    case SQL_TXN_REPEATABLE_READ:
    case txn_versioning:
        tpb[n++] = isc_tpb_concurrency;
        tpb[n++] = rw;
        break;
    default:
        tpb[n++] = rw;
        break;
    }
    tpb[n++] = lock;
    connection.tpb_length = n;
}

ISC_STATUS start_transaction(Connection& connection, ISC_STATUS* status)
{
    build_tpb(connection);
    return start_with(connection, status, &connection.transaction, connection.tpb_length,
                      connection.tpb);
}

ISC_STATUS start_read_transaction(Connection& connection)
{
    if (connection.read_transaction != 0) return 0;
    return start_with(connection, connection.status, &connection.read_transaction,
                      static_cast<int>(sizeof read_tpb), read_tpb);
}

SQLRETURN commit_transaction(Connection& connection)
{
    if (connection.transaction == 0) return SQL_SUCCESS;
    if (connection.flush_commit != 0) {
        if (client::isc_commit_transaction(connection.status, &connection.transaction) != 0)
            return posted_failure(connection);
        connection.transaction = 0;
        // A failure to start is left to the next statement, which starts one.
        start_transaction(connection, connection.status);
        return SQL_SUCCESS;
    }
    if (client::isc_commit_retaining(connection.status, &connection.transaction) != 0)
        return posted_failure(connection);
    return SQL_SUCCESS;
}

SQLRETURN rollback_transaction(Connection& connection)
{
    if (connection.retaining_probed == 0 && !probe_rollback_retaining(connection))
        return full_rollback(connection);
    if (connection.rollback_retaining_ok == 0 || !BROLIX_CLIENT_HAS(isc_rollback_retaining))
        return full_rollback(connection);
    if (connection.transaction == 0) return SQL_SUCCESS;
    if (connection.flush_commit != 0) {
        if (client::isc_rollback_transaction(connection.status, &connection.transaction) != 0)
            return posted_failure(connection);
        connection.transaction = 0;
        start_transaction(connection, connection.status);
        return SQL_SUCCESS;
    }
    if (client::isc_rollback_retaining(connection.status, &connection.transaction) != 0)
        return posted_failure(connection);
    return SQL_SUCCESS;
}

SQLRETURN end_transaction(Connection& connection, SQLSMALLINT completion_type)
{
    SQLRETURN rc = completion_type == SQL_COMMIT ? commit_transaction(connection)
                                                 : rollback_transaction(connection);
    return rc == SQL_ERROR ? SQL_ERROR : SQL_SUCCESS;
}
