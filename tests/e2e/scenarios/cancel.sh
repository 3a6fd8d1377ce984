# Every way of declining the confirmation cancels: nothing is scanned, nothing
# is left in the temp directory, and the program ends after the notice.
drives D
place old D/Mwn.exe
for decline in "press Cancel" "key Escape" "close-box"; do
  start_updater
  robot <<SCENARIO
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
text-is "This program will search your system for copies of Marlowen and attempt to update them.  If you haven't done a recent backup in Marlowen, do so before running this update; if you have any copies of Marlowen running on your system, close them before running this update. Click 'OK' to run this update now; otherwise, click 'Cancel'."
buttons-are OK Cancel
icon-is none
enabled-is main 0
$decline
wait-plain "Update cancelled by user."
caption-is Mwnupdate
buttons-are OK
enabled-is main 0
control-is 202 ""
press OK
expect-exit 60 1602
SCENARIO
  updater_ended 1602
  temp_is_empty
  same_file "$SANDBOX/D/Mwn.exe" "$MWN_COPY_OLD"
done
