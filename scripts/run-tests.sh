#!/usr/bin/env bash
# Sets up everything the tests need on a Debian 12 machine, builds brolix and
# runs the whole test suite.
#   BROLIX_SANITIZE=ON   build and run under AddressSanitizer + UBSan
#   BUILD_DIR=<dir>      build directory (default: build, or build-asan)
#   BROLIX_SKIP_INSTALL=1  do not run apt-get (packages already there)
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SANITIZE="${BROLIX_SANITIZE:-OFF}"
if [ "${SANITIZE}" = ON ]; then
    BUILD_DIR="${BUILD_DIR:-${ROOT}/build-asan}"
else
    BUILD_DIR="${BUILD_DIR:-${ROOT}/build}"
fi

if [ "${BROLIX_SKIP_INSTALL:-0}" != 1 ]; then
    bash "${ROOT}/scripts/install-packages.sh"
fi

cmake -S "${ROOT}" -B "${BUILD_DIR}" -DBROLIX_SANITIZE="${SANITIZE}" -DBROLIX_BUILD_TESTS=ON
cmake --build "${BUILD_DIR}" -j"$(nproc)"

eval "$(bash "${ROOT}/scripts/setup-test-env.sh" "${BUILD_DIR}/driver/libbrolix.so" "${BUILD_DIR}/testenv")"

if [ "${SANITIZE}" = ON ]; then
    # Leak checking stays off: the Firebird client's own threads make
    # LeakSanitizer's stop-the-world scan crash at exit.
    export ASAN_OPTIONS="detect_leaks=0:strict_string_checks=1:detect_stack_use_after_return=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    # Programs that are not built here (unixODBC's isql) load the sanitized
    # driver only with the sanitizer runtimes preloaded.
    export BROLIX_TOOL_PRELOAD="$(gcc -print-file-name=libasan.so) $(gcc -print-file-name=libubsan.so)"
fi

ctest --test-dir "${BUILD_DIR}" --output-on-failure --timeout 600
