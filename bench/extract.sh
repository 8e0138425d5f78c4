#!/usr/bin/env bash
# Extraction speed and peak memory against MuPDF's own text extraction, over every PDF of the
# evaluation corpus (../shared/corpus beside the repository).
#
# Ours: build/bench/quillstone_extract_bench, which opens the file and runs extract_from over
# every page, nothing else. Theirs: `mutool draw -F stext -o /dev/null`. How the two are run,
# timed and compared is in bench/lib.sh.
#
# Usage: [REPEAT=3] bench/extract.sh [path/to/build/quillstone] [PDF...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

bench_init "$@"
bench=$build/bench/quillstone_extract_bench
bench_require "$bench"

# The bench binary prints "<extract ms>\t<pages>\t..." or "error\t<message>\t...".
parse_ours() {
    local extract_ms rest
    IFS=$'\t' read -r extract_ms rest <"$tmp/out" || true
    if [[ $extract_ms =~ ^[0-9.]+$ ]]; then
        pages=${rest%%$'\t'*}
        if [[ -z $extract_best ]] || less "$extract_ms" "$extract_best"; then extract_best=$extract_ms; fi
    else
        error_text=${rest%%$'\t'*}
    fi
}

echo "extraction: quillstone_extract_bench vs mutool draw -F stext"
printf '%-28s %5s %10s %10s %10s %9s %9s %8s %8s\n' file pages extract_ms ours_ms mutool_ms \
    ours_cpu mutool_cpu ours_MB mut_MB
failures=0
for f in "${files[@]}"; do
    name=$(basename "$f" .pdf)
    extract_best="" pages="" error_text=""
    ours_cmd=("$bench" "$f")
    mutool_cmd=(mutool draw -q -F stext -o /dev/null "$f")
    measure_pair
    if ((!ours_ok)) || [[ -z $extract_best ]]; then
        echo "bench: $name: extraction failed: $error_text" >&2
        failures=$((failures + 1))
        continue
    fi
    add_row "$f" "$pages" "$extract_best"
    awk -v n="$name" -v p="$pages" -v e="$extract_best" -v o="$ours_ms" -v m="$mutool_ms" \
        -v oc="$ours_cpu" -v mc="$mutool_cpu" -v ok="$ours_kb" -v mk="$mutool_kb" \
        'BEGIN { printf "%-28s %5d %10.1f %10.1f %10.1f %9d %9d %8.1f %8.1f\n", substr(n, 1, 28), p, e, o, m, oc, mc, ok / 1024, mk / 1024 }'
done

bench_summary
awk -F'\t' '{ e += $10; m += $5 } END { if (NR) printf "extract_from alone: %.1f ms, %.3fx mutool\n", e, e / m }' "$rows"
((failures == 0)) || { echo "bench: $failures file(s) failed to extract" >&2; exit 1; }
