#!/usr/bin/env bash
# Builds MwnUpdate.exe and runs it. On Windows it just starts the program.
# Elsewhere it runs under Wine on a sandbox drive D: of older sample copies
# (see sandbox.sh), so the updater never sees the host's own files, started
# with a standard user's token as a user would start it (an administrator's
# run leaves copies in folders standard users can change, which under Wine is
# every folder). With no display it starts Xvfb and answers the dialogs
# itself through the test robot, printing what the window shows.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=sandbox.sh
source scripts/sandbox.sh

sandbox_build
case "$(uname -s)" in
  MINGW* | MSYS* | CYGWIN*) exec "$BUILD/src/app/MwnUpdate.exe" ;;
esac

sandbox_prepare sandbox
trap 'xvfb_stop; wine_server_stop' EXIT
headless=
if [ -z "${DISPLAY:-}" ]; then
  xvfb_start 80 89
  headless=1
fi
sandbox_fill

echo "Sandbox drive D: is $DRIVE_D; its copies of Mwn.exe are version 1.0.0.0."
if [ -z "$headless" ]; then
  as_user run MwnUpdate.exe
else
  as_user start MwnUpdate.exe
  as_user run robot.exe <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-plain "Done!" 600
print-windows
press OK
wait-box "Close Marlowen Update?"
press Yes
expect-exit
SCENARIO
  wait "$WINE_STARTED_PID" || true
fi
echo "Copies now on D: (the payload's version is 2.1.0.0):"
find "$DRIVE_D" -iname mwn.exe -exec ls -l {} \;
