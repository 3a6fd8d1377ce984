#!/usr/bin/env bash
# Takes docs/screenshot.png: the updater's window after a run on the sandbox
# drive of run-sandbox.sh, under an Xvfb display of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=sandbox.sh
source scripts/sandbox.sh

sandbox_build
sandbox_prepare screenshot
trap 'xvfb_stop; wine_prefix_remove; rm -rf "$SANDBOX"' EXIT
xvfb_start 80 89
sandbox_fill

wine_start "$SANDBOX/MwnUpdate.exe"
updater=$WINE_STARTED_PID
wine_run "$SANDBOX/robot.exe" <<'SCENARIO'
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
wine_run "$SANDBOX/robot.exe" <<'SCENARIO'
attach MwnUpdate.exe
close-main
expect-exit
SCENARIO
wait "$updater" || true
echo "docs/screenshot.png written"
