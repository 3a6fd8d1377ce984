# At 144 dots per inch the window is laid out at one and a half times its
# size at 96, centred, and the run replaces the copies as at 96.
display_dpi 144
drives D
place old D/Mwn.exe D/A/Mwn.exe
start_updater
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
layout-is 144
press OK
wait-plain "Done!" 300
press OK
wait-box "Close Marlowen Update?"
layout-is 144
control-is 203 "D:\\A\\Mwn.exe\r\nD:\\Mwn.exe\r\n"
press Yes
expect-exit 60 0
SCENARIO
updater_ended
for copy in Mwn.exe A/Mwn.exe; do same_file "$SANDBOX/D/$copy" "$MWN_PAYLOAD"; done
