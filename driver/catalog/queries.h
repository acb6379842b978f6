// The SQL texts of the catalog functions and their builders.
//
// Every catalog function answers with one SELECT over the RDB$ system
// tables whose columns already have the names and order of the ODBC result
// set; the values that leave the server raw (type codes, character-set ids,
// rule names, privilege letters) are turned into ODBC values while the rows
// are fetched (row_rewrite.h). The texts come in a narrow form (names cast
// to 33 characters) and a wide one (66, or 65), chosen by the client
// library: one of major version 7 or more is given the wide form.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>

#include "catalog_args.h"
#include "handles.h"

// What the connection contributes to the texts.
struct QueryOptions {
    bool wide = false;            // the client's major version is 7 or more
    bool precision_form = true;   // server major 6 or more and no oldmetadata
    bool with_default = false;    // WithDefault: SQLColumns reads COLUMN_DEF
    bool exec_proc = false;       // ExecProc: procedure output parameters too
    int dialect = 3;
};

QueryOptions query_options(const Connection& connection);

// A composed catalog statement.
struct CatalogQuery {
    std::string text;
    // Runs in the connection's read transaction (all but SQLColumns with
    // WithDefault, whose default-value BLOBs are read in the main one).
    bool read_transaction = true;
    // A name argument exceeded the 255 bytes a name may take: HY090.
    bool too_long = false;
    // SQLTables enumerates the table types (TableType began with '%').
    bool enumerate_types = false;
};

CatalogQuery tables_query(NameArg catalog, NameArg schema, NameArg table, NameArg table_type,
                          const QueryOptions& options);
CatalogQuery columns_query(NameArg schema, NameArg table, NameArg column, const QueryOptions& options);
CatalogQuery column_privileges_query();
CatalogQuery table_privileges_query(NameArg schema, NameArg table, const QueryOptions& options);
CatalogQuery primary_keys_query(NameArg schema, NameArg table, const QueryOptions& options);
CatalogQuery foreign_keys_query(NameArg pk_schema, NameArg pk_table, NameArg fk_schema, NameArg fk_table,
                                const QueryOptions& options);
CatalogQuery statistics_query(NameArg schema, NameArg table, SQLUSMALLINT unique, const QueryOptions& options);
CatalogQuery special_columns_query(SQLUSMALLINT identifier_type, NameArg schema, NameArg table);
CatalogQuery procedures_query(NameArg schema, NameArg procedure, const QueryOptions& options);
CatalogQuery procedure_columns_query(NameArg schema, NameArg procedure, NameArg column,
                                     const QueryOptions& options);
