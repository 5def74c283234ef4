#!/usr/bin/env bash
# The window on Wayland: a weston compositor (its X11 backend on a private
# Xvfb, which gives weston a seat: keys typed with xdotool into weston's
# window reach the focused Wayland client, and the clipboard works; the
# headless backend has no seat) runs the program, which must not touch X11:
#  - with no platform named, the program prefers Wayland to the X server it
#    could reach too; with no Wayland display it falls back to X11;
#  - typing paints and Enter copies: the program offers image/png and
#    image/bmp only (its protocol trace), and the PNG wl-paste reads is the
#    command-line renderer's;
#  - a second start ends at once, handing its request to the first;
#  - text put on the clipboard by another Wayland client, then
#    `nerovan --paste`: the minimised window comes back with that formula
#    painted (Enter copies it again);
#  - with EMF = 1 the program offers exactly the two EMF targets, and its own
#    EMF put back by another client brings its formula back;
#  - on a session bus with the real xdg-desktop-portal, and behind it a
#    desktop's global shortcuts and a panel (desktop_backend, which binds what
#    it is asked, registers tray icons, and presses and clicks on request):
#    the program asks for its hot key with the configured trigger, hides in
#    the tray and comes back with a click on its icon, and a press of the hot
#    key brings it back with the clipboard's formula painted, as the hot key
#    does on X11.
# Weston keeps a copy of the first type of every selection and takes the
# selection over with it, so wl-paste sees the first type only: the types
# are read from the program's side of the protocol.
#   tests/e2e/wayland_session.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail

source "$(dirname "$0")/session.sh" "$@"

command -v weston >/dev/null || fail "weston is not installed (scripts/install-deps)"
for tool in Xvfb xdotool wl-copy wl-paste iconv dbus-daemon dbus-send /usr/libexec/xdg-desktop-portal; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps)"
done
[ -n "$(find /usr/lib -path '*qt6/plugins/platforms/libqwayland*' -print -quit 2>/dev/null)" ] ||
    fail "the Qt Wayland platform plugin is not installed (scripts/install-deps)"

render="$build/nerovan-render"
start_xvfb
unset QT_QPA_PLATFORM
weston --backend=x11-backend.so --socket=nerovan-e2e --idle-time=0 --width=1000 --height=740 \
    >"$work/weston.log" 2>&1 &
pids+=($!)
wait_for 100 test -S "$XDG_RUNTIME_DIR/nerovan-e2e" || fail "weston did not start"
compositor=$(timeout 10 xdotool search --sync --class '^Weston Compositor$' | head -n1) ||
    fail "no weston window: $(tail -5 "$work/weston.log")"
sleep 1  # the shell client starts
xdotool windowfocus --sync "$compositor"

# Wayland clients see no X display at all.
wl() { env -u DISPLAY WAYLAND_DISPLAY=nerovan-e2e "$@"; }
wl_png_is() { wl timeout 5 wl-paste -t image/png 2>/dev/null | cmp -s - "$1"; }
# Another client puts FILE on the clipboard under TYPE.
offer_clipboard() { # offer_clipboard TYPE FILE
    wl wl-copy -t "$1" <"$2" >/dev/null 2>&1 || fail "wl-copy failed"
    wait_for 50 bash -c "env -u DISPLAY WAYLAND_DISPLAY=nerovan-e2e timeout 5 wl-paste --list-types 2>/dev/null | grep -qxF '$1'" ||
        fail "wl-copy did not take the clipboard"
}
reference() { "$render" --height 27 "$1" -o "$2" || fail "nerovan-render '$1'"; }
emf_texts() {
    local n off
    read -r n off < <(od -An -tu4 -j60 -N8 "$1")
    dd if="$1" bs=1 skip="$off" count=$((2 * n)) 2>/dev/null | iconv -f UTF-16LE -t UTF-8 |
        tr '\0' '\n' | head -n2
}
# The program's own messages, without its protocol trace, for fail.
wfail() {
    grep -v '^\[[0-9. ]*\]' "$work/protocol.log" >>"$work/nerovan.log" 2>/dev/null || true
    fail "$@"
}
# The types of the program's last clipboard offer, sorted, one a line.
offered_types() {
    awk '/-> wl_data_device_manager@[0-9]+\.create_data_source/ { n = 0 }
         /-> wl_data_source@[0-9]+\.offer\(/ {
             match($0, /offer\(".*"\)/); t[n++] = substr($0, RSTART + 7, RLENGTH - 9) }
         END { for (i = 0; i < n; i++) print t[i] }' "$work/protocol.log" | sort
}
# How often the program has taken the clipboard.
selections() { grep -c -- '-> wl_data_device@[0-9]*\.set_selection(wl_data_source' "$work/protocol.log" || true; }
copied_since() { [ "$(selections)" -gt "$1" ]; }
x_window() { xdotool search --name '^Nerovan - ' >/dev/null 2>&1; }
# Starts the copy of the program on Wayland, DISPLAY still set: it chooses
# the platform itself. The window gets the focus when weston maps it.
start_wayland_program() {
    (cd "$work" && exec env WAYLAND_DISPLAY=nerovan-e2e WAYLAND_DEBUG=client ./nerovan \
        >"$work/protocol.log" 2>&1) &
    app=$!
    pids+=($app)
    wait_for 100 bash -c "ls '$XDG_RUNTIME_DIR/nerovan/' 2>/dev/null | grep -q ." ||
        fail "the program did not start listening"
    sleep 2
    x_window && fail "the program opened an X11 window rather than a Wayland one"
    return 0
}
end_program() {
    kill "$app"
    wait "$app" 2>/dev/null || true
}
type_keys() { xdotool type --delay 40 "$1"; }
# Enter in the box; the program must take the clipboard.
enter_copies() { # enter_copies WHAT-FAILED
    local copies
    copies=$(selections)
    xdotool key Return
    wait_for 50 copied_since "$copies" || wfail "$1"
}
# The clipboard's PNG must be REF; else it is kept in OUT_DIR as NAME.
clipboard_png_is() { # clipboard_png_is REF NAME WHAT-FAILED
    wait_for 30 wl_png_is "$1" && return 0
    wl wl-paste -t image/png >"$out/$2" 2>/dev/null || true
    wfail "$3 (see $out/$2)"
}
# A later start with ARGS, which must hand its request over and end.
later_start() { # later_start WHAT-FAILED [ARGS...]
    local what=$1
    shift
    (cd "$work" && exec env WAYLAND_DISPLAY=nerovan-e2e timeout 10 ./nerovan "$@" \
        >>"$work/nerovan.log" 2>&1) || wfail "$what"
}

# --- No Wayland display: the program falls back to X11 ------------------------
(cd "$work" && exec env WAYLAND_DISPLAY=no-such-display ./nerovan >>"$work/nerovan.log" 2>&1) &
app=$!
pids+=($app)
wait_for 200 x_window || fail "without a Wayland display the program did not open an X11 window"
end_program
rm -rf "$XDG_RUNTIME_DIR/nerovan"
xdotool windowfocus --sync "$compositor"

# --- Typing paints, Enter copies ----------------------------------------------
start_wayland_program
shot 0-started.png # the status line: the hot key could not be registered
formula='sum(i=1,n,x_i^2)'
reference "$formula" "$work/ref1.png"
type_keys "$formula"
sleep 1
shot 1-typed.png
enter_copies "Enter did not take the clipboard"
[ "$(offered_types | tr '\n' ' ')" = 'image/bmp image/png ' ] ||
    wfail "the program offers not image/png and image/bmp but: $(offered_types | tr '\n' ' ')"
clipboard_png_is "$work/ref1.png" clipboard-1.png "the clipboard's PNG is not the picture of '$formula'"

# --- A second start hands over and ends ----------------------------------------
# Its request brings the minimised window back.
later_start "a second start did not hand over to the running program"
kill -0 "$app" 2>/dev/null || wfail "the running program ended"

# --- Text on the clipboard, nerovan --paste -------------------------------------
sleep 1.5
xdotool key ctrl+Return # minimise without copying (no notification area)
sleep 1
formula2='a^2+b^2=c^2'
reference "$formula2" "$work/ref2.png"
printf '%s' "$formula2" >"$work/formula2.txt"
offer_clipboard text/plain "$work/formula2.txt"
later_start "nerovan --paste did not reach the running program" --paste
sleep 2
shot 2-pasted.png
enter_copies "Enter after nerovan --paste did not take the clipboard"
clipboard_png_is "$work/ref2.png" clipboard-2.png \
    "after nerovan --paste, Enter did not copy the picture of '$formula2'"
end_program

# --- Metafile mode: the two EMF targets, and the formula back from the EMF -----
printf '[COPYASPICTURE]\nEMF = 1\n' >"$work/Nerovan.Ini"
emf_office='application/x-openoffice-emf;windows_formatname="Image EMF"'
start_wayland_program
emf_formula='int(0,1,f(x) dx)'
type_keys "$emf_formula"
sleep 1
enter_copies "Enter did not take the clipboard in metafile mode"
[ "$(offered_types)" = "$emf_office"$'\nimage/x-emf' ] ||
    wfail "the program offers not the two EMF targets but: $(offered_types | tr '\n' ' ')"
sleep 0.5
wl timeout 5 wl-paste -t "$emf_office" >"$work/formula.emf" || wfail "wl-paste read no EMF"
[ "$(emf_texts "$work/formula.emf")" = $'Nerovan by Tarquel\n'"$emf_formula" ] ||
    wfail "the EMF names '$(emf_texts "$work/formula.emf" | tr '\n' '|')'"

# Another text in the box, minimised; the EMF put back by another client and
# `nerovan --paste` bring the formula back, and Enter copies it again.
later_start "nerovan --show did not reach the running program" --show
sleep 1.5
xdotool key ctrl+a
type_keys 'y'
sleep 1
xdotool key ctrl+Return
sleep 1
offer_clipboard image/x-emf "$work/formula.emf"
later_start "nerovan --paste did not reach the running program" --paste
sleep 2
shot 3-emf-pasted.png
enter_copies "Enter after nerovan --paste did not take the clipboard"
sleep 0.5
wl timeout 5 wl-paste -t "$emf_office" >"$work/again.emf" || wfail "wl-paste read no EMF"
[ "$(emf_texts "$work/again.emf" | sed -n 2p)" = "$emf_formula" ] ||
    wfail "the pasted EMF did not bring back '$emf_formula' (got '$(emf_texts "$work/again.emf" | sed -n 2p)')"
end_program

# --- The hot key through the desktop's portal ---------------------------------
rm -f "$work/Nerovan.Ini"
dbus-daemon --session --nofork --print-address=3 3>"$work/bus" 2>"$work/bus.log" &
pids+=($!)
wait_for 100 test -s "$work/bus" || fail "dbus-daemon did not start"
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
"$build/desktop_backend" --panel >"$work/desktop.log" 2>&1 &
pids+=($!)
wait_for 100 grep -qx ready "$work/desktop.log" || fail "desktop_backend did not start: $(cat "$work/desktop.log")"
mkdir "$work/portals"
printf '[portal]\nDBusName=org.freedesktop.impl.portal.desktop.nerovantest\nInterfaces=org.freedesktop.impl.portal.GlobalShortcuts;\nUseIn=nerovantest\n' \
    >"$work/portals/nerovantest.portal"
XDG_DESKTOP_PORTAL_DIR="$work/portals" XDG_CURRENT_DESKTOP=nerovantest \
    /usr/libexec/xdg-desktop-portal --replace >"$work/portal.log" 2>&1 &
pids+=($!)
wait_for 100 bash -c "dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:org.freedesktop.portal.Desktop 2>/dev/null | grep -q 'boolean true'" ||
    fail "xdg-desktop-portal did not start: $(tail -5 "$work/portal.log")"
start_wayland_program
wait_for 100 grep -q '^bind .* paste description=Paste, paint and restore preferred_trigger=CTRL+SHIFT+f$' "$work/desktop.log" ||
    wfail "the program did not ask the desktop for its hot key: $(cat "$work/desktop.log")"
# With a status notifier host the window hides in the tray: it takes no
# keys, and a click on its icon brings it back.
type_keys 'y'
sleep 1
xdotool key ctrl+Return
wait_for 50 grep -q '^tray ' "$work/desktop.log" || wfail "the program put no icon in the desktop's tray"
sleep 1
copies=$(selections)
xdotool key Return
sleep 1
copied_since "$copies" && wfail "the window in the tray still took Enter"
dbus-send --session --print-reply --dest=org.freedesktop.impl.portal.desktop.nerovantest \
    /io/nerovan/test/keyboard io.nerovan.test.Keyboard.ClickTray | grep -q 'int32 1' ||
    wfail "no tray icon of the program to click: $(cat "$work/desktop.log")"
sleep 1.5
enter_copies "a click on the tray icon did not bring the window back"
xdotool key ctrl+Return
sleep 1
formula3='sqrt(x^2+1)'
reference "$formula3" "$work/ref3.png"
printf '%s' "$formula3" >"$work/formula3.txt"
offer_clipboard text/plain "$work/formula3.txt"
dbus-send --session --print-reply --dest=org.freedesktop.impl.portal.desktop.nerovantest \
    /io/nerovan/test/keyboard io.nerovan.test.Keyboard.Press string:paste | grep -q 'int32 1' ||
    wfail "the desktop had no shortcut of the program to press: $(cat "$work/desktop.log")"
sleep 2
shot 4-desktop-hot-key.png
enter_copies "Enter after the desktop's hot key did not take the clipboard"
clipboard_png_is "$work/ref3.png" clipboard-3.png \
    "after the desktop's hot key, Enter did not copy the picture of '$formula3'"
echo "PASS (screenshots in $out)"
