#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, the fuzz preset; only the fuzz targets and what they
# link) with their seed corpus, and runs each for the given number of seconds from its corpus.
# Fails when any target finds a crash, leak, time-out or memory error; the input that did it is
# written to build/fuzz/findings/. Inputs that reach new code are kept in build/fuzz/found/<x>
# and fed to the next run, so repeated or long campaigns build on each other.
# Usage: scripts/fuzz.sh [seconds per target, default 6] [target names, default all]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-6}
shift || true
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
fi
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target tarnel_fuzzers

out=build/fuzz
seeds=$out/fuzz/seeds
targets=("$@")
if ((${#targets[@]} == 0)); then
  for dir in "$seeds"/*/; do targets+=("$(basename "$dir")"); done
fi
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p "$out/findings" "$out/logs"
failed=()
for t in "${targets[@]}"; do
  mkdir -p "$out/found/$t"
  log=$out/logs/$t.log
  if "$out/fuzz/$t/tarnel_fuzz_$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$out/findings/$t-" \
      "$out/found/$t" "$seeds/$t" >"$log" 2>&1; then
    # The last status line: executions, then edges covered (cov) and features (ft).
    echo "fuzz $t: $(grep -E '^#[0-9]+' "$log" | tail -1)"
  else
    failed+=("$t")
    tail -n 60 "$log"
    echo "fuzz $t: FINDING (full log in $log)"
  fi
done
if ((${#failed[@]})); then
  echo "fuzzing found problems in: ${failed[*]}"
  exit 1
fi
