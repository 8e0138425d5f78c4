#!/usr/bin/env bash
# Whole-conversion speed and peak memory against MuPDF's own text extraction, over every PDF of
# the evaluation corpus (../shared/corpus beside the repository). The goal is at most 1.5x
# mutool's time and 1.5x its peak memory.
#
# Ours: build/bench/quillstone_convert_bench, which does what `quillstone convert -f json` does
# (open, extract, every stage, pretty JSON written to /dev/null) and reports how long
# extraction, the stages after it and the JSON writing took. Theirs: `mutool draw -F stext -o
# /dev/null`. How the two are run, timed and compared is in bench/lib.sh.
#
# Usage: [REPEAT=3] bench/convert.sh [path/to/build/quillstone] [PDF...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

bench_init "$@"
bench=$build/bench/quillstone_convert_bench
bench_require "$bench"

# The bench binary prints "<total>\t<pages>\t<extract>\t<stages>\t<json>\t<bytes>\t<path>" or
# "error\t<message>\t...". The split kept is that of the fastest run, so it adds up.
parse_ours() {
    local total p e s j rest
    IFS=$'\t' read -r total p e s j rest <"$tmp/out" || true
    if [[ $total =~ ^[0-9.]+$ ]]; then
        pages=$p
        if (($1)) || [[ -z $split ]]; then split=$e$'\t'$s$'\t'$j; fi
    else
        error_text=$p
    fi
}

echo "conversion: quillstone_convert_bench (json) vs mutool draw -F stext"
printf '%-28s %5s %9s %9s %9s %9s %9s %9s %8s %8s\n' file pages extract stages json ours_ms \
    mutool_ms ratio ours_MB mut_MB
failures=0
for f in "${files[@]}"; do
    name=$(basename "$f" .pdf)
    split="" pages="" error_text=""
    ours_cmd=("$bench" "$f")
    mutool_cmd=(mutool draw -q -F stext -o /dev/null "$f")
    measure_pair
    if ((!ours_ok)) || [[ -z $split ]]; then
        echo "bench: $name: conversion failed: $error_text" >&2
        failures=$((failures + 1))
        continue
    fi
    add_row "$f" "$pages" "$split"
    IFS=$'\t' read -r e s j <<<"$split"
    awk -v n="$name" -v p="$pages" -v e="$e" -v s="$s" -v j="$j" -v o="$ours_ms" -v m="$mutool_ms" \
        -v ok="$ours_kb" -v mk="$mutool_kb" \
        'BEGIN { printf "%-28s %5d %9.1f %9.1f %9.1f %9.1f %9.1f %9.2f %8.1f %8.1f\n", substr(n, 1, 28), p, e, s, j, o, m, o / m, ok / 1024, mk / 1024 }'
done

bench_summary 1.5
awk -F'\t' '{ e += $10; s += $11; j += $12; o += $4 }
    END { if (NR) printf "our time by part (fastest runs): extract %.1f ms (%.0f%%), stages %.1f ms (%.0f%%), json %.1f ms (%.0f%%), process rest %.1f ms\n",
          e, 100 * e / o, s, 100 * s / o, j, 100 * j / o, o - e - s - j }' "$rows"
((failures == 0)) || { echo "bench: $failures file(s) failed to convert" >&2; exit 1; }
