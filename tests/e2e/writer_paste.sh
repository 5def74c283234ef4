#!/usr/bin/env bash
# The real paste into LibreOffice Writer, under Xvfb: Nerovan in metafile
# mode paints a sum with an upper limit, Enter puts its EMF on the clipboard,
# Ctrl+V pastes it into a running Writer, and Ctrl+C copies the pasted
# picture back out (as Writer's own re-written EMF). The document, saved and
# turned into a PDF, rendered at 96 DPI, shows our picture (ink within a
# pixel of our own PNG: the sum sign does not rise over its limit). The hot
# key with Writer's copy on the clipboard brings the formula back into
# Nerovan, which then paints it: Enter puts an EMF whose header names it.
#   tests/e2e/writer_paste.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail

source "$(dirname "$0")/session.sh" "$@"
for tool in soffice pdftoppm xdotool xclip iconv; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps)"
done

formula='\ksi_t = sum(i=1, n, ((\ksi_i , u_i)))/sum(i=1, n, ((u_i)))'
emf_office='application/x-openoffice-emf;windows_formatname="Image EMF"'
cat >"$work/Nerovan.Ini" <<EOF
[COPYASPICTURE]
EMF=1
[Placement]
Expression="$formula"
FontName="Times New Roman"
FontHeight=-27
EOF
"$build/nerovan-render" --height 27 "$formula" -o "$work/ours.png" || fail "nerovan-render"

start_xvfb
start_openbox

# Writer with a profile of its own, on an empty document.
export SAL_USE_VCLPLUGIN=gen
soffice --writer --norestore --nologo --nodefault -env:UserInstallation="file://$work/writer-profile" \
    "private:factory/swriter" >"$work/writer.log" 2>&1 &
pids+=($!)
writer=$(timeout 90 xdotool search --sync --name 'LibreOffice Writer' | head -n1) ||
    fail "Writer did not open"
sleep 3

(cd "$work" && exec ./nerovan >>"$work/nerovan.log" 2>&1) &
pids+=($!)
win=$(timeout 20 xdotool search --sync --name '^Nerovan - ' | head -n1) || fail "no Nerovan window"
xdotool windowactivate --sync "$win"
sleep 1.5
xdotool key Return
clip_has() { xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qxF "$1"; }
wait_for 50 clip_has "$emf_office" || fail "Enter did not put the EMF on the clipboard"
xclip -selection clipboard -t "$emf_office" -o >"$work/ours.emf"

xdotool windowactivate --sync "$writer"
sleep 1
xdotool key ctrl+v
sleep 3
shot 1-pasted.png
# The pasted picture is selected: copy it back out.
xdotool key ctrl+c
wait_for 50 bash -c "! cmp -s <(xclip -selection clipboard -t '$emf_office' -o 2>/dev/null) '$work/ours.emf'" ||
    fail "Writer did not copy the picture"
xclip -selection clipboard -t "$emf_office" -o >"$work/writer.emf"

# Save the document: Ctrl+Shift+S, the file name, Enter.
xdotool key Escape
sleep 0.5
xdotool key ctrl+shift+s
sleep 2
xdotool key ctrl+a
xdotool type --delay 20 "$work/pasted.odt"
xdotool key Return
wait_for 100 test -s "$work/pasted.odt" || { shot 2-save.png; fail "Writer did not save the document"; }
sleep 1
(cd "$work" && soffice -env:UserInstallation="file://$work/convert-profile" --headless \
    --convert-to pdf pasted.odt >"$work/convert.log" 2>&1) || fail "the document did not convert to PDF"
cp "$work/pasted.odt" "$work/pasted.pdf" "$out/"
pdftoppm -r 96 -png -singlefile "$work/pasted.pdf" "$out/pasted-page" || fail "pdftoppm"
cp "$work/ours.png" "$out/ours.png"
line=$("$build/ink_compare" "$out/ours.png" "$out/pasted-page.png" --find-ink \
    --diff "$out/pasted-diff.png" 2>&1) || line="$line"
echo "pasted into Writer, saved as PDF: $line"
case "$line" in *": ok") ;; *) fail "the picture in Writer's PDF is not ours: $line" ;; esac

# Back to Nerovan by the hot key, with Writer's copy of the picture.
xdotool windowactivate --sync "$writer"
xdotool key ctrl+shift+f
sleep 2
shot 3-hotkey.png
xdotool windowactivate --sync "$win"
xdotool key Return
emf_description() {
    local n off
    read -r n off < <(od -An -tu4 -j60 -N8 "$1")
    dd if="$1" bs=1 skip="$off" count=$((2 * n)) 2>/dev/null | iconv -f UTF-16LE -t UTF-8 |
        tr '\0' '\n' | sed -n 2p
}
back_is() {
    xclip -selection clipboard -t "$emf_office" -o >"$work/back.emf" 2>/dev/null &&
        [ "$(emf_description "$work/back.emf")" = "$formula" ]
}
wait_for 50 back_is || fail "the hot key did not bring the formula back from Writer's copy (got '$(emf_description "$work/back.emf")')"
echo "the formula came back from Writer's copy of the picture"
echo "pictures in $out"
