// The connection's transactions: the main transaction that statements run
// in, and the read-committed read transaction of the driver's own catalog
// statements, which also serves to test whether the client can roll back
// with retaining.
//
// Commit and rollback keep the transaction context ("retaining") so that
// open cursors survive them; with FlushCommit they end the transaction and
// start a new one at once. Every client call goes through client::, which
// serialises it under driver_lock when the client asks for it.
#pragma once

#include <sql.h>

#include "firebird_api.h"

#include <cstdint>

#include "handles.h"

// SQL_TXN_VERSIONING of ODBC 2, which the ODBC 3 headers no longer define;
// SQL_ATTR_TXN_ISOLATION still accepts it.
inline constexpr int32_t txn_versioning = 0x10;

// The read transaction's parameter buffer: version 3, read, read committed
// reading the last committed version of a record, wait. Without
// rec_version a catalog statement meets the record versions of definitions
// that the connection's own main transaction has not committed yet, and
// fails with a deadlock after the lock timeout.
inline constexpr char read_tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed,
                                    isc_tpb_rec_version, isc_tpb_wait};

// Fills connection.tpb and tpb_length for the next main transaction from the
// isolation level and the read-only and lock-wait options. Until
// SQL_ATTR_TXN_ISOLATION was set (isolation_set), the isolation level is
// first taken from the data source's TxnMode.
//
//   isolation                      buffer
//   SQL_TXN_SERIALIZABLE           version3, consistency, rw, lock
//   SQL_TXN_READ_COMMITTED         version3, rw, read_committed, rec_version, lock
//   SQL_TXN_READ_UNCOMMITTED       version3, read_committed, rec_version, rw, lock
//   SQL_TXN_REPEATABLE_READ        version3, concurrency, rw, lock
//   txn_versioning                 version3, concurrency, rw, lock
//   anything else                  version3, rw, lock
// where rw is read or write (read_only) and lock is wait or nowait (nowait).
// The engine refuses rec_version outside read committed, so the snapshot
// levels go without it.
void build_tpb(Connection& connection);

// Starts the main transaction with a freshly built TPB, reporting into
// `status` (a statement's vector when a statement starts it). Returns the
// client's result, 0 on success; the caller examines and posts the status.
ISC_STATUS start_transaction(Connection& connection, ISC_STATUS* status);

// Starts the read transaction when none is open, with the connection's
// status vector. Returns the client's result (0 when one was already open);
// most callers ignore it.
ISC_STATUS start_read_transaction(Connection& connection);

// Commits the main transaction (retaining, or fully and then starting a new
// one with FlushCommit). SQL_SUCCESS when none is open; SQL_ERROR with the
// client's failure posted on the connection.
SQLRETURN commit_transaction(Connection& connection);

// Rolls back the main transaction. The first call on a connection tests
// rollback retaining on the read transaction; without it (or without the
// client entry) every rollback is a full one and the next statement starts a
// new transaction. SQL_SUCCESS when none is open; SQL_ERROR with the
// client's failure posted on the connection.
SQLRETURN rollback_transaction(Connection& connection);

// The body of SQLEndTran for a connection whose diagnostics were cleared:
// SQL_COMMIT commits, any other completion type rolls back. Returns
// SQL_ERROR as the operation gave it, else SQL_SUCCESS.
SQLRETURN end_transaction(Connection& connection, SQLSMALLINT completion_type);
