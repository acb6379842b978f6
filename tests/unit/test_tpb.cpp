// Transactions: the parameter buffers built from the isolation and the
// options, and the commit, rollback and retaining-probe sequences against a
// scripted client, plus one check of every buffer against the Firebird
// engine itself when its embedded form is available.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "client_api.h"
#include "diagnostics.h"
#include "transactions.h"

namespace {

using Bytes = std::vector<int>;

Bytes tpb_of(const Connection& connection)
{
    return Bytes(connection.tpb, connection.tpb + connection.tpb_length);
}

std::unique_ptr<Connection> fresh_connection()
{
    auto connection = std::make_unique<Connection>();
    connection->handle_type = stamp_connection;
    connection->isolation = SQL_TXN_READ_COMMITTED;
    connection->txn_mode = 2;
    return connection;
}

// --- parameter buffers -----------------------------------------------------

struct TpbCase {
    const char* what;
    int txn_mode;
    int isolation_set;
    int isolation;
    int read_only;
    int nowait;
    Bytes expected;
};

const TpbCase tpb_cases[] = {
    // Default options: read committed, record versions, write, wait.
    {"defaults", 2, 0, 0, 0, 0, {3, 9, 15, 17, 6}},
    {"TxnMode 8, ReadOnly, nowait", 8, 0, 0, 1, 1, {3, 1, 8, 7}},
    // The attribute wins over TxnMode. Concurrency (snapshot) takes no
    // record-version byte: the engine refuses isc_tpb_rec_version outside
    // read committed.
    {"attribute repeatable read over TxnMode 8", 8, 1, SQL_TXN_REPEATABLE_READ, 0, 0, {3, 2, 9, 6}},
    {"attribute serializable over TxnMode 2", 2, 1, SQL_TXN_SERIALIZABLE, 0, 0, {3, 1, 9, 6}},
    {"TxnMode 1 (read uncommitted)", 1, 0, 0, 0, 0, {3, 15, 17, 9, 6}},
    {"TxnMode 1, ReadOnly, nowait", 1, 0, 0, 1, 1, {3, 15, 17, 8, 7}},
    {"TxnMode 4, ReadOnly", 4, 0, 0, 1, 0, {3, 2, 8, 6}},
    {"TxnMode 2, nowait", 2, 0, 0, 0, 1, {3, 9, 15, 17, 7}},
    // Versioning is snapshot isolation in Firebird's terms.
    {"attribute versioning", 2, 1, txn_versioning, 1, 0, {3, 2, 8, 6}},
    // Any other level leaves the isolation to the engine's default.
    {"TxnMode 0", 0, 0, 0, 0, 0, {3, 9, 6}},
    {"TxnMode 99, ReadOnly, nowait", 99, 0, 0, 1, 1, {3, 8, 7}},
    // Flags are tested for nonzero, not for 1.
    {"ReadOnly -1, nowait 2", 8, 0, 0, -1, 2, {3, 1, 8, 7}},
};

TEST(Tpb, BuiltFromIsolationAndOptions)
{
    for (const auto& c : tpb_cases) {
        auto connection = fresh_connection();
        connection->txn_mode = c.txn_mode;
        connection->isolation_set = c.isolation_set;
        connection->isolation = c.isolation;
        connection->read_only = c.read_only;
        connection->nowait = c.nowait;
        build_tpb(*connection);
        EXPECT_EQ(tpb_of(*connection), c.expected) << c.what;
        if (c.isolation_set == 0) {
            EXPECT_EQ(connection->isolation, c.txn_mode) << c.what;
        }
    }
}

TEST(Tpb, RebuiltFromCurrentOptionsEachTime)
{
    auto connection = fresh_connection();
    build_tpb(*connection);
    EXPECT_EQ(tpb_of(*connection), (Bytes{3, 9, 15, 17, 6}));
    connection->txn_mode = 8;
    connection->read_only = 1;
    build_tpb(*connection);
    EXPECT_EQ(tpb_of(*connection), (Bytes{3, 1, 8, 6}));
    connection->isolation_set = 1;
    connection->isolation = SQL_TXN_READ_COMMITTED;
    build_tpb(*connection);
    EXPECT_EQ(tpb_of(*connection), (Bytes{3, 8, 15, 17, 6}));
}

TEST(Tpb, ReadTransactionBuffer)
{
    // rec_version (17): the catalog reads past uncommitted definitions.
    EXPECT_EQ(Bytes(read_tpb, read_tpb + sizeof read_tpb), (Bytes{3, 8, 15, 17, 6}));
}

// --- a scripted client -----------------------------------------------------

// The calls the driver made, as "call target" with target "main" (the
// connection's transaction), "read" (its read transaction) or "other".
struct Script {
    Connection* connection = nullptr;
    std::vector<std::string> log;
    std::set<std::string> failing;  // "call target" entries that fail
    std::vector<Bytes> started_tpbs;
    std::vector<const ISC_STATUS*> start_status;
    isc_tr_handle next_handle = 100;
};
Script script;

constexpr ISC_STATUS fake_error = 335544330;  // bad parameter block

std::string target(isc_tr_handle* handle)
{
    if (handle == &script.connection->transaction) return "main";
    if (handle == &script.connection->read_transaction) return "read";
    return "other";
}

// Logs the call; on a scripted failure fills the status vector with an
// error and returns it, else a success vector and 0.
ISC_STATUS record(ISC_STATUS* status, const std::string& call)
{
    script.log.push_back(call);
    bool fail = script.failing.count(call) != 0;
    status[0] = isc_arg_gds;
    status[1] = fail ? fake_error : 0;
    status[2] = isc_arg_end;
    return status[1];
}

ISC_STATUS fake_start(ISC_STATUS* status, isc_tr_handle* handle, short count, ...)
{
    va_list args;
    va_start(args, count);
    isc_db_handle* db = va_arg(args, isc_db_handle*);
    int length = va_arg(args, int);
    const char* tpb = va_arg(args, const char*);
    va_end(args);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(db, &script.connection->db_handle);
    script.started_tpbs.emplace_back(tpb, tpb + length);
    script.start_status.push_back(status);
    ISC_STATUS rc = record(status, "start " + target(handle));
    if (rc == 0) *handle = script.next_handle++;
    return rc;
}

template <bool ends>
ISC_STATUS fake_end(const char* call, ISC_STATUS* status, isc_tr_handle* handle)
{
    ISC_STATUS rc = record(status, std::string(call) + " " + target(handle));
    if (rc == 0 && ends) *handle = 0;
    return rc;
}

ISC_STATUS fake_commit_retaining(ISC_STATUS* s, isc_tr_handle* h) { return fake_end<false>("commit_retaining", s, h); }
ISC_STATUS fake_commit(ISC_STATUS* s, isc_tr_handle* h) { return fake_end<true>("commit", s, h); }
ISC_STATUS fake_rollback_retaining(ISC_STATUS* s, isc_tr_handle* h) { return fake_end<false>("rollback_retaining", s, h); }
ISC_STATUS fake_rollback(ISC_STATUS* s, isc_tr_handle* h) { return fake_end<true>("rollback", s, h); }

ISC_LONG fake_sqlcode(const ISC_STATUS*) { return -901; }

ISC_LONG fake_interprete(ISC_SCHAR* buffer, ISC_STATUS** vector)
{
    if ((*vector)[0] != isc_arg_gds || (*vector)[1] == 0) return 0;
    std::strcpy(buffer, "scripted failure");
    *vector += 2;
    return static_cast<ISC_LONG>(std::strlen(buffer));
}

// Puts the scripted entries into the process's client table for one test
// and puts the bound library's entries back afterwards.
class Transactions : public ::testing::Test {
protected:
    Transactions() : saved_(client_api()) {}
    ~Transactions() override { const_cast<ClientApi&>(client_api()) = saved_; }

    void SetUp() override { reset(); }
    void TearDown() override { clear_diags(connection_.get()); }

    // A new connection, attached as far as the client knows, and a fresh
    // script with every entry present.
    void reset()
    {
        if (connection_) clear_diags(connection_.get());
        ClientApi& table = const_cast<ClientApi&>(client_api());
        table.isc_start_transaction = fake_start;
        table.isc_commit_retaining = fake_commit_retaining;
        table.isc_commit_transaction = fake_commit;
        table.isc_rollback_retaining = fake_rollback_retaining;
        table.isc_rollback_transaction = fake_rollback;
        table.isc_sqlcode = fake_sqlcode;
        table.isc_interprete = fake_interprete;
        connection_ = fresh_connection();
        connection_->db_handle = 7;
        connection_->rollback_retaining_ok = 1;  // as attach sets it
        script = Script{};
        script.connection = connection_.get();
    }
    Connection& connection() { return *connection_; }

private:
    ClientApi saved_;
    std::unique_ptr<Connection> connection_;
};

enum class Op { commit, rollback };

// One commit or rollback from a given state: the calls made, the result,
// and the state left behind. "kept" for the transaction means the handle
// it had before; "new" a handle started during the call.
struct FlowCase {
    const char* what;
    Op op;
    isc_tr_handle transaction;
    isc_tr_handle read_transaction;
    int retaining_probed;
    int rollback_retaining_ok;
    int flush_commit;
    bool client_has_rollback_retaining;
    std::set<std::string> failing;
    std::vector<std::string> calls;
    SQLRETURN rc;
    enum { kept, none, started } transaction_after;
    int retaining_ok_after;
    int diagnostics;
};

const FlowCase flow_cases[] = {
    {"commit without a transaction", Op::commit, 0, 0, 1, 1, 0, true, {}, {}, SQL_SUCCESS, FlowCase::none, 1, 0},
    {"commit keeps the transaction", Op::commit, 5, 0, 1, 1, 0, true, {},
     {"commit_retaining main"}, SQL_SUCCESS, FlowCase::kept, 1, 0},
    {"failed commit is posted", Op::commit, 5, 0, 1, 1, 0, true, {"commit_retaining main"},
     {"commit_retaining main"}, SQL_ERROR, FlowCase::kept, 1, 1},
    {"flush commit starts anew", Op::commit, 5, 0, 1, 1, 1, true, {},
     {"commit main", "start main"}, SQL_SUCCESS, FlowCase::started, 1, 0},
    {"flush commit, new start fails silently", Op::commit, 5, 0, 1, 1, 1, true, {"start main"},
     {"commit main", "start main"}, SQL_SUCCESS, FlowCase::none, 1, 0},
    {"failed flush commit keeps the handle", Op::commit, 5, 0, 1, 1, 1, true, {"commit main"},
     {"commit main"}, SQL_ERROR, FlowCase::kept, 1, 1},

    {"first rollback probes, nothing open", Op::rollback, 0, 0, 0, 1, 0, true, {},
     {"start read", "rollback_retaining read"}, SQL_SUCCESS, FlowCase::none, 1, 0},
    {"first rollback restarts the read transaction", Op::rollback, 5, 9, 0, 1, 0, true, {},
     {"rollback read", "start read", "rollback_retaining read", "rollback_retaining main"},
     SQL_SUCCESS, FlowCase::kept, 1, 0},
    {"probe fails: full rollback", Op::rollback, 5, 0, 0, 1, 0, true, {"rollback_retaining read"},
     {"start read", "rollback_retaining read", "rollback main"}, SQL_SUCCESS, FlowCase::none, 0, 0},
    {"probe cannot start the read transaction", Op::rollback, 5, 0, 0, 1, 0, true, {"start read"},
     {"start read", "rollback main"}, SQL_SUCCESS, FlowCase::none, 1, 0},
    {"probe with retaining known bad", Op::rollback, 5, 0, 0, 0, 0, true, {},
     {"start read", "rollback main"}, SQL_SUCCESS, FlowCase::none, 0, 0},
    {"rollback retaining after the probe", Op::rollback, 5, 9, 1, 1, 0, true, {},
     {"rollback_retaining main"}, SQL_SUCCESS, FlowCase::kept, 1, 0},
    {"rollback without a transaction", Op::rollback, 0, 9, 1, 1, 0, true, {}, {}, SQL_SUCCESS,
     FlowCase::none, 1, 0},
    {"failed rollback retaining is posted", Op::rollback, 5, 9, 1, 1, 0, true,
     {"rollback_retaining main"}, {"rollback_retaining main"}, SQL_ERROR, FlowCase::kept, 1, 1},
    {"flush rollback starts anew", Op::rollback, 5, 9, 1, 1, 1, true, {},
     {"rollback main", "start main"}, SQL_SUCCESS, FlowCase::started, 1, 0},
    {"full rollback after a failed probe", Op::rollback, 5, 9, 1, 0, 1, true, {},
     {"rollback main"}, SQL_SUCCESS, FlowCase::none, 0, 0},
    {"failed full rollback keeps the handle", Op::rollback, 5, 9, 1, 0, 0, true, {"rollback main"},
     {"rollback main"}, SQL_ERROR, FlowCase::kept, 0, 1},
    // A client without the entry is never asked for it, even when attach
    // believed it was there.
    {"client without rollback retaining, probing", Op::rollback, 5, 0, 0, 1, 0, false, {},
     {"start read", "rollback main"}, SQL_SUCCESS, FlowCase::none, 0, 0},
    {"client without rollback retaining, probed", Op::rollback, 5, 9, 1, 1, 0, false, {},
     {"rollback main"}, SQL_SUCCESS, FlowCase::none, 1, 0},
};

TEST_F(Transactions, CommitAndRollbackSequences)
{
    for (const auto& c : flow_cases) {
        reset();
        Connection& conn = connection();
        conn.transaction = c.transaction;
        conn.read_transaction = c.read_transaction;
        conn.retaining_probed = c.retaining_probed;
        conn.rollback_retaining_ok = c.rollback_retaining_ok;
        conn.flush_commit = c.flush_commit;
        if (!c.client_has_rollback_retaining)
            const_cast<ClientApi&>(client_api()).isc_rollback_retaining = nullptr;
        script.failing = c.failing;

        SQLRETURN rc = c.op == Op::commit ? commit_transaction(conn) : rollback_transaction(conn);

        EXPECT_EQ(rc, c.rc) << c.what;
        EXPECT_EQ(script.log, c.calls) << c.what;
        switch (c.transaction_after) {
        case FlowCase::kept: EXPECT_EQ(conn.transaction, c.transaction) << c.what; break;
        case FlowCase::none: EXPECT_EQ(conn.transaction, 0u) << c.what; break;
        case FlowCase::started: EXPECT_GE(conn.transaction, 100u) << c.what; break;
        }
        EXPECT_EQ(conn.rollback_retaining_ok, c.retaining_ok_after) << c.what;
        EXPECT_EQ(conn.diag_count, c.diagnostics) << c.what;
        if (c.op == Op::rollback) {
            EXPECT_EQ(conn.retaining_probed, 1) << c.what;
        }
        if (c.diagnostics > 0) {
            const DiagRecord* record = diag_record(&conn, 1);
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->native_error, -901) << c.what;
            EXPECT_NE(std::strstr(record->message_text, "scripted failure"), nullptr) << c.what;
        }
    }
}

TEST_F(Transactions, StartsUseTheirBuffersAndStatusVectors)
{
    Connection& conn = connection();
    conn.txn_mode = 8;
    conn.nowait = 1;
    ISC_STATUS statement_status[status_vector_size] = {};
    EXPECT_EQ(start_transaction(conn, statement_status), 0);
    EXPECT_EQ(conn.transaction, 100u);
    EXPECT_EQ(script.start_status.back(), statement_status);
    EXPECT_EQ(script.started_tpbs.back(), (Bytes{3, 1, 9, 7}));

    script.failing = {"start main"};
    conn.transaction = 0;
    EXPECT_EQ(start_transaction(conn, statement_status), fake_error);
    EXPECT_EQ(statement_status[1], fake_error);
    EXPECT_EQ(conn.transaction, 0u);
    EXPECT_EQ(conn.diag_count, 0);  // the caller posts it

    EXPECT_EQ(start_read_transaction(conn), 0);
    EXPECT_EQ(script.start_status.back(), conn.status);
    EXPECT_EQ(script.started_tpbs.back(), (Bytes{3, 8, 15, 17, 6}));
    isc_tr_handle read = conn.read_transaction;
    EXPECT_NE(read, 0u);
    // Already open: nothing is started.
    size_t calls = script.log.size();
    EXPECT_EQ(start_read_transaction(conn), 0);
    EXPECT_EQ(script.log.size(), calls);
    EXPECT_EQ(conn.read_transaction, read);
}

TEST_F(Transactions, EndTransactionCommitsOrRollsBack)
{
    Connection& conn = connection();
    conn.retaining_probed = 1;
    conn.transaction = 5;
    EXPECT_EQ(end_transaction(conn, SQL_COMMIT), SQL_SUCCESS);
    EXPECT_EQ(end_transaction(conn, SQL_ROLLBACK), SQL_SUCCESS);
    EXPECT_EQ(end_transaction(conn, 7), SQL_SUCCESS);  // anything else rolls back
    EXPECT_EQ(script.log, (std::vector<std::string>{"commit_retaining main", "rollback_retaining main",
                                                    "rollback_retaining main"}));
    script.failing = {"commit_retaining main"};
    EXPECT_EQ(end_transaction(conn, SQL_COMMIT), SQL_ERROR);
    EXPECT_EQ(conn.diag_count, 1);
}

// --- the engine ------------------------------------------------------------

// Every buffer build_tpb can produce, offered to the embedded Firebird
// engine: a buffer the engine refuses would make every statement of such a
// connection fail. Skipped where the client or its embedded engine is
// missing.
TEST(TpbOnEngine, EngineAcceptsEveryBuiltBuffer)
{
    void* library = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) GTEST_SKIP() << "no libfbclient.so.2";
    auto execute_immediate = reinterpret_cast<decltype(&::isc_dsql_execute_immediate)>(
        dlsym(library, "isc_dsql_execute_immediate"));
    auto start = reinterpret_cast<decltype(&::isc_start_transaction)>(dlsym(library, "isc_start_transaction"));
    auto rollback =
        reinterpret_cast<decltype(&::isc_rollback_transaction)>(dlsym(library, "isc_rollback_transaction"));
    auto drop = reinterpret_cast<decltype(&::isc_drop_database)>(dlsym(library, "isc_drop_database"));
    ASSERT_TRUE(execute_immediate && start && rollback && drop);

    char pattern[] = "/tmp/brolix-tpb-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::filesystem::path dir = pattern;
    if (geteuid() != 0 && std::getenv("FIREBIRD_LOCK") == nullptr)
        setenv("FIREBIRD_LOCK", dir.c_str(), 1);
    std::string create = "CREATE DATABASE '" + (dir / "tpb.fdb").string() + "' USER 'SYSDBA' PASSWORD 'x'";
    ISC_STATUS status[status_vector_size] = {};
    isc_db_handle db = 0;
    isc_tr_handle none = 0;
    if (execute_immediate(status, &db, &none, 0, create.c_str(), 3, nullptr) != 0) {
        std::filesystem::remove_all(dir);
        GTEST_SKIP() << "embedded engine unavailable";
    }

    auto offer = [&](const char* tpb, int length, const std::string& what) {
        isc_tr_handle transaction = 0;
        ISC_STATUS rc = start(status, &transaction, 1, &db, length, tpb);
        EXPECT_EQ(rc, 0) << what << ": status " << status[1];
        if (rc == 0) rollback(status, &transaction);
    };
    for (int isolation : {0, 1, 2, 4, 8, 16, 99}) {
        for (int read_only : {0, 1}) {
            for (int nowait : {0, 1}) {
                auto connection = fresh_connection();
                connection->isolation_set = 1;
                connection->isolation = isolation;
                connection->read_only = read_only;
                connection->nowait = nowait;
                build_tpb(*connection);
                std::string what = "isolation " + std::to_string(isolation) + " read_only " +
                                   std::to_string(read_only) + " nowait " + std::to_string(nowait);
                offer(connection->tpb, connection->tpb_length, what);
            }
        }
    }
    offer(read_tpb, sizeof read_tpb, "read transaction");
    EXPECT_EQ(drop(status, &db), 0);
    std::filesystem::remove_all(dir);
}

}  // namespace
