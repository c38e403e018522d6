#!/usr/bin/env bash
# Tests the packages in DIST as a user gets them.
#   package_test.sh DIST LINUX_BUILD WINDOWS_BUILD
# The Debian package: its Depends and files, then installed with
# `dpkg --root` into a fresh, empty root (its own dpkg database, no chroot:
# debootstrap needs the network), first over an older version of itself,
# which must go whole, then removed, which must leave nothing. Its programs
# run from that root in a folder whose name has blanks and accents.
# The zip: its files and version resources, then unpacked into such a folder
# and its .exe programs run there under wine.
# Ends with "N passed, M failed".
set -uo pipefail
dist=$(cd "$1" && pwd)
linux_build=$(cd "$2" && pwd)
windows_build=$(cd "$3" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux_build/CMakeCache.txt")
work=$(mktemp -d "${TMPDIR:-/tmp}/package_test.XXXXXX")
trap 'rm -rf "$work"' EXIT
odd_folder="Cartella di prova àè Ω"
passed=0 failed=0

check() {  # check NAME COMMAND...: one result line
  local name=$1
  shift
  if "$@" > "$work/check.log" 2>&1; then
    passed=$((passed + 1))
    echo "ok   $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name"
    sed 's/^/     /' "$work/check.log" | tail -20
  fi
}

version_line_is() {  # version_line_is PROGRAM OUTPUT
  grep -Eqx "$1 ${version//./\\.}( \(commit [0-9a-f]+(-dirty)?\))?" <<< "$2"
}

same_files() {  # same_files DIR1 DIR2 FILE...
  local a=$1 b=$2 name
  shift 2
  for name in "$@"; do cmp "$a/$name" "$b/$name" || return 1; done
}

binary_files() {  # the three binary files a build writes in DIR
  (cd "$1" && ls -- *.dat *.sim)
}

no_build_paths() {  # no_build_paths FILE...: no path of this machine's trees inside
  local file
  for file in "$@"; do
    if strings -a "$file" | grep -F -e "$top" -e "$linux_build" -e "$windows_build"; then
      echo "$file holds a build machine path"
      return 1
    fi
  done
}

# ---------------------------------------------------------------- Debian package
deb=$(ls "$dist"/*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
check "deb: Depends names the C and C++ runtimes" \
  bash -c 'dpkg-deb -f "$1" Depends | grep -q "libc6 (>=" && dpkg-deb -f "$1" Depends | grep -q "libstdc++6 (>="' _ "$deb"
check "deb: version $version" test "$(dpkg-deb -f "$deb" Version)" = "$version"
has_files() {
  local path
  for path in "$@"; do grep -qx "\./$path" <<< "$contents" || { echo "missing $path"; return 1; }; done
}
check "deb: the tool on the PATH, the runners and the program under lib/, guide, starter, licences" has_files \
  usr/bin/scenario_tool usr/lib/compila-scenario/compila_runner usr/lib/compila-scenario/compila_runner.exe \
  usr/lib/compila-scenario/compila_scenario usr/share/doc/compila-scenario/scenario-format.html \
  usr/share/doc/compila-scenario/copyright usr/share/doc/compila-scenario/examples/starter/linea.txt \
  usr/share/doc/compila-scenario/licenses/CLI11.txt usr/share/doc/compila-scenario/licenses/nlohmann-json.txt
check "deb: files under /usr only, no test data" bash -c '! grep -v -e "^\./$" -e "^\./usr/" <<< "$1" && ! grep -i -e test -e scenarios/ <<< "$1"' _ "$contents"

root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: > "$root/var/lib/dpkg/status"
in_root() { dpkg --root="$root" --force-depends --force-script-chrootless "$@"; }

# An older version with a file the new one no longer has.
old="$work/old"
dpkg-deb -R "$deb" "$old"
sed -i "s/^Version: .*/Version: 0.0.1/" "$old/DEBIAN/control"
echo "left by 0.0.1" > "$old/usr/lib/compila-scenario/only_in_0.0.1"
dpkg-deb --root-owner-group -b "$old" "$work/old.deb" > /dev/null
check "deb: installs into a fresh root" in_root -i "$work/old.deb"
check "deb: installs over the older version" in_root -i "$deb"
check "deb: the older version's files are gone" test ! -e "$root/usr/lib/compila-scenario/only_in_0.0.1"
check "deb: the installed version is $version" \
  bash -c 'test "$(dpkg-query --admindir="$1/var/lib/dpkg" -W -f="\${Version}" compila-scenario)" = "$2"' _ "$root" "$version"
check "deb: no build machine path in the programs" no_build_paths "$root/usr/bin/scenario_tool" \
  "$root"/usr/lib/compila-scenario/*

# The installed programs, from the PATH, in a folder with blanks and accents.
here="$work/home/$odd_folder"
mkdir -p "$here"
run_installed() { (cd "$here" && env PATH="$root/usr/bin:/usr/bin:/bin" "$@"); }
check "deb: scenario_tool --version from the PATH" \
  version_line_is scenario_tool "$(run_installed scenario_tool --version)"
check "deb: init" run_installed scenario_tool init "mia linea"
check "deb: init writes the starter" diff -r "$root/usr/share/doc/compila-scenario/examples/starter" "$here/mia linea"
check "deb: check" run_installed scenario_tool check "mia linea"
mkdir -p "$here/uscita è"
check "deb: build" run_installed scenario_tool build "mia linea" -o "uscita è"
check "deb: build writes three binary files" test "$(binary_files "$here/uscita è" | wc -l)" -eq 3
# pack finds the runner installed under lib/, and the packed program writes
# what build wrote.
mkdir -p "$here/gioco"
check "deb: pack with the installed runner" run_installed scenario_tool pack "mia linea" -o "gioco/mia linea"
check "deb: the packed program builds the same files" bash -c \
  'cd "$1/gioco" && ./"mia linea" > /dev/null && for f in $(cd "$1/uscita è" && ls *.dat *.sim); do cmp "$f" "$1/uscita è/$f" || exit 1; done' _ "$here"
check "deb: pack --windows with the installed Windows runner" \
  run_installed scenario_tool pack "mia linea" --windows -o "gioco/mia linea.exe"
# compila_scenario is copied where it is to write.
mkdir -p "$here/simulatore"
cp "$root/usr/lib/compila-scenario/compila_scenario" "$here/simulatore/"
check "deb: compila_scenario --version" \
  version_line_is compila_scenario "$("$here/simulatore/compila_scenario" --version)"
check "deb: compila_scenario writes beside itself" bash -c \
  'cd / && "$1/simulatore/compila_scenario" > /dev/null && test "$(cd "$1/simulatore" && ls *.dat *.sim | wc -l)" -eq 3' _ "$here"

check "deb: removes" in_root -r compila-scenario
check "deb: removing leaves no file" bash -c 'test -z "$(find "$1/usr" -type f 2>/dev/null)"' _ "$root"

# ---------------------------------------------------------------- Windows zip
zip=$(ls "$dist"/*.zip)
top_folder=$(basename "$zip" .zip)
unpacked="$work/zip/$odd_folder"
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip")
app="$unpacked/$top_folder"
zip_has() {
  local path
  for path in "$@"; do test -e "$app/$path" || { echo "missing $path"; return 1; }; done
}
check "zip: programs, guide, starter, licences, LEGGIMI and README" zip_has \
  compila_scenario.exe scenario_tool.exe compila_runner.exe scenario-format.html starter/linea.txt \
  starter/treno.txt LICENSE.txt LEGGIMI.txt README.txt licenses/CLI11.txt licenses/nlohmann-json.txt \
  licenses/mingw-w64-runtime.txt licenses/gcc-runtime.txt
check "zip: no test data" bash -c '! (cd "$1" && find . | grep -i -e test -e scenarios/)' _ "$app"
check "zip: the starter's bytes as in the tree" diff -r "$top/examples/starter" "$app/starter"
check "zip: no build machine path in the programs" no_build_paths "$app"/*.exe
check "zip: the guide's links all lead to its headings" /usr/bin/python3 - "$app/scenario-format.html" << 'PY'
import re, sys
page = open(sys.argv[1], encoding="utf-8").read()
ids = set(re.findall(r'id="([^"]+)"', page))
links = re.findall(r'href="#([^"]+)"', page)
broken = [link for link in links if link not in ids]
assert links and not broken and "<table>" in page and "```" not in page, broken
PY
# Explorer's Details tab shows the fixed file version and the strings.
check "zip: each .exe carries the version $version in its version resource" /usr/bin/python3 - "$version" "$app"/*.exe << 'PY'
import struct, sys
major, minor, patch = (int(x) for x in sys.argv[1].split("."))
for name in sys.argv[2:]:
    data = open(name, "rb").read()
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    assert at >= 0, name + ": no version resource"
    ms, ls = struct.unpack_from("<II", data, at + 8)
    assert (ms, ls) == (major << 16 | minor, patch << 16), (name, hex(ms), hex(ls))
    key = "ProductVersion\0".encode("utf-16-le")
    at = data.find(key)
    assert at >= 0, name + ": no ProductVersion"
    at += len(key)
    at += (-at) % 4  # the value is aligned on 32 bits
    assert data[at:].startswith((sys.argv[1] + "\0").encode("utf-16-le")), name
PY

wine_run="$top/cmake/wine_run.sh"
# What the Linux programs write, to compare with.
linux_out="$work/linux"
mkdir -p "$linux_out/program" "$linux_out/starter"
cp "$linux_build/compila_scenario" "$linux_out/program/"
"$linux_out/program/compila_scenario" > /dev/null
"$linux_build/scenario_tool" build "$top/examples/starter" -o "$linux_out/starter" > /dev/null

check "zip: compila_scenario.exe --version under wine" \
  version_line_is compila_scenario "$("$wine_run" "$app/compila_scenario.exe" --version | tr -d '\r')"
check "zip: scenario_tool.exe --version under wine" \
  version_line_is scenario_tool "$("$wine_run" "$app/scenario_tool.exe" --version | tr -d '\r')"
player="$work/zip/Simulatore è/Scenari"
mkdir -p "$player"
cp "$app/compila_scenario.exe" "$player/"
"$wine_run" "$player/compila_scenario.exe" > /dev/null 2>&1
check "zip: compila_scenario.exe writes the Linux program's files beside itself" \
  same_files "$player" "$linux_out/program" $(binary_files "$linux_out/program")
wine_tool() { (cd "$work/zip/$odd_folder" && "$wine_run" "$app/scenario_tool.exe" "$@"); }
check "zip: scenario_tool.exe init" wine_tool init "mia linea"
check "zip: scenario_tool.exe check" wine_tool check "mia linea"
mkdir -p "$unpacked/uscita è"
check "zip: scenario_tool.exe build" wine_tool build "mia linea" -o "uscita è"
check "zip: scenario_tool.exe build writes the Linux tool's files" \
  same_files "$unpacked/uscita è" "$linux_out/starter" $(binary_files "$linux_out/starter")
check "zip: scenario_tool.exe pack, with the runner beside it" wine_tool pack "mia linea" -o "mia linea.exe"
mkdir -p "$work/zip/gioco"
cp "$unpacked/mia linea.exe" "$work/zip/gioco/" 2>/dev/null
"$wine_run" "$work/zip/gioco/mia linea.exe" > /dev/null 2>&1
check "zip: the packed .exe writes the Linux tool's files" \
  same_files "$work/zip/gioco" "$linux_out/starter" $(binary_files "$linux_out/starter")

echo "package_test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
