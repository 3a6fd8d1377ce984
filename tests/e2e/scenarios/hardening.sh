# The walk's hard cases on a real file system: a link back to an ancestor is
# entered no deeper, a folder that cannot be listed (a link that loops on
# itself) is passed over and the walk goes on with its siblings, a copy whose
# path exceeds 260 characters is found and replaced like any other, and so is
# a zero-byte Mwn.exe (no version information).
drives D
place old D/A/Mwn.exe D/C/Next/Mwn.exe D/D2/Mwn.exe
ln -s .. "$SANDBOX/D/A/Up"
ln -s Broken "$SANDBOX/D/C/Broken"
deep=$SANDBOX/D/B
for level in 1 2 3 4 5 6; do deep=$deep/$(printf 'level%s_%045d' "$level" 0); done
place old "${deep#"$SANDBOX/"}/Mwn.exe"
mkdir -p "$SANDBOX/D/Z"
: >"$SANDBOX/D/Z/Mwn.exe"
start_updater
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-plain "Done!" 300
press OK
wait-box "Close Marlowen Update?"
control-is 202 "C:\r\nD:\r\n"
control-is 201 ""
control-is 203 "D:\\Z\\Mwn.exe\r\nD:\\D2\\Mwn.exe\r\nD:\\C\\Next\\Mwn.exe\r\nD:\\B\\level1_000000000000000000000000000000000000000000000\\level2_000000000000000000000000000000000000000000000\\level3_000000000000000000000000000000000000000000000\\level4_000000000000000000000000000000000000000000000\\level5_000000000000000000000000000000000000000000000\\level6_000000000000000000000000000000000000000000000\\Mwn.exe\r\nD:\\A\\Mwn.exe\r\n"
press Yes
expect-exit 60 0
SCENARIO
updater_ended
for copy in A/Mwn.exe C/Next/Mwn.exe D2/Mwn.exe Z/Mwn.exe; do same_file "$SANDBOX/D/$copy" "$MWN_PAYLOAD"; done
same_file "$deep/Mwn.exe" "$MWN_PAYLOAD"
temp_is_empty
