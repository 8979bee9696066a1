#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them; each prints its own table.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DGLOSSA_BUILD_TESTS=OFF
for b in "$root"/build-release/bin/bench_*; do
  echo "== $(basename "$b")"
  QT_QPA_PLATFORM=offscreen "$b"
done
