#!/bin/sh
# Opening the editor on 20,000 keys: this build with the side panel in view and
# hidden, beside an earlier build (the panel hidden, as it opened then), run in
# turns so that a slow phase of the machine weighs on each alike. Prints the best
# of each and the ratios. Both programs are bench_editoropening, built in Release
# from the same source (copy bench/bench_editoropening.cpp into the earlier tree).
#
#   bench/editor-opening.sh EARLIER/bench_editoropening THIS/bench_editoropening [ROUNDS]
set -eu
earlier=$1
current=$2
rounds=${3:-5}
best() { awk 'NR == 1 || $1 < m { m = $1 } END { print m }'; }
: > /tmp/opening-earlier.$$
: > /tmp/opening-shown.$$
: > /tmp/opening-hidden.$$
trap 'rm -f /tmp/opening-*.$$' EXIT
i=0
while [ "$i" -lt "$rounds" ]; do
    "$earlier" hidden 3 2>/dev/null >> /tmp/opening-earlier.$$
    "$current" shown 3 2>/dev/null >> /tmp/opening-shown.$$
    "$current" hidden 3 2>/dev/null >> /tmp/opening-hidden.$$
    i=$((i + 1))
done
e=$(best < /tmp/opening-earlier.$$)
s=$(best < /tmp/opening-shown.$$)
h=$(best < /tmp/opening-hidden.$$)
echo "earlier build, panel hidden: $e ms"
echo "this build, panel in view:   $s ms ($(echo "$s $e" | awk '{ printf "%.2f", $1 / $2 }')x the earlier)"
echo "this build, panel hidden:    $h ms ($(echo "$h $e" | awk '{ printf "%.2f", $1 / $2 }')x the earlier)"
