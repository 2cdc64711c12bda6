#!/usr/bin/env bash
# Installs the Debian packages that one of the commands of docs/building.md needs: "build" (make
# play), "deb" (make deb: the build's and the packaging's), "web" (make web: the build's and
# emscripten), "win" (make win: the build's and the Windows cross-compiler, the icon's tools and
# zip) or "test" (make test and make quick: all of them and the tests', which also installs the
# browser tests' npm driver from tests/web/package-lock.json).
# Packages already present are not touched, so a second run costs only the dpkg checks.
set -euo pipefail
what=${1:-build}
# xfonts-base: the core fonts SDL draws its own message boxes with on X11.
build_pkgs=(cmake make g++ pkg-config libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
            libgtest-dev libgmock-dev libbenchmark-dev libstb-dev librsvg2-bin xfonts-base)
# CPack's DEB generator finds the program's libraries with file and dpkg-shlibdeps.
deb_pkgs=(dpkg-dev file)
web_pkgs=(emscripten nodejs)
# The Windows build: mingw-w64 with posix threads, windres (binutils-mingw-w64-x86-64, a dependency),
# icotool for the .ico, zip for the package; wine64 runs it in the tests.
win_pkgs=(g++-mingw-w64-x86-64-posix icoutils zip)
win_test_pkgs=(wine64 wine)
# xfonts-75dpi: twm's title font; libclang-rt-dev: the fuzz target's sanitizer runtime; sox: the
# generated sounds' spectrograms (docs/testing.md); firefox-esr and webkit2gtk-driver (WebKitWebDriver and,
# through libwebkit2gtk-4.1-0, MiniBrowser): the browser tests' other two engines.
test_pkgs=(clang libclang-rt-dev xvfb xdotool imagemagick x11-utils python3 twm xfonts-75dpi
           lintian desktop-file-utils appstream groff-base chromium firefox-esr webkit2gtk-driver sox)
pkgs=("${build_pkgs[@]}")
case $what in
  build) ;;
  deb) pkgs+=("${deb_pkgs[@]}") ;;
  web) pkgs+=("${web_pkgs[@]}") ;;
  win) pkgs+=("${win_pkgs[@]}") ;;
  test) pkgs+=("${deb_pkgs[@]}" "${web_pkgs[@]}" "${win_pkgs[@]}" "${win_test_pkgs[@]}" "${test_pkgs[@]}") ;;
  *) echo "usage: $0 build|deb|web|win|test" >&2; exit 2 ;;
esac
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
# Some nodejs builds carry their own npm; Debian's nodejs needs the npm package.
[ "$what" = test ] && ! command -v npm >/dev/null && missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The browser tests' drivers, exactly as locked; they drive the system's browsers and download none.
if [ "$what" = test ]; then
  web_tests="$(dirname "$0")/../tests/web"
  if ! cmp -s "$web_tests/package-lock.json" "$web_tests/node_modules/.brinvale-lock"; then
    (cd "$web_tests" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund)
    cp "$web_tests/package-lock.json" "$web_tests/node_modules/.brinvale-lock"
  fi
fi
