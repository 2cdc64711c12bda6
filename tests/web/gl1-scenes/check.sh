#!/bin/sh
# Draws five of brinvale-scenes' frames through the web build's GL 1.x layer in headless Chromium and
# compares them with the desktop's (Mesa's fixed pipeline): fails when the lighting, texturing or
# geometry drift apart beyond what two rasterisers' rounding explains.
# Usage: tests/web/gl1-scenes/check.sh NATIVE_BUILD_DIR WORK_DIR
# (needs em++, chromium, ImageMagick and playwright-core from tests/web/node_modules)
set -eu
native=$(cd "$1" && pwd)
mkdir -p "$2"
work=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"  # Debian's emscripten needs node-acorn from there

# The desktop's frames, drawn by the native tool from the native build's pictures.
rm -rf "$work/desktop" "$work/web" && mkdir -p "$work/desktop" "$work/web"
(cd "$native" && ./brinvale-scenes "$work/desktop") >/dev/null

# The same tool's source for the browser: one .js with the pictures inside, run from a file:// page.
# The pictures sit in the initial memory, which must hold them and the stack.
cd "$root"
em++ -std=c++17 -O2 -Wall -Wextra -Wpedantic -Werror -I. -I"$here" -Iplatform/web/gl1 -isystem /usr/include/stb \
    tools/scenes/main.cpp "$here/offscreen_web.cpp" platform/web/gl1.cpp \
    game/board.cpp game/match.cpp assets/dib.cpp assets/textures.cpp \
    render/renderer.cpp render/primitives.cpp render/scenes.cpp platform/services.cpp \
    -sSINGLE_FILE=1 -sINITIAL_MEMORY=32MB -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web -sMAX_WEBGL_VERSION=1 \
    -sEXPORTED_RUNTIME_METHODS=FS --embed-file "$native/pic@/pic" -o "$work/scenes.js"
cp "$here/page.html" "$work/page.html"
node "$here/frames.mjs" "$work"

status=0
pixels=$((800 * 600))
for scene in menu-new menu-quit play paused game-over; do
    if ! identify "$work/web/$scene.png" >/dev/null 2>&1; then
        echo "$scene: no frame from the page"; status=1; continue
    fi
    # Mean absolute difference in levels of 255, and the pixels off by more than 8 levels in a channel.
    mean=$(compare -metric MAE "$work/desktop/$scene.png" "$work/web/$scene.png" null: 2>&1 |
           sed -n 's/.*(\(.*\)).*/\1/p' | awk '{ printf "%.3f", $1 * 255 }')
    far=$(compare -metric AE -fuzz 3.2% "$work/desktop/$scene.png" "$work/web/$scene.png" null: 2>&1 || true)
    verdict=ok
    # Measured here: means below 0.1 and at most 0.2 % far pixels, all at texel and triangle edges;
    # leaving out one light's ambient part alone already shows as a mean of 0.5.
    if awk -v m="$mean" -v f="$far" -v n="$pixels" 'BEGIN { exit !(m > 0.25 || f > n / 200) }'; then
        verdict=DIFFERENT; status=1
    fi
    echo "$scene: mean difference $mean of 255, $far pixels off by more than 8 levels: $verdict"
done
exit $status
