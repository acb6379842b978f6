#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine: installs the packages, builds
# brolix, installs the driver into the system library directory and registers
# it with unixODBC, then shows the drivers unixODBC knows.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-${ROOT}/build-release}"

if [ "${BROLIX_SKIP_INSTALL:-0}" != 1 ]; then
    bash "${ROOT}/scripts/install-packages.sh"
fi

cmake -S "${ROOT}" -B "${BUILD_DIR}" -DCMAKE_BUILD_TYPE=Release \
    -DBROLIX_BUILD_TESTS=OFF -DBROLIX_BUILD_BENCH=OFF
cmake --build "${BUILD_DIR}" -j"$(nproc)"
cmake --install "${BUILD_DIR}"

echo "Drivers registered with unixODBC:"
odbcinst -q -d
