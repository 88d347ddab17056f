#!/usr/bin/env bash
# Start-up cost of tarnel-convert, as a user at a shell sees it:
#   1. `tarnel-convert --version`                     (target: under 8 ms)
#   2. a WAV->WAV conversion of a 1 s file           (target: under 15 ms)
#   3. the shared libraries a WAV->MP3 job maps      (fewer is better; none for SDL2, libcurl,
#      FFmpeg or libgsf)
# Wall time is given with the CPU time (user + sys) beside it: on a loaded machine the wall time
# says little, the CPU time still does. Uses hyperfine when it is installed, else a plain loop.
#
# Usage: bench/startup/startup.sh [BUILD-DIR] [RUNS]
#   BUILD-DIR  a configured build (default: build/release beside this script's repository)
#   RUNS       runs per measurement (default 50)
# Everything runs with private settings and temporary folders that are removed at the end.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${1:-$here/../../build/release}
runs=${2:-50}
program=$build/cli/tarnel-convert
if [[ ! -x $program ]]; then
    echo "startup.sh: no $program; build the release preset first" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_MUSIC_DIR=$work/music TMPDIR=$work/tmp
mkdir -p "$XDG_CONFIG_HOME" "$XDG_MUSIC_DIR" "$TMPDIR"
unset LD_DEBUG

# A 1 s, 44100 Hz, 16-bit stereo WAV file of noise.
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
source_wav=$work/one.wav
data_bytes=$((44100 * 4))
{
    printf 'RIFF'; le32 $((36 + data_bytes)); printf 'WAVEfmt '; le32 16
    le16 1; le16 2; le32 44100; le32 $((44100 * 4)); le16 4; le16 16
    printf 'data'; le32 $data_bytes
    head -c $data_bytes /dev/urandom
} >"$source_wav"
output=$work/one-wav-conv.wav

# The first run fills in the settings, as the first start of the program does.
"$program" --quiet --format wav "$source_wav"
rm -f "$output"

# measure NAME PREPARE COMMAND...: prints mean and median wall time and mean user + sys.
measure() {
    local name=$1 prepare=$2
    shift 2
    if command -v hyperfine >/dev/null; then
        local json=$work/hyperfine.json
        hyperfine -N --style none --warmup 5 --runs "$runs" --prepare "$prepare" \
            --export-json "$json" -- "$(printf '%q ' "$@")" >/dev/null
        python3 - "$name" "$json" <<'PY'
import json, statistics, sys
r = json.load(open(sys.argv[2]))["results"][0]
t = r["times"]
print(f"{sys.argv[1]:<28} wall mean {r['mean']*1e3:6.2f} ms  median {statistics.median(t)*1e3:6.2f} ms"
      f"  min {min(t)*1e3:6.2f} ms  |  cpu user {r['user']*1e3:5.2f} + sys {r['system']*1e3:5.2f} ms")
PY
    else
        local start end
        TIMEFORMAT="%R %U %S"
        local times
        times=$( { time (for ((i = 0; i < runs; ++i)); do
            eval "$prepare"
            "$@" >/dev/null
        done) ; } 2>&1 )
        read -r wall user sys <<<"$times"
        awk -v n="$runs" -v w="$wall" -v u="$user" -v s="$sys" -v name="$1" 'BEGIN {
            printf "%-28s wall mean %6.2f ms (no hyperfine: includes the loop)  |  cpu user %5.2f + sys %5.2f ms\n",
                   name, w * 1000 / n, u * 1000 / n, s * 1000 / n }'
    fi
}

measure "--version" "true" "$program" --version
measure "WAV->WAV, 1 s file" "rm -f $output" "$program" --quiet --format wav "$source_wav"

# The libraries the dynamic loader maps for one job (the program's own dependencies and every
# module it opens), from its own report.
loaded() {
    LD_DEBUG=files "$@" 2>&1 >/dev/null | sed -n 's/.*file=\([^ ]*\) \[0\];  generating link map.*/\1/p' | sort -u
}
mp3_libraries=$(loaded "$program" --quiet --format mp3 "$source_wav")
rm -f "$work"/one-wav-conv.mp3
wav_count=$(loaded "$program" --quiet --format wav "$source_wav" | wc -l)
rm -f "$output"
version_count=$(loaded "$program" --version | wc -l)
echo "shared libraries mapped      --version $version_count, WAV->WAV $wav_count," \
     "WAV->MP3 $(wc -l <<<"$mp3_libraries") (besides the program, the loader and the vDSO):"
echo "$mp3_libraries" | xargs -n1 basename | paste -sd' ' | fold -s -w 100 | sed 's/^/    /'
