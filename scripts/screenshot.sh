#!/usr/bin/env bash
# Takes docs/screenshot.png: the updater's window, with the frame users see
# around it, after a standard user's run on the sandbox drive of
# run-sandbox.sh, under an Xvfb display of its own and the openbox window
# manager (installed here when missing; nothing else needs it).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=sandbox.sh
source scripts/sandbox.sh

sandbox_build
if ! command -v openbox >/dev/null && command -v apt-get >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends openbox
fi
sandbox_prepare screenshot
window_manager=
trap '[ -z "$window_manager" ] || kill "$window_manager"; xvfb_stop; wine_prefix_remove; rm -rf "$SANDBOX"' EXIT
xvfb_start 80 89
openbox >/dev/null 2>&1 &
window_manager=$!
for ((tries = 0; tries < 200; tries++)); do
  xprop -root -display "$DISPLAY" _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done
sandbox_fill

as_user start MwnUpdate.exe
updater=$WINE_STARTED_PID
as_user run robot.exe <<'SCENARIO'
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
# The framed window stands alone on a black screen; trimming leaves just it.
xwd -root -display "$DISPLAY" | convert xwd:- -trim +repage docs/screenshot.png
as_user run robot.exe <<'SCENARIO'
attach MwnUpdate.exe
close-main
expect-exit
SCENARIO
wait "$updater" || true
echo "docs/screenshot.png written"
