// The handle records of brolix: Environment, Connection, Statement and
// Descriptor, the descriptor records and the diagnostic records.
//
// This is the one declaration of these records. The driver and the setup
// library both compile it: the setup library receives the driver's own
// Connection record while it prompts, and reads and writes its text and option
// fields in place. Keep the fields in this order and with these names.
//
// Records are plain data, created value-initialised (all zero) and released by
// the driver's lifecycle functions. Every record starts with HandleHeader, so
// an ODBC handle is a HandleHeader pointer whose stamp says what it points to.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include "firebird_api.h"

#include <cstdint>

struct DiagRecord;
struct Environment;
struct Connection;
struct Statement;
struct Descriptor;
struct DescRecord;

// Stamps of the four kinds of handle: the values of SQL_HANDLE_ENV to
// SQL_HANDLE_DESC. A freed record has its stamp cleared first.
enum HandleStamp : uint32_t {
    stamp_none = 0,
    stamp_environment = SQL_HANDLE_ENV,
    stamp_connection = SQL_HANDLE_DBC,
    stamp_statement = SQL_HANDLE_STMT,
    stamp_descriptor = SQL_HANDLE_DESC,
};

// Length of the text fields of a Connection (NUL included).
constexpr int connection_text_size = 128;
// Length of a diagnostic message (NUL included).
constexpr int diag_message_size = 512;
// Words of a Firebird status vector.
constexpr int status_vector_size = 20;

// One diagnostic; a handle keeps them oldest first.
struct DiagRecord {
    const char* class_origin;     // "ISO 9075" or "ODBC 3.0"
    int32_t column_number;        // 0, or -1 where a raising site says so
    const char* connection_name;  // always ""
    char message_text[diag_message_size];
    int32_t native_error;  // SQLCODE of a client failure, else a site's number
    int32_t row_number;
    const char* server_name;  // "" or the connection's dsn
    const char* sqlstate;     // five characters, ODBC 3 form
    DiagRecord* next;         // the next (younger) record
};

// The first fields of every handle record.
struct HandleHeader {
    DiagRecord* diag_list;  // oldest first; null when there is none
    int32_t diag_count;
    uint32_t handle_type;  // HandleStamp
};

struct Environment : HandleHeader {
    void* parent;  // the input handle given to SQLAllocHandle; kept, unused
    // 0 after SQLAllocHandle, 2 after SQLAllocEnv, then 2 or 3 from
    // SQL_ATTR_ODBC_VERSION. 3 selects the ODBC 3 date/time type codes.
    int32_t odbc_version;
};

struct Connection : HandleHeader {
    char user[connection_text_size];
    char password[connection_text_size];  // the clear password once resolved
    char database[connection_text_size];
    char dsn[connection_text_size];
    char driver[connection_text_size];  // DRIVER= of a connection string
    char charset[connection_text_size];
    char role[connection_text_size];

    int32_t exec_proc;
    int32_t commit_select;
    int32_t with_default;
    int32_t dquote;
    int32_t txn_mode;
    int32_t isolation_set;  // 1 once SQL_ATTR_TXN_ISOLATION was set
    int32_t flush_commit;
    int32_t pad_varchar;
    int32_t null_schema;
    int32_t fix_precision;
    int32_t simple_unicode;

    Environment* env;
    isc_db_handle db_handle;         // 0 while not attached
    isc_tr_handle transaction;       // main transaction, 0 while none is open
    isc_tr_handle read_transaction;  // read-committed catalog transaction
    ISC_STATUS status[status_vector_size];

    // Statement defaults, copied into every new Statement.
    int32_t metadata_id;  // also answered for the ODBC 2 option SQL_NOSCAN
    int32_t concurrency;
    int32_t bind_type;
    int32_t cursor_scrollable;
    int32_t cursor_sensitivity;
    int32_t cursor_type;
    int32_t auto_ipd;
    int32_t simulate_cursor;
    int32_t use_bookmarks;

    int32_t autocommit;  // SQL_AUTOCOMMIT_ON (1) or SQL_AUTOCOMMIT_OFF (0)

    // Stored and returned only.
    int32_t packet_size;
    SQLPOINTER quiet_mode;  // a window handle: kept whole
    int32_t trace;
    char trace_file[connection_text_size];
    char translate_dll[connection_text_size];
    int32_t translate_option;

    int32_t isolation;  // an ODBC SQL_TXN_* value
    int32_t dialect;    // SQL dialect
    int32_t with_schema;
    int32_t cursor_counter;  // numbers generated cursor names, from 0

    int32_t reprompt;  // an attach failure should lead to a new prompt

    int32_t tpb_length;
    char tpb[20];  // transaction parameter buffer

    int32_t nowait;
    int32_t server_major;
    int32_t server_minor;
    int32_t old_metadata;

    int32_t rollback_retaining_ok;
    int32_t retaining_probed;

    int32_t max_rows;
    int32_t max_length;
    int32_t connection_dead;  // 1 after a client error with SQLCODE -902
    int32_t enlist_in_dtc;

    int32_t read_only;
    int32_t wide_app;  // entered through a wide connect or declared Unicode
    int32_t dummy_dsn;
    int32_t wchar_default_c;
    int32_t wcmb_code_page;  // code-page number for wide text (65001 UTF-8)
    int32_t hide_varchar;

    Statement* statements;    // head of the connection's statements
    Descriptor* descriptors;  // head of all its descriptors, implicit too
};

struct Statement : HandleHeader {
    Descriptor* apd_implicit;
    Descriptor* ipd_implicit;
    Descriptor* ard_implicit;
    Descriptor* ird_implicit;
    Descriptor* apd;  // the descriptors in use; each starts as its implicit one
    Descriptor* ipd;
    Descriptor* ard;
    Descriptor* ird;

    Connection* connection;
    Statement* next;
    Statement* prev;

    // Statement attributes, the first ones copied from the connection's
    // statement defaults at allocation.
    int32_t metadata_id;
    int32_t concurrency;
    int32_t cursor_scrollable;
    int32_t cursor_sensitivity;
    int32_t cursor_type;
    int32_t auto_ipd;
    int32_t noscan;
    int32_t simulate_cursor;
    int32_t use_bookmarks;
    int32_t max_length;
    int32_t max_rows;
    int32_t autocommit;
    int32_t retrieve_data;  // 1 at allocation
    int32_t rowset_size;

    char cursor_name[32];  // at most 18 characters from the application

    // Server-side life of the statement.
    isc_stmt_handle stmt_handle;
    ISC_STATUS status[status_vector_size];
    XSQLDA* output_sqlda;
    XSQLDA* input_sqlda;
    int32_t is_select;  // a cursor or an EXECUTE PROCEDURE row is open
    int32_t statement_type;
    // The prepared statement's type as the server reported it at its first
    // execution, kept for the executions after it (every row of a
    // parameter array would otherwise ask the server again); 0 until then,
    // and again from every prepare.
    int32_t prepared_statement_type;
    SQLLEN row_count;  // SQLRowCount; -1 at allocation
    int32_t rows_fetched;
    int32_t at_end;
    int32_t end_pending;
    int32_t prefetched;
    int32_t prefetch_status;
    int32_t return_value_param;
    int32_t has_output_params;
    int32_t need_data_param;
    int32_t put_data_state;
    int32_t data_at_exec_done;
    int32_t params_processed;
    int32_t row_index;     // parameter set or rowset row being worked on
    // The IRD records hold per-row state that the next fetch clears: a BLOB
    // column's handle and pending open, or the place where SQLGetData (or an
    // output parameter's transfer) stopped in a value. Set by every execution
    // and by every conversion outside a fetch; while it is 0 a fetch leaves
    // the records alone instead of walking every column of every row.
    int32_t row_state_to_clear;
    int32_t catalog_kind;  // ODBC function code that produced the statement
    // Catalog row rewriting state, set by the catalog call and advanced row
    // by row while its result is fetched.
    int32_t table_type_state;  // SQLTables type enumeration: 0 off, 1..4 rows
    int32_t key_sequence;      // next KEY_SEQ / ORDINAL_POSITION to hand out
    int32_t previous_ordinal;  // ORDINAL_POSITION of the previous procedure column
    int16_t previous_name_length;
    char previous_name[270];  // name of the previous row's index, table or procedure
    int32_t escape_depth;
    char escape_stack[128];
    // 1 when the statement runs on the connection's read transaction (the
    // driver's catalog statements): prepared, executed, fetched and closed
    // there, never touching the main transaction. Set by prepare and execute.
    int32_t on_read_transaction;
    // Calls on the statement now running, kept by the guard of the
    // statement entry points and read and written only atomically
    // (std::atomic_ref). SQLCancel may arrive from another thread while one
    // runs: it then only asks the server to stop, and frees nothing.
    int32_t calls_in_progress;
    // Data at execution: the high surrogate that ended the last SQL_C_WCHAR
    // piece, completed by the first unit of the next one; 0 when none.
    uint16_t put_wide_carry;
};

struct Descriptor : HandleHeader {
    Connection* connection;
    int16_t alloc_type;  // SQL_DESC_ALLOC_AUTO or SQL_DESC_ALLOC_USER
    SQLULEN array_size;  // 1 for implicit descriptors, 0 for explicit ones
    SQLUSMALLINT* array_status_ptr;
    SQLLEN* bind_offset_ptr;
    SQLINTEGER bind_type;
    int16_t count;  // highest record number in use
    SQLULEN* rows_processed_ptr;
    DescRecord* records;  // count + 1 entries, 0 for the bookmark column
    Statement* statement;  // owner of an implicit descriptor, else null
    Descriptor* next;
    Descriptor* prev;
    int32_t owns_buffers;  // records hold heap value buffers of their own
    // Entries the records array has room for (at least count + 1 while it
    // exists): parameter descriptors grow in steps, so rebinding does not
    // move the array each time. 0 when there is no array.
    int32_t record_capacity;
};

// One column or parameter: the ODBC descriptor fields in the alphabetical
// order of their SQL_DESC_ names, the driver's own fields among them, then
// the buffers the client library fetches into.
constexpr int desc_name_size = 164;
constexpr int desc_inline_value_size = 64;

struct DescRecord {
    int16_t auto_unique_value;
    char base_column_name[desc_name_size];
    char base_table_name[desc_name_size];
    int16_t case_sensitive;
    char catalog_name[desc_name_size];
    int16_t concise_type;
    SQLPOINTER data_ptr;
    int16_t datetime_interval_code;
    int32_t datetime_interval_precision;
    SQLLEN display_size;
    int16_t fixed_prec_scale;
    SQLLEN* indicator_ptr;
    char label[desc_name_size];
    SQLULEN length;
    char literal_prefix[32];
    char literal_suffix[32];
    char local_type_name[desc_name_size];
    char name[desc_name_size];
    int16_t nullable;
    int32_t num_prec_radix;
    SQLLEN octet_length;
    int32_t server_length;  // byte length the server gave a parameter
    SQLLEN* octet_length_ptr;
    int16_t parameter_type;
    int16_t precision;
    int16_t scale;
    int16_t server_scale;  // IRD/IPD: the server's scale (sqlscale)
    int16_t sql_type_hint;  // APD: the SQL type SQLBindParameter named
    char schema_name[desc_name_size];
    int16_t searchable;
    char table_name[desc_name_size];
    int16_t type;
    char type_name[desc_name_size];
    int16_t unnamed;
    int16_t unsigned_;  // SQL_DESC_UNSIGNED ("unsigned" is a C++ keyword)
    int16_t updatable;

    ISC_SHORT inline_indicator;  // the indicator the client writes
    alignas(16) unsigned char inline_value[desc_inline_value_size];
    void* value_buffer;  // inline_value, or a heap buffer owned by the record
    SQLLEN getdata_offset;
    isc_blob_handle blob_handle;
    int32_t blob_open;
    // 1 while the current row's BLOB has not been opened yet: it is opened
    // when its value is first read (a bound column at fetch, otherwise the
    // first SQLGetData), so a row whose BLOB nobody reads costs no round
    // trip. Cleared by every fetch, by opening and by closing the cursor.
    int32_t blob_pending;
    // IRD of a CHAR column whose characters may take several bytes: its
    // length in characters, set when the column is described; the padding
    // the server adds beyond them is cut before conversion. 0 otherwise.
    int32_t char_length;
};
