#!/usr/bin/env bash
# Everything the renderer gives for a fixed set of formulas, as one line per
# formula, size and style: the exit status and a digest of the output for
# --metrics, --ops, the error message, and the picture bytes of all five
# formats. Two builds are the same to a user when their lines are equal:
#   bench/compare_outputs.sh OLD/nerovan-render > old.txt
#   bench/compare_outputs.sh NEW/nerovan-render > new.txt && diff old.txt new.txt
# The formulas: the demos, the layout fuzz seeds, and mixtures of the
# constructs made from a fixed seed; each at three em heights and in three
# styles.
set -euo pipefail
render=$(realpath "${1:?usage: compare_outputs.sh NEROVAN-RENDER}")
root=$(cd "$(dirname "$0")/.." && pwd)
tmp=$(mktemp -d /tmp/nerovan-compare.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/f"

for seed in "$root"/fuzz/corpus/layout/*; do
    cp "$seed" "$tmp/f/seed_$(basename "$seed")"
done

# Mixtures: constructs nested into each other from a fixed seed (bash's
# generator is the same on every machine for the same seed).
RANDOM=1861
pieces=('sum(i=1, n, @)' 'int(a, b, @ dx)' 'sqrt(@)' '@/@' '@_i^2' '@^(@)' '((@))'
        '[[@]]' 'mat22[@,@,@,@]' 'det33(@,1,0,0,@,0,0,0,@)' 'sys(@, @)' 'lim(x >> 0, @)'
        '\.@' '\-@' '\^@' '@ = @' '@ <= @' '@*@' '@+@' '@-@' '||@||' 'sin(@)' 'log(@)'
        'prod(k=0, m, @)' '@ => @' '((@, @))')
atoms=('x' 'y_1' '\a' '\b^2' '\S' 'f(x)' 'e^(-t)' 'n!' '2' '\.\fi' 'A' 'ab' '\omega t' '...')
# mix DEPTH: a random formula in $mixed (no subshell, whose generator would
# be seeded anew).
mix() {
    local depth=$1 s
    if ((depth == 0 || RANDOM % 4 == 0)); then
        mixed=${atoms[RANDOM % ${#atoms[@]}]}
        return
    fi
    s=${pieces[RANDOM % ${#pieces[@]}]}
    while [[ $s == *@* ]]; do
        mix $((depth - 1))
        s=${s/@/"$mixed"}
    done
    mixed=$s
}
for k in $(seq -w 110); do
    mix 4
    printf '%s\n' "$mixed" > "$tmp/f/mix_$k"
done

styles=('' '--bold --italic' '--mul-point --fg #204060 --bg #F0E0D0')
one() {  # one FORMULA-SOURCE HEIGHT STYLE-INDEX
    local src=$1 h=$2 s=$3 out="$tmp/o.$$.$BASHPID" line
    read -r -a style <<< "${styles[s]}"
    local -a input
    if [[ $src == demo* ]]; then input=(--demo "$((10#${src#demo}))"); else input=(-f "$tmp/f/$src"); fi
    line="$src h$h s$s"
    local rc
    rc=0; "$render" "${input[@]}" --height "$h" "${style[@]}" --metrics > "$out" 2>&1 || rc=$?
    line+=" metrics=$rc:$(tr '\n' ' ' < "$out" | md5sum | cut -c1-12)"
    rc=0; "$render" "${input[@]}" --height "$h" "${style[@]}" --ops > "$out" 2>&1 || rc=$?
    line+=" ops=$rc:$(md5sum < "$out" | cut -c1-12)"
    for ext in bmp emf png jpg gif; do
        rm -f "$out.$ext"
        rc=0; "$render" "${input[@]}" --height "$h" "${style[@]}" -o "$out.$ext" > "$out" 2>&1 || rc=$?
        line+=" $ext=$rc:$( { cat "$out"; cat "$out.$ext" 2>/dev/null; } | md5sum | cut -c1-12)"
        rm -f "$out.$ext"
    done
    rm -f "$out"
    printf '%s\n' "$line"
}
export -f one
export render tmp
export styles_0="${styles[0]}" styles_1="${styles[1]}" styles_2="${styles[2]}"

{
    for n in $(seq -w 18); do echo "demo$n"; done
    (cd "$tmp/f" && ls)
} > "$tmp/sources"
while read -r src; do for h in 13 21 40; do for s in 0 1 2; do echo "$src $h $s"; done; done; done \
    < "$tmp/sources" > "$tmp/jobs"
# xargs runs each in a fresh shell, which sees the styles through the
# exported variables.
xargs -P "$(nproc)" -L 1 bash -c 'styles=("$styles_0" "$styles_1" "$styles_2"); one "$@"' _ \
    < "$tmp/jobs" | sort
echo "# $(wc -l < "$tmp/jobs") formula, size and style sets" >&2
