#!/usr/bin/env bash
# Checks a built Debian package with the tools Debian and the desktops use,
# without installing it: its control fields, lintian (no errors, no
# warnings), desktop-file-validate on the desktop entry, appstreamcli on the
# metadata, the icons and manual pages in place; then the binary unpacked
# with dpkg-deb -x starts under Xvfb, shows the title and ends on ESC with
# exit code 0. Prints how long the start took until the title stood.
# Usage: tests/package/check.sh path/to/punktmuster_<version>_<arch>.deb
set -euo pipefail
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../e2e/lib.sh"

app_id=example.punktmuster.Punktmuster
version=$(sed -n 's/^project(punktmuster VERSION \([0-9.]*\).*/\1/p' "$here/../../CMakeLists.txt")
arch=$(dpkg --print-architecture)

echo "== control"
[ "$(basename "$deb")" = "punktmuster_${version}_${arch}.deb" ] || e2e_fail "file name $(basename "$deb")"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Version)" = "$version" ] || e2e_fail "version $(field Version)"
[ "$(field Section)" = graphics ] || e2e_fail "section $(field Section)"
[ -n "$(field Maintainer)" ] || e2e_fail "no maintainer"
depends=$(field Depends)
for needed in fonts-liberation libsdl2 libfreetype6 libfontconfig1 libc6; do
  [[ "$depends" == *"$needed"* ]] || e2e_fail "Depends lacks $needed: $depends"
done
recommends=$(field Recommends)
[[ "$recommends" == *libdecor-0-plugin-1-cairo* ]] || e2e_fail "Recommends lacks the title bar's plugin: $recommends"
echo "size: $(stat -c %s "$deb") bytes; installed size: $(field Installed-Size) KiB"
echo "Depends: $depends"
echo "Recommends: $recommends"

echo "== lintian"
# Root gets a notice on stderr that says nothing about the package.
lintian --fail-on error,warning --display-info "$deb" 2>/dev/null ||
  e2e_fail "lintian reports errors or warnings (above)"

echo "== unpacked"
root="$E2E_WORK/root"
dpkg-deb -x "$deb" "$root"
share="$root/usr/share"
desktop-file-validate "$share/applications/$app_id.desktop" || e2e_fail "desktop entry"
grep -qx "Icon=$app_id" "$share/applications/$app_id.desktop" || e2e_fail "desktop entry's icon"
appstreamcli validate --pedantic --no-net "$share/metainfo/$app_id.metainfo.xml" ||
  e2e_fail "AppStream metadata"
for size in 48 64 128 256; do
  icon="$share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  [ "$(identify -format '%w %h' "$icon")" = "$size $size" ] || e2e_fail "icon $icon"
done
for page in man/man1/punktmuster.1.gz man/de/man1/punktmuster.1.gz; do
  gzip -t "$share/$page" || e2e_fail "manual page $page"
done
for doc in README.md LICENSE copyright changelog.gz; do
  [ -s "$share/doc/punktmuster/$doc" ] || e2e_fail "no $doc"
done

echo "== start"
e2e_build_wait_title || e2e_fail "cannot build the pixel poller"
e2e_start_xvfb
started=$(date +%s.%N)
e2e_start "$root/usr/bin/punktmuster"
e2e_wait_title 10 || e2e_fail "no title screen"
shown=$(date +%s.%N)
awk -v a="$started" -v b="$shown" 'BEGIN { printf "start to title: %.3f s\n", b - a }'
e2e_find_window 10
e2e_shot "$E2E_WORK/title.ppm" || e2e_fail "no screenshot"
# The whole green box (264, 148) - (701, 418) is there, under the texts.
green=$(e2e_count "$E2E_WORK/title.ppm" 264 148 437 270 00BE00)
[ "$green" -gt 50000 ] || e2e_fail "title: $green green pixels"
# The title stands for 4 s; the key waits for the first input and ends it.
e2e_key Escape
e2e_wait_exit 10 || e2e_fail "still running after ESC"
[ "$E2E_STATUS" -eq 0 ] || e2e_fail "exit code $E2E_STATUS after ESC"
echo "ESC: exit code 0"
echo "ok"
