#include "driver_info.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>

#include "diagnostics.h"
#include "text.h"

namespace {

// What an answer may depend on.
struct InfoInputs {
    const Connection& connection;
    int client_major;
};

using TextOf = std::string (*)(const InfoInputs&);
using NumberOf = SQLULEN (*)(const InfoInputs&);

// One row of the InfoType table: the answer's form and either a constant or
// a function of the connection.
struct InfoEntry {
    SQLUSMALLINT type;
    InfoForm form;
    const char* text = nullptr;
    SQLULEN number = 0;
    TextOf text_of = nullptr;
    NumberOf number_of = nullptr;
};

constexpr InfoEntry text(SQLUSMALLINT type, const char* value)
{
    return {type, InfoForm::text, value};
}
constexpr InfoEntry text_from(SQLUSMALLINT type, TextOf value)
{
    return {type, InfoForm::text, nullptr, 0, value};
}
constexpr InfoEntry small(SQLUSMALLINT type, SQLULEN value)
{
    return {type, InfoForm::small, nullptr, value};
}
constexpr InfoEntry small_from(SQLUSMALLINT type, NumberOf value)
{
    return {type, InfoForm::small, nullptr, 0, nullptr, value};
}
constexpr InfoEntry integer(SQLUSMALLINT type, SQLULEN value)
{
    return {type, InfoForm::integer, nullptr, value};
}
constexpr InfoEntry integer_from(SQLUSMALLINT type, NumberOf value)
{
    return {type, InfoForm::integer, nullptr, 0, nullptr, value};
}

// A fixed text field of the connection, read no further than its array.
template <size_t N>
std::string field_text(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

constexpr const char keywords_text[] =
    "ACTIVE,ADMIN,AFTER,ASCENDING,AUTO,BASE_NAME,BEFORE,BLOB,CACHE,"
    "CHECK_POINT_LENGTH,COMMITTED,COMPUTED,CONDITIONAL,CONTAINING,CSTRING,DATABASE,"
    "DEBUG,DELETE,DESC,DESCENDING,DO,ENTRY_POINT,EXIT,EXTERNAL,FILE,FILTER,FREE_IT,"
    "FUNCTION,GDSCODE,GENERATOR,GEN_ID,GROUP_COMMIT_WAIT_TIME,IF,INACTIVE,INPUT_TYPE,"
    "LENGTH,LOGFILE,LOG_BUFFER_SIZE,LONG,MANUAL,MAX,MAXIMUM_SEGMENT,MERGE,MESSAGE,"
    "MODULE_NAME,NUM_LOG_BUFFERS,OUTPUT_TYPE,OVERFLOW,PAGE,PAGES,PAGE_SIZE,PARAMETER,"
    "PASSWORD,PLAN,POST_EVENT,PROTECTED,RAW_PARTITIONS,RDB$DB_KEY,RECORD_VERSION,"
    "RESERV,RESERVING,RETAIN,RETURNING_VALUES,RETURNS,ROLE,SEGMENT,SHADOW,SHARED,"
    "SINGULAR,SIZE,SNAPSHOT,SORT,STABILITY,STARTING,STARTS,STATISTICS,SUB_TYPE,"
    "SUSPEND,TRIGGER,TYPE,UNCOMMITTED,VARIABLE,WAIT,WEEKDAY,WHILE,WRITE,YEARDAY";

constexpr const char* driver_version = "01.09.0001";

// 64-character identifiers are announced only with a client library of major
// version 7; with any other client the driver keeps to 32.
SQLULEN identifier_length(const InfoInputs& in)
{
    return in.client_major == 7 ? 64 : 32;
}

constexpr TextOf dsn_text = [](const InfoInputs& in) { return field_text(in.connection.dsn); };
constexpr TextOf user_text = [](const InfoInputs& in) { return field_text(in.connection.user); };
constexpr TextOf dbms_version = [](const InfoInputs& in) {
    return dbms_version_text(in.connection.server_major, in.connection.server_minor);
};
constexpr TextOf read_only_text = [](const InfoInputs& in) {
    return std::string(in.connection.read_only != 0 ? "Y" : "N");
};
constexpr TextOf schema_term = [](const InfoInputs& in) {
    return std::string(in.connection.with_schema != 0 ? "SCHEMA" : "");
};
// Cursors survive a rollback only when it can be a retaining one.
constexpr NumberOf rollback_behavior = [](const InfoInputs& in) -> SQLULEN {
    return in.connection.rollback_retaining_ok != 0 ? SQL_CB_PRESERVE : SQL_CB_DELETE;
};
constexpr NumberOf schema_name_length = [](const InfoInputs& in) -> SQLULEN {
    return in.connection.with_schema != 0 ? identifier_length(in) : 0;
};
constexpr NumberOf schema_support = [](const InfoInputs& in) -> SQLULEN {
    return in.connection.with_schema != 0 ? 1 : 0;
};
// CAST is offered as the ODBC 3 conversion function only.
constexpr NumberOf convert_functions = [](const InfoInputs& in) -> SQLULEN {
    const Environment* env = in.connection.env;
    return env != nullptr && env->odbc_version == SQL_OV_ODBC3 ? SQL_FN_CVT_CAST : 0;
};

// The ODBC 2 isolation bit for multi-version concurrency, which Firebird
// has; the ODBC 3 headers have dropped its name.
constexpr SQLULEN txn_versioning = 0x10;

// A driver-specific InfoType, answered with the outer-join capabilities.
constexpr SQLUSMALLINT info_firebird_oj_capabilities = 65003;

// Every InfoType the driver answers, in ascending order.
constexpr InfoEntry info_table[] = {
    small(SQL_MAX_DRIVER_CONNECTIONS, 0),
    small(SQL_MAX_CONCURRENT_ACTIVITIES, 0),
    text_from(SQL_DATA_SOURCE_NAME, dsn_text),
    {SQL_DRIVER_HSTMT, InfoForm::echo},
    text(SQL_DRIVER_NAME, "BROLIX.DLL"),
    text(SQL_DRIVER_VER, driver_version),
    integer(SQL_FETCH_DIRECTION, SQL_FD_FETCH_NEXT),
    small(SQL_ODBC_API_CONFORMANCE, SQL_OAC_LEVEL2),
    text(SQL_ODBC_VER, driver_version),
    text(SQL_ROW_UPDATES, "N"),
    small(SQL_ODBC_SAG_CLI_CONFORMANCE, SQL_OSCC_NOT_COMPLIANT),
    text(SQL_SERVER_NAME, "FIREBIRD"),
    text(SQL_SEARCH_PATTERN_ESCAPE, "\\"),
    small(SQL_ODBC_SQL_CONFORMANCE, SQL_OSC_EXTENDED),
    text(SQL_DATABASE_NAME, ""),
    text(SQL_DBMS_NAME, "Firebird"),
    text_from(SQL_DBMS_VER, dbms_version),
    text(SQL_ACCESSIBLE_TABLES, "Y"),
    text(SQL_ACCESSIBLE_PROCEDURES, "Y"),
    text(SQL_PROCEDURES, "Y"),
    small(SQL_CONCAT_NULL_BEHAVIOR, SQL_CB_NULL),
    small(SQL_CURSOR_COMMIT_BEHAVIOR, SQL_CB_PRESERVE),
    small_from(SQL_CURSOR_ROLLBACK_BEHAVIOR, rollback_behavior),
    text_from(SQL_DATA_SOURCE_READ_ONLY, read_only_text),
    integer(SQL_DEFAULT_TXN_ISOLATION, SQL_TXN_READ_COMMITTED),
    text(SQL_EXPRESSIONS_IN_ORDERBY, "N"),
    small(SQL_IDENTIFIER_CASE, SQL_IC_UPPER),
    text(SQL_IDENTIFIER_QUOTE_CHAR, "\""),
    small_from(SQL_MAX_COLUMN_NAME_LEN, identifier_length),
    small(SQL_MAX_CURSOR_NAME_LEN, 18),
    small_from(SQL_MAX_SCHEMA_NAME_LEN, schema_name_length),
    small_from(SQL_MAX_PROCEDURE_NAME_LEN, identifier_length),
    small(SQL_MAX_CATALOG_NAME_LEN, 0),
    small_from(SQL_MAX_TABLE_NAME_LEN, identifier_length),
    text(SQL_MULT_RESULT_SETS, "N"),
    text(SQL_MULTIPLE_ACTIVE_TXN, "N"),
    text(SQL_OUTER_JOINS, "Y"),
    text_from(SQL_SCHEMA_TERM, schema_term),
    text(SQL_PROCEDURE_TERM, "PROCEDURE"),
    text(SQL_CATALOG_NAME_SEPARATOR, ""),
    text(SQL_CATALOG_TERM, ""),
    integer(SQL_SCROLL_CONCURRENCY, SQL_SCCO_LOCK | SQL_SCCO_OPT_VALUES),
    integer(SQL_SCROLL_OPTIONS, SQL_SO_FORWARD_ONLY),
    text(SQL_TABLE_TERM, "TABLE"),
    small(SQL_TXN_CAPABLE, SQL_TC_ALL),
    text_from(SQL_USER_NAME, user_text),
    integer_from(SQL_CONVERT_FUNCTIONS, convert_functions),
    integer(SQL_NUMERIC_FUNCTIONS, 0),
    integer(SQL_STRING_FUNCTIONS, 0),
    integer(SQL_SYSTEM_FUNCTIONS, SQL_FN_SYS_USERNAME | SQL_FN_SYS_DBNAME | SQL_FN_SYS_IFNULL),
    integer(SQL_TIMEDATE_FUNCTIONS, 0),
    integer(SQL_CONVERT_BIGINT, 0),
    integer(SQL_CONVERT_BINARY, 0),
    integer(SQL_CONVERT_BIT, 0),
    integer(SQL_CONVERT_CHAR, 0),
    integer(SQL_CONVERT_DATE, 0),
    integer(SQL_CONVERT_DECIMAL, 0),
    integer(SQL_CONVERT_DOUBLE, 0),
    integer(SQL_CONVERT_FLOAT, 0),
    integer(SQL_CONVERT_INTEGER, 0),
    integer(SQL_CONVERT_LONGVARCHAR, 0),
    integer(SQL_CONVERT_NUMERIC, 0),
    integer(SQL_CONVERT_REAL, 0),
    integer(SQL_CONVERT_SMALLINT, 0),
    integer(SQL_CONVERT_TIME, 0),
    integer(SQL_CONVERT_TIMESTAMP, 0),
    integer(SQL_CONVERT_TINYINT, 0),
    integer(SQL_CONVERT_VARBINARY, 0),
    integer(SQL_CONVERT_VARCHAR, 0),
    integer(SQL_CONVERT_LONGVARBINARY, 0),
    integer(SQL_TXN_ISOLATION_OPTION, SQL_TXN_READ_COMMITTED | SQL_TXN_REPEATABLE_READ |
                                          SQL_TXN_SERIALIZABLE | txn_versioning),
    text(SQL_INTEGRITY, "Y"),
    small(SQL_CORRELATION_NAME, SQL_CN_ANY),
    small(SQL_NON_NULLABLE_COLUMNS, SQL_NNC_NON_NULL),
    {SQL_DRIVER_HLIB, InfoForm::pointer},
    text(SQL_DRIVER_ODBC_VER, "03.52"),
    integer(SQL_LOCK_TYPES, 0),
    integer(SQL_POS_OPERATIONS, 0),
    integer(SQL_POSITIONED_STATEMENTS,
            SQL_PS_POSITIONED_DELETE | SQL_PS_POSITIONED_UPDATE | SQL_PS_SELECT_FOR_UPDATE),
    integer(SQL_GETDATA_EXTENSIONS, SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND),
    integer(SQL_BOOKMARK_PERSISTENCE, 0),
    integer(SQL_STATIC_SENSITIVITY, 0),
    small(SQL_FILE_USAGE, SQL_FILE_NOT_SUPPORTED),
    small(SQL_NULL_COLLATION, SQL_NC_HIGH),
    integer(SQL_ALTER_TABLE, SQL_AT_ADD_COLUMN | SQL_AT_DROP_COLUMN | SQL_AT_ADD_CONSTRAINT |
                                 SQL_AT_ADD_COLUMN_SINGLE | SQL_AT_ADD_COLUMN_DEFAULT |
                                 SQL_AT_DROP_COLUMN_DEFAULT | SQL_AT_DROP_COLUMN_CASCADE |
                                 SQL_AT_DROP_COLUMN_RESTRICT |
                                 SQL_AT_CONSTRAINT_INITIALLY_IMMEDIATE),
    text(SQL_COLUMN_ALIAS, "Y"),
    small(SQL_GROUP_BY, SQL_GB_NO_RELATION),
    text(SQL_KEYWORDS, keywords_text),
    text(SQL_ORDER_BY_COLUMNS_IN_SELECT, "N"),
    integer_from(SQL_SCHEMA_USAGE, schema_support),
    integer(SQL_CATALOG_USAGE, 0),
    small(SQL_QUOTED_IDENTIFIER_CASE, SQL_IC_SENSITIVE),
    text(SQL_SPECIAL_CHARACTERS, " $"),
    integer(SQL_SUBQUERIES, SQL_SQ_COMPARISON | SQL_SQ_EXISTS | SQL_SQ_IN | SQL_SQ_QUANTIFIED |
                                SQL_SQ_CORRELATED_SUBQUERIES),
    integer(SQL_UNION, SQL_U_UNION | SQL_U_UNION_ALL),
    small(SQL_MAX_COLUMNS_IN_GROUP_BY, 0),
    small(SQL_MAX_COLUMNS_IN_INDEX, 0),
    small(SQL_MAX_COLUMNS_IN_ORDER_BY, 0),
    small(SQL_MAX_COLUMNS_IN_SELECT, 0),
    small(SQL_MAX_COLUMNS_IN_TABLE, 0),
    integer(SQL_MAX_INDEX_SIZE, 0),
    text(SQL_MAX_ROW_SIZE_INCLUDES_LONG, "N"),
    integer(SQL_MAX_ROW_SIZE, 0),
    integer(SQL_MAX_STATEMENT_LEN, 0),
    small(SQL_MAX_TABLES_IN_SELECT, 0),
    small(SQL_MAX_USER_NAME_LEN, 128),
    integer(SQL_MAX_CHAR_LITERAL_LEN, 0),
    integer(SQL_TIMEDATE_ADD_INTERVALS, SQL_FN_TSI_FRAC_SECOND | SQL_FN_TSI_SECOND |
                                            SQL_FN_TSI_MINUTE | SQL_FN_TSI_HOUR | SQL_FN_TSI_DAY |
                                            SQL_FN_TSI_WEEK | SQL_FN_TSI_MONTH |
                                            SQL_FN_TSI_QUARTER | SQL_FN_TSI_YEAR),
    integer(SQL_TIMEDATE_DIFF_INTERVALS, SQL_FN_TSI_FRAC_SECOND | SQL_FN_TSI_SECOND |
                                             SQL_FN_TSI_MINUTE | SQL_FN_TSI_HOUR | SQL_FN_TSI_DAY |
                                             SQL_FN_TSI_WEEK | SQL_FN_TSI_MONTH |
                                             SQL_FN_TSI_QUARTER | SQL_FN_TSI_YEAR),
    text(SQL_NEED_LONG_DATA_LEN, "N"),
    integer(SQL_MAX_BINARY_LITERAL_LEN, 0),
    text(SQL_LIKE_ESCAPE_CLAUSE, "Y"),
    small(SQL_CATALOG_LOCATION, 0),
    integer(SQL_OJ_CAPABILITIES, SQL_OJ_LEFT | SQL_OJ_RIGHT | SQL_OJ_FULL | SQL_OJ_NESTED |
                                     SQL_OJ_NOT_ORDERED | SQL_OJ_INNER | SQL_OJ_ALL_COMPARISON_OPS),
    small(SQL_ACTIVE_ENVIRONMENTS, 0),
    integer(SQL_ALTER_DOMAIN, 0),
    integer(SQL_SQL_CONFORMANCE, SQL_SC_SQL92_ENTRY),
    integer(SQL_DATETIME_LITERALS, SQL_DL_SQL92_DATE | SQL_DL_SQL92_TIME | SQL_DL_SQL92_TIMESTAMP),
    integer(SQL_BATCH_ROW_COUNT, 0),
    integer(SQL_BATCH_SUPPORT, 0),
    integer(SQL_CONVERT_WCHAR, 0),
    integer(SQL_CONVERT_INTERVAL_DAY_TIME, 0),
    integer(SQL_CONVERT_INTERVAL_YEAR_MONTH, 0),
    integer(SQL_CONVERT_WLONGVARCHAR, 0),
    integer(SQL_CONVERT_WVARCHAR, 0),
    integer(SQL_CREATE_ASSERTION, 0),
    integer(SQL_CREATE_CHARACTER_SET, 0),
    integer(SQL_CREATE_COLLATION, 0),
    integer(SQL_CREATE_DOMAIN, 0),
    integer_from(SQL_CREATE_SCHEMA, schema_support),
    integer(SQL_CREATE_TABLE,
            SQL_CT_CREATE_TABLE | SQL_CT_COLUMN_CONSTRAINT | SQL_CT_TABLE_CONSTRAINT),
    integer(SQL_CREATE_TRANSLATION, 0),
    integer(SQL_CREATE_VIEW, SQL_CV_CREATE_VIEW),
    integer(SQL_DROP_ASSERTION, 0),
    integer(SQL_DROP_CHARACTER_SET, 0),
    integer(SQL_DROP_COLLATION, 0),
    integer(SQL_DROP_DOMAIN, 0),
    integer_from(SQL_DROP_SCHEMA, schema_support),
    integer(SQL_DROP_TABLE, SQL_DT_DROP_TABLE | SQL_DT_RESTRICT | SQL_DT_CASCADE),
    integer(SQL_DROP_TRANSLATION, 0),
    integer(SQL_DROP_VIEW, SQL_DV_DROP_VIEW),
    integer(SQL_DYNAMIC_CURSOR_ATTRIBUTES1, 0),
    integer(SQL_DYNAMIC_CURSOR_ATTRIBUTES2, 0),
    integer(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, SQL_CA1_NEXT | SQL_CA1_POSITIONED_UPDATE |
                                                     SQL_CA1_POSITIONED_DELETE |
                                                     SQL_CA1_SELECT_FOR_UPDATE),
    integer(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2,
            SQL_CA2_READ_ONLY_CONCURRENCY | SQL_CA2_LOCK_CONCURRENCY),
    integer(SQL_INDEX_KEYWORDS, SQL_IK_ASC | SQL_IK_DESC),
    integer(SQL_INFO_SCHEMA_VIEWS, 0),
    integer(SQL_KEYSET_CURSOR_ATTRIBUTES1, 0),
    integer(SQL_KEYSET_CURSOR_ATTRIBUTES2, 0),
    integer(SQL_ODBC_INTERFACE_CONFORMANCE, SQL_OIC_LEVEL2),
    integer(SQL_PARAM_ARRAY_ROW_COUNTS, SQL_PARC_NO_BATCH),
    integer(SQL_PARAM_ARRAY_SELECTS, SQL_PAS_NO_BATCH),
    integer(SQL_SQL92_DATETIME_FUNCTIONS,
            SQL_SDF_CURRENT_DATE | SQL_SDF_CURRENT_TIME | SQL_SDF_CURRENT_TIMESTAMP),
    integer(SQL_SQL92_FOREIGN_KEY_DELETE_RULE,
            SQL_SFKD_CASCADE | SQL_SFKD_NO_ACTION | SQL_SFKD_SET_DEFAULT | SQL_SFKD_SET_NULL),
    integer(SQL_SQL92_FOREIGN_KEY_UPDATE_RULE,
            SQL_SFKU_CASCADE | SQL_SFKU_NO_ACTION | SQL_SFKU_SET_DEFAULT | SQL_SFKU_SET_NULL),
    integer(SQL_SQL92_GRANT, SQL_SG_WITH_GRANT_OPTION | SQL_SG_DELETE_TABLE | SQL_SG_INSERT_TABLE |
                                 SQL_SG_INSERT_COLUMN | SQL_SG_REFERENCES_TABLE |
                                 SQL_SG_REFERENCES_COLUMN | SQL_SG_SELECT_TABLE |
                                 SQL_SG_UPDATE_TABLE | SQL_SG_UPDATE_COLUMN),
    integer(SQL_SQL92_NUMERIC_VALUE_FUNCTIONS, 0),
    integer(SQL_SQL92_PREDICATES, SQL_SP_EXISTS | SQL_SP_ISNOTNULL | SQL_SP_ISNULL |
                                      SQL_SP_OVERLAPS | SQL_SP_LIKE | SQL_SP_IN | SQL_SP_BETWEEN |
                                      SQL_SP_COMPARISON | SQL_SP_QUANTIFIED_COMPARISON),
    integer(SQL_SQL92_RELATIONAL_JOIN_OPERATORS,
            SQL_SRJO_FULL_OUTER_JOIN | SQL_SRJO_INNER_JOIN | SQL_SRJO_LEFT_OUTER_JOIN |
                SQL_SRJO_NATURAL_JOIN | SQL_SRJO_RIGHT_OUTER_JOIN | SQL_SRJO_UNION_JOIN),
    integer(SQL_SQL92_REVOKE, SQL_SR_CASCADE | SQL_SR_DELETE_TABLE | SQL_SR_INSERT_TABLE |
                                  SQL_SR_REFERENCES_TABLE | SQL_SR_REFERENCES_COLUMN |
                                  SQL_SR_SELECT_TABLE | SQL_SR_UPDATE_TABLE | SQL_SR_UPDATE_COLUMN),
    integer(SQL_SQL92_ROW_VALUE_CONSTRUCTOR,
            SQL_SRVC_VALUE_EXPRESSION | SQL_SRVC_NULL | SQL_SRVC_DEFAULT | SQL_SRVC_ROW_SUBQUERY),
    integer(SQL_SQL92_STRING_FUNCTIONS, SQL_SSF_CONVERT | SQL_SSF_SUBSTRING | SQL_SSF_TRIM_BOTH |
                                            SQL_SSF_TRIM_LEADING | SQL_SSF_TRIM_TRAILING),
    integer(SQL_SQL92_VALUE_EXPRESSIONS, SQL_SVE_CAST),
    integer(SQL_STANDARD_CLI_CONFORMANCE, SQL_SCC_XOPEN_CLI_VERSION1 | SQL_SCC_ISO92_CLI),
    integer(SQL_STATIC_CURSOR_ATTRIBUTES1, SQL_CA1_NEXT),
    integer(SQL_STATIC_CURSOR_ATTRIBUTES2, 0),
    integer(SQL_AGGREGATE_FUNCTIONS, SQL_AF_AVG | SQL_AF_COUNT | SQL_AF_MAX | SQL_AF_MIN |
                                         SQL_AF_SUM | SQL_AF_DISTINCT | SQL_AF_ALL),
    integer(SQL_DDL_INDEX, SQL_DI_CREATE_INDEX | SQL_DI_DROP_INDEX),
    integer(SQL_INSERT_STATEMENT,
            SQL_IS_INSERT_LITERALS | SQL_IS_INSERT_SEARCHED | SQL_IS_SELECT_INTO),
    text(SQL_XOPEN_CLI_YEAR, "1994"),
    integer(SQL_CURSOR_SENSITIVITY, SQL_UNSPECIFIED),
    text(SQL_DESCRIBE_PARAMETER, "Y"),
    text(SQL_CATALOG_NAME, ""),
    text(SQL_COLLATION_SEQ, "ISO 8859-1"),
    small_from(SQL_MAX_IDENTIFIER_LEN, identifier_length),
    integer(SQL_ASYNC_MODE, SQL_AM_NONE),
    integer(SQL_MAX_ASYNC_CONCURRENT_STATEMENTS, 0),
    integer(info_firebird_oj_capabilities, SQL_OJ_LEFT | SQL_OJ_RIGHT | SQL_OJ_FULL |
                                               SQL_OJ_NESTED | SQL_OJ_NOT_ORDERED | SQL_OJ_INNER |
                                               SQL_OJ_ALL_COMPARISON_OPS),
};

// find_entry searches the table by halves.
static_assert(std::ranges::adjacent_find(info_table, std::ranges::greater_equal{},
                                         &InfoEntry::type) == std::ranges::end(info_table),
              "info_table must be in ascending InfoType order without repeats");

const InfoEntry* find_entry(SQLUSMALLINT info_type)
{
    auto it = std::lower_bound(std::begin(info_table), std::end(info_table), info_type,
                               [](const InfoEntry& e, SQLUSMALLINT t) { return e.type < t; });
    if (it == std::end(info_table) || it->type != info_type) return nullptr;
    return &*it;
}

template <typename T>
void store_number(SQLPOINTER value, SQLSMALLINT* length_ptr, SQLULEN number)
{
    if (value != nullptr) {
        T v = static_cast<T>(number);
        std::memcpy(value, &v, sizeof v);
    }
    store_length(length_ptr, static_cast<SQLLEN>(sizeof(T)));
}

SQLRETURN put_number(const InfoAnswer& answer, SQLPOINTER value, SQLSMALLINT* length_ptr)
{
    switch (answer.form) {
    case InfoForm::small:
        store_number<SQLUSMALLINT>(value, length_ptr, answer.number);
        break;
    case InfoForm::integer:
        store_number<SQLUINTEGER>(value, length_ptr, answer.number);
        break;
    case InfoForm::pointer:
        store_number<SQLULEN>(value, length_ptr, answer.number);
        break;
    case InfoForm::echo:
        // The statement handle the caller passed in is the driver's own.
        store_length(length_ptr, static_cast<SQLLEN>(sizeof(SQLHSTMT)));
        break;
    case InfoForm::text:
        break;
    }
    return SQL_SUCCESS;
}

}  // namespace

const std::string_view sql_keywords = keywords_text;

std::string dbms_version_text(int server_major, int server_minor)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.0000", server_major, server_minor);
    return buffer;
}

std::optional<InfoAnswer> info_answer(const Connection& connection, SQLUSMALLINT info_type,
                                      int client_major)
{
    const InfoEntry* entry = find_entry(info_type);
    if (entry == nullptr) return std::nullopt;
    InfoInputs in{connection, client_major};
    InfoAnswer answer;
    answer.form = entry->form;
    if (entry->text_of != nullptr)
        answer.text = entry->text_of(in);
    else if (entry->text != nullptr)
        answer.text = entry->text;
    answer.number = entry->number_of != nullptr ? entry->number_of(in) : entry->number;
    return answer;
}

SQLRETURN get_info(Connection& connection, SQLUSMALLINT info_type, SQLPOINTER value,
                   SQLSMALLINT buffer_length, SQLSMALLINT* length_ptr, int client_major, TextForm form)
{
    std::optional<InfoAnswer> answer = info_answer(connection, info_type, client_major);
    if (!answer) return post_error(&connection, "HY096");
    if (answer->form != InfoForm::text) return put_number(*answer, value, length_ptr);

    // A zero-length buffer asks only for the length: nothing is cut.
    TextOut out(form, wide_codec(&connection), buffer_length == 0 ? nullptr : value, buffer_length,
                length_ptr);
    return cut_warning(&connection, out.write(answer->text));
}

#define BROLIX_FUNCTION(name, code, width) code,
const SQLUSMALLINT supported_functions_table[] = {
#include "functions.def"
};

const std::span<const SQLUSMALLINT> supported_functions = supported_functions_table;

SQLRETURN get_functions(Connection& connection, SQLUSMALLINT function_id, SQLUSMALLINT* supported)
{
    if (supported == nullptr) return post_error(&connection, "HY009");
    switch (function_id) {
    case SQL_API_ODBC3_ALL_FUNCTIONS:
        std::fill_n(supported, SQL_API_ODBC3_ALL_FUNCTIONS_SIZE, SQLUSMALLINT{0});
        for (SQLUSMALLINT code : supported_functions)
            if (code < SQL_API_ODBC3_ALL_FUNCTIONS_SIZE * 16)
                supported[code >> 4] |= static_cast<SQLUSMALLINT>(1u << (code & 0xF));
        break;
    case SQL_API_ALL_FUNCTIONS:
        std::fill_n(supported, 100, SQLUSMALLINT{SQL_FALSE});
        for (SQLUSMALLINT code : supported_functions)
            if (code < 100) supported[code] = SQL_TRUE;
        break;
    default:
        *supported = std::find(supported_functions.begin(), supported_functions.end(),
                               function_id) != supported_functions.end()
                         ? SQL_TRUE
                         : SQL_FALSE;
        break;
    }
    return SQL_SUCCESS;
}
