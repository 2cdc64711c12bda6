#!/bin/sh
# Runs brinvale-sim on one scenario and diffs its transcript (stdout, stderr, exit status) with the
# expected one. Usage: run-scenario.sh SIM SCENARIO.sim [ARGS...] (ARGS replace the script argument).
sim=$1; script=$2; shift 2
expected=${script%.sim}.expected
actual=$(mktemp)
trap 'rm -f "$actual" "$actual.err"' EXIT
if [ $# -gt 0 ]; then "$sim" "$@" >"$actual" 2>"$actual.err"; else "$sim" "$script" >"$actual" 2>"$actual.err"; fi
status=$?
if [ -s "$actual.err" ]; then echo "--- stderr" >>"$actual"; cat "$actual.err" >>"$actual"; fi
echo "--- exit $status" >>"$actual"
diff -u "$expected" "$actual"
