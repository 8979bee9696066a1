#!/usr/bin/env bash
# The test command: installs what is missing, builds, runs every test, then
# builds again with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test once more, and runs each fuzz target on a fixed seed for at most a minute.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"

"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=Debug
ctest --test-dir "$root/build" --output-on-failure --timeout 600

"$root/scripts/build.sh" "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DGLOSSA_SANITIZE=ON -DGLOSSA_BUILD_BENCH=OFF
ASAN_OPTIONS="detect_leaks=0:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  ctest --test-dir "$root/build-sanitize" --output-on-failure --timeout 900

# A short, repeatable run of every fuzz target (clang, libFuzzer, the same
# sanitizers): a fixed seed and a fixed number of inputs, within a time bound.
FUZZ_SEED=1 FUZZ_RUNS=20000 "$root/scripts/fuzz.sh" 60
