#!/usr/bin/env bash
# Takes docs/screenshot.png: the updater's window, with the frame users see
# around it, after a standard user's run on the sandbox drive of
# run-sandbox.sh, under an Xvfb display of its own and the openbox window
# manager (installed here when missing; nothing else needs it).
#
#   scripts/screenshot.sh [--dpi <dots per inch>]
#
# With --dpi, the display has that resolution (Windows' display scale: 144 is
# 150 %) and the picture is docs/screenshot-<dpi>dpi.png.
set -euo pipefail
cd "$(dirname "$0")/.."
dpi=
case "${1:-}" in
  --dpi) dpi=${2:?--dpi needs a number} ;;
  "") ;;
  *) echo "usage: $0 [--dpi <dots per inch>]" >&2; exit 2 ;;
esac
picture=docs/screenshot${dpi:+-${dpi}dpi}.png
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
if [ -n "$dpi" ]; then
  wine_set_dpi "$dpi"
  wine_server_stop
fi

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
xwd -root -display "$DISPLAY" | convert xwd:- -trim +repage "$picture"
as_user run robot.exe <<'SCENARIO'
attach MwnUpdate.exe
close-main
expect-exit
SCENARIO
wait "$updater" || true
echo "$picture written"
