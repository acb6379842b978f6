// The name arguments of the catalog functions and the filter clauses made
// from them.
//
// A name argument becomes a clause of the catalog statement's WHERE part: a
// value holding '%' or '\' is a pattern and gets the LIKE form of the clause,
// any other value the exact form. Values go into SQL string literals, so
// every single quote is doubled; a value longer than the 255 bytes a name
// may take is refused (HY090) rather than cut.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <string>
#include <string_view>

// One name argument as the narrow body receives it: the text and its length
// (SQL_NTS, or a count of bytes; any other negative length means "absent").
struct NameArg {
    const char* text = nullptr;
    SQLLEN length = SQL_NTS;
};

inline NameArg name_arg(const SQLCHAR* text, SQLSMALLINT length)
{
    return {reinterpret_cast<const char*>(text), length};
}

// The longest value a name argument may carry, in bytes.
inline constexpr size_t max_name_bytes = 255;

// How a value is cleaned before it is inserted.
enum class Cleaning {
    // SQLTables, SQLTablePrivileges: a value that begins with a double quote
    // loses every double quote and is upper-cased; others stay as they are.
    quote_folding,
    // The other functions: every backslash is removed.
    backslash_removal,
};

// Whether an empty value (given with SQL_NTS) still produces a clause.
enum class EmptyValue { gives_clause, gives_none };

// The two forms of one clause, printf-like: "%s" stands for the value and
// "%%" for one percent sign. A null pattern form means the exact form is
// used for every value.
struct ClauseForm {
    const char* exact;
    const char* pattern;
};

struct Clause {
    std::string text;      // empty when the argument gives no clause
    bool too_long = false;  // the value exceeds max_name_bytes: HY090
};

// The value of an argument after the argument rule (null pointer or a
// negative length other than SQL_NTS: absent), cut at an embedded NUL.
// `present` is false when the argument is absent.
struct ArgValue {
    bool present = false;
    std::string_view value;
};
ArgValue argument_value(NameArg arg) noexcept;

// True when the value holds '%' or '\'.
bool is_pattern(std::string_view value) noexcept;

// The value cleaned as `cleaning` says and with its quotes doubled.
std::string clean_value(std::string_view value, Cleaning cleaning);

// Inserts `value` into a printf-like clause form.
std::string format_clause(std::string_view form, std::string_view value);

// The clause of one name argument.
Clause name_clause(NameArg arg, ClauseForm form, Cleaning cleaning, EmptyValue empty);

// The parts of SQLTables that a TableType list chooses.
struct TableTypes {
    bool view = false;
    bool system_table = false;
    bool table = false;
};

// Parses a TableType list such as "'TABLE','VIEW'" or "table": tokens cut at
// commas, upper-cased, with leading quotes, blanks and commas and trailing
// quotes and blanks dropped; each token chooses the first of "SYSTEM TABLE",
// "TABLE", "VIEW" and "%" (all three) whose leading characters it equals.
// Empty tokens choose nothing.
TableTypes parse_table_types(std::string_view list);
