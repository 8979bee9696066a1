#!/usr/bin/env bash
# The run command: installs what is missing, builds, copies the demo product
# to a scratch folder (once, so the repository stays clean) and starts Glossa
# Desk there. Pass another product directory as the first argument to open it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
# Only the program: the tests, benchmarks and fuzz targets are the test command's.
GLOSSA_TARGETS="glossa-desk" "$root/scripts/build.sh" "$root/build"

product="${1:-$root/demo-scratch}"
if [ $# -eq 0 ] && [ ! -d "$product" ]; then
  cp -r "$root/examples/demo-product" "$product"
  rm -f "$product/README.md" "$product/.gitattributes"
  echo "Copied the demo product to $product"
fi
cd "$product"
exec "$root/build/bin/glossa-desk"
