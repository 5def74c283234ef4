#!/usr/bin/env bash
# The working cycle of the window under Xvfb with a window manager (openbox)
# and a notification area (trayer):
#  - a formula typed and Enter: the window hides, the tray icon shows, and
#    another process reads the formula's PNG from the clipboard, which offers
#    it as image/png and image/bmp only;
#  - text put on the clipboard by another process, another window focused:
#    the hot key brings the window back, active, with that text painted;
#  - double-clicking the tray icon restores; minimising goes to the tray;
#  - Save Picture asks once ("Save picture as ..."), then writes without asking;
#  - the tray menu's "Close" ends the program, which writes all eight settings;
#  - with EMF=1 the clipboard holds exactly the two EMF targets, the EMF read
#    back names the formula, and the program's own EMF pasted by another
#    process brings that formula back into the box;
#  - with no notification area, hiding minimises the window instead.
#   tests/e2e/tray_clipboard.sh [BUILD_DIR] [OUT_DIR]
# BUILD_DIR holds the built `nerovan` and `nerovan-render` (default build);
# the screenshots go to OUT_DIR (default a temporary folder, printed at the end).
set -euo pipefail

source "$(dirname "$0")/session.sh" "$@"

for tool in Xvfb openbox trayer xdotool xclip xwininfo xprop xmessage iconv; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps)"
done

render="$build/nerovan-render"
start_xvfb
start_openbox
trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --transparent false >"$work/trayer.log" 2>&1 &
trayer_pid=$!
pids+=($trayer_pid)
wait_for 50 xdotool search --class trayer >/dev/null || fail "trayer did not start"

# Another program's window, to hold the focus while the hot key is pressed.
xmessage -name other -geometry 300x80+20+500 "another program" >/dev/null 2>&1 &
pids+=($!)
other=$(timeout 10 xdotool search --sync --class Xmessage | head -n1) || fail "no xmessage window"

# The centre of the program's icon in trayer's panel, or nothing. (awk reads
# to the end: an early exit would break xwininfo's pipe and fail the pipeline.)
tray_icon() {
    xwininfo -root -tree | awk '
        /\("panel" "trayer"\)/ { match($0, /^ */); indent = RLENGTH; inside = 1; next }
        inside && !found {
            match($0, /^ */)
            if (RLENGTH <= indent) { inside = 0; next }
            if (match($0, /[0-9]+x[0-9]+[+-][0-9]+[+-][0-9]+ +[+-]+[0-9]+[+-]+[0-9]+/)) {
                split(substr($0, RSTART, RLENGTH), g, / +/)
                split(g[1], size, /[x+-]/)
                n = split(g[2], at, /\+/)
                if (size[1] >= 8 && size[2] >= 8) { print int(at[n - 1] + size[1] / 2), int(at[n] + size[2] / 2); found = 1 }
            }
        }'
}
tray_icon_shown() { [ -n "$(tray_icon)" ]; }
tray_icon_gone() { [ -z "$(tray_icon)" ]; }
window_shown() { xdotool search --onlyvisible --name '^Nerovan - ' >/dev/null 2>&1; }
window_hidden() { ! window_shown; }
window_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ]; }
window_iconic() { xprop -id "$win" WM_STATE 2>/dev/null | grep -q 'window state: Iconic'; }
program_ended() { ! kill -0 "$app" 2>/dev/null; }
click_tray() { # click_tray BUTTON [REPEAT]
    local at
    wait_for 50 tray_icon_shown || fail "no tray icon to click"
    sleep 0.3  # the icon takes clicks once trayer has embedded it
    at=$(tray_icon)
    xdotool mousemove $at click --repeat "${2:-1}" --delay 80 "$1"
}
visible_windows() { { xdotool search --onlyvisible --classname nerovan 2>/dev/null || true; } | wc -l; }
# Opens the tray icon's menu: a right click, again if no menu came up.
open_tray_menu() {
    local before
    before=$(visible_windows)
    for _ in 1 2 3; do
        click_tray 3
        wait_for 20 bash -c "[ \$(xdotool search --onlyvisible --classname nerovan 2>/dev/null | wc -l) -gt $before ]" &&
            return 0
        xdotool key Escape
    done
    fail "the tray icon's menu did not open"
}

# The clipboard's targets without the protocol's own ones.
clip_targets() {
    xclip -selection clipboard -t TARGETS -o 2>/dev/null |
        grep -vx -e TARGETS -e MULTIPLE -e TIMESTAMP -e SAVE_TARGETS | sort
}
clip_png_is() { xclip -selection clipboard -t image/png -o 2>/dev/null | cmp -s - "$1"; }
# Puts a file on the clipboard from another process, under a target.
offer_clipboard() { # offer_clipboard TARGET FILE
    xclip -quiet -selection clipboard -t "$1" -i "$2" >/dev/null 2>&1 &
    pids+=($!)
    wait_for 30 bash -c "xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qxF '$1'" ||
        fail "xclip did not take the clipboard"
}
# Creator and description of an EMF header, one a line.
emf_texts() {
    local n off
    read -r n off < <(od -An -tu4 -j60 -N8 "$1")
    dd if="$1" bs=1 skip="$off" count=$((2 * n)) 2>/dev/null | iconv -f UTF-16LE -t UTF-8 |
        tr '\0' '\n' | head -n2
}
# The reference pictures come from the command-line renderer: the same
# typesetter and settings as a fresh window, whose font has an em of 27 pixels.
reference() { "$render" --height 27 "$1" -o "$2" || fail "nerovan-render '$1'"; }
replace_text() { # focus the box, replace its text
    xdotool key ctrl+a
    xdotool type --delay 25 "$1"
}

# --- Enter: the picture to the clipboard, the window to the tray -------------
start_program
formula='sum(i=1,n,x_i^2)'
reference "$formula" "$work/ref1.png"
xdotool type --delay 25 "$formula"
sleep 1
xdotool key Return
wait_for 50 window_hidden || fail "Enter did not hide the window"
wait_for 50 tray_icon_shown || fail "no tray icon after Enter"
wait_for 50 clip_png_is "$work/ref1.png" || fail "the clipboard's image/png is not the formula"
# The picture is offered as PNG and BMP and in no other image format.
[ "$(clip_targets | tr '\n' ' ')" = "image/bmp image/png " ] ||
    fail "the bitmap's targets are not image/bmp and image/png: $(clip_targets | tr '\n' ' ')"
shot 1-tray.png

# A single click on the icon does nothing; a double click restores.
click_tray 1
sleep 0.8
window_hidden || fail "a single click on the tray icon restored the window"
click_tray 1 2
wait_for 50 window_shown || fail "double-clicking the tray icon did not restore the window"
wait_for 30 tray_icon_gone || fail "the tray icon stayed after restoring"
wait_for 30 window_active || fail "the restored window is not active"

# --- The hot key with text from another program -----------------------------
xdotool key ctrl+Return  # Hide
wait_for 50 window_hidden || fail "Ctrl+Enter did not hide the window"
pasted='a/b+sqrt(c)'
printf '%s' "$pasted" >"$work/pasted.txt"
offer_clipboard UTF8_STRING "$work/pasted.txt"
xdotool windowactivate --sync "$other"
xdotool key ctrl+shift+f
wait_for 50 window_shown || fail "the hot key did not show the window"
wait_for 50 window_active || fail "the hot key did not activate the window"
wait_for 30 tray_icon_gone || fail "the tray icon stayed after the hot key"
sleep 1
shot 2-hotkey.png
# The formula painted is the pasted text: Enter copies its picture.
reference "$pasted" "$work/ref2.png"
xdotool key Return
wait_for 50 clip_png_is "$work/ref2.png" || fail "the hot key did not paint the clipboard text"
wait_for 50 window_hidden || fail "Enter did not hide the window"

# --- The hot key with a picture of ours offered by another program ----------
# An SVG image that carries its formula: the formula comes back and is painted.
imaged='int(0, 1, x^2 dx)'
"$render" --height 27 "$imaged" -o "$work/imaged.svg" || fail "nerovan-render '$imaged'"
offer_clipboard image/svg+xml "$work/imaged.svg"
xdotool windowactivate --sync "$other"
xdotool key ctrl+shift+f
wait_for 50 window_shown || fail "the hot key did not show the window for an image"
wait_for 50 window_active || fail "the hot key did not activate the window for an image"
sleep 1
reference "$imaged" "$work/ref3.png"
xdotool key Return
wait_for 50 clip_png_is "$work/ref3.png" || fail "the hot key did not paint the formula of the image"
wait_for 50 window_hidden || fail "Enter did not hide the window"

# --- Minimising goes to the tray ----------------------------------------------
click_tray 1 2
wait_for 50 window_shown || fail "double-click did not restore the window"
xdotool windowminimize "$win"
wait_for 50 window_hidden || fail "minimising did not hide the window"
wait_for 50 tray_icon_shown || fail "minimising did not show the tray icon"
window_iconic && fail "the window stayed minimised instead of going to the tray"
click_tray 1 2
wait_for 50 window_shown || fail "double-click did not restore the minimised window"
wait_for 30 window_active || fail "the window restored from minimised is not active"

# --- Save Picture: the dialog the first time, then no more ---------------------
xdotool key ctrl+p
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Save picture as \.\.\.$' | head -n1) ||
    fail "Save Picture did not show \"Save picture as ...\""
sleep 0.8
shot 3-save-dialog.png
xdotool key ctrl+a
xdotool type --delay 15 "$work/picture.bmp"
xdotool key Return
wait_for 50 test -s "$work/picture.bmp" || fail "Save Picture wrote nothing"
[ "$(head -c2 "$work/picture.bmp")" = BM ] || fail "the picture file is no bitmap"
cp "$work/picture.bmp" "$work/picture-1.bmp"
xdotool windowactivate --sync "$win"
replace_text 'x^2'
sleep 1
xdotool key ctrl+p
wait_for 50 bash -c "! cmp -s '$work/picture.bmp' '$work/picture-1.bmp'" ||
    fail "the second Save Picture did not write the new formula"
xdotool search --onlyvisible --name '^Save picture as' >/dev/null 2>&1 &&
    fail "the second Save Picture asked again"

# --- "Close" in the tray menu ends the program --------------------------------
xdotool key ctrl+Return
wait_for 50 window_hidden || fail "Ctrl+Enter did not hide the window"
open_tray_menu
sleep 0.3
shot 4-tray-menu.png
xdotool key Up Return  # the last item: "Close"
wait_for 100 program_ended || fail "\"Close\" did not end the program"
for key in Shift Ctrl Alt Key EMF MULPOINT BLURBITMAP AUTOINSERTBUTTONS; do
    grep -q "^$key = " "$work/Nerovan.Ini" || fail "the settings file lacks $key"
done
cp "$work/Nerovan.Ini" "$out/Nerovan-1.Ini"

# --- Metafile mode: the two EMF targets, and the formula back from the EMF ---
sed -i 's/^EMF = 0$/EMF = 1/' "$work/Nerovan.Ini"
start_program
emf_formula='int(0,1,f(x) dx)'
replace_text "$emf_formula"
sleep 1
xdotool key Return
wait_for 50 window_hidden || fail "Enter did not hide the window in metafile mode"
expected=$'application/x-openoffice-emf;windows_formatname="Image EMF"\nimage/x-emf'
wait_for 50 bash -c "[ \"\$(xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -vx -e TARGETS -e MULTIPLE -e TIMESTAMP -e SAVE_TARGETS | sort)\" = '$expected' ]" ||
    fail "the clipboard's targets are not the two EMF targets: $(clip_targets | tr '\n' ' ')"
xclip -selection clipboard -t image/x-emf -o >"$work/formula.emf"
[ "$(emf_texts "$work/formula.emf")" = $'Nerovan by Tarquel\n'"$emf_formula" ] ||
    fail "the EMF names '$(emf_texts "$work/formula.emf" | tr '\n' '|')'"

# Another text in the box, then the program's own EMF pasted by another process.
click_tray 1 2
wait_for 50 window_shown || fail "double-click did not restore the window"
replace_text 'y'
sleep 0.8
offer_clipboard image/x-emf "$work/formula.emf"
xdotool windowactivate --sync "$other"
xdotool key ctrl+shift+f
wait_for 50 window_active || fail "the hot key did not bring the window back"
sleep 1
shot 5-emf-pasted.png
xdotool key Return  # copies what the box now holds
wait_for 50 window_hidden || fail "Enter did not hide the window"
xclip -selection clipboard -t image/x-emf -o >"$work/again.emf"
[ "$(emf_texts "$work/again.emf" | sed -n 2p)" = "$emf_formula" ] ||
    fail "the pasted EMF did not bring back '$emf_formula' (got '$(emf_texts "$work/again.emf" | sed -n 2p)')"

# --- No notification area: hiding minimises ----------------------------------
kill "$trayer_pid"
wait "$trayer_pid" 2>/dev/null || true
xdotool key ctrl+shift+f
wait_for 50 window_active || fail "the hot key did not restore the window"
sleep 0.5
xdotool key ctrl+Return
wait_for 50 window_iconic || fail "without a tray, hiding did not minimise the window"
xprop -root _NET_CLIENT_LIST | grep -q "$(printf '0x%x' "$win")" ||
    fail "the minimised window lost its task-bar entry"
shot 6-minimised-without-tray.png
xdotool key ctrl+shift+f
wait_for 50 window_active || fail "the hot key did not restore the minimised window"
window_iconic && fail "the window stayed minimised"
xdotool key alt+f
sleep 0.4
xdotool key e
wait_for 100 program_ended || fail "Exit did not end the program"
echo "PASS: screenshots in $out"
