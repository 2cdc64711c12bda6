#!/usr/bin/env bash
# Installs the Debian packages the build needs ("build"), the web build's ("web"), or the builds' and
# the tests' ("test", which also installs the browser tests' npm driver from tests/web/package-lock.json).
# Packages already present are not touched, so a second run costs only the dpkg checks.
set -euo pipefail
what=${1:-build}
build_pkgs=(cmake make g++ pkg-config libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
            libgtest-dev libgmock-dev libbenchmark-dev libstb-dev)
test_pkgs=(clang xvfb xdotool imagemagick x11-utils python3 twm)
web_pkgs=(emscripten nodejs)
web_test_pkgs=(chromium)
pkgs=("${build_pkgs[@]}")
[ "$what" = web ] && pkgs+=("${web_pkgs[@]}")
[ "$what" = test ] && pkgs+=("${test_pkgs[@]}" "${web_pkgs[@]}" "${web_test_pkgs[@]}")
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
# The browser tests' driver, exactly as locked; it drives the system's chromium and downloads no browser.
if [ "$what" = test ]; then
  web_tests="$(dirname "$0")/../tests/web"
  if ! cmp -s "$web_tests/package-lock.json" "$web_tests/node_modules/.brinvale-lock"; then
    (cd "$web_tests" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund)
    cp "$web_tests/package-lock.json" "$web_tests/node_modules/.brinvale-lock"
  fi
fi
