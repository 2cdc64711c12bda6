#!/bin/sh
# The command line's conventions, on the real program: each row is the arguments, the exit status,
# the stream that gets text (the other stays empty) and a pattern its first line matches.
# Usage: command-line.sh GAME VERSION
game=$1
version=$2
failed=0
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
while IFS='|' read -r args status stream pattern; do
  # shellcheck disable=SC2086 # the arguments are split on purpose
  "$game" $args >"$out" 2>"$err"
  got=$?
  if [ "$stream" = stdout ]; then text=$out; quiet=$err; else text=$err; quiet=$out; fi
  if [ "$got" != "$status" ] || [ -s "$quiet" ] || ! head -n 1 "$text" | grep -Eq "$pattern"; then
    echo "FAIL brinvale $args: status $got (want $status), stdout: $(cat "$out"), stderr: $(cat "$err")"
    failed=1
  fi
done <<EOF2
--help|0|stdout|^Usage: brinvale \[OPTION\]\.\.\.$
--version|0|stdout|^brinvale $version$
--window --help|0|stdout|^Usage: brinvale
--bogus|2|stderr|^brinvale: unknown option '--bogus'$
--window extra|2|stderr|^brinvale: unknown option 'extra'$
EOF2
exit $failed
