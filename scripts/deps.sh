#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need.
# Quiet and quick when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-liberation
  libgtest-dev libbenchmark-dev libmuparser-dev
  clang libclang-rt-14-dev
  xvfb xdotool x11-apps x11-utils imagemagick
  python3
)
# `deps.sh web`: the browser build and its test instead (scripts/web.sh,
# tests/web). npm comes with some builds of nodejs; Debian's own is separate.
if [ "${1:-}" = web ]; then
  packages=(emscripten chromium)
  command -v npm >/dev/null || packages+=(npm)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
