#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy over the program's own sources (the folders
# of the layers; not tests, bench or fuzz) as a build folder compiles them, and fails on any
# finding. Build that folder first: some sources include headers the build generates.
# Usage: scripts/tidy.sh [build folder, default build/asan] [source files, default all]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/asan}
shift || true
database=$build/compile_commands.json
if [ ! -f "$database" ]; then
  echo "no $database: configure and build $build first" >&2
  exit 2
fi
files=("$@")
if ((${#files[@]} == 0)); then
  own='^(app|cli|engine|filters|framework|platform|settings|ui|update|wma)/.*\.cpp$'
  mapfile -t files < <(grep -o '"file": "[^"]*"' "$database" | sed 's/^"file": "//; s/"$//' |
                       sed "s#^$PWD/##" | grep -E "$own" | sort -u)
fi
# clang-tidy counts the compiler warnings it hides ("N warnings generated."); only findings show.
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>&1 |
  { grep -v '^[0-9]* warnings\? generated\.$' || true; }
echo "clang-tidy: ${#files[@]} files without findings"
