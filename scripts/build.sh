#!/usr/bin/env bash
# Configures and builds one build directory.
# Usage: scripts/build.sh [build-dir] [extra cmake arguments...]
# GLOSSA_TARGETS (space-separated) builds only those targets instead of all.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build}"; shift || true
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$dir" "${generator[@]}" -DGLOSSA_WERROR=ON "$@"
else
  cmake -S "$root" -B "$dir" "$@" >/dev/null
fi
targets=()
for t in ${GLOSSA_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
