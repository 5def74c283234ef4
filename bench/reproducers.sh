#!/usr/bin/env bash
# The adversarial inputs the renderer, the files and the window must answer
# in bounded time and memory: each is run against the built programs and
# printed with its wall time, peak memory, exit status and first line of
# output. Usage: bench/reproducers.sh [BUILD_DIR]   (default build)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
render=$build/nerovan-render
tmp=$(mktemp -d /tmp/nerovan-repro.XXXXXX)
trap 'rm -rf "$tmp"' EXIT

# run NAME COMMAND...: one row of the table.
run() {
    local name=$1
    shift
    /usr/bin/time -f "%e %M" -o "$tmp/time" "$@" > "$tmp/out" 2>&1
    local rc=$?
    read -r secs kb < <(tail -n1 "$tmp/time")
    printf '%-44s %6ss %6s MB  exit %-3s %s\n' "$name" "$secs" "$((kb / 1024))" "$rc" \
        "$(grep -v '^Command \|QStandardPaths\|propagateSizeHints' "$tmp/out" | head -n1 | cut -c1-110)"
}

nest() {  # nest OPEN DEPTH: OPEN x ] ... nested DEPTH deep
    local s=x
    for _ in $(seq "$2"); do s="$1[$s]"; done
    printf '%s' "$s"
}

echo "== Layout arithmetic"
run "mat99 nested 8 deep, measured" "$render" --metrics "$(nest mat99 8)"
run "mat22 nested 30 deep, painted" "$render" -o "$tmp/a.png" "$(nest mat22 30)"
run "mat76[mat66[mat76[x]]], painted" "$render" -o "$tmp/b.png" 'mat76[mat66[mat76[x]]]'
run "mat76[mat66[mat76[x]]], --metrics" "$render" --metrics 'mat76[mat66[mat76[x]]]'
run "--metrics at --height 2000" "$render" --metrics --height 2000 'sum(i=1, n, x_i^2)'

echo "== Formula files"
run "-f /dev/zero" timeout 20 "$render" --metrics -f /dev/zero
{ echo 'a+b'; head -c 300000000 /dev/zero | tr '\0' 'x'; } > "$tmp/big.fla"
run "-f 300 MB file, first line a+b" "$render" --metrics -f "$tmp/big.fla"
rm -f "$tmp/big.fla"
printf 'a\x98b\n' > "$tmp/byte98.fla"
printf 'a\0b\n' > "$tmp/nul.fla"
run "-f formula with byte 0x98" "$render" --metrics -f "$tmp/byte98.fla"
run "-f formula with NUL" "$render" --metrics -f "$tmp/nul.fla"

echo "== Outputs"
mkfifo "$tmp/fifo.png"
(cat "$tmp/fifo.png" > "$tmp/fifo.out") &
run "-o FIFO" "$render" -o "$tmp/fifo.png" --demo 3
wait
echo "   the FIFO's reader got $(stat -c %s "$tmp/fifo.out") bytes"
run "-o /dev/null" "$render" -o /dev/null.png --demo 3
ln -s "$tmp/target.png" "$tmp/dangling.png"
run "-o dangling symlink" "$render" -o "$tmp/dangling.png" --demo 3
echo "   link kept: $(test -L "$tmp/dangling.png" && echo yes || echo no), target written: $(test -s "$tmp/target.png" && echo yes || echo no)"
mkdir "$tmp/dir.png"
run "-o directory" "$render" -o "$tmp/dir.png" --demo 3

echo "== Killed while writing"
"$render" -o "$tmp/killed.bmp" --height 60 "mat76[mat66[x]]" &
pid=$!
sleep 0.3
kill -TERM "$pid" 2>/dev/null
wait "$pid"
echo "   after SIGTERM: $(find "$tmp" -name '.killed.bmp.tmp*' | wc -l) temporary files left"

echo "== Stacked accents"
chain=$(for _ in $(seq 16000); do printf '\\.'; done; printf 'x')
run "16000 accents on one letter, painted" "$render" -o "$tmp/acc.png" "$chain"
printf '%s\n' "$chain" > "$tmp/acc.fla"
run "the chain fifteen times, bitmap and EMF" bash -c "for i in \$(seq 15); do
    '$render' -o '$tmp/acc.bmp' -f '$tmp/acc.fla' && '$render' -o '$tmp/acc.emf' -f '$tmp/acc.fla' || exit; done"

echo "== Window (offscreen, settings beside a copy of the program, 4 s)"
window() {  # window NAME INI-TEXT
    mkdir -p "$tmp/win" && cp "$build/nerovan" "$tmp/win/nerovan"
    printf '%b' "$2" > "$tmp/win/Nerovan.Ini"
    run "$1" timeout -s TERM 4 env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$tmp" "$tmp/win/nerovan"
}
window "window, Width = Height = 100000" '[Placement]\nLeft=0\nTop=0\nWidth=100000\nHeight=100000\n'
window "window, FontHeight = -2147483648" '[Placement]\nFontHeight=-2147483648\nExpression=x+1\n'
window "window, HistoryCount = 2147483647" '[Placement]\nHistoryCount=2147483647\nHistory0=a\n'
window "window, mat76[mat66[mat76[x]]] at em 21" '[Placement]\nFontHeight=-21\nExpression=mat76[mat66[mat76[x]]]\n'
window "window, mat76[mat64[mat72[x]]] (16 MP)" '[Placement]\nExpression=mat76[mat64[mat72[x]]]\n'
rm -f "$tmp/win/Nerovan.Ini" && mkfifo "$tmp/win/Nerovan.Ini"
run "window, settings file a FIFO" timeout -s TERM 4 env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$tmp" "$tmp/win/nerovan"
rm -f "$tmp/win/Nerovan.Ini" && head -c 55000000 /dev/zero | tr '\0' 'a' > "$tmp/win/Nerovan.Ini"
run "window, 55 MB settings file" timeout -s TERM 4 env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$tmp" "$tmp/win/nerovan"
echo "(exit 124: the window ran until it was ended after 4 s, as it should)"
