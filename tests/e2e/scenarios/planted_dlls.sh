# DLLs planted beside the updater under the names of the system DLLs it uses
# that are not KnownDLLs (version.dll, mpr.dll), with Wine told to prefer
# them, as Windows's search order would: neither a whole run nor the
# listed-copies mode loads them, with a standard user's token or with an
# administrator's, which is where a planted DLL would gain rights. Each still
# does its work: the standard user's runs update the copies, the
# administrator's leave them, as they leave every copy a standard user can
# change. (The robot, beside them too, is not told: Wine's own user32 imports
# version.dll.)
planted_first="$WINEDLLOVERRIDES;version,mpr=n,b"
drives D
IFS=, read -r -a planted <<<"$MWN_PLANTED_DLLS"
cp "${planted[@]}" "$program_dir/"
printf '%s\r\n' 'D:\A\Mwn.exe' >"$SANDBOX/D/list.txt"
no_planted_dll_loaded() {
  local marks
  marks=$(find "$program_dir" -name '*.loaded-by-MwnUpdate.exe' -printf '%f ')
  [ -z "$marks" ] || fail "the updater loaded planted DLLs with the $token token: $marks"
}
# copies_left_as <limited|full> <path under $SANDBOX>...: updated by a standard
# user's run, untouched by an administrator's.
copies_left_as() {
  local path
  for path in "${@:2}"; do
    case $1 in
      limited) same_file "$SANDBOX/$path" "$MWN_PAYLOAD" ;;
      full) untouched old "$path" ;;
    esac
  done
}

for token_code in 'limited 0' 'full 3'; do
  read -r token code <<<"$token_code"
  place old D/A/Mwn.exe D/B/Mwn.exe
  WINEDLLOVERRIDES=$planted_first start_updater
  robot <<SCENARIO
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
wait-gone
frames-until-dialog 0 300
press OK
wait-box "Close Marlowen Update?"
press Yes
expect-exit 60
SCENARIO
  no_planted_dll_loaded
  updater_ended "$code"
  copies_left_as $token D/A/Mwn.exe D/B/Mwn.exe

  place old D/A/Mwn.exe
  (cd "$program_dir" && WINEDLLOVERRIDES=$planted_first \
    with_token run MwnUpdate.exe --replace-copies 'D:\list.txt' >/dev/null) ||
    fail "the listed-copies mode failed beside the planted DLLs with the $token token"
  no_planted_dll_loaded
  copies_left_as $token D/A/Mwn.exe
done
token=limited
