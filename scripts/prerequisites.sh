# Sourced by the other scripts: installs the Debian packages a command needs
# when run as root, otherwise prints the exact line to run and stops.
require_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing ${missing[*]}"
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "Missing packages. Run:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
}

build_packages=(cmake make g++ libcli11-dev nlohmann-json3-dev libcpp-httplib-dev dpkg-dev)
# chromium, imagemagick and a font: the draw page rendered and its screenshot checked;
# neovim: a real client of the language server.
test_packages=(cmake make g++ libgtest-dev libgmock-dev libcli11-dev nlohmann-json3-dev libcpp-httplib-dev dpkg-dev chromium imagemagick fonts-dejavu-core
               neovim)
bench_packages=(cmake make g++ libbenchmark-dev libcli11-dev nlohmann-json3-dev libcpp-httplib-dev dpkg-dev)
fuzz_packages=(cmake make clang libclang-rt-14-dev libgtest-dev libcli11-dev nlohmann-json3-dev libcpp-httplib-dev dpkg-dev)
# clang-format 14 and clang-tidy 14 (scripts/format.sh, scripts/lint.sh); the
# lint reads the release build's compile_commands.json, so it needs the build's packages.
format_packages=(git clang-format-14)
lint_packages=(cmake make g++ libgtest-dev libgmock-dev libcli11-dev nlohmann-json3-dev libcpp-httplib-dev dpkg-dev clang-tidy-14)
windows_packages=(cmake make g++ g++-mingw-w64-x86-64-posix wine wine64 googletest libgtest-dev libgmock-dev
                  libcli11-dev nlohmann-json3-dev libcpp-httplib-dev dpkg-dev xvfb xauth xdotool e2fsprogs)
# The packages (scripts/release.sh): dpkg-shlibdeps and file for the Debian
# package's Depends, python3-markdown for the guide as HTML, and the Windows
# build and wine for the zip and its test.
release_packages=("${windows_packages[@]}" dpkg-dev file python3-markdown)
jobs=$(nproc 2>/dev/null || echo 2)

# Debian ships cpp-httplib split into a header of declarations and a shared
# library, which the Windows cross build cannot link, and which brings
# OpenSSL, zlib and brotli into every start of scenario_tool on Linux (about
# 10 ms and 4 MB before any work). Debian's source package of the same
# version holds the library whole, as one header: it is fetched once (with
# its Debian patches applied) into a cache outside the tree, and the folder
# holding httplib.h is printed. The source index is enabled from the same
# mirrors as the binary one.
whole_httplib_folder() {
  local version cache sources=/etc/apt/sources.list.d/debian.sources
  version=$(dpkg-query -W -f='${Version}' libcpp-httplib-dev)
  cache="${XDG_CACHE_HOME:-$HOME/.cache}/compila-scenario/cpp-httplib-$version"
  if [ ! -f "$cache/include/httplib.h" ]; then
    if [ -z "$(apt-cache showsrc "cpp-httplib=$version" 2>/dev/null)" ]; then
      if [ "$(id -u)" -ne 0 ] || [ ! -f "$sources" ]; then
        echo "Debian's source index is needed for cpp-httplib $version (deb-src in $sources)" >&2
        return 1
      fi
      sed 's/^Types: deb$/Types: deb-src/' "$sources" > /etc/apt/sources.list.d/compila-debian-src.sources
      apt-get update -qq >&2
    fi
    rm -rf "$cache.partial" && mkdir -p "$cache.partial" && chmod 755 "$cache.partial"
    (cd "$cache.partial" && apt-get source -qq "cpp-httplib=$version" > /dev/null 2>&1) || {
      echo "apt-get source cpp-httplib=$version failed" >&2
      return 1
    }
    mkdir -p "$cache.partial/include"
    cp "$cache.partial"/cpp-httplib-*/httplib.h "$cache.partial/include/"
    rm -rf "$cache" && mv "$cache.partial" "$cache"
  fi
  echo "$cache/include"
}

# The builds take the whole header where it can be had (cmake/CppHttplib.cmake
# reads COMPILA_HTTPLIB_INCLUDE); without it they link Debian's split library.
use_whole_httplib() {
  local folder
  if folder=$(whole_httplib_folder); then
    export COMPILA_HTTPLIB_INCLUDE="$folder"
  else
    echo "note: cpp-httplib's whole header could not be had; Debian's shared library is linked" >&2
  fi
}
