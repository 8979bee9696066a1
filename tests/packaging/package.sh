#!/usr/bin/env bash
# Builds the Debian package from a build directory into a scratch folder and
# checks what Debian asks of it: the documentation in place, gzipped with
# -9n, the changelog's newest entry for the version packaged, and then
# packaging/check-packaging.sh (lintian, the man pages). Exits 77 (skipped)
# without lintian.
# Usage: package.sh BUILD_DIR SOURCE_DIR VERSION (CPACK: the cpack to run)
build=$1
source_dir=$2
version=$3
if ! command -v lintian >/dev/null 2>&1; then
    echo "lintian is not installed (scripts/setup.sh installs it): skipped"
    exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if ! "${CPACK:-cpack}" -G DEB -B "$scratch/out" --config "$build/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    echo "cpack could not build the package"
    exit 1
fi
package=$(ls "$scratch"/out/glossa-desk_*.deb)
dpkg-deb -x "$package" "$scratch/root"
doc=$scratch/root/usr/share/doc/glossa-desk

failures=0
fail()
{
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The first ten bytes of a gzip file: no file name, no time stamp, best compression.
for file in usr/share/man/man1/glossa.1.gz usr/share/man/man1/glossa-desk.1.gz \
    usr/share/man/man1/glossa-desk-open.1.gz usr/share/doc/glossa-desk/changelog.gz; do
    if [[ ! -f $scratch/root/$file ]]; then
        fail "the package has no /$file"
        continue
    fi
    header=$(od -An -tx1 -N10 "$scratch/root/$file" | tr -s ' ')
    [[ $header == " 1f 8b 08 00 00 00 00 00 02 03" ]] ||
        fail "/$file is not compressed with gzip -9n (header$header)"
done
[[ -f $scratch/root/usr/share/bash-completion/completions/glossa ]] ||
    fail "the package has no bash completion for glossa"
[[ $(head -n 1 "$doc/copyright" 2>/dev/null) == "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ]] ||
    fail "/usr/share/doc/glossa-desk/copyright is not in Debian's machine-readable format"
gunzip -c "$doc/changelog.gz" >"$scratch/changelog" 2>/dev/null
newest=$(dpkg-parsechangelog -l "$scratch/changelog" --show-field Version 2>&1)
[[ $newest == "$version" ]] ||
    fail "the changelog's newest entry is for '$newest', the package for $version: add '## $version (YYYY-MM-DD)' to CHANGELOG.md"

sh "$source_dir/packaging/check-packaging.sh" "$package" || fail "packaging/check-packaging.sh refuses the package"
((failures == 0)) || exit 1
echo "the package is complete and lintian passes it"
