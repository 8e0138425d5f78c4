#!/usr/bin/env bash
# Extraction speed and peak memory against MuPDF's own text extraction, over every PDF of the
# evaluation corpus (../shared/corpus beside the repository).
#
# Ours: build/bench/quillstone_extract_bench, which opens the file and runs extract_from over
# every page, nothing else. Theirs: `mutool draw -F stext -o /dev/null`. Both run as one process
# per file, interleaved file by file so background load hits both alike; each is timed REPEAT
# times (default 3) and the fastest run counts. Wall time is what a user waits; CPU time (user +
# system, 10 ms resolution) is steadier on a shared machine. Peak memory is the process's maximum
# resident set (/usr/bin/time %M), the largest over the runs.
#
# Usage: bench/extract.sh [path/to/build/quillstone] [PDF...]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cli=${1:-$root/build/quillstone}
shift || true
build=$(cd "$(dirname "$cli")" && pwd)
bench=$build/bench/quillstone_extract_bench
repeat=${REPEAT:-3}

if (($# > 0)); then
    files=("$@")
else
    corpus=$root/../shared/corpus
    if [[ ! -d $corpus ]]; then
        echo "bench: no corpus at $corpus, skipping"
        exit 0
    fi
    shopt -s nullglob
    files=("$corpus"/*.pdf)
    if ((${#files[@]} == 0)); then
        echo "bench: no PDFs in $corpus, skipping"
        exit 0
    fi
fi
[[ -x $bench ]] || { echo "bench: $bench not built (ninja -C $build quillstone_extract_bench)" >&2; exit 1; }
command -v mutool >/dev/null || { echo "bench: mutool not found (scripts/install-deps.sh)" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "bench: /usr/bin/time not found (scripts/install-deps.sh)" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Runs "$@" once; sets run_ms (wall clock), run_cpu (user + system ms) and run_kb (peak RSS).
run_once() {
    local t0 t1 user sys
    t0=$EPOCHREALTIME
    if ! /usr/bin/time -f '%M %U %S' -o "$tmp/mem" "$@" >"$tmp/out" 2>"$tmp/err"; then
        run_failed=1
    fi
    t1=$EPOCHREALTIME
    run_ms=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", (b - a) * 1000 }')
    read -r run_kb user sys < <(tail -n 1 "$tmp/mem")
    run_cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.0f", (u + s) * 1000 }')
}

# a < b for two decimal numbers.
less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# Runs "$@" $repeat times; sets best_ms and best_cpu (fastest), best_kb (largest peak) and, for the bench
# binary, best_extract (fastest extract_from it reported) and pages.
measure() {
    best_ms="" best_cpu="" best_kb=0 best_extract="" pages="" run_failed=0
    local extract_ms rest
    for ((r = 0; r < repeat; r++)); do
        run_once "$@"
        if [[ -z $best_ms ]] || less "$run_ms" "$best_ms"; then best_ms=$run_ms; fi
        if [[ -z $best_cpu ]] || less "$run_cpu" "$best_cpu"; then best_cpu=$run_cpu; fi
        if ((run_kb > best_kb)); then best_kb=$run_kb; fi
        IFS=$'\t' read -r extract_ms rest <"$tmp/out" || true
        if [[ $extract_ms =~ ^[0-9.]+$ ]]; then
            pages=${rest%%$'\t'*}
            if [[ -z $best_extract ]] || less "$extract_ms" "$best_extract"; then
                best_extract=$extract_ms
            fi
        else
            error_text=$rest
        fi
    done
}

printf '%-28s %5s %10s %10s %10s %9s %9s %8s %8s\n' file pages extract_ms ours_ms mutool_ms \
    ours_cpu mutool_cpu ours_MB mut_MB
total_pages=0 failures=0
: >"$tmp/rows"
for f in "${files[@]}"; do
    name=$(basename "$f" .pdf)
    error_text=""
    measure "$bench" "$f"
    ours_ms=$best_ms ours_cpu=$best_cpu ours_kb=$best_kb ours_failed=$run_failed extract_ms=$best_extract
    ours_pages=$pages ours_error=$error_text
    measure mutool draw -q -F stext -o /dev/null "$f"
    mutool_ms=$best_ms mutool_cpu=$best_cpu mutool_kb=$best_kb
    if ((ours_failed)) || [[ -z $extract_ms ]]; then
        echo "bench: $name: extraction failed: ${ours_error%%$'\t'*}" >&2
        failures=$((failures + 1))
        continue
    fi
    total_pages=$((total_pages + ours_pages))
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$ours_pages" "$extract_ms" "$ours_ms" \
        "$mutool_ms" "$ours_kb" "$mutool_kb" "$ours_cpu" "$mutool_cpu" >>"$tmp/rows"
    awk -v n="$name" -v p="$ours_pages" -v e="$extract_ms" -v o="$ours_ms" -v m="$mutool_ms" \
        -v oc="$ours_cpu" -v mc="$mutool_cpu" -v ok="$ours_kb" -v mk="$mutool_kb" \
        'BEGIN { printf "%-28s %5d %10.1f %10.1f %10.1f %9d %9d %8.1f %8.1f\n", substr(n, 1, 28), p, e, o, m, oc, mc, ok / 1024, mk / 1024 }'
done

awk -F'\t' -v files="$(wc -l <"$tmp/rows")" -v pages="$total_pages" '
    { e += $3; o += $4; m += $5; oc += $8; mc += $9; if ($6 > okmax) okmax = $6; if ($7 > mkmax) mkmax = $7;
      ok += $6; mk += $7; if ($4 / $5 > worst) { worst = $4 / $5; worst_name = $1 } }
    END {
        if (NR == 0) exit
        printf "\n%d files, %d pages, fastest of '"$repeat"' runs each\n", files, pages
        printf "time (ms):        extract_from %.1f   ours (process) %.1f   mutool stext %.1f\n", e, o, m
        printf "cpu (ms):         ours %.0f   mutool %.0f\n", oc, mc
        printf "time ratio ours/mutool:   %.3f (process wall)   %.3f (extract_from alone)   %.3f (cpu)\n", o / m, e / m, (mc > 0 ? oc / mc : 0)
        printf "slowest file relative to mutool: %s at %.2fx\n", worst_name, worst
        printf "peak memory (MB): ours max %.1f, mean %.1f   mutool max %.1f, mean %.1f\n",
            okmax / 1024, ok / NR / 1024, mkmax / 1024, mk / NR / 1024
        printf "memory ratio ours/mutool:  %.3f (max)   %.3f (mean)\n", okmax / mkmax, ok / mk
    }' "$tmp/rows"
((failures == 0)) || { echo "bench: $failures file(s) failed to extract" >&2; exit 1; }
