#!/usr/bin/env bash
# Builds the program in Release and starts it on the bundled demo test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
build=build-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVIZOR_TESTS=OFF -DKVIZOR_BENCH=OFF
cmake --build "$build" --parallel "$(nproc)"
if [ -x "$build/src/app/KvizorStudent" ]; then
  exec "$build/src/app/KvizorStudent" "$build/examples/demo.kvf" "$@"
fi
exec "$build/tools/kvf/kvf" info "$build/examples/demo.kvf"
