#!/usr/bin/env bash
# The options a packager's scripts and a user at a terminal try first: they answer without a
# display, and a mistyped option says so and fails.
set -uo pipefail
tidora=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

out=$("$tidora" --help 2>&1) || fail "--help failed: $out"
grep -q -- "--version" <<<"$out" || fail "--help does not list the options: $out"
out=$("$tidora" --version 2>&1) || fail "--version failed: $out"
grep -qx "Tidora [0-9.]*" <<<"$out" || fail "--version says: $out"
out=$("$tidora" --stack-everything 2>&1)
[ $? -eq 1 ] || fail "an unknown option did not fail with 1: $out"
grep -q "stack-everything" <<<"$out" || fail "an unknown option is not named: $out"
echo "the command line answers without a display"
