#!/bin/sh
# One check of the Debian package in DIR, on what it ships: lintian on the package, or the desktop
# entry, the software-centre metadata or the manual page through their own validators. Any
# complaint (a lintian error or warning, a validator's warning, a groff warning) fails.
# Usage: check.sh lintian|desktop-entry|metainfo|manpage DIR
set -eu
what=$1
deb=$(ls "$2"/brinvale_*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
# Runs a validator that may only warn on standard output: its output is shown, and any fails.
silent() {
  out=$("$@" 2>&1) || { echo "$out"; return 1; }
  [ -z "$out" ] || { echo "$out"; return 1; }
}
case $what in
  lintian) lintian --fail-on error,warning "$deb" ;;
  desktop-entry) silent desktop-file-validate "$root/usr/share/applications/brinvale.desktop" ;;
  metainfo) appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml ;;
  manpage)
    gzip -dc "$root/usr/share/man/man6/brinvale.6.gz" >"$root/brinvale.6"
    silent groff -man -ww -z "$root/brinvale.6" ;;
  *) echo "check.sh: unknown check $what" >&2; exit 2 ;;
esac
