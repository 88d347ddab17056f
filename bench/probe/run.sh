#!/usr/bin/env bash
# Probing benchmark: installs the peer tools when missing (sox with its format handlers, and
# ffmpeg for ffprobe), builds the optimised benchmark in its own folder and runs it over 200
# generated WAV and MP3 files.
set -euo pipefail
cd "$(dirname "$0")/../.."

missing=()
command -v ffprobe >/dev/null || missing+=(ffmpeg)
command -v soxi >/dev/null || missing+=(sox libsox-fmt-all)
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build=build/bench-probe
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNEL_BUILD_TESTS=OFF \
  -DTARNEL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target tarnel_bench_probe -j2
work="${TMPDIR:-/tmp}/tarnel-probe-bench"
"$build/bench/probe/tarnel_bench_probe" "$work" "${1:-200}"
