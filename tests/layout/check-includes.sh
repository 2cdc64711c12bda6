#!/bin/sh
# Keeps the seams: only platform/ includes SDL, the rules include nothing of GL, SDL or ours, and the
# renderer nothing of the loop above it.
root=$1
status=0
sdl=$(grep -rnE '#[[:space:]]*include[[:space:]]*[<"]SDL' "$root/game" "$root/app" "$root/render" "$root/assets" 2>/dev/null)
if [ -n "$sdl" ]; then echo "SDL included outside platform/:"; echo "$sdl"; status=1; fi
rules=$(grep -rnE '#[[:space:]]*include[[:space:]]*[<"](GL/|SDL|platform/|render/|assets/|app/)' "$root/game")
if [ -n "$rules" ]; then echo "the rules include another subsystem:"; echo "$rules"; status=1; fi
upward=$(grep -rnE '#[[:space:]]*include[[:space:]]*"app/' "$root/render")
if [ -n "$upward" ]; then echo "the renderer includes the loop:"; echo "$upward"; status=1; fi
exit $status
