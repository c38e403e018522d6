#!/usr/bin/env bash
# Interrupts scripts/mutate.sh while a mutant stands in a core file, with
# SIGINT, SIGTERM and SIGKILL, and checks that the file comes back byte for
# byte (after SIGKILL, at the start of the next run), that the build or test
# it had started is ended, and that the tree's git state is as before.
#   scripts/mutate_interrupt_test.sh [BUILD_DIR]    (default build/mutate)
# The first run configures and builds BUILD_DIR when it is new (minutes).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/mutate}
file=src/model/track_plan.cpp
cd "$top"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$file" "$work/original"
git_state() { git rev-parse HEAD; git status --porcelain; git stash list; }
git_state > "$work/git_before"

fail() { echo "FAIL: $*" >&2; [ -f "$work/log" ] && sed 's/^/  | /' "$work/log" >&2; exit 1; }

# Starts a run on $file and waits until the file on disk is a mutant.
start_run_and_wait_for_mutant() {
  scripts/mutate.sh --count 1 --seed 1 --build-dir "$build" "$file" > "$work/log" 2>&1 &
  pid=$!
  local waited=0
  while cmp -s "$file" "$work/original"; do
    kill -0 "$pid" 2>/dev/null || fail "the run ended before it mutated $file"
    sleep 0.05
    waited=$((waited + 1))
    [ "$waited" -lt 36000 ] || fail "no mutant within 30 minutes"
  done
}

check_tree_untouched() {
  cmp -s "$file" "$work/original" || fail "$1: $file differs from the original"
  git_state > "$work/git_after"
  cmp -s "$work/git_before" "$work/git_after" || fail "$1: the git state changed"
  [ ! -e "$build/mutating.path" ] || fail "$1: the restore journal was left behind"
}

for signal in INT TERM; do
  start_run_and_wait_for_mutant
  kill -s "$signal" "$pid"
  status=0
  wait "$pid" || status=$?
  expected=$((128 + $(kill -l "$signal")))
  [ "$status" -eq "$expected" ] || fail "SIG$signal: exit status $status, expected $expected"
  grep -q "every file is as it was" "$work/log" || fail "SIG$signal: no word of the stop"
  check_tree_untouched "SIG$signal"
  echo "ok: SIG$signal puts $file back"
done

# Killed outright, the run cannot clean up: the mutant stays until the next
# run, which puts it back before reading anything.
start_run_and_wait_for_mutant
kill -s KILL "$pid"
wait "$pid" || true
cmp -s "$file" "$work/original" && fail "SIGKILL: expected the mutant to stay until the next run"
child=$(cut -d' ' -f1 "$build/mutating.child" 2>/dev/null || true)
scripts/mutate.sh --list --count 1 --build-dir "$build" "$file" > "$work/log" 2>&1 || fail "SIGKILL: the next run failed"
grep -q "put back $file" "$work/log" || fail "SIGKILL: the next run did not say it put the file back"
# Ended means gone, or a zombie left for its new parent to reap.
still_runs() { kill -0 "$1" 2>/dev/null && [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ]; }
if [ -n "$child" ]; then
  for _ in $(seq 50); do still_runs "$child" && sleep 0.1; done
  ! still_runs "$child" || fail "SIGKILL: the build or test $child left behind still runs"
fi
check_tree_untouched "SIGKILL"
echo "ok: after SIGKILL the next run puts $file back"
