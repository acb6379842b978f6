// Rewriting of application SQL before it is prepared: ODBC escape sequences
// ({d ...}, {t ...}, {ts ...}, {fn ...}, {oj ...}, {call ...}, {? = call ...}
// and the long "--(*vendor(...),product(...) ... *)--" form) become Firebird
// SQL, and double quotes follow the dialect's rules. SQLNativeSql shows the
// application the result.
//
// The rewriter is one left-to-right pass with five states and the statement's
// stack of open escapes. It knows nothing of SQL beyond quotes and escape
// brackets and never rejects text: malformed escapes are copied, dropped or
// closed as the rules fall, and every input, however unbalanced, is handled
// without reading or writing outside the text and the output string.
//
// The rewriter works on code units and recognises only ASCII units (quotes,
// braces, keyword letters, blanks and controls); a date is moved only when
// it is ASCII. The wide entry points convert their text first (through the
// connection's code page, or per unit under SimpleUnicode) and rewrite the
// narrow result, so SQLNativeSqlW shows exactly what SQLPrepareW sends.
// Under UTF-7 the brackets of an escape arrive in base64 and are not
// recognised; such text is unreadable to the server anyway (UTF-7 also
// encodes "*", "=" and ";"). A UTF-16 form of the rewriter remains for
// callers that hold UTF-16 text.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

#include "handles.h"
#include "text.h"

// Whether the text needs the rewriter: it holds a "{", two "-" in a row, or,
// in dialect 1 and 2, a double quote. Other text is prepared as it is.
bool needs_rewrite(std::string_view text, const Connection& connection) noexcept;
bool needs_rewrite(std::u16string_view text, const Connection& connection) noexcept;

// Rewrites `text` into `out` (replacing its contents) with the options of
// statement.connection (dialect, dquote, exec_proc), which must be set. The
// statement's escape stack is emptied first and left as the pass ends;
// return_value_param is set when a {? = call ...} form is met and never
// cleared here. The whole view is rewritten: a NUL inside it is a control
// character like any other. Always SQL_SUCCESS; only std::bad_alloc escapes.
SQLRETURN rewrite_sql(Statement& statement, std::string_view text, std::string& out);
SQLRETURN rewrite_sql(Statement& statement, std::u16string_view text, std::u16string& out);

// The body of SQLNativeSql, run on a connection whose diagnostics the caller
// has cleared. The text (SQL_NTS or a count of bytes) ends at its first NUL
// and is rewritten with a scratch escape state bound to the connection; the
// result goes to `out` (cut and terminated within BufferLength, never inside
// a character of the wide forms), and a cut result gives
// SQL_SUCCESS_WITH_INFO without a diagnostic record.
SQLRETURN native_sql(Connection& connection, const SQLCHAR* text, SQLINTEGER text_length,
                     const TextOut& out);
SQLRETURN native_sql(Connection& connection, const SQLCHAR* text, SQLINTEGER text_length,
                     SQLCHAR* out, SQLINTEGER buffer_length, SQLINTEGER* out_length);

// SQLNativeSqlW: the text (SQL_NTS or a count of characters) is converted
// once, as SQLPrepareW converts it (through the connection's code page, or
// per unit under SimpleUnicode), and the narrow body rewrites what the server
// would be sent; the result is widened with lengths in characters.
SQLRETURN native_sql_wide(Connection& connection, const SQLWCHAR* text, SQLINTEGER text_length,
                          SQLWCHAR* out, SQLINTEGER buffer_length, SQLINTEGER* out_length);
