#!/usr/bin/env bash
# Takes docs/screenshot.png: the updater's window after a run on the sandbox
# drive of scripts/run-sandbox.sh, under an Xvfb display of its own.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target MwnUpdate MwnSandboxCopy mwn_robot
build=build/win32

# shellcheck source=../tests/e2e/wine_env.sh
source tests/e2e/wine_env.sh
sandbox=$(mktemp -d /tmp/mwn-screenshot.XXXXXX)
wine_env_init "$sandbox/prefix"
trap 'xvfb_stop; wine_prefix_remove; rm -rf "$sandbox"' EXIT
xvfb_start 80 89
wine_prefix_create

drive_d=$sandbox/drive-d
for folder in "$drive_d" "$drive_d/Apps/Marlowen" "$drive_d/Users/Shared/Marlowen"; do
  mkdir -p "$folder"
  cp "$build/sandbox/Mwn.exe" "$folder/Mwn.exe"
done
wine_map_drive d "$drive_d"
cp "$build/src/app/MwnUpdate.exe" "$sandbox/MwnUpdate.exe"
cp "$build/tests/e2e/mwn_robot.exe" "$sandbox/robot.exe"

wine_start "$sandbox/MwnUpdate.exe"
updater=$WINE_STARTED_PID
wine_run "$sandbox/robot.exe" <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-plain "Done!" 600
press OK
wait-box "Close Marlowen Update?"
press No
wait-gone
no-dialog-for 2
SCENARIO
# The window stands alone on a black screen; trimming leaves just the window.
xwd -root -display "$DISPLAY" | convert xwd:- -trim +repage docs/screenshot.png
wine_run "$sandbox/robot.exe" <<'SCENARIO'
attach MwnUpdate.exe
close-main
expect-exit
SCENARIO
wait "$updater" || true
echo "docs/screenshot.png written"
