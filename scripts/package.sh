#!/usr/bin/env bash
# Installs what is missing, builds the program for release with Debian's
# hardening flags and makes the Debian package with CPack. Prints the path of
# the .deb (build/package/punktmuster_<version>_<arch>.deb).
# Usage: scripts/package.sh [build folder]   (default: build/package)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh package
out=${1:-build/package}

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CXXFLAGS LDFLAGS
# A fresh configuration, so that flags from an earlier run cannot linger.
rm -f "$out/CMakeCache.txt"
cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPUNKT_TESTS=OFF >/dev/null
cmake --build "$out" >/dev/null
rm -f "$out"/punktmuster_*.deb
cpack --config "$out/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || {
  cat "$out/cpack.log"
  exit 1
}
ls "$out"/punktmuster_*.deb
