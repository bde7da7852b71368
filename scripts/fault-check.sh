#!/usr/bin/env bash
# Keeps the test suite honest: applies each deliberate fault in tests/faults, one at a time, to a
# scratch checkout of the committed sources, builds, runs the tests named in the fault, and prints
# which faults the tests caught. Every fault must be caught; the run fails otherwise.
#
#   scripts/fault-check.sh [--all-tests] [tests/faults/NAME.patch ...]
#
# A fault file is a one-line patch with two header lines before the diff:
#   Fault: what goes wrong, in a user's words
#   Tests: the ctest names expected to catch it (space-separated)
# --all-tests runs the whole suite for every fault instead of the named tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

all_tests=
if [ "${1:-}" = "--all-tests" ]; then
    all_tests=1
    shift
fi
faults=("$@")
[ ${#faults[@]} -gt 0 ] || faults=(tests/faults/*.patch)

field() { sed -n "s/^$1: *//p" "$2" | head -n 1; }

# The scratch tree sits at the same depth as build/test so that ccache finds the main build's
# objects.
tree=$root/build/fault-check
if [ -d "$tree" ]; then
    git -C "$tree" reset -q --hard
    git -C "$tree" checkout -q --detach "$(git rev-parse HEAD)"
else
    git worktree add -q --detach "$tree" HEAD
fi
restore() { git -C "$tree" reset -q --hard; }
trap restore EXIT

build=$tree/build/test
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# The same options as the test build, so that ccache serves the unchanged objects.
cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTIDORA_WERROR=ON -DTIDORA_SANITIZE=OFF \
    -DTIDORA_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null

named=()
for fault in "${faults[@]}"; do
    tests=$(field Tests "$root/$fault")
    [ -n "$tests" ] || { echo "fault-check: $fault names no tests" >&2; exit 2; }
    read -ra list <<<"$tests"
    named+=("${list[@]}")
done
mapfile -t named < <(printf '%s\n' "${named[@]}" | sort -u)
pattern() { local IFS='|'; echo "^($*)\$"; }

# Runs the given tests (all of them with --all-tests) in the tree as it stands; fails when any
# test fails.
run_tests() {
    if [ -n "$all_tests" ]; then
        cmake --build "$build" >/dev/null 2>&1 || return 97
        "$root/scripts/with-x11.sh" ctest --test-dir "$build" -j2 --no-tests=error >/dev/null 2>&1
    else
        cmake --build "$build" --target "$@" >/dev/null 2>&1 || return 97
        "$root/scripts/with-x11.sh" ctest --test-dir "$build" -j2 --no-tests=error -R "$(pattern "$@")" \
            >/dev/null 2>&1
    fi
}

echo "Building and running the named tests on the sources as committed..."
if ! run_tests "${named[@]}"; then
    echo "fault-check: the tests fail without any fault; fix that first" >&2
    exit 2
fi

caught=0
missed=()
for fault in "${faults[@]}"; do
    what=$(field Fault "$root/$fault")
    read -ra list <<<"$(field Tests "$root/$fault")"
    if ! git -C "$tree" apply "$root/$fault"; then
        missed+=("$fault (no longer applies)")
        printf '%-8s %s\n' "STALE" "$what"
        continue
    fi
    status=0
    run_tests "${list[@]}" || status=$?
    restore
    case $status in
    0)
        missed+=("$fault")
        printf '%-8s %s\n' "MISSED" "$what"
        ;;
    97)
        missed+=("$fault (does not build)")
        printf '%-8s %s\n' "NOBUILD" "$what"
        ;;
    *)
        caught=$((caught + 1))
        printf '%-8s %s\n' "caught" "$what"
        ;;
    esac
done

echo "$caught of ${#faults[@]} faults caught."
if [ ${#missed[@]} -gt 0 ]; then
    printf 'not caught: %s\n' "${missed[@]}" >&2
    exit 1
fi
