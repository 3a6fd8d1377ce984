#!/usr/bin/env bash
# Builds MwnUpdate.exe and runs it. On Windows it just starts the program.
# Elsewhere it runs under Wine in a prefix of its own under /tmp whose only
# drives are C: (Wine's own, with the user folders that Wine links to the
# host's home cut off) and a sandbox D: holding a few older sample copies of
# Mwn.exe, so the updater never sees the host's own files. With no display
# it starts Xvfb and answers the dialogs itself through the test robot,
# printing what the window shows.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target MwnUpdate MwnSandboxCopy mwn_robot
build=build/win32
exe=$build/src/app/MwnUpdate.exe

case "$(uname -s)" in
  MINGW* | MSYS* | CYGWIN*) exec "$exe" ;;
esac

# shellcheck source=../tests/e2e/wine_env.sh
source tests/e2e/wine_env.sh
sandbox=$(mktemp -d /tmp/mwn-sandbox.XXXXXX)
wine_env_init "$sandbox/prefix"
trap 'xvfb_stop; wine_server_stop' EXIT
headless=
if [ -z "${DISPLAY:-}" ]; then
  xvfb_start 80 89
  headless=1
fi
echo "Preparing a Wine prefix in $WINEPREFIX (about 20 s) ..."
wine_prefix_create

drive_d=$sandbox/drive-d
mkdir -p "$drive_d/Apps/Marlowen" "$drive_d/Users/Shared/Marlowen" "$drive_d/Archive"
for folder in "$drive_d" "$drive_d/Apps/Marlowen" "$drive_d/Users/Shared/Marlowen"; do
  cp "$build/sandbox/Mwn.exe" "$folder/Mwn.exe"
done
wine_map_drive d "$drive_d"
cp "$exe" "$sandbox/MwnUpdate.exe"

echo "Sandbox drive D: is $drive_d; its copies of Mwn.exe are version 1.0.0.0."
if [ -z "$headless" ]; then
  wine_run "$sandbox/MwnUpdate.exe"
else
  wine_start "$sandbox/MwnUpdate.exe"
  wine_run "$build/tests/e2e/mwn_robot.exe" <<'SCENARIO'
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
find "$drive_d" -iname mwn.exe -exec ls -l {} \;
