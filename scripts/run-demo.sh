#!/usr/bin/env bash
# The run command: installs what is missing, builds, copies the demo product
# to a scratch folder (once, so the repository stays clean) and starts Glossa
# Desk there. Pass another product directory as the first argument to open it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
# Only the programs, optimised (Release): the tests, benchmarks and fuzz
# targets, in Debug and with the sanitizers, are the test command's.
GLOSSA_TARGETS="glossa-desk glossa" "$root/scripts/build.sh" "$root/build-release" -DCMAKE_BUILD_TYPE=Release

product="${1:-$root/demo-scratch}"
if [ $# -eq 0 ] && [ ! -d "$product" ]; then
  cp -r "$root/examples/demo-product" "$product"
  rm -f "$product/README.md" "$product/.gitattributes"
  echo "Copied the demo product to $product"
fi
cd "$product"
exec "$root/build-release/bin/glossa-desk"
