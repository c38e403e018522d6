#!/usr/bin/env bash
# Makes the packages into dist/: the Debian package (from the Linux build of
# scripts/test.sh, build/test), the Windows zip (from the Windows build of
# scripts/windows.sh, build/windows) and SHA256SUMS, then tests them
# (tests/release/package_test.sh): the .deb installed into a fresh root, the
# zip unpacked and its programs run under wine.
#   scripts/release.sh             build, pack and test
#   scripts/release.sh --no-test   build and pack only
# The programs are built here; what else those builds hold (the tests) is
# neither built nor packed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/prerequisites.sh"
require_packages "${release_packages[@]}"
use_whole_httplib

linux_build="$top/build/test"
windows_build="${COMPILA_WINDOWS_BUILD:-$top/build/windows}"  # another Windows build folder may be named
dist="$top/dist"
programs=(compila_scenario scenario_tool compila_runner guide_html)

(cd "$top" && cmake --preset release -DCOMPILA_GUIDE_HTML=ON > /dev/null)
cmake --build "$linux_build" -j "$jobs" --target "${programs[@]}"
# The Windows build is configured once by scripts/windows.sh (GoogleTest for
# the target included); its cache keeps that configuration.
[ -f "$windows_build/CMakeCache.txt" ] || "$top/scripts/windows.sh" --build
cmake -S "$top" -B "$windows_build" -DCOMPILA_GUIDE_HTML=ON > /dev/null
cmake --build "$windows_build" -j "$jobs" --target "${programs[@]}"

rm -rf "$dist"
mkdir -p "$dist"
staging=$(mktemp -d "${TMPDIR:-/tmp}/release.XXXXXX")
# The Debian package carries the Windows runner for pack --windows: the Linux
# build installs the compila_runner.exe found beside its programs (a
# configure of that build removes it again).
cp "$windows_build/compila_runner.exe" "$linux_build/compila_runner.exe"
trap 'rm -rf "$staging"; rm -f "$linux_build/compila_runner.exe"' EXIT
cpack --config "$linux_build/CPackConfig.cmake" -B "$staging/deb" > "$staging/deb.log" || { cat "$staging/deb.log"; exit 1; }
cpack --config "$windows_build/CPackConfig.cmake" -B "$staging/zip" > "$staging/zip.log" || { cat "$staging/zip.log"; exit 1; }
mv "$staging"/deb/*.deb "$staging"/zip/*.zip "$dist/"
(cd "$dist" && sha256sum -- *.deb *.zip > SHA256SUMS)
echo "dist/:"
(cd "$dist" && ls -l)

[ "${1:-}" = "--no-test" ] && exit 0
# wine as scripts/windows.sh runs it (which calls this script last): its own
# prefix in the Windows build, quiet, no screen.
export WINEPREFIX="${WINEPREFIX:-$windows_build/wineprefix}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
"$top/tests/release/package_test.sh" "$dist" "$linux_build" "$windows_build"
