#!/bin/sh
# brinvale-decode on the game's own pictures: its PPM equals ImageMagick's reading of the same
# file, whatever the encoding; a refused file gives the decoder's message and exit status 1.
set -eu
tool=$1
pic=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for f in bbgr.bmp bbgr1.bmp bbgr2.bmp bbgr3.bmp bbgr4.bmp kol1.bmp bnew.bmp bleft.bmp bdown.bmp bctrl.bmp; do
    "$tool" "$pic/$f" "$work/ours.ppm"
    convert "$pic/$f" -depth 8 "ppm:$work/reference.ppm"
    cmp "$work/ours.ppm" "$work/reference.ppm" || { echo "$f differs"; exit 1; }
done

printf 'not a picture' > "$work/bad.bmp"
if "$tool" "$work/bad.bmp" "$work/out.ppm" 2> "$work/err"; then echo "bad.bmp accepted"; exit 1; fi
grep -qx 'Unknown DIB file format.' "$work/err" || { cat "$work/err"; exit 1; }
if "$tool" "$work/missing.bmp" "$work/out.ppm" 2> "$work/err"; then echo "missing.bmp accepted"; exit 1; fi
grep -qx "Failed to open DIB file $work/missing.bmp." "$work/err" || { cat "$work/err"; exit 1; }
if "$tool" "$pic/bbgr.bmp" 2> /dev/null; then echo "usage not enforced"; exit 1; fi
echo "brinvale-decode: all checks passed"
