#!/usr/bin/env bash
# check_image.sh <objdump> <exe> <pe-format> : the program is a GUI-subsystem
# image of the expected format whose imports are Windows system DLLs only, so
# it runs on a bare Windows without any runtime installed beside it.
set -euo pipefail
objdump=$1 exe=$2 format=$3

headers=$("$objdump" -p "$exe")
grep -q "file format $format\$" <<<"$("$objdump" -f "$exe")" ||
  { echo "FAIL: $exe is not $format"; exit 1; }
grep -q "^Subsystem.*(Windows GUI)" <<<"$headers" ||
  { echo "FAIL: $exe is not a GUI-subsystem program"; exit 1; }

system_dlls='^(KERNEL32|USER32|GDI32|MPR|VERSION|ADVAPI32|SHELL32|COMCTL32|OLE32|MSVCRT|NTDLL)\.DLL$'
status=0
while read -r dll; do
  if grep -qiE "$system_dlls" <<<"$dll"; then
    echo "imports $dll"
  else
    echo "FAIL: $exe imports $dll, which Windows does not ship"
    status=1
  fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
exit $status
