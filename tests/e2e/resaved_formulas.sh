#!/usr/bin/env bash
# The formula our pictures carry, after other programs re-save them:
# ImageMagick's convert for PNG, JPEG and GIF, Inkscape for SVG (plain and
# its own SVG). `nerovan-render --read` of a re-saved picture must give the
# formula exactly or say it holds none (exit 1), never anything else. Then
# a PDF with its formula: pdfinfo shows it as the Subject, pdftoppm still
# draws the page; and a comment of another program is not taken for one.
# The end says which programs keep the formula.
#   tests/e2e/resaved_formulas.sh [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
work=$(mktemp -d /tmp/nerovan-resaved.XXXXXX)
trap 'rm -rf "$work"' EXIT
for tool in /usr/bin/convert inkscape pdfinfo pdftoppm; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps)"; exit 1; }
done
render=$build/nerovan-render
embed=$build/embed_formula

long=$(for i in $(seq 1 1200); do printf 'x_%d<&>' "$i"; done)
# The last is longer than one JPEG comment holds.
longer=$(printf '\xd0\xb6%.0s' $(seq 1 40000))
formulas=(
    'sum(i=1, n, \alpha_i^2) + int(a, b, f(x) dx)'
    $'\xd0\x9f\xd1\x80\xd0\xb8 "q" \'a\' \\ \\\\ <&> &amp;'
    "${long:0:10000}"
    "$longer"
)
failed=0
declare -A kept tried

# check PROGRAM FILE FORMULA: the re-saved FILE gives FORMULA or none.
check() {
    local program=$1 file=$2 formula=$3 out status=0
    out=$("$render" --read "$file" 2>"$work/err") || status=$?
    tried[$program]=$((${tried[$program]:-0} + 1))
    kept[$program]=${kept[$program]:-0}
    if [ "$status" -eq 0 ] && [ "$out" = "$formula" ]; then
        kept[$program]=$((${kept[$program]} + 1))
    elif [ "$status" -ne 1 ]; then
        echo "FAIL: $program: $file gave status $status and \"${out:0:80}\" $(cat "$work/err")"
        failed=$((failed + 1))
    fi
}

for n in "${!formulas[@]}"; do
    f=${formulas[$n]}
    for ext in png jpg gif; do
        # A picture without a formula of its own (the renderer's carry the
        # demo's), for the formula under test alone.
        "$render" --demo $((n + 1)) -o "$work/plain$n.bmp"
        /usr/bin/convert "$work/plain$n.bmp" "$work/plain$n.$ext"
        "$embed" "$work/ours$n.$ext" "$f" "$work/plain$n.$ext"
        [ "$("$render" --read "$work/ours$n.$ext")" = "$f" ] ||
            { echo "FAIL: our own $ext does not give its formula"; failed=$((failed + 1)); }
        /usr/bin/convert "$work/ours$n.$ext" "$work/convert$n.$ext"
        check "ImageMagick $ext" "$work/convert$n.$ext" "$f"
    done
done

# Inkscape, with the formula of every awkward character.
f=${formulas[1]}
"$embed" "$work/ours.svg" "$f"
inkscape "$work/ours.svg" --export-plain-svg --export-filename="$work/plain.svg" >/dev/null 2>&1
check "Inkscape plain SVG" "$work/plain.svg" "$f"
inkscape "$work/ours.svg" --export-type=svg --export-filename="$work/inkscape.svg" >/dev/null 2>&1
check "Inkscape SVG" "$work/inkscape.svg" "$f"

# The PDF: its Subject, its page, and the formula read back.
"$embed" "$work/ours.pdf" "$f"
subject=$(pdfinfo "$work/ours.pdf" 2>"$work/pdf.err" | sed -n 's/^Subject: *//p')
[ "$subject" = "$f" ] && [ ! -s "$work/pdf.err" ] ||
    { echo "FAIL: pdfinfo shows Subject \"$subject\" $(cat "$work/pdf.err")"; failed=$((failed + 1)); }
pdftoppm -r 30 -png "$work/ours.pdf" "$work/page" 2>"$work/pdf.err" && [ ! -s "$work/pdf.err" ] ||
    { echo "FAIL: pdftoppm cannot draw the PDF: $(cat "$work/pdf.err")"; failed=$((failed + 1)); }
[ "$("$render" --read "$work/ours.pdf")" = "$f" ] ||
    { echo "FAIL: the PDF does not give its formula"; failed=$((failed + 1)); }

# Comments of another program, even ones that look like a sealed formula.
for ext in png jpg gif; do
    /usr/bin/convert "$work/plain0.$ext" -set comment "Nerovan formula 3 00000000 a+b" "$work/foreign.$ext"
    status=0
    "$render" --read "$work/foreign.$ext" >/dev/null 2>&1 || status=$?
    [ "$status" -eq 1 ] || { echo "FAIL: a foreign $ext comment gave status $status"; failed=$((failed + 1)); }
done

# ImageMagick keeps a GIF's comment (before its image) and a JPEG's when it
# is one segment: all but the longest formula.
[ "${kept["ImageMagick gif"]:-0}" -eq "${#formulas[@]}" ] ||
    { echo "FAIL: ImageMagick dropped the formula of a GIF"; failed=$((failed + 1)); }
[ "${kept["ImageMagick jpg"]:-0}" -ge $((${#formulas[@]} - 1)) ] ||
    { echo "FAIL: ImageMagick dropped the formula of a JPEG"; failed=$((failed + 1)); }

for program in "${!kept[@]}"; do
    echo "$program: kept the formula of ${kept[$program]} of ${tried[$program]} pictures, the rest hold none"
done | sort
[ "$failed" -eq 0 ] || { echo "FAIL: $failed checks"; exit 1; }
echo "re-saved pictures give their formula or none"
