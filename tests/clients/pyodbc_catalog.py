"""pyodbc's catalog calls against a copy of the catalog fixture.

pyodbc calls the wide catalog functions and reads every column through
SQLGetData; its Row objects name the columns after the result set.
Run through ctest with the environment of scripts/setup-test-env.sh.
"""
import os
import shutil
import sys

import pyodbc


def main():
    source = os.environ["BROLIX_CATALOG_DATABASE"]
    path = os.path.join(os.environ["BROLIX_TEST_DIR"], "pyodbc-catalog-%d.fdb" % os.getpid())
    shutil.copyfile(source, path)
    try:
        check(path)
    finally:
        os.remove(path)


def check(path):
    connection = pyodbc.connect(
        "DRIVER={Tarnwell Firebird ODBC};DATABASE=%s;UID=SYSDBA;CHARSET=UTF8" % path, autocommit=True)
    cursor = connection.cursor()

    tables = {row.table_name: row.table_type for row in cursor.tables()}
    assert tables["DEPT"] == "TABLE", tables
    assert tables["EMP_VIEW"] == "VIEW", tables
    assert tables["RDB$RELATIONS"] == "SYSTEM TABLE", tables
    assert tables["Таблица"] == "TABLE", tables
    assert tables["O'Brien"] == "TABLE", tables
    assert [r.table_type for r in cursor.tables(tableType="%")] == ["SYSTEM", "TABLE", "VIEW"]

    columns = cursor.columns(table="ALL_TYPES").fetchall()
    assert len(columns) == 17, columns
    by_name = {c.column_name: c for c in columns}
    n92 = by_name["C_N92"]
    assert (n92.type_name, n92.data_type, n92.column_size, n92.decimal_digits) == ("NUMERIC", 2, 9, 2), n92
    assert (by_name["C_INT"].nullable, by_name["C_INT"].is_nullable) == (0, "NO")
    assert by_name["C_TS"].data_type == 93
    assert [c.column_name for c in cursor.columns(table="Таблица")] == ["Колонка"]

    keys = cursor.primaryKeys("DEPT").fetchall()
    assert [(k.column_name, k.key_seq) for k in keys] == [("ID", 1)], keys

    foreign = sorted((f.fkcolumn_name, f.update_rule, f.delete_rule) for f in cursor.foreignKeys(table="DEPT"))
    assert foreign == [("BOSS_DEPT", 3, 3), ("DEPT_ID", 3, 0), ("DEPT_ID", 3, 2)], foreign

    statistics = [(s.index_name, s.non_unique, s.column_name) for s in cursor.statistics("DEPT")]
    assert statistics[0] == (None, None, None), statistics
    assert ("DEPT_NAME", 1, "NAME") in statistics, statistics
    assert len(statistics) == 4, statistics

    procedures = [p.procedure_name for p in cursor.procedures()]
    assert procedures == ["ADD_DEPT", "DEPT_EMPLOYEES", "SET_ACTIVE"], procedures

    types = cursor.getTypeInfo().fetchall()
    assert [t.data_type for t in types][:3] == [-9, -8, -4], types
    assert len(types) == 15
    connection.close()
    print("pyodbc catalog calls: ok")


if __name__ == "__main__":
    sys.exit(main())
