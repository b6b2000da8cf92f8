#!/usr/bin/env bash
# Installs the Debian packages one purpose needs. Quiet and quick when
# everything is already there.
#   scripts/deps.sh run       build and run the program (scripts/run.sh)
#   scripts/deps.sh package   the above, and build the .deb (scripts/package.sh)
#   scripts/deps.sh test      all of the above, and the tests, checks,
#                             benchmarks and fuzzers (scripts/test.sh)
#   scripts/deps.sh web       the browser build, its test and benchmark, beside
#                             `run` (scripts/web.sh, tests/web, bench/web_cost.sh)
set -euo pipefail

# libpng-dev comes with libfreetype-dev anyway; the build's icon tool uses it.
run=(
  cmake ninja-build g++ pkg-config
  libsdl2-dev libx11-dev libfreetype-dev libfontconfig-dev libpng-dev fonts-liberation
)
# dpkg-shlibdeps (dpkg-dev) and file find the package's library dependencies.
package=(dpkg-dev file)
test=(
  libgtest-dev libbenchmark-dev libmuparser-dev
  clang libclang-rt-14-dev
  xvfb xdotool xclip x11-apps x11-utils x11-xserver-utils openbox imagemagick
  python3
  weston
  lintian desktop-file-utils appstream
)
# The browser build and its test in three engines: chromium, firefox-esr and
# WebKitGTK (its WebDriver and MiniBrowser, which runs in Xvfb; xclip fills
# the X clipboard for a paste). npm comes with some builds of nodejs; Debian's
# own nodejs has it as a package of its own.
web=(emscripten chromium firefox-esr webkit2gtk-driver libwebkit2gtk-4.1-0 xvfb xclip)
command -v npm >/dev/null || web+=(npm)

case "${1:-}" in
  run) packages=("${run[@]}") ;;
  package) packages=("${run[@]}" "${package[@]}") ;;
  test) packages=("${run[@]}" "${package[@]}" "${test[@]}") ;;
  web) packages=("${web[@]}") ;;
  *)
    echo "usage: $0 run|package|test|web" >&2
    exit 2
    ;;
esac

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
