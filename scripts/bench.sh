#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them; each prints its own table.
# Last, the whole-process start-up under Xvfb (bench/startup-xvfb.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DGLOSSA_BUILD_TESTS=OFF -DGLOSSA_BUILD_BENCH=ON
for b in "$root"/build-release/bin/bench_*; do
  case "$(basename "$b")" in
    bench_makeproduct|bench_emptywindow) continue ;; # helpers of startup-xvfb.sh
  esac
  echo "== $(basename "$b")"
  QT_QPA_PLATFORM=offscreen "$b"
done
echo "== startup-xvfb.sh"
"$root/bench/startup-xvfb.sh"
