#!/usr/bin/env bash
# Checks that the window titles reach the window manager exactly as the program
# sets them, with nothing appended ("Warning", not "Warning — Glossa Desk"), on
# a scratch copy of examples/demo-product under an Xvfb of its own:
#   1. glossa-desk itself: its main window's _NET_WM_NAME and WM_NAME;
#   2. glossa-screenshots --titles: the main window, the editor on French, a
#      warning box, the languages overview and Add New Language, opened in one
#      process with the program's application object and asked with xprop.
# Prints a PASS or FAIL line per title; exits 1 when any differs, 77 when Xvfb,
# xprop or xwininfo is missing. A manual check, not part of CTest.
#
# Usage: scripts/check-titles.sh      (binaries from build/bin, or GLOSSA_BUILD_DIR/bin)
# Needs the targets glossa-desk and glossa-screenshots.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${GLOSSA_BUILD_DIR:-$root/build}/bin"
for tool in Xvfb xprop xwininfo; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (x11-utils, xvfb)"; exit 77; }
done
for exe in glossa-desk glossa-screenshots; do
  [ -x "$bin/$exe" ] || { echo "check-titles: $bin/$exe is missing; build it first" >&2; exit 1; }
done

work="$(mktemp -d)"
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 500); do
  [ -s "$work/display" ] && break
  sleep 0.01
done
[ -s "$work/display" ] || { echo "check-titles: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

failed=0
# The title in one property of a window, as xprop prints it: PROPERTY = "title".
title_of() {
  local line
  line="$(xprop -id "$1" -notype "$2" 2>/dev/null || true)"
  case "$line" in
    "$2 = \""*\") line="${line#"$2 = \""}"; printf '%s' "${line%\"}" ;;
    *) printf '(%s)' "$line" ;;
  esac
}

# 1. glossa-desk in the scratch product. The waiting window comes and goes
#    first, so once a window is on screen the check waits a second for the
#    start to settle and then reads every top-level window that is viewable.
cp -r "$root/examples/demo-product" "$work/product"
(cd "$work/product" && exec "$bin/glossa-desk" >"$work/app.log" 2>&1) &
app_pid=$!
viewable() {
  local id
  for id in $(xwininfo -root -children 2>/dev/null | awk '/^ +0x/ { print $1 }'); do
    if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then echo "$id"; fi
  done
  return 0
}
shown=""
for _ in $(seq 1 100); do
  shown="$(viewable)"
  [ -n "$shown" ] && break
  sleep 0.1
done
sleep 1
shown="$(viewable)"
if [ -z "$shown" ]; then
  echo "FAIL glossa-desk: no window came up"
  cat "$work/app.log"
  failed=1
fi
for id in $shown; do
  for property in _NET_WM_NAME WM_NAME; do
    got="$(title_of "$id" "$property")"
    if [ "$got" = "Glossa Desk" ]; then
      echo "PASS glossa-desk window $id $property: \"$got\""
    else
      echo "FAIL glossa-desk window $id $property: \"$got\" (expected \"Glossa Desk\")"
      failed=1
    fi
  done
done
kill "$app_pid" 2>/dev/null || true
wait "$app_pid" 2>/dev/null || true
app_pid=""

# 2. The other windows, opened for real in one process.
"$bin/glossa-screenshots" --titles "$root/examples/demo-product" 2> >(grep -v 'XDG_RUNTIME_DIR' >&2) || failed=1

if [ "$failed" -ne 0 ]; then
  echo "check-titles: FAIL"
  exit 1
fi
echo "check-titles: PASS"
