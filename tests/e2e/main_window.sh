#!/usr/bin/env bash
# The window program under Xvfb: it opens "Nerovan - Untitled.fla"; typing
# sum(i=1, n, x_i^2) paints the formula; one more ")" is a notation error that
# leaves the picture as it was; after correcting it, Exit writes the settings file and ends the
# program, and a restart shows the same window again.
#   tests/e2e/main_window.sh [BUILD_DIR] [OUT_DIR]
# BUILD_DIR holds the built `nerovan` (default build); the screenshots go to
# OUT_DIR (default a temporary folder, printed at the end).
set -euo pipefail

source "$(dirname "$0")/session.sh" "$@"
start_xvfb
command -v openbox >/dev/null && start_openbox

# The program, whose window opens untitled.
start_untitled() {
    start_program
    [ "$(xdotool getwindowname "$win")" = "Nerovan - Untitled.fla" ] ||
        fail "title is '$(xdotool getwindowname "$win")'"
}

# The picture area of the window: below the expression box, above the palette
# and the status line.
picture_area() {
    eval "$(xdotool getwindowgeometry --shell "$win")"
    echo "$X $((Y + 130)) $WIDTH $((HEIGHT - 210))"
}
grab_area() { "$work/grab_screen" "$1" $(picture_area) 2>/dev/null; }

start_untitled
"$work/grab_screen" "$out/1-start.png" 2>/dev/null
grab_area "$work/area-empty.png"

xdotool type --delay 30 'sum(i=1, n, x_i^2)'
sleep 1.5
"$work/grab_screen" "$out/2-formula.png" 2>/dev/null
grab_area "$work/area-formula.png"
cmp -s "$work/area-empty.png" "$work/area-formula.png" && fail "the formula was not painted"

xdotool type --delay 30 ')'
sleep 1.5
"$work/grab_screen" "$out/3-error.png" 2>/dev/null
grab_area "$work/area-error.png"
cmp -s "$work/area-formula.png" "$work/area-error.png" || fail "the notation error changed the picture"

xdotool key BackSpace
sleep 1.5
grab_area "$work/area-fixed.png"
cmp -s "$work/area-formula.png" "$work/area-fixed.png" || fail "the corrected formula painted differently"

# Exit (Alt+F, E) writes the settings and ends the program.
xdotool key alt+f
sleep 0.4
xdotool key e
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program did not end on Exit"
grep -q 'Expression = "sum(i=1, n, x_i^2)"' "$work/Nerovan.Ini" || fail "the expression was not stored"

# A restart paints the stored expression in the same place: the same picture.
start_untitled
sleep 1
"$work/grab_screen" "$out/4-restart.png" 2>/dev/null
grab_area "$work/area-restart.png"
cmp -s "$work/area-formula.png" "$work/area-restart.png" || fail "the restart did not show the formula"
cp "$work/Nerovan.Ini" "$out/"
echo "PASS: screenshots in $out"
