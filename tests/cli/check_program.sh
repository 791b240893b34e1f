#!/usr/bin/env bash
# Checks the built brenvaldor: ldd names no Qt library (Widgets and Gui least of all), and the
# manual page generated from --help holds the subcommands and the exit-status table.
#   check_program.sh PROGRAM MANPAGE
set -euo pipefail
program=${1:?usage: check_program.sh PROGRAM MANPAGE}
page=${2:?usage: check_program.sh PROGRAM MANPAGE}

faults=0
libraries=$(ldd "$program")
if grep -i 'libqt' <<<"$libraries"; then
    echo "FAIL: brenvaldor links Qt"
    faults=$((faults + 1))
fi
text=$(MANWIDTH=100 man -l "$page" 2>&1)
for word in "Exit status:" EXAMPLES param-backup verify "--port" "--force" "--dry-run" "--param" 74 130; do
    grep -q -- "$word" <<<"$text" || { echo "FAIL: the manual page lacks '$word'"; faults=$((faults + 1)); }
done
[ "$faults" -eq 0 ] && echo "brenvaldor links no Qt; its manual page is complete"
exit "$faults"
