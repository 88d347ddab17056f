#!/usr/bin/env bash
# The file list benchmark: builds the optimised benchmark and runs it over 20,000 generated
# short WAV files (or the count given) on the offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build/bench-ui-views
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNEL_BUILD_TESTS=OFF \
  -DTARNEL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target tarnel_bench_ui_views -j2
work="${TMPDIR:-/tmp}/tarnel-ui-views-bench"
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$build/bench/ui_views/tarnel_bench_ui_views" \
  "$work" "${1:-20000}"
