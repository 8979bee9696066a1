#!/usr/bin/env bash
# Builds the Debian package: installs what is missing, builds in Release in
# build-release, runs CPack there and checks the package with
# packaging/check-packaging.sh (lintian: no error, no warning). The package is
# build-release/glossa-desk_<version>_<arch>.deb; install it with
#   sudo apt install ./build-release/glossa-desk_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DGLOSSA_BUILD_TESTS=OFF \
  -DGLOSSA_BUILD_BENCH=OFF
rm -f "$root"/build-release/glossa-desk_*.deb
(cd "$root/build-release" && cpack -G DEB)
package=$(ls "$root"/build-release/glossa-desk_*.deb)
sh "$root/packaging/check-packaging.sh" "$package"
echo "$package"
