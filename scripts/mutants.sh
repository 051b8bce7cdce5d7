#!/usr/bin/env bash
# Plants the faults listed in tests/mutants/ one at a time in a scratch copy of
# the working tree, rebuilds it and runs the tests of the folder concerned: a
# fault the tests miss marks a missing test. Slow; run by hand, never in CI.
#   scripts/mutants.sh                   every fault
#   scripts/mutants.sh 03 17             the faults whose file names start so
#   scripts/mutants.sh --check           only that every fault still applies
# Environment: MUTANTS_DIR (default build-mutants), JOBS (default 2),
# MUTANTS_FROM=<commit> to test that commit's tree instead of the working
# tree (the faults are still read from the working tree).
#
# A fault is a file tests/mutants/NN-name.mut:
#   # What the user would notice (one or more comment lines).
#   file: src/folder/File.cpp
#   build: tests/operations/all        what to rebuild (ninja targets; all when absent)
#   tests: -L operations               ctest's arguments that pick the tests
#   find: the exact text of the fault's place, found once in the file
#   replace: what it becomes (may be empty)
# find and replace may be repeated (in pairs) for a fault that spans lines.
# Text is matched, not line numbers or context, so edits around the place do
# not stale a fault; a find that no longer matches once is reported "stale".
# A fault must still build (warnings are errors): one that does not is
# reported "BROKEN" and counts as not caught.
set -uo pipefail

root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work_dir=${MUTANTS_DIR:-$root_dir/build-mutants}
tree_dir=$work_dir/tree
build_dir=$tree_dir/build
jobs=${JOBS:-2}
log_dir=$work_dir/logs
# The scratch tree lies where its build sees the same relative paths as the
# checkout's own build/, so that ccache serves both.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work}
export CCACHE_NOHASHDIR=1

# Copies the working tree (tracked and new files) into the scratch tree,
# touching only files that differ so the scratch build stays incremental.
sync_tree() {
    mkdir -p "$tree_dir" "$log_dir"
    local listed=$work_dir/files.txt source=$root_dir
    if [ -n "${MUTANTS_FROM:-}" ]; then
        source=$work_dir/export
        rm -rf "$source" && mkdir -p "$source"
        (cd "$root_dir" && git archive "$MUTANTS_FROM") | tar -x -C "$source"
        (cd "$source" && find . -type f | sed 's|^\./||') | sort >"$listed"
    else
        (cd "$root_dir" && git ls-files -co --exclude-standard) | sort >"$listed"
    fi
    while IFS= read -r file; do
        [ -f "$source/$file" ] || continue
        if ! cmp -s "$source/$file" "$tree_dir/$file"; then
            mkdir -p "$(dirname "$tree_dir/$file")"
            cp -p "$source/$file" "$tree_dir/$file"
            touch "$tree_dir/$file"
        fi
    done <"$listed"
    # Files deleted from the checkout leave the scratch tree too.
    (cd "$tree_dir" && find . -path ./build -prune -o -type f -print | sed 's|^\./||') | sort |
        comm -23 - "$listed" | while IFS= read -r gone; do rm -f "$tree_dir/$gone"; done
}

configure() {
    [ -f "$build_dir/build.ninja" ] && return 0
    cmake -S "$tree_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTAVISK_WERROR=ON -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DTAVISK_BUILD_BENCH=OFF >"$log_dir/configure.log"
}

# Builds the given ninja targets (everything when none) into the log $1.
build() {
    local log=$1
    shift
    # shellcheck disable=SC2068 # target names, split on purpose
    cmake --build "$build_dir" -j "$jobs" ${@:+--target $@} >"$log" 2>&1
}

# Field of a fault file: every line "name: value", in order.
fields() {
    sed -n "s/^$2: \{0,1\}//p" "$1"
}

# Applies a fault's substitutions with python, which takes the texts
# literally. Prints why it could not.
substitute() {
    python3 - "$1" "$2" <<'EOF'
import sys
fault, target = sys.argv[1:]
pairs, find = [], None
for line in open(fault, encoding="utf-8").read().splitlines():
    if line.startswith("find:"):
        find = line[5:].removeprefix(" ")
    elif line.startswith("replace:"):
        pairs.append((find, line[8:].removeprefix(" ")))
text = open(target, encoding="utf-8").read()
for find, replace in pairs:
    if not find or text.count(find) != 1:
        print(f"'{find}' found {text.count(find) if find else 0} times")
        sys.exit(1)
    text = text.replace(find, replace)
open(target, "w", encoding="utf-8").write(text)
EOF
}

# Every fault applies once to the checkout as it is; nothing is written.
check() {
    local bad=0
    for fault in "$root_dir"/tests/mutants/*.mut; do
        local file
        file=$(fields "$fault" file)
        cp "$root_dir/$file" "$work_dir/check" 2>/dev/null || { echo "$(basename "$fault"): no $file"; bad=1; continue; }
        why=$(substitute "$fault" "$work_dir/check") || { echo "$(basename "$fault"): $why"; bad=1; }
    done
    [ $bad -eq 0 ] && echo "Every fault applies."
    return $bad
}

main() {
    if [ "${1:-}" = --check ]; then
        mkdir -p "$work_dir"
        check
        exit
    fi
    sync_tree
    configure || { echo "configure failed: $log_dir/configure.log"; exit 2; }
    echo "Building the scratch tree ($build_dir)..."
    build "$log_dir/build.log" || { echo "the unplanted tree does not build: $log_dir/build.log"; exit 2; }

    local faults=() caught=0 missed=0 stale=0 total=0
    for fault in "$root_dir"/tests/mutants/*.mut; do
        local name
        name=$(basename "$fault" .mut)
        if [ $# -gt 0 ]; then
            local wanted=no
            for prefix in "$@"; do [[ $name == "$prefix"* ]] && wanted=yes; done
            [ $wanted = yes ] || continue
        fi
        faults+=("$fault")
    done

    printf '%-44s %s\n' FAULT RESULT
    for fault in "${faults[@]}"; do
        local name file args target result
        name=$(basename "$fault" .mut)
        file=$(fields "$fault" file)
        args=$(fields "$fault" tests)
        target=$tree_dir/$file
        total=$((total + 1))
        if [ ! -f "$target" ]; then
            result="stale (no $file)"
            stale=$((stale + 1))
            printf '%-44s %s\n' "$name" "$result"
            continue
        fi
        cp -p "$target" "$work_dir/unplanted"
        if ! why=$(substitute "$fault" "$target" 2>&1); then
            result="stale ($why)"
            stale=$((stale + 1))
        # shellcheck disable=SC2046 # target names, split on purpose
        elif ! build "$log_dir/$name.build.log" $(fields "$fault" build); then
            result="BROKEN (does not build: $log_dir/$name.build.log)"
            stale=$((stale + 1))
        else
            # shellcheck disable=SC2086 # the arguments are ctest's, split on purpose
            if (cd "$build_dir" && ctest $args --timeout 120 -j "$jobs" >"$log_dir/$name.test.log" 2>&1); then
                result="MISSED"
                missed=$((missed + 1))
            else
                result="caught ($(grep -c 'Failed\|Timeout\|Exception' "$log_dir/$name.test.log") failing)"
                caught=$((caught + 1))
            fi
        fi
        cp -p "$work_dir/unplanted" "$target"
        touch "$target"
        printf '%-44s %s\n' "$name" "$result"
    done
    # The tree builds unplanted again for the next run.
    build "$log_dir/build.log" >/dev/null
    echo "Score: $caught of $total caught, $missed missed, $stale stale or broken"
    [ $missed -eq 0 ] && [ $stale -eq 0 ]
}

main "$@"
