#!/usr/bin/env bash
# Whole-process start-up of glossa-desk on the reference product (20,000
# attributes, all 112 languages), under Xvfb: the time from launching the
# program until its main window is mapped on screen, over several runs; prints
# each run, the best and the median. Beside it the same for bench_emptywindow,
# a Qt program that shows one empty window: the floor of loading Qt and
# connecting to the display, which every Qt program pays.
#
# Rather than polling with a tool per try (each try a process, which on a busy
# machine takes tens of milliseconds and competes with the program), xev
# watches the root window and reports each top-level window as it is mapped;
# the clock is read (bash's EPOCHREALTIME, no process) when that report comes.
#
# Usage: bench/startup-xvfb.sh [runs]      (default 5)
# Needs a Release build in build-release/ (scripts/bench.sh makes one; another
# build directory can be given in GLOSSA_BUILD_DIR), Xvfb, and xev and xprop
# (x11-utils).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${GLOSSA_BUILD_DIR:-$root/build-release}/bin"
runs="${1:-5}"
for tool in Xvfb xev xprop; do
  command -v "$tool" >/dev/null || { echo "startup-xvfb: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
for exe in glossa-desk bench_makeproduct bench_emptywindow; do
  [ -x "$bin/$exe" ] || { echo "startup-xvfb: $bin/$exe is missing; build build-release first" >&2; exit 1; }
done

work="$(mktemp -d)"
xvfb_pid=""
xev_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null || true
  [ -n "$xev_pid" ] && kill "$xev_pid" 2>/dev/null && wait "$xev_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/bench_makeproduct" "$work/product" >/dev/null

# Xvfb picks a free display itself and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 500); do
  [ -s "$work/display" ] && break
  sleep 0.01
done
[ -s "$work/display" ] || { echo "startup-xvfb: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

# Every top-level window mapped on the display, as xev reports it.
mkfifo "$work/events"
xev -root -event substructure >"$work/events" 2>/dev/null &
xev_pid=$!
exec 4<"$work/events"
sleep 0.5 # xev selects the events once it is connected

# The main window is of the normal type; the waiting window, mapped before it
# and titled "Glossa Desk" as well (Qt names an untitled window after the
# application), is a dialog, and usually gone by the time it is asked.
is_main_window() {
  xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_NORMAL
}
micros() { local t="$EPOCHREALTIME"; echo "${t/./}"; }
drain_events() { while read -r -u 4 -t 0.3 _; do :; done; }

# Launches a program in the product directory and sets ms to the time until
# its main window is mapped; the program is then ended.
one_run() {
  local exe="$1" start end="" seen line detail id
  drain_events
  cd "$work/product"
  start=$(micros)
  "$bin/$exe" >"$work/app.log" 2>&1 &
  app_pid=$!
  while read -r -u 4 -t 20 line; do
    case "$line" in
      MapNotify*)
        seen=$(micros)
        read -r -u 4 detail || break
        id="${detail##*window }"
        id="${id%%,*}"
        if is_main_window "$id"; then
          end="$seen"
          break
        fi
        ;;
    esac
  done
  if [ -z "$end" ]; then
    echo "startup-xvfb: the main window of $exe did not come up" >&2
    cat "$work/app.log" >&2
    exit 1
  fi
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
  ms=$(( (end - start + 500) / 1000 ))
}

echo "Whole-process start-up under Xvfb, 20,000 attributes x 112 languages, $runs runs each"
# The two programs take turns, so that a busy spell of the machine weighs on both alike.
desk=()
empty=()
for run in $(seq 1 "$runs"); do
  one_run bench_emptywindow
  empty+=("$ms")
  one_run glossa-desk
  desk+=("$ms")
  echo "  run $run: glossa-desk $ms ms, empty window ${empty[-1]} ms"
done
desk=($(printf '%s\n' "${desk[@]}" | sort -n))
empty=($(printf '%s\n' "${empty[@]}" | sort -n))
median=$(( runs / 2 ))
printf '%-44s best %5d ms   median %5d ms\n' "glossa-desk, launch to main window mapped" "${desk[0]}" "${desk[$median]}"
printf '%-44s best %5d ms   median %5d ms\n' "empty Qt window (bench_emptywindow)" "${empty[0]}" "${empty[$median]}"
printf '%-44s best %5d ms   median %5d ms\n' "what glossa-desk adds" $(( desk[0] - empty[0] )) $(( desk[median] - empty[median] ))
