#!/usr/bin/env bash
# The memory that each decoding job adds: the peak resident set of a cold build at several -j,
# and what that makes on a machine with more cores.
#
#   bench/gallery/memory.sh [--jobs "1 2 8"] [--runs 3] [--cores 64]
#                           [--tools "pixfold-gallery floor"] [--photos DIR]
#                           [--pixfold-gallery build/dev/pixfold-gallery] [--work DIR]
#
# --jobs             the -j of each cold build; the first two give the memory per job
# --runs             cold builds per -j; the medians are reported
# --cores            the machine the estimate is for
# --tools            pixfold-gallery and/or floor (bench/gallery/floor.c)
# --photos           the photo folder (default build/bench-gallery/photos, made on first use)
# --work             where the galleries go, in a new folder removed afterwards
#
# Each run is a cold build SRC OUT of the whole photo folder under bench/gallery/measure.c,
# which reports the kernel's exact peak of the largest process (ru_maxrss) and the sampled peak
# of the whole process tree. The memory per job is the difference between the first two -j
# (normally 1 and 2) divided by the difference in jobs; the estimate for --cores is the peak at
# the first -j plus that much per further job. pixfold-gallery decodes no more pictures at once
# than there are processors, whatever -j says: on this machine -j 8 decodes two at a time, so its
# peak should stay near that of -j 2, and on a 64-core machine -j 64 decodes 64.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
job_list="1 2 8"
runs=3
cores=64
tools="pixfold-gallery floor"
photos=""
pixfold_gallery=build/dev/pixfold-gallery
work=build/bench-gallery/work
while [ $# -gt 0 ]; do
    case "$1" in
    --jobs) job_list=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --cores) cores=$2; shift 2 ;;
    --tools) tools=$2; shift 2 ;;
    --photos) photos=$2; shift 2 ;;
    --pixfold-gallery) pixfold_gallery=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "bench/gallery/memory.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
cd "$root"
# shellcheck source=bench/gallery/lib.sh
. bench/gallery/lib.sh
say_prefix="memory per job"
pixfold_gallery=$(absolute "$pixfold_gallery")
work=$(absolute "$work")
build_measure
photos=$(photo_folder "$photos")
read -ra jobs_asked <<<"$job_list"
[ "${#jobs_asked[@]}" -ge 2 ] || die "--jobs needs at least two numbers"
read -ra tool_list <<<"$tools"
for tool in "${tool_list[@]}"; do
    case $tool in
    pixfold-gallery) [ -x "$pixfold_gallery" ] || die "no $pixfold_gallery: build it first" ;;
    floor) build_floor ;;
    *) die "unknown tool $tool" ;;
    esac
done

mkdir -p "$work"
work=$(mktemp -d "$work/memory.XXXXXX")
trap 'rm -rf "$work"' EXIT
count=$(find "$photos" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | wc -l)
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for run in $(seq 1 "$runs"); do
    for jobs in "${jobs_asked[@]}"; do
        for tool in "${tool_list[@]}"; do
            say "run $run: $tool -j $jobs"
            case $tool in
            pixfold-gallery) command=("$pixfold_gallery" -j "$jobs" "$photos" "$work/out") ;;
            floor) command=("$floor" -j "$jobs" "$photos" "$work/out") ;;
            esac
            "$measure" -o "$work/$tool.$jobs.$run" -- "${command[@]}" </dev/null \
                >"$work/log" 2>&1 || { cat "$work/log" >&2; die "$tool -j $jobs failed"; }
            rm -rf "$work/out"
        done
    done
done

# median_of TOOL JOBS NAME: the median of one figure over the runs.
median_of() {
    for run in $(seq 1 "$runs"); do field "$work/$1.$2.$run" "$3"; done | median
}
echo "Command: \`bench/gallery/memory.sh --jobs \"$job_list\" --runs $runs --cores $cores\`, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
echo "Machine: $(nproc) cores; load average before $load_before, after $(cut -d' ' -f1-3 /proc/loadavg)." \
    "Cold builds of $count photographs ($photos), medians of $runs run(s)."
echo
echo "| tool | -j | peak memory, largest process (MiB) | peak memory, whole process tree (MiB) | wall (s) | every run, largest process (KiB) |"
echo "|---|---|---|---|---|---|"
for tool in "${tool_list[@]}"; do
    for jobs in "${jobs_asked[@]}"; do
        every=$(for run in $(seq 1 "$runs"); do field "$work/$tool.$jobs.$run" largest_process_kib; done | tr '\n' ' ')
        echo "| $tool | $jobs | $(awk -v k="$(median_of "$tool" "$jobs" largest_process_kib)" 'BEGIN { printf "%.1f", k / 1024 }') |" \
            "$(awk -v k="$(median_of "$tool" "$jobs" tree_peak_kib)" 'BEGIN { printf "%.1f", k / 1024 }') |" \
            "$(median_of "$tool" "$jobs" wall_seconds) | ${every% } |"
    done
done
echo
first=${jobs_asked[0]} second=${jobs_asked[1]}
for tool in "${tool_list[@]}"; do
    low=$(median_of "$tool" "$first" largest_process_kib)
    high=$(median_of "$tool" "$second" largest_process_kib)
    awk -v tool="$tool" -v a="$first" -v b="$second" -v low="$low" -v high="$high" -v cores="$cores" 'BEGIN {
        per_job = (high - low) / (b - a)
        printf "- %s: %.1f MiB per job (peak at -j %d %.1f MiB, at -j %d %.1f MiB); at -j %d on %d cores about %.0f MiB\n",
            tool, per_job / 1024, a, low / 1024, b, high / 1024, cores, cores, (low + (cores - a) * per_job) / 1024 }'
done
