#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the fuzzers for a
# bounded time, the unit and headless suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, the browser build in headless chromium, the full
# suite (end-to-end under Xvfb included) on the normal build, and the Debian
# package checked with Debian's and the desktops' own tools. Any failure fails
# the run.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh test
jobs=$(nproc)

echo "== build"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPUNKT_BENCH=ON >/dev/null
cmake --build build/test -j "$jobs" >/dev/null

if [ -x fuzz/run.sh ]; then
  echo "== fuzz"
  ./fuzz/run.sh
fi

echo "== sanitizers"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPUNKT_SANITIZE=ON \
  -DPUNKT_E2E=OFF >/dev/null
cmake --build build/sanitize -j "$jobs" >/dev/null
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/sanitize -j "$jobs" --output-on-failure

# The browser build, tested in headless chromium.
echo "== browser"
./scripts/web.sh >/dev/null
tests/web/web_test.sh build/web/site build/test/tests/screen_dump

echo "== tests"
ctest --test-dir build/test -j "$jobs" --output-on-failure

echo "== package"
deb=$(./scripts/package.sh | tail -n1)
tests/package/check.sh "$deb"
