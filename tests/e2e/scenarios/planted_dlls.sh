# DLLs planted beside the updater under the names of the system DLLs it uses
# that are not KnownDLLs (version.dll, mpr.dll), with Wine told to prefer
# them, as Windows's search order would: neither a whole run nor the
# listed-copies mode loads them, and both still do their work. (The robot,
# beside them too, is not told: Wine's own user32 imports version.dll.)
planted_first="$WINEDLLOVERRIDES;version,mpr=n,b"
drives D
place old D/A/Mwn.exe D/B/Mwn.exe
IFS=, read -r -a planted <<<"$MWN_PLANTED_DLLS"
cp "${planted[@]}" "$program_dir/"
WINEDLLOVERRIDES=$planted_first start_updater
robot <<'SCENARIO'
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-plain "Done!" 300
press OK
wait-box "Close Marlowen Update?"
press Yes
expect-exit 60 0
SCENARIO
updater_ended
same_file "$SANDBOX/D/A/Mwn.exe" "$MWN_PAYLOAD"

place old D/A/Mwn.exe
printf '%s\r\n' 'D:\A\Mwn.exe' >"$SANDBOX/D/list.txt"
(cd "$program_dir" && WINEDLLOVERRIDES=$planted_first \
  with_token run MwnUpdate.exe --replace-copies 'D:\list.txt' >/dev/null) ||
  fail "the listed-copies mode failed beside the planted DLLs"
same_file "$SANDBOX/D/A/Mwn.exe" "$MWN_PAYLOAD"

marks=$(find "$program_dir" -name '*.loaded-by-MwnUpdate.exe' -printf '%f ')
[ -z "$marks" ] || fail "the updater loaded planted DLLs: $marks"
