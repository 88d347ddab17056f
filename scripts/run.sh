#!/usr/bin/env bash
# Installs the dependencies, builds the release configuration and starts the desktop program;
# without a display it says so and shows the command-line converter's help instead.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/release/ui/tarnel-audio-converter "$@"
fi
echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): showing tarnel-convert instead."
exec ./build/release/cli/tarnel-convert --help
