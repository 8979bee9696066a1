#!/bin/sh
# Checks what the package installs besides the program: the menu entry and
# the AppStream data as the desktop tools read them, and that the launcher
# starts the program in the folder it is given. Exits 77 (skipped) when the
# validators are not installed.
set -eu
dir=$(cd "$(dirname "$0")" && pwd)
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
