#!/usr/bin/env bash
# Fails when a C++ file differs from what .clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
find src tests bench finder-extension \( -name '*.cpp' -o -name '*.h' \) -print0 \
    | xargs -0 -r clang-format --dry-run --Werror
