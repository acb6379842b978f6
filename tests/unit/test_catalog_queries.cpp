// The catalog statements' filter clauses and type lists, without a server:
// what a name argument turns into inside the SQL text.
#include <gtest/gtest.h>

#include <string>

#include "catalog_args.h"
#include "queries.h"
#include "type_info.h"

namespace {

NameArg arg(const char* text, SQLLEN length = SQL_NTS) { return {text, length}; }

constexpr ClauseForm table_clause = {" AND RDB$RELATION_NAME = '%s' ",
                                     " AND RDB$RELATION_NAME LIKE '%s%%' ESCAPE '\\'  "};

TEST(CatalogClauses, NameArgumentsBecomeClauses)
{
    struct Case {
        NameArg value;
        Cleaning cleaning;
        EmptyValue empty;
        const char* clause;
    };
    const Case cases[] = {
        // A pattern keeps the application's '%' and gets one more.
        {arg("EMP%"), Cleaning::quote_folding, EmptyValue::gives_clause,
         " AND RDB$RELATION_NAME LIKE 'EMP%%' ESCAPE '\\'  "},
        {arg("EMP"), Cleaning::quote_folding, EmptyValue::gives_clause, " AND RDB$RELATION_NAME = 'EMP' "},
        {arg("My_Table"), Cleaning::quote_folding, EmptyValue::gives_clause,
         " AND RDB$RELATION_NAME = 'My_Table' "},
        {arg("\"My Table\""), Cleaning::quote_folding, EmptyValue::gives_clause,
         " AND RDB$RELATION_NAME = 'MY TABLE' "},
        {arg("A\\_B"), Cleaning::backslash_removal, EmptyValue::gives_none,
         " AND RDB$RELATION_NAME LIKE 'A_B%' ESCAPE '\\'  "},
        // Quotes are doubled: the value cannot end the literal.
        {arg("O'Brien"), Cleaning::backslash_removal, EmptyValue::gives_none,
         " AND RDB$RELATION_NAME = 'O''Brien' "},
        {arg("x' OR '1'='1"), Cleaning::quote_folding, EmptyValue::gives_clause,
         " AND RDB$RELATION_NAME = 'x'' OR ''1''=''1' "},
        // Lengths: counted, 0, other negatives, and an empty value.
        {arg("EMPLOYEE", 3), Cleaning::quote_folding, EmptyValue::gives_clause, " AND RDB$RELATION_NAME = 'EMP' "},
        {arg("EMP", 0), Cleaning::quote_folding, EmptyValue::gives_clause, ""},
        {arg("EMP", -5), Cleaning::quote_folding, EmptyValue::gives_clause, ""},
        {arg(""), Cleaning::quote_folding, EmptyValue::gives_clause, " AND RDB$RELATION_NAME = '' "},
        {arg(""), Cleaning::backslash_removal, EmptyValue::gives_none, ""},
        {arg(nullptr), Cleaning::quote_folding, EmptyValue::gives_clause, ""},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.clause);
        Clause c = name_clause(k.value, table_clause, k.cleaning, k.empty);
        EXPECT_FALSE(c.too_long);
        EXPECT_EQ(c.text, k.clause);
    }
}

TEST(CatalogClauses, LongValuesAreRefused)
{
    std::string fits(max_name_bytes, 'A');
    std::string too_long(max_name_bytes + 1, 'A');
    EXPECT_FALSE(name_clause(arg(fits.c_str()), table_clause, Cleaning::quote_folding, EmptyValue::gives_clause)
                     .too_long);
    EXPECT_TRUE(name_clause(arg(too_long.c_str()), table_clause, Cleaning::quote_folding, EmptyValue::gives_clause)
                    .too_long);
    QueryOptions options;
    EXPECT_TRUE(columns_query({}, arg(too_long.c_str()), {}, options).too_long);
}

TEST(CatalogClauses, TableTypeLists)
{
    struct Case {
        const char* list;
        bool view, system_table, table;
    };
    const Case cases[] = {
        {"'TABLE','VIEW'", true, false, true},
        {"table", false, false, true},
        {"SYSTEM", false, true, false},
        {"SYSTEM TABLE, VIEW", true, true, false},
        {" \"VIEW\" ", true, false, false},
        {"%", true, true, true},
        {"SYNONYM", false, false, false},
        {"TABLE,", false, false, true},  // an empty token chooses nothing
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.list);
        TableTypes t = parse_table_types(k.list);
        EXPECT_EQ(t.view, k.view);
        EXPECT_EQ(t.system_table, k.system_table);
        EXPECT_EQ(t.table, k.table);
    }
}

TEST(CatalogClauses, ForeignKeyCasesOrderByTheOtherTable)
{
    QueryOptions o;
    auto ends_with = [](const std::string& s, const std::string& tail) {
        return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
    };
    std::string both = foreign_keys_query({}, arg("DEPT"), {}, arg("EMP"), o).text;
    EXPECT_TRUE(ends_with(both, "AND fs.RDB$RELATION_NAME = 'EMP'  AND ps.RDB$RELATION_NAME = 'DEPT' ORDER BY 5, 6, 7"))
        << both;
    std::string pk = foreign_keys_query({}, arg("DEPT"), {}, {}, o).text;
    EXPECT_TRUE(ends_with(pk, " AND ps.RDB$RELATION_NAME = 'DEPT' ORDER BY 5, 6, 7")) << pk;
    std::string fk = foreign_keys_query({}, {}, {}, arg("EMP"), o).text;
    EXPECT_TRUE(ends_with(fk, " AND fs.RDB$RELATION_NAME = 'EMP' ORDER BY 1, 2, 3")) << fk;
}

TEST(CatalogClauses, WideTemplatesWidenTheNames)
{
    QueryOptions narrow, wide;
    wide.wide = true;
    EXPECT_NE(tables_query({}, {}, {}, {}, narrow).text.find("AS VARCHAR( 33 ) ) AS TABLE_NAME"), std::string::npos);
    EXPECT_NE(tables_query({}, {}, {}, {}, wide).text.find("AS VARCHAR( 66 ) ) AS TABLE_NAME"), std::string::npos);
    EXPECT_NE(statistics_query({}, {}, SQL_INDEX_ALL, wide).text.find("AS VARCHAR( 65 ) ) AS INDEX_NAME"),
              std::string::npos);
}

}  // namespace
