#!/usr/bin/env bash
# Runs a Windows program under wine for the build and the tests (the cross
# build's emulator). wine may start helper processes (its services, the
# desktop) that outlive the program; they would keep a pipe of the caller open
# and make it wait for them. So the program's output goes to files, which are
# passed on once it has ended, and the run is bounded in time.
#   wine_run.sh PROGRAM.exe [ARGUMENTS...]
set -u
work=$(mktemp -d "${TMPDIR:-/tmp}/wine_run.XXXXXX")
timeout -k 10 "${WINE_RUN_SECONDS:-600}" wine "$@" < /dev/null > "$work/out" 2> "$work/err"
status=$?
cat "$work/out"
cat "$work/err" >&2
rm -rf "$work"
exit $status
