#!/usr/bin/env bash
# Checks the menu entry: desktop-file-validate accepts it, Exec names the program that CMake
# installs, and Icon names an icon that exists in every size the package installs.
#   check_desktop_file.sh SOURCE_ROOT
set -euo pipefail
root=${1:?usage: check_desktop_file.sh SOURCE_ROOT}
desktop="$root/res/brenvaldorflash.desktop"

command -v desktop-file-validate >/dev/null || { echo "SKIP: desktop-file-validate is not installed"; exit 77; }

faults=0
fault() {
    echo "FAIL: $*"
    faults=$((faults + 1))
}

# Hints (such as two main categories, which the menu entry asks for) are not faults.
report=$(desktop-file-validate "$desktop" 2>&1 || true)
grep -E ': (error|warning):' <<<"$report" && fault "desktop-file-validate rejects $desktop"

value() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
[ "$(value Exec)" = BrenvaldorFlash ] || fault "Exec is '$(value Exec)', not the program BrenvaldorFlash"
[ "$(value Terminal)" = false ] || fault "Terminal is not false"
[ "$(value Categories)" = "Utility;Development;" ] || fault "Categories is '$(value Categories)'"
[ "$(value StartupWMClass)" = BrenvaldorFlash ] || fault "StartupWMClass does not match the window class"

icon=$(value Icon)
[ -f "$root/res/icons/$icon.svg" ] || fault "no scalable icon $icon.svg"
for size in 16 22 24 32 48 64 128 256; do
    png="$root/res/icons/hicolor/${size}x${size}/apps/$icon.png"
    [ -f "$png" ] || { fault "no ${size}x${size} icon"; continue; }
    if command -v identify >/dev/null; then
        actual=$(identify -format '%wx%h' "$png")
        [ "$actual" = "${size}x${size}" ] || fault "$png is $actual"
    fi
done

[ "$faults" -eq 0 ] || exit 1
echo "desktop file OK"
