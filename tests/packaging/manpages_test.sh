#!/usr/bin/env bash
# The manual pages as man shows them: each renders without a warning from
# groff or man, and holds what a reader looks for in it.
# Usage: manpages_test.sh MAN_DIR VERSION
set -u
man_dir=$1 version=$2
export LC_ALL=C.UTF-8 MANWIDTH=80 MAN_KEEP_FORMATTING=

if ! command -v man >/dev/null; then
    echo "FAIL: man is missing: install man-db (scripts/tavisk.sh packages)"
    exit 1
fi

failures=0
fail() {
    echo "FAIL: $*"
    ((failures++))
}

# render PAGE: the page as plain text; groff's and man's warnings go to
# $warnings.
warnings=$(mktemp)
trap 'rm -f "$warnings"' EXIT
render() {
    man --warnings=w -l "$1" 2>"$warnings" | col -b
}

# expect PAGE TEXT...: each TEXT is in a line of the rendered page.
expect() {
    local page=$1 text rendered
    shift
    rendered=$(render "$man_dir/$page.1.gz")
    [[ -s $warnings ]] && fail "$page(1) renders with warnings: $(cat "$warnings")"
    for text; do
        grep -qF -- "$text" <<<"$rendered" || fail "$page(1) has no line '$text'"
    done
}

for page in tavisk tavisk-reg tavisk-shell; do
    [[ -f $man_dir/$page.1.gz ]] || fail "$page.1.gz was not made"
    gzip -t "$man_dir/$page.1.gz" || fail "$page.1.gz is not a gzip file"
done

# From the programs' own --help and --version, then the hand-written part.
expect tavisk-reg \
    "tavisk-reg - query and change Tavisk's registry store" \
    "--version" "show the version" \
    "tavisk-reg query KEY [--value NAME | --default] [--recursive]" \
    "-r, --recursive    show every key below too, depth-first" \
    "tavisk-reg import-mime [DIR]..." \
    "ENVIRONMENT" "TAVISK_REGISTRY" "XDG_DATA_HOME" \
    "FILES" "~/.local/share/tavisk/registry.db" \
    "EXIT STATUS" "Wrong usage." \
    "EXAMPLES" "tavisk-reg query 'HKCR\\text/plain' --recursive" \
    "tavisk-reg $version"
expect tavisk-shell \
    "tavisk-shell - put Tavisk's entries into the file managers' menus" \
    "tavisk-shell COMMAND" "--version" \
    "ENVIRONMENT" "TAVISK_REGISTRY" "XDG_DATA_HOME" \
    "FILES" "~/.config/Thunar/uca.xml" \
    "EXIT STATUS" "EXAMPLES" "tavisk-shell sync" \
    "tavisk-shell $version"
expect tavisk \
    "tavisk - add entries of your own to the right-click menu of files" \
    "ENVIRONMENT" "TAVISK_REGISTRY" "XDG_DATA_HOME" \
    "FILES" "EXIT STATUS" "EXAMPLES" "TAVISK_REGISTRY=/tmp/try.db tavisk" \
    "tavisk $version"

if ((failures)); then
    exit 1
fi
echo "every page renders and says what it should"
