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

# A Wayland session without XWayland: the stacks can't stay on the Desktop there, and it says so.
out=$(WAYLAND_DISPLAY=wayland-tidora-none "$tidora" 2>&1)
[ $? -eq 1 ] || fail "without XWayland it did not fail with 1: $out"
grep -q "XWayland" <<<"$out" || fail "without XWayland it says: $out"
echo "a Wayland session without XWayland is refused with the reason"
