#!/usr/bin/env bash
# Builds the project and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
build=${KVIZOR_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKVIZOR_WERROR="${KVIZOR_WERROR:-OFF}" ${KVIZOR_CMAKE_ARGS:-}
cmake --build "$build" --parallel "$(nproc)"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)"
