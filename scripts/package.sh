#!/usr/bin/env bash
# Builds the Debian package: installs what is missing, builds in Release in
# build-release and runs CPack there. The package is
# build-release/glossa-desk_<version>_<arch>.deb; install it with
#   sudo apt install ./build-release/glossa-desk_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build-release" -DCMAKE_BUILD_TYPE=Release -DGLOSSA_BUILD_TESTS=OFF
(cd "$root/build-release" && cpack -G DEB)
ls "$root"/build-release/glossa-desk_*.deb
