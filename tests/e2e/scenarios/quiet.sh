# Quiet runs as deployment tools start them: no window of the process ever
# becomes visible, the exit code says what happened, /log writes each step
# (and the same steps when started interactively); /log alone goes to the
# temp folder in a standard user's run, and in an administrator's to
# C:\windows\Logs\MwnUpdate. An administrator's quiet run (the full token)
# acts by path in no folder a standard user can change, and under Wine every
# folder reads back so: it leaves every copy, logs why, and ends with 3. A run
# waiting at its confirmation holds no other off; while one works, a second
# start ends with 1618, and so does the waiting run once confirmed; a command
# line not understood ends with 87. First, the two tokens themselves, read by
# a program started with each: TokenElevation 0 and the limited type (3), or
# TokenElevation 1 and the full type (12).
drives D
cp "$MWN_WINE_PROBE" "$program_dir/probe.exe"
for token_state in limited:3 full:12; do
  token=${token_state%:*} state=0
  with_token run probe.exe token || state=$?
  [ "$state" = "${token_state#*:}" ] || fail "a program started with the $token token reads $state"
done
token=limited
log=$WINEPREFIX/drive_c/x.log
cp "$MWN_UPDATER" "$program_dir/MwnUpdate.exe"
cp "$MWN_UPDATER_TRUNCATED" "$program_dir/Truncated.exe"
cp "$MWN_UPDATER" "$program_dir/Second.exe"

# quiet <command line> <exit code> [robot line before the start]
quiet() {
  printf '%s\nlaunch "%s"\nhidden-until-exit 300\nexpect-exit 10 %s\n' "${3:-}" "$1" "$2" | robot
}
# The log's lines without their time stamps, each checked to have one.
log_text() {
  if grep -qvE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} ' "$log"; then
    fail "a log line lacks its time stamp"
  fi
  tr -d '\r' <"$log" | cut -c25-
}
log_has() {
  local line
  for line in "$@"; do grep -qxF "$line" <(log_text) || fail "the log lacks: $line"; done
}

place old D/Mwn.exe D/A/Mwn.exe
quiet 'MwnUpdate.exe /quiet /log C:\\x.log' 0
same_file "$SANDBOX/D/Mwn.exe" "$MWN_PAYLOAD"
same_file "$SANDBOX/D/A/Mwn.exe" "$MWN_PAYLOAD"
temp_is_empty
log_text | sed -n 1p | grep -qE '^MwnUpdate [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+ started, quiet$' ||
  fail "the log does not start with the updater's version"
log_text | grep -qE '^User: .+, not elevated$' || fail "the limited token's run is elevated"
log_has 'Command line: MwnUpdate.exe /quiet /log C:\x.log' 'Scanning C:' 'Scanning D:' \
  'Found D:\Mwn.exe, version 1.0.0.0' 'Found D:\A\Mwn.exe, version 1.0.0.0' \
  'Updated D:\Mwn.exe' 'Updated D:\A\Mwn.exe' \
  'Exit code 0: every copy found was updated, or none was found'
log_text | grep -q ', newest copy found 1.0.0.0: the copies are updated$' || fail "no gate in the log"
quiet_steps=$(log_text | sed -n '/^User: /,$p')

rm -f "$log"
place old D/Mwn.exe D/A/Mwn.exe
robot <<'SCENARIO'
launch "MwnUpdate.exe /log C:\\x.log"
wait-box "Update Marlowen Now?"
press OK
wait-plain "Done!" 300
press OK
wait-box "Close Marlowen Update?"
control-is 203 "D:\\A\\Mwn.exe\r\nD:\\Mwn.exe\r\n"
press Yes
expect-exit 60 0
SCENARIO
[ "$(log_text | sed -n '/^User: /,$p')" = "$quiet_steps" ] || fail "the interactive run logged other steps"

place new D/Mwn.exe
place old D/A/Mwn.exe
quiet 'MwnUpdate.exe /S' 2
same_file "$SANDBOX/D/Mwn.exe" "$MWN_COPY_NEW"
same_file "$SANDBOX/D/A/Mwn.exe" "$MWN_COPY_OLD"

place old D/Mwn.exe D/InUse/Mwn.exe
start_copy D/InUse/Mwn.exe
quiet 'MwnUpdate.exe -VerySilent /log=C:\\x.log' 1 'attach Mwn.exe'
kill "$WINE_STARTED_PID" 2>/dev/null || true
same_file "$SANDBOX/D/InUse/Mwn.exe" "$MWN_COPY_OLD"
same_file "$SANDBOX/D/Mwn.exe" "$MWN_PAYLOAD"
log_text | grep -qE '^Not updated D:\\InUse\\Mwn.exe: .+ \(error [0-9]+\)(; held by .+)?$' || fail "no reason logged"
temp_is_empty

rm -rf "$SANDBOX/D/InUse"

place old D/Mwn.exe
quiet 'Truncated.exe /silent' 1603
same_file "$SANDBOX/D/Mwn.exe" "$MWN_COPY_OLD"
find "$TEMP_DIR" -mindepth 1 -delete

place old D/Mwn.exe
start_updater
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
launch "MwnUpdate.exe /quiet"
hidden-until-exit 300
expect-exit 10 0
launch "Second.exe"
wait-box "Update Marlowen Now?"
press OK
wait-plain "Done!" 300
launch "MwnUpdate.exe /quiet"
hidden-until-exit 20
expect-exit 5 1618
launch "MwnUpdate.exe"
wait-plain "Marlowen Update is already running on this computer.\r\nWait until it has finished, then try again."
press OK
expect-exit 20 1618
launch "MwnUpdate.exe /bogus /quiet"
hidden-until-exit 20
expect-exit 5 87
launch "MwnUpdate.exe -log=C:\\x.log /bogus"
wait-plain "The command line was not understood: /bogus\r\n\r\nAccepted switches (\"-\" may stand for \"/\"):\r\n/quiet, /S, /silent or /verysilent: update without a window or a question\r\n/log <file> or /log=<file>: write a log of the run to the file\r\n/log alone: write it to the temp folder (with an administrator's rights, to %SystemRoot%\\Logs\\MwnUpdate)\r\n/report <file>, /report=<file> or /report alone: a JSON report of the run, likewise\r\n/check: change nothing; the exit code says whether a run would update (1) or not (0)\r\n/replaceinuse: replace copies that are running; they start the new version next time"
press OK
expect-exit 20 87
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-plain "Marlowen Update is already running on this computer.\r\nWait until it has finished, then try again."
press OK
expect-exit 20 1618
attach Second.exe
wait-plain "Done!"
press OK
wait-box "Close Marlowen Update?"
press Yes
expect-exit 60 0
SCENARIO
updater_ended 1618
same_file "$SANDBOX/D/Mwn.exe" "$MWN_PAYLOAD"

# /log alone. The administrators' folder is made private to them; once
# there, Wine reads it back owned by the user, as it reads every folder: what
# a standard user could have made, so a later privileged run refuses it.
# Wine's prefix has the folder as "logs".
admin_logs=$(find "$WINEPREFIX/drive_c/windows" -maxdepth 1 -iname logs)/MwnUpdate
rm -rf "$admin_logs"
for token in limited full; do
  find "$TEMP_DIR" -mindepth 1 -delete
  place old D/Mwn.exe
  if [ $token = limited ]; then
    quiet 'MwnUpdate.exe /quiet /log' 0
    same_file "$SANDBOX/D/Mwn.exe" "$MWN_PAYLOAD"
    log=$(find "$TEMP_DIR" -maxdepth 1 -name 'MwnUpdate-*.log' | head -n 1)
    [ -n "$log" ] || fail "/log alone in a standard user's run wrote nothing to the temp folder"
    log_has 'Exit code 0: every copy found was updated, or none was found'
  else
    quiet 'MwnUpdate.exe /quiet /log' 3
    untouched old D/Mwn.exe
    log=$(find "$admin_logs" -name 'MwnUpdate-*.log' | head -n 1)
    [ -n "$log" ] || fail "/log alone wrote nothing to C:\windows\Logs\MwnUpdate"
    log_text | grep -qE '^User: .+, elevated$' || fail "the full token's run is not elevated"
    log_text | grep -qE '^Not updated D:\\Mwn.exe: .+' || fail "no reason logged for the copy left"
    log_text | grep -q '^Exit code 3: ' || fail "the log does not end with exit code 3"
    [ -z "$(find "$TEMP_DIR" -mindepth 1)" ] || fail "an administrator's run left files in temp"
  fi
done
place old D/Mwn.exe
quiet 'MwnUpdate.exe /quiet /log' 1622
untouched old D/Mwn.exe
rm -rf "$admin_logs"
