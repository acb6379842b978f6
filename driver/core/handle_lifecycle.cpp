#include "handle_lifecycle.h"

#include <cstdlib>
#include <mutex>
#include <new>

#include "client_api.h"
#include "diagnostics.h"
#include "guard.h"
#include "statement.h"
#include "params/put_data.h"
#include "transactions.h"

namespace {

// Both lists are doubly linked through next/prev, new members at the head.
template <typename Node>
void link_at_head(Node*& head, Node* first, Node* last)
{
    first->prev = nullptr;
    last->next = head;
    if (head != nullptr) head->prev = last;
    head = first;
}

template <typename Node>
void unlink(Node*& head, Node* node)
{
    if (node->prev != nullptr)
        node->prev->next = node->next;
    else if (head == node)
        head = node->next;
    if (node->next != nullptr) node->next->prev = node->prev;
    node->next = nullptr;
    node->prev = nullptr;
}

// Marks a record dead before it is freed, so that a stale handle is refused
// rather than used.
void retire(HandleHeader* handle)
{
    clear_diags(handle);
    handle->handle_type = stamp_none;
}

// Frees the heap value buffers of records 0..count when the descriptor owns
// them, then the record array itself.
void release_records(Descriptor& descriptor)
{
    if (descriptor.records != nullptr && descriptor.owns_buffers) {
        for (int i = 0; i <= descriptor.count; ++i) {
            DescRecord& record = descriptor.records[i];
            if (record.value_buffer != nullptr && record.value_buffer != record.inline_value)
                std::free(record.value_buffer);
            record.value_buffer = nullptr;
        }
    }
    delete[] descriptor.records;
    descriptor.records = nullptr;
    descriptor.record_capacity = 0;
    descriptor.count = 0;
}

void delete_descriptor(Descriptor* descriptor)
{
    release_records(*descriptor);
    retire(descriptor);
    delete descriptor;
}

SQLRETURN allocate_environment(SQLHANDLE input, SQLHANDLE* output)
{
    if (output == nullptr) return SQL_ERROR;
    auto* env = new (std::nothrow) Environment{};
    if (env == nullptr) {
        *output = SQL_NULL_HENV;
        return SQL_ERROR;
    }
    env->parent = input;
    env->handle_type = stamp_environment;
    *output = static_cast<HandleHeader*>(env);
    return SQL_SUCCESS;
}

SQLRETURN allocate_connection(Environment& env, SQLHANDLE* output)
{
    if (output == nullptr) return SQL_ERROR;
    auto* connection = new (std::nothrow) Connection{};
    if (connection == nullptr) {
        *output = SQL_NULL_HDBC;
        return post_error(&env, "HY001", 115);
    }
    connection->env = &env;
    if (!client_bound()) {
        *output = SQL_NULL_HDBC;
        delete connection;
        return post_error(&env, "HY000", 140, "Unable to load GDS32.DLL or FBCLIENT.DLL");
    }
    connection->isolation = SQL_TXN_READ_COMMITTED;
    connection->dialect = 2;
    connection->concurrency = SQL_CONCUR_READ_ONLY;
    connection->auto_ipd = 1;
    connection->autocommit = SQL_AUTOCOMMIT_ON;
    connection->wcmb_code_page = 65001;
    connection->handle_type = stamp_connection;
    *output = static_cast<HandleHeader*>(connection);
    return SQL_SUCCESS;
}

SQLRETURN allocate_statement(Connection& connection, SQLHANDLE* output)
{
    if (output == nullptr) return post_error(&connection, "HY009", 238);
    auto* statement = new (std::nothrow) Statement{};
    if (statement == nullptr) {
        *output = SQL_NULL_HSTMT;
        return post_error(&connection, "HY001");
    }
    statement->connection = &connection;
    statement->handle_type = stamp_statement;
    statement->metadata_id = connection.metadata_id;
    statement->concurrency = connection.concurrency;
    statement->cursor_scrollable = connection.cursor_scrollable;
    statement->cursor_sensitivity = connection.cursor_sensitivity;
    statement->cursor_type = connection.cursor_type;
    statement->auto_ipd = connection.auto_ipd;
    statement->simulate_cursor = connection.simulate_cursor;
    statement->use_bookmarks = connection.use_bookmarks;
    statement->max_length = connection.max_length;
    statement->max_rows = connection.max_rows;
    statement->autocommit = connection.autocommit;
    statement->retrieve_data = SQL_RD_ON;
    if (statement_allocation_step(*statement) != SQL_SUCCESS) {
        clear_diags(statement);
        delete statement;
        *output = SQL_NULL_HSTMT;
        return SQL_ERROR;
    }

    Descriptor* apd = new (std::nothrow) Descriptor{};
    Descriptor* ipd = new (std::nothrow) Descriptor{};
    Descriptor* ard = new (std::nothrow) Descriptor{};
    Descriptor* ird = new (std::nothrow) Descriptor{};
    if (!apd || !ipd || !ard || !ird) {
        delete apd;
        delete ipd;
        delete ard;
        delete ird;
        delete statement;
        *output = SQL_NULL_HSTMT;
        return post_error(&connection, "HY001");
    }
    for (Descriptor* d : {apd, ipd, ard, ird}) {
        d->handle_type = stamp_descriptor;
        d->connection = &connection;
        d->statement = statement;
        d->alloc_type = SQL_DESC_ALLOC_AUTO;
        d->array_size = 1;
    }
    // The ODBC 2 SQL_BIND_TYPE set on the connection is a row-binding default:
    // it belongs to the descriptor that describes the application's rows.
    ard->bind_type = connection.bind_type;
    statement->apd_implicit = statement->apd = apd;
    statement->ipd_implicit = statement->ipd = ipd;
    statement->ard_implicit = statement->ard = ard;
    statement->ird_implicit = statement->ird = ird;

    {
        std::lock_guard<std::recursive_mutex> guard(driver_lock());
        apd->next = ard;
        ard->prev = apd;
        ard->next = ipd;
        ipd->prev = ard;
        ipd->next = ird;
        ird->prev = ipd;
        link_at_head(connection.descriptors, apd, ird);
        link_at_head(connection.statements, statement, statement);
    }
    *output = static_cast<HandleHeader*>(statement);
    return SQL_SUCCESS;
}

SQLRETURN allocate_descriptor(Connection& connection, SQLHANDLE* output)
{
    if (output == nullptr) return post_error(&connection, "HY009", 356);
    auto* descriptor = new (std::nothrow) Descriptor{};
    if (descriptor == nullptr) {
        *output = SQL_NULL_HDESC;
        return post_error(&connection, "HY001", 367);
    }
    descriptor->handle_type = stamp_descriptor;
    descriptor->connection = &connection;
    descriptor->alloc_type = SQL_DESC_ALLOC_USER;
    {
        std::lock_guard<std::recursive_mutex> guard(driver_lock());
        link_at_head(connection.descriptors, descriptor, descriptor);
    }
    *output = static_cast<HandleHeader*>(descriptor);
    return SQL_SUCCESS;
}

}  // namespace

SQLRETURN allocate_handle(SQLSMALLINT handle_type, SQLHANDLE input, SQLHANDLE* output)
{
    switch (handle_type) {
    case SQL_HANDLE_ENV:
        return allocate_environment(input, output);
    case SQL_HANDLE_DBC:
        if (auto* env = handle_cast<Environment>(input)) return allocate_connection(*env, output);
        break;
    case SQL_HANDLE_STMT:
        if (auto* connection = handle_cast<Connection>(input))
            return allocate_statement(*connection, output);
        break;
    case SQL_HANDLE_DESC:
        if (auto* connection = handle_cast<Connection>(input))
            return allocate_descriptor(*connection, output);
        break;
    default:
        return SQL_ERROR;
    }
    if (output != nullptr) *output = SQL_NULL_HANDLE;
    return SQL_INVALID_HANDLE;
}

SQLRETURN close_statement(Statement& statement, int mode, CommitOnClose commit)
{
    Descriptor* ird = statement.ird_implicit;
    if (ird != nullptr && ird->records != nullptr) {
        for (int i = 1; i <= ird->count; ++i) {
            DescRecord& record = ird->records[i];
            record.getdata_offset = 0;
            record.blob_pending = 0;  // never opened: nothing to close
            if (record.blob_open) {
                // A BLOB the server no longer knows (its transaction ended
                // under the open cursor) is closed as far as the driver is
                // concerned: failing here would leave the cursor open for
                // good and its buffers to leak.
                client::isc_close_blob(statement.status, &record.blob_handle);
                record.blob_handle = 0;
                record.blob_open = 0;
            }
        }
    }
    if (statement.stmt_handle != 0) {
        if (mode == 0 && statement.is_select)
            client::isc_dsql_free_statement(statement.status, &statement.stmt_handle, DSQL_close);
        else if (mode == 1)
            client::isc_dsql_free_statement(statement.status, &statement.stmt_handle, DSQL_drop);
    }
    if (mode != 0 && mode != 1) return SQL_SUCCESS;
    statement.is_select = 0;
    if (ird != nullptr) release_records(*ird);
    Connection* connection = statement.connection;
    if (commit == CommitOnClose::by_commit_select && !statement.on_read_transaction && connection != nullptr &&
        connection->transaction != 0 && connection->commit_select && connection->autocommit == SQL_AUTOCOMMIT_ON) {
        commit_transaction(*connection);
        clear_diags(connection);  // the commit's outcome is not reported here
    }
    if (mode == 1) {
        if (statement.ipd_implicit != nullptr) release_records(*statement.ipd_implicit);
        free_sqlda(statement.output_sqlda);
        free_sqlda(statement.input_sqlda);
    }
    return SQL_SUCCESS;
}

SQLRETURN cancel_statement(Statement& statement)
{
    // Claims the idle statement for this call; a call that is running, or a
    // second SQLCancel, keeps the claim from succeeding.
    int32_t idle = 0;
    if (!calls_in_progress(statement).compare_exchange_strong(idle, 1, std::memory_order_acq_rel)) {
        cancel_running_operation(&statement.connection->db_handle);
        return SQL_SUCCESS;
    }
    struct Release {
        Statement& s;
        ~Release() { calls_in_progress(s).fetch_sub(1, std::memory_order_acq_rel); }
    } release{statement};
    clear_diags(&statement);
    if (statement.need_data_param == 0 && statement.put_data_state == 0) return close_statement(statement, 0);
    return cancel_data_at_exec(statement);
}

void free_descriptor(Descriptor* descriptor)
{
    Connection* connection = descriptor->connection;
    if (connection != nullptr) {
        std::lock_guard<std::recursive_mutex> guard(driver_lock());
        unlink(connection->descriptors, descriptor);
    }
    delete_descriptor(descriptor);
}

void free_statement(Statement* statement, CommitOnClose commit)
{
    // Releasing the server statement cannot fail the release of the handle:
    // its status, if any, goes nowhere once the statement is gone.
    try {
        // A BLOB still receiving data-at-execution pieces is closed first.
        if (statement->put_data_state > 0 && statement->connection != nullptr &&
            statement->connection->db_handle != 0)
            cancel_data_at_exec(*statement);
        close_statement(*statement, 1, commit);
    } catch (...) {
    }
    for (Descriptor* d : {statement->apd_implicit, statement->ard_implicit,
                          statement->ipd_implicit, statement->ird_implicit})
        if (d != nullptr) free_descriptor(d);
    if (Connection* connection = statement->connection) {
        std::lock_guard<std::recursive_mutex> guard(driver_lock());
        unlink(connection->statements, statement);
    }
    retire(statement);
    delete statement;
}

void free_connection_children(Connection& connection, CommitOnClose commit)
{
    while (connection.statements != nullptr) free_statement(connection.statements, commit);
    while (connection.descriptors != nullptr) free_descriptor(connection.descriptors);
}

SQLRETURN free_handle(SQLSMALLINT handle_type, HandleHeader& handle)
{
    switch (handle_type) {
    case SQL_HANDLE_ENV: {
        auto* env = static_cast<Environment*>(&handle);
        retire(env);
        delete env;
        return SQL_SUCCESS;
    }
    case SQL_HANDLE_DBC: {
        auto* connection = static_cast<Connection*>(&handle);
        // An attached connection must be disconnected first, or its
        // attachment and open transaction would be lost with the record.
        if (connection->db_handle != 0) return post_error(connection, "HY010");
        free_connection_children(*connection);
        retire(connection);
        delete connection;
        return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT:
        free_statement(static_cast<Statement*>(&handle));
        return SQL_SUCCESS;
    case SQL_HANDLE_DESC: {
        auto* descriptor = static_cast<Descriptor*>(&handle);
        if (descriptor->statement != nullptr) {
            const char* server = descriptor->connection ? descriptor->connection->dsn : "";
            post_diag(descriptor, origin_iso, 0, "", sqlstate_message("HY017"), 158, 0, server,
                      "HY017");
            return SQL_ERROR;
        }
        // A statement that made this descriptor current falls back to its
        // implicit one, so it never points at a freed descriptor. The walk
        // holds the lock that guards the list: another thread may be freeing
        // a statement of the same connection.
        std::lock_guard<std::recursive_mutex> guard(driver_lock());
        if (Connection* connection = descriptor->connection) {
            for (Statement* s = connection->statements; s != nullptr; s = s->next) {
                if (s->ard == descriptor) s->ard = s->ard_implicit;
                if (s->apd == descriptor) s->apd = s->apd_implicit;
            }
        }
        free_descriptor(descriptor);
        return SQL_SUCCESS;
    }
    default:
        return SQL_ERROR;
    }
}

SQLRETURN free_statement_option(Statement& statement, SQLUSMALLINT option)
{
    switch (option) {
    case SQL_CLOSE:
        return close_statement(statement, 0);
    case SQL_DROP:
        free_statement(&statement);
        return SQL_SUCCESS;
    case SQL_UNBIND:
        if (statement.ard->count > 0) statement.ard->count = 0;
        return SQL_SUCCESS;
    case SQL_RESET_PARAMS:
        if (statement.apd->count > 0) statement.apd->count = 0;
        return SQL_SUCCESS;
    default:
        return SQL_SUCCESS;
    }
}

SQLRETURN set_env_attr(Environment& env, SQLINTEGER attribute, SQLPOINTER value)
{
    auto number = static_cast<SQLINTEGER>(reinterpret_cast<intptr_t>(value));
    switch (attribute) {
    case SQL_ATTR_ODBC_VERSION:
        env.odbc_version = number == SQL_OV_ODBC2 ? 2 : 3;
        return SQL_SUCCESS;
    case SQL_ATTR_CONNECTION_POOLING:
        return post_error(&env, "HYC00", 73, nullptr, origin_odbc3);
    case SQL_ATTR_CP_MATCH:
        return post_error(&env, "HYC00", 80, nullptr, origin_odbc3);
    case SQL_ATTR_OUTPUT_NTS:
        post_diag(&env, origin_odbc3, -1, "", sqlstate_message("HYC00"), 95, -1, "", "HYC00");
        return SQL_ERROR;
    default:
        return post_error(&env, "HYC00", 102, nullptr, origin_odbc3);
    }
}

SQLRETURN get_env_attr(Environment& env, SQLINTEGER attribute, SQLPOINTER value)
{
    auto* out = static_cast<SQLINTEGER*>(value);
    if (out == nullptr) return SQL_SUCCESS;
    switch (attribute) {
    case SQL_ATTR_ODBC_VERSION:
        *out = env.odbc_version;
        break;
    case 1065:  // asked by some driver managers; answered as "on"
    case SQL_ATTR_OUTPUT_NTS:
        *out = SQL_TRUE;
        break;
    default:
        break;
    }
    return SQL_SUCCESS;
}

Connection* owning_connection(HandleHeader* handle) noexcept
{
    if (handle == nullptr) return nullptr;
    switch (handle->handle_type) {
    case stamp_connection:
        return static_cast<Connection*>(handle);
    case stamp_statement:
        return static_cast<Statement*>(handle)->connection;
    case stamp_descriptor:
        return static_cast<Descriptor*>(handle)->connection;
    default:
        return nullptr;
    }
}

// Allocation takes the input handle of the kind the new handle needs (none
// for an environment); diagnostics land on the input handle.
SQLRETURN alloc_handle_guarded(SQLSMALLINT handle_type, SQLHANDLE input, SQLHANDLE* output) noexcept
{
    HandleHeader* parent = handle_type == SQL_HANDLE_ENV ? nullptr : any_handle_cast(input);
    if (parent != nullptr) clear_diags(parent);
    try {
        return allocate_handle(handle_type, input, output);
    } catch (...) {
        if (output != nullptr) *output = SQL_NULL_HANDLE;
        return parent ? report_exception(parent) : SQL_ERROR;
    }
}

// A handle of the named kind, its diagnostics cleared, then released.
SQLRETURN free_handle_guarded(SQLSMALLINT handle_type, SQLHANDLE handle) noexcept
{
    HandleHeader* header = any_handle_cast(handle);
    if (header == nullptr) return SQL_INVALID_HANDLE;
    if (handle_type < SQL_HANDLE_ENV || handle_type > SQL_HANDLE_DESC) return SQL_ERROR;
    // A handle of another kind than the one named is refused untouched.
    if (header->handle_type != static_cast<uint32_t>(handle_type)) return SQL_INVALID_HANDLE;
    clear_diags(header);
    try {
        return free_handle(handle_type, *header);
    } catch (...) {
        return report_exception(header);
    }
}

SQLRETURN report_exception(HandleHeader* handle) noexcept
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return post_error(handle, "HY001");
    } catch (const DriverError& e) {
        post_diag(handle, origin_iso, 0, "", e.what(), e.native_error(), 0, "", e.sqlstate());
        return SQL_ERROR;
    } catch (...) {
        return post_error(handle, "HY000");
    }
}
