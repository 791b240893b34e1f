#!/usr/bin/env bash
# Checks the help PDFs that the build rendered next to the program, as a reader sees them, and the
# renderer's handling of bad calls.
#   check_help_pdfs.sh HELPDOC_TOOL PDF_DIR MARKDOWN_DIR
# Needs pdfinfo, pdftotext and pdftoppm (poppler-utils) and ImageMagick's convert; without them the
# check is skipped (exit 77).
set -euo pipefail
tool=${1:?usage: check_help_pdfs.sh HELPDOC_TOOL PDF_DIR MARKDOWN_DIR}
dir=${2:?usage: check_help_pdfs.sh HELPDOC_TOOL PDF_DIR MARKDOWN_DIR}
sources=${3:?usage: check_help_pdfs.sh HELPDOC_TOOL PDF_DIR MARKDOWN_DIR}

for program in pdfinfo pdftotext pdftoppm convert; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed"; exit 77; }
done

faults=0
fault() {
    echo "FAIL: $*"
    faults=$((faults + 1))
}

work=$(mktemp -d /tmp/bf-helpdoc-check.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Page images at 50 dpi: A4 is 413 x 585 pixels, the text area starts 18 mm (35 pixels) from each
# edge. Nothing may be drawn into the margins beside and above it; the page number sits below it.
margin_px=33
ink_in() { # IMAGE WIDTHxHEIGHT+X+Y: prints the darkest grey in that part, 0 (black) to 1 (white)
    convert "$1" -crop "$2" +repage -format '%[fx:minima]' info:
}

# A heading with letters outside ASCII shows that the text (not just boxes) made it into the PDF.
declare -A heading=(
    [EN]="6. The simulator"
    [DE]="4. Die Befehle"
    [SV]="9. Behörigheter i Linux"
)
for lang in EN DE SV; do
    pdf="$dir/BrenvaldorFlashHelp_$lang.pdf"
    md="$sources/BrenvaldorFlashHelp_$lang.md"
    [ -s "$pdf" ] || { fault "$pdf is missing or empty"; continue; }
    [ "$(head -c 5 "$pdf")" = "%PDF-" ] || fault "$pdf is not a PDF"
    pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
    [ "${pages:-0}" -ge 4 ] || fault "$pdf has ${pages:-no} pages"

    # Table cells wrap, so words are compared with all white space folded to single blanks.
    text=$(pdftotext "$pdf" - | tr -s ' \n' '  ')
    grep -qF "${heading[$lang]}" <<<"$text" || fault "$pdf lacks the heading '${heading[$lang]}'"
    grep -qF "Port P211" <<<"$text" || fault "$pdf lacks the connector name Port P211"

    # Every inline code span of the guide (a command, a log line, a file name) stands on one line,
    # as it must be typed. Code blocks (indented four blanks or more) are left out.
    pdftotext -layout "$pdf" - | tr -s ' ' >"$work/layout.txt"
    while IFS= read -r span; do
        span=$(tr -s ' ' <<<"$span")
        grep -qF -- "$span" "$work/layout.txt" || fault "$lang: \`$span\` is broken across lines"
    done < <(grep -vE '^ {4}' "$md" | grep -o '`[^`]*`' | tr -d '`' | sort -u)

    # No page ends with a heading, or with a heading and a single line below it.
    sed -n 's/^#\{1,6\} //p' "$md" | sed 's/\*\*//g; s/`//g' >"$work/headings.txt"
    for ((page = 1; page < pages; ++page)); do
        pdftotext -f "$page" -l "$page" -layout "$pdf" - | tr -d '\f' | sed 's/^ *//; s/ *$//' |
            grep -v '^$' | grep -vxE '[0-9]+' | tail -n 2 >"$work/page-end.txt" || true
        while IFS= read -r line; do
            if grep -qxF -- "$line" "$work/headings.txt"; then
                fault "$lang: page $page ends with the heading '$line'"
            fi
        done <"$work/page-end.txt"
    done

    # Nothing runs into the margins: not a wide table, not a long command.
    pdftoppm -r 50 -gray -png "$pdf" "$work/$lang"
    for image in "$work/$lang"-*.png; do
        page=$(basename "$image" .png)
        for part in "${margin_px}x585+0+0" "${margin_px}x585+$((413 - margin_px))+0" "413x${margin_px}+0+0"; do
            darkest=$(ink_in "$image" "$part")
            awk -v d="$darkest" 'BEGIN { exit !(d < 0.8) }' && fault "$page: something is drawn in the margin ($part)"
        done
    done
done

if "$tool" "$work/none.md" "$work/out.pdf" 2>/dev/null; then
    fault "the renderer reports success for a missing input"
fi
[ ! -e "$work/out.pdf" ] || fault "the renderer left an output for a missing input"
if "$tool" 2>/dev/null; then
    fault "the renderer reports success without arguments"
fi

[ "$faults" -eq 0 ] || exit 1
echo "help PDFs OK"
