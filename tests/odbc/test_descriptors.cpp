// Descriptors through the driver manager: the descriptor functions on the
// implicit and explicit descriptors of a statement, and fetching into columns
// bound through an explicit ARD.
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"

namespace {

using namespace odbc_test;

SQLHDESC statement_descriptor(SQLHSTMT s, SQLINTEGER attribute)
{
    SQLHDESC desc = SQL_NULL_HDESC;
    EXPECT_EQ(SQLGetStmtAttr(s, attribute, &desc, 0, nullptr), SQL_SUCCESS);
    return desc;
}

SQLSMALLINT count_of(SQLHDESC desc)
{
    SQLSMALLINT count = -1;
    EXPECT_EQ(SQLGetDescField(desc, 0, SQL_DESC_COUNT, &count, 0, nullptr), SQL_SUCCESS);
    return count;
}

SQLPOINTER data_ptr_of(SQLHDESC desc, SQLSMALLINT record)
{
    SQLPOINTER data = reinterpret_cast<SQLPOINTER>(1);
    EXPECT_EQ(SQLGetDescField(desc, record, SQL_DESC_DATA_PTR, &data, 0, nullptr), SQL_SUCCESS);
    return data;
}

class Descriptors : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(connect_to_test_database(dbc));
    }
    void TearDown() override { SQLDisconnect(dbc); }

    void run(const char* text)
    {
        Stmt s(dbc);
        ASSERT_EQ(SQLExecDirect(s, sql(text), SQL_NTS), SQL_SUCCESS) << text << "\n" << s.diag();
    }

    Env env = odbc3_env();
    Dbc dbc{env};
};

TEST_F(Descriptors, BindingColumnZeroIsRefusedWithoutWritingAnything)
{
    // Bookmarks are not supported: column 0 of a new statement, whose ARD
    // has no records yet, is an invalid index and nothing is written.
    Stmt s(dbc);
    unsigned char bookmark[16];
    std::memset(bookmark, 0x5A, sizeof bookmark);
    SQLLEN ind = 12345;
    EXPECT_EQ(SQLBindCol(s, 0, SQL_C_VARBOOKMARK, bookmark, sizeof bookmark, &ind), SQL_ERROR);
    EXPECT_EQ(state_of(SQL_HANDLE_STMT, s), "07009");
    EXPECT_EQ(ind, 12345);
    for (unsigned char b : bookmark) EXPECT_EQ(b, 0x5A);
    // Unbinding column 0 is refused the same way.
    EXPECT_EQ(SQLBindCol(s, 0, SQL_C_VARBOOKMARK, nullptr, 0, nullptr), SQL_ERROR);

    // The statement is unharmed and column 1 binds and fetches.
    SQLINTEGER value = 0;
    ASSERT_EQ(SQLExecDirect(s, sql("SELECT 7 FROM RDB$DATABASE"), SQL_NTS), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLBindCol(s, 1, SQL_C_SLONG, &value, 0, &ind), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(value, 7);
}

TEST_F(Descriptors, TheImplementationRowDescriptorOfAPreparedSelect)
{
    run("RECREATE TABLE T_DESC (ID INTEGER NOT NULL, NAME VARCHAR(20))");
    Stmt s(dbc);
    ASSERT_EQ(SQLPrepare(s, sql("SELECT ID, NAME AS A_RATHER_LONG_LABEL FROM T_DESC"), SQL_NTS), SQL_SUCCESS)
        << s.diag();
    SQLHDESC ird = statement_descriptor(s, SQL_ATTR_IMP_ROW_DESC);
    EXPECT_EQ(count_of(ird), 2);

    // SQLGetDescField answers 0 for SQL_DESC_NULLABLE; SQLColAttribute and
    // SQLGetDescRec tell the column's real nullability.
    for (SQLSMALLINT column : {1, 2}) {
        SCOPED_TRACE(column);
        SQLSMALLINT nullable = -1;
        SQLINTEGER length = 0;
        ASSERT_EQ(SQLGetDescField(ird, column, SQL_DESC_NULLABLE, &nullable, 0, &length), SQL_SUCCESS);
        EXPECT_EQ(nullable, 0);
        EXPECT_EQ(length, 2);
        SQLLEN attribute = -1;
        ASSERT_EQ(SQLColAttribute(s, column, SQL_DESC_NULLABLE, nullptr, 0, nullptr, &attribute), SQL_SUCCESS);
        EXPECT_EQ(attribute, column == 1 ? SQL_NO_NULLS : SQL_NULLABLE);
    }

    // SQLGetDescRec: the label is the name, cut within the buffer with 01004.
    SQLCHAR name[8];
    SQLSMALLINT name_length = 0, type = 0, sub_type = -1, precision = -1, scale = -1, nullable = -1;
    SQLLEN octets = 0;
    EXPECT_EQ(SQLGetDescRec(ird, 2, name, sizeof name, &name_length, &type, &sub_type, &octets, &precision,
                            &scale, &nullable),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(state_of(SQL_HANDLE_DESC, ird), "01004");
    EXPECT_STREQ(reinterpret_cast<char*>(name), "A_RATHE");
    EXPECT_EQ(name_length, 19);
    EXPECT_EQ(type, SQL_WVARCHAR);
    EXPECT_EQ(sub_type, 0);
    SQLLEN described = 0;
    SQLColAttribute(s, 2, SQL_DESC_OCTET_LENGTH, nullptr, 0, nullptr, &described);
    EXPECT_EQ(octets, described);
    EXPECT_EQ(nullable, SQL_NULLABLE);
    SQLCHAR whole[32];
    EXPECT_EQ(SQLGetDescRec(ird, 2, whole, sizeof whole, &name_length, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr),
              SQL_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<char*>(whole), "A_RATHER_LONG_LABEL");
    // The wide form counts characters.
    SQLWCHAR wide[5];
    EXPECT_EQ(SQLGetDescRecW(ird, 2, wide, 5, &name_length, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(wide)), u"A_RA");
    EXPECT_EQ(name_length, 19);
    EXPECT_EQ(SQLGetDescRec(ird, 3, whole, sizeof whole, &name_length, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr),
              SQL_NO_DATA);

    // The IRD is the driver's description: SQLSetDescRec is refused, and so
    // is SQLSetDescField of a record field, while the status pointers the
    // application may set there are taken.
    SQLINTEGER id = 0;
    EXPECT_EQ(SQLSetDescRec(ird, 1, SQL_C_SLONG, 0, 4, 0, 0, &id, nullptr, nullptr), SQL_ERROR);
    EXPECT_EQ(state_of(SQL_HANDLE_DESC, ird), "HY016");
    EXPECT_EQ(SQLSetDescField(ird, 1, SQL_DESC_TYPE, reinterpret_cast<SQLPOINTER>(SQL_C_CHAR), 0), SQL_ERROR);
    EXPECT_EQ(state_of(SQL_HANDLE_DESC, ird), "HY016");
    SQLUSMALLINT status[1];
    EXPECT_EQ(SQLSetDescField(ird, 0, SQL_DESC_ARRAY_STATUS_PTR, status, 0), SQL_SUCCESS) << state_of(SQL_HANDLE_DESC, ird);
    SQLPOINTER through_attribute = nullptr;
    ASSERT_EQ(SQLGetStmtAttr(s, SQL_ATTR_ROW_STATUS_PTR, &through_attribute, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(through_attribute, status);
    SQLSMALLINT concise = 0;
    ASSERT_EQ(SQLGetDescField(ird, 1, SQL_DESC_CONCISE_TYPE, &concise, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(concise, SQL_INTEGER) << "the refused calls changed nothing";
}

TEST_F(Descriptors, RecordsOfAnApplicationRowDescriptor)
{
    Stmt s(dbc);
    SQLHDESC ard = statement_descriptor(s, SQL_ATTR_APP_ROW_DESC);

    // Setting a field of record 5 of an empty ARD creates records 0 to 5.
    ASSERT_EQ(count_of(ard), 0);
    ASSERT_EQ(SQLSetDescField(ard, 5, SQL_DESC_TYPE, reinterpret_cast<SQLPOINTER>(SQL_C_LONG), 0), SQL_SUCCESS)
        << state_of(SQL_HANDLE_DESC, ard);
    EXPECT_EQ(count_of(ard), 5);
    SQLSMALLINT concise = 0;
    EXPECT_EQ(SQLGetDescField(ard, 5, SQL_DESC_CONCISE_TYPE, &concise, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(concise, SQL_C_LONG);

    // SQL_DESC_CONCISE_TYPE and SQL_DESC_TYPE set each other and the
    // interval code.
    struct Coupling {
        SQLSMALLINT field, value;
        SQLSMALLINT concise, type, code;
    };
    const Coupling couplings[] = {
        {SQL_DESC_CONCISE_TYPE, SQL_C_TYPE_DATE, SQL_C_TYPE_DATE, SQL_DATETIME, SQL_CODE_DATE},
        {SQL_DESC_CONCISE_TYPE, SQL_C_TIMESTAMP, SQL_C_TIMESTAMP, SQL_DATETIME, SQL_CODE_TIMESTAMP},
        {SQL_DESC_CONCISE_TYPE, SQL_C_SBIGINT, SQL_C_SBIGINT, SQL_C_SBIGINT, 0},
        {SQL_DESC_DATETIME_INTERVAL_CODE, SQL_CODE_TIME, SQL_C_SBIGINT, SQL_C_SBIGINT, SQL_CODE_TIME},
        {SQL_DESC_TYPE, SQL_DATETIME, SQL_C_TYPE_TIME, SQL_DATETIME, SQL_CODE_TIME},
        {SQL_DESC_TYPE, SQL_C_CHAR, SQL_C_CHAR, SQL_C_CHAR, 0},
    };
    for (const Coupling& c : couplings) {
        SCOPED_TRACE(std::to_string(c.field) + "=" + std::to_string(c.value));
        ASSERT_EQ(SQLSetDescField(ard, 1, c.field, reinterpret_cast<SQLPOINTER>(static_cast<SQLLEN>(c.value)), 0),
                  SQL_SUCCESS);
        SQLSMALLINT type = 0, code = -1;
        SQLGetDescField(ard, 1, SQL_DESC_CONCISE_TYPE, &concise, 0, nullptr);
        SQLGetDescField(ard, 1, SQL_DESC_TYPE, &type, 0, nullptr);
        SQLGetDescField(ard, 1, SQL_DESC_DATETIME_INTERVAL_CODE, &code, 0, nullptr);
        EXPECT_EQ(concise, c.concise);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(code, c.code);
    }

    // A field that is not the application's to set is refused with HY091,
    // and the record is unbound all the same; the pointer fields keep the
    // binding.
    SQLINTEGER value = 0;
    SQLLEN ind = 0;
    ASSERT_EQ(SQLBindCol(s, 2, SQL_C_SLONG, &value, 0, &ind), SQL_SUCCESS);
    EXPECT_EQ(SQLSetDescField(ard, 2, SQL_DESC_INDICATOR_PTR, &ind, 0), SQL_SUCCESS);
    EXPECT_EQ(data_ptr_of(ard, 2), &value);
    char name[] = "N";
    EXPECT_EQ(SQLSetDescField(ard, 2, SQL_DESC_NAME, name, SQL_NTS), SQL_ERROR);
    EXPECT_EQ(state_of(SQL_HANDLE_DESC, ard), "HY091");
    EXPECT_EQ(data_ptr_of(ard, 2), nullptr);
    SQLPOINTER indicator = nullptr;
    SQLGetDescField(ard, 2, SQL_DESC_INDICATOR_PTR, &indicator, 0, nullptr);
    EXPECT_EQ(indicator, &ind);

    // SQL_DESC_COUNT raised is accepted and changes nothing; lowered, it
    // unbinds the records above it.
    EXPECT_EQ(SQLSetDescField(ard, 0, SQL_DESC_COUNT, reinterpret_cast<SQLPOINTER>(9), 0), SQL_SUCCESS);
    EXPECT_EQ(count_of(ard), 5);
    EXPECT_EQ(SQLSetDescField(ard, 0, SQL_DESC_COUNT, reinterpret_cast<SQLPOINTER>(1), 0), SQL_SUCCESS);
    EXPECT_EQ(count_of(ard), 1);
    EXPECT_EQ(SQLGetDescField(ard, 2, SQL_DESC_CONCISE_TYPE, &concise, 0, nullptr), SQL_NO_DATA);

    // Record 0 is the bookmark column, which is not supported.
    EXPECT_EQ(SQLSetDescField(ard, 0, SQL_DESC_CONCISE_TYPE, reinterpret_cast<SQLPOINTER>(SQL_C_LONG), 0),
              SQL_ERROR);
    EXPECT_EQ(state_of(SQL_HANDLE_DESC, ard), "07009");
    EXPECT_EQ(SQLSetDescRec(ard, 0, SQL_C_LONG, 0, 4, 0, 0, &value, nullptr, nullptr), SQL_ERROR);
    EXPECT_EQ(state_of(SQL_HANDLE_DESC, ard), "07009");
    EXPECT_EQ(SQLSetDescField(ard, -1, SQL_DESC_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0), SQL_ERROR);
    EXPECT_EQ(state_of(SQL_HANDLE_DESC, ard), "07009");
}

TEST_F(Descriptors, HeaderFieldsOfEveryKindAtTheirOdbcWidths)
{
    run("RECREATE TABLE T_DESC (ID INTEGER NOT NULL, NAME VARCHAR(20))");
    Stmt s(dbc);
    ASSERT_EQ(SQLPrepare(s, sql("SELECT ID FROM T_DESC"), SQL_NTS), SQL_SUCCESS) << s.diag();
    struct Kind {
        const char* name;
        SQLINTEGER attribute;
        SQLSMALLINT count;
    };
    const Kind kinds[] = {{"ARD", SQL_ATTR_APP_ROW_DESC, 0},
                          {"APD", SQL_ATTR_APP_PARAM_DESC, 0},
                          {"IRD", SQL_ATTR_IMP_ROW_DESC, 1},
                          {"IPD", SQL_ATTR_IMP_PARAM_DESC, 0}};
    struct Field {
        SQLSMALLINT id;
        SQLINTEGER width;
    };
    const Field fields[] = {
        {SQL_DESC_ARRAY_SIZE, 8}, {SQL_DESC_ARRAY_STATUS_PTR, 8}, {SQL_DESC_BIND_OFFSET_PTR, 8},
        {SQL_DESC_BIND_TYPE, 4},  {SQL_DESC_ROWS_PROCESSED_PTR, 8}, {SQL_DESC_COUNT, 2},
        {SQL_DESC_ALLOC_TYPE, 2},
    };
    SQLUSMALLINT status[4];
    SQLULEN processed = 0;
    SQLLEN offset = 0;
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        SQLHDESC desc = statement_descriptor(s, k.attribute);
        const bool ird = k.attribute == SQL_ATTR_IMP_ROW_DESC;
        // Values that need every byte of their width.
        const SQLULEN big = (SQLULEN{1} << 40) + 3;
        if (!ird) {
            ASSERT_EQ(SQLSetDescField(desc, 0, SQL_DESC_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(big), 0),
                      SQL_SUCCESS);
            ASSERT_EQ(SQLSetDescField(desc, 0, SQL_DESC_BIND_OFFSET_PTR, &offset, 0), SQL_SUCCESS);
        }
        ASSERT_EQ(SQLSetDescField(desc, 0, SQL_DESC_ARRAY_STATUS_PTR, status, 0), SQL_SUCCESS);
        ASSERT_EQ(SQLSetDescField(desc, 0, SQL_DESC_ROWS_PROCESSED_PTR, &processed, 0), SQL_SUCCESS);
        for (const Field& f : fields) {
            SCOPED_TRACE(f.id);
            unsigned char out[16];
            std::memset(out, 0xAB, sizeof out);
            SQLINTEGER length = -1;
            ASSERT_EQ(SQLGetDescField(desc, 0, f.id, out, sizeof out, &length), SQL_SUCCESS);
            EXPECT_EQ(length, f.width);
            for (int i = f.width; i < 16; ++i) EXPECT_EQ(out[i], 0xAB) << "byte " << i << " written";
            SQLULEN wide = 0;
            SQLUSMALLINT narrow = 0;
            std::memcpy(f.width == 2 ? static_cast<void*>(&narrow) : static_cast<void*>(&wide), out,
                        static_cast<size_t>(f.width));
            switch (f.id) {
            case SQL_DESC_ARRAY_SIZE: EXPECT_EQ(wide, ird ? 1u : big); break;
            case SQL_DESC_ARRAY_STATUS_PTR: EXPECT_EQ(wide, reinterpret_cast<SQLULEN>(status)); break;
            case SQL_DESC_BIND_OFFSET_PTR: EXPECT_EQ(wide, ird ? 0u : reinterpret_cast<SQLULEN>(&offset)); break;
            case SQL_DESC_ROWS_PROCESSED_PTR: EXPECT_EQ(wide, reinterpret_cast<SQLULEN>(&processed)); break;
            case SQL_DESC_COUNT: EXPECT_EQ(narrow, k.count); break;
            case SQL_DESC_ALLOC_TYPE: EXPECT_EQ(narrow, SQL_DESC_ALLOC_AUTO); break;
            default: break;
            }
        }
        if (!ird) SQLSetDescField(desc, 0, SQL_DESC_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
        SQLSetDescField(desc, 0, SQL_DESC_ARRAY_STATUS_PTR, nullptr, 0);
        SQLSetDescField(desc, 0, SQL_DESC_ROWS_PROCESSED_PTR, nullptr, 0);
    }
    // Of an application's own descriptor, too; its type cannot be changed.
    Handle<SQL_HANDLE_DESC> mine(dbc.get());
    SQLSMALLINT alloc_type = 0;
    SQLULEN array_size = 99;
    ASSERT_EQ(SQLGetDescField(mine, 0, SQL_DESC_ALLOC_TYPE, &alloc_type, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(alloc_type, SQL_DESC_ALLOC_USER);
    ASSERT_EQ(SQLGetDescField(mine, 0, SQL_DESC_ARRAY_SIZE, &array_size, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(array_size, 0u);
}

// The rows of "SELECT ID, NAME FROM T_DESC ORDER BY ID" as one rowset after
// another, whichever way the columns were bound.
struct Rowsets {
    std::vector<std::string> rows;
    std::vector<SQLULEN> counts;
};

constexpr int rowset_size = 2;

struct Buffers {
    SQLINTEGER ids[rowset_size];
    SQLLEN id_ind[rowset_size];
    char names[rowset_size][21];
    SQLLEN name_len[rowset_size];
    SQLLEN name_ind[rowset_size];
    SQLUSMALLINT status[rowset_size];
    SQLULEN fetched;
};

// `lengths` is where the names' lengths go: their own array, or the
// indicators when one pointer serves both.
Rowsets fetch_all(SQLHSTMT s, Buffers& b, const SQLLEN* lengths)
{
    Rowsets out;
    SQLRETURN rc;
    while ((rc = SQLFetch(s)) == SQL_SUCCESS) {
        out.counts.push_back(b.fetched);
        for (SQLULEN i = 0; i < b.fetched; ++i) {
            std::string row = std::to_string(b.ids[i]) + "/" + std::to_string(b.id_ind[i]) + "/" +
                              (b.name_ind[i] == SQL_NULL_DATA
                                   ? std::string("NULL")
                                   : std::string(b.names[i]) + "/" + std::to_string(lengths[i])) +
                              "/" + std::to_string(b.status[i]);
            out.rows.push_back(row);
        }
    }
    EXPECT_EQ(rc, SQL_NO_DATA) << diagnostics(SQL_HANDLE_STMT, s);
    return out;
}

TEST_F(Descriptors, AnExplicitRowDescriptorFetchesAsSQLBindColDoes)
{
    run("RECREATE TABLE T_DESC (ID INTEGER NOT NULL, NAME VARCHAR(20))");
    run("INSERT INTO T_DESC VALUES (1, 'one')");
    run("INSERT INTO T_DESC VALUES (2, NULL)");
    run("INSERT INTO T_DESC VALUES (3, 'three')");
    run("INSERT INTO T_DESC VALUES (4, 'four')");
    run("INSERT INTO T_DESC VALUES (5, 'five')");
    const char* query = "SELECT ID, NAME FROM T_DESC ORDER BY ID";

    // By SQLBindCol and the statement attributes.
    Buffers bound{};
    Rowsets expected;
    {
        Stmt s(dbc);
        ASSERT_EQ(SQLExecDirect(s, sql(query), SQL_NTS), SQL_SUCCESS) << s.diag();
        SQLSetStmtAttr(s, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rowset_size), 0);
        SQLSetStmtAttr(s, SQL_ATTR_ROW_STATUS_PTR, bound.status, 0);
        SQLSetStmtAttr(s, SQL_ATTR_ROWS_FETCHED_PTR, &bound.fetched, 0);
        ASSERT_EQ(SQLBindCol(s, 1, SQL_C_SLONG, bound.ids, 0, bound.id_ind), SQL_SUCCESS);
        ASSERT_EQ(SQLBindCol(s, 2, SQL_C_CHAR, bound.names, 21, bound.name_ind), SQL_SUCCESS);
        // SQLBindCol gives one pointer for length and indicator.
        expected = fetch_all(s, bound, bound.name_ind);
    }
    ASSERT_EQ(expected.rows.size(), 5u);
    EXPECT_EQ(expected.counts, (std::vector<SQLULEN>{2, 2, 1}));

    // By an explicit ARD, its records built by SQLSetDescRec and field by
    // field, its array size set on the descriptor.
    Buffers b{};
    Handle<SQL_HANDLE_DESC> ard(dbc.get());
    ASSERT_NE(ard.get(), nullptr);
    ASSERT_EQ(SQLSetDescRec(ard, 1, SQL_C_SLONG, 0, 4, 0, 0, b.ids, b.id_ind, b.id_ind), SQL_SUCCESS)
        << ard.diag();
    const std::pair<SQLSMALLINT, SQLPOINTER> name_fields[] = {
        {SQL_DESC_CONCISE_TYPE, reinterpret_cast<SQLPOINTER>(SQL_C_CHAR)},
        {SQL_DESC_OCTET_LENGTH, reinterpret_cast<SQLPOINTER>(21)},
        {SQL_DESC_INDICATOR_PTR, b.name_ind},
        {SQL_DESC_OCTET_LENGTH_PTR, b.name_len},
        {SQL_DESC_DATA_PTR, b.names},
    };
    for (const auto& [field, value] : name_fields)
        ASSERT_EQ(SQLSetDescField(ard, 2, field, value, 0), SQL_SUCCESS) << field << " " << ard.diag();
    ASSERT_EQ(SQLSetDescField(ard, 0, SQL_DESC_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rowset_size), 0),
              SQL_SUCCESS);
    Rowsets got;
    {
        Stmt s(dbc);
        ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_APP_ROW_DESC, ard.get(), 0), SQL_SUCCESS) << s.diag();
        SQLHDESC ird = statement_descriptor(s, SQL_ATTR_IMP_ROW_DESC);
        ASSERT_EQ(SQLSetDescField(ird, 0, SQL_DESC_ARRAY_STATUS_PTR, b.status, 0), SQL_SUCCESS);
        ASSERT_EQ(SQLSetDescField(ird, 0, SQL_DESC_ROWS_PROCESSED_PTR, &b.fetched, 0), SQL_SUCCESS);
        ASSERT_EQ(SQLExecDirect(s, sql(query), SQL_NTS), SQL_SUCCESS) << s.diag();
        got = fetch_all(s, b, b.name_len);

        // SQL_UNBIND acts on the descriptor the statement uses.
        EXPECT_EQ(SQLFreeStmt(s, SQL_UNBIND), SQL_SUCCESS);
        EXPECT_EQ(count_of(ard), 0);
    }
    EXPECT_EQ(got.rows, expected.rows);
    EXPECT_EQ(got.counts, expected.counts);
}

TEST_F(Descriptors, FreeingAnExplicitDescriptorInUseReturnsTheStatementToItsOwn)
{
    Stmt s(dbc);
    SQLHDESC implicit = statement_descriptor(s, SQL_ATTR_APP_ROW_DESC);
    SQLINTEGER unused = 0;
    {
        Handle<SQL_HANDLE_DESC> ard(dbc.get());
        ASSERT_EQ(SQLSetDescRec(ard, 1, SQL_C_SLONG, 0, 4, 0, 0, &unused, nullptr, nullptr), SQL_SUCCESS);
        ASSERT_EQ(SQLSetStmtAttr(s, SQL_ATTR_APP_ROW_DESC, ard.get(), 0), SQL_SUCCESS) << s.diag();
    }
    EXPECT_EQ(statement_descriptor(s, SQL_ATTR_APP_ROW_DESC), implicit);
    SQLINTEGER value = 0;
    SQLLEN ind = 0;
    ASSERT_EQ(SQLExecDirect(s, sql("SELECT 11 FROM RDB$DATABASE"), SQL_NTS), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLBindCol(s, 1, SQL_C_SLONG, &value, 0, &ind), SQL_SUCCESS) << s.diag();
    ASSERT_EQ(SQLFetch(s), SQL_SUCCESS) << s.diag();
    EXPECT_EQ(value, 11);
    EXPECT_EQ(unused, 0);
    EXPECT_EQ(count_of(implicit), 1);
}

}  // namespace
