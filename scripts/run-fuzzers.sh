#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a bounded time, starting from seed archives
# written by the library itself. Usage: run-fuzzers.sh BUILD_DIR [SECONDS_PER_TARGET]
set -euo pipefail
build_dir=${1:?usage: run-fuzzers.sh BUILD_DIR [SECONDS]}
seconds=${2:-${FUZZ_SECONDS:-60}}
corpus_root="$build_dir/corpus"
mkdir -p "$corpus_root"

for fuzzer in "$build_dir"/bin/*_fuzzer; do
    name=$(basename "$fuzzer")
    corpus="$corpus_root/$name"
    mkdir -p "$corpus"
    if [ -x "$build_dir/bin/write_fuzz_seeds" ] && [ -z "$(ls -A "$corpus")" ]; then
        "$build_dir/bin/write_fuzz_seeds" "$corpus"
    fi
    echo "== $name for ${seconds}s"
    # The numerical routines print their diagnostic lines; close_fd_mask=1 keeps them out of the log.
    "$fuzzer" -max_total_time="$seconds" -max_len=4096 -close_fd_mask=1 -print_final_stats=1 \
        -artifact_prefix="$build_dir/" "$corpus"
done
