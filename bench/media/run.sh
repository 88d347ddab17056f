#!/usr/bin/env bash
# Codec benchmarks against oggenc, ffmpeg, mpg123 and lame: installs the missing peers, builds the
# release preset (with ccache when present) and runs every comparison in one run.
# Usage: bench/media/run.sh [WORK-FOLDER]; TARNEL_CONVERT=path times another tarnel-convert.
set -euo pipefail
cd "$(dirname "$0")/../.."

missing=()
command -v oggenc >/dev/null || missing+=(vorbis-tools)
command -v ffmpeg >/dev/null || missing+=(ffmpeg)
command -v mpg123 >/dev/null || missing+=(mpg123)
command -v lame >/dev/null || missing+=(lame)
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
cmake --preset release >/dev/null
cmake --build --preset release --target tarnel_media_bench tarnel-convert -j2
program="${TARNEL_CONVERT:-build/release/cli/tarnel-convert}"
build/release/bench/media/tarnel_media_bench "$program" "${1:-${TMPDIR:-/tmp}/tarnel-media-bench}"
