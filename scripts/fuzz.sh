#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz and runs each in turn for a bounded
# time, starting from its seed corpus (fuzz/corpus/<target>). New inputs go to
# build-fuzz/corpus/<target>; an input that breaks something is written to
# build-fuzz/artifacts/<target>/ and the script fails.
# Usage: scripts/fuzz.sh [seconds-per-target] [target...]
# With FUZZ_SEED and FUZZ_RUNS set, each target runs that many inputs from that
# seed (and Qt's hash seed fixed), so a run is the same every time: the test
# command uses this, so that CI never fails on a new find by chance; open-ended
# fuzzing runs without them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_profile fuzz_placeholders fuzz_sync fuzz_checks fuzz_exchange fuzz_glossary)
dir="$root/build-fuzz"

if [ ! -f "$dir/CMakeCache.txt" ]; then
  generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  # Debug keeps Qt's and our assertions; -O1 keeps the fuzzer fast enough.
  CC=clang CXX=clang++ cmake -S "$root" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS=-O1 -DGLOSSA_FUZZ=ON -DGLOSSA_WERROR=ON -DGLOSSA_BUILD_TESTS=OFF -DGLOSSA_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$dir" --parallel "$(nproc)" --target "${targets[@]}"

# Longest input per target: the profile target takes whole language files.
max_len() {
  case "$1" in
    fuzz_profile) echo 16384 ;;
    fuzz_placeholders) echo 512 ;;
    *) echo 2048 ;;
  esac
}

# The targets write and sync many small files: keep them in memory where we can.
scratch_parent="$dir"
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch_parent=/dev/shm
export TMPDIR="$(mktemp -d "$scratch_parent/glossa-fuzz.XXXXXX")"
trap 'rm -rf "$TMPDIR"' EXIT
repeatable=()
if [ -n "${FUZZ_SEED:-}" ] && [ -n "${FUZZ_RUNS:-}" ]; then
  repeatable=(-seed="$FUZZ_SEED" -runs="$FUZZ_RUNS")
  export QT_HASH_SEED=0
fi
for target in "${targets[@]}"; do
  mkdir -p "$dir/corpus/$target" "$dir/artifacts/$target"
  echo "== $target: $seconds s"
  ASAN_OPTIONS="abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "$dir/bin/$target" "${repeatable[@]}" -max_total_time="$seconds" -max_len="$(max_len "$target")" -timeout=30 \
      -print_final_stats=1 -artifact_prefix="$dir/artifacts/$target/" \
      "$dir/corpus/$target" "$root/fuzz/corpus/$target" "$root/fuzz/regressions/$target" 2>&1 |
    grep -Ev '^#[0-9]+\s+(NEW|REDUCE|pulse)' || { echo "fuzz: $target failed; see $dir/artifacts/$target/"; exit 1; }
done
