#!/usr/bin/env bash
# Prepares what the integration tests use, without touching /etc/odbc*.ini:
#   - a private unixODBC configuration (odbcinst.ini registering the built
#     driver as "Tarnwell Firebird ODBC", odbc.ini with the test data sources),
#   - an embedded test database and a loopback-server test database,
#   - a running Firebird server on 127.0.0.1:3050 with a known SYSDBA password.
# Usage: setup-test-env.sh <driver library> <environment directory> [<setup library>]
# The setup library defaults to libbrolixS.so beside the driver.
# Prints the environment variables to use, as shell assignments.
set -euo pipefail

DRIVER_LIB="$(readlink -f "$1")"
ENV_DIR="$(mkdir -p "$2" && cd "$2" && pwd)"
SETUP_LIB="${3:-$(dirname "${DRIVER_LIB}")/libbrolixS.so}"
SYSDBA_PASSWORD="${BROLIX_SYSDBA_PASSWORD:-masterkey}"
SERVER_DATA_DIR=/var/lib/firebird/3.0/data
# One server database per environment directory, so that several build trees
# can run their suites against the same server side by side.
ENV_TAG="$(printf '%s' "${ENV_DIR}" | md5sum | cut -c1-8)"
SERVER_DB="${SERVER_DATA_DIR}/brolix_test_${ENV_TAG}.fdb"
EMBEDDED_DB="${ENV_DIR}/embedded.fdb"
SECURITY_DB=/var/lib/firebird/3.0/system/security3.fdb

log() { echo "setup-test-env: $*" >&2; }

# Keep the client from inventing a user: tests must pass their own.
unset ISC_USER ISC_PASSWORD

server_port_open() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }

wait_for_port() {  # $1: open|closed
    for _ in $(seq 1 100); do
        if server_port_open; then [ "$1" = open ] && return 0
        else [ "$1" = closed ] && return 0
        fi
        sleep 0.1
    done
    return 1
}

# The SYSDBA password is set embedded, which needs the server stopped.
if ! server_port_open; then
    log "setting the SYSDBA password"
    echo "ALTER USER SYSDBA PASSWORD '${SYSDBA_PASSWORD}';" \
        | isql-fb -q -user SYSDBA "${SECURITY_DB}" >/dev/null
    chown firebird:firebird "${SECURITY_DB}" 2>/dev/null || true
    log "starting the Firebird server"
    /etc/init.d/firebird3.0 start >/dev/null 2>&1 || /usr/sbin/fbguard -daemon -forever
    wait_for_port open || { log "the server did not open port 3050"; exit 1; }
fi

log "creating the test databases"
rm -f "${EMBEDDED_DB}"
echo "CREATE DATABASE '${EMBEDDED_DB}' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;" \
    | isql-fb -q >/dev/null
echo "DROP DATABASE;" | isql-fb -q -user SYSDBA -password "${SYSDBA_PASSWORD}" \
    "127.0.0.1:${SERVER_DB}" >/dev/null 2>&1 || true
echo "CREATE DATABASE '127.0.0.1:${SERVER_DB}' USER 'SYSDBA' PASSWORD '${SYSDBA_PASSWORD}' DEFAULT CHARACTER SET UTF8;" \
    | isql-fb -q >/dev/null

# The catalog fixture, made once; tests work on copies of it.
CATALOG_DB="${ENV_DIR}/catalog.fdb"
CATALOG_SQL="$(cd "$(dirname "$0")/.." && pwd)/tests/odbc/fixtures/catalog.sql"
rm -f "${CATALOG_DB}"
{ echo "SET NAMES UTF8;"
  echo "CREATE DATABASE '${CATALOG_DB}' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;"
  cat "${CATALOG_SQL}"; } | isql-fb -q >/dev/null

log "writing the unixODBC configuration in ${ENV_DIR}"
cat > "${ENV_DIR}/odbcinst.ini" <<INI
[Tarnwell Firebird ODBC]
Description = brolix, ODBC driver for Firebird
Driver = ${DRIVER_LIB}
Setup = ${SETUP_LIB}
INI
cat > "${ENV_DIR}/odbc.ini" <<INI
[brolix_embedded]
Driver = Tarnwell Firebird ODBC
Database = ${EMBEDDED_DB}
User = SYSDBA

[brolix_server]
Driver = Tarnwell Firebird ODBC
Database = 127.0.0.1:${SERVER_DB}
User = SYSDBA
Password = ${SYSDBA_PASSWORD}

[brolix_readonly]
Driver = Tarnwell Firebird ODBC
Database = ${EMBEDDED_DB}
User = SYSDBA
ReadOnly = 1

[brolix_nodb]
Driver = Tarnwell Firebird ODBC
User = SYSDBA
INI
: > "${ENV_DIR}/user-odbc.ini"

cat > "${ENV_DIR}/env.sh" <<ENV
export ODBCSYSINI='${ENV_DIR}'
export ODBCINI='${ENV_DIR}/user-odbc.ini'
export BROLIX_TEST_DIR='${ENV_DIR}'
export BROLIX_CATALOG_DATABASE='${CATALOG_DB}'
export BROLIX_SERVER_DATABASE='127.0.0.1:${SERVER_DB}'
export BROLIX_SYSDBA_PASSWORD='${SYSDBA_PASSWORD}'
export BROLIX_SETUP_LIBRARY='${SETUP_LIB}'
unset ISC_USER ISC_PASSWORD
ENV
cat "${ENV_DIR}/env.sh"
