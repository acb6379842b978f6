#include "describe_params.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "client_api.h"
#include "diagnostics.h"
#include "statement.h"

namespace {

inline constexpr const char* general_error = "HY000";
inline constexpr const char* out_of_memory = "HY001";
inline constexpr const char* unexpected_marker_type =
    "Unexpected parameter type incountered in driver_describe()";

// Which markers a row of the mapping table describes, besides their type.
enum class When : uint8_t {
    any,
    charset_none,   // text in character set NONE (sqlsubtype 0)
    charset_other,  // text in any other character set
    unscaled,       // sqlscale 0
    scaled,         // sqlscale not 0
    binary,         // BLOB sub-type 0
    not_binary,     // BLOB of any other sub-type
};
enum class Version : uint8_t { any, odbc2, odbc3 };
enum class Hide : uint8_t { any, on, off };

// A size column that takes the marker's sqllen.
constexpr SQLLEN from_sqllen = -1;
// The scale column's -sqlscale when that is positive, else 0.
constexpr int16_t from_sqlscale = -1;
constexpr SQLLEN blob_size = 2147483647;

struct MarkerRow {
    int fb_type;
    When when;
    Version version;
    Hide hide;
    int16_t concise;
    int16_t type;
    int16_t interval_code;
    SQLLEN octet_length;
    SQLLEN display_size;
    SQLLEN length;
    int16_t precision;
    int16_t scale;  // or from_sqlscale
    int16_t fixed_prec_scale;
    int32_t radix;
    int16_t searchable;
    const char* prefix;
    const char* suffix;
    const char* type_name;
    const char* local_type_name;
};

using W = When;
using V = Version;
using H = Hide;
constexpr int16_t srch = SQL_SEARCHABLE;
constexpr int16_t unsr = SQL_UNSEARCHABLE;

// The IPD mapping: the first row that matches a marker describes it.
// clang-format off
constexpr MarkerRow marker_rows[] = {
//   type                      when              version   hide    concise               type              code octet        display      length       prec scale          fixed radix search prefix  suffix type_name           local_type_name
    {fb_type::varying,          W::charset_none,  V::any,   H::any, SQL_VARCHAR,          SQL_VARCHAR,      0, from_sqllen, from_sqllen, from_sqllen, 0,   0,             0, 0,  srch, "'",    "'",   "VARCHAR",          "VARCHAR"},
    {fb_type::varying,          W::charset_other, V::any,   H::any, SQL_WVARCHAR,         SQL_VARCHAR,      0, from_sqllen, from_sqllen, from_sqllen, 0,   0,             0, 0,  srch, "'",    "'",   "NCHAR VARYING",    "NCHAR VARYING"},
    {fb_type::text,             W::charset_none,  V::any,   H::any, SQL_CHAR,             SQL_CHAR,         0, from_sqllen, from_sqllen, from_sqllen, 0,   0,             0, 0,  srch, "'",    "'",   "CHAR",             "CHAR"},
    {fb_type::text,             W::charset_other, V::any,   H::any, SQL_WCHAR,            SQL_CHAR,         0, from_sqllen, from_sqllen, from_sqllen, 0,   0,             0, 0,  srch, "'",    "'",   "NCHAR",            "NCHAR"},
    {fb_type::double_precision, W::any,           V::any,   H::any, SQL_DOUBLE,           SQL_DOUBLE,       0, 8,           22,          22, 52,  0,             1, 2,  srch, "",     "",    "DOUBLE PRECISION", "DOUBLE PRECISION"},
    {fb_type::float_,           W::any,           V::any,   H::any, SQL_REAL,             SQL_REAL,         0, 4,           22,          22, 52,  0,             1, 2,  srch, "",     "",    "FLOAT",            "FLOAT"},
    {fb_type::long_,            W::unscaled,      V::any,   H::any, SQL_INTEGER,          SQL_INTEGER,      0, 4,           11,          11, 11,  0,             1, 10, srch, "",     "",    "LONG",             "LONG"},
    {fb_type::long_,            W::scaled,        V::odbc2, H::any, SQL_DECIMAL,          SQL_DECIMAL,      0, 13,          13,          13, 10,  from_sqlscale, 1, 10, srch, "",     "",    "DECIMAL",          "DECIMAL"},
    {fb_type::long_,            W::scaled,        V::odbc3, H::any, SQL_NUMERIC,          SQL_DECIMAL,      0, 13,          13,          13, 10,  from_sqlscale, 1, 10, srch, "",     "",    "NUMERIC",          "NUMERIC"},
    {fb_type::short_,           W::unscaled,      V::any,   H::any, SQL_SMALLINT,         SQL_SMALLINT,     0, 2,           6,           6, 6,   0,             1, 10, srch, "",     "",    "SMALLINT",         "SMALLINT"},
    {fb_type::short_,           W::scaled,        V::odbc2, H::any, SQL_DECIMAL,          SQL_DECIMAL,      0, 8,           8,           8, 5,   0,             1, 10, srch, "",     "",    "DECIMAL",          "DECIMAL"},
    {fb_type::short_,           W::scaled,        V::odbc3, H::any, SQL_NUMERIC,          SQL_NUMERIC,      0, 22,          22,          22, 5,   0,             1, 10, srch, "",     "",    "NUMERIC",          "NUMERIC"},
    // A timestamp holds ten-thousandths of a second: described with those
    // four digits (as its result column is), so that applications that
    // size the fraction from the description do not cut it.
    {fb_type::timestamp,        W::any,           V::odbc3, H::any, SQL_TYPE_TIMESTAMP,   SQL_DATETIME,     3, 16,          24,          24, 4,   4,             1, 0,  srch, "{ts '", "'}",  "TIMESTAMP",        "SQL_TIMESTAMP"},
    {fb_type::timestamp,        W::any,           V::odbc2, H::any, SQL_TIMESTAMP,        SQL_DATETIME,     3, 16,          24,          24, 4,   4,             1, 0,  srch, "{ts '", "'}",  "TIMESTAMP",        "SQL_TIMESTAMP"},
    {fb_type::blob,             W::not_binary,    V::any,   H::on,  SQL_VARCHAR,          SQL_VARCHAR,      0, 32000,       32000,       32000, 0,   0,             0, 0,  unsr, "'",    "'",   "BLOB",             "BLOB"},
    {fb_type::blob,             W::not_binary,    V::any,   H::off, SQL_LONGVARCHAR,      SQL_LONGVARCHAR,  0, blob_size,   blob_size,   blob_size, 0,   0,             0, 0,  unsr, "'",    "'",   "BLOB",             "BLOB"},
    {fb_type::blob,             W::binary,        V::any,   H::on,  SQL_VARBINARY,        SQL_VARBINARY,    0, 32000,       32000,       32000, 0,   0,             0, 0,  unsr, "0x",   "",    "BLOB",             "BLOB"},
    {fb_type::blob,             W::binary,        V::any,   H::off, SQL_LONGVARBINARY,    SQL_LONGVARBINARY,0, blob_size,   blob_size,   blob_size, 0,   0,             0, 0,  unsr, "0x",   "",    "BLOB",             "BLOB"},
    {fb_type::array,            W::any,           V::any,   H::any, SQL_VARCHAR,          SQL_VARCHAR,      0, 12,          12,          12, 0,   0,             0, 0,  unsr, "0x",   "",    "VARYING",          "SQL_CHAR"},
    {fb_type::time,             W::any,           V::odbc3, H::any, SQL_TYPE_TIME,        SQL_DATETIME,     2, 6,           8,           8, 0,   0,             1, 0,  srch, "{t '", "'}",   "TIME",             "TIME"},
    {fb_type::time,             W::any,           V::odbc2, H::any, SQL_TIME,             SQL_DATETIME,     2, 6,           8,           8, 0,   0,             1, 0,  srch, "{t '", "'}",   "TIME",             "TIME"},
    {fb_type::date,             W::any,           V::odbc3, H::any, SQL_TYPE_DATE,        SQL_DATETIME,     1, 6,           10,          10, 0,   0,             1, 0,  srch, "{d '", "'}",   "DATE",             "DATE"},
    {fb_type::date,             W::any,           V::odbc2, H::any, SQL_DATE,             SQL_DATETIME,     1, 6,           10,          10, 0,   0,             1, 0,  srch, "{d '", "'}",   "DATE",             "DATE"},
    {fb_type::int64,            W::any,           V::odbc2, H::any, SQL_DECIMAL,          SQL_DECIMAL,      0, 22,          20,          20, 19,  from_sqlscale, 1, 10, srch, "",     "",    "DECIMAL",          "DECIMAL"},
    {fb_type::int64,            W::any,           V::odbc3, H::any, SQL_NUMERIC,          SQL_NUMERIC,      0, 22,          20,          20, 19,  from_sqlscale, 1, 10, srch, "",     "",    "NUMERIC",          "NUMERIC"},
    {fb_type::boolean,          W::any,           V::any,   H::any, SQL_BIT,              SQL_BIT,          0, 1,           1,           1, 1,   0,             1, 10, srch, "",     "",    "BOOLEAN",          "BOOLEAN"},
    {fb_type::boolean_legacy,   W::any,           V::any,   H::any, SQL_BIT,              SQL_BIT,          0, 1,           1,           1, 1,   0,             1, 10, srch, "",     "",    "BOOLEAN",          "BOOLEAN"},
};
// clang-format on

bool matches(const MarkerRow& row, const XSQLVAR& var, const DescribeContext& context)
{
    if (row.fb_type != (var.sqltype & ~1)) return false;
    const bool odbc2 = context.odbc_version == 2;
    if ((row.version == V::odbc2 && !odbc2) || (row.version == V::odbc3 && odbc2)) return false;
    if ((row.hide == H::on && !context.hide_varchar) || (row.hide == H::off && context.hide_varchar))
        return false;
    switch (row.when) {
    case W::any: return true;
    case W::charset_none: return var.sqlsubtype == 0;
    case W::charset_other: return var.sqlsubtype != 0;
    case W::unscaled: return var.sqlscale == 0;
    case W::scaled: return var.sqlscale != 0;
    case W::binary: return var.sqlsubtype == 0;
    case W::not_binary: return var.sqlsubtype != 0;
    }
    return false;
}

template <size_t N>
void set_text(char (&field)[N], std::string_view text)
{
    const size_t n = std::min(text.size(), N - 1);
    text.copy(field, n);
    field[n] = '\0';
}

// Frees the heap value buffers of the IPD's records.
void release_parameter_buffers(Descriptor& ipd)
{
    if (ipd.records == nullptr) return;
    for (int i = 0; i <= ipd.count; ++i) {
        DescRecord& r = ipd.records[i];
        if (r.value_buffer != nullptr && r.value_buffer != r.inline_value) std::free(r.value_buffer);
        r.value_buffer = nullptr;
        r.data_ptr = nullptr;
    }
}

// Releases the input XSQLDA, whose entries point into the records, and
// empties the IPD: what a failed description leaves, so that nothing points
// into freed or unfinished records.
SQLRETURN abandon_description(Statement& statement, Descriptor& ipd, SQLRETURN rc)
{
    free_sqlda(statement.input_sqlda);
    release_parameter_buffers(ipd);
    ipd.count = 0;
    return rc;
}

SQLRETURN describe_bind(Statement& statement)
{
    client::isc_dsql_describe_bind(statement.status, &statement.stmt_handle, SQLDA_VERSION1,
                                   statement.input_sqlda);
    if (status_failed(statement.status)) {
        post_statement_status(&statement);
        return SQL_ERROR;
    }
    return SQL_SUCCESS;
}

// An input XSQLDA with room for `entries` markers in place of the old one.
bool replace_input_sqlda(Statement& statement, int entries)
{
    XSQLDA* sqlda = allocate_sqlda(entries);
    if (sqlda == nullptr) return false;
    free_sqlda(statement.input_sqlda);
    statement.input_sqlda = sqlda;
    return true;
}

}  // namespace

bool describe_parameter_type(DescRecord& r, const XSQLVAR& var, const DescribeContext& context)
{
    const MarkerRow* row = nullptr;
    for (const MarkerRow& candidate : marker_rows) {
        if (matches(candidate, var, context)) {
            row = &candidate;
            break;
        }
    }
    if (row == nullptr) return false;
    const SQLLEN sqllen = std::max<SQLLEN>(var.sqllen, 0);
    auto size = [sqllen](SQLLEN column) { return column == from_sqllen ? sqllen : column; };
    r.concise_type = row->concise;
    r.type = row->type;
    r.datetime_interval_code = row->interval_code;
    r.octet_length = size(row->octet_length);
    r.display_size = size(row->display_size);
    r.length = static_cast<SQLULEN>(size(row->length));
    r.precision = row->precision;
    r.scale = row->scale != from_sqlscale ? row->scale
              : var.sqlscale < 0          ? static_cast<int16_t>(-var.sqlscale)
                                          : int16_t{0};
    r.fixed_prec_scale = row->fixed_prec_scale;
    r.num_prec_radix = row->radix;
    r.searchable = row->searchable;
    set_text(r.literal_prefix, row->prefix);
    set_text(r.literal_suffix, row->suffix);
    set_text(r.type_name, row->type_name);
    set_text(r.local_type_name, row->local_type_name);
    r.auto_unique_value = 0;
    r.case_sensitive = 0;
    r.datetime_interval_precision = 0;
    r.updatable = 1;
    r.unsigned_ = 0;
    r.nullable = SQL_NO_NULLS;
    return true;
}

SQLRETURN describe_parameters(Statement& statement)
{
    Descriptor& ipd = *statement.ipd_implicit;
    release_parameter_buffers(ipd);
    ipd.count = 0;
    if (statement.stmt_handle == 0) return abandon_description(statement, ipd, SQL_SUCCESS);

    const int apd_count = statement.apd != nullptr ? statement.apd->count : 0;
    const int entries = apd_count < 16 ? 16 : apd_count + 1;
    if (!replace_input_sqlda(statement, entries))
        return abandon_description(statement, ipd, post_error(&statement, out_of_memory));
    if (describe_bind(statement) != SQL_SUCCESS) return abandon_description(statement, ipd, SQL_ERROR);
    XSQLDA* sqlda = statement.input_sqlda;
    if (sqlda->sqld > sqlda->sqln) {
        if (!replace_input_sqlda(statement, sqlda->sqld))
            return abandon_description(statement, ipd, post_error(&statement, out_of_memory));
        if (describe_bind(statement) != SQL_SUCCESS) return abandon_description(statement, ipd, SQL_ERROR);
        sqlda = statement.input_sqlda;
    }

    const int markers = std::max(0, std::min<int>(sqlda->sqld, sqlda->sqln));
    if (markers == 0) return SQL_SUCCESS;
    auto* records = new (std::nothrow) DescRecord[markers + 1]();
    if (records == nullptr) return abandon_description(statement, ipd, post_error(&statement, out_of_memory));
    delete[] ipd.records;
    ipd.records = records;
    ipd.record_capacity = markers + 1;
    ipd.count = static_cast<int16_t>(markers);
    ipd.owns_buffers = 1;

    const DescribeContext context = describe_context(statement);
    for (int n = 1; n <= markers; ++n) {
        XSQLVAR& var = sqlda->sqlvar[n - 1];
        DescRecord& r = records[n];
        r.value_buffer = r.inline_value;
        r.data_ptr = r.inline_value;
        r.server_length = var.sqllen;
        r.server_scale = var.sqlscale;
        if (!describe_parameter_type(r, var, context)) {
            return abandon_description(
                statement, ipd,
                post_error(&statement, general_error, var.sqltype & ~1, unexpected_marker_type));
        }
        // Text goes to the server as fixed-length text with its own length.
        if ((var.sqltype & ~1) == fb_type::varying) var.sqltype = fb_type::text + 1;
        // Room for a VARCHAR's two length bytes and a terminator.
        const size_t needed = static_cast<size_t>(std::max<ISC_SHORT>(var.sqllen, 0)) + 3;
        if (needed > desc_inline_value_size) {
            void* heap = std::calloc(1, needed);
            if (heap == nullptr) return abandon_description(statement, ipd, post_error(&statement, out_of_memory));
            r.value_buffer = heap;
            r.data_ptr = heap;
        }
        var.sqldata = static_cast<ISC_SCHAR*>(r.value_buffer);
        var.sqlind = &r.inline_indicator;
    }
    return SQL_SUCCESS;
}
