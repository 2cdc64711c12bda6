#!/usr/bin/env bash
# Installs the Debian packages the build needs ("build"), or the build's and the tests' ("test").
# Packages already present are not touched, so a second run costs only the dpkg checks.
set -euo pipefail
what=${1:-build}
build_pkgs=(cmake make g++ pkg-config libsdl2-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
            libgtest-dev libgmock-dev libbenchmark-dev libstb-dev)
test_pkgs=(clang xvfb xdotool imagemagick x11-utils python3 twm)
pkgs=("${build_pkgs[@]}")
[ "$what" = test ] && pkgs+=("${test_pkgs[@]}")
missing=()
for p in "${pkgs[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
