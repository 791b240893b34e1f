#!/usr/bin/env bash
# Checks the Windows setup program under Wine, in a throw-away prefix: a silent install puts the
# files, the Start-menu entry and the uninstall entry in place; the installed brenvaldor.exe runs;
# a silent uninstall removes all of that and nothing the user made (the settings file, a backup
# saved into the program's folder).
#   check_setup.sh SETUP.exe VERSION
set -euo pipefail
setup=$(realpath "$1")
version=$2
run=$(realpath "$(dirname "$0")/../../scripts/wine-run")

work=$(mktemp -d)
prefix=$work/prefix
export WINEPREFIX=$prefix
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# Wine writes its registry when its server ends.
settle() { wineserver -w; }

"$run" --prefix "$prefix"
folder="$prefix/drive_c/Program Files/BrenvaldorFlash"
shortcut="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/BrenvaldorFlash.lnk"
key='Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\BrenvaldorFlash'
files=(BrenvaldorFlash.exe brenvaldor.exe BrenvaldorFlashHelp_EN.pdf BrenvaldorFlashHelp_DE.pdf
    BrenvaldorFlashHelp_SV.pdf demo-firmware.hex LICENSE.txt README.txt Uninstall.exe)

echo "== silent install"
"$run" --prefix "$prefix" "$setup" /S
settle
for f in "${files[@]}"; do
    [ -f "$folder/$f" ] || fail "not installed: $f"
done
[ -f "$shortcut" ] || fail "no Start-menu entry"
grep -qi "^\[$key\]" "$prefix/system.reg" || fail "no uninstall entry"
entry=$(sed -n "/^\[${key}\]/I,/^\$/p" "$prefix/system.reg")
for value in '"DisplayName"="BrenvaldorFlash"' "\"DisplayVersion\"=\"$version\"" \
    '"Publisher"="The BrenvaldorFlash developers"' '"DisplayIcon"=' '"QuietUninstallString"='; do
    grep -qF "$value" <<<"$entry" || fail "uninstall entry without $value"
done
echo "files, Start-menu entry and uninstall entry in place"

echo "== the installed command line"
shown=$("$run" --prefix "$prefix" 'C:\Program Files\BrenvaldorFlash\brenvaldor.exe' --version | tr -d '\r')
grep -qF "$version" <<<"$shown" || fail "brenvaldor.exe --version printed: $shown"
echo "$shown"

echo "== silent uninstall"
appdata="$prefix/drive_c/users/$(id -un)/AppData/Roaming"
mkdir -p "$appdata"
printf '[Setup]\r\nSerialPort=2\r\n' >"$appdata/BrenvaldorFlash.ini"
printf 'backup' >"$folder/my-backup.bin"
"$run" --prefix "$prefix" 'C:\Program Files\BrenvaldorFlash\Uninstall.exe' /S
# The uninstaller runs on from a copy of itself; the server ends after it.
settle
left=$(ls -A "$folder")
[ "$left" = my-backup.bin ] || fail "the program folder holds: $left"
[ -f "$appdata/BrenvaldorFlash.ini" ] || fail "the settings file was removed"
[ ! -e "$shortcut" ] || fail "the Start-menu entry is still there"
! grep -qi "^\[$key\]" "$prefix/system.reg" || fail "the uninstall entry is still there"
echo "removed what it installed; the settings file and the user's backup stay"
