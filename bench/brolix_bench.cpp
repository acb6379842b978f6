// The driver's benchmark: every access pattern applications use, each timed
// against its own limit (the Firebird client library doing the same work by
// hand) in the same run, through unixODBC and with the driver loaded
// directly. See bench/README.md.
//
//   brolix_bench [--rows N] [--insert-rows N] [--blob-rows N] [--runs N]
//                [--patterns ABCDEM] [--db PATH] [--server-db PATH]
//                [--password PASS] [--through unixodbc|direct|both]
//
//   A  bound columns, column-wise rowsets of 1000
//   B  bound columns, rowset of 1
//   C  SQLFetch and one SQLGetData per column
//   D  INSERT of --insert-rows rows with parameter arrays of 1000, one
//      transaction; limit: one prepared isc_dsql_execute per row
//   E  A over a table with an unread text BLOB column, on the loopback
//      server; limit: the client loop that does not open the BLOBs
//   M  peak resident memory of A for 100 000 and --rows rows
//
// Every time is the median of --runs runs, wall-clock and this process's
// CPU time; the ratios are those medians over the limit's. Every checksum is compared with its limit's; the program
// exits 1 when one differs or a pattern fails.
#include <sql.h>
#include <sqlext.h>

#include "firebird_api.h"

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int bench_columns = 7;
const char* const select_plain = "SELECT ID, I64, NUM, DBL, TS, NAME, D FROM BENCH";
const char* const select_with_blob = "SELECT ID, I64, NUM, DBL, TS, NAME, D, MEMO FROM BENCHB";
const char* const select_inserted = "SELECT ID, I64, NUM, DBL, TS, NAME, D FROM BENCH_INS ORDER BY ID";
const char* const insert_text = "INSERT INTO BENCH_INS (ID, I64, NUM, DBL, TS, NAME, D) VALUES (?, ?, ?, ?, ?, ?, ?)";
const char* const recreate_inserted =
    "RECREATE TABLE BENCH_INS (ID INTEGER NOT NULL, I64 BIGINT, NUM NUMERIC(18,4), DBL DOUBLE PRECISION,"
    " TS TIMESTAMP, NAME VARCHAR(40) CHARACTER SET UTF8, D DATE)";
constexpr SQLULEN insert_batch = 1000;

struct Options {
    long rows = 1000000;
    long insert_rows = 100000;
    long blob_rows = 200000;
    int runs = 5;
    std::string patterns = "ABCDEM";
    std::string db = "/var/tmp/brolix-bench/bench.fdb";
    std::string server_db = "/var/lib/firebird/3.0/data/brolix_bench_blob.fdb";
    std::string password = "masterkey";
    std::string through = "both";  // unixodbc, direct or both
};

// Where a pattern reads: the path the client attaches to, and the
// connection string the driver gets.
struct Database {
    std::string attach;
    std::string password;  // empty: embedded, no password
    std::string connection_string() const
    {
        std::string s = "DATABASE=" + attach + ";UID=SYSDBA;CHARSET=UTF8";
        if (!password.empty()) s += ";PWD=" + password;
        return s;
    }
};

// The driver measured: the one built with the bench, or another build named
// by BROLIX_BENCH_DRIVER (to compare two builds on the same data).
const char* driver_path()
{
    const char* path = std::getenv("BROLIX_BENCH_DRIVER");
    return path != nullptr && *path != '\0' ? path : BROLIX_DRIVER_PATH;
}

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what);
}

// FNV-1a over 64-bit words and bytes.
struct Checksum {
    uint64_t h = 1469598103934665603ull;
    void add(uint64_t v) { h = (h ^ v) * 1099511628211ull; }
    void add_bytes(const char* p, size_t n)
    {
        add(n);
        for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 1099511628211ull;
    }
};

struct Outcome {
    uint64_t sum = 0;
    long rows = 0;
};

// One row of the bench tables as an application holds it.
struct RowValues {
    int32_t id;
    int64_t i64;
    const char* num;
    size_t num_length;
    double dbl;
    int year, month, day, hour, minute, second;
    uint64_t fraction;  // nanoseconds
    const char* name;
    size_t name_length;
    int d_year, d_month, d_day;
};

void fold_row(Checksum& sum, const RowValues& v)
{
    sum.add(static_cast<uint64_t>(v.id));
    sum.add(static_cast<uint64_t>(v.i64));
    sum.add_bytes(v.num, v.num_length);
    uint64_t bits;
    std::memcpy(&bits, &v.dbl, 8);
    sum.add(bits);
    sum.add(static_cast<uint64_t>(v.year) * 10000 + v.month * 100 + v.day);
    sum.add(static_cast<uint64_t>(v.hour) * 10000 + v.minute * 100 + v.second);
    sum.add(v.fraction);
    sum.add_bytes(v.name, v.name_length);
    sum.add(static_cast<uint64_t>(v.d_year) * 10000 + v.d_month * 100 + v.d_day);
}

// ---------------------------------------------------------------------------
// The limits: the Firebird client library alone.

void check(const ISC_STATUS* status, const char* what)
{
    if (status[0] == 1 && status[1] != 0) {
        char text[512];
        const ISC_STATUS* p = status;
        fb_interpret(text, sizeof text, &p);
        fail(std::string(what) + ": " + text);
    }
}

struct ClientSession {
    ISC_STATUS_ARRAY status{};
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;

    explicit ClientSession(const Database& database, bool write = false)
    {
        std::vector<char> dpb = {isc_dpb_version1, isc_dpb_user_name, 6, 'S', 'Y', 'S', 'D', 'B', 'A',
                                 isc_dpb_lc_ctype, 4, 'U', 'T', 'F', '8'};
        if (!database.password.empty()) {
            dpb.push_back(isc_dpb_password);
            dpb.push_back(static_cast<char>(database.password.size()));
            dpb.insert(dpb.end(), database.password.begin(), database.password.end());
        }
        isc_attach_database(status, 0, database.attach.c_str(), &db, static_cast<short>(dpb.size()), dpb.data());
        check(status, "attach");
        static char read_tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version,
                                  isc_tpb_wait};
        static char write_tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency, isc_tpb_wait};
        char* tpb = write ? write_tpb : read_tpb;
        const auto tpb_length = static_cast<unsigned short>(write ? sizeof write_tpb : sizeof read_tpb);
        isc_start_transaction(status, &tr, 1, &db, tpb_length, tpb);
        check(status, "start");
    }
    void commit()
    {
        isc_commit_transaction(status, &tr);
        check(status, "commit");
    }
    ~ClientSession()
    {
        ISC_STATUS_ARRAY ignored;
        if (tr != 0) isc_rollback_transaction(ignored, &tr);
        isc_detach_database(ignored, &db);
    }
};

// Scaled integer to text, as an application would format it.
size_t scaled_to_text(int64_t value, int scale, char* out)
{
    char digits[32];
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (n <= scale) digits[n++] = '0';
    size_t k = 0;
    if (value < 0) out[k++] = '-';
    for (int i = n - 1; i >= 0; --i) {
        out[k++] = digits[i];
        if (i == scale && scale > 0) out[k++] = '.';
    }
    return k;
}

// Reads the first seven columns of `query` with isc_dsql_fetch and folds
// them as the ODBC patterns do. Any further column (the BLOB id of case E)
// is fetched but never opened.
Outcome client_select(const Database& database, const char* query)
{
    ClientSession session(database);
    ISC_STATUS* status = session.status;
    isc_stmt_handle stmt = 0;
    isc_dsql_allocate_statement(status, &session.db, &stmt);
    check(status, "allocate");
    constexpr int max_columns = 16;
    auto* sqlda = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(max_columns)));
    sqlda->version = SQLDA_VERSION1;
    sqlda->sqln = max_columns;
    isc_dsql_prepare(status, &session.tr, &stmt, 0, query, 3, sqlda);
    check(status, "prepare");
    std::vector<std::vector<char>> buffers(sqlda->sqld);
    std::vector<short> nulls(sqlda->sqld);
    for (int i = 0; i < sqlda->sqld; ++i) {
        XSQLVAR& var = sqlda->sqlvar[i];
        size_t size = var.sqllen + ((var.sqltype & ~1) == SQL_VARYING ? 2 : 0);
        buffers[i].resize(size + 8);
        var.sqldata = buffers[i].data();
        var.sqlind = &nulls[i];
    }
    isc_dsql_execute(status, &session.tr, &stmt, SQLDA_VERSION1, nullptr);
    check(status, "execute");

    Outcome out;
    Checksum sum;
    char num[48];
    while (isc_dsql_fetch(status, &stmt, SQLDA_VERSION1, sqlda) == 0) {
        ++out.rows;
        XSQLVAR* v = sqlda->sqlvar;
        RowValues row{};
        row.id = *reinterpret_cast<int32_t*>(v[0].sqldata);
        row.i64 = *reinterpret_cast<int64_t*>(v[1].sqldata);
        row.num = num;
        row.num_length = scaled_to_text(*reinterpret_cast<int64_t*>(v[2].sqldata), -v[2].sqlscale, num);
        std::memcpy(&row.dbl, v[3].sqldata, 8);
        std::tm tm{};
        auto* ts = reinterpret_cast<ISC_TIMESTAMP*>(v[4].sqldata);
        isc_decode_timestamp(ts, &tm);
        row.year = tm.tm_year + 1900;
        row.month = tm.tm_mon + 1;
        row.day = tm.tm_mday;
        row.hour = tm.tm_hour;
        row.minute = tm.tm_min;
        row.second = tm.tm_sec;
        row.fraction = static_cast<uint64_t>(ts->timestamp_time % 10000) * 100000;
        auto* varying = reinterpret_cast<PARAMVARY*>(v[5].sqldata);
        row.name = reinterpret_cast<char*>(varying->vary_string);
        row.name_length = varying->vary_length;
        std::tm date{};
        isc_decode_sql_date(reinterpret_cast<ISC_DATE*>(v[6].sqldata), &date);
        row.d_year = date.tm_year + 1900;
        row.d_month = date.tm_mon + 1;
        row.d_day = date.tm_mday;
        fold_row(sum, row);
    }
    out.sum = sum.h;
    check(status, "fetch");
    isc_dsql_free_statement(status, &stmt, DSQL_drop);
    session.commit();
    std::free(sqlda);
    return out;
}

// Reads every page of a table once through the engine.
void client_scan(const Database& database, const char* table)
{
    ClientSession session(database);
    ISC_STATUS* status = session.status;
    isc_stmt_handle stmt = 0;
    isc_dsql_allocate_statement(status, &session.db, &stmt);
    check(status, "allocate");
    XSQLDA out{};
    out.version = SQLDA_VERSION1;
    out.sqln = 1;
    const std::string query = std::string("SELECT COUNT(*) FROM ") + table;
    isc_dsql_prepare(status, &session.tr, &stmt, 0, query.c_str(), 3, &out);
    check(status, "prepare");
    int64_t count = 0;
    short null = 0;
    out.sqlvar[0].sqldata = reinterpret_cast<char*>(&count);
    out.sqlvar[0].sqlind = &null;
    isc_dsql_execute2(status, &session.tr, &stmt, SQLDA_VERSION1, nullptr, &out);
    check(status, "count");
    isc_dsql_free_statement(status, &stmt, DSQL_drop);
    session.commit();
}

void client_execute_immediate(const Database& database, const char* sql)
{
    ClientSession session(database, true);
    isc_dsql_execute_immediate(session.status, &session.db, &session.tr, 0, sql, 3, nullptr);
    check(session.status, sql);
    session.commit();
}

// The values of inserted row i, generated the same way for the limit and
// the driver.
struct InsertRow {
    int32_t id;
    int64_t i64;
    int64_t num_units;  // whole units: NUMERIC(18,4) holds num_units * 10000
    double dbl;
    std::tm ts;
    char name[48];
    size_t name_length;
    std::tm d;
};

void make_insert_row(long i, InsertRow& row)
{
    row.id = static_cast<int32_t>(i);
    row.i64 = static_cast<int64_t>(i) * 1000003;
    row.num_units = i % 100000;
    row.dbl = static_cast<double>(i) / 3.0;
    row.ts = std::tm{};
    row.ts.tm_year = 120;
    row.ts.tm_mon = static_cast<int>(i % 12);
    row.ts.tm_mday = 1 + static_cast<int>(i % 28);
    row.ts.tm_hour = static_cast<int>(i % 24);
    row.ts.tm_min = static_cast<int>(i % 60);
    row.ts.tm_sec = static_cast<int>((i / 60) % 60);
    row.name_length = static_cast<size_t>(std::snprintf(row.name, sizeof row.name, "row %ld", i));
    row.d = std::tm{};
    row.d.tm_year = 100 + static_cast<int>(i % 30);
    row.d.tm_mon = static_cast<int>(i % 12);
    row.d.tm_mday = 1 + static_cast<int>(i % 28);
}

// One prepared INSERT executed once per row, one transaction.
void client_insert(const Database& database, long rows)
{
    ClientSession session(database, true);
    ISC_STATUS* status = session.status;
    isc_stmt_handle stmt = 0;
    isc_dsql_allocate_statement(status, &session.db, &stmt);
    check(status, "allocate");
    auto* in = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(bench_columns)));
    in->version = SQLDA_VERSION1;
    in->sqln = bench_columns;
    isc_dsql_prepare(status, &session.tr, &stmt, 0, insert_text, 3, nullptr);
    check(status, "prepare");
    isc_dsql_describe_bind(status, &stmt, SQLDA_VERSION1, in);
    check(status, "describe");
    int32_t id;
    int64_t i64, num;
    double dbl;
    ISC_TIMESTAMP ts;
    struct {
        short length;
        char text[160];
    } name;
    ISC_DATE d;
    short not_null = 0;
    void* data[bench_columns] = {&id, &i64, &num, &dbl, &ts, &name, &d};
    for (int i = 0; i < bench_columns; ++i) {
        in->sqlvar[i].sqldata = static_cast<char*>(data[i]);
        in->sqlvar[i].sqlind = &not_null;
    }
    in->sqlvar[5].sqltype = SQL_VARYING | 1;
    InsertRow row;
    for (long i = 1; i <= rows; ++i) {
        make_insert_row(i, row);
        id = row.id;
        i64 = row.i64;
        num = row.num_units * 10000;
        dbl = row.dbl;
        isc_encode_timestamp(&row.ts, &ts);
        name.length = static_cast<short>(row.name_length);
        std::memcpy(name.text, row.name, row.name_length);
        isc_encode_sql_date(&row.d, &d);
        isc_dsql_execute(status, &session.tr, &stmt, SQLDA_VERSION1, in);
        check(status, "insert");
    }
    isc_dsql_free_statement(status, &stmt, DSQL_drop);
    session.commit();
    std::free(in);
}

// ---------------------------------------------------------------------------
// The ODBC side: one table of entry points, taken either from unixODBC or
// from the driver library itself.

struct OdbcApi {
    const char* label;
    void* library = nullptr;
    decltype(&SQLAllocHandle) AllocHandle;
    decltype(&SQLFreeHandle) FreeHandle;
    decltype(&SQLSetEnvAttr) SetEnvAttr;
    decltype(&SQLDriverConnect) DriverConnect;
    decltype(&SQLDisconnect) Disconnect;
    decltype(&SQLSetConnectAttr) SetConnectAttr;
    decltype(&SQLSetStmtAttr) SetStmtAttr;
    decltype(&SQLExecDirect) ExecDirect;
    decltype(&SQLPrepare) Prepare;
    decltype(&SQLExecute) Execute;
    decltype(&SQLBindCol) BindCol;
    decltype(&SQLBindParameter) BindParameter;
    decltype(&SQLFetch) Fetch;
    decltype(&SQLGetData) GetData;
    decltype(&SQLEndTran) EndTran;
    decltype(&SQLGetDiagRec) GetDiagRec;
    bool through_manager;

    template <typename F>
    void bind(F& slot, const char* name)
    {
        slot = reinterpret_cast<F>(dlsym(library, name));
        if (slot == nullptr) fail(std::string(label) + " lacks " + name);
    }

    OdbcApi(const char* label_, const char* path, bool manager) : label(label_), through_manager(manager)
    {
        library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) fail(std::string("cannot load ") + path + ": " + dlerror());
        bind(AllocHandle, "SQLAllocHandle");
        bind(FreeHandle, "SQLFreeHandle");
        bind(SetEnvAttr, "SQLSetEnvAttr");
        bind(DriverConnect, "SQLDriverConnect");
        bind(Disconnect, "SQLDisconnect");
        bind(SetConnectAttr, "SQLSetConnectAttr");
        bind(SetStmtAttr, "SQLSetStmtAttr");
        bind(ExecDirect, "SQLExecDirect");
        bind(Prepare, "SQLPrepare");
        bind(Execute, "SQLExecute");
        bind(BindCol, "SQLBindCol");
        bind(Fetch, "SQLFetch");
        bind(GetData, "SQLGetData");
        bind(EndTran, "SQLEndTran");
        bind(GetDiagRec, "SQLGetDiagRec");
        BindParameter = reinterpret_cast<decltype(BindParameter)>(dlsym(library, "SQLBindParameter"));
    }

    void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* what) const
    {
        if (SQL_SUCCEEDED(rc)) return;
        SQLCHAR state[6] = {}, text[512] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        GetDiagRec(type, handle, 1, state, &native, text, sizeof text, &length);
        fail(std::string(label) + " " + what + ": " + reinterpret_cast<char*>(state) + " " +
             reinterpret_cast<char*>(text));
    }
};

// An open connection with one statement.
struct OdbcSession {
    const OdbcApi& api;
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;

    OdbcSession(const OdbcApi& api_, const Database& database) : api(api_)
    {
        api.AllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        api.SetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        api.AllocHandle(SQL_HANDLE_DBC, env, &dbc);
        std::string in = database.connection_string();
        if (api.through_manager) in = "DRIVER={Tarnwell Firebird ODBC};" + in;
        api.check(api.DriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS, nullptr, 0,
                                    nullptr, SQL_DRIVER_NOPROMPT),
                  SQL_HANDLE_DBC, dbc, "connect");
        api.check(api.AllocHandle(SQL_HANDLE_STMT, dbc, &stmt), SQL_HANDLE_DBC, dbc, "statement");
    }
    ~OdbcSession()
    {
        api.FreeHandle(SQL_HANDLE_STMT, stmt);
        api.Disconnect(dbc);
        api.FreeHandle(SQL_HANDLE_DBC, dbc);
        api.FreeHandle(SQL_HANDLE_ENV, env);
    }
    void check(SQLRETURN rc, const char* what) const { api.check(rc, SQL_HANDLE_STMT, stmt, what); }
    void execute(const char* sql) const
    {
        check(api.ExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS), "execute");
    }
};

constexpr SQLLEN num_size = 24;
constexpr SQLLEN name_size = 164;

// Column-wise arrays for the seven bench columns.
struct BoundRowset {
    SQLULEN n;
    std::vector<SQLINTEGER> id;
    std::vector<SQLBIGINT> i64;
    std::vector<char> num;
    std::vector<double> dbl;
    std::vector<SQL_TIMESTAMP_STRUCT> ts;
    std::vector<char> name;
    std::vector<SQL_DATE_STRUCT> d;
    std::vector<SQLLEN> ind;

    explicit BoundRowset(SQLULEN rows)
        : n(rows), id(rows), i64(rows), num(rows * num_size), dbl(rows), ts(rows), name(rows * name_size),
          d(rows), ind(rows * bench_columns)
    {
    }

    void bind(const OdbcSession& s)
    {
        const OdbcApi& api = s.api;
        s.check(api.BindCol(s.stmt, 1, SQL_C_SLONG, id.data(), 0, &ind[0 * n]), "bind");
        s.check(api.BindCol(s.stmt, 2, SQL_C_SBIGINT, i64.data(), 0, &ind[1 * n]), "bind");
        s.check(api.BindCol(s.stmt, 3, SQL_C_CHAR, num.data(), num_size, &ind[2 * n]), "bind");
        s.check(api.BindCol(s.stmt, 4, SQL_C_DOUBLE, dbl.data(), 0, &ind[3 * n]), "bind");
        s.check(api.BindCol(s.stmt, 5, SQL_C_TYPE_TIMESTAMP, ts.data(), 0, &ind[4 * n]), "bind");
        s.check(api.BindCol(s.stmt, 6, SQL_C_CHAR, name.data(), name_size, &ind[5 * n]), "bind");
        s.check(api.BindCol(s.stmt, 7, SQL_C_TYPE_DATE, d.data(), 0, &ind[6 * n]), "bind");
    }

    void fold(Checksum& sum, SQLULEN r) const
    {
        const SQL_TIMESTAMP_STRUCT& t = ts[r];
        const RowValues row{id[r],
                            i64[r],
                            &num[r * num_size],
                            static_cast<size_t>(ind[2 * n + r]),
                            dbl[r],
                            t.year,
                            t.month,
                            t.day,
                            t.hour,
                            t.minute,
                            t.second,
                            t.fraction,
                            &name[r * name_size],
                            static_cast<size_t>(ind[5 * n + r]),
                            d[r].year,
                            d[r].month,
                            d[r].day};
        fold_row(sum, row);
    }
};

// Patterns A, B and E: every column bound, rowsets of `rowset` rows.
Outcome odbc_bound(const OdbcApi& api, const Database& database, const char* query, SQLULEN rowset)
{
    OdbcSession s(api, database);
    BoundRowset buffers(rowset);
    SQLULEN fetched = 0;
    s.check(api.SetStmtAttr(s.stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rowset), 0), "rowset");
    s.check(api.SetStmtAttr(s.stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), "fetched");
    s.execute(query);
    buffers.bind(s);
    Checksum sum;
    Outcome out;
    SQLRETURN rc;
    while ((rc = api.Fetch(s.stmt)) != SQL_NO_DATA) {
        s.check(rc, "fetch");
        for (SQLULEN r = 0; r < fetched; ++r) {
            ++out.rows;
            buffers.fold(sum, r);
        }
    }
    out.sum = sum.h;
    return out;
}

// Pattern C: SQLFetch, then SQLGetData for every column.
Outcome odbc_get_data(const OdbcApi& api, const Database& database, const char* query)
{
    OdbcSession s(api, database);
    s.execute(query);
    Checksum sum;
    Outcome out;
    SQLINTEGER id;
    SQLBIGINT i64;
    char num[num_size];
    double dbl;
    SQL_TIMESTAMP_STRUCT ts;
    char name[name_size];
    SQL_DATE_STRUCT d;
    SQLLEN ind[bench_columns];
    SQLRETURN rc;
    while ((rc = api.Fetch(s.stmt)) != SQL_NO_DATA) {
        s.check(rc, "fetch");
        ++out.rows;
        s.check(api.GetData(s.stmt, 1, SQL_C_SLONG, &id, 0, &ind[0]), "get");
        s.check(api.GetData(s.stmt, 2, SQL_C_SBIGINT, &i64, 0, &ind[1]), "get");
        s.check(api.GetData(s.stmt, 3, SQL_C_CHAR, num, num_size, &ind[2]), "get");
        s.check(api.GetData(s.stmt, 4, SQL_C_DOUBLE, &dbl, 0, &ind[3]), "get");
        s.check(api.GetData(s.stmt, 5, SQL_C_TYPE_TIMESTAMP, &ts, 0, &ind[4]), "get");
        s.check(api.GetData(s.stmt, 6, SQL_C_CHAR, name, name_size, &ind[5]), "get");
        s.check(api.GetData(s.stmt, 7, SQL_C_TYPE_DATE, &d, 0, &ind[6]), "get");
        const RowValues row{id,      i64,       num,       static_cast<size_t>(ind[2]),
                            dbl,     ts.year,   ts.month,  ts.day,
                            ts.hour, ts.minute, ts.second, ts.fraction,
                            name,    static_cast<size_t>(ind[5]), d.year, d.month, d.day};
        fold_row(sum, row);
    }
    out.sum = sum.h;
    return out;
}

// Pattern D: parameter arrays of 1000 rows, column-wise, one transaction.
void odbc_insert(const OdbcApi& api, const Database& database, long rows)
{
    if (api.BindParameter == nullptr) fail(std::string(api.label) + " lacks SQLBindParameter");
    OdbcSession s(api, database);
    api.check(api.SetConnectAttr(s.dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
              SQL_HANDLE_DBC, s.dbc, "autocommit");
    const SQLULEN n = insert_batch;
    std::vector<SQLINTEGER> id(n);
    std::vector<SQLBIGINT> i64(n), num(n);
    std::vector<double> dbl(n);
    std::vector<SQL_TIMESTAMP_STRUCT> ts(n);
    std::vector<char> name(n * 48);
    std::vector<SQL_DATE_STRUCT> d(n);
    std::vector<SQLLEN> name_length(n);
    SQLULEN processed = 0;
    s.check(api.SetStmtAttr(s.stmt, SQL_ATTR_PARAM_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN),
                            0),
            "bind type");
    s.check(api.SetStmtAttr(s.stmt, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0), "processed");
    s.check(api.Prepare(s.stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(insert_text)), SQL_NTS), "prepare");
    s.check(api.BindParameter(s.stmt, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, id.data(), 0, nullptr),
            "bind");
    s.check(api.BindParameter(s.stmt, 2, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, i64.data(), 0, nullptr),
            "bind");
    s.check(api.BindParameter(s.stmt, 3, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_NUMERIC, 18, 4, num.data(), 0, nullptr),
            "bind");
    s.check(api.BindParameter(s.stmt, 4, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, dbl.data(), 0, nullptr),
            "bind");
    s.check(api.BindParameter(s.stmt, 5, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 24, 4, ts.data(),
                              0, nullptr),
            "bind");
    s.check(api.BindParameter(s.stmt, 6, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 40, 0, name.data(), 48,
                              name_length.data()),
            "bind");
    s.check(api.BindParameter(s.stmt, 7, SQL_PARAM_INPUT, SQL_C_TYPE_DATE, SQL_TYPE_DATE, 10, 0, d.data(), 0, nullptr),
            "bind");
    InsertRow row;
    for (long first = 1; first <= rows; first += static_cast<long>(n)) {
        const SQLULEN batch = std::min<SQLULEN>(n, static_cast<SQLULEN>(rows - first + 1));
        for (SQLULEN k = 0; k < batch; ++k) {
            make_insert_row(first + static_cast<long>(k), row);
            id[k] = row.id;
            i64[k] = row.i64;
            num[k] = row.num_units;
            dbl[k] = row.dbl;
            ts[k] = SQL_TIMESTAMP_STRUCT{static_cast<SQLSMALLINT>(row.ts.tm_year + 1900),
                                         static_cast<SQLUSMALLINT>(row.ts.tm_mon + 1),
                                         static_cast<SQLUSMALLINT>(row.ts.tm_mday),
                                         static_cast<SQLUSMALLINT>(row.ts.tm_hour),
                                         static_cast<SQLUSMALLINT>(row.ts.tm_min),
                                         static_cast<SQLUSMALLINT>(row.ts.tm_sec),
                                         0};
            std::memcpy(&name[k * 48], row.name, row.name_length);
            name_length[k] = static_cast<SQLLEN>(row.name_length);
            d[k] = SQL_DATE_STRUCT{static_cast<SQLSMALLINT>(row.d.tm_year + 1900),
                                   static_cast<SQLUSMALLINT>(row.d.tm_mon + 1),
                                   static_cast<SQLUSMALLINT>(row.d.tm_mday)};
        }
        s.check(api.SetStmtAttr(s.stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(batch), 0), "paramset");
        s.check(api.Execute(s.stmt), "insert");
        if (processed != batch) fail(std::string(api.label) + " insert: processed " + std::to_string(processed));
    }
    api.check(api.EndTran(SQL_HANDLE_DBC, s.dbc, SQL_COMMIT), SQL_HANDLE_DBC, s.dbc, "commit");
}

// ---------------------------------------------------------------------------
// Databases.

void run_isql(const std::string& script_text, const std::string& where)
{
    const std::string script = where + ".sql";
    std::ofstream(script) << script_text;
    const std::string command = "isql-fb -q -i '" + script + "'";
    const int rc = std::system(command.c_str());
    std::remove(script.c_str());
    if (rc != 0) fail("could not create " + where);
}

// The rows of BENCH (and, with `blob`, of BENCHB with its MEMO column of
// about 200 bytes of text).
std::string fill_script(const char* table, long rows, bool blob)
{
    std::string s = std::string("CREATE TABLE ") + table +
                    " (ID INTEGER PRIMARY KEY, I64 BIGINT, NUM NUMERIC(18,4),\n"
                    "  DBL DOUBLE PRECISION, TS TIMESTAMP, NAME VARCHAR(40) CHARACTER SET UTF8, D DATE" +
                    (blob ? ", MEMO BLOB SUB_TYPE TEXT CHARACTER SET UTF8" : "") +
                    ");\n"
                    "SET TERM ^;\n"
                    "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN\n"
                    "  WHILE (I <= " +
                    std::to_string(rows) + ") DO BEGIN\n    INSERT INTO " + table +
                    " VALUES (:I, :I * 1000003, :I / 7.0, :I / 3.0,\n"
                    "      DATEADD(:I SECOND TO TIMESTAMP '2020-01-01 00:00:00.1234'),\n"
                    "      'name ' || :I || ' größe', DATEADD(MOD(:I, 3650) DAY TO DATE '2000-01-01')" +
                    (blob ? ",\n      RPAD('memo ' || :I || ' ', 200, 'abcdefghij ')" : "") +
                    ");\n"
                    "    I = I + 1;\n"
                    "  END\n"
                    "END^\nSET TERM ;^\nCOMMIT;\n";
    return s;
}

void ensure_embedded(const Options& options)
{
    if (std::filesystem::exists(options.db)) return;
    std::printf("creating %s with %ld rows...\n", options.db.c_str(), options.rows);
    std::fflush(stdout);
    std::filesystem::create_directories(std::filesystem::path(options.db).parent_path());
    run_isql("SET NAMES UTF8;\nCREATE DATABASE '" + options.db + "' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;\n" +
                 fill_script("BENCH", options.rows, false),
             options.db);
}

// The server database of case E; its name carries its row count.
Database ensure_server(const Options& options)
{
    const std::string path = options.server_db.substr(0, options.server_db.rfind('.')) + "_" +
                             std::to_string(options.blob_rows) + ".fdb";
    const Database database{"127.0.0.1:" + path, options.password};
    if (std::filesystem::exists(path)) return database;
    std::printf("creating %s with %ld rows on the loopback server...\n", path.c_str(), options.blob_rows);
    std::fflush(stdout);
    run_isql("SET NAMES UTF8;\nCREATE DATABASE '" + database.attach + "' USER 'SYSDBA' PASSWORD '" +
                 options.password + "' DEFAULT CHARACTER SET UTF8;\n" +
                 fill_script("BENCHB", options.blob_rows, true),
             "/tmp/brolix-bench-server");
    return database;
}

// A private unixODBC configuration that registers the built driver.
void register_driver()
{
    char dir_template[] = "/tmp/brolix-bench-XXXXXX";
    const char* dir = mkdtemp(dir_template);
    if (dir == nullptr) fail("mkdtemp");
    const char* threading = std::getenv("BROLIX_BENCH_THREADING");
    std::ofstream(std::string(dir) + "/odbcinst.ini")
        << "[Tarnwell Firebird ODBC]\nDriver = " << driver_path() << "\n"
        << (threading != nullptr ? std::string("Threading = ") + threading + "\n" : std::string());
    std::ofstream(std::string(dir) + "/odbc.ini");
    setenv("ODBCSYSINI", dir, 1);
    setenv("ODBCINI", (std::string(dir) + "/odbc.ini").c_str(), 1);
}

// ---------------------------------------------------------------------------
// Timing and reporting.

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Wall-clock time, and the CPU time of this process (every thread of it:
// the embedded engine's included). On a machine shared with other work the
// CPU time is the steadier measure of the work done in the process; the
// wall-clock time is what counts where a server does part of the work.
struct Timing {
    double wall;
    double cpu;
};

double process_cpu_seconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

template <typename F>
Timing seconds(F&& f)
{
    const double cpu_start = process_cpu_seconds();
    const auto start = std::chrono::steady_clock::now();
    f();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {wall, process_cpu_seconds() - cpu_start};
}

// One measured case: its times, its outcome, and the limit it is held to.
struct Case {
    Case(std::string name_, std::string limit_, std::function<Outcome()> run_)
        : name(std::move(name_)), limit(std::move(limit_)), run(std::move(run_))
    {
    }
    std::string name;
    std::string limit;  // name of the limit case; empty for a limit
    std::function<Outcome()> run;
    std::vector<double> times;      // wall-clock
    std::vector<double> cpu_times;  // this process's CPU
    Outcome outcome;
    std::string error;
};

struct Report {
    bool failed = false;

    void table(std::vector<Case>& cases)
    {
        std::printf("  %-28s %9s %9s  %-12s %-9s\n", "", "wall", "cpu", "ratio wall", "cpu");
        std::map<std::string, const Case*> by_name;
        for (const Case& c : cases) by_name[c.name] = &c;
        for (const Case& c : cases) {
            if (!c.error.empty()) {
                std::printf("  %-28s FAILED: %s\n", c.name.c_str(), c.error.c_str());
                failed = true;
                continue;
            }
            const double t = median(c.times);
            const double cpu = median(c.cpu_times);
            if (c.limit.empty()) {
                std::printf("  %-28s %7.3f s %7.3f s  limit                  rows %ld  sum %016llx\n", c.name.c_str(), t,
                            cpu, c.outcome.rows, static_cast<unsigned long long>(c.outcome.sum));
                continue;
            }
            const Case& limit = *by_name.at(c.limit);
            if (!limit.error.empty()) {
                std::printf("  %-28s %7.3f s %7.3f s  (limit failed)\n", c.name.c_str(), t, cpu);
                failed = true;
                continue;
            }
            const bool same = c.outcome.sum == limit.outcome.sum && c.outcome.rows == limit.outcome.rows;
            std::printf("  %-28s %7.3f s %7.3f s  ratio %6.3f cpu %6.3f  rows %ld  sum %016llx%s\n", c.name.c_str(),
                        t, cpu, t / median(limit.times), cpu / median(limit.cpu_times), c.outcome.rows,
                        static_cast<unsigned long long>(c.outcome.sum), same ? "" : "  CHECKSUM DIFFERS");
            if (!same) failed = true;
        }
    }
};

// Runs every case `runs` times, round-robin, so that a change of load
// touches each case alike.
void measure(std::vector<Case>& cases, int runs)
{
    // One untimed run of the limit first: the engine's first attachment and
    // the file cache are nobody's cost.
    try {
        if (!cases.empty()) cases.front().run();
    } catch (const std::exception& e) {
        cases.front().error = e.what();
    }
    for (int run = 0; run < runs; ++run) {
        for (Case& c : cases) {
            if (!c.error.empty()) continue;
            try {
                const Timing t = seconds([&] { c.outcome = c.run(); });
                c.times.push_back(t.wall);
                c.cpu_times.push_back(t.cpu);
            } catch (const std::exception& e) {
                c.error = e.what();
            }
        }
    }
}

void print_load()
{
    double load[3] = {};
    if (getloadavg(load, 3) == 3) std::printf("load average: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
}

// Peak resident memory of pattern A over the first `rows` rows, measured in
// a child process of its own (this program, run again).
long peak_memory_kb(const char* self, const char* mode, long rows, const Options& options)
{
    const std::string rows_text = std::to_string(rows);
    const pid_t child = fork();
    if (child < 0) fail("fork");
    if (child == 0) {
        execl(self, self, "--memory-child", mode, rows_text.c_str(), "--db", options.db.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (wait4(child, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail(std::string("memory run ") + mode + " " + rows_text + " failed");
    return usage.ru_maxrss;
}

int memory_child(const char* mode, long rows, const Options& options)
{
    const Database database{options.db, ""};
    const std::string query = std::string(select_plain) + " WHERE ID <= " + std::to_string(rows);
    // The embedded engine's page cache grows with the pages read until it
    // reaches its size: a full scan first fills it, whatever the row count,
    // so that what differs is what grows with the rows A delivers.
    client_scan(database, "BENCH");
    if (std::strcmp(mode, "client") == 0) {
        return client_select(database, query.c_str()).rows == rows ? 0 : 1;
    }
    const bool manager = std::strcmp(mode, "unixodbc") == 0;
    const OdbcApi api(mode, manager ? "libodbc.so.2" : driver_path(), manager);
    return odbc_bound(api, database, query.c_str(), 1000).rows == rows ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    unsetenv("ISC_USER");
    unsetenv("ISC_PASSWORD");
    try {
        // A memory child uses its parent's configuration.
        if (argc >= 4 && std::strcmp(argv[1], "--memory-child") == 0) {
            if (argc >= 6) options.db = argv[5];
            return memory_child(argv[2], std::atol(argv[3]), options);
        }
        register_driver();
        for (int i = 1; i + 1 < argc; i += 2) {
            const std::string flag = argv[i];
            const char* value = argv[i + 1];
            if (flag == "--rows") options.rows = std::atol(value);
            else if (flag == "--insert-rows") options.insert_rows = std::atol(value);
            else if (flag == "--blob-rows") options.blob_rows = std::atol(value);
            else if (flag == "--runs") options.runs = std::max(1, std::atoi(value));
            else if (flag == "--patterns") options.patterns = value;
            else if (flag == "--db") options.db = value;
            else if (flag == "--server-db") options.server_db = value;
            else if (flag == "--password") options.password = value;
            else if (flag == "--through") options.through = value;
            else {
                std::fprintf(stderr, "unknown option %s\n", argv[i]);
                return 2;
            }
        }
        if (argc % 2 == 0) {
            std::fprintf(stderr, "option %s needs a value\n", argv[argc - 1]);
            return 2;
        }
        auto wants = [&](char pattern) { return options.patterns.find(pattern) != std::string::npos; };
        // A database named by --db holds the rows it was made with.
        const std::string db_stem = options.db.substr(0, options.db.rfind('.'));
        if (options.db == Options{}.db) options.db = db_stem + "_" + std::to_string(options.rows) + ".fdb";
        const Database embedded{options.db, ""};
        if (wants('A') || wants('B') || wants('C') || wants('D') || wants('M')) ensure_embedded(options);

        const OdbcApi manager("unixODBC", "libodbc.so.2", true);
        const OdbcApi direct("direct", driver_path(), false);
        std::vector<const OdbcApi*> apis;
        if (options.through != "direct") apis.push_back(&manager);
        if (options.through != "unixodbc") apis.push_back(&direct);
        Report report;
        std::printf("brolix_bench: %ld rows (A-C, M), %ld inserted (D), %ld with BLOBs (E), median of %d runs\n",
                    options.rows, options.insert_rows, options.blob_rows, options.runs);

        if (wants('A') || wants('B') || wants('C')) {
            std::vector<Case> cases;
            cases.push_back({"limit: client loop", "", [&] { return client_select(embedded, select_plain); }});
            for (char pattern : {'A', 'B', 'C'}) {
                if (!wants(pattern)) continue;
                for (const OdbcApi* api : apis) {
                    std::string name = std::string(1, pattern) + " " + api->label;
                    std::function<Outcome()> run;
                    if (pattern == 'A') run = [api, &embedded] { return odbc_bound(*api, embedded, select_plain, 1000); };
                    if (pattern == 'B') run = [api, &embedded] { return odbc_bound(*api, embedded, select_plain, 1); };
                    if (pattern == 'C') run = [api, &embedded] { return odbc_get_data(*api, embedded, select_plain); };
                    cases.push_back({name, "limit: client loop", run});
                }
            }
            print_load();
            std::printf("A bound rowsets of 1000, B rowset of 1, C SQLGetData per column (embedded):\n");
            measure(cases, options.runs);
            report.table(cases);
            print_load();
        }

        if (wants('D')) {
            // Each run starts from an empty table; the rows are read back
            // with the client loop, outside the timing, for the checksum.
            std::vector<Case> cases;
            auto read_back = [&] { return client_select(embedded, select_inserted); };
            cases.push_back({"limit: execute per row", "", nullptr});
            for (const OdbcApi* api : apis)
                cases.push_back({std::string("D ") + api->label, "limit: execute per row", nullptr});
            std::printf("D insert with parameter arrays of %lu (embedded):\n", static_cast<unsigned long>(insert_batch));
            print_load();
            for (int run = 0; run < options.runs; ++run) {
                for (size_t k = 0; k < cases.size(); ++k) {
                    Case& c = cases[k];
                    if (!c.error.empty()) continue;
                    try {
                        client_execute_immediate(embedded, recreate_inserted);
                        const Timing t = seconds([&] {
                            if (k == 0) client_insert(embedded, options.insert_rows);
                            else odbc_insert(*apis[k - 1], embedded, options.insert_rows);
                        });
                        c.times.push_back(t.wall);
                        c.cpu_times.push_back(t.cpu);
                        c.outcome = read_back();
                    } catch (const std::exception& e) {
                        c.error = e.what();
                    }
                }
            }
            report.table(cases);
            print_load();
        }

        if (wants('E')) {
            const Database server = ensure_server(options);
            std::vector<Case> cases;
            cases.push_back({"limit: client loop, no BLOB", "",
                             [&] { return client_select(server, select_with_blob); }});
            for (const OdbcApi* api : apis)
                cases.push_back({std::string("E ") + api->label, "limit: client loop, no BLOB",
                                 [api, &server] { return odbc_bound(*api, server, select_with_blob, 1000); }});
            std::printf("E bound rowsets of 1000, unread BLOB column (loopback server):\n");
            print_load();
            measure(cases, options.runs);
            report.table(cases);
            print_load();
        }

        if (wants('M')) {
            std::printf("M peak resident memory of A (child process, ru_maxrss):\n");
            const long small = std::min(100000L, options.rows);
            for (const char* mode : {"client", "unixodbc", "direct"}) {
                const long a = peak_memory_kb(argv[0], mode, small, options);
                const long b = peak_memory_kb(argv[0], mode, options.rows, options);
                const bool flat = std::labs(b - a) <= 5 * 1024;
                std::printf("  %-10s %8ld rows %7.1f MB   %8ld rows %7.1f MB   growth %6.1f MB%s\n", mode, small,
                            a / 1024.0, options.rows, b / 1024.0, (b - a) / 1024.0,
                            flat ? "" : "  OVER 5 MB");
                if (!flat && std::strcmp(mode, "client") != 0) report.failed = true;
            }
        }
        return report.failed ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "brolix_bench: %s\n", e.what());
        return 1;
    }
}
