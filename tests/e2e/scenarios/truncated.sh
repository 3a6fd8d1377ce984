# A payload that cannot be inflated: the run still ends in the close prompt,
# then the error shows and the window stays; the scratch folder stays, empty.
drives D
place old D/Mwn.exe
start_updater MwnUpdate.exe truncated
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-box "Close Marlowen Update?" 300
main-caption-is "Mwn Update"
press No
wait-box "Mwnupdate"
text-is "error."
icon-is shown
buttons-are OK
enabled-is main 0
press OK
wait-gone
expect-running
no-dialog-for 2
close-main
expect-exit 60 1603
SCENARIO
updater_ended 1603
same_file "$SANDBOX/D/Mwn.exe" "$MWN_COPY_OLD"
scratch=$(find "$TEMP_DIR" -mindepth 1 -maxdepth 1)
case "$(basename "$scratch")" in Mwn*.tmp) ;; *) fail "expected one scratch folder Mwn*.tmp, found: $scratch" ;; esac
[ -d "$scratch" ] && [ -z "$(ls -A "$scratch")" ] || fail "the scratch folder $scratch is not an empty folder"
