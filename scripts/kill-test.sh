#!/usr/bin/env bash
# The kill test at length: 500 random kill points instead of the 20 of the test command.
# Usage: scripts/kill-test.sh [build-dir] [points]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build}"
points="${2:-500}"
cmake --build "$dir" --target tst_killtest killdriver
# 500 points take far longer than QtTest's five-minute watchdog allows one test function.
QTEST_FUNCTION_TIMEOUT=$((points * 10000)) GLOSSA_KILL_POINTS="$points" GLOSSA_SOURCE_DIR="$root" QT_QPA_PLATFORM=offscreen \
  "$dir/bin/tst_killtest" -maxwarnings 0
