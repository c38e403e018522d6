#!/usr/bin/env bash
# Packs each test scenario with `scenario_tool pack --windows`, runs the .exe
# under wine and compares its status, its standard error lines and every file
# it writes with those of the CMake-built Linux program of the same scenario;
# then checks that a damaged .exe is reported and writes nothing.
#   [COMPILA_WINDOWS_RUNNER=PATH/compila_runner.exe] pack_windows_test.sh TOOL WORK_DIR PROGRAM FOLDER [PROGRAM FOLDER ...]
# The Windows runner is the one named by the environment variable
# COMPILA_WINDOWS_RUNNER (scripts/windows.sh names its own build's), copied
# beside a copy of TOOL, so that the build's configuration is left as it is;
# else the one a build configured with -DCOMPILA_WINDOWS_RUNNER=PATH put beside
# TOOL. Either way the tool finds it beside itself, as pack --windows does for
# an author. Ends with status 77 (skipped) when there is no runner or wine is
# missing.
set -uo pipefail
tool=$1 work=$2
shift 2
if [ -n "${COMPILA_WINDOWS_RUNNER:-}" ]; then
  if [ ! -f "$COMPILA_WINDOWS_RUNNER" ]; then
    echo "COMPILA_WINDOWS_RUNNER: $COMPILA_WINDOWS_RUNNER does not exist"
    exit 1
  fi
  rm -rf "$work/tool"
  mkdir -p "$work/tool"
  cp "$tool" "$work/tool/" && cp "$COMPILA_WINDOWS_RUNNER" "$work/tool/compila_runner.exe" || exit 1
  tool="$work/tool/$(basename "$tool")"
fi
runner="$(dirname "$tool")/compila_runner.exe"
if [ ! -f "$runner" ]; then
  echo "skipped: no Windows runner; set COMPILA_WINDOWS_RUNNER=PATH/compila_runner.exe when running the test," \
       "or configure with -DCOMPILA_WINDOWS_RUNNER=PATH/compila_runner.exe"
  exit 77
fi
if ! command -v wine > /dev/null; then
  echo "skipped: wine is not installed"
  exit 77
fi

rm -rf "$work/runs"
mkdir -p "$work/runs"
export WINEDEBUG=-all
unset DISPLAY  # no screen: the message box only writes its line to standard error
# A prefix made ready by the caller (scripts/windows.sh) is used as it is.
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX="$work/prefix"
  mkdir -p "$WINEPREFIX"
  timeout 300 wineboot -i > /dev/null 2>&1 || { echo "wineboot failed"; exit 1; }
fi

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

case_number=0
while [ $# -ge 2 ]; do
  program=$1 folder=$2
  shift 2
  case_number=$((case_number + 1))
  failures_before=$failures
  run="$work/runs/$case_number"
  mkdir -p "$run/linux" "$run/windows"
  cp "$program" "$run/linux/program"
  (cd "$run" && linux/program > /dev/null 2> linux_err)
  linux_status=$?
  rm "$run/linux/program"
  # Some test scenarios have errors on purpose: the program must behave the same all the same.
  if ! "$tool" pack "$folder" -o "$run/windows/program.exe" --windows --allow-errors > /dev/null 2> "$run/pack_err"; then
    fail "$folder: pack --windows: $(cat "$run/pack_err")"
    continue
  fi
  (cd "$run" && timeout 120 wine windows/program.exe > /dev/null 2> windows_err)
  windows_status=$?
  rm "$run/windows/program.exe"
  [ "$windows_status" -eq "$linux_status" ] || fail "$folder: status $windows_status under wine, $linux_status on Linux"
  tr -d '\r' < "$run/windows_err" | cmp -s - "$run/linux_err" ||
    fail "$folder: standard error differs: $(cat "$run/windows_err") against $(cat "$run/linux_err")"
  (cd "$run/linux" && ls) > "$run/linux_names"
  (cd "$run/windows" && ls) > "$run/windows_names"
  cmp -s "$run/linux_names" "$run/windows_names" || fail "$folder: other files written: $(cat "$run/windows_names")"
  for file in "$run"/linux/*; do
    [ -e "$file" ] || continue
    cmp -s "$file" "$run/windows/$(basename "$file")" || fail "$folder: $(basename "$file") differs"
  done
  [ "$failures" -eq "$failures_before" ] &&
    echo "$folder: status $windows_status, $(wc -l < "$run/linux_names") files, same bytes as on Linux"
done

# A damaged payload: one byte of the scenario changed.
damaged="$work/runs/damaged"
mkdir -p "$damaged"
"$tool" pack "$folder" -o "$damaged/program.exe" --windows > /dev/null || fail "pack for the damaged case"
size=$(stat -c %s "$damaged/program.exe")
printf 'X' | dd of="$damaged/program.exe" bs=1 seek=$((size - 60)) conv=notrunc status=none
(cd "$work/runs" && timeout 120 wine damaged/program.exe > /dev/null 2> damaged_err)
status=$?
[ "$status" -eq 1 ] || fail "damaged program: status $status"
grep -q 'program.exe: the appended scenario is damaged: its CRC-32' "$work/runs/damaged_err" ||
  fail "damaged program: $(cat "$work/runs/damaged_err")"
[ "$(ls "$damaged")" = program.exe ] || fail "damaged program wrote files: $(ls "$damaged")"

# A program that lost its end: the Windows runner reads the size it was packed with.
cut="$work/runs/cut"
mkdir -p "$cut"
head -c $((size - 100)) "$damaged/program.exe" > "$cut/program.exe"
(cd "$work/runs" && timeout 120 wine cut/program.exe > /dev/null 2> cut_err)
status=$?
[ "$status" -eq 1 ] || fail "cut program: status $status"
grep -q "program.exe: the program is cut short: it holds $((size - 100)) of the $size bytes" "$work/runs/cut_err" ||
  fail "cut program: $(cat "$work/runs/cut_err")"
[ "$(ls "$cut")" = program.exe ] || fail "cut program wrote files: $(ls "$cut")"

[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "all packed Windows programs agree with the Linux programs"
