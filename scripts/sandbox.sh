# Shared by run-sandbox.sh and screenshot.sh: builds the updater, the robot and
# an older sample copy, and prepares a Wine prefix under /tmp whose only
# drives are C: (Wine's own, the user folders that a new prefix links to the
# host's home cut off) and a sandbox D: holding three copies of Mwn.exe at
# version 1.0.0.0. Source it from the project's root; it sets BUILD, SANDBOX
# and DRIVE_D, and leaves DISPLAY to the caller.

sandbox_build() {
  scripts/install-deps.sh
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 \
    --target MwnUpdate MwnSandboxCopy mwn_robot mwn_limited mwn_wine_probe
  BUILD=build/win32
}

# sandbox_prepare <name>: a folder of its own under /tmp and the Wine
# environment of a prefix inside it.
sandbox_prepare() {
  # shellcheck source=../tests/e2e/wine_env.sh
  source tests/e2e/wine_env.sh
  SANDBOX=$(mktemp -d "/tmp/mwn-$1.XXXXXX")
  wine_env_init "$SANDBOX/prefix"
}

# sandbox_fill: makes the prefix and drive D:, and copies the updater, the
# robot and the launcher that starts them as a standard user beside them.
# Needs the display already up.
sandbox_fill() {
  echo "Preparing a Wine prefix in $WINEPREFIX (about 20 s) ..."
  wine_prefix_create
  DRIVE_D=$SANDBOX/drive-d
  local folder
  for folder in "$DRIVE_D" "$DRIVE_D/Apps/Marlowen" "$DRIVE_D/Users/Shared/Marlowen"; do
    mkdir -p "$folder"
    cp "$BUILD/sandbox/Mwn.exe" "$folder/Mwn.exe"
  done
  wine_map_drive d "$DRIVE_D"
  cp "$BUILD/src/app/MwnUpdate.exe" "$SANDBOX/MwnUpdate.exe"
  cp "$BUILD/tests/e2e/mwn_robot.exe" "$SANDBOX/robot.exe"
  cp "$BUILD/tests/e2e/mwn_limited.exe" "$SANDBOX/limited.exe"
  wine_check_32bit "$BUILD/tests/e2e/mwn_wine_probe.exe"
}

# as_user <run|start> <program in the sandbox folder>: wine_run or wine_start
# of it with a standard user's token, as a user starts the updater; under
# Wine every process would otherwise have an administrator's full token.
as_user() {
  wine_limited "$1" "$SANDBOX/limited.exe" "$SANDBOX/$2"
}
