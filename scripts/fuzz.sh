#!/bin/sh
# Builds the fuzz targets with clang (libFuzzer, address and undefined-behaviour
# sanitizers) into ./build-fuzz and runs each one in turn for SECONDS (default 60) on its
# corpus in tests/fuzz/corpus/<target>/. New inputs that reach new code are kept in
# build-fuzz/corpus/<target>/ (the seed corpus is left as it is); a crash leaves its input
# in build-fuzz/findings/ and makes the script exit non-zero.
#     scripts/fuzz.sh [SECONDS] [TARGET...]
set -eu
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-60}"
[ $# -gt 0 ] && shift
BUILD_DIR="${FUZZ_BUILD_DIR:-build-fuzz}"
CXX_FUZZ="${CXX_FUZZ:-clang++-14}"
command -v "$CXX_FUZZ" >/dev/null || ./scripts/install-deps.sh

if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S tests/fuzz -B "$BUILD_DIR" -G Ninja -DCMAKE_CXX_COMPILER="$CXX_FUZZ" -DCMAKE_BUILD_TYPE=
fi
cmake --build "$BUILD_DIR"

# Every target in tests/fuzz (fuzz_<name>.cpp), unless named on the command line.
TARGETS="${*:-$(for f in tests/fuzz/fuzz_*.cpp; do basename "$f" .cpp | sed "s/^fuzz_//"; done)}"
mkdir -p "$BUILD_DIR/findings"
status=0
for t in $TARGETS; do
    mkdir -p "$BUILD_DIR/corpus/$t"
    echo "== fuzz_$t for ${SECONDS_EACH}s"
    # One process at a time: the machine may be shared. The scratch files of the readers
    # that take a file name go to memory when /dev/shm is there.
    if [ -d /dev/shm ]; then export TMPDIR=/dev/shm; fi
    if ! "$BUILD_DIR/fuzz_$t" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
            -artifact_prefix="$BUILD_DIR/findings/$t-" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
            "$BUILD_DIR/corpus/$t" "tests/fuzz/corpus/$t" 2>"$BUILD_DIR/fuzz_$t.log"; then
        status=1
        echo "   FINDING: see $BUILD_DIR/fuzz_$t.log and $BUILD_DIR/findings/"
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$BUILD_DIR/fuzz_$t.log" | sed 's/^/   /' || true
done
exit $status
