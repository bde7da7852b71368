#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds with warnings as errors and runs every
# test (the X11 ones under a private Xvfb). With --sanitize the build uses AddressSanitizer and
# UndefinedBehaviorSanitizer. The plain run also runs clang-tidy over the program's sources.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test

build=build/test
sanitize=OFF
if [ "${1:-}" = "--sanitize" ]; then
    build=build/sanitize
    sanitize=ON
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
fi

scripts/check-format.sh
# The benchmarks build in a Release configure; here only bench_crashkill's one source is
# compiled, against the end-to-end harness the tests build anyway.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTIDORA_WERROR=ON -DTIDORA_SANITIZE=$sanitize \
    -DTIDORA_BUILD_BENCH=OFF
cmake --build "$build"
scripts/with-x11.sh ctest --test-dir "$build" --output-on-failure -j2

if [ "$sanitize" = OFF ]; then
    # The program's own sources (not the tests), with the build's compile commands; any finding
    # fails the run.
    tidy_files="^$PWD/(finder-extension|src)/"
    run-clang-tidy -p "$build" -j2 -quiet "$tidy_files" 2>&1 |
        { grep -Ev '^clang-tidy(-[0-9]+)? |^[0-9]+ warnings? (generated|treated as errors)\.$' || true; }
fi
