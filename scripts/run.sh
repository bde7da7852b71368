#!/usr/bin/env bash
# Installs what is missing, builds Tidora and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTIDORA_BUILD_TESTS=OFF -DTIDORA_BUILD_BENCH=OFF
cmake --build "$build"
exec "$build/bin/tidora" "$@"
