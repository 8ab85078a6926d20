#!/bin/sh
# Builds the formula evaluator's libFuzzer target with clang and runs it for the given
# number of seconds (default 60). The seeds in fuzz/corpus stay untouched; the growing
# corpus and any crash inputs go to the build directory.
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SOLLIST_FUZZ_BUILD:-$root/build-fuzz}

cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 >/dev/null

mkdir -p "$build/corpus" "$build/crashes"
cd "$build"
exec ./formula_fuzz -max_total_time="$seconds" -max_len=512 -timeout=10 \
    -artifact_prefix="$build/crashes/" -print_final_stats=1 "$build/corpus" "$root/fuzz/corpus"
