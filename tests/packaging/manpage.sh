#!/usr/bin/env bash
# Keeps glossa.1 and the program's --help from drifting apart: every command
# that glossa --help lists has its synopsis line and a section of its own in
# the man page, with each option its "glossa COMMAND --help" lists, its exit
# statuses and an example; every check of the --help table is under CHECKS;
# and the page documents nothing the program does not have.
# Usage: manpage.sh GLOSSA MANPAGE
glossa=$1
page=$2
problems=0
problem()
{
    echo "$page: $*"
    problems=$((problems + 1))
}

help=$("$glossa" --help) || {
    echo "$glossa --help failed"
    exit 1
}

# The commands: the words after "glossa" on the Usage lines, up to the first
# argument or option ("check", or "tm export" for a command of two words).
mapfile -t commands < <(awk '
    /^Usage:/ { usage = 1; next }
    usage && /^$/ { exit }
    usage && /^  glossa / {
        words = ""
        for (i = 2; i <= NF && $i ~ /^[a-z][a-z0-9-]*$/; i++) words = words (words == "" ? "" : " ") $i
        if (words != "") print words
    }' <<<"$help")
mapfile -t checks < <(awk '/^Checks \(for / { on = 1; next } on && /^$/ { exit } on { print $1 }' <<<"$help")
if ((${#commands[@]} == 0 || ${#checks[@]} == 0)); then
    echo "glossa --help lists no commands or no checks: has its layout changed?"
    exit 1
fi

# What the page holds, one "KIND|COMMAND|NAME" a line: "synopsis" for
# each ".B glossa COMMAND" of SYNOPSIS, "section" for each ".SS COMMAND" of
# COMMANDS, "option" for each option named on a tag line (after .TP) of its
# section, "exit" and "example" when the section has its exit statuses (a
# line "Exit status") and an example (an .nf block running "glossa COMMAND"),
# "check" for each check id on a tag line of CHECKS.
page_items=$(awk '
    function unescape(s) { gsub(/\\-/, "-", s); gsub(/\\e/, "\\", s); gsub(/"/, "", s); return s }
    /^\.SH / { sh = unescape(substr($0, 5)); ss = ""; next }
    /^\.SS / { ss = ""; if (sh == "COMMANDS") { ss = unescape(substr($0, 5)); print "section|" ss "|" } next }
    sh == "SYNOPSIS" && /^\.B glossa [a-z]/ {
        line = unescape(substr($0, 4)); n = split(line, t, " "); words = ""
        for (i = 2; i <= n && t[i] ~ /^[a-z][a-z0-9-]*$/; i++) words = words (words == "" ? "" : " ") t[i]
        print "synopsis|" words "|"
    }
    /^\.TP/ { tag = 1; next }
    tag {
        tag = 0
        if (sh == "CHECKS" && $1 ~ /^\.B/) print "check||" unescape($2)
        if (ss != "") {
            line = $0
            while (match(line, /\\-\\-(\\-|[a-z0-9-])+|\\-[a-zA-Z]([^a-zA-Z-]|$)/)) {
                name = unescape(substr(line, RSTART, RLENGTH))
                sub(/[^a-zA-Z0-9]$/, "", name)
                print "option|" ss "|" name
                line = substr(line, RSTART + RLENGTH)
            }
        }
        next
    }
    ss != "" && /^Exit status/ { print "exit|" ss "|" }
    ss != "" && /^\.nf/ { example = 1; next }
    ss != "" && /^\.fi/ { example = 0; next }
    ss != "" && example && index(unescape($0), "glossa " ss) == 1 { print "example|" ss "|" }
' "$page")

has()
{
    grep -qxF -- "$1" <<<"$page_items"
}

# The options "glossa COMMAND --help" lists; -h, --help and Qt's --help-all
# every command has, and the page says so once.
options_of()
{
    # shellcheck disable=SC2086 # the command's words are meant to split
    "$glossa" $1 --help | awk '
        /^ +-/ && match($0, /^ +/) && RLENGTH <= 4 {
            optline = substr($0, RLENGTH + 1); sub(/  .*/, "", optline)
            n = split(optline, t, /[ ,]+/)
            for (i = 1; i <= n; i++)
                if (t[i] ~ /^-/ && t[i] != "-h" && t[i] != "--help" && t[i] != "--help-all") print t[i]
        }'
}

for command in "${commands[@]}"; do
    if ! has "section|$command|"; then
        problem "the command '$command' (glossa --help lists it) has no section: add '.SS $command' under .SH COMMANDS," \
            "with its options, its exit statuses and an example"
        continue
    fi
    has "synopsis|$command|" || problem "the command '$command' has no line '.B glossa $command' under .SH SYNOPSIS"
    has "exit|$command|" || problem "the section '$command' does not give its exit statuses (a line 'Exit status ...')"
    has "example|$command|" ||
        problem "the section '$command' has no example (an .nf block with a line 'glossa $command ...')"
    mapfile -t options < <(options_of "$command")
    ((${#options[@]})) || problem "glossa $command --help lists no options: has its layout changed?"
    for option in "${options[@]}"; do
        has "option|$command|$option" ||
            problem "the option $option of '$command' (glossa $command --help lists it) is not documented in" \
                "the section '$command': add a tag line '.TP' then '.B ${option//-/\\-}' there"
    done
    while IFS='|' read -r _ _ option; do
        printf '%s\n' "${options[@]}" | grep -qxF -- "$option" ||
            problem "the section '$command' documents $option, which glossa $command --help does not list"
    done < <(grep -F "option|$command|" <<<"$page_items")
done

while IFS='|' read -r _ command _; do
    printf '%s\n' "${commands[@]}" | grep -qxF -- "$command" ||
        problem "the section '$command' documents a command that glossa --help does not list"
done < <(grep '^section' <<<"$page_items")

for check in "${checks[@]}"; do
    has "check||$check" ||
        problem "the check '$check' (glossa --help lists it) is missing under .SH CHECKS: add '.TP' then '.BR ${check//-/\\-} \" (SEVERITY)\"'"
done
while IFS='|' read -r _ _ check; do
    printf '%s\n' "${checks[@]}" | grep -qxF -- "$check" ||
        problem "CHECKS documents the check '$check', which glossa --help does not list"
done < <(grep '^check' <<<"$page_items")

if ((problems)); then
    echo "$problems difference(s) between $page and glossa --help"
    exit 1
fi
echo "$page documents the ${#commands[@]} commands, their options and the ${#checks[@]} checks glossa --help lists"
