# Quiet runs, started as a deployment tool starts them: no window of the
# process ever becomes visible, the exit code says what happened, and /log
# writes each step. One run at a time: a second start while a first waits at
# its confirmation ends at once with 1618. A command line not understood
# ends with 87. Started interactively with /log, the run behaves as before
# and writes the same log.
drives D
log=$WINEPREFIX/drive_c/x.log
cp "$MWN_UPDATER" "$program_dir/MwnUpdate.exe"
cp "$MWN_UPDATER_TRUNCATED" "$program_dir/Truncated.exe"

# log_has <line>...: each line is in the log, after its time stamp.
log_has() {
  local line
  for line in "$@"; do
    grep -qxF "$line" <(tr -d '\r' <"$log" | cut -c25-) || fail "the log lacks: $line"
  done
}
# The log's lines from the user's on, without their time stamps.
log_steps() {
  tr -d '\r' <"$log" | cut -c25- | sed -n '/^User: /,$p'
}

place old D/Mwn.exe D/A/Mwn.exe
robot <<'SCENARIO'
launch "MwnUpdate.exe /quiet /log C:\\x.log"
hidden-until-exit 300
expect-exit 10 0
SCENARIO
same_file "$SANDBOX/D/Mwn.exe" "$MWN_PAYLOAD"
same_file "$SANDBOX/D/A/Mwn.exe" "$MWN_PAYLOAD"
temp_is_empty
stamp='^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} .'
[ "$(grep -cvE "$stamp" "$log")" = 0 ] || fail "a log line lacks its time stamp: $(grep -vE "$stamp" "$log")"
grep -qE ' MwnUpdate [0-9.]+ started, quiet'$'\r''$' "$log" || fail "the log does not start with the updater's version"
log_has 'Command line: MwnUpdate.exe /quiet /log C:\x.log' 'Scanning C:' 'Scanning D:' \
  'Found D:\Mwn.exe, version 1.0.0.0' 'Found D:\A\Mwn.exe, version 1.0.0.0' \
  'Updated D:\Mwn.exe' 'Updated D:\A\Mwn.exe' \
  'Exit code 0: every copy found was updated, or none was found'
grep -q ', newest copy found 1.0.0.0: the copies are updated' "$log" || fail "the log lacks the gate's decision"
quiet_steps=$(log_steps)

# The same run started interactively with /log: the dialogs as before, the
# same steps logged.
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
same_file "$SANDBOX/D/A/Mwn.exe" "$MWN_PAYLOAD"
log_has 'Command line: MwnUpdate.exe /log C:\x.log'
[ "$(log_steps)" = "$quiet_steps" ] || fail "the interactive log differs: $(diff <(echo "$quiet_steps") <(log_steps))"

# A newer copy: 2, nothing changed. A copy in use: 1, the others updated.
place new D/Mwn.exe
place old D/A/Mwn.exe
robot <<'SCENARIO'
launch "MwnUpdate.exe /S"
hidden-until-exit 300
expect-exit 10 2
SCENARIO
same_file "$SANDBOX/D/Mwn.exe" "$MWN_COPY_NEW"
same_file "$SANDBOX/D/A/Mwn.exe" "$MWN_COPY_OLD"
temp_is_empty

rm -f "$log"
place old D/Mwn.exe D/InUse/Mwn.exe
start_copy D/InUse/Mwn.exe
robot <<'SCENARIO'
attach Mwn.exe
launch "MwnUpdate.exe -VerySilent /log=C:\\x.log"
hidden-until-exit 300
expect-exit 10 1
SCENARIO
kill "$WINE_STARTED_PID" 2>/dev/null || true
same_file "$SANDBOX/D/InUse/Mwn.exe" "$MWN_COPY_OLD"
same_file "$SANDBOX/D/Mwn.exe" "$MWN_PAYLOAD"
grep -qE ' Not updated D:\\InUse\\Mwn.exe: .+ \(error [0-9]+\)'$'\r''$' "$log" ||
  fail "the log does not say why the copy in use was not updated"
temp_is_empty

# A payload that does not inflate: 1603, the copy as it was.
place old D/Mwn.exe
robot <<'SCENARIO'
launch "Truncated.exe /silent"
hidden-until-exit 300
expect-exit 10 1603
SCENARIO
same_file "$SANDBOX/D/Mwn.exe" "$MWN_COPY_OLD"
find "$TEMP_DIR" -mindepth 1 -delete

# While a run waits at its confirmation, a quiet start ends at once with
# 1618 and an interactive one says so first; command lines not understood
# end with 87, quietly or with the accepted switches.
start_updater
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
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
wait-plain "The command line was not understood: /bogus\r\n\r\nAccepted switches (\"-\" may stand for \"/\"):\r\n/quiet, /S, /silent or /verysilent: update without a window or a question\r\n/log <file> or /log=<file>: write a log of the run to the file\r\n/log alone: write it to the temp folder"
press OK
expect-exit 20 87
SCENARIO
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press Cancel
wait-plain "Update cancelled by user."
press OK
expect-exit 60 1602
SCENARIO
updater_ended 1602
same_file "$SANDBOX/D/Mwn.exe" "$MWN_COPY_OLD"
temp_is_empty
