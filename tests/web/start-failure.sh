#!/bin/sh
# The browser tests with every engine's browser pointed at /bin/false: they must end soon, failed,
# saying for each engine that its browser did not start, and leave nothing they started running.
# Usage: start-failure.sh WEB_TEST_MJS WORK_DIR
set -eu
web_test=$1
work=$2
rm -rf "$work"
mkdir -p "$work/site" "$work/tmp"
# The files the run insists on; no page is ever served.
for f in index.html brinvale.js brinvale.wasm brinvale.data; do : >"$work/site/$f"; done
status=0
# Every process the run starts inherits this TMPDIR, which is how the leftovers are found.
TMPDIR="$work/tmp" BRINVALE_CHROMIUM=/bin/false BRINVALE_FIREFOX=/bin/false BRINVALE_MINIBROWSER=/bin/false \
  node "$web_test" "$work/site" >"$work/out" 2>&1 || status=$?
cat "$work/out"
fail() { echo "start-failure: $*" >&2; exit 1; }
[ "$status" = 1 ] || fail "the run exited with $status, not 1"
grep -qx 'web tests: 1 passed, 3 failed' "$work/out" || fail "no summary of 1 passed, 3 failed"
for engine in chromium firefox webkit; do
  grep -q "^FAIL $engine: the browser starts: ." "$work/out" || fail "$engine's failure to start is not reported"
done
left=$(grep -lsz "^TMPDIR=$work/tmp\$" /proc/[0-9]*/environ || true)
[ -z "$left" ] || fail "still running: $(echo "$left" | sed 's,/proc/\([0-9]*\)/environ,\1,' | tr '\n' ' ')"
echo "start-failure: ok"
