#!/usr/bin/env bash
# Monte Carlo through the command line with an expression g against plain sampling of the same
# document: samples per second of
#   stochvar sample DOC -n N                                   (the summary's statistics)
#   stochvar reliability DOC --method mc --cov 0 --max-calls N (g on every sample; --cov 0 draws
#                                                               all N)
# with the same numerics and threads, best of R runs each. The target: Monte Carlo reaches at
# least half of sample's rate.
#
#   bench/cli_monte_carlo.sh [STOCHVAR] [DOC] [N] [RUNS]
# defaults: build/default/bin/stochvar, examples/beam.json (g from its "limitState"), 2e6, 3.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$here/build/default/bin/stochvar}
doc=${2:-$here/examples/beam.json}
n=${3:-2000000}
runs=${4:-3}

# The best wall time of the command over the runs, in seconds.
best_seconds() {
    local best=""
    for _ in $(seq "$runs"); do
        local start end took
        start=$(date +%s.%N)
        "$@" > /dev/null
        end=$(date +%s.%N)
        took=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
        best=$(awk -v t="$took" -v b="$best" 'BEGIN { print (b == "" || t < b) ? t : b }')
    done
    echo "$best"
}

printf '%-10s %-8s %14s %14s %7s\n' numerics threads "sample/s" "mc/s" ratio
for numerics in faithful accurate; do
    for threads in 1 2; do
        common=("$doc" --numerics "$numerics" --threads "$threads")
        sample=$(best_seconds "$cli" sample "${common[@]}" -n "$n")
        mc=$(best_seconds "$cli" reliability "${common[@]}" --method mc --cov 0 --max-calls "$n")
        awk -v n="$n" -v s="$sample" -v m="$mc" -v num="$numerics" -v k="$threads" \
            'BEGIN { printf "%-10s %-8s %14.0f %14.0f %7.2f\n", num, k, n / s, n / m, s / m }'
    done
done
