#!/usr/bin/env bash
# Builds the Windows programs and the whole test suite for Windows with
# mingw-w64 into build/windows/, then runs the suite under wine: the unit
# tests, the programs in held, read-only, unwritable and Unicode-named
# folders, the same bytes as the Linux programs, and the window and message
# box under Xvfb.
#   scripts/windows.sh            build and test
#   scripts/windows.sh --build    build only (build/windows/compila_scenario.exe)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/prerequisites.sh"
require_packages "${windows_packages[@]}"
# The Windows build has serve only from the whole header: no fallback here.
COMPILA_HTTPLIB_INCLUDE=$(whole_httplib_folder)
export COMPILA_HTTPLIB_INCLUDE

build="$top/build/windows"
linux_build="$top/build/test"
toolchain="$top/cmake/toolchain-mingw64.cmake"
mkdir -p "$build"

# GoogleTest from Debian's source package, cross-built once and kept in the
# build folder; built again when the package changes.
gtest_version=$(dpkg-query -W -f='${Version}' googletest)
gtest="$build/googletest"
if [ "$(cat "$gtest/version" 2>/dev/null)" != "$gtest_version" ]; then
  echo "Cross-building GoogleTest $gtest_version"
  rm -rf "$gtest"
  cmake -S /usr/src/googletest -B "$gtest/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest/install" > /dev/null
  cmake --build "$gtest/build" -j "$jobs" > /dev/null
  cmake --install "$gtest/build" > /dev/null
  echo "$gtest_version" > "$gtest/version"
fi

# The Linux programs the Windows ones are compared with: the same build as
# scripts/test.sh, so that after it nothing is built twice.
# Both are configured through the presets release and windows (CMakePresets.json).
(cd "$top" && cmake --preset release > /dev/null)
cmake --build "$linux_build" -j "$jobs" --target scenario_programs

(cd "$top" && cmake --preset windows -DGTest_DIR="$gtest/install/lib/cmake/GTest" \
   -DCOMPILA_HTTPLIB_INCLUDE="$COMPILA_HTTPLIB_INCLUDE" > /dev/null)
cmake --build "$build" -j "$jobs"
[ "${1:-}" = "--build" ] && exit 0

# wine in a prefix of its own inside the build folder, quiet, with no screen
# (a message box then ends the run at once instead of waiting for a user).
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
stop_wine() {
  timeout 30 wineserver -k > /dev/null 2>&1 || true
  timeout 30 wineserver -w > /dev/null 2>&1 || true
}
trap stop_wine EXIT
# A wine server left from an earlier run is ended; a new one is started here,
# kept until the end and detached from the tests' output, so that no test
# waits on a server that a test started.
stop_wine
mkdir -p "$WINEPREFIX"
timeout 30 wineserver -p < /dev/null > /dev/null 2>&1
timeout 180 wineboot -i < /dev/null > /dev/null 2>&1

timeout -k 30 1500 ctest --test-dir "$build" --output-on-failure -j 2 --timeout 300

# scenario_tool pack --windows: the Linux tool packs the Windows runner built
# above, and each packed .exe runs under wine against the Linux program. The
# runner is named to the test when it runs, so the Linux build's configuration
# stays as scripts/test.sh left it.
COMPILA_WINDOWS_RUNNER="$build/compila_runner.exe" \
  timeout -k 30 900 ctest --test-dir "$linux_build" --output-on-failure -R '^pack_windows$' | tee "$build/pack_windows.log"
if grep -q 'Skipped' "$build/pack_windows.log"; then
  echo "pack_windows was skipped: the Windows runner did not reach the test" >&2
  exit 1
fi

# Last, the packages made from the two builds above and their tests: the .deb
# installed into a fresh root, the zip's programs under wine (scripts/release.sh).
"$top/scripts/release.sh"
