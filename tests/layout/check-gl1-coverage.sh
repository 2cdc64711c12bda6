#!/bin/sh
# Every GL and GLU function the renderer's native objects call must be declared in the web build's
# GL 1.x layer header and defined in its source; otherwise the web build would miss it, or quietly
# take WebGL's function of that name with its other meaning.
# Usage: check-gl1-coverage.sh NM LAYER_HEADER LAYER_SOURCE LIBRARY...
nm=$1 header=$2 source=$3
shift 3
for file in "$header" "$source" "$@"; do
    [ -r "$file" ] || { echo "cannot read $file"; exit 1; }
done

called=$("$nm" -u "$@" | awk '$1 == "U" { print $2 }' | grep -E '^glu?[A-Z]' | sort -u)
# An empty list means the libraries were not what this check thinks: never pass on nothing.
[ -n "$called" ] || { echo "no gl*/glu* calls found in $*"; exit 1; }

# "name kind" for each function named at the start of a line after its return type: kind is "def"
# when its body's brace comes before any ';' (the signature may run over several lines), else "decl".
names() {
    awk '
        !open && match($0, /^[A-Za-z_][A-Za-z0-9_]*[ *]+glu?[A-Z][A-Za-z0-9]*\(/) {
            name = substr($0, 1, RLENGTH - 1); sub(/.*[ *]/, "", name); text = ""; open = 1
        }
        open {
            text = text $0
            semicolon = index(text, ";"); brace = index(text, "{")
            if (brace && (!semicolon || brace < semicolon)) { print name, "def"; open = 0 }
            else if (semicolon) { print name, "decl"; open = 0 }
        }' "$1"
}
declared=$(names "$header" | awk '$2 == "decl" { print $1 }' | sort -u)
defined=$(names "$source" | awk '$2 == "def" { print $1 }' | sort -u)

status=0
for function in $called; do
    echo "$declared" | grep -qx "$function" || { echo "$function: not declared in $header"; status=1; }
    echo "$defined" | grep -qx "$function" || { echo "$function: not defined in $source"; status=1; }
done
[ $status -eq 0 ] && echo "all $(echo "$called" | wc -l) GL/GLU functions of the renderer are in the layer"
exit $status
