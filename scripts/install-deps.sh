#!/usr/bin/env bash
# Installs every build, test and run-time dependency on Debian 12. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git clang-format clang-tidy ccache
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev libgsf-1-dev libcurl4-openssl-dev
  libogg-dev libvorbis-dev libmp3lame-dev libmpg123-dev
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev
  libsdl2-dev qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  xdg-user-dirs
  librsvg2-bin dpkg-dev appstream desktop-file-utils bash-completion
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
