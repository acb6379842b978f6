// Disconnecting when the rollback of the open transaction fails: the
// statements are freed, nothing is committed, and the rollback's diagnostic
// is what the application reads.
#include "connection.h"
#include "unit_support.h"

namespace {

int commits = 0;

ISC_STATUS failing_rollback(ISC_STATUS* status, isc_tr_handle*)
{
    status[0] = isc_arg_gds;
    status[1] = isc_lock_conflict;  // any failure but a lost connection
    status[2] = isc_arg_end;
    return status[1];
}

ISC_STATUS counted_commit(ISC_STATUS* status, isc_tr_handle*)
{
    ++commits;
    status[0] = isc_arg_gds;
    status[1] = 0;
    status[2] = isc_arg_end;
    return 0;
}

using Disconnect = HandleTest;

TEST_F(Disconnect, AFailedRollbackIsReportedAndNothingIsCommitted)
{
    Connection& c = connection();
    alloc_statement();
    alloc_statement();
    // An attached connection (as far as the driver can tell) in auto-commit
    // mode with CommitSelect, whose main transaction is open.
    c.db_handle = 1;
    c.transaction = 2;
    c.commit_select = 1;
    struct Forget {  // the fake handles are not the client's to release
        Connection& c;
        ~Forget() { c.db_handle = c.transaction = 0; }
    } forget{c};
    commits = 0;
    {
        ClientEntryOverride<&ClientApi::isc_rollback_transaction> rollback(failing_rollback);
        ClientEntryOverride<&ClientApi::isc_commit_retaining> retaining(counted_commit);
        ClientEntryOverride<&ClientApi::isc_commit_transaction> full(counted_commit);
        EXPECT_EQ(disconnect(c), SQL_ERROR);
    }
    EXPECT_EQ(commits, 0) << "disconnect never commits";
    const DiagRecord* record = first_diag(dbc);
    ASSERT_NE(record, nullptr) << "the rollback's failure is reported";
    EXPECT_EQ(record->native_error, -901);
    EXPECT_EQ(c.statements, nullptr) << "the statements are freed all the same";
    EXPECT_EQ(c.transaction, 2u) << "the transaction is still there to be ended";
}

}  // namespace
