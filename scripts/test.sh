#!/usr/bin/env bash
# Installs the dependencies, builds with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test; the last lines are CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
# Reuse compiled objects across clones and rebuilds where ccache is installed.
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
fi
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j "$(nproc)"
