# A standard user's run replaces older copies with the payload, last found
# first, and the scratch folder is gone afterwards. An interactive run with
# an administrator's full token acts by path in no folder a standard user can
# change (under Wine every folder reads back so): it lists every copy as not
# updated, leaves each byte for byte with its time, and ends with 3.
copies=(Mwn.exe A/Mwn.exe B/C/Mwn.exe)
for token in limited full; do
  drives D
  place old "${copies[@]/#/D/}"
  if [ $token = limited ]; then
    outcome='wait-plain "Done!" 300'
    not_updated='layout-is 96
control-is 201 ""
control-is 203 "D:\\B\\C\\Mwn.exe\r\nD:\\A\\Mwn.exe\r\nD:\\Mwn.exe\r\n"
control-is 101 "Copies of Marlowen not yet updated . . ."
enabled-is 101 0
enabled-is 201 0'
    code=0
  else
    outcome='wait-gone
frames-until-dialog 0 300
text-is "One or more copies of Marlowen could not be updated.\r\nThe file(s) may be in use or you might not have write-permission."'
    not_updated='control-is 201 "D:\\Mwn.exe\r\nD:\\A\\Mwn.exe\r\nD:\\B\\C\\Mwn.exe\r\n"
control-is 203 ""
control-is 101 "The following copies of Marlowen could not be updated . . ."'
    code=3
  fi
  start_updater
  robot <<SCENARIO
attach MwnUpdate.exe
wait-box "Update Marlowen Now?"
press OK
$outcome
press OK
wait-box "Close Marlowen Update?"
$not_updated
press Yes
expect-exit 60 $code
SCENARIO
  updater_ended $code
  for copy in "${copies[@]}"; do
    case $token in
      limited) same_file "$SANDBOX/D/$copy" "$MWN_PAYLOAD" ;;
      full) untouched old "D/$copy" ;;
    esac
  done
  temp_is_empty
done
token=limited
