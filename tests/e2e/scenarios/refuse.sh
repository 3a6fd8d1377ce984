# A copy newer than the payload stops the update: nothing is touched.
drives D
place new D/Mwn.exe
place old D/Old/Mwn.exe
start_updater
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-plain "Error: a newer version of Mwn.exe already exists on your \r\nsystem.  No update will take place." 300
caption-is Mwnupdate
press OK
wait-box "Close Marlowen Update?"
control-is 201 "D:\\Mwn.exe\r\nD:\\Old\\Mwn.exe\r\n"
control-is 203 ""
control-is 101 "Copies of Marlowen found on your system . . ."
control-is 102 ""
press Yes
expect-exit 60 2
SCENARIO
updater_ended 2
same_file "$SANDBOX/D/Mwn.exe" "$MWN_COPY_NEW"
same_file "$SANDBOX/D/Old/Mwn.exe" "$MWN_COPY_OLD"
temp_is_empty
