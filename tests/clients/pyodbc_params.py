"""pyodbc's parameters: execute with a value of every Python type it binds,
and executemany with fast_executemany off (one set per execute) and on (a
row-wise parameter array sized from SQLDescribeParam), each read back equal.
With fast_executemany pyodbc sizes each row by the markers' declared
lengths, 2 GiB for a BLOB, and allocates that for every row: the fast run
leaves the BLOB column out (the driver's side of such rows is a unit test).
Run through ctest with the environment of scripts/setup-test-env.sh.
"""
import datetime
import decimal
import os
import shutil

import pyodbc

COLUMNS = ("I INTEGER, F DOUBLE PRECISION, D NUMERIC(12,3), S VARCHAR(20), B BLOB SUB_TYPE BINARY, "
           "DT DATE, T TIME, TS TIMESTAMP, N INTEGER")
INSERT = "INSERT INTO PY VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"


def row(i):
    return (i, i / 4, decimal.Decimal(i) / 8, "grüße € %d" % i, bytes([0, i, 255]),
            datetime.date(2024, 1, 1 + i), datetime.time(1, 2, i),
            datetime.datetime(2024, 2, 29, 23, 59, i, 500000), None)


def main():
    source = os.environ["BROLIX_CATALOG_DATABASE"]
    path = os.path.join(os.environ["BROLIX_TEST_DIR"], "pyodbc-params-%d.fdb" % os.getpid())
    shutil.copyfile(source, path)
    try:
        check(path)
    finally:
        os.remove(path)


def check(path):
    connection = pyodbc.connect(
        "DRIVER={Tarnwell Firebird ODBC};DATABASE=%s;UID=SYSDBA;CHARSET=UTF8" % path, autocommit=True)
    cursor = connection.cursor()
    cursor.execute("RECREATE TABLE PY (%s)" % COLUMNS)

    cursor.execute(INSERT, *row(7))
    assert tuple(cursor.execute("SELECT * FROM PY").fetchone()) == row(7)

    for fast in (False, True):
        cursor.execute("DELETE FROM PY")
        cursor.fast_executemany = fast
        rows = [row(i) for i in range(20)]
        if fast:
            # pyodbc cuts timestamp fractions to the DecimalDigits that
            # SQLDescribeParam reports for the marker, 0 for TIMESTAMP.
            rows = [r[:4] + (None,) + r[5:7] + (r[7].replace(microsecond=0),) + r[8:] for r in rows]
            cursor.executemany("INSERT INTO PY (I, F, D, S, DT, T, TS, N) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                               [r[:4] + r[5:] for r in rows])
        else:
            cursor.executemany(INSERT, rows)
        back = [tuple(r) for r in cursor.execute("SELECT * FROM PY ORDER BY I").fetchall()]
        assert back == rows, (fast, back[:2], rows[:2])
    connection.close()
    print("pyodbc parameters: ok")


if __name__ == "__main__":
    main()
