#!/usr/bin/env bash
# Where the kernel cannot execute 32-bit code, 32-bit Wine runs under
# qemu-i386. Debian 12's (7.2) crashes any 32-bit process that runs two
# threads at once, and Wine starts a 32-bit child process by executing its
# 32-bit loader, which such a kernel can only do through binfmt_misc. So this
# script fetches Debian 13's qemu-user, whose qemu-i386 is one statically
# linked program, under an apt state of its own (the system's sources and
# indexes stay as they are), and registers it for i386 programs.
#
# Idempotent: nothing is fetched when it is already there, nothing registered
# when a working registration is. Does nothing where the kernel runs 32-bit
# code, unless MWN_FORCE_QEMU=1 (to try this route on such a kernel).
set -euo pipefail
here=$(dirname "$(realpath "$0")")
# shellcheck source=../tests/e2e/wine_env.sh
source "$here/../tests/e2e/wine_env.sh"

binfmt=/proc/sys/fs/binfmt_misc
# i386 ELF executables, as Debian's qemu-user-binfmt registers them.
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
i386_magic_hex=7f454c4601010100000000000000000002000300
entry_name=mwn-qemu-i386

# The interpreter of each enabled registration for i386 programs.
i386_interpreters() {
  local entry
  for entry in "$binfmt"/*; do
    case ${entry##*/} in register | status) continue ;; esac
    grep -qx enabled "$entry" && grep -qx "magic $i386_magic_hex" "$entry" &&
      sed -n 's/^interpreter //p' "$entry"
  done
  return 0
}

# Ours, or a qemu-i386 at least as new as the one this script fetches.
working_interpreter() {
  [ "$1" = "$MWN_QEMU_I386" ] && return 0
  local major
  major=$("$1" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p')
  [ -n "$major" ] && [ "$major" -ge 10 ]
}

fetch_qemu() {
  [ -x "$MWN_QEMU_I386" ] && return 0
  local state=/var/cache/mwn-qemu work
  mkdir -p "$state/lists/partial" "$state/cache/archives/partial" "$state/sources.list.d"
  echo "deb http://deb.debian.org/debian trixie main" >"$state/sources.list"
  local apt=(apt-get -q
    -o Dir::Etc::SourceList="$state/sources.list" -o Dir::Etc::SourceParts="$state/sources.list.d"
    -o Dir::State::Lists="$state/lists" -o Dir::Cache="$state/cache"
    -o APT::Architectures::=amd64 -o APT::Architecture=amd64 -o APT::Sandbox::User=root)
  echo "qemu-i386: fetching Debian 13's qemu-user for 32-bit Wine on this 64-bit-only kernel"
  "${apt[@]}" update || echo "qemu-i386: some indexes could not be downloaded; trying with the rest" >&2
  work=$(mktemp -d)
  (cd "$work" && "${apt[@]}" download qemu-user)
  dpkg -x "$work"/qemu-user_*.deb "$work/root"
  install -D -m 755 "$work/root/usr/bin/qemu-i386" "$MWN_QEMU_I386"
  rm -rf "$work"
}

register_qemu() {
  [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
  local interpreter
  while read -r interpreter; do
    working_interpreter "$interpreter" && return 0
  done < <(i386_interpreters)
  [ -e "$binfmt/$entry_name" ] && echo -1 >"$binfmt/$entry_name"
  # F: the kernel opens the interpreter now, so it is found from any mount
  # namespace or chroot later. A newer registration is matched first.
  printf ':%s:M::%s:%s:%s:F\n' "$entry_name" "$i386_magic" "$i386_mask" "$MWN_QEMU_I386" >"$binfmt/register"
  echo "qemu-i386: registered $MWN_QEMU_I386 for i386 programs"
}

if [ "${MWN_FORCE_QEMU:-}" != 1 ]; then
  # Without a registration for i386 programs, a loader that runs is the kernel's own doing.
  [ -e "$binfmt/register" ] && [ -n "$(i386_interpreters)" ] || ! wine_native_32bit || exit 0
fi
fetch_qemu
register_qemu
