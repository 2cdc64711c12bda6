#!/bin/sh
# Keeps the seams: the game, the loop, the renderer and the decoder include only the platform's seam
# (the headers at the top of platform/), the seam includes no backend, no backend includes another,
# only the SDL backend includes SDL, the rules include nothing of GL, SDL or ours, and the renderer
# nothing of the loop above it.
root=$1
status=0
include='#[[:space:]]*include[[:space:]]*'
fail() { echo "$1"; echo "$2"; status=1; }

sdl=$(grep -rnE "$include[<\"]SDL" "$root/game" "$root/app" "$root/render" "$root/assets" "$root/platform" 2>/dev/null |
      grep -v "^$root/platform/sdl/")
[ -z "$sdl" ] || fail "SDL included outside platform/sdl/:" "$sdl"

rules=$(grep -rnE "$include[<\"](GL/|SDL|platform/|render/|assets/|app/)" "$root/game")
[ -z "$rules" ] || fail "the rules include another subsystem:" "$rules"

upward=$(grep -rnE "$include\"app/" "$root/render")
[ -z "$upward" ] || fail "the renderer includes the loop:" "$upward"

backend=$(grep -rnE "$include\"platform/[^\"]+/" "$root/game" "$root/app" "$root/render" "$root/assets")
[ -z "$backend" ] || fail "a backend's header included above the seam:" "$backend"

seam=$(grep -nE "$include\"platform/[^\"]+/" "$root"/platform/*.h "$root"/platform/*.cpp 2>/dev/null)
[ -z "$seam" ] || fail "the seam includes a backend:" "$seam"

folders=0
for dir in "$root"/platform/*/; do
    name=$(basename "$dir")
    folders=$((folders + 1))
    other=$(grep -rnE "$include\"platform/[^\"]+/" "$dir" | grep -vE "$include\"platform/$name/")
    [ -z "$other" ] || fail "the $name backend includes another backend:" "$other"
done
# A tree with no backend folders is not the one this check was written for.
[ "$folders" -gt 0 ] || fail "no backend folders under $root/platform" ""
exit $status
