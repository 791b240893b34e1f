#!/usr/bin/env bash
# Checks the help PDFs that the build rendered next to the program, and the renderer's handling
# of bad calls.
#   check_help_pdfs.sh HELPDOC_TOOL PDF_DIR
set -euo pipefail
tool=${1:?usage: check_help_pdfs.sh HELPDOC_TOOL PDF_DIR}
dir=${2:?usage: check_help_pdfs.sh HELPDOC_TOOL PDF_DIR}

faults=0
fault() {
    echo "FAIL: $*"
    faults=$((faults + 1))
}

# A heading with letters outside ASCII shows that the text (not just boxes) made it into the PDF.
declare -A heading=(
    [EN]="6. The simulator"
    [DE]="4. Die Befehle"
    [SV]="8. Behörigheter i Linux"
)
for lang in EN DE SV; do
    pdf="$dir/BrenvaldorFlashHelp_$lang.pdf"
    [ -s "$pdf" ] || { fault "$pdf is missing or empty"; continue; }
    [ "$(head -c 5 "$pdf")" = "%PDF-" ] || fault "$pdf is not a PDF"
    if command -v pdfinfo >/dev/null; then
        pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
        [ "${pages:-0}" -ge 4 ] || fault "$pdf has ${pages:-no} pages"
    fi
    if command -v pdftotext >/dev/null; then
        # Table cells wrap, so words are compared with all white space folded to single blanks.
        text=$(pdftotext "$pdf" - | tr -s ' \n' '  ')
        grep -qF "${heading[$lang]}" <<<"$text" || fault "$pdf lacks the heading '${heading[$lang]}'"
        grep -qF "Port P211" <<<"$text" || fault "$pdf lacks the connector name Port P211"
    fi
done

work=$(mktemp -d /tmp/bf-helpdoc-check.XXXXXX)
trap 'rm -rf "$work"' EXIT
if "$tool" "$work/none.md" "$work/out.pdf" 2>/dev/null; then
    fault "the renderer reports success for a missing input"
fi
[ ! -e "$work/out.pdf" ] || fault "the renderer left an output for a missing input"
if "$tool" 2>/dev/null; then
    fault "the renderer reports success without arguments"
fi

[ "$faults" -eq 0 ] || exit 1
echo "help PDFs OK"
