#!/usr/bin/env bash
# One window program per user, under Xvfb with a window manager (openbox):
#  - a second `nerovan` brings the running window forward and ends with 0:
#    still one window;
#  - `nerovan --paste` with formula text on the clipboard (from xclip) brings
#    the minimised window back with that formula painted (Enter copies its
#    picture, which equals the renderer's); `nerovan --show` brings it back;
#  - with none running, `nerovan --paste` starts the window and pastes;
#  - a start with another runtime folder (another user) opens its own window.
#   tests/e2e/single_instance.sh [BUILD_DIR] [OUT_DIR]
# BUILD_DIR holds the built `nerovan` and `nerovan-render` (default build);
# the screenshots go to OUT_DIR (default a temporary folder, printed at the end).
set -euo pipefail

source "$(dirname "$0")/session.sh" "$@"

for tool in Xvfb openbox xdotool xclip xprop; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps)"
done

start_xvfb
start_openbox

windows() { { xdotool search --name '^Nerovan - ' 2>/dev/null || true; } | wc -l; }
window_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ]; }
window_iconic() { xprop -id "$win" WM_STATE 2>/dev/null | grep -q 'window state: Iconic'; }
clip_png_is() { xclip -selection clipboard -t image/png -o 2>/dev/null | cmp -s - "$1"; }
# A later start of the program with the given arguments; it must end with 0.
start_again() {
    (cd "$work" && exec timeout 20 ./nerovan "$@" >>"$work/nerovan.log" 2>&1) ||
        fail "nerovan $* ended with $?"
}
# Puts formula text on the clipboard from another process.
offer_text() {
    printf '%s' "$1" >"$work/offered.txt"
    xclip -quiet -selection clipboard -t UTF8_STRING -i "$work/offered.txt" >/dev/null 2>&1 &
    pids+=($!)
    wait_for 30 bash -c "xclip -selection clipboard -o 2>/dev/null | cmp -s - '$work/offered.txt'" ||
        fail "xclip did not take the clipboard"
}
# Enter copies the picture of the formula in the box: it must be the renderer's.
check_painted() {
    "$build/nerovan-render" --height 27 "$1" -o "$work/ref.png" || fail "nerovan-render '$1'"
    sleep 1
    xdotool key Return
    wait_for 50 clip_png_is "$work/ref.png" || fail "the window did not paint '$1'"
}
minimise() {
    xdotool key ctrl+Return  # Hide: minimised, as no notification area runs
    wait_for 50 window_iconic || fail "Hide did not minimise the window"
}

# --- A second start: still one window ----------------------------------------
start_program
first=$app
start_again
start_again --show
sleep 1
[ "$(windows)" = 1 ] || fail "a second start opened another window ($(windows) windows)"
kill -0 "$first" 2>/dev/null || fail "the running program ended"

# --- --show and --paste bring the minimised window back ------------------------
minimise
start_again --show
wait_for 50 bash -c "! xprop -id $win WM_STATE 2>/dev/null | grep -q Iconic" ||
    fail "nerovan --show did not bring the window back"
minimise
formula='sqrt(a^2+b^2)'
offer_text "$formula"
start_again --paste
wait_for 50 window_active || fail "nerovan --paste did not bring the window back, active"
window_iconic && fail "the window stayed minimised"
sleep 1
shot 1-pasted.png
check_painted "$formula"
[ "$(windows)" = 1 ] || fail "nerovan --paste opened another window"

# --- Another runtime folder: another user's program ----------------------------
mkdir -m 0700 "$work/run2"
(cd "$work" && XDG_RUNTIME_DIR="$work/run2" exec ./nerovan >>"$work/nerovan.log" 2>&1) &
pids+=($!)
wait_for 100 bash -c '[ "$(xdotool search --name "^Nerovan - " 2>/dev/null | wc -l)" = 2 ]' ||
    fail "a program with another runtime folder did not open its own window"
kill "${pids[-1]}"
wait "${pids[-1]}" 2>/dev/null || true

# --- --paste with none running: the window starts and pastes --------------------
kill "$first"
wait "$first" 2>/dev/null || true
wait_for 50 bash -c '[ "$(xdotool search --name "^Nerovan - " 2>/dev/null | wc -l)" = 0 ]' ||
    fail "the windows did not go"
formula='a/(n+1)'
offer_text "$formula"
(cd "$work" && exec ./nerovan --paste >>"$work/nerovan.log" 2>&1) &
app=$!
pids+=($app)
win=$(timeout 20 xdotool search --sync --name '^Nerovan - ' | head -n1) ||
    fail "nerovan --paste with none running opened no window"
wait_for 50 window_active || xdotool windowactivate --sync "$win"
shot 2-started-pasting.png
check_painted "$formula"
echo "PASS: screenshots in $out"
