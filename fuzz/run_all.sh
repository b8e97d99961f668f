#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a few seconds, seeded with
# the sample corpus, the saved regression inputs, the images ImageMagick wrote
# for the tests and the fuzzer's own small seeds (fuzz/seeds/<format>/ or
# fuzz/<format>_seeds/) where it has them.
#
# usage: fuzz/run_all.sh BUILD-DIR SECONDS
# A crash leaves its input in fuzz/artifacts/ and fails the run.
set -euo pipefail
build=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
artifacts=$root/fuzz/artifacts
mkdir -p "$artifacts"

status=0
for fuzzer in "$build"/fuzz/*_fuzzer; do
    [[ -x $fuzzer ]] || continue
    format=$(basename "$fuzzer" _fuzzer)
    scratch=$(mktemp -d)
    for seeds in "$root/tests/corpus/$format" "$root/tests/fuzz_regressions/$format" \
        "$root/tests/data/images/$format" "$root/fuzz/seeds/$format" "$root/fuzz/${format}_seeds"; do
        if [[ -d $seeds ]]; then
            cp "$seeds"/* "$scratch"/ 2>/dev/null || true
        fi
    done
    # The XML readers start from the models and test documents we have.
    if [[ $format == xml || $format == xmlmodel ]]; then
        cp "$root"/Data/Model/*.xml "$root"/tests/data/xml/* "$scratch"/ 2>/dev/null || true
    fi
    echo "-- $format: ${seconds} s"
    if ! "$fuzzer" -max_total_time="$seconds" -max_len=300000 -rss_limit_mb=2048 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$format-" "$scratch" 2>"$scratch.log"; then
        tail -n 60 "$scratch.log"
        echo "FAIL: $format fuzzer found a crash (input saved under $artifacts)"
        status=1
    else
        grep -E "^stat::number_of_executed_units|^Done" "$scratch.log" || true
    fi
    rm -rf "$scratch" "$scratch.log"
done
exit $status
