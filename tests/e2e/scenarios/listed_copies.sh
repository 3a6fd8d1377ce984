# The internal mode of the elevated instance, run directly: of the listed
# lines, only existing files named Mwn.exe (any letter case) on a local drive
# letter are replaced with the program's own payload; another name, a missing
# file, a folder named Mwn.exe, a share path and a relative path are left
# alone. A rewritten list does not downgrade a newer copy, and a line the
# system would spell otherwise in full (a forward slash, "..") is not taken.
# An unreadable list gives exit code 2, a payload that does not inflate exit
# code 3. No scratch folder stays.
# The update run starts this mode elevated for the copies whose folders
# refused the user's token. Wine enforces no access list, so no folder
# refuses, and "runas" from a standard user's process does not elevate: that
# hand-over is not shown here. The rules for the list are the same with any
# token; with the standard user's they are shown on copies replaced by path.
# With the administrator's full token the mode acts by path in no folder a
# standard user can change, and under Wine every folder reads back so: the
# list is read and every copy it names stays as it was.
drives D
place old D/A/Mwn.exe D/B/MWN.EXE D/C/Other.exe D/Mwn.exe
place new D/New/Mwn.exe
mkdir -p "$SANDBOX/D/Folder/Mwn.exe"
# The relative line would name this copy from the program's folder.
mkdir -p "$program_dir/A"
cp "$MWN_COPY_OLD" "$program_dir/A/Mwn.exe"
printf '%s\r\n' 'D:\A\Mwn.exe' 'D:\B\MWN.EXE' 'D:\C\Other.exe' 'D:\Missing\Mwn.exe' \
  'D:\Folder\Mwn.exe' '\\srv\apps\Mwn.exe' 'A\Mwn.exe' 'D:\New\Mwn.exe' 'D:\A/..\Mwn.exe' \
  'D:\A\..\Mwn.exe' >"$SANDBOX/D/list.txt"
cp "$MWN_UPDATER" "$program_dir/MwnUpdate.exe"

# listed_copies <list> [updater]: the updater's exit code in the mode.
listed_copies() {
  local code=0
  (cd "$program_dir" && with_token run "${2:-MwnUpdate.exe}" --replace-copies "$1" >/dev/null) ||
    code=$?
  echo "$code"
}

code=$(listed_copies 'D:\list.txt')
[ "$code" = 0 ] || fail "a readable list ended with exit code $code"
same_file "$SANDBOX/D/A/Mwn.exe" "$MWN_PAYLOAD"
same_file "$SANDBOX/D/B/MWN.EXE" "$MWN_PAYLOAD"
same_file "$SANDBOX/D/C/Other.exe" "$MWN_COPY_OLD"
same_file "$program_dir/A/Mwn.exe" "$MWN_COPY_OLD"
same_file "$SANDBOX/D/New/Mwn.exe" "$MWN_COPY_NEW"
same_file "$SANDBOX/D/Mwn.exe" "$MWN_COPY_OLD"
[ ! -e "$SANDBOX/D/Missing" ] || fail "a missing copy's folder was made"
[ -d "$SANDBOX/D/Folder/Mwn.exe" ] || fail "the folder named Mwn.exe was touched"
temp_is_empty

code=$(listed_copies 'D:\none.txt')
[ "$code" = 2 ] || fail "a missing list ended with exit code $code"
temp_is_empty

cp "$MWN_UPDATER_TRUNCATED" "$program_dir/Truncated.exe"
place old D/A/Mwn.exe
code=$(listed_copies 'D:\list.txt' Truncated.exe)
[ "$code" = 3 ] || fail "a payload that does not inflate ended with exit code $code"
same_file "$SANDBOX/D/A/Mwn.exe" "$MWN_COPY_OLD"
temp_is_empty

place old D/A/Mwn.exe D/B/MWN.EXE
token=full
code=$(listed_copies 'D:\list.txt')
[ "$code" = 0 ] || fail "a readable list ended with exit code $code under the full token"
untouched old D/A/Mwn.exe D/B/MWN.EXE D/C/Other.exe D/Mwn.exe
untouched new D/New/Mwn.exe
temp_is_empty
token=limited
