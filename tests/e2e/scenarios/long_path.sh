# A copy whose path is 259 characters, the longest the 8-bit API reached, is found
# and updated, though the names made beside it for the swap are longer.
drives D
long=D/$(printf 'a%.0s' {1..200})/$(printf 'b%.0s' {1..47})
place old "$long/Mwn.exe"
windows_path="D:\\${long#D/}\\Mwn.exe"
windows_path=${windows_path//\//\\}
[ "${#windows_path}" = 259 ] || fail "the copy's path is ${#windows_path} characters"
start_updater
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-plain "Done!" 300
press OK
wait-box "Close Marlowen Update?"
control-is 201 ""
press Yes
expect-exit 60 0
SCENARIO
updater_ended
same_file "$SANDBOX/$long/Mwn.exe" "$MWN_PAYLOAD"
[ "$(find "$SANDBOX/$long" -mindepth 1 | wc -l)" = 1 ] || fail "files were left beside the copy"
temp_is_empty
