# A deployment that finishes and shows it: /check says what a run would do
# and changes nothing; a copy running as a program, started from its own
# folder, is left and its program named by default, and replaced with
# /replaceinuse while it goes on running, its old image set aside hidden
# beside it until a run after its end removes it; the report says each
# copy's outcome; the status is read back with reg query, under the
# machine's key or the user's as the report says the run was elevated or not
# (every start through "launch", whichever token the robot gives it).
drives D
cp "$MWN_UPDATER" "$program_dir/MwnUpdate.exe"
report=$WINEPREFIX/drive_c/r.json
log=$WINEPREFIX/drive_c/d.log
in_use=$SANDBOX/D/InUse

# quiet <command line> <exit code> [robot line before the start]
quiet() {
  printf '%s\nlaunch "%s"\nhidden-until-exit 300\nexpect-exit 10 %s\n' "${3:-}" "$1" "$2" | robot
}
report_has() {
  local text
  for text in "$@"; do grep -qF -- "$text" "$report" || fail "the report lacks: $text"; done
}
set_aside() {
  find "$in_use" -maxdepth 1 -iname '~MwnOld*.tmp' -printf '%f\n'
}
status_value() {
  local key='HKCU\Software\Marlowen\MwnUpdate'
  if grep -qF '"elevated":true' "$report"; then key='HKLM\Software\Marlowen\MwnUpdate'; fi
  "$WINE64_LOADER" reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v name="$1" '$1 == name { print $3 }'
}

place old D/Mwn.exe D/InUse/Mwn.exe
quiet 'MwnUpdate.exe /check /report C:\\r.json' 1
same_file "$SANDBOX/D/Mwn.exe" "$MWN_COPY_OLD"
same_file "$in_use/Mwn.exe" "$MWN_COPY_OLD"
[ "$(find "$SANDBOX/D" -type f | wc -l)" = 2 ] || fail "the check left a file beside a copy"
temp_is_empty
report_has '"mode":"check"' '"exitCode":1' \
  '{"path":"D:\\InUse\\Mwn.exe","versionBefore":"1.0.0.0","outcome":"wouldUpdate"'

robot <<'SCENARIO'
launch-in "D:\\InUse" "D:\\InUse\\Mwn.exe"
expect-running
SCENARIO
quiet 'MwnUpdate.exe /quiet /log C:\\d.log /report C:\\r.json' 1 'attach Mwn.exe'
same_file "$in_use/Mwn.exe" "$MWN_COPY_OLD"
same_file "$SANDBOX/D/Mwn.exe" "$MWN_PAYLOAD"
tr -d '\r' <"$log" | grep -qE '^.{24}Not updated D:\\InUse\\Mwn.exe: .+ \(error [0-9]+\); held by Mwn.exe \(process [0-9]+, session [0-9]+\)$' ||
  fail "the log does not name the program holding the copy"
report_has '"outcome":"notUpdated"' '"heldBy":[{"image":"Mwn.exe","path":"D:\\InUse\\Mwn.exe","pid":'
[ "$(status_value ExitCode)" = 0x1 ] || fail "status ExitCode is not 1"
[ "$(status_value CopiesLeft)" = 0x1 ] || fail "status CopiesLeft is not 1"

quiet 'MwnUpdate.exe /quiet /replaceinuse /report=C:\\r.json' 0 'attach Mwn.exe'
same_file "$in_use/Mwn.exe" "$MWN_PAYLOAD"
aside=$(set_aside)
[ -n "$aside" ] && [ "$(echo "$aside" | wc -l)" = 1 ] || fail "no one image set aside: $aside"
same_file "$in_use/$aside" "$MWN_COPY_OLD"
"$WINE64_LOADER" attrib "D:\\InUse\\$aside" 2>/dev/null | grep -q '^[A-Z ]*H' ||
  fail "the image set aside is not hidden"
report_has '"elevated":false' \
  '{"path":"D:\\InUse\\Mwn.exe","versionBefore":"1.0.0.0","outcome":"updated"' \
  "\"reason\":\"replaced while a program ran it; its old image waits as $aside until that program ends\"" \
  '"heldBy":[{"image":"Mwn.exe","path":"D:\\InUse\\' '"exitCode":0'
replacement=$(grep -oE '"replacement":"[0-9.]+"' "$report" | cut -d'"' -f4)
[ "$(status_value Version)" = "$replacement" ] || fail "status Version is not $replacement"
[ "$(status_value ExitCode)" = 0x0 ] || fail "status ExitCode is not 0"
[ "$(status_value CopiesLeft)" = 0x0 ] || fail "status CopiesLeft is not 0"
status_value LastRun | grep -qE '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z$' ||
  fail "status LastRun is not a UTC time"

quiet 'MwnUpdate.exe /check /report C:\\r.json' 0 'attach Mwn.exe'
report_has '"outcome":"current"'
[ "$(set_aside)" = "$aside" ] || fail "the check touched the image set aside"
robot <<'SCENARIO'
attach Mwn.exe
expect-running
close-windows
expect-exit 60
SCENARIO
quiet 'MwnUpdate.exe /quiet' 0
[ -z "$(set_aside)" ] || fail "the image set aside is still there after the next run"
[ "$(find "$in_use" -mindepth 1 -printf '%f\n')" = Mwn.exe ] || fail "more than the copy is left"
same_file "$in_use/Mwn.exe" "$MWN_PAYLOAD"
temp_is_empty

# The administrator's full token: under Wine every folder reads back as its
# user's, so a privileged check and a privileged run act on no copy, the
# running one neither; they are left for their users' runs (exit 3).
place old D/Mwn.exe D/InUse/Mwn.exe
token=full
robot <<'SCENARIO'
launch-in "D:\\InUse" "D:\\InUse\\Mwn.exe"
expect-running
SCENARIO
quiet 'MwnUpdate.exe /check /report C:\\r.json' 0 'attach Mwn.exe'
report_has '"mode":"check"' '"elevated":true' '"exitCode":0' \
  '{"path":"D:\\InUse\\Mwn.exe","versionBefore":null,"outcome":"leftForUser"'
quiet 'MwnUpdate.exe /quiet /replaceinuse /report C:\\r.json' 3 'attach Mwn.exe'
untouched old D/Mwn.exe D/InUse/Mwn.exe
[ -z "$(set_aside)" ] || fail "a privileged run set aside an image in a folder users can change"
report_has '"exitCode":3' \
  '{"path":"D:\\InUse\\Mwn.exe","versionBefore":null,"outcome":"leftForUser"'
[ "$(status_value ExitCode)" = 0x3 ] || fail "the machine's status ExitCode is not 3"
[ "$(status_value CopiesLeft)" = 0x0 ] || fail "copies left for users counted as left"
robot <<'SCENARIO'
attach Mwn.exe
close-windows
expect-exit 60
SCENARIO
token=limited
