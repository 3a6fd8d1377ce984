#!/usr/bin/env bash
# fixture.sh setup|cleanup <state-file>
# setup: a Wine prefix and an Xvfb display for this test run, described in
# the state file for the scenarios; cleanup: stops and removes them.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
# shellcheck source=wine_env.sh
source "$here/wine_env.sh"
state=$2

case $1 in
  setup)
    if [ -f "$state" ]; then bash "$0" cleanup "$state"; fi
    run_dir=$(mktemp -d /tmp/mwn-e2e-XXXXXX)
    wine_env_init "$run_dir/prefix"
    xvfb_start 50 59
    wine_prefix_create
    wine_unmanaged_windows
    wine_server_stop
    printf 'MWN_E2E_RUN_DIR=%q\nWINEPREFIX=%q\nDISPLAY=%q\nXVFB_PID=%q\n' \
      "$run_dir" "$WINEPREFIX" "$DISPLAY" "$XVFB_PID" >"$state"
    if ! wine_check_32bit "$MWN_WINE_PROBE"; then
      bash "$0" cleanup "$state"
      exit 1
    fi
    echo "prefix $WINEPREFIX, display $DISPLAY"
    ;;
  cleanup)
    [ -f "$state" ] || exit 0
    # shellcheck disable=SC1090
    source "$state"
    wine_env_init "$WINEPREFIX"
    xvfb_stop
    wine_prefix_remove
    case "$MWN_E2E_RUN_DIR" in /tmp/mwn-e2e-?*) rm -rf "$MWN_E2E_RUN_DIR" ;; esac
    rm -f "$state"
    ;;
  *)
    echo "usage: fixture.sh setup|cleanup <state-file>" >&2
    exit 2
    ;;
esac
