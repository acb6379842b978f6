#!/usr/bin/env bash
# Installs every Debian package brolix needs to build, run and test.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive
SYSDBA_PASSWORD="${BROLIX_SYSDBA_PASSWORD:-masterkey}"

if [ "$(id -u)" -ne 0 ]; then
    SUDO=sudo
else
    SUDO=
fi

# The server package asks for a SYSDBA password; answer before it is asked.
echo "firebird3.0-server shared/firebird/sysdba_password/first_install password ${SYSDBA_PASSWORD}" \
    | $SUDO debconf-set-selections

$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends \
    firebird3.0-server firebird3.0-utils firebird-dev libfbclient2 \
    unixodbc unixodbc-dev odbcinst \
    libdfp-dev qt6-base-dev xvfb \
    cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev clang \
    python3-pyodbc libdbd-odbc-perl \
    ca-certificates procps netcat-openbsd
