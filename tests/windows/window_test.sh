#!/usr/bin/env bash
# The Windows program's window and message box, as a user sees them on a
# screen (Xvfb): a scenario refused with 1250 shows "Form1" with its label and
# the message box; window_probe reads them, xdotool presses OK like the user,
# and the program must then end with status 1 and the message on standard
# error. Every step is bounded in time, so the test never hangs.
#   window_test.sh PROGRAM.exe WINDOW_PROBE.exe WORK_DIR
# Runs itself again under xvfb-run when no screen is given.
set -uo pipefail
program=$1 probe=$2 work=$3
if [ -z "${WINDOW_TEST_SCREEN:-}" ]; then
  export WINDOW_TEST_SCREEN=1
  # A wine prefix of its own: a wine server started for the runs without a
  # screen must not serve these windows.
  export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  exec timeout -k 10 240 xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" "$@"
fi

fail=0
check() {  # check DESCRIPTION EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAILED: $1: expected [$2], got [$3]"; fail=1; fi
}
stop_wine() { timeout 30 wineserver -k 2>/dev/null; timeout 30 wineserver -w 2>/dev/null; }
trap stop_wine EXIT

rm -rf "$work/run" && mkdir -p "$work/run"
# The server is started first, detached from this test's output.
stop_wine
mkdir -p "$WINEPREFIX"
timeout 30 wineserver -p < /dev/null > /dev/null 2>&1
timeout 120 wineboot -i < /dev/null > /dev/null 2>&1
cp "$program" "$work/run/"
name=$(basename "$program")

timeout 90 wine "$work/run/$name" < /dev/null > "$work/out" 2> "$work/err" &
started=$!
timeout 60 wine "$probe" 45 --message-box < /dev/null > "$work/probe.raw" 2> /dev/null
probe_status=$?
tr -d '\r' < "$work/probe.raw" > "$work/probe"
cat "$work/probe"
check "the probe found Form1 and the message box" 0 "$probe_status"
check "Form1's client area at 96 DPI" "form1 client 280x179 dpi 96" "$(grep '^form1' "$work/probe")"
check "the label" 'label "Attendere" at 64,64 size 177x53' "$(grep '^label' "$work/probe")"
check "the message box: caption, text, OK only, no icon" \
  'message_box caption "compila_scenario" text " Errore n. 1250" buttons OK icon no' \
  "$(grep '^message_box' "$work/probe")"

# A picture of the screen for a person to look at, when ImageMagick is there.
command -v import > /dev/null && timeout 20 import -window root "$work/screen.png" 2>/dev/null

# The user presses OK: the box's X window is found by its caption.
box=""
for _ in $(seq 50); do
  box=$(xdotool search --name '^compila_scenario$' 2>/dev/null | head -1)
  [ -n "$box" ] && break
  sleep 0.2
done
check "the message box is an X window" yes "$([ -n "$box" ] && echo yes || echo no)"
if [ -n "$box" ]; then
  xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box" 2>/dev/null
  xdotool key --clearmodifiers Return
fi
wait "$started"
status=$?
check "the program's status once OK is pressed" 1 "$status"
check "the message on standard error" " Errore n. 1250" "$(tr -d '\r' < "$work/err" | grep -F 'Errore n.')"
check "no binary file written" 0 "$(ls "$work/run" | grep -c '\.dat$\|\.sim$')"
exit $fail
