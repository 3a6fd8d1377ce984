# A read-only copy and a copy in use stay as they are and are listed as not
# updated; the other copies are updated.
drives D
place old D/Mwn.exe D/Free/Mwn.exe D/InUse/Mwn.exe D/ReadOnly/Mwn.exe
dos_attrib +r 'D:\ReadOnly\Mwn.exe'
start_copy D/InUse/Mwn.exe
start_updater
robot <<'SCENARIO'
attach Mwn.exe
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-plain "One or more copies of Marlowen could not be updated.\r\nThe file(s) may be in use or you might not have write-permission." 300
caption-is Mwnupdate
press OK
wait-box "Close Marlowen Update?"
control-is 201 "D:\\InUse\\Mwn.exe\r\nD:\\ReadOnly\\Mwn.exe\r\n"
control-is 203 "D:\\Free\\Mwn.exe\r\nD:\\Mwn.exe\r\n"
control-is 101 "The following copies of Marlowen could not be updated . . ."
press Yes
expect-exit 60 1
SCENARIO
updater_ended 1
same_file "$SANDBOX/D/InUse/Mwn.exe" "$MWN_COPY_OLD"
same_file "$SANDBOX/D/ReadOnly/Mwn.exe" "$MWN_COPY_OLD"
same_file "$SANDBOX/D/Mwn.exe" "$MWN_PAYLOAD"
same_file "$SANDBOX/D/Free/Mwn.exe" "$MWN_PAYLOAD"
temp_is_empty
