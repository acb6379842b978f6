#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine: installs the packages, builds
# brolix, installs the driver into the system library directory and registers
# it with unixODBC as "Tarnwell Firebird ODBC", creates an embedded sample
# database with some data and a data source for it, and queries it through
# unixODBC's isql.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-${ROOT}/build-release}"
SAMPLE_DIR="${BROLIX_SAMPLE_DIR:-/var/tmp/brolix}"
SAMPLE_DB="${SAMPLE_DIR}/sample.fdb"
SAMPLE_DSN=brolix_sample

if [ "${BROLIX_SKIP_INSTALL:-0}" != 1 ]; then
    bash "${ROOT}/scripts/install-packages.sh"
fi

cmake -S "${ROOT}" -B "${BUILD_DIR}" -DCMAKE_BUILD_TYPE=Release \
    -DBROLIX_BUILD_TESTS=OFF -DBROLIX_BUILD_BENCH=OFF
cmake --build "${BUILD_DIR}" -j"$(nproc)"
cmake --install "${BUILD_DIR}"

echo "Drivers registered with unixODBC:"
odbcinst -q -d

# The sample database, opened embedded (no server needed).
mkdir -p "${SAMPLE_DIR}"
if [ ! -f "${SAMPLE_DB}" ]; then
    isql-fb -q <<SQL
CREATE DATABASE '${SAMPLE_DB}' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;
CREATE TABLE BOOKS (
    ID INTEGER NOT NULL PRIMARY KEY,
    TITLE VARCHAR(60) NOT NULL,
    AUTHOR VARCHAR(40),
    PUBLISHED DATE,
    PRICE NUMERIC(9,2));
INSERT INTO BOOKS VALUES (1, 'The Left Hand of Darkness', 'Ursula K. Le Guin', '1969-03-01', 9.99);
INSERT INTO BOOKS VALUES (2, 'Solaris', 'Stanisław Lem', '1961-06-01', 12.50);
INSERT INTO BOOKS VALUES (3, 'Der Process', 'Franz Kafka', '1925-04-26', 7.25);
INSERT INTO BOOKS VALUES (4, 'Ficciones', 'Jorge Luis Borges', '1944-01-01', NULL);
COMMIT;
SQL
fi
odbcinst -i -s -l -r <<INI
[${SAMPLE_DSN}]
Description = brolix sample database (embedded)
Driver = Tarnwell Firebird ODBC
Database = ${SAMPLE_DB}
User = SYSDBA
INI

echo "Querying ${SAMPLE_DSN} through unixODBC:"
echo "SELECT ID, TITLE, AUTHOR, PUBLISHED, PRICE FROM BOOKS ORDER BY ID" | isql -v -b "${SAMPLE_DSN}"
