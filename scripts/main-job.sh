#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine: installs the packages, builds
# brolix, installs the driver into the system library directory and registers
# it with unixODBC as "Tarnwell Firebird ODBC", creates an embedded sample
# database with a data source for it, and connects to it through unixODBC.
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
    echo "CREATE DATABASE '${SAMPLE_DB}' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;" | isql-fb -q
fi
odbcinst -i -s -l -r <<INI
[${SAMPLE_DSN}]
Description = brolix sample database (embedded)
Driver = Tarnwell Firebird ODBC
Database = ${SAMPLE_DB}
User = SYSDBA
INI

echo "Connecting to ${SAMPLE_DSN} through unixODBC:"
echo "quit" | isql -v "${SAMPLE_DSN}"
