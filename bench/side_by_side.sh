#!/bin/bash
# Frame times of two builds side by side: `--bench T,T+1 --frames 24` over ten one-second
# spans (one per section of the timeline), the two builds alternating run by run so that a
# busy machine slows both alike. Prints per span the median over the rounds of each build's
# median frame time, their ratio, and the geometric mean of the ratios.
# Usage: bench/side_by_side.sh BASE_BINARY NEW_BINARY [ROUNDS] [-- EXTRA OPTIONS FOR BOTH]
# Each binary reads the data folder beside it (e.g. build/quorlith and build/data), so run
# copies that have theirs: a binary without one falls back to ./data and times a bare demo.
set -euo pipefail
base=$1 new=$2 rounds=${3:-3}
shift $(($# < 3 ? $# : 3))
[ "${1:-}" = -- ] && shift
spans=(30 100 140 160 180 200 230 258 280 300)
names=(backdrop "rising row" orbit "fire helix" "sprite cloud" "twin knots" "mirror sphere"
    "swirling sea" "helix tunnel" credits)

median_of() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
bench_ms() { "$1" "${@:3}" --bench "$2,$(($2 + 1))" --frames 24 | sed -n 's/.*median \([0-9.]*\) ms.*/\1/p'; }

declare -A times
for ((r = 0; r < rounds; r++)); do
    for s in "${spans[@]}"; do
        # Alternate which build goes first.
        if ((r % 2 == 0)); then order=(base new); else order=(new base); fi
        for which in "${order[@]}"; do
            binary=$base
            [ "$which" = new ] && binary=$new
            times[$which,$s]+="$(bench_ms "$binary" "$s" "$@") "
        done
    done
done

printf '%-14s %6s %9s %9s %7s\n' section span base_ms new_ms ratio
logsum=0
for i in "${!spans[@]}"; do
    s=${spans[$i]}
    b=$(tr ' ' '\n' <<<"${times[base,$s]}" | grep . | median_of)
    n=$(tr ' ' '\n' <<<"${times[new,$s]}" | grep . | median_of)
    ratio=$(awk -v b="$b" -v n="$n" 'BEGIN {printf "%.2f", b / n}')
    logsum=$(awk -v l="$logsum" -v b="$b" -v n="$n" 'BEGIN {print l + log(b / n)}')
    printf '%-14s %6s %9.1f %9.1f %7s\n' "${names[$i]}" "$s" "$b" "$n" "$ratio"
done
awk -v l="$logsum" -v k="${#spans[@]}" -v r="$rounds" \
    'BEGIN {printf "geometric mean of the ratios: %.2f (medians of %d alternating rounds)\n", exp(l / k), r}'
