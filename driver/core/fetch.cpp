#include "fetch.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "client_api.h"
#include "convert.h"
#include "descriptor_fields.h"
#include "descriptor_records.h"
#include "diagnostics.h"
#include "row_rewrite.h"
#include "statement.h"
#include "transactions.h"

namespace {

bool is_blob_column(const XSQLVAR& var)
{
    int type = var.sqltype & ~1;
    return type == SQL_BLOB || (type == SQL_TEXT && var.sqlsubtype < 0);
}

bool is_null(const XSQLVAR& var) { return (var.sqltype & 1) && var.sqlind != nullptr && *var.sqlind != 0; }

SQLUSMALLINT row_status_of(SQLRETURN rc)
{
    switch (rc) {
    case SQL_SUCCESS: return SQL_ROW_SUCCESS;
    case SQL_SUCCESS_WITH_INFO: return SQL_ROW_SUCCESS_WITH_INFO;
    case SQL_NO_DATA: return SQL_ROW_NOROW;
    default: return SQL_ROW_ERROR;
    }
}

// Clears what the records kept of the previous row: where SQLGetData
// stopped in each value, and the BLOB a column opened. Marks the BLOB of
// the row just fetched for opening when its value is first read: most
// applications never read most BLOBs, and an open is a round trip to the
// server. A NULL BLOB has nothing to open.
void prepare_row_blobs(Statement& statement, bool row_fetched)
{
    if (!statement.row_state_to_clear) return;
    Descriptor& ird = *statement.ird;
    XSQLDA& sqlda = *statement.output_sqlda;
    const int last = std::min<int>(ird.count, sqlda.sqld);
    DescRecord* records = ird.records;
    bool blobs = false;
    for (int i = 1; i <= last; ++i) {
        DescRecord& record = records[i];
        record.getdata_offset = 0;
        const XSQLVAR& var = sqlda.sqlvar[i - 1];
        if (!is_blob_column(var)) continue;
        blobs = true;
        if (record.blob_open) {
            client::isc_close_blob(statement.status, &record.blob_handle);
            record.blob_handle = 0;
            record.blob_open = 0;
        }
        record.blob_pending = row_fetched && !is_null(var) ? 1 : 0;
    }
    // Rows of a result without BLOBs leave nothing to clear until a value
    // is read outside the fetch.
    statement.row_state_to_clear = blobs ? 1 : 0;
}

// Moves a bound pointer to the element of `row`, plus the bind offset.
template <typename T>
T* element(T* base, SQLULEN row, SQLLEN stride, SQLLEN offset)
{
    if (base == nullptr) return nullptr;
    return reinterpret_cast<T*>(reinterpret_cast<char*>(base) + static_cast<SQLLEN>(row) * stride + offset);
}

// Element stride of a bound column's data: the row size for row-wise
// binding, else the C type's fixed size or the buffer length.
SQLLEN data_stride(const Descriptor& ard, const DescRecord& record)
{
    if (ard.bind_type != 0) return row_size(ard);
    SQLLEN fixed = c_type_fixed_size(record.concise_type);
    return fixed != 0 ? fixed : record.octet_length;
}

// What the transfer of the bound columns works out once per rowset rather
// than for every row: the bound columns among the first `cached`, each with
// its buffers moved by the bind offset, its element strides and its resolved
// conversion. Columns past `cached` go through convert_column.
struct BoundPlan {
    static constexpr int cached = 64;
    BoundColumn columns[cached];
    int count;
    int covered;  // the columns up to this one are in the plan when bound
    SQLLEN length_stride;

    void build(const Statement& statement)
    {
        const Descriptor& ard = *statement.ard;
        const SQLLEN offset = ard.bind_offset_ptr != nullptr ? *ard.bind_offset_ptr : 0;
        length_stride = ard.bind_type != 0 ? row_size(ard) : static_cast<SQLLEN>(sizeof(SQLLEN));
        covered = std::min<int>({ard.count, statement.ird->count, cached});
        count = 0;
        for (int i = 1; i <= covered; ++i) {
            const DescRecord& record = ard.records[i];
            if (record.data_ptr == nullptr && record.indicator_ptr == nullptr && record.octet_length_ptr == nullptr)
                continue;
            BoundColumn& column = columns[count++];
            column.index = i;
            column.concise_type = record.concise_type;
            column.data = element(static_cast<char*>(record.data_ptr), 0, 0, offset);
            column.indicator = element(record.indicator_ptr, 0, 0, offset);
            // One pointer for both receives the length once.
            column.octet_length = record.octet_length_ptr == record.indicator_ptr
                                      ? nullptr
                                      : element(record.octet_length_ptr, 0, 0, offset);
            column.stride = data_stride(ard, record);
            column.buffer_length = record.octet_length;
            column.resolved = resolve_conversion(statement, i, record.concise_type, false, column.conversion)
                                  .sqlstate == nullptr;
        }
    }
};

// Delivers bound column i of the current row at rowset position `row`
// without a plan.
SQLRETURN transfer_column(Statement& statement, int i, SQLULEN row)
{
    Descriptor& ard = *statement.ard;
    DescRecord& record = ard.records[i];
    if (record.data_ptr == nullptr && record.indicator_ptr == nullptr && record.octet_length_ptr == nullptr)
        return SQL_SUCCESS;
    const SQLLEN offset = ard.bind_offset_ptr != nullptr ? *ard.bind_offset_ptr : 0;
    const SQLLEN length_stride = ard.bind_type != 0 ? row_size(ard) : static_cast<SQLLEN>(sizeof(SQLLEN));
    char* data = element(static_cast<char*>(record.data_ptr), row, data_stride(ard, record), offset);
    SQLLEN* indicator = element(record.indicator_ptr, row, length_stride, offset);
    SQLLEN* octet_length = element(record.octet_length_ptr, row, length_stride, offset);
    return convert_column(statement, i, record.concise_type, data, record.octet_length, indicator, true,
                          octet_length, false);
}

// Delivers the bound columns of the current row at rowset position `row`,
// through the rowset's plan when there is one.
SQLRETURN transfer_bound_columns(Statement& statement, SQLULEN row, const BoundPlan* plan)
{
    const Descriptor& ard = *statement.ard;
    const int last = ard.count < statement.ird->count ? ard.count : statement.ird->count;
    SQLRETURN result = SQL_SUCCESS;
    int next = 1;
    if (plan != nullptr) {
        result = deliver_bound_columns(statement, plan->columns, plan->count, row, plan->length_stride);
        if (result == SQL_ERROR) return SQL_ERROR;
        next = plan->covered + 1;
    }
    for (int i = next; i <= last; ++i) {
        const SQLRETURN rc = transfer_column(statement, i, row);
        if (rc == SQL_ERROR) return SQL_ERROR;
        if (rc == SQL_SUCCESS_WITH_INFO) result = SQL_SUCCESS_WITH_INFO;
    }
    return result;
}

}  // namespace

SQLRETURN bind_column(Statement& statement, SQLUSMALLINT column, SQLSMALLINT c_type, SQLPOINTER target,
                      SQLLEN buffer_length, SQLLEN* str_len_or_ind)
{
    Descriptor& ard = *statement.ard;
    // Column 0 (bookmarks, not supported) and numbers past the record limit
    // are refused before anything is written.
    DescRecord* record = record_for_write(ard, column, &statement);
    if (record == nullptr) return SQL_ERROR;
    auto store = [&](SQLSMALLINT id, SQLPOINTER value) { store_desc_field(ard, record, id, value); };
    if (target == nullptr && str_len_or_ind == nullptr) {
        store(SQL_DESC_DATA_PTR, nullptr);
        store(SQL_DESC_INDICATOR_PTR, nullptr);
        store(SQL_DESC_OCTET_LENGTH_PTR, nullptr);
        if (column == ard.count) {
            while (ard.count > 0 && ard.records[ard.count].data_ptr == nullptr &&
                   ard.records[ard.count].indicator_ptr == nullptr)
                --ard.count;
        }
        return SQL_SUCCESS;
    }
    if (buffer_length <= 0) {
        SQLLEN fixed = c_type_fixed_size(c_type);
        if (fixed > 0) buffer_length = fixed;
    }
    store(SQL_DESC_CONCISE_TYPE, field_argument(c_type));
    store(SQL_DESC_OCTET_LENGTH, field_argument(buffer_length));
    store(SQL_DESC_DATA_PTR, target);
    store(SQL_DESC_INDICATOR_PTR, str_len_or_ind);
    store(SQL_DESC_OCTET_LENGTH_PTR, str_len_or_ind);
    // The sizes of the column as described, or none before the description.
    const Descriptor& ird = *statement.ird;
    const DescRecord* source =
        column <= ird.count && ird.records != nullptr ? &ird.records[column] : nullptr;
    for (SQLSMALLINT id : {SQL_DESC_LENGTH, SQL_DESC_PRECISION, SQL_DESC_SCALE,
                           SQL_DESC_DATETIME_INTERVAL_PRECISION}) {
        const SQLLEN value = source != nullptr ? read_desc_field(ird, source, id).number : 0;
        store(id, field_argument(value));
    }
    return SQL_SUCCESS;
}

void end_of_cursor(Statement& statement)
{
    Connection& connection = *statement.connection;
    if (connection.transaction != 0 && connection.commit_select && statement.is_select &&
        connection.autocommit == SQL_AUTOCOMMIT_ON && !statement.on_read_transaction) {
        ClientCallLock lock;
        if (commit_transaction(connection) != SQL_SUCCESS) {
            move_diags(connection, statement);  // reported where the application looks
        }
    }
}

namespace {

// Moves the server cursor one row on; the caller holds the client lock.
SQLRETURN fetch_server_row(Statement& statement)
{
    if (statement.output_sqlda == nullptr) return post_error(&statement, "24000");
    if (statement.at_end || (statement.max_rows > 0 && statement.rows_fetched >= statement.max_rows)) {
        end_of_cursor(statement);
        return SQL_NO_DATA;
    }
    if (statement.output_sqlda->sqld < 1) {
        statement.at_end = 1;
        end_of_cursor(statement);
        return SQL_NO_DATA;
    }
    ISC_STATUS fetched;
    if (statement.end_pending) {
        statement.at_end = 1;
        fetched = 0;
        statement.status[0] = 1;
        statement.status[1] = 0;
    } else if (statement.prefetched) {
        fetched = statement.prefetch_status;
        statement.prefetched = 0;
    } else {
        fetched = client::isc_dsql_fetch(statement.status, &statement.stmt_handle, SQLDA_VERSION1,
                                         statement.output_sqlda);
    }
    statement.end_pending = 0;
    if (status_failed(statement.status)) {
        post_statement_status(&statement);
        return SQL_ERROR;
    }
    prepare_row_blobs(statement, fetched == 0);
    if (fetched == 100) {
        statement.at_end = 1;
        end_of_cursor(statement);
        return SQL_NO_DATA;
    }
    ++statement.rows_fetched;
    if (fetched != 0) {
        end_of_cursor(statement);
        return SQL_NO_DATA;
    }
    return SQL_SUCCESS;
}

// fetch_row's work, for a caller that holds the client lock.
SQLRETURN next_row(Statement& statement)
{
    for (;;) {
        SQLRETURN rc = fetch_server_row(statement);
        if (rc != SQL_SUCCESS || !is_catalog_kind(statement.catalog_kind)) return rc;
        switch (rewrite_catalog_row(statement)) {
        case RowOutcome::deliver:
            return SQL_SUCCESS;
        case RowOutcome::skip:
            --statement.rows_fetched;  // a dropped row is not delivered
            continue;
        case RowOutcome::end:
            --statement.rows_fetched;
            end_of_cursor(statement);
            return SQL_NO_DATA;
        case RowOutcome::error:
            return SQL_ERROR;
        }
    }
}

}  // namespace

SQLRETURN fetch_row(Statement& statement)
{
    ClientCallLock lock;
    return next_row(statement);
}

SQLRETURN fetch_rowset(Statement& statement)
{
    Descriptor& ard = *statement.ard;
    Descriptor& ird = *statement.ird;
    if (ird.rows_processed_ptr != nullptr) *ird.rows_processed_ptr = 0;
    const SQLULEN size = ard.array_size == 0 ? 1 : ard.array_size;
    SQLRETURN row_result = SQL_SUCCESS;
    bool with_info = false;
    SQLULEN row = 0;
    // One hold of the client lock for the rowset's group of fetches and
    // BLOB closes, rather than one per row.
    ClientCallLock lock;
    const bool transfer = ird.count > 0 && statement.retrieve_data != SQL_RD_OFF;
    // A plan pays off over several rows; a rowset of one converts directly.
    BoundPlan plan;
    const BoundPlan* planned = nullptr;
    if (transfer && size > 1) {
        plan.build(statement);
        planned = &plan;
    }
    for (; row < size; ++row) {
        statement.row_index = static_cast<int32_t>(row);
        row_result = next_row(statement);
        if (row_result != SQL_SUCCESS && row_result != SQL_SUCCESS_WITH_INFO) {
            // A server fetch or BLOB open failing after rows were delivered
            // is a failed row of the rowset, told like any other.
            if (row_result == SQL_ERROR) with_info = true;
            break;
        }
        if (transfer) row_result = transfer_bound_columns(statement, row, planned);
        if (ird.array_status_ptr != nullptr) ird.array_status_ptr[row] = row_status_of(row_result);
        // A failed row does not fail the rowset, but the call must say that
        // something is to be read in the diagnostics.
        if (row_result == SQL_SUCCESS_WITH_INFO || row_result == SQL_ERROR) with_info = true;
        if (ird.rows_processed_ptr != nullptr && row_result != SQL_ERROR) ++*ird.rows_processed_ptr;
    }
    const SQLULEN delivered = row;
    if (ird.array_status_ptr != nullptr)
        for (SQLULEN k = delivered; k < size; ++k) ird.array_status_ptr[k] = row_status_of(row_result);
    statement.row_index = 0;
    // A multi-row rowset tells the outcome of single rows through the status
    // array and their diagnostics; a warning or a failed row makes it a
    // warning.
    if (delivered > 0 && size > 1) return with_info ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
    if (row_result == SQL_SUCCESS && with_info) return SQL_SUCCESS_WITH_INFO;
    return row_result;
}

SQLRETURN fetch_scroll(Statement& statement, SQLSMALLINT orientation)
{
    if (orientation == SQL_FETCH_NEXT || (orientation == SQL_FETCH_FIRST && statement.rows_fetched == 0))
        return fetch_rowset(statement);
    return post_error(&statement, "HY106");
}

SQLRETURN extended_fetch(Statement& statement, SQLUSMALLINT orientation, SQLULEN* row_count,
                         SQLUSMALLINT* row_status)
{
    if (orientation != SQL_FETCH_NEXT) return post_error(&statement, "HY106");
    Descriptor& ird = *statement.ird;
    SQLUSMALLINT* saved_status = ird.array_status_ptr;
    SQLULEN* saved_count = ird.rows_processed_ptr;
    ird.array_status_ptr = row_status;
    ird.rows_processed_ptr = row_count;
    SQLRETURN rc;
    try {
        rc = fetch_rowset(statement);
    } catch (...) {
        ird.array_status_ptr = saved_status;
        ird.rows_processed_ptr = saved_count;
        throw;
    }
    ird.array_status_ptr = saved_status;
    ird.rows_processed_ptr = saved_count;
    return rc;
}
