#!/bin/sh
# Runs every benchmark built in BUILD_DIR/bench (default: build) with small round counts
# and prints the last lines of each one's output (their medians and ratios).
#
#   bench/run-all.sh                 one round each (bench_startup: 3 runs, for a median)
#   BENCH_ROUNDS=5 bench/run-all.sh  more rounds where a benchmark takes a count
#   BENCH_LINES=10 bench/run-all.sh  more of each output
#
# The exit status is that of the last benchmark that failed, else 0. Figures from a busy
# machine vary a lot; compare runs made on a quiet one.
set -u

here=$(cd "$(dirname "$0")" && pwd)
build_dir=${BUILD_DIR:-$here/../build}
bench_dir=$build_dir/bench
rounds=${BENCH_ROUNDS:-1}
lines=${BENCH_LINES:-6}

if [ ! -d "$bench_dir" ]; then
    echo "run-all.sh: no benchmarks in $bench_dir (build the project first)" >&2
    exit 2
fi

out=$(mktemp "${TMPDIR:-/tmp}/tabvane-bench.XXXXXX") || exit 2
trap 'rm -f "$out"' EXIT INT TERM

status=0
found=0
for exe in "$bench_dir"/bench_*; do
    if [ ! -f "$exe" ] || [ ! -x "$exe" ]; then
        continue
    fi
    name=$(basename "$exe")
    case $name in
        bench_settings) set -- ;;
        bench_startup) set -- "$((rounds < 3 ? 3 : rounds))" ;;
        bench_session) set -- "$((rounds * 20))" ;;
        bench_popupflood) set -- "$rounds" 100 ;;
        *) set -- "$rounds" ;;
    esac
    found=$((found + 1))
    echo "== $name $*"
    "$exe" "$@" >"$out" 2>&1
    rc=$?
    # The offscreen platform's warnings are no figures.
    grep -v 'does not support propagateSizeHints' "$out" | tail -n "$lines"
    if [ "$rc" -ne 0 ]; then
        echo "!! $name exited with $rc"
        status=$rc
    fi
    echo
done

if [ "$found" -eq 0 ]; then
    echo "run-all.sh: no benchmarks in $bench_dir (build the project first)" >&2
    exit 2
fi
exit "$status"
