#!/usr/bin/env bash
# Installs, on Debian 12 as root, whatever the build and the tests need and
# is not there yet: the host toolchain and GoogleTest, the MinGW-w64 i686
# cross toolchain with its zlib, clang for the fuzz target, and Wine (32-bit)
# with Xvfb for running the program. Where the kernel cannot execute 32-bit
# code itself, it also provides a qemu-i386 that runs 32-bit Wine
# (scripts/qemu-i386.sh).
set -euo pipefail
here=$(dirname "$(realpath "$0")")

packages=(
  build-essential cmake zlib1g-dev libgtest-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb xauth x11-apps imagemagick
  osslsigncode openssl
)

if [ "$(uname -s)" != Linux ] || ! command -v dpkg >/dev/null; then
  echo "install-deps: not a Debian machine; install the tools listed in this script by hand" >&2
  exit 0
fi

# A mirror in the middle of a sync serves some indexes with the wrong size;
# apt then keeps the older copy of those (or none) and says so, and what it
# did fetch is still good.
update_indexes() {
  apt-get update -q ||
    echo "install-deps: some package indexes could not be downloaded (see above); going on with the rest" >&2
}

# With one architecture's index newer than the other's (security updates for
# amd64 already there, for i386 not yet), the newest versions of a :i386
# package and its amd64 twin differ and apt refuses the pair; the release's
# own versions always match.
install_packages() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@" && return 0
  local release
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "install-deps: the install failed; trying once more, preferring the versions of $release itself" >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends -t "$release" "$@"
}

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  update_indexes
  install_packages "${missing[@]}"
fi

bash "$here/qemu-i386.sh"
