#!/usr/bin/env bash
# Installs the dependencies, builds with AddressSanitizer and UndefinedBehaviorSanitizer and
# warnings as errors (the ci preset, in build/ci), runs clang-tidy over the program's own code
# (scripts/tidy.sh), runs every test (the fuzz targets replay their seed corpus there), runs
# every libFuzzer target for a few seconds from its corpus (scripts/fuzz.sh), and fails if any
# of them fails; the last lines are CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
# Reuse compiled objects across clones and rebuilds where ccache is installed.
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
fi
cmake --preset ci >/dev/null
cmake --build --preset ci
./scripts/tidy.sh build/ci
fuzzing=0
./scripts/fuzz.sh 6 || fuzzing=$?
ctest --preset ci -j "$(nproc)"
if ((fuzzing)); then
  echo "The fuzz run failed (see above)."
  exit "$fuzzing"
fi
