#!/usr/bin/env bash
# Our EMFs as the programs Linux users paste them into draw them: every demo
# formula, at the window's em of 27 pixels and the renderer's 21, is opened
# by LibreOffice Draw and Writer (each in a document of its own, converted to
# PNG headless) and by Inkscape (exported to PNG at 96 DPI), and each picture
# is compared with our own PNG of the same formula by ink_compare: ink boxes
# within 1 px, dark pixels the same within a 1-px shift but for 8 + 0.5% of
# ours. The pictures get a tinted background, so that the place of the
# picture on a page is found from its frame.
#   tests/e2e/emf_consumers.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
out=${2:-$(mktemp -d /tmp/nerovan-emf.XXXXXX)}
mkdir -p "$out"
work=$(mktemp -d /tmp/nerovan-emf-run.XXXXXX)
trap 'rm -rf "$work"' EXIT
for tool in soffice inkscape; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps)"; exit 1; }
done

# odf KIND EMF WIDTH HEIGHT OUT: a flat Draw (graphics) or Writer (text)
# document whose page holds the EMF at its own size, half an inch in.
odf() {
    local kind=$1 emf=$2 w=$3 h=$4 doc=$5
    cm() { awk -v p="$1" 'BEGIN { printf "%.4fcm", p * 2.54 / 96 }'; }
    local ns='xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"'
    local layout="<office:styles/><office:automatic-styles><style:page-layout style:name=\"PM1\"><style:page-layout-properties fo:margin-top=\"0.5in\" fo:margin-bottom=\"0.5in\" fo:margin-left=\"0.5in\" fo:margin-right=\"0.5in\" fo:page-width=\"$(cm $((w + 96)))\" fo:page-height=\"$(cm $((h + 96)))\"/></style:page-layout></office:automatic-styles>"
    local frame="svg:width=\"$(cm "$w")\" svg:height=\"$(cm "$h")\"><draw:image><office:binary-data>$(base64 -w0 "$emf")</office:binary-data></draw:image></draw:frame>"
    if [ "$kind" = draw ]; then
        echo "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document $ns office:version=\"1.3\" office:mimetype=\"application/vnd.oasis.opendocument.graphics\">$layout<office:master-styles><style:master-page style:name=\"Default\" style:page-layout-name=\"PM1\"/></office:master-styles><office:body><office:drawing><draw:page draw:name=\"p1\" draw:master-page-name=\"Default\"><draw:frame svg:x=\"0.5in\" svg:y=\"0.5in\" $frame</draw:page></office:drawing></office:body></office:document>" >"$doc"
    else
        echo "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document $ns office:version=\"1.3\" office:mimetype=\"application/vnd.oasis.opendocument.text\">$layout<office:master-styles><style:master-page style:name=\"Standard\" style:page-layout-name=\"PM1\"/></office:master-styles><office:body><office:text><text:p><draw:frame text:anchor-type=\"as-char\" $frame</text:p></office:text></office:body></office:document>" >"$doc"
    fi
}

cases=()
for em in 27 21; do
    for i in $(seq 1 18); do
        c="demo$i-em$em"
        cases+=("$c")
        "$build/nerovan-render" --demo "$i" --height "$em" --bg '#F0F0F0' -o "$work/$c.emf"
        "$build/nerovan-render" --demo "$i" --height "$em" --bg '#F0F0F0' -o "$out/$c.png"
        read -r w h _ < <(od -An -tu1 -j16 -N8 "$out/$c.png" |
            awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
        odf draw "$work/$c.emf" "$w" "$h" "$work/$c-draw.fodg"
        odf writer "$work/$c.emf" "$w" "$h" "$work/$c-writer.fodt"
        inkscape "$work/$c.emf" --export-type=png --export-dpi=96 \
            --export-filename="$out/$c-inkscape.png" >/dev/null 2>&1 ||
            { echo "FAIL: Inkscape could not convert $c.emf"; exit 1; }
    done
done
# One LibreOffice process, with a profile of its own, converts every document.
(cd "$work" && soffice -env:UserInstallation="file://$work/profile" --headless \
    --convert-to png --outdir "$out" ./*.fodg ./*.fodt >"$work/soffice.log" 2>&1) ||
    { cat "$work/soffice.log"; echo "FAIL: LibreOffice could not convert the documents"; exit 1; }

. "$root/tests/e2e/ink_check.sh"
for c in "${cases[@]}"; do
    for reader in draw writer inkscape; do
        frame=--find-frame
        [ "$reader" = inkscape ] && frame=
        ink_check "$c $reader" "$out/$c.png" "$out/$c-$reader.png" $frame
    done
done
echo "pictures in $out"
[ "$failed" -eq 0 ] || { echo "FAIL: $failed pictures differ from ours"; exit 1; }
