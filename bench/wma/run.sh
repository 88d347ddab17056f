#!/usr/bin/env bash
# WMA benchmark: installs ffmpeg when missing, builds the optimised program and the benchmark in
# their own folder, and runs it (work folder: $TMPDIR/tarnel-wma-bench).
set -euo pipefail
cd "$(dirname "$0")/../.."

if ! command -v ffmpeg >/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends ffmpeg
fi

build=build/bench-wma
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNEL_BUILD_TESTS=OFF \
  -DTARNEL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target tarnel_wma_bench tarnel-convert -j2
"$build/bench/wma/tarnel_wma_bench" "$build/cli/tarnel-convert" "${1:-${TMPDIR:-/tmp}/tarnel-wma-bench}"
