#!/usr/bin/env bash
# Our SVG and PDF pictures as other programs draw them: every demo formula is
# written as PNG, SVG and PDF; the SVG is drawn by rsvg-convert and by
# Inkscape, the PDF by pdftoppm, all at 96 DPI, and each is compared with our
# own PNG by ink_compare (ink boxes within 1 px, dark pixels the same within
# a 1-px shift but for 8 + 0.5% of ours). Our PNG painted twice as large is
# compared likewise with the SVG drawn twice as large by rsvg-convert.
#   tests/e2e/vector_readers.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
out=${2:-$(mktemp -d /tmp/nerovan-vector.XXXXXX)}
mkdir -p "$out"
for tool in rsvg-convert inkscape pdftoppm; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps)"; exit 1; }
done

actions=()
for i in $(seq 1 18); do
    c="$out/demo$i"
    for kind in png svg pdf; do "$build/nerovan-render" --demo "$i" -o "$c.$kind"; done
    "$build/nerovan-render" --demo "$i" --scale 2 -o "$c-x2.png"
    rsvg-convert "$c.svg" -o "$c-rsvg.png"
    rsvg-convert -z 2 "$c.svg" -o "$c-x2-rsvg.png"
    pdftoppm -r 96 -png -singlefile "$c.pdf" "$c-pdftoppm"
    actions+=("file-open:$c.svg;export-dpi:96;export-filename:$c-inkscape.png;export-do;file-close")
done
# One Inkscape process draws every SVG.
(IFS=';'; inkscape --actions="${actions[*]}" >"$out/inkscape.log" 2>&1) ||
    { cat "$out/inkscape.log"; echo "FAIL: Inkscape could not convert the SVGs"; exit 1; }

. "$root/tests/e2e/ink_check.sh"
for i in $(seq 1 18); do
    c="$out/demo$i"
    for reader in rsvg inkscape pdftoppm; do ink_check "demo$i $reader" "$c.png" "$c-$reader.png"; done
    ink_check "demo$i twice as large, rsvg" "$c-x2.png" "$c-x2-rsvg.png"
done
echo "pictures in $out"
[ "$failed" -eq 0 ] || { echo "FAIL: $failed pictures differ from ours"; exit 1; }
