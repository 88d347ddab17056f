#!/usr/bin/env bash
# Time from starting tarnel-audio-converter to its first painted main window, with an empty
# session and with a session of 500 entries fully listed (every entry probed and shown).
# Uses the release build; runs under the current display, or under xvfb-run without one.
# Usage: bench/ui/startup.sh [runs]   (default 5; the median is reported)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
gui="$root/build/release/ui/tarnel-audio-converter"
cli="$root/build/release/cli/tarnel-convert"
runs="${1:-5}"
[ -x "$gui" ] && [ -x "$cli" ] || { echo "build the release preset first (cmake --build --preset release)"; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_MUSIC_DIR="$work/music"
export SDL_AUDIODRIVER=dummy LC_ALL=C.UTF-8
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_MUSIC_DIR" "$work/src"

# 500 short WAV files (0.2 s of a tone each) and a session listing them.
python3 - "$work/src" <<'PY'
import math, struct, sys
rate = 22050
frames = [int(6000 * math.sin(2 * math.pi * 440 * i / rate)) for i in range(rate // 5)]
data = struct.pack("<%dh" % len(frames), *frames)
head = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " + struct.pack(
    "<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16) + b"data" + struct.pack("<I", len(data))
for n in range(500):
    with open(f"{sys.argv[1]}/tone{n:03d}.wav", "wb") as f:
        f.write(head + data)
PY
"$cli" --save-session "$work/500.qzconv" "$work/src"/*.wav >/dev/null

run_once() {  # prints milliseconds from start to ready, and the listed entries
  local start out
  start=$(date +%s%3N)
  out=$(TARNEL_UI_REPORT_READY=1 "$gui" "$@" 2>/dev/null | grep '^ready')
  awk -v s="$start" '{ printf "%.0f %d\n", $2 - s, $3 }' <<<"$out"
}

measure() {  # label, then the program's arguments
  local label="$1"; shift
  local times=() entries=0 t e
  for _ in $(seq "$runs"); do
    read -r t e < <(run_once "$@")
    times+=("$t"); entries=$e
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
  printf '%-28s median %5d ms  (runs: %s; entries listed: %d)\n' "$label" "$median" "${times[*]}" "$entries"
}

bench() {
  "$gui" --version >/dev/null 2>&1 || true  # warm the file cache once
  measure "empty session" 
  measure "500-entry session" "$work/500.qzconv"
}

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  bench
else
  export -f bench measure run_once
  export gui runs work
  xvfb-run -a -s "-screen 0 1280x800x24" bash -c bench
fi
