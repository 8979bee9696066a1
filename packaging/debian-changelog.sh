#!/bin/sh
# Writes CHANGELOG.md as a Debian changelog on standard output, the form
# Debian's tools read from a native package's changelog.gz: one entry per
# heading "## VERSION (YYYY-MM-DD)", each item "- " a "  * " line.
# Usage: debian-changelog.sh CHANGELOG.md PACKAGE "NAME <EMAIL>"
set -eu
changelog=$1
package=$2
maintainer=$3
date=""
close_entry() {
  if [ -n "$date" ]; then
    stamp=$(LC_ALL=C date -u -R -d "$date") || exit 1
    printf '\n -- %s  %s\n\n' "$maintainer" "$stamp"
  fi
}
while IFS= read -r line; do
  case $line in
    "## "*)
      close_entry
      heading=${line#"## "}
      version=${heading%% *}
      date=${heading#*\(}
      date=${date%\)}
      case $date in
        [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]) ;;
        *) echo "$changelog: '$line' is not '## VERSION (YYYY-MM-DD)'" >&2; exit 1 ;;
      esac
      printf '%s (%s) unstable; urgency=medium\n\n' "$package" "$version"
      ;;
    "- "*) [ -z "$date" ] || printf '  * %s\n' "${line#"- "}" ;;
    "  "*) [ -z "$date" ] || printf '    %s\n' "${line#"  "}" ;;
  esac
done <"$changelog"
if [ -z "$date" ]; then
  echo "$changelog: no version heading '## VERSION (YYYY-MM-DD)'" >&2
  exit 1
fi
close_entry
