#!/usr/bin/env bash
# Drives glossa's bash completion the way bash does (COMP_WORDS, COMP_CWORD,
# COMP_LINE, COMP_POINT) on a copy of the demo product: once with the
# bash-completion package's helpers loaded, as on an installed system, and
# once without them.
# Usage: completion.sh GLOSSA SOURCE_DIR
glossa=$(realpath "$1")
source_dir=$(realpath "$2")
completion=$source_dir/packaging/glossa.bash-completion

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$source_dir/examples/demo-product" "$scratch/product"
# A second product that holds the master only.
mkdir -p "$scratch/other/language" "$scratch/bin"
cp "$scratch/product/language/English (United States).ini" "$scratch/other/language/"
ln -s "$glossa" "$scratch/bin/glossa"
export PATH="$scratch/bin:$PATH" LC_ALL=C.UTF-8
cd "$scratch/product" || exit 1

failures=0
mode=""

# The offers for the cursor at the end of the last word, sorted, one a line.
# LINE, when set, is the command line as typed (bash splits "--language=G"
# into three words).
offers()
{
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE=${LINE:-$*}
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _glossa glossa "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort
}

# expect exactly|has|lacks "OFFER;OFFER;..." WORD...: what completing the last
# word offers: exactly these, at least these, or none of these.
expect()
{
    local kind=$1 want=$2 got missing="" offer
    shift 2
    got=$(offers "$@")
    local -a wanted
    IFS=';' read -ra wanted <<<"$want"
    for offer in "${wanted[@]}"; do
        if grep -qxF -- "$offer" <<<"$got"; then
            [[ $kind == lacks ]] && missing+=" $offer"
        else
            [[ $kind != lacks ]] && missing+=" $offer"
        fi
    done
    if [[ $kind == exactly && -z $missing && $(grep -c . <<<"$got") != "${#wanted[@]}" ]]; then
        missing=" (and nothing else)"
    fi
    if [[ -n $missing ]]; then
        local how=${kind/has/at least}
        echo "FAIL ($mode): completing '${LINE:-$*}' should offer ${how/lacks/none of} [$want]:$missing wrong;" \
            "it offered [$(tr '\n' ' ' <<<"$got")]"
        failures=$((failures + 1))
    fi
}

cases()
{
    # Commands and options, read from glossa --help.
    expect has "check;stats;changes;export;import" glossa ""
    expect exactly "changes;check" glossa ch
    expect exactly "--help;--version" glossa --
    expect has "--format;-o;--output;--language;--checks;--ignore;--strict;--jobs;--since;--help" glossa check -
    expect lacks "--strict;--since;--checks" glossa stats --
    expect has "--dry-run;--accept-errors;--language" glossa import --
    # Option values: each command's own.
    expect has "text;json;junit;sarif;github" glossa check --format ""
    expect exactly "json" glossa check --format js
    expect has "text;json;csv" glossa stats --format ""
    expect lacks "junit;sarif;xliff" glossa stats --format ""
    expect has "xliff;csv" glossa export --format ""
    expect has "all;untranslated;problems" glossa export --only ""
    expect has "text;json" glossa changes --format ""
    # Check ids, also after a comma.
    expect exactly "placeholders" glossa check --checks pl
    expect exactly "placeholders,odd-quotes" glossa check --ignore placeholders,od
    expect has "unreadable;braces;missing-key;index" glossa check --checks ""
    expect lacks "the;import;Checks;check" glossa check --checks ""
    # Languages: display names quoted, codes, for --language, --reference and LANGUAGE.
    expect exactly 'German\ \(Germany\)' glossa check --language G
    expect exactly 'German (Germany)' glossa check --language '"G'
    expect exactly "Chinese (PRC)" glossa check --language "'Ch"
    expect exactly 'Chinese\ \(PRC\)' glossa stats --language Ch
    expect exactly 'German\ \(Germany\)' glossa check --language 'German\ \('
    expect exactly "0x0407;0x0409;0x040c;0x0411;0x0804" glossa check --language 0x0
    LINE="glossa check --language=G" expect exactly 'German\ \(Germany\)' glossa check --language = G
    expect exactly 'German\ \(Germany\)' glossa export G
    expect exactly 'Japanese\ \(Japan\)' glossa export --format csv J
    expect exactly 'French\ \(France\)' glossa export 0x0407 --reference F
    # A product directory given on the line is the one whose languages count.
    expect exactly 'English\ \(United\ States\);0x0409' glossa check ../other --language ""
    expect exactly 'English\ \(United\ States\)' glossa export E ../other --reference E
    # PRODUCT_DIR is a directory; nothing is offered past the last argument.
    expect exactly "Web;language" glossa check ""
    expect exactly "" glossa export 0x0407 . ""
    # The glossary's command of three words: its words, options, formats and languages.
    expect exactly "extract;import;export" glossa terms ""
    expect has "--max;--output" glossa terms extract --
    expect has "--format;--language" glossa terms import --
    expect exactly "tbx;tsv;csv;qph" glossa terms export --format ""
    expect exactly 'German\ \(Germany\)' glossa terms extract G
    expect exactly 'German\ \(Germany\)' glossa terms export --language G

    # What bash inserts reads back as the display name.
    local reply
    reply=$(offers glossa check --language G)
    eval "set -- $reply"
    if [[ $# != 1 || $1 != "German (Germany)" ]]; then
        echo "FAIL ($mode): the offer '$reply' does not read back as 'German (Germany)'"
        failures=$((failures + 1))
    fi
}

if [[ -r /usr/share/bash-completion/bash_completion ]]; then
    mode="with bash-completion"
    result=$(
        # shellcheck source=/dev/null
        . /usr/share/bash-completion/bash_completion
        # shellcheck source=../../packaging/glossa.bash-completion
        . "$completion"
        cases
        exit "$failures"
    ) || failures=$((failures + 1))
    [[ -n $result ]] && echo "$result"
else
    echo "bash-completion is not installed (scripts/setup.sh installs it): its helpers are not tried"
fi
mode="without bash-completion"
result=$(
    # shellcheck source=../../packaging/glossa.bash-completion
    . "$completion"
    cases
    exit "$failures"
) || failures=$((failures + 1))
[[ -n $result ]] && echo "$result"

if ((failures)); then
    exit 1
fi
echo "bash completion offers what glossa lists"
