#!/usr/bin/env bash
# Checks by eye that RepaintNow really puts the waiting window on an X display: runs
# waiting_on_screen under Xvfb and, while its thread is blocked and handles no events,
# takes a screenshot of the whole screen from this process.
# Usage: tests/manual/waiting-screenshot.sh [build-dir] [output.png]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
out="$(realpath -m "${2:-$root/docs/waiting-window.png}")"
mkdir -p "$(dirname "$out")"

xvfb-run -a -s "-screen 0 1024x640x24" bash -c '
  set -euo pipefail
  fifo="$(mktemp -u)"; mkfifo "$fifo"
  "$1" 4 >"$fifo" &
  app=$!
  read -r line <"$fifo"
  [ "$line" = ready ] || { echo "waiting_on_screen said: $line" >&2; exit 1; }
  sleep 1   # the app is now blocked; anything on screen was put there before it blocked
  import -window root "$2"
  wait "$app"
  rm -f "$fifo"
' _ "$build/bin/waiting_on_screen" "$out"
echo "screenshot: $out"
