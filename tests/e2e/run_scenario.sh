#!/usr/bin/env bash
# run_scenario.sh <scenario.sh>
# Runs one scenario in the test run's prefix (see fixture.sh) with sandbox
# folders of its own. The scenario is a bash script using the functions
# below; the first failing step ends it with a message.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
# shellcheck source=wine_env.sh
source "$here/wine_env.sh"
# shellcheck disable=SC1090
source "$MWN_E2E_STATE"
wine_env_init "$WINEPREFIX"
export DISPLAY

scenario=$(basename "$1" .sh)
SANDBOX=$MWN_E2E_RUN_DIR/$scenario
rm -rf "$SANDBOX"
mkdir -p "$SANDBOX"
# The folder on C: from which the updater runs. The earlier scenarios'
# folders go first: a copy one of them left there would turn up in this
# scenario's scan of C:.
rm -rf "$WINEPREFIX/drive_c/e2e"
program_dir=$WINEPREFIX/drive_c/e2e/$scenario
mkdir -p "$program_dir"
cp "$MWN_ROBOT" "$program_dir/robot.exe"
cp "$MWN_LIMITED" "$program_dir/limited.exe"
TEMP_DIR=$(echo "$WINEPREFIX"/drive_c/users/*/Temp)
started_pids=()
# The token the scenario's programs start with (the updater, and the robot
# that drives it or launches it): "limited", the standard user's token linked
# to the administrator's that every process starts with under Wine, or
# "full", that administrator's own.
token=limited

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

stop_started() {
  local pid
  for pid in "${started_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wine_server_stop
  [ -z "${dpi_changed:-}" ] || { wine_set_dpi default && wine_server_stop; }
}
trap stop_started EXIT

# drives <letter>[:<type>]...: maps each letter to the folder $SANDBOX/<letter>
# and gives it the type (hd, cdrom, ...), and no other letter but C:. The
# previous scenario's processes end here; the temp directory is emptied.
drives() {
  wine_server_stop
  wine_unmap_drives
  wine_clear_drive_types
  local mapping letter
  for mapping in "$@"; do
    letter=${mapping%%:*}
    mkdir -p "$SANDBOX/$letter"
    wine_map_drive "$letter" "$SANDBOX/$letter"
    if [ "$mapping" != "$letter" ]; then wine_set_drive_type "$letter" "${mapping#*:}"; fi
  done
  wine_server_stop
  find "$TEMP_DIR" -mindepth 1 -delete
}

# display_dpi <dots per inch>: the display resolution from the next call of
# drives on; the prefix's default again once the scenario ends.
display_dpi() { dpi_changed=1 && wine_set_dpi "$1"; }

# The modification time every placed copy gets, so that one left alone can
# be told from one written again with the same bytes.
placed_time=200102030405.06

# place <old|new|payload> <path under $SANDBOX>...
place() {
  local kind=$1 source path
  case $kind in
    old) source=$MWN_COPY_OLD ;;
    new) source=$MWN_COPY_NEW ;;
    payload) source=$MWN_PAYLOAD ;;
    *) fail "place: unknown kind $kind" ;;
  esac
  shift
  for path in "$@"; do
    mkdir -p "$(dirname "$SANDBOX/$path")"
    cp "$source" "$SANDBOX/$path"
    touch -m -t "$placed_time" "$SANDBOX/$path"
  done
}

# untouched <old|new> <path under $SANDBOX>...: each copy holds the bytes and
# the modification time that place gave it.
untouched() {
  local kind=$1 path
  shift
  for path in "$@"; do
    case $kind in
      old) same_file "$SANDBOX/$path" "$MWN_COPY_OLD" ;;
      new) same_file "$SANDBOX/$path" "$MWN_COPY_NEW" ;;
      *) fail "untouched: unknown kind $kind" ;;
    esac
    [ "$(date -r "$SANDBOX/$path" +%Y%m%d%H%M.%S)" = "$placed_time" ] ||
      fail "$path was written again (modified $(date -r "$SANDBOX/$path"))"
  done
}

# dos_attrib <+h|+s|+r> <Windows path>: sets a file attribute, and checks it took.
dos_attrib() {
  "$WINE64_LOADER" attrib "$1" "$2" >/dev/null 2>&1
  local flag
  flag=$(echo "${1#+}" | tr 'a-z' 'A-Z')
  "$WINE64_LOADER" attrib "$2" 2>/dev/null | grep -q "^[A-Z ]*$flag" || fail "attrib $1 $2 did not take"
}

# with_token <run|start> <file name in the program folder> [argument]...:
# wine_run or wine_start of that program, with the scenario's token.
with_token() {
  local how=$1 name=$2
  shift 2
  case $token in
    limited) wine_limited "$how" "$program_dir/limited.exe" "$program_dir/$name" "$@" ;;
    full) "wine_$how" "$program_dir/$name" "$@" ;;
    *) fail "no token $token" ;;
  esac
}

# start_updater [file-name] [truncated]: copies the updater to C:\e2e\<scenario>
# under that name and starts it.
start_updater() {
  local name=${1:-MwnUpdate.exe} exe=$MWN_UPDATER
  if [ "${2:-}" = truncated ]; then exe=$MWN_UPDATER_TRUNCATED; fi
  cp "$exe" "$program_dir/$name"
  with_token start "$name"
  started_pids+=("$WINE_STARTED_PID")
  UPDATER_PID=$WINE_STARTED_PID
}

# start_copy <path under $SANDBOX>: runs that copy of Mwn.exe (it stays up).
start_copy() {
  wine_start "$SANDBOX/$1"
  started_pids+=("$WINE_STARTED_PID")
}

# robot: runs the robot on the scenario lines given on standard input.
robot() {
  (cd "$program_dir" && with_token run robot.exe) || fail "the robot's expectations were not met"
}

# updater_ended [code]: the updater's process has ended with that exit code
# (default 0), as far as a Linux process's 8-bit status tells it; the robot's
# expect-exit sees the whole code.
updater_ended() {
  local code=0 wanted=$((${1:-0} % 256))
  wait "$UPDATER_PID" || code=$?
  [ "$code" = "$wanted" ] || fail "the updater ended with status $code, not $wanted (${1:-0})"
}

same_file() {
  cmp -s "$1" "$2" || fail "$1 differs from $2"
}

temp_is_empty() {
  local left
  left=$(find "$TEMP_DIR" -mindepth 1 -printf '%P\n')
  [ -z "$left" ] || fail "the temp directory holds: $left"
}

echo "scenario $scenario, sandbox $SANDBOX"
# shellcheck disable=SC1090
source "$1"
echo "scenario $scenario passed"
