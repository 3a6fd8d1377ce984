#!/usr/bin/env bash
# check_image.sh <objdump> <exe> <pe-format> : the program is a GUI-subsystem
# image of the expected format; it imports only the KnownDLLs it means to
# (the system loads those from its own folder whatever lies beside the
# program; user32, gdi32 and shell32 are bound at run time, so a function
# missing from bound_imports.inc fails here instead of becoming an import);
# and its manifest runs it as the invoking user on the Windows versions it
# names.
set -euo pipefail
objdump=$1 exe=$2 format=$3

headers=$("$objdump" -p "$exe")
grep -q "file format $format\$" <<<"$("$objdump" -f "$exe")" ||
  { echo "FAIL: $exe is not $format"; exit 1; }
grep -q "^Subsystem.*(Windows GUI)" <<<"$headers" ||
  { echo "FAIL: $exe is not a GUI-subsystem program"; exit 1; }

allowed_dlls='^(KERNEL32|ADVAPI32|MSVCRT|NTDLL)\.DLL$'
status=0
while read -r dll; do
  if grep -qiE "$allowed_dlls" <<<"$dll"; then
    echo "imports $dll"
  else
    echo "FAIL: $exe imports $dll, which is not one of the DLLs it may import"
    status=1
  fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")

manifest=$(tr -d '\r' <"$exe" | tr '\0' '\n' | sed -n '/<assembly/,/<\/assembly>/p')
grep -q 'requestedExecutionLevel level="asInvoker"' <<<"$manifest" ||
  { echo "FAIL: the manifest does not ask to run as the invoker"; status=1; }
for os in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
  4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
  8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  grep -q "supportedOS Id=\"{$os}\"" <<<"$manifest" ||
    { echo "FAIL: the manifest does not name the Windows version $os"; status=1; }
done
exit $status
