#!/usr/bin/env bash
# MP3 benchmark: installs lame and mpg123 when missing, builds the optimised program and the
# benchmark in their own folder, and runs it (work folder: $TMPDIR/tarnel-mp3-bench).
set -euo pipefail
cd "$(dirname "$0")/../.."

missing=()
command -v lame >/dev/null || missing+=(lame)
command -v mpg123 >/dev/null || missing+=(mpg123)
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build=build/bench-mp3
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNEL_BUILD_TESTS=OFF \
  -DTARNEL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target tarnel_mp3_bench tarnel-convert -j2
"$build/bench/mp3/tarnel_mp3_bench" "$build/cli/tarnel-convert" "${1:-${TMPDIR:-/tmp}/tarnel-mp3-bench}"
