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
// Both widths follow the same rules on code units. Only ASCII units are
// recognised (quotes, braces, keyword letters, blanks and controls) and a
// date is moved only when it is ASCII, so for an ASCII-compatible code page
// (UTF-8, CP437, MACINTOSH, ISO-8859-1) rewriting UTF-16 and converting gives
// the same text as converting and rewriting the narrow form; only a keyword
// skip over a malformed escape ("{fé") can differ. UTF-7 encodes braces and
// quotes in base64 and SimpleUnicode can turn a non-Latin-1 unit into one of
// them, so wide text is rewritten in UTF-16 before it is converted.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

#include "handles.h"

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

// The bodies of SQLNativeSql and SQLNativeSqlW, run on a connection whose
// diagnostics the caller has cleared. The text is rewritten with a scratch
// escape state bound to the connection; it ends at its first NUL. The result
// is copied whole when it is shorter than buffer_length, else cut to
// buffer_length - 1 units and terminated, giving SQL_SUCCESS_WITH_INFO without
// a diagnostic record; its full length goes to out_length. The wide body
// counts every length in UTF-16 units and never cuts a surrogate pair apart.
SQLRETURN native_sql(Connection& connection, const SQLCHAR* text, SQLINTEGER text_length,
                     SQLCHAR* out, SQLINTEGER buffer_length, SQLINTEGER* out_length);
SQLRETURN native_sql_wide(Connection& connection, const SQLWCHAR* text, SQLINTEGER text_length,
                          SQLWCHAR* out, SQLINTEGER buffer_length, SQLINTEGER* out_length);
