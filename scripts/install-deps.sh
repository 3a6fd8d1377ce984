#!/usr/bin/env bash
# Installs, on Debian 12 as root, whatever the build and the tests need and
# is not there yet: the host toolchain and GoogleTest, the MinGW-w64 i686
# cross toolchain with its zlib, clang for the fuzz target, and Wine (32-bit)
# with Xvfb for running the program, and qemu-user for running 32-bit Wine
# where the kernel cannot execute 32-bit code itself.
set -euo pipefail

packages=(
  build-essential cmake zlib1g-dev libgtest-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 qemu-user xvfb xauth x11-apps imagemagick
)

if [ "$(uname -s)" != Linux ] || ! command -v dpkg >/dev/null; then
  echo "install-deps: not a Debian machine; install the tools listed in this script by hand" >&2
  exit 0
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -q
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
