#!/usr/bin/env bash
# Installs the dependencies, builds with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test; the last lines are CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -j "$(nproc)"
