#!/usr/bin/env bash
# Runs a Windows program under wine for the build and the tests (the cross
# build's emulator). wine may start helper processes (its services, the
# desktop) that outlive the program; they would keep a pipe of the caller open
# and make it wait for them. So the program's output goes to files, which are
# passed on once it has ended, and the run is bounded in time.
#   wine_run.sh PROGRAM.exe [ARGUMENTS...]
# A wine that fails before the program prints anything (seen once in a while
# when the prefix is busy) is given one more try, and says so.
set -u
work=$(mktemp -d "${TMPDIR:-/tmp}/wine_run.XXXXXX")
for try in 1 2; do
  timeout -k 10 "${WINE_RUN_SECONDS:-600}" wine "$@" < /dev/null > "$work/out" 2> "$work/err"
  status=$?
  if [ "$status" -eq 0 ] || [ -s "$work/out" ] || [ -s "$work/err" ] || [ "$try" -eq 2 ]; then break; fi
  echo "wine_run: wine ended with status $status before the program wrote anything; running it once more" >&2
done
cat "$work/out"
cat "$work/err" >&2
rm -rf "$work"
exit $status
