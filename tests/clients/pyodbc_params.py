"""pyodbc's parameters: execute with a value of every Python type pyodbc
binds, and executemany with fast_executemany off and on, each read back.

pyodbc binds str as SQL_C_WCHAR, bytes as SQL_C_BINARY, Decimal as text or
(fast_executemany) SQL_C_NUMERIC, and asks SQLDescribeParam for the type of
a None. Run through ctest with the environment of scripts/setup-test-env.sh.
"""
import datetime
import decimal
import os
import shutil

import pyodbc

COLUMNS = "ID, I, F, D, S, B, DT, TM, TS"
ROWS = [
    (1, 2 ** 40, 3.25, decimal.Decimal("12345.6789"), "Grüße Ωμέγα Жук 日本 \U0001F600",
     b"\x00\x01\xfe\xff", datetime.date(2024, 3, 15), datetime.time(10, 20, 30),
     datetime.datetime(2024, 3, 15, 10, 20, 30, 500000)),
    (2, -7, -0.5, decimal.Decimal("-0.0001"), "", b"", datetime.date(1858, 11, 17), datetime.time(0, 0, 0),
     datetime.datetime(2000, 1, 1, 0, 0, 0)),
    (3, None, None, None, None, None, None, None, None),
]


def main():
    source = os.environ["BROLIX_CATALOG_DATABASE"]
    path = os.path.join(os.environ["BROLIX_TEST_DIR"], "pyodbc-params-%d.fdb" % os.getpid())
    shutil.copyfile(source, path)
    try:
        check(path)
    finally:
        os.remove(path)


def read_back(cursor):
    rows = cursor.execute("SELECT %s FROM T_PY_PARAMS ORDER BY ID" % COLUMNS).fetchall()
    return [tuple(row) for row in rows]


def check(path):
    connection = pyodbc.connect(
        "DRIVER={Tarnwell Firebird ODBC};DATABASE=%s;UID=SYSDBA;CHARSET=UTF8" % path, autocommit=True)
    cursor = connection.cursor()
    cursor.execute(
        "RECREATE TABLE T_PY_PARAMS (ID INTEGER, I BIGINT, F DOUBLE PRECISION, D NUMERIC(18,4),"
        " S VARCHAR(40) CHARACTER SET UTF8, B BLOB SUB_TYPE BINARY, DT DATE, TM TIME, TS TIMESTAMP)")
    insert = "INSERT INTO T_PY_PARAMS (%s) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)" % COLUMNS

    for row in ROWS:
        cursor.execute(insert, *row)
    got = read_back(cursor)
    assert got == ROWS, got

    # A WHERE clause with parameters of several types finds the first row.
    found = cursor.execute("SELECT ID FROM T_PY_PARAMS WHERE I = ? AND D = ? AND S = ? AND DT = ?",
                           ROWS[0][1], ROWS[0][3], ROWS[0][4], ROWS[0][6]).fetchall()
    assert [tuple(r) for r in found] == [(1,)], found

    cursor.execute("DELETE FROM T_PY_PARAMS")
    cursor.executemany(insert, ROWS)
    got = read_back(cursor)
    assert got == ROWS, got

    # fast_executemany lays out rows from the described sizes: HideVarchar
    # describes the BLOB with 32000 bytes instead of 2 GB.
    fast_connection = pyodbc.connect(
        "DRIVER={Tarnwell Firebird ODBC};DATABASE=%s;UID=SYSDBA;CHARSET=UTF8;HIDEVARCHAR=1" % path,
        autocommit=True)
    fast_cursor = fast_connection.cursor()
    fast_cursor.execute("DELETE FROM T_PY_PARAMS")
    fast_cursor.fast_executemany = True
    fast_cursor.executemany(insert, ROWS)
    got = read_back(cursor)
    assert got == ROWS, got
    fast_connection.close()

    # A procedure's result through a call escape with a parameter.
    cursor.execute("RECREATE PROCEDURE P_PY (X INTEGER) RETURNS (Y INTEGER) AS BEGIN Y = X * 3; SUSPEND; END")
    assert cursor.execute("{call P_PY(?)}", 14).fetchone()[0] == 42

    connection.close()
    print("pyodbc parameters: ok")


if __name__ == "__main__":
    main()
