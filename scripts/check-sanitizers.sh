#!/usr/bin/env bash
# The unit and render suites under AddressSanitizer and UndefinedBehaviorSanitizer, then
# each parser's fuzzer for a bounded time from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds="${FUZZ_SECONDS:-60}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORLITH_SANITIZE=ON \
    -DQUORLITH_BENCH=OFF
cmake --build build-sanitize
ctest --test-dir build-sanitize --output-on-failure -L 'unit|render'

if [ -f tests/fuzz/CMakeLists.txt ]; then
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORLITH_FUZZ=ON \
        -DQUORLITH_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
    cmake --build build-fuzz --target quorlith_fuzzers
    for fuzzer in build-fuzz/tests/fuzz/*_fuzz; do
        name=$(basename "$fuzzer" _fuzz)
        corpus=$(mktemp -d)
        cp -r "tests/fuzz/corpus/$name/." "$corpus/"
        echo "fuzzing $name for ${fuzz_seconds}s"
        "$fuzzer" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 "$corpus"
        rm -rf "$corpus"
    done
fi
echo "sanitizers and fuzzers: clean"
