// Fetch benchmark: the same query read (a) with a plain loop over the
// Firebird client API and (b) through unixODBC and brolix with every column
// bound in column-wise rowsets, both folding every column into a checksum.
// Prints the median of the runs of each, and the ratio (b)/(a); exits 1 when
// the checksums differ.
//
//   brolix_fetch_bench [--rows N] [--runs N] [--rowset N] [--db PATH]
//
// The database is created (embedded) on first use with N rows.
#include <sql.h>
#include <sqlext.h>

#include "firebird_api.h"
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
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char* query = "SELECT ID, I64, NUM, DBL, TS, NAME, D FROM BENCH";

struct Options {
    long rows = 1000000;
    int runs = 5;
    int rowset = 1000;
    std::string db = "/var/tmp/brolix-bench/bench.fdb";
};

// FNV-1a over 64-bit words.
struct Checksum {
    uint64_t h = 1469598103934665603ull;
    void add(uint64_t v) { h = (h ^ v) * 1099511628211ull; }
    void add_bytes(const char* p, size_t n)
    {
        uint64_t word = n;
        add(word);
        for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 1099511628211ull;
    }
};

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what);
}

void check(const ISC_STATUS* status, const char* what)
{
    if (status[0] == 1 && status[1] != 0) {
        char text[512];
        const ISC_STATUS* p = status;
        fb_interpret(text, sizeof text, &p);
        fail(std::string(what) + ": " + text);
    }
}

void create_database(const Options& options)
{
    std::filesystem::create_directories(std::filesystem::path(options.db).parent_path());
    std::string script = options.db + ".sql";
    std::ofstream(script) << "CREATE DATABASE '" << options.db << "' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;\n"
                          << "CREATE TABLE BENCH (ID INTEGER PRIMARY KEY, I64 BIGINT, NUM NUMERIC(18,4),\n"
                          << "  DBL DOUBLE PRECISION, TS TIMESTAMP, NAME VARCHAR(40) CHARACTER SET UTF8, D DATE);\n"
                          << "SET TERM ^;\n"
                          << "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN\n"
                          << "  WHILE (I <= " << options.rows << ") DO BEGIN\n"
                          << "    INSERT INTO BENCH VALUES (:I, :I * 1000003, :I / 7.0, :I / 3.0,\n"
                          << "      DATEADD(:I SECOND TO TIMESTAMP '2020-01-01 00:00:00.1234'),\n"
                          << "      'name ' || :I || ' größe', DATEADD(MOD(:I, 3650) DAY TO DATE '2000-01-01'));\n"
                          << "    I = I + 1;\n"
                          << "  END\n"
                          << "END^\nSET TERM ;^\nCOMMIT;\n";
    std::string command = "isql-fb -q -i '" + script + "'";
    if (std::system(command.c_str()) != 0) fail("could not create " + options.db);
    std::remove(script.c_str());
}

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

void fold_timestamp(Checksum& sum, int year, int month, int day, int hour, int minute, int second,
                    uint64_t fraction)
{
    sum.add(static_cast<uint64_t>(year) * 10000 + month * 100 + day);
    sum.add(static_cast<uint64_t>(hour) * 10000 + minute * 100 + second);
    sum.add(fraction);
}

// (a) The client library alone.
uint64_t run_client(const Options& options, long& rows)
{
    ISC_STATUS_ARRAY status;
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    isc_stmt_handle stmt = 0;
    const char dpb[] = {isc_dpb_version1, isc_dpb_user_name, 6, 'S', 'Y', 'S', 'D', 'B', 'A',
                        isc_dpb_lc_ctype, 4, 'U', 'T', 'F', '8'};
    isc_attach_database(status, 0, options.db.c_str(), &db, sizeof dpb, dpb);
    check(status, "attach");
    static char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version,
                         isc_tpb_wait};
    isc_start_transaction(status, &tr, 1, &db, static_cast<unsigned short>(sizeof tpb), tpb);
    check(status, "start");
    isc_dsql_allocate_statement(status, &db, &stmt);
    check(status, "allocate");
    auto* sqlda = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(7)));
    sqlda->version = SQLDA_VERSION1;
    sqlda->sqln = 7;
    isc_dsql_prepare(status, &tr, &stmt, 0, query, 3, sqlda);
    check(status, "prepare");
    std::vector<std::vector<char>> buffers(7);
    std::vector<short> nulls(7);
    for (int i = 0; i < 7; ++i) {
        XSQLVAR& var = sqlda->sqlvar[i];
        size_t size = var.sqllen + ((var.sqltype & ~1) == SQL_VARYING ? 2 : 0);
        buffers[i].resize(size + 8);
        var.sqldata = buffers[i].data();
        var.sqlind = &nulls[i];
    }
    isc_dsql_execute(status, &tr, &stmt, SQLDA_VERSION1, nullptr);
    check(status, "execute");

    Checksum sum;
    rows = 0;
    char text[48];
    while (isc_dsql_fetch(status, &stmt, SQLDA_VERSION1, sqlda) == 0) {
        ++rows;
        XSQLVAR* v = sqlda->sqlvar;
        sum.add(static_cast<uint64_t>(*reinterpret_cast<int32_t*>(v[0].sqldata)));
        sum.add(static_cast<uint64_t>(*reinterpret_cast<int64_t*>(v[1].sqldata)));
        sum.add_bytes(text, scaled_to_text(*reinterpret_cast<int64_t*>(v[2].sqldata), -v[2].sqlscale, text));
        uint64_t bits;
        std::memcpy(&bits, v[3].sqldata, 8);
        sum.add(bits);
        std::tm tm{};
        auto* ts = reinterpret_cast<ISC_TIMESTAMP*>(v[4].sqldata);
        isc_decode_timestamp(ts, &tm);
        fold_timestamp(sum, tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                       static_cast<uint64_t>(ts->timestamp_time % 10000) * 100000);
        auto* varying = reinterpret_cast<PARAMVARY*>(v[5].sqldata);
        sum.add_bytes(reinterpret_cast<char*>(varying->vary_string), varying->vary_length);
        std::tm date{};
        isc_decode_sql_date(reinterpret_cast<ISC_DATE*>(v[6].sqldata), &date);
        sum.add(static_cast<uint64_t>(date.tm_year + 1900) * 10000 + (date.tm_mon + 1) * 100 + date.tm_mday);
    }
    check(status, "fetch");
    isc_dsql_free_statement(status, &stmt, DSQL_drop);
    isc_commit_transaction(status, &tr);
    isc_detach_database(status, &db);
    std::free(sqlda);
    return sum.h;
}

void check_odbc(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* what)
{
    if (SQL_SUCCEEDED(rc)) return;
    SQLCHAR state[6] = {}, text[512] = {};
    SQLINTEGER native;
    SQLSMALLINT length;
    SQLGetDiagRec(type, handle, 1, state, &native, text, sizeof text, &length);
    fail(std::string(what) + ": " + reinterpret_cast<char*>(state) + " " + reinterpret_cast<char*>(text));
}

// (b) unixODBC and brolix, every column bound, column-wise rowsets.
uint64_t run_odbc(const Options& options, long& rows)
{
    SQLHENV env;
    SQLHDBC dbc;
    SQLHSTMT stmt;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    std::string in = "DRIVER={Tarnwell Firebird ODBC};DATABASE=" + options.db + ";UID=SYSDBA;CHARSET=UTF8";
    check_odbc(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS, nullptr, 0,
                                nullptr, SQL_DRIVER_NOPROMPT),
               SQL_HANDLE_DBC, dbc, "connect");
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);

    const SQLULEN n = static_cast<SQLULEN>(options.rowset);
    std::vector<SQLINTEGER> id(n);
    std::vector<SQLBIGINT> i64(n);
    std::vector<char> num(n * 24);
    std::vector<double> dbl(n);
    std::vector<SQL_TIMESTAMP_STRUCT> ts(n);
    std::vector<char> name(n * 164);
    std::vector<SQL_DATE_STRUCT> d(n);
    std::vector<SQLLEN> ind(n * 7);
    SQLULEN fetched = 0;
    SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(n), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    check_odbc(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(query)), SQL_NTS), SQL_HANDLE_STMT,
               stmt, "execute");
    SQLBindCol(stmt, 1, SQL_C_SLONG, id.data(), 0, &ind[0 * n]);
    SQLBindCol(stmt, 2, SQL_C_SBIGINT, i64.data(), 0, &ind[1 * n]);
    SQLBindCol(stmt, 3, SQL_C_CHAR, num.data(), 24, &ind[2 * n]);
    SQLBindCol(stmt, 4, SQL_C_DOUBLE, dbl.data(), 0, &ind[3 * n]);
    SQLBindCol(stmt, 5, SQL_C_TYPE_TIMESTAMP, ts.data(), 0, &ind[4 * n]);
    SQLBindCol(stmt, 6, SQL_C_CHAR, name.data(), 164, &ind[5 * n]);
    SQLBindCol(stmt, 7, SQL_C_TYPE_DATE, d.data(), 0, &ind[6 * n]);

    Checksum sum;
    rows = 0;
    SQLRETURN rc;
    while ((rc = SQLFetch(stmt)) != SQL_NO_DATA) {
        check_odbc(rc, SQL_HANDLE_STMT, stmt, "fetch");
        for (SQLULEN r = 0; r < fetched; ++r) {
            ++rows;
            sum.add(static_cast<uint64_t>(id[r]));
            sum.add(static_cast<uint64_t>(i64[r]));
            sum.add_bytes(&num[r * 24], static_cast<size_t>(ind[2 * n + r]));
            uint64_t bits;
            std::memcpy(&bits, &dbl[r], 8);
            sum.add(bits);
            const SQL_TIMESTAMP_STRUCT& t = ts[r];
            fold_timestamp(sum, t.year, t.month, t.day, t.hour, t.minute, t.second, t.fraction);
            sum.add_bytes(&name[r * 164], static_cast<size_t>(ind[5 * n + r]));
            sum.add(static_cast<uint64_t>(d[r].year) * 10000 + d[r].month * 100 + d[r].day);
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return sum.h;
}

// A private unixODBC configuration that registers the built driver.
void register_driver()
{
    char dir_template[] = "/tmp/brolix-bench-XXXXXX";
    const char* dir = mkdtemp(dir_template);
    if (dir == nullptr) fail("mkdtemp");
    std::ofstream(std::string(dir) + "/odbcinst.ini")
        << "[Tarnwell Firebird ODBC]\nDriver = " << BROLIX_DRIVER_PATH << "\n";
    std::ofstream(std::string(dir) + "/odbc.ini");
    setenv("ODBCSYSINI", dir, 1);
    setenv("ODBCINI", (std::string(dir) + "/odbc.ini").c_str(), 1);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename F>
double seconds(F&& f)
{
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i];
        if (flag == "--rows") options.rows = std::atol(argv[i + 1]);
        else if (flag == "--runs") options.runs = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--rowset") options.rowset = std::max(1, std::atoi(argv[i + 1]));
        else if (flag == "--db") options.db = argv[i + 1];
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    unsetenv("ISC_USER");
    unsetenv("ISC_PASSWORD");
    try {
        if (!std::filesystem::exists(options.db)) {
            std::printf("creating %s with %ld rows...\n", options.db.c_str(), options.rows);
            create_database(options);
        }
        register_driver();
        std::vector<double> client_times, odbc_times;
        uint64_t client_sum = 0, odbc_sum = 0;
        long client_rows = 0, odbc_rows = 0;
        for (int run = 0; run < options.runs; ++run) {
            client_times.push_back(seconds([&] { client_sum = run_client(options, client_rows); }));
            odbc_times.push_back(seconds([&] { odbc_sum = run_odbc(options, odbc_rows); }));
        }
        double a = median(client_times), b = median(odbc_times);
        std::printf("rows: %ld (client) %ld (odbc), rowset %d, %d runs\n", client_rows, odbc_rows, options.rowset,
                    options.runs);
        std::printf("(a) client API loop:      %.3f s median\n", a);
        std::printf("(b) unixODBC + brolix:    %.3f s median\n", b);
        std::printf("ratio (b)/(a):            %.3f\n", b / a);
        std::printf("checksums: %016llx %016llx\n", static_cast<unsigned long long>(client_sum),
                    static_cast<unsigned long long>(odbc_sum));
        if (client_sum != odbc_sum || client_rows != odbc_rows) {
            std::fprintf(stderr, "checksums differ\n");
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "brolix_fetch_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
