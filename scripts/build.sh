#!/usr/bin/env bash
# Configures and builds one build directory.
# Usage: scripts/build.sh [build-dir] [extra cmake arguments...]
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
cmake --build "$dir" --parallel "$(nproc)"
