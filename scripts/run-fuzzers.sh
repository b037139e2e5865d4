#!/usr/bin/env bash
# Runs libFuzzer targets of a fuzz build for a bounded time each, one after the other, starting
# from their seeds (write_fuzz_seeds, and fuzz/seeds/TARGET when present) and what earlier runs
# added to their corpus (BUILD_DIR/corpus/TARGET).
#   run-fuzzers.sh BUILD_DIR [SECONDS_PER_TARGET [TARGET...]]
# Without targets it runs every *_fuzzer of the build. A finding (crash, leak, timeout, an
# input that needs too much memory) fails the run and is saved as BUILD_DIR/<kind>-<hash>; make
# it a row of the reader's tests before fixing it.
set -euo pipefail
build_dir=${1:?usage: run-fuzzers.sh BUILD_DIR [SECONDS [TARGET...]]}
seconds=${2:-${FUZZ_SECONDS:-60}}
shift $(($# < 2 ? $# : 2))
source_dir=$(cd "$(dirname "$0")/.." && pwd)
corpus_root="$build_dir/corpus"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for fuzzer in "$build_dir"/bin/*_fuzzer; do
        targets+=("$(basename "$fuzzer")")
    done
fi

for name in "${targets[@]}"; do
    corpus="$corpus_root/$name"
    mkdir -p "$corpus"
    if [ -z "$(ls -A "$corpus")" ]; then
        "$build_dir/bin/write_fuzz_seeds" "$name" "$corpus" "$source_dir/examples"
        if [ -d "$source_dir/fuzz/seeds/$name" ]; then
            cp "$source_dir/fuzz/seeds/$name"/* "$corpus"/
        fi
    fi
    echo "== $name for ${seconds}s from $(ls "$corpus" | wc -l) inputs"
    # The numerical routines print their diagnostic lines; close_fd_mask=1 keeps them out of the
    # log. An input that takes more than 10 s is a finding too.
    "$build_dir/bin/$name" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
        -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$build_dir/" "$corpus"
done
