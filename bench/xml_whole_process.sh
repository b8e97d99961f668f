#!/usr/bin/env bash
# Whole-process XML timing: `varno-inspect xml FILE` (parse and print the tree
# written back) against pugixml's parse-and-print of the same file, output to
# /dev/null. The two run in turn, RUNS times each; the medians of the wall
# times and their ratio are printed.
#
# usage: bench/xml_whole_process.sh VARNO_INSPECT XML_PRINT_PUGIXML FILE [RUNS]
# e.g. (the documents come from `xml_bench --write DIR`):
#   build-bench/bench/xml_bench --write /tmp/xmldocs
#   bench/xml_whole_process.sh build/varno-inspect build-bench/bench/xml_print_pugixml \
#       /tmp/xmldocs/model.xml 11
set -euo pipefail
inspect=$1
pugi=$2
file=$3
runs=${4:-11}
for program in "$inspect" "$pugi"; do
    [[ -x $program ]] || { echo "not a program: $program" >&2; exit 2; }
done

# Wall time of one run in microseconds.
run_us() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

ours=()
peer=()
for ((i = 0; i < runs; i++)); do
    ours+=("$(run_us "$inspect" xml "$file")")
    peer+=("$(run_us "$pugi" "$file")")
done
ours_median=$(printf '%s\n' "${ours[@]}" | median)
peer_median=$(printf '%s\n' "${peer[@]}" | median)
printf '%s (%s bytes), median of %d runs each\n' "$file" "$(stat -c %s "$file")" "$runs"
awk -v ours="$ours_median" -v peer="$peer_median" 'BEGIN {
    printf "  varno-inspect xml   %8.1f ms\n", ours / 1000
    printf "  pugixml print       %8.1f ms\n", peer / 1000
    printf "  ours / pugixml      %8.2f (time; below 1 is faster)\n", ours / peer
}'
