#!/usr/bin/env bash
# Installs what is missing, builds the program and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh run
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPUNKT_TESTS=OFF >/dev/null
cmake --build build/release --target punktmuster >/dev/null
exec ./build/release/src/main/punktmuster
