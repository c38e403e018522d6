#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for a bounded time.
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
# Corpora grow in build/fuzz/corpus/<target>; a finding is saved in
# build/fuzz/findings/ and makes the script fail.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/prerequisites.sh"
require_packages "${fuzz_packages[@]}"
use_whole_httplib

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(line_source_fuzzer train_source_fuzzer scenario_fuzzer dump_fuzzer check_fuzzer decompile_fuzzer lsp_message_fuzzer)

build="$top/build/fuzz"
(cd "$top" && cmake --preset fuzz > /dev/null)  # clang, RelWithDebInfo, no tests
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

# Seeds: the embedded scenario as the writers write it (CR LF) and the
# cases in fuzz/seeds/ (for dump_fuzzer, pieces of the embedded build's
# binary files).
crlf() { sed 's/$/\r/' "$1"; }
corpus="$build/corpus"
mkdir -p "$corpus"/{line_source_fuzzer,train_source_fuzzer,scenario_fuzzer,dump_fuzzer,check_fuzzer,decompile_fuzzer,lsp_message_fuzzer} "$build/findings"
crlf "$top/scenario/linea.txt" > "$corpus/line_source_fuzzer/embedded"
crlf "$top/scenario/treno.txt" > "$corpus/train_source_fuzzer/embedded"
{ crlf "$top/scenario/linea.txt"; printf '\0'; crlf "$top/scenario/treno.txt"; } > "$corpus/scenario_fuzzer/embedded"
cp "$top"/fuzz/seeds/line/* "$corpus/line_source_fuzzer/" 2>/dev/null || true
cp "$top"/fuzz/seeds/train/* "$corpus/train_source_fuzzer/" 2>/dev/null || true
cp "$top"/fuzz/seeds/scenario/* "$corpus/scenario_fuzzer/" 2>/dev/null || true
cp "$top"/fuzz/seeds/dump/* "$corpus/dump_fuzzer/" 2>/dev/null || true
cp "$top"/fuzz/seeds/lsp/* "$corpus/lsp_message_fuzzer/" 2>/dev/null || true
cp "$corpus"/scenario_fuzzer/* "$corpus/check_fuzzer/"  # the same input, read as folder files
# decompile: the same sources, with no patch and with a few.
cp "$corpus"/scenario_fuzzer/* "$corpus/decompile_fuzzer/"
{ cat "$corpus/scenario_fuzzer/embedded"; printf '\0\002\000\020\001\000\001\000\200'; } > "$corpus/decompile_fuzzer/patched"

export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
  echo "== $target: $seconds s"
  rm -f "$build/findings/$target-"*
  log="$build/$target.log"
  status=0
  "$build/$target" -max_total_time="$seconds" -max_len=20000 -timeout=20 -print_final_stats=1 \
    -artifact_prefix="$build/findings/$target-" "$corpus/$target" > "$log" 2>&1 || status=$?
  grep -E '^stat::(number_of_executed_units|new_units_added)' "$log" || true
  if [ $status -ne 0 ]; then
    tail -n 40 "$log" >&2
    echo "finding in $target: see $log and $build/findings/" >&2
    exit 1
  fi
done
