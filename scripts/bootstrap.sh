#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine and fetches the
# sources of the libraries we compile ourselves. Safe to run again: a second run only checks.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
third_party="$root/third_party"

packages=(
  cmake make ninja-build pkg-config dpkg-dev
  g++ clang libclang-rt-14-dev llvm
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine32:i386 wine64 qemu-user-static
  xvfb xauth imagemagick icoutils unzip zip p7zip-full liblnk-utils locales osslsigncode openssl
  lzma-dev zlib1g-dev libz-mingw-w64-dev googletest
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

has_deb_src() {
  grep -rqsE '^\s*(deb-src\s|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/
}

add_deb_src() {
  # Mirror the binary entries of the stock deb822 file as source entries.
  local stock=/etc/apt/sources.list.d/debian.sources
  if [ -f "$stock" ]; then
    sed -e 's/^Types:.*/Types: deb-src/' "$stock" | as_root tee /etc/apt/sources.list.d/qovi-deb-src.sources >/dev/null
  else
    grep -hE '^\s*deb\s' /etc/apt/sources.list | sed -e 's/^\s*deb\s/deb-src /' |
      as_root tee /etc/apt/sources.list.d/qovi-deb-src.list >/dev/null
  fi
}

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
  need_update=1
fi
if ! has_deb_src; then
  add_deb_src
  need_update=1
fi

missing=$(missing_packages)
fetch_needed=0
[ -d "$third_party/minizip" ] && [ -d "$third_party/pugixml" ] || fetch_needed=1

if [ -n "$missing" ] || [ "$fetch_needed" -eq 1 ]; then
  # Stale lists make apt-get source and wine32:i386 fail, so refresh whenever we install.
  need_update=1
fi
if [ "$need_update" -eq 1 ]; then
  as_root apt-get update -qq
fi
if [ -n "$missing" ]; then
  echo "bootstrap: installing $(echo $missing | tr '\n' ' ')"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

# apt-get source unpacks with Debian's patches applied; keep one stable folder name per library.
fetch_source() {
  local name=$1 dest="$third_party/$1"
  [ -d "$dest" ] && return 0
  local work
  work=$(mktemp -d "$third_party/.fetch-$name.XXXXXX")
  (cd "$work" && apt-get source -qq "$name" >/dev/null 2>&1) || {
    echo "bootstrap: apt-get source $name failed" >&2; rm -rf "$work"; exit 1; }
  local unpacked
  unpacked=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [ -n "$unpacked" ] || { echo "bootstrap: no source tree for $name" >&2; rm -rf "$work"; exit 1; }
  mv "$unpacked" "$dest"
  rm -rf "$work"
}
mkdir -p "$third_party"
fetch_source minizip
fetch_source pugixml

# The wizard's tests in Russian start Wine with a Russian interface language, which Wine takes
# only from a locale that the system has.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
  as_root localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi

# Machines that cannot execute 32-bit code still run the shipped 32-bit program, emulated.
bash "$root/scripts/x86.sh" register || echo "bootstrap: the 32-bit build will not run on this machine" >&2
