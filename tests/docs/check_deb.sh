#!/usr/bin/env bash
# Checks the Debian package: the files it must hold, its declared dependencies, and that every
# program in it finds its libraries once unpacked into a clean folder (dpkg -x, then ldd).
#   check_deb.sh PACKAGE.deb      check a package that was built already
#   check_deb.sh --build DIR      build the package from the build folder DIR first (CPack)
# Exits 0 when all is well, 1 on a fault (each one is reported), 77 when the tools are missing.
set -euo pipefail

for tool in dpkg-deb ldd cpack; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d /tmp/bf-deb-check.XXXXXX)
trap 'rm -rf "$work"' EXIT

if [ "${1:-}" = --build ]; then
    (cd "$2" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
    deb=$(find "$work/out" -maxdepth 1 -name '*.deb' | head -n 1)
else
    deb=${1:?usage: check_deb.sh PACKAGE.deb | --build DIR}
fi
[ -f "$deb" ] || { echo "FAIL: no package at '$deb'"; exit 1; }

faults=0
fault() {
    echo "FAIL: $*"
    faults=$((faults + 1))
}

expected=(
    usr/bin/BrenvaldorFlash
    usr/bin/brenvaldor-sim
    usr/share/applications/brenvaldorflash.desktop
    usr/share/brenvaldorflash/BrenvaldorFlashHelp_EN.pdf
    usr/share/brenvaldorflash/BrenvaldorFlashHelp_DE.pdf
    usr/share/brenvaldorflash/BrenvaldorFlashHelp_SV.pdf
    usr/share/icons/hicolor/scalable/apps/brenvaldorflash.svg
    usr/share/doc/brenvaldorflash/examples/70-brenvaldorflash-serial.rules
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/brenvaldorflash.png")
done

listing=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||')
for path in "${expected[@]}"; do
    grep -qx "$path" <<<"$listing" || fault "the package lacks $path"
done
# A udev rule in the system's rule folders would take effect silently on installation.
if grep -E '^(usr/)?lib/udev/rules\.d/|^etc/udev/' <<<"$listing"; then
    fault "the package installs an active udev rule"
fi

depends=$(dpkg-deb -f "$deb" Depends)
if grep -qx usr/bin/BrenvaldorFlash <<<"$listing"; then
    grep -q libqt6widgets6 <<<"$depends" || fault "Depends does not name libqt6widgets6: '$depends'"
fi

root="$work/root"
mkdir -p "$root"
dpkg-deb -x "$deb" "$root"
for program in "$root"/usr/bin/*; do
    [ -f "$program" ] || continue
    missing=$(ldd "$program" 2>&1 | grep 'not found' || true)
    [ -z "$missing" ] || fault "$(basename "$program") misses libraries: $missing"
done
for pdf in "$root"/usr/share/brenvaldorflash/*.pdf; do
    [ -s "$pdf" ] || fault "$(basename "$pdf") is empty"
done

echo "package: $(basename "$deb")"
echo "depends: $depends"
if [ "$faults" -gt 0 ]; then
    echo "$faults fault(s) found"
    exit 1
fi
echo "package OK: ${#expected[@]} expected files present, no missing libraries"
