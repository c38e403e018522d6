#!/usr/bin/env bash
# The Windows program and the Linux program made from the same scenario write
# the same files: each is run alone in an empty folder (the Windows one under
# wine, without a screen), and the six surviving files are compared byte for
# byte, with the exit statuses and the diagnostic lines on standard error.
#   same_bytes.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR SOURCE_DIR WORK_DIR
# The embedded scenario, the starter and every folder under tests/scenarios/
# are compared.
set -uo pipefail
linux=$1 windows=$2 source=$3 work=$4
unset DISPLAY WAYLAND_DISPLAY

programs=("compila_scenario:$linux/compila_scenario:$windows/compila_scenario.exe"
          "scenario_starter:$linux/tests/scenario_programs/scenario_starter:$windows/tests/scenario_programs/scenario_starter.exe")
for folder in "$source"/tests/scenarios/*/; do
  name=scenario_$(basename "$folder")
  programs+=("$name:$linux/tests/scenario_programs/$name:$windows/tests/scenario_programs/$name.exe")
done

# run_in FOLDER PROGRAM [LAUNCHER...]: copies PROGRAM into FOLDER/program, runs
# it from FOLDER, keeps its status and standard error (CR LF read as LF), and
# leaves only the files it wrote in FOLDER/program.
run_in() {
  local folder=$1 program=$2; shift 2
  mkdir -p "$folder/program"
  cp "$program" "$folder/program/"
  (cd "$folder" && timeout -k 5 120 "$@" "program/$(basename "$program")" > /dev/null 2> err.raw)
  echo $? > "$folder/status"
  tr -d '\r' < "$folder/err.raw" > "$folder/err"
  rm "$folder/program/$(basename "$program")" "$folder/err.raw"
}

failed=0 passed=0
for entry in "${programs[@]}"; do
  IFS=: read -r name linux_program windows_program <<< "$entry"
  case_dir="$work/$name"
  rm -rf "$case_dir" && mkdir -p "$case_dir"
  problems=()
  if [ ! -x "$linux_program" ] || [ ! -f "$windows_program" ]; then
    problems+=("program missing: $linux_program or $windows_program")
  else
    run_in "$case_dir/linux" "$linux_program"
    run_in "$case_dir/windows" "$windows_program" wine
    [ "$(cat "$case_dir/linux/status")" = "$(cat "$case_dir/windows/status")" ] ||
      problems+=("status $(cat "$case_dir/linux/status") on Linux, $(cat "$case_dir/windows/status") on Windows")
    cmp -s "$case_dir/linux/err" "$case_dir/windows/err" ||
      problems+=("standard error differs: $(diff "$case_dir/linux/err" "$case_dir/windows/err" | head -5 | tr '\n' ' ')")
    linux_files=$(cd "$case_dir/linux/program" && ls -A)
    windows_files=$(cd "$case_dir/windows/program" && ls -A)
    [ "$linux_files" = "$windows_files" ] ||
      problems+=("files differ: [$(echo $linux_files)] on Linux, [$(echo $windows_files)] on Windows")
    [ -n "$linux_files" ] || problems+=("no file written")
    for file in $linux_files; do
      [ -f "$case_dir/windows/program/$file" ] &&
        ! cmp -s "$case_dir/linux/program/$file" "$case_dir/windows/program/$file" &&
        problems+=("$file: bytes differ")
    done
  fi
  if [ ${#problems[@]} -eq 0 ]; then
    echo "same: $name (status $(cat "$case_dir/linux/status"), $(echo "$linux_files" | wc -l) files)"
    passed=$((passed + 1))
  else
    printf 'DIFFERENT: %s: %s\n' "$name" "${problems[@]}"
    failed=$((failed + 1))
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
