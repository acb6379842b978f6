#include "statement.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <type_traits>

#include "client_api.h"
#include "convert.h"
#include "describe.h"
#include "describe_params.h"
#include "diagnostics.h"
#include "gather.h"
#include "handle_lifecycle.h"
#include "sql_rewrite.h"
#include "text.h"
#include "transactions.h"

namespace {

// Statement types of isc_info_sql_stmt_type.
enum StatementType : int32_t {
    stmt_select = isc_info_sql_stmt_select,
    stmt_insert = isc_info_sql_stmt_insert,
    stmt_update = isc_info_sql_stmt_update,
    stmt_delete = isc_info_sql_stmt_delete,
    stmt_exec_procedure = isc_info_sql_stmt_exec_procedure,
    stmt_start_trans = isc_info_sql_stmt_start_trans,
    stmt_commit = isc_info_sql_stmt_commit,
    stmt_rollback = isc_info_sql_stmt_rollback,
    stmt_select_for_update = isc_info_sql_stmt_select_for_upd,
};

SQLRETURN post_statement_error(Statement& statement)
{
    post_statement_status(&statement);
    return SQL_ERROR;
}

// A driver diagnostic naming the parameter set being executed.
SQLRETURN post_row_error(Statement& statement, const char* message)
{
    post_diag(&statement, origin_iso, 0, "", message, 0, statement.row_index, "", "HY000");
    return SQL_ERROR;
}

void clear_fetch_state(Statement& statement)
{
    statement.rows_fetched = 0;
    statement.at_end = 0;
    statement.row_count = 0;
    statement.end_pending = 0;
}

// A failure left in the connection's status vector by a call made for the
// statement: it belongs to the statement being worked on.
SQLRETURN post_connection_failure(Statement& statement)
{
    Connection& connection = *statement.connection;
    StatusText text = interpret_status(connection.status);
    if (text.sqlcode == -902) connection.connection_dead = 1;
    post_diag(&statement, origin_iso, 0, "", text.message.c_str(), static_cast<int>(text.sqlcode), 0, "",
              sqlstate_for_sqlcode(text.sqlcode));
    return SQL_ERROR;
}

// The statement's server statement, allocated on first need when the
// statement was made before its connection was attached.
SQLRETURN ensure_server_statement(Statement& statement)
{
    if (statement.stmt_handle != 0) return SQL_SUCCESS;
    Connection& connection = *statement.connection;
    client::isc_dsql_allocate_statement(connection.status, &connection.db_handle, &statement.stmt_handle);
    if (status_failed(connection.status)) {
        statement.stmt_handle = 0;
        return post_connection_failure(statement);
    }
    return SQL_SUCCESS;
}

// Reads one isc_vax_integer of `length` bytes at `p`.
long vax(const char* p, int length)
{
    return client::isc_vax_integer(const_cast<char*>(p), static_cast<short>(length));
}

// The row count of an INSERT, UPDATE or DELETE from isc_info_sql_records.
SQLRETURN read_row_count(Statement& statement)
{
    const char items[] = {isc_info_sql_records, isc_info_end};
    char answer[64] = {};
    client::isc_dsql_sql_info(statement.status, &statement.stmt_handle, static_cast<short>(sizeof items),
                              items, static_cast<short>(sizeof answer), answer);
    if (status_failed(statement.status)) return post_statement_error(statement);
    char wanted = statement.statement_type == stmt_insert   ? isc_info_req_insert_count
                  : statement.statement_type == stmt_update ? isc_info_req_update_count
                                                            : isc_info_req_delete_count;
    statement.row_count = 0;
    // answer: isc_info_sql_records, 2-byte length, then entries.
    size_t pos = 3;
    while (pos + 3 <= sizeof answer && answer[pos] != isc_info_end) {
        char item = answer[pos];
        long length = vax(answer + pos + 1, 2);
        if (length < 0 || pos + 3 + static_cast<size_t>(length) > sizeof answer) break;
        if (item == wanted) statement.row_count = vax(answer + pos + 3, static_cast<int>(length));
        pos += 3 + static_cast<size_t>(length);
    }
    return SQL_SUCCESS;
}

std::optional<int32_t> read_statement_type(Statement& statement)
{
    const char items[] = {isc_info_sql_stmt_type, isc_info_end};
    char answer[64] = {};
    client::isc_dsql_sql_info(statement.status, &statement.stmt_handle, static_cast<short>(sizeof items),
                              items, static_cast<short>(sizeof answer), answer);
    if (status_failed(statement.status)) {
        post_statement_status(&statement);
        return std::nullopt;
    }
    if (answer[0] != isc_info_sql_stmt_type) {
        post_row_error(statement, "Unable to determine statement type");
        return std::nullopt;
    }
    long length = vax(answer + 1, 2);
    if (length < 1 || length > 4) {
        post_row_error(statement, "Unable to determine statement type");
        return std::nullopt;
    }
    return static_cast<int32_t>(vax(answer + 3, static_cast<int>(length)));
}

SQLRETURN start_main_transaction(Statement& statement)
{
    Connection& connection = *statement.connection;
    if (connection.transaction != 0) return SQL_SUCCESS;
    start_transaction(connection, statement.status);
    if (status_failed(statement.status)) return post_statement_error(statement);
    return SQL_SUCCESS;
}

// Starts the transaction the statement is marked for when it is not active.
SQLRETURN start_statement_transaction(Statement& statement)
{
    if (!statement.on_read_transaction) return start_main_transaction(statement);
    Connection& connection = *statement.connection;
    if (connection.read_transaction != 0) return SQL_SUCCESS;
    if (start_read_transaction(connection) != 0) return post_connection_failure(statement);
    return SQL_SUCCESS;
}

// Steps shared by both widths once the text to send is known.
SQLRETURN prepare_text(Statement& statement, const std::string& text, bool catalog)
{
    Connection& connection = *statement.connection;
    if (statement.is_select && close_statement(statement, 0) != SQL_SUCCESS) return SQL_ERROR;
    if (statement.output_sqlda == nullptr) {
        statement.output_sqlda = allocate_sqlda(16);
        if (statement.output_sqlda == nullptr) return post_error(&statement, "HY001");
    }
    if (ensure_server_statement(statement) != SQL_SUCCESS) return SQL_ERROR;
    statement.on_read_transaction = catalog ? 1 : 0;
    if (start_statement_transaction(statement) != SQL_SUCCESS) return SQL_ERROR;
    statement.output_sqlda->version = SQLDA_VERSION1;
    statement.is_select = 0;
    isc_tr_handle* transaction = statement_transaction(statement);
    // Lengths above 64 KiB do not fit the client's length argument: those
    // texts go NUL-terminated.
    auto length = text.size() < 65535 ? static_cast<unsigned short>(text.size()) : 0;
    statement.prepared_statement_type = 0;
    client::isc_dsql_prepare(statement.status, transaction, &statement.stmt_handle, length, text.c_str(),
                             static_cast<unsigned short>(connection.dialect), statement.output_sqlda);
    if (status_failed(statement.status)) return post_statement_error(statement);
    return SQL_SUCCESS;
}

SQLRETURN combine(SQLRETURN first, SQLRETURN next)
{
    if (first == SQL_ERROR || next == SQL_ERROR) return SQL_ERROR;
    if (first == SQL_SUCCESS_WITH_INFO || next == SQL_SUCCESS_WITH_INFO) return SQL_SUCCESS_WITH_INFO;
    return SQL_SUCCESS;
}

SQLRETURN describe_after_prepare(Statement& statement, SQLRETURN rc)
{
    if (rc == SQL_ERROR) return rc;
    rc = combine(rc, describe_parameters(statement));
    if (rc == SQL_ERROR) return rc;
    return combine(rc, describe_results(statement));
}

}  // namespace

isc_tr_handle* statement_transaction(Statement& statement)
{
    Connection& connection = *statement.connection;
    return statement.on_read_transaction ? &connection.read_transaction : &connection.transaction;
}

XSQLDA* allocate_sqlda(int columns)
{
    auto* sqlda = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(columns)));
    if (sqlda != nullptr) {
        sqlda->version = SQLDA_VERSION1;
        sqlda->sqln = static_cast<ISC_SHORT>(columns);
    }
    return sqlda;
}

void free_sqlda(XSQLDA*& sqlda)
{
    std::free(sqlda);
    sqlda = nullptr;
}

void generate_cursor_name(Statement& statement)
{
    Connection& connection = *statement.connection;
    auto address = static_cast<unsigned>(reinterpret_cast<uintptr_t>(&statement) & 0xFFFFFFFFu);
    std::snprintf(statement.cursor_name, sizeof statement.cursor_name, "SQLCUR%08X%04d", address,
                  connection.cursor_counter % 1000000);
    ++connection.cursor_counter;
}

SQLRETURN statement_allocation_step(Statement& statement)
{
    statement.row_count = -1;
    statement.catalog_kind = catalog_kind_allocated;
    statement.retrieve_data = SQL_RD_ON;
    statement.stmt_handle = 0;
    statement.output_sqlda = nullptr;
    statement.input_sqlda = nullptr;
    statement.is_select = 0;
    if (statement.connection->db_handle != 0 && ensure_server_statement(statement) != SQL_SUCCESS) {
        // Reported on the connection: the statement is not handed out.
        move_diags(statement, *statement.connection);
        return SQL_ERROR;
    }
    if (statement.cursor_name[0] == '\0') generate_cursor_name(statement);
    return SQL_SUCCESS;
}

SQLRETURN prepare_narrow(Statement& statement, std::string_view text, bool catalog)
{
    if (text.empty()) return post_error(&statement, "42000");
    statement.return_value_param = 0;
    std::string sent;
    if (needs_rewrite(text, *statement.connection)) {
        // A text the rewriter cannot handle goes to the server as written.
        if (rewrite_sql(statement, text, sent) != SQL_SUCCESS) sent.assign(text);
    } else {
        sent.assign(text);
    }
    return prepare_text(statement, sent, catalog);
}

SQLRETURN prepare_driver_text(Statement& statement, std::string_view text, bool catalog)
{
    statement.return_value_param = 0;
    return prepare_text(statement, std::string(text), catalog);
}

SQLRETURN prepare_and_describe(Statement& statement, std::string_view text)
{
    return describe_after_prepare(statement, prepare_narrow(statement, text, false));
}

SQLRETURN prepare_and_describe_wide(Statement& statement, const SQLWCHAR* text, SQLINTEGER text_length)
{
    if (text_length < 0 && text_length != SQL_NTS) return post_error(&statement, "HY090");
    NarrowArg narrow(wide_codec(statement.connection), text, text_length);
    if (!narrow.ok()) return post_error(&statement, "HY000", 0, sql_text_not_convertible);
    CountedText counted(narrow.get(), narrow.length());  // ends at the first NUL
    return prepare_and_describe(statement, counted.view());
}

SQLRETURN transfer_output_params(Statement& statement)
{
    Descriptor& apd = *statement.apd;
    const int steps = statement.ipd->count + (statement.return_value_param ? 1 : 0);
    const SQLLEN offset = apd.bind_offset_ptr != nullptr ? *apd.bind_offset_ptr : 0;
    auto moved = [offset](auto* pointer) {
        using T = std::remove_pointer_t<decltype(pointer)>;
        return pointer == nullptr ? nullptr
                                  : reinterpret_cast<T*>(reinterpret_cast<char*>(pointer) + offset);
    };
    int column = 1;
    for (int i = 1; i <= steps; ++i) {
        if (i > apd.count || apd.records == nullptr ||
            (apd.records[i].data_ptr == nullptr && apd.records[i].indicator_ptr == nullptr)) {
            post_error(&statement, "HY000", 0, "Parameter not bound");
            return SQL_ERROR;
        }
        DescRecord& record = apd.records[i];
        // The return value is an output whatever its record says; any other
        // record only when it says so (a record set up field by field may
        // name no direction, and is then an input).
        const bool receives = (i == 1 && statement.return_value_param) ||
                              record.parameter_type == SQL_PARAM_OUTPUT ||
                              record.parameter_type == SQL_PARAM_INPUT_OUTPUT;
        if (!receives) continue;
        SQLRETURN rc = convert_column(statement, column++, record.concise_type, moved(record.data_ptr),
                                      record.octet_length, moved(record.indicator_ptr), false,
                                      moved(record.octet_length_ptr), false);
        if (rc == SQL_ERROR) return rc;
    }
    return SQL_SUCCESS;
}

SQLRETURN execute_statement(Statement& statement, bool catalog)
{
    if (statement.output_sqlda == nullptr || statement.stmt_handle == 0)
        return post_error(&statement, "HY010");
    Descriptor& apd = *statement.apd;
    Descriptor& ipd = *statement.ipd;
    if (apd.array_size == 0) apd.array_size = 1;
    // After the last data-at-execution piece the execution goes on with the
    // parameter set that asked for them: the sets before it have run.
    const bool resuming = statement.data_at_exec_done != 0 &&
                          static_cast<SQLULEN>(statement.row_index) < apd.array_size;
    const SQLULEN first_row = resuming ? static_cast<SQLULEN>(statement.row_index) : 0;
    if (!resuming) {
        statement.params_processed = 0;
        if (ipd.array_status_ptr != nullptr)
            for (SQLULEN i = 0; i < apd.array_size; ++i) ipd.array_status_ptr[i] = SQL_PARAM_UNUSED;
    }

    // The last set that runs, counting from the end past the ignored ones.
    SQLULEN last_row = apd.array_size - 1;
    while (last_row > first_row && apd.array_status_ptr != nullptr &&
           apd.array_status_ptr[last_row] != SQL_PARAM_PROCEED)
        --last_row;

    SQLRETURN rc = SQL_SUCCESS;
    for (SQLULEN row = first_row; row < apd.array_size; ++row) {
        statement.row_index = static_cast<int32_t>(row);
        if (apd.array_status_ptr != nullptr && apd.array_status_ptr[row] != SQL_PARAM_PROCEED) continue;
        rc = execute_once(statement, catalog, row == last_row ? RowCount::ask : RowCount::skip);
        if (ipd.array_status_ptr != nullptr) {
            if (rc == SQL_ERROR) ipd.array_status_ptr[row] = SQL_PARAM_ERROR;
            else if (rc == SQL_SUCCESS) ipd.array_status_ptr[row] = SQL_PARAM_SUCCESS;
            else if (rc == SQL_SUCCESS_WITH_INFO) ipd.array_status_ptr[row] = SQL_PARAM_SUCCESS_WITH_INFO;
        }
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) break;
    }
    // The collected values served the one set they were sent for.
    statement.data_at_exec_done = 0;
    if ((rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) && ipd.rows_processed_ptr != nullptr)
        *ipd.rows_processed_ptr = static_cast<SQLULEN>(statement.params_processed);
    return rc;
}

SQLRETURN execute_once(Statement& statement, bool catalog, RowCount row_count)
{
    Connection& connection = *statement.connection;
    if (SQLRETURN gathered = gather_parameters(statement); gathered != 0) return gathered;
    statement.data_at_exec_done = 0;
    statement.on_read_transaction = catalog ? 1 : 0;
    if (start_statement_transaction(statement) != SQL_SUCCESS) return SQL_ERROR;

    ClientCallLock lock;
    if (statement.prepared_statement_type == 0) {
        std::optional<int32_t> type = read_statement_type(statement);
        if (!type) return SQL_ERROR;
        statement.prepared_statement_type = *type;
    }
    statement.statement_type = statement.prepared_statement_type;

    // Transaction statements are the driver's own business.
    switch (statement.statement_type) {
    case stmt_start_trans:
        clear_fetch_state(statement);
        connection.autocommit = SQL_AUTOCOMMIT_OFF;
        return SQL_SUCCESS;
    case stmt_commit:
    case stmt_rollback: {
        clear_fetch_state(statement);
        lock.release();
        SQLRETURN rc = statement.statement_type == stmt_commit ? commit_transaction(connection)
                                                               : rollback_transaction(connection);
        connection.autocommit = SQL_AUTOCOMMIT_ON;
        return rc;
    }
    default:
        break;
    }

    if (connection.read_only && statement.statement_type != stmt_select)
        return post_row_error(statement, "READ-ONLY connection");

    if (statement.cursor_name[0] == '\0') generate_cursor_name(statement);
    if (statement.output_sqlda->sqld > 0) {
        client::isc_dsql_set_cursor_name(statement.status, &statement.stmt_handle, statement.cursor_name, 0);
        if (status_failed(statement.status)) return post_statement_error(statement);
    }

    isc_tr_handle* transaction = statement_transaction(statement);
    if (statement.statement_type == stmt_exec_procedure) {
        client::isc_dsql_execute2(statement.status, transaction, &statement.stmt_handle,
                                  SQLDA_VERSION1, statement.input_sqlda, statement.output_sqlda);
        statement.end_pending = 1;
    } else {
        client::isc_dsql_execute(statement.status, transaction, &statement.stmt_handle, SQLDA_VERSION1,
                                 statement.input_sqlda);
        statement.end_pending = 0;
    }
    if (status_failed(statement.status)) return post_statement_error(statement);

    statement.rows_fetched = 0;
    statement.at_end = 0;
    statement.row_state_to_clear = 1;
    switch (statement.statement_type) {
    case stmt_select:
    case stmt_select_for_update:
        statement.is_select = 1;
        break;
    case stmt_exec_procedure:
        statement.is_select = 1;
        // Its one row is already in the output buffers; a failed transfer
        // leaves the row to the application's fetch.
        if (statement.has_output_params || statement.return_value_param) transfer_output_params(statement);
        break;
    default:
        break;
    }

    statement.row_count = -1;
    if (row_count == RowCount::ask &&
        (statement.statement_type == stmt_insert || statement.statement_type == stmt_update ||
         statement.statement_type == stmt_delete)) {
        if (read_row_count(statement) != SQL_SUCCESS) return SQL_ERROR;
    }

    // A cursor that has just been opened is committed with it only when
    // the commit keeps it open (retaining); a full commit (FlushCommit)
    // waits for the cursor's end instead of closing it under the
    // application.
    // A statement on the read transaction commits nothing of the main one.
    const bool open_cursor = statement.is_select && statement.statement_type != stmt_exec_procedure;
    if (connection.autocommit == SQL_AUTOCOMMIT_ON && !statement.on_read_transaction &&
        (!open_cursor || (connection.transaction != 0 && connection.commit_select && !connection.flush_commit))) {
        if (commit_transaction(connection) != SQL_SUCCESS) {
            move_diags(connection, statement);  // the failure belongs to the statement that ran
            return SQL_ERROR;
        }
    }

    statement.prefetched = 0;
    if ((statement.statement_type == stmt_select || statement.statement_type == stmt_select_for_update) &&
        statement.return_value_param) {
        ISC_STATUS fetched = client::isc_dsql_fetch(statement.status, &statement.stmt_handle, SQLDA_VERSION1,
                                                    statement.output_sqlda);
        if (status_failed(statement.status)) return post_statement_error(statement);
        if (fetched == 0) transfer_output_params(statement);
        statement.prefetched = 1;
        statement.prefetch_status = static_cast<int32_t>(fetched);
    }
    return SQL_SUCCESS;
}
