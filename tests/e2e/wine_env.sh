# Wine and Xvfb for running Windows programs in a sandbox: a prefix of our
# own whose drive letters point only at folders we choose, a display of our
# own, and a way to start 32-bit programs on hosts whose kernel cannot run
# 32-bit Linux code (Wine's 32-bit loader then runs under qemu-i386).
#
# Source this file, call wine_env_init <prefix-dir>, then the functions below.
# Every process is stopped by its pid or through our own WINEPREFIX.

WINE64_LOADER=${WINE64_LOADER:-/usr/lib/wine/wine64}
WINE32_LOADER=${WINE32_LOADER:-/usr/lib/wine/wine}
WINE32_DLL_DIR=${WINE32_DLL_DIR:-/usr/lib/i386-linux-gnu/wine/i386-windows}
WINESERVER=${WINESERVER:-$(command -v wineserver)}
# The qemu-i386 that scripts/qemu-i386.sh provides where the kernel runs no
# 32-bit code, registered there for i386 programs.
MWN_QEMU_I386=${MWN_QEMU_I386:-/usr/local/lib/mwn-qemu/qemu-i386}

wine_env_init() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  # No prompts to install Mono or Gecko.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # Under qemu the default guest address space makes Wine's start-up reserve
  # it page by page (minutes); 2 GiB and a little room for the stack is all a
  # 32-bit program that is not large-address-aware can use anyway.
  export QEMU_RESERVED_VA=0x81000000
}

# True when 32-bit Linux programs run, by the kernel itself or through a
# registered qemu-i386 (probed with Wine's own 32-bit server, which only
# prints its version).
wine_native_32bit() {
  "$(dirname "$WINE32_LOADER")/wineserver32" --version >/dev/null 2>&1
}

# Prints 32 or 64 for a PE image, from the machine field of its header.
wine_pe_bits() {
  local pe_offset machine
  pe_offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$1" | tr -d ' ')
  if [ "$machine" = 8664 ]; then echo 64; else echo 32; fi
}

# Creates the prefix (wineboot, about 20 s) and leaves it with drive C: only.
wine_prefix_create() {
  mkdir -p "$WINEPREFIX"
  "$WINE64_LOADER" wineboot -i >/dev/null 2>&1 || return 1
  wine_server_stop
  wine_unmap_drives
  # wineboot links the user's Desktop, Documents and the like to the host's
  # home folder; a walk of C: would leave the prefix through them.
  local link
  find "$WINEPREFIX/drive_c" -type l -xtype d -print0 | while IFS= read -r -d '' link; do
    rm -f "$link" && mkdir "$link"
  done
  if ! wine_native_32bit; then
    # Without a working 32-bit loader wineboot cannot fill syswow64; the
    # 32-bit loader takes the system DLLs from there.
    local dll target=$WINEPREFIX/drive_c/windows/syswow64
    mkdir -p "$target"
    for dll in "$WINE32_DLL_DIR"/*; do
      [ -e "$target/${dll##*/}" ] || ln -s "$dll" "$target/"
    done
  fi
}

# Leaves the prefix's windows unmanaged: with no window manager on the
# display, Wine otherwise waits up to 2 s for each managed window to be
# withdrawn as it closes.
wine_unmanaged_windows() {
  "$WINE64_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
}

# wine_set_dpi <dots per inch|default>: the display resolution the prefix's
# programs start with, once the server has been restarted.
wine_set_dpi() {
  local key='HKCU\Control Panel\Desktop'
  if [ "$1" = default ]; then
    "$WINE64_LOADER" reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true
  else
    "$WINE64_LOADER" reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  fi
}

wine_server_stop() {
  [ -n "$WINESERVER" ] || return 0
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
}

# Removes every drive letter but C:, Z: (the host's root) included.
wine_unmap_drives() {
  local link
  for link in "$WINEPREFIX"/dosdevices/[a-bd-zA-BD-Z]:; do
    [ -L "$link" ] || [ -e "$link" ] && rm -f "$link"
  done
  return 0
}

# wine_map_drive <letter> <host-folder>
wine_map_drive() {
  local letter
  letter=$(echo "$1" | tr 'A-Z' 'a-z')
  ln -sfn "$(realpath "$2")" "$WINEPREFIX/dosdevices/$letter:"
}

# wine_set_drive_type <letter> <hd|network|cdrom|floppy>
# Wine's mount manager reads the types when the prefix's server starts, so
# call wine_server_stop afterwards before starting the program.
wine_set_drive_type() {
  local letter
  letter=$(echo "$1" | tr 'A-Z' 'a-z')
  "$WINE64_LOADER" reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /t REG_SZ /d "$2" /f >/dev/null 2>&1
}

wine_clear_drive_types() {
  "$WINE64_LOADER" reg delete 'HKLM\Software\Wine\Drives' /f >/dev/null 2>&1 || true
}

# Runs a Windows program in the foreground and returns its exit code.
wine_run() {
  if [ "$(wine_pe_bits "$1")" = 64 ]; then
    "$WINE64_LOADER" "$@"
  elif wine_native_32bit; then
    "$WINE32_LOADER" "$@"
  elif [ -x "$MWN_QEMU_I386" ]; then
    # Unregistered, the program itself runs, but none it starts.
    WINELOADERNOEXEC=1 "$MWN_QEMU_I386" "$WINE32_LOADER" "$@"
  else
    echo "wine_run: this kernel cannot run 32-bit programs; run scripts/install-deps.sh as root" >&2
    return 127
  fi
}

# wine_check_32bit <wine_probe.exe>: true when a 32-bit program under this
# Wine can run several threads at once and start a child process; otherwise
# names the cause and the fix in one sentence on stderr. Needs the prefix.
wine_check_32bit() {
  local probe=$WINEPREFIX/drive_c/wine_probe.exe registered
  cp "$1" "$probe"
  wine_run "$probe" >/dev/null 2>&1 && return 0
  registered=$(grep -hs "^interpreter " /proc/sys/fs/binfmt_misc/* | grep -i "qemu-i386" | head -n 1)
  if ! wine_native_32bit; then
    echo "e2e: this kernel runs no 32-bit code and no qemu-i386 is registered for it, so 32-bit Wine cannot start programs; run scripts/install-deps.sh as root, which fetches and registers one." >&2
  elif [ -n "$registered" ] && [ "${registered#interpreter }" != "$MWN_QEMU_I386" ]; then
    echo "e2e: the qemu-i386 registered for 32-bit programs (${registered#interpreter }) cannot run 32-bit Wine with threads; run scripts/install-deps.sh as root, which registers one that can." >&2
  else
    echo "e2e: 32-bit Wine could not run threads and a child process (tests/e2e/probe/wine_probe.c); run scripts/install-deps.sh as root and check that wine32:i386 is installed." >&2
  fi
  return 1
}

# Starts a Windows program in the background; its pid is in WINE_STARTED_PID.
wine_start() {
  wine_run "$@" &
  WINE_STARTED_PID=$!
}

# wine_limited <run|start> <mwn_limited.exe> <program> [argument]...: wine_run
# or wine_start of a program with a standard user's limited token, rather
# than the administrator's full token every process under Wine starts with:
# through the launcher, which is handed the program by its Windows path.
wine_limited() {
  local how=$1 launcher=$2 program drive_c
  program=$(realpath "$3")
  drive_c=$(realpath "$WINEPREFIX")/drive_c
  shift 3
  case $program in
    "$drive_c"/*) program=C:${program#"$drive_c"} ;;
    *) program=\\\\?\\unix$program ;;
  esac
  "wine_$how" "$launcher" "${program//\//\\}" "$@"
}

# xvfb_start [first-display] [last-display]: a display of our own, exported as DISPLAY.
xvfb_start() {
  local n first=${1:-50} last=${2:-59}
  for ((n = first; n <= last; n++)); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    local tries
    for ((tries = 0; tries < 200; tries++)); do
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.05
    done
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
  done
  echo "xvfb_start: no free display in :$first..:$last" >&2
  return 1
}

# Stops our Xvfb by its pid, also from a shell other than the one that started it.
xvfb_stop() {
  [ -n "${XVFB_PID:-}" ] || return 0
  if [ "$(cat "/proc/$XVFB_PID/comm" 2>/dev/null)" = Xvfb ]; then
    kill "$XVFB_PID" 2>/dev/null
    local tries
    for ((tries = 0; tries < 200 && $(kill -0 "$XVFB_PID" 2>/dev/null && echo 1 || echo 0); tries++)); do
      sleep 0.05
    done
  fi
  XVFB_PID=
}

# Stops the prefix's processes and removes the prefix.
wine_prefix_remove() {
  wine_server_stop
  case "$WINEPREFIX" in
    /tmp/?*) rm -rf "$WINEPREFIX" ;;
    *) echo "wine_prefix_remove: not removing $WINEPREFIX (outside /tmp)" >&2 ;;
  esac
}
