# At 144 dpi the window is one and a half times its size at 96, and replaces the copies.
display_dpi 144
drives D
place old D/Mwn.exe D/A/Mwn.exe
start_updater
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-plain "Done!" 300
press OK
wait-box "Close Marlowen Update?"
layout-is 144
press Yes
expect-exit 60 0
SCENARIO
updater_ended
for copy in Mwn.exe A/Mwn.exe; do same_file "$SANDBOX/D/$copy" "$MWN_PAYLOAD"; done
