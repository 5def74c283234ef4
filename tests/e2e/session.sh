# The private X session of an end-to-end script, sourced by it with the
# script's own arguments: BUILD_DIR (default build) and OUT_DIR for the
# screenshots (default a temporary folder). It gives the script `root`,
# `build`, `out`, `work` (a fresh folder holding a copy of `nerovan`, which
# keeps "Nerovan.Ini" next to itself), `pids` (every process started, ended
# newest first at exit, and no other), `fail`, `wait_for`, `shot`,
# `start_xvfb`, `start_openbox` and `start_program`; XDG_RUNTIME_DIR is a
# folder of its own.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build}
out=${2:-$(mktemp -d /tmp/nerovan-e2e.XXXXXX)}
mkdir -p "$out"
work=$(mktemp -d /tmp/nerovan-e2e-run.XXXXXX)
pids=()
# The session's own runtime folder: the programs it starts meet one another
# there, never a program the user or another session runs.
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 0700 "$XDG_RUNTIME_DIR"

cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -x "$work/grab_screen" ] && "$work/grab_screen" "$out/failure.png" 2>/dev/null || true
    [ -f "$work/nerovan.log" ] && sed 's/^/nerovan: /' "$work/nerovan.log" >&2
    exit 1
}

# wait_for TENTHS COMMAND...: polls until the command succeeds.
wait_for() {
    local n=$1
    shift
    for _ in $(seq "$n"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

cp "$build/nerovan" "$work/nerovan"
g++ -std=c++17 -O1 -fPIC "$root/tests/e2e/grab_screen.cpp" -o "$work/grab_screen" \
    $(pkg-config --cflags --libs Qt6Gui)
shot() { "$work/grab_screen" "$out/$1" 2>/dev/null || true; }

# A virtual X server on a display number it picks itself.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$work/display")"
    export QT_QPA_PLATFORM=xcb
}

start_openbox() {
    openbox >"$work/openbox.log" 2>&1 &
    pids+=($!)
    sleep 0.5
}

# Starts the copy of the program (its process `app`) and activates its
# window, `win`, once it is there.
start_program() {
    (cd "$work" && exec ./nerovan >>"$work/nerovan.log" 2>&1) &
    app=$!
    pids+=($app)
    win=$(timeout 20 xdotool search --sync --name '^Nerovan - ' | head -n1) ||
        fail "no window titled Nerovan - ..."
    xdotool windowactivate --sync "$win"
    sleep 0.5
}
