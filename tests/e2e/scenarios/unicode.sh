# Copies under folders named in Chinese, Cyrillic and Polish and with an
# emoji, one at a path of more than 300 characters: every one is found,
# listed exactly as named, updated and read back, and the log, kept under a
# folder named in two scripts, names each of them exactly; the program's own
# name, in the same scripts, is its title. One copy to a drive, so that the
# order of the lists is the drives' order.
drives D E F G H
seg='Глубокая папка 深层目录 Głęboki'
deep=H
for _ in {1..12}; do deep=$deep/$seg; done
copies=("D/程序文件" "E/Документы" "F/Łukasz żółć" "G/📦 Apps" "$deep")
for folder in "${copies[@]}"; do place old "$folder/Mwn.exe"; done
windows_path() { local path="${1%%/*}:\\${1#*/}\\Mwn.exe"; echo "${path//\//\\}"; }
long=$(windows_path "$deep")
[ "$(printf %s "$long" | iconv -f UTF-8 -t UTF-16LE | wc -c)" -gt 600 ] ||
  fail "the deep copy's path is not past 300 UTF-16 units"
log_folder="$WINEPREFIX/drive_c/журнал 日志"
mkdir -p "$log_folder"
cp "$MWN_UPDATER" "$program_dir/Обновление 程序.exe"

# Memo3's text as the robot spells it: updated last found first.
updated=""
for ((i = ${#copies[@]} - 1; i >= 0; i--)); do
  path=$(windows_path "${copies[i]}")
  updated+="${path//\\/\\\\}\\r\\n"
done
robot <<SCENARIO
launch "\\"Обновление 程序.exe\\" /log \\"C:\\\\журнал 日志\\\\run.log\\""
wait-box "Update Marlowen Now?"
press OK
wait-plain "Done!" 300
caption-is "Обновление 程序"
press OK
wait-box "Close Marlowen Update?"
control-is 202 "C:\\r\\nD:\\r\\nE:\\r\\nF:\\r\\nG:\\r\\nH:\\r\\n"
control-is 201 ""
control-is 203 "$updated"
press Yes
expect-exit 60 0
SCENARIO
for folder in "${copies[@]}"; do same_file "$SANDBOX/$folder/Mwn.exe" "$MWN_PAYLOAD"; done
temp_is_empty
log=$log_folder/run.log
[ -f "$log" ] || fail "no log under $log_folder"
grep -qxF 'Command line: "Обновление 程序.exe" /log "C:\журнал 日志\run.log"' <(tr -d '\r' <"$log" | cut -c25-) ||
  fail "the log does not name its command line exactly"
for folder in "${copies[@]}"; do
  grep -qxF "Updated $(windows_path "$folder")" <(tr -d '\r' <"$log" | cut -c25-) ||
    fail "the log does not name $(windows_path "$folder")"
done
