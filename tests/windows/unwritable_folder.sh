#!/usr/bin/env bash
# The Windows program in a folder that cannot be written (made immutable with
# chattr, which holds even for root): the run ends with status 1 and a message
# naming the first file and the reason, and the files of an earlier run stay
# as they were.
#   unwritable_folder.sh PROGRAM.exe WORK_DIR
set -uo pipefail
program=$1 work=$2
unset DISPLAY WAYLAND_DISPLAY
folder="$work/folder"
release() { chattr -i "$folder" 2>/dev/null; }
trap release EXIT
release
rm -rf "$work" && mkdir -p "$folder"
cp "$program" "$folder/"
earlier=(Corvalia_Brunasco-Alpestra_linea.dat Corvalia_Brunasco-Alpestra_40517.sim
         Corvalia_Brunasco-Alpestra_40517.dat Corvalia_Brunasco-Alpestra_40517_note.txt)
for file in "${earlier[@]}"; do echo "earlier file" > "$folder/$file"; done
if ! chattr +i "$folder" 2>/dev/null || touch "$folder/probe" 2>/dev/null; then
  echo "this file system cannot make a folder unwritable for root (chattr +i); not tested here"
  exit 77
fi

(cd "$work" && timeout -k 5 120 wine "$folder/$(basename "$program")" > /dev/null 2> err.raw)
status=$?
message=$(tr -d '\r' < "$work/err.raw")
release
fail=0
check() { if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAILED: $1: expected [$2], got [$3]"; fail=1; fi; }
check "status" 1 "$status"
echo "message: $message"
check "the message names the line source file" yes \
  "$(grep -q 'Corvalia_Brunasco-Alpestra_linea.txt' <<< "$message" && echo yes || echo no)"
check "the message gives the reason" yes "$(grep -qi 'denied\|not permitted' <<< "$message" && echo yes || echo no)"
for file in "${earlier[@]}"; do check "$file as it was" "earlier file" "$(cat "$folder/$file")"; done
check "nothing else in the folder" 5 "$(ls -A "$folder" | wc -l)"
exit $fail
