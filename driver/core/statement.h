// The server-side life of a statement: allocation on the server, prepare,
// execute (once per parameter set), statement types, row counts, auto-commit,
// and closing.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

#include "handles.h"

// ODBC function codes that tell what produced a statement's rows; the
// catalog functions store their own.
inline constexpr int32_t catalog_kind_allocated = SQL_API_SQLFETCH;  // plain rows
inline constexpr int32_t catalog_kind_prepared = SQL_API_SQLPREPARE;
inline constexpr int32_t catalog_kind_exec_direct = SQL_API_SQLEXECDIRECT;

// Initial values of a new statement's fields, its generated cursor name and,
// when the connection is attached, its server statement.
SQLRETURN statement_allocation_step(Statement& statement);

// "SQLCUR", the low 32 bits of the record's address as 8 upper-case hex
// digits, and the connection's cursor counter (at least 4 digits), which
// then advances.
void generate_cursor_name(Statement& statement);

// Prepares narrow SQL text (rewritten first when it holds escapes, comments
// or dialect-1/2 double quotes). `catalog` runs it in the read transaction.
SQLRETURN prepare_narrow(Statement& statement, std::string_view text, bool catalog);

// Prepares SQL text the driver composed itself (the catalog statements): it
// goes to the server as it is, never through the escape rewriting, so that
// names holding "{" or "--" stay names. `catalog` runs it in the read
// transaction.
SQLRETURN prepare_driver_text(Statement& statement, std::string_view text, bool catalog);

// Prepare as SQLPrepare does it: prepare, then describe parameters and
// results. The first error wins, else SQL_SUCCESS_WITH_INFO if any step gave
// it.
SQLRETURN prepare_and_describe(Statement& statement, std::string_view text);

// The same for SQLPrepareW and SQLExecDirectW: the text (SQL_NTS or a count
// of characters) is converted once, through the connection's code page or
// per unit under SimpleUnicode, and prepared as narrow text is, so escapes
// are rewritten in the text the server receives (as SQLNativeSqlW shows it).
SQLRETURN prepare_and_describe_wide(Statement& statement, const SQLWCHAR* text, SQLINTEGER text_length);

// The transaction a statement runs on: the connection's read transaction
// when the statement is marked for it, else its main transaction.
isc_tr_handle* statement_transaction(Statement& statement);

// Executes the prepared statement once for every parameter set. `catalog`
// runs it on the read transaction.
SQLRETURN execute_statement(Statement& statement, bool catalog);

// Whether an execution asks the server for the rows an INSERT, UPDATE or
// DELETE touched. SQLRowCount reports the last execution's count, so of a
// parameter array only the last set that runs asks: the question is a call
// into the server as costly as a tenth of the execution.
enum class RowCount : bool { skip, ask };

// Executes one parameter set.
SQLRETURN execute_once(Statement& statement, bool catalog, RowCount row_count);

// Moves the current result row into the application's output parameters
// (and the return value of a {? = call ...}).
SQLRETURN transfer_output_params(Statement& statement);

// Frees an XSQLDA made by allocate_sqlda.
void free_sqlda(XSQLDA*& sqlda);

// A zero-filled XSQLDA with room for `columns` columns, or null.
XSQLDA* allocate_sqlda(int columns);
