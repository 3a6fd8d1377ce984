# Older copies are replaced by the payload, last found first, and the scratch
# folder is gone afterwards.
drives D
place old D/Mwn.exe D/A/Mwn.exe D/B/C/Mwn.exe
start_updater
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-plain "Done!" 300
press OK
wait-box "Close Marlowen Update?"
layout-is 96
control-is 201 ""
control-is 203 "D:\\B\\C\\Mwn.exe\r\nD:\\A\\Mwn.exe\r\nD:\\Mwn.exe\r\n"
control-is 101 "Copies of Marlowen not yet updated . . ."
enabled-is 101 0
enabled-is 201 0
press Yes
expect-exit 60 0
SCENARIO
updater_ended
for copy in Mwn.exe A/Mwn.exe B/C/Mwn.exe; do same_file "$SANDBOX/D/$copy" "$MWN_PAYLOAD"; done
temp_is_empty
