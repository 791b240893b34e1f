#!/usr/bin/env bash
# Every program of the Windows build imports Windows' own DLLs only: no MinGW runtime
# (libstdc++-6.dll, libwinpthread-1.dll, libgcc_s_seh-1.dll), since they are linked statically.
#   check_windows_dlls.sh BUILD-FOLDER
set -euo pipefail
build=${1:?usage: check_windows_dlls.sh BUILD-FOLDER}
system='^(kernel32|msvcrt|advapi32|setupapi|shell32|ole32|user32|gdi32|comctl32|comdlg32|ws2_32)\.dll$'

faults=0 programs=0
while IFS= read -r -d '' program; do
    programs=$((programs + 1))
    for dll in $(x86_64-w64-mingw32-objdump -p "$program" | awk '/DLL Name:/ { print $3 }'); do
        grep -qiE "$system" <<<"$dll" || { echo "FAIL: ${program#"$build"/} imports $dll"; faults=$((faults + 1)); }
    done
done < <(find "$build" -name '*.exe' -not -path "$build/wine-prefix*" -not -path "$build/host/*" -print0)
[ "$programs" -gt 0 ] || { echo "FAIL: no programs in $build"; exit 1; }
[ "$faults" -eq 0 ] && echo "$programs programs import Windows' own DLLs only"
exit "$faults"
