# shellcheck shell=bash
# Shared by the benchmarks that race one of our bench binaries against MuPDF's own text
# extraction (`mutool draw -F stext -o /dev/null`) over every PDF of the evaluation corpus
# (../shared/corpus beside the repository). Sourced, not run.
#
# Both sides run as one process per file, interleaved run by run (ours, mutool, mutool, ours,
# ...) so that background load on a shared machine hits both alike; each is run REPEAT times
# (default 3) and the fastest run counts. Wall time is what a user waits; CPU time (user +
# system, 10 ms resolution) is steadier on a busy machine. Peak memory is the process's maximum
# resident set (/usr/bin/time %M), the largest over the runs. The 1-minute load average is
# sampled before each file so a report can say how busy the machine was.
#
# A script calls bench_init "$@", bench_require BINARY, then per file sets ours_cmd and
# mutool_cmd and calls measure_pair, and appends a row to $rows; bench_summary prints the totals.

# Sets root, cli, build, repeat, files and tmp from the arguments
# "[path/to/build/quillstone] [PDF...]"; exits quietly when there is no corpus to run.
bench_init() {
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    cli=${1:-$root/build/quillstone}
    shift || true
    build=$(cd "$(dirname "$cli")" && pwd)
    repeat=${REPEAT:-3}
    if (($# > 0)); then
        files=("$@")
    else
        local corpus=$root/../shared/corpus
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
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    rows=$tmp/rows
    : >"$rows"
    : >"$tmp/load"
}

# Fails unless the bench binary, mutool and /usr/bin/time are there.
bench_require() {
    [[ -x $1 ]] || { echo "bench: $1 not built (ninja -C $build $(basename "$1"))" >&2; exit 1; }
    command -v mutool >/dev/null || { echo "bench: mutool not found (scripts/install-deps.sh)" >&2; exit 1; }
    [[ -x /usr/bin/time ]] || { echo "bench: /usr/bin/time not found (scripts/install-deps.sh)" >&2; exit 1; }
}

# Runs "$@" once, standard output to $tmp/out; sets run_ms (wall clock), run_cpu (user + system
# ms), run_kb (peak RSS) and run_ok (0 when the command failed).
run_once() {
    local t0 t1 user sys
    run_ok=1
    t0=$EPOCHREALTIME
    if ! /usr/bin/time -f '%M %U %S' -o "$tmp/mem" "$@" >"$tmp/out" 2>"$tmp/err"; then
        run_ok=0
    fi
    t1=$EPOCHREALTIME
    run_ms=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", (b - a) * 1000 }')
    read -r run_kb user sys < <(tail -n 1 "$tmp/mem")
    run_cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.0f", (u + s) * 1000 }')
}

# a < b for two decimal numbers.
less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# Runs ours_cmd and mutool_cmd $repeat times each, alternating which goes first. Sets ours_ms,
# ours_cpu, ours_kb, ours_ok and mutool_ms, mutool_cpu, mutool_kb (fastest times, largest
# peaks). After every run of ours it calls `parse_ours FASTEST` with the run's output in
# $tmp/out; FASTEST is 1 when that run is the fastest so far, so a script can keep the figures
# its binary reported for the run that counts.
measure_pair() {
    ours_ms="" ours_cpu="" ours_kb=0 ours_ok=1 mutool_ms="" mutool_cpu="" mutool_kb=0
    cut -d' ' -f1 /proc/loadavg >>"$tmp/load"
    local r side fastest
    for ((r = 0; r < repeat; r++)); do
        for side in ours mutool; do
            ((r % 2)) && side=$([[ $side == ours ]] && echo mutool || echo ours)
            if [[ $side == ours ]]; then
                run_once "${ours_cmd[@]}"
                ((run_ok)) || ours_ok=0
                fastest=0
                if [[ -z $ours_ms ]] || less "$run_ms" "$ours_ms"; then ours_ms=$run_ms fastest=1; fi
                if [[ -z $ours_cpu ]] || less "$run_cpu" "$ours_cpu"; then ours_cpu=$run_cpu; fi
                ((run_kb > ours_kb)) && ours_kb=$run_kb
                parse_ours "$fastest"
            else
                run_once "${mutool_cmd[@]}"
                if [[ -z $mutool_ms ]] || less "$run_ms" "$mutool_ms"; then mutool_ms=$run_ms; fi
                if [[ -z $mutool_cpu ]] || less "$run_cpu" "$mutool_cpu"; then mutool_cpu=$run_cpu; fi
                ((run_kb > mutool_kb)) && mutool_kb=$run_kb
            fi
        done
    done
    return 0
}

# Appends the common columns of one file's row to $rows, then any extra columns given:
# name pages bytes ours_ms mutool_ms ours_cpu mutool_cpu ours_kb mutool_kb [extra...].
add_row() {
    local f=$1 pages=$2
    shift 2
    local IFS=$'\t'
    echo "$(basename "$f" .pdf)"$'\t'"$pages"$'\t'"$(stat -c %s "$f")"$'\t'"$ours_ms"$'\t'"$mutool_ms"$'\t'"$ours_cpu"$'\t'"$mutool_cpu"$'\t'"$ours_kb"$'\t'"$mutool_kb${*:+$'\t'$*}" >>"$rows"
}

# Totals and ratios over $rows: time (wall and CPU) and peak memory, each as the ratio of the
# totals, the mean of the per-file ratios and the ratio on the largest file (in bytes). With a
# GOAL ratio it also says whether both stay within it.
bench_summary() {
    local goal=${1:-}
    awk -F'\t' -v repeat="$repeat" -v goal="$goal" -v load="$(tr '\n' ' ' <"$tmp/load")" -v now="$(cut -d' ' -f1-3 /proc/loadavg)" '
        { pages += $2; o += $4; m += $5; oc += $6; mc += $7; ok += $8; mk += $9
          rt += $4 / $5; rk += $8 / $9; if (mc > 0 && $7 > 0) { rc += $6 / $7; nc++ }
          if ($4 / $5 > worst) { worst = $4 / $5; worst_name = $1 }
          if ($8 > okmax) { okmax = $8; okmax_name = $1 }
          if ($9 > mkmax) mkmax = $9
          if ($3 > big) { big = $3; big_name = $1; big_t = $4 / $5; big_c = ($7 > 0 ? $6 / $7 : 0); big_k = $8 / $9 } }
        END {
            if (NR == 0) exit
            n = split(load, l, " "); lmin = l[1]; lmax = l[1]
            for (i = 1; i <= n; i++) { lsum += l[i]; if (l[i] < lmin) lmin = l[i]; if (l[i] > lmax) lmax = l[i] }
            printf "\n%d files, %d pages, fastest of %d interleaved runs each\n", NR, pages, repeat
            printf "machine load (1-min average, before each file): min %.2f  mean %.2f  max %.2f; now %s\n", lmin, lsum / n, lmax, now
            printf "time (ms):   ours %.1f   mutool %.1f\n", o, m
            printf "cpu (ms):    ours %.0f   mutool %.0f\n", oc, mc
            printf "time ratio ours/mutool, wall:  %.3f total   %.3f mean per file   %.3f largest file (%s)\n", o / m, rt / NR, big_t, big_name
            printf "time ratio ours/mutool, cpu:   %.3f total   %.3f mean per file   %.3f largest file\n", (mc > 0 ? oc / mc : 0), (nc > 0 ? rc / nc : 0), big_c
            printf "slowest file relative to mutool: %s at %.2fx (wall)\n", worst_name, worst
            printf "peak memory (MB): ours max %.1f (%s), mean %.1f   mutool max %.1f, mean %.1f\n",
                okmax / 1024, okmax_name, ok / NR / 1024, mkmax / 1024, mk / NR / 1024
            printf "memory ratio ours/mutool:      %.3f total   %.3f mean per file   %.3f largest file   %.3f max/max\n",
                ok / mk, rk / NR, big_k, okmax / mkmax
            if (goal != "")
                printf "goal <= %sx mutool: time %s (%.2fx wall, %.2fx cpu), memory %s (%.2fx total)\n", goal,
                    (o / m <= goal ? "met" : "NOT met"), o / m, (mc > 0 ? oc / mc : 0),
                    (ok / mk <= goal ? "met" : "NOT met"), ok / mk
        }' "$rows"
}
