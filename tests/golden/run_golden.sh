#!/usr/bin/env bash
# Runs the cases listed in tests/golden/cases with the given quorvane-cli.
#   run_golden.sh CLI check NAME   compares case NAME with its stored files,
#                                  printing a unified diff on a mismatch
#   run_golden.sh CLI update       rewrites every stored file from CLI
set -euo pipefail

usage() {
    echo "usage: $0 CLI check NAME | $0 CLI update" >&2
    exit 2
}
[ $# -ge 2 ] || usage
cli=$1
mode=$2
[ -x "$cli" ] || { echo "$0: $cli is not an executable" >&2; exit 2; }
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")

golden=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$golden/../.." && pwd)
cases=$golden/cases
cd "$root"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The arguments of case $1, or nothing when there is no such case.
case_args() {
    awk -v name="$1" '$1 == name { $1 = ""; sub(/^ +/, ""); print; exit }' "$cases"
}

# Runs case $1 into $2.out and $2.err, with fresh user folders and a fixed
# time zone and locale so that the output is the same on every machine.
run_case() {
    local name=$1 dest=$2 args home status=0
    args=$(case_args "$name")
    [ -n "$args" ] || { echo "$0: no case named $name in $cases" >&2; exit 2; }
    home=$(mktemp -d "$scratch/home.XXXXXX")
    # shellcheck disable=SC2086  # the arguments split on blanks on purpose
    env TZ=UTC LC_ALL=C HOME="$home" \
        QUORVANE_DATA_DIR="$home/data" QUORVANE_DOCUMENTS_DIR="$home/documents" \
        QUORVANE_SHIPPED_DIR="$root/data/shipped" \
        "$cli" $args >"$dest.out" 2>"$dest.err" || status=$?
    echo "exit status: $status" >>"$dest.err"
    if grep -qF -e "$root" -e "$scratch" "$dest.out" "$dest.err"; then
        echo "$0: case $name prints a path of this machine:" >&2
        grep -nF -e "$root" -e "$scratch" "$dest.out" "$dest.err" >&2
        return 1
    fi
}

case $mode in
check)
    [ $# -eq 3 ] || usage
    name=$3
    run_case "$name" "$scratch/$name"
    failed=0
    for stream in out err; do
        if [ ! -f "$golden/$name.$stream" ]; then
            echo "$0: tests/golden/$name.$stream is missing; run 'make golden'" >&2
            failed=1
        elif ! diff -u --label "tests/golden/$name.$stream" --label "quorvane-cli $(case_args "$name")" \
            "$golden/$name.$stream" "$scratch/$name.$stream"; then
            failed=1
        fi
    done
    if [ $failed -ne 0 ]; then
        echo "If the change is intended, run 'make golden' and review it with 'git diff'." >&2
        exit 1
    fi
    ;;
update)
    [ $# -eq 2 ] || usage
    names=$(awk '/^[^#[:space:]]/ { print $1 }' "$cases")
    for name in $names; do
        run_case "$name" "$scratch/$name"
    done
    # Only when every case ran: stored files of removed cases go too.
    find "$golden" -maxdepth 1 \( -name '*.out' -o -name '*.err' \) -delete
    for name in $names; do
        mv "$scratch/$name.out" "$scratch/$name.err" "$golden/"
    done
    echo "tests/golden: $(echo "$names" | wc -w) cases written; review them with 'git diff tests/golden'"
    ;;
*)
    usage
    ;;
esac
