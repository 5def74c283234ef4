#!/usr/bin/env bash
# The batch renderer against one process per formula: 1,000 and 10,000
# different formulas (the demo formulas and the insert palette's texts, each
# with a numbered term of its own) to PNG and EMF with --batch on 1 and 2
# threads, formulas per second and the speed-up from 1 to 2 threads; a sample
# of one renderer call per formula, per formula; and the wall time of a
# single call, best and median, to a file and to standard output.
# Usage: bench/batch.sh [RENDERER]   (default build-release's)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
render=${1:-$root/build-release/nerovan-render}
sample=${SAMPLE:-200}
tmp=$(mktemp -d /tmp/nerovan-batch-bench.XXXXXX)
trap 'rm -rf "$tmp"' EXIT

# Nanoseconds, without starting a process.
now() { local t=${EPOCHREALTIME/./}; echo "${t}000"; }

# The demo formulas, as their pictures carry them.
for i in $(seq 18); do
    "$render" --demo "$i" -o "$tmp/demo.png"
    "$render" --read "$tmp/demo.png"
done > "$tmp/demos"
# The palette's texts: the quoted entries of its table.
sed -n 's/^ *{\(.*\)},$/\1/p' "$root/app/insert_palette.cpp" | grep -o 'R"([^"]*)"\|"[^"]*"' |
    sed 's/^R"(\(.*\))"$/\1/; s/^"\(.*\)"$/\1/' | grep -v '^ *$' > "$tmp/palette" || true
[ -s "$tmp/palette" ] || printf '%s\n' 'sqrt(a)' 'int(a,b)' 'mat22[a,b,c,d]' > "$tmp/palette"

# formulas N: N different formulas, one a line.
formulas() {
    awk -v n="$1" 'NR == FNR { demo[d++] = $0; next } { pal[p++] = $0 }
        END { for (i = 0; i < n; i++)
                  printf "%s %s y_%d\n", demo[i % d], pal[int(i / d) % p], i }' \
        "$tmp/demos" "$tmp/palette"
}

declare -A per_batch=()
run=0
printf '%-34s %9s %12s\n' "case" "seconds" "formulas/s"
for n in 1000 10000; do
    formulas "$n" > "$tmp/jobs$n"
    for format in png emf; do
        declare -A took=()
        for jobs in 1 2; do
            # A new folder each time: the pictures are all new files.
            run=$((run + 1))
            start=$(now)
            "$render" --batch "$tmp/jobs$n" --out-dir "$tmp/out$run" --format "$format" --jobs "$jobs"
            took[$jobs]=$(($(now) - start))
            awk -v c="--batch $n $format, $jobs jobs" -v ns="${took[$jobs]}" -v n="$n" \
                'BEGIN { printf "%-34s %9.3f %12.0f\n", c, ns / 1e9, n / (ns / 1e9) }'
        done
        awk -v a="${took[1]}" -v b="${took[2]}" 'BEGIN { printf "%-34s %9.2fx\n", "  speed-up 1 -> 2 jobs", a / b }'
        per_batch[$n$format]=$((took[2] / n))
    done
done

# One process per formula, a sample of the 10,000.
for format in png emf; do
    head -n "$sample" "$tmp/jobs10000" > "$tmp/sample"
    start=$(now)
    i=0
    while IFS= read -r f; do
        i=$((i + 1))
        "$render" -o "$tmp/p$i.$format" -- "$f"
    done < "$tmp/sample"
    per=$((($(now) - start) / sample))
    awk -v c="one process each, $format ($sample)" -v ns="$per" \
        -v b="${per_batch[10000$format]}" \
        'BEGIN { printf "%-34s %9.3f %12.0f   %.0fx the batch'"'"'s time per formula\n", c, ns / 1e9, 1e9 / ns, ns / b }'
done

# A single call, best and median of 50 (the fonts kept from the calls above),
# to a file (written safely: flushed to the disk) and to standard output.
# single NAME OUT ARGS...: the renderer with ARGS, its standard output to OUT.
single() {
    local name=$1 out=$2
    shift 2
    for i in $(seq 50); do
        start=${EPOCHREALTIME/./}
        "$render" "$@" > "$out"
        echo $((${EPOCHREALTIME/./} - start))
    done | sort -n | awk -v c="single call ($name)" '{ t[NR] = $1 } END {
        printf "%-34s %9.1f ms best, %.1f ms median\n", c, t[1] / 1e3, t[int((NR + 1) / 2)] / 1e3 }'
}
single "--demo 3 to PNG" /dev/null --demo 3 -o "$tmp/one.png"
single "x^2 to PNG" /dev/null x^2 -o "$tmp/one.png"
single "x^2, PNG to stdout" "$tmp/stdout.png" x^2 --format png -o -
