#!/usr/bin/env bash
# Installs what is missing, then builds the browser version into a static
# folder, build/web/site (index.html with the program's script in it,
# punktmuster.wasm, the app's manifest, icons and service worker), that any
# web server can serve.
#
# Two builds: a native one (build/web-tools) for the tool that bakes the
# glyphs of every font the program makes into a source file and the tool that
# draws the icons, and the browser build itself (build/web) with emscripten,
# which compiles that file in place of the FreeType and fontconfig code.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh run
./scripts/deps.sh web
jobs=2

# emcc runs its optimizer under node and needs Debian's acorn for it; a node
# that is not Debian's own does not look in /usr/share/nodejs by itself.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

echo "== glyph baker and icon tool (native)"
cmake -S . -B build/web-tools -G Ninja -DCMAKE_BUILD_TYPE=Release -DPUNKT_TESTS=OFF >/dev/null
cmake --build build/web-tools -j "$jobs" --target bake_glyphs punktmuster_icon >/dev/null
baker=$(realpath build/web-tools/tools/glyphs/bake_glyphs)
icon=$(realpath build/web-tools/tools/icon/punktmuster_icon)

echo "== browser build"
emcmake cmake -S . -B build/web -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DPUNKT_GLYPH_BAKER="$baker" -DPUNKT_ICON_TOOL="$icon" >/dev/null
cmake --build build/web -j "$jobs" >/dev/null

site=build/web/site
for f in index.html punktmuster.wasm manifest.webmanifest service-worker.js \
  icon-192.png icon-512.png icon-512-maskable.png; do
  [ -s "$site/$f" ] || { echo "web.sh: $site/$f is missing" >&2; exit 1; }
done
echo "built $site: serve it, for example with"
echo "  python3 -m http.server --bind 127.0.0.1 --directory $site 8080"
