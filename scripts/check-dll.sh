#!/usr/bin/env bash
# Checks the Windows plug-in module: it must export exactly DllGetClassObject
# and DllCanUnloadNow, and import nothing but system DLLs (a runtime DLL
# beside it would not be there when the spooler loads it).
#   scripts/check-dll.sh path/to/renpsoem.dll
set -euo pipefail

dll=${1:?usage: check-dll.sh MODULE.dll}
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
[[ -f $dll ]] || { echo "check-dll: $dll not found" >&2; exit 1; }

headers=$("$objdump" -p "$dll")

# Export names follow the "[Ordinal/Name Pointer] Table" heading as "[ n] Name".
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ { inTable = 1; next }
               inTable && /^[[:space:]]*\[[[:space:]]*[0-9]+\]/ { print $NF; next }
               inTable { inTable = 0 }' <<<"$headers" | sort)
imports=$(awk '/DLL Name:/ { print $3 }' <<<"$headers" | sort -u)

status=0
expected=$'DllCanUnloadNow\nDllGetClassObject'
if [[ $exports != "$expected" ]]; then
  echo "check-dll: $dll exports:" >&2
  echo "${exports:-<nothing>}" | sed 's/^/  /' >&2
  echo "check-dll: expected exactly DllGetClassObject and DllCanUnloadNow" >&2
  status=1
fi

allowed='^(kernel32\.dll|winspool\.drv|advapi32\.dll|ole32\.dll|iphlpapi\.dll|ws2_32\.dll|msvcrt\.dll|api-ms-win-[a-z0-9-]+\.dll)$'
while read -r name; do
  [[ -z $name ]] && continue
  if ! grep -qiE "$allowed" <<<"$name"; then
    echo "check-dll: $dll imports $name, which is not a system DLL" >&2
    status=1
  fi
done <<<"$imports"

if [[ $status -eq 0 ]]; then
  echo "check-dll: $dll exports $(tr '\n' ' ' <<<"$exports")and imports only $(tr '\n' ' ' <<<"$imports")"
fi
exit $status
