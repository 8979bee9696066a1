#!/bin/sh
# Checks what the package installs besides the program: the menu entry and
# the AppStream data as the desktop tools read them, and that the launcher
# starts the program in the folder it is given. Exits 77 (skipped) when the
# validators are not installed.
# Given the built package (packaging/check-packaging.sh build-release/glossa-desk_*.deb,
# as scripts/package.sh does), it then runs Debian's checker, lintian, on it
# and fails on any error or warning, and reads each man page in it with man.
set -eu
dir=$(cd "$(dirname "$0")" && pwd)
package=${1:-}
if [ -n "$package" ] && [ ! -f "$package" ]; then
  echo "$package: no such package"
  exit 1
fi
for tool in desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$tool is not installed: skipped"
    exit 77
  fi
done
desktop-file-validate "$dir/glossa-desk.desktop"
appstreamcli validate --no-net --strict "$dir/io.github.glossadesk.GlossaDesk.metainfo.xml"

# The launcher, next to a stand-in program that reports where it was started.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/bin" "$scratch/product folder/language"
cp "$dir/glossa-desk-open" "$scratch/bin/"
printf '#!/bin/sh\npwd\n' >"$scratch/bin/glossa-desk"
chmod +x "$scratch/bin/glossa-desk"
expect() {
  if [ "$1" != "$2" ]; then
    echo "launcher started in '$1', expected '$2'"
    exit 1
  fi
}
expect "$("$scratch/bin/glossa-desk-open" "$scratch/product folder")" "$scratch/product folder"
expect "$(cd "$scratch/product folder/language" && "$scratch/bin/glossa-desk-open")" "$scratch/product folder/language"
touch "$scratch/product folder/readme.txt"
expect "$("$scratch/bin/glossa-desk-open" "$scratch/product folder/readme.txt")" "$scratch/product folder"
echo "packaging metadata and launcher are fine"
[ -n "$package" ] || exit 0

for tool in lintian man; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$tool is not installed (scripts/setup.sh installs it): the package is not checked"
    exit 1
  fi
done
# Lintian prints every tag it finds; infos are shown but pass.
lintian --fail-on error,warning --display-info "$package"
mkdir "$scratch/package"
dpkg-deb -x "$package" "$scratch/package"
# Each page as "man NAME" finds it once installed; --warnings: what groff
# finds wrong in the page goes to standard error.
pages=0
for page in "$scratch"/package/usr/share/man/man1/*.1.gz; do
  name=$(basename "$page" .1.gz)
  if ! messages=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -M "$scratch/package/usr/share/man" "$name" 2>&1 >/dev/null) \
    || [ -n "$messages" ]; then
    echo "man $name: ${messages:-no page}"
    exit 1
  fi
  pages=$((pages + 1))
done
if [ "$pages" -lt 3 ]; then
  echo "the package holds $pages man pages, not one for each of glossa, glossa-desk and glossa-desk-open"
  exit 1
fi
echo "lintian passes $(basename "$package"), and its man pages read"
