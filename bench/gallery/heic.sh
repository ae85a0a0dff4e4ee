#!/usr/bin/env bash
# Times pixfold-gallery's cold build of a folder of HEIC photographs of 12 megapixels against
# its floor, vipsthumbnail -s 1600 over the same files run as many at a time as the gallery's
# jobs, and prints a Markdown table.
#
#   bench/gallery/heic.sh [--runs 3] [--jobs N] [--count 24] [--photos DIR] [--jpeg]
#                         [--pixfold-gallery build/dev/pixfold-gallery]
#                         [--tools "floor pixfold-gallery"] [--work DIR] [--table FILE]
#                         [--sample-ms 50] [--keep]
#
# --runs             cold builds of each tool; the table gives medians
# --jobs             pixfold-gallery's -j and the floor's number of vipsthumbnail processes at
#                    once (default: the cores)
# --count            pictures in the folder made on first use (default 24)
# --photos           the photo folder (default build/bench-gallery/heic-photos, made on first use
#                    by bench/gallery/make-heic-photos --count N)
# --jpeg             the same photographs as JPEG instead (default folder
#                    build/bench-gallery/heic-photos-jpeg, made by make-heic-photos --jpeg), for
#                    comparison
# --pixfold-gallery  the pixfold-gallery to time
# --tools            floor and/or pixfold-gallery, in this order on the first run
# --work             where each run's output goes, in a new folder made there
#                    (default build/bench-gallery/work)
# --table            where the table is written besides standard output
#                    (default build/bench-gallery/heic.md)
# --sample-ms        how often the process tree's memory is sampled
# --keep             leave every output and log in place
#
# The target: pixfold-gallery -j J SRC OUT, the cold build (no OUT yet), within 1.2 times the
# floor's wall time. The floor is the least that libvips does for such a folder: one
# vipsthumbnail -s 1600 -o OUT/%s.jpg per share of the files, J of them at once (xargs -P J,
# each given an equal share in name order, so that libvips starts J times and not once a file),
# which decodes every picture whole (libheif has no shrink-on-load), turns it upright and writes
# a web-size copy; no thumbnail, no pages. Both read the same folder, read once beforehand so it
# is in the page cache for both alike. The runs alternate: the order turns by one on every run,
# and the ratio judged is the median of the run-by-run ratios, as in bench/gallery/run.sh.
#
# Everything is measured by bench/gallery/measure.c, as run.sh does: the wall time, the
# processor time (user and system time of the whole process tree), the exact peak resident set
# of the largest single process and the sampled peak of the whole tree. The memory per decoding
# job: for the floor, the largest peak of vipsthumbnail -s 1600 run on one picture alone, picture
# by picture: a vipsthumbnail that goes through a share of the files grows by about 40 MiB with
# each HEIC (libvips keeps the loads it made in its operation cache, libheif's decoded pixels
# with them, and the C library keeps much of what is freed), so its peak in the runs says more
# about the share than about a decode. For pixfold-gallery, the peak of a cold build at -j 1,
# run once more after the others.
#
# A run that leaves a picture out fails the bench, with status 2, and names the pictures: a run
# that exits with another status than 0, or after which a picture has no web-size copy
# OUT/NAME.jpg (and, for pixfold-gallery, no thumbnail OUT/t/NAME.jpg). The outputs and logs of
# a failed run stay in the work folder.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
command_line="bench/gallery/heic.sh$(printf ' %q' "$@")"
runs=3
jobs=$(nproc)
count=24
photos=""
jpeg=0
pixfold_gallery=build/dev/pixfold-gallery
tools="floor pixfold-gallery"
work=build/bench-gallery/work
table=build/bench-gallery/heic.md
sample_ms=50
keep=0
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --count) count=$2; shift 2 ;;
    --photos) photos=$2; shift 2 ;;
    --jpeg) jpeg=1; shift ;;
    --pixfold-gallery) pixfold_gallery=$2; shift 2 ;;
    --tools) tools=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --table) table=$2; shift 2 ;;
    --sample-ms) sample_ms=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "bench/gallery/heic.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
for number in "$runs" "$jobs" "$count" "$sample_ms"; do
    [[ $number =~ ^[1-9][0-9]*$ ]] || { echo "bench/gallery/heic.sh: not a count: $number" >&2; exit 2; }
done

cd "$root"
say_prefix="heic bench"
# shellcheck source=bench/gallery/lib.sh
. bench/gallery/lib.sh
export LC_ALL=C.UTF-8
pixfold_gallery=$(absolute "$pixfold_gallery")
work=$(absolute "$work")
table=$(absolute "$table")

read -ra tool_list <<<"$tools"
[ "${#tool_list[@]}" -gt 0 ] || die "no tools"
listed() { case " ${tool_list[*]} " in *" $1 "*) return 0 ;; esac; return 1; }
for tool in "${tool_list[@]}"; do
    case $tool in
    floor) command -v vipsthumbnail >/dev/null || die "needs vipsthumbnail (Debian package libvips-tools)" ;;
    pixfold-gallery)
        [ -x "$pixfold_gallery" ] ||
            die "no ${pixfold_gallery#"$root"/}: build it, or name one with --pixfold-gallery"
        ;;
    *) die "unknown tool $tool (floor, pixfold-gallery)" ;;
    esac
done
build_measure

# --- the photographs -----------------------------------------------------------------------
if [ -z "$photos" ]; then
    if [ "$jpeg" -eq 0 ]; then
        photos=$root/build/bench-gallery/heic-photos
    else
        photos=$root/build/bench-gallery/heic-photos-jpeg
    fi
    if [ ! -d "$photos" ]; then
        say "making the photo folder $photos"
        options=(--count "$count")
        [ "$jpeg" -eq 0 ] || options+=(--jpeg)
        bench/gallery/make-heic-photos "${options[@]}" "$photos.new" >&2
        mv "$photos.new" "$photos"
    fi
fi
photos=$(absolute "$photos")
mapfile -t pictures < <(find "$photos" -maxdepth 1 -type f \( -iname '*.heic' -o -iname '*.heif' \
    -o -iname '*.avif' -o -iname '*.jpg' -o -iname '*.jpeg' \) -printf '%f\n' | LC_ALL=C sort)
[ "${#pictures[@]}" -gt 0 ] || die "no photographs in $photos"
photo_bytes=$(cd "$photos" && cat -- "${pictures[@]}" | wc -c) # also reads them into the cache
kinds=$(printf '%s\n' "${pictures[@]}" | sed 's/.*\.//' | tr '[:lower:]' '[:upper:]' | sort -u | paste -sd/ -)
first=$photos/${pictures[0]}
first_size=$(vipsheader -f width "$first" 2>/dev/null)x$(vipsheader -f height "$first" 2>/dev/null) ||
    first_size="?"

mkdir -p "$work"
work=$(mktemp -d "$work/heic.XXXXXX")
results=$work/results
mkdir -p "$results"
printf '%s\0' "${pictures[@]/#/$photos/}" >"$work/list"
# Each vipsthumbnail of the floor takes an equal share of the files, J processes at once.
share=$(((${#pictures[@]} + jobs - 1) / jobs))

# tool_command TOOL JOBS OUT: sets `command` (an array).
tool_command() {
    case $1 in
    floor)
        local per=$(((${#pictures[@]} + $2 - 1) / $2))
        command=(xargs -0 -a "$work/list" -n "$per" -P "$2" vipsthumbnail -s 1600 -o "$3/%s.jpg")
        ;;
    pixfold-gallery) command=("$pixfold_gallery" -j "$2" "$photos" "$3") ;;
    esac
}
shown_command() {
    case $1 in
    floor) echo "xargs -0 -n $share -P $jobs vipsthumbnail -s 1600 -o OUT/%s.jpg < the files" ;;
    pixfold-gallery) echo "pixfold-gallery -j $2 SRC OUT" ;;
    esac
}

# fail_run TOOL WHAT LOG: the bench stops here, with status 2, and keeps the work folder.
fail_run() {
    say "FAILED: $1 $2"
    [ ! -s "$3" ] || { say "the end of $3:"; tail -n 15 "$3" >&2; }
    say "the outputs and logs are in $work"
    exit 2
}

# measure_run TOOL JOBS NAME: one cold build into a new OUT, its figures in $results/NAME.
measure_run() {
    local tool=$1 jobs_now=$2 name=$3 status=0
    local out=$work/$name.out log=$work/$name.log
    mkdir -p "$out"
    [ "$tool" != pixfold-gallery ] || rmdir "$out" # its cold build starts with no OUT at all
    tool_command "$tool" "$jobs_now" "$out"
    "$measure" -i "$sample_ms" -o "$results/$name" -- "${command[@]}" </dev/null >"$log" 2>&1 ||
        status=$?
    [ "$status" -eq 0 ] || fail_run "$tool" "exited with status $status ($name)" "$log"
    local missing=() picture
    for picture in "${pictures[@]}"; do
        [ -s "$out/${picture%.*}.jpg" ] || { missing+=("$picture"); continue; }
        [ "$tool" != pixfold-gallery ] || [ -s "$out/t/${picture%.*}.jpg" ] || missing+=("$picture")
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        fail_run "$tool" "left ${#missing[@]} of ${#pictures[@]} pictures out ($name), exiting 0: ${missing[*]:0:5}$([ "${#missing[@]}" -le 5 ] || echo " ...")" "$log"
    fi
    [ "$keep" -eq 1 ] || rm -rf "$out"
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date -u '+%Y-%m-%d %H:%M UTC')
for run in $(seq 1 "$runs"); do
    for i in $(seq 0 $((${#tool_list[@]} - 1))); do
        tool=${tool_list[$(((i + run - 1) % ${#tool_list[@]}))]}
        say "run $run: $tool"
        measure_run "$tool" "$jobs" "$tool.$run"
    done
done
if listed floor; then
    say "vipsthumbnail on one picture at a time, for the memory per decoding job"
    for picture in "${pictures[@]}"; do
        mkdir -p "$work/single.out"
        "$measure" -o "$results/single" -- vipsthumbnail -s 1600 -o "$work/single.out/%s.jpg" \
            "$photos/$picture" </dev/null >"$work/single.log" 2>&1 ||
            fail_run floor "exited with status $? on $picture alone" "$work/single.log"
        field "$results/single" largest_process_kib >>"$results/single.peaks"
        rm -rf "$work/single.out"
    done
fi
if listed pixfold-gallery; then
    if [ "$jobs" -eq 1 ]; then
        cp "$results/pixfold-gallery.1" "$results/pixfold-gallery.j1"
    else
        say "pixfold-gallery -j 1, for the memory per decoding job"
        measure_run pixfold-gallery 1 pixfold-gallery.j1
    fi
fi
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# --- the table -----------------------------------------------------------------------------
# figure TOOL NAME: the median over the runs.
figure() {
    for run in $(seq 1 "$runs"); do field "$results/$1.$run" "$2"; done | median
}
mib() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }
seconds() { awk -v s="$1" 'BEGIN { printf "%.2f", s }'; }
# The ratio run by run (each pair ran close in time), then their median.
pairs() {
    for run in $(seq 1 "$runs"); do
        awk -v g="$(field "$results/pixfold-gallery.$run" "$1")" -v f="$(field "$results/floor.$run" "$1")" \
            'BEGIN { printf "%.3f\n", g / f }'
    done
}
both=0
listed floor && listed pixfold-gallery && both=1
mkdir -p "$(dirname "$table")"
{
    echo "Command: \`$command_line\`, $started"
    echo
    echo "Machine: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), $(nproc) cores," \
        "$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo), Linux $(uname -r);" \
        "load average before $load_before, after $load_after"
    echo
    echo "Photos: ${#pictures[@]} $kinds files in ${photos#"$root"/} ($photo_bytes bytes; the first $first_size as shown);" \
        "libvips $(vips --version 2>/dev/null | sed 's/^vips-//'), libheif $(dpkg-query -W -f='${Version}' libheif1 2>/dev/null);" \
        "$runs run(s), medians; $jobs jobs; memory sampled every $sample_ms ms."
    echo
    echo "| cold build | command | wall time (s) | processor time (s) | peak memory, largest process (MiB) | peak memory, whole process tree (MiB) | peak memory per decoding job (MiB) |"
    echo "|---|---|---|---|---|---|---|"
    for tool in "${tool_list[@]}"; do
        if [ "$tool" = floor ]; then
            per_job="$(mib "$(sort -g "$results/single.peaks" | tail -n 1)") (vipsthumbnail, one picture)"
        else
            per_job="$(mib "$(field "$results/pixfold-gallery.j1" largest_process_kib)") (-j 1)"
        fi
        echo "| $tool | \`$(shown_command "$tool" "$jobs")\` | $(seconds "$(figure "$tool" wall_seconds)") |" \
            "$(seconds "$(figure "$tool" processor_seconds)") | $(mib "$(figure "$tool" largest_process_kib)") |" \
            "$(mib "$(figure "$tool" tree_peak_kib)") | $per_job |"
    done
    if [ "$both" -eq 1 ]; then
        wall_pairs=$(pairs wall_seconds)
        wall_ratio=$(echo "$wall_pairs" | median)
        processor_pairs=$(pairs processor_seconds)
        echo "| ratio, pixfold-gallery to the floor | | $(printf '%.2f' "$wall_ratio") |" \
            "$(printf '%.2f' "$(echo "$processor_pairs" | median)") | | | |"
        echo
        echo "The ratios are the medians of the run-by-run ratios: wall time $(echo "$wall_pairs" | paste -sd ' ' -)," \
            "processor time $(echo "$processor_pairs" | paste -sd ' ' -)."
        echo
        if awk -v r="$wall_ratio" 'BEGIN { exit !(r <= 1.2) }'; then verdict=met; else verdict="NOT MET"; fi
        if [ "$kinds" = HEIC ] || [ "$kinds" = HEIF ] || [ "$kinds" = HEIC/HEIF ]; then
            echo "Target, the cold build's wall time within 1.2 times the floor's: $verdict (ratio $(printf '%.2f' "$wall_ratio"))."
        else
            echo "The target (the cold build's wall time within 1.2 times the floor's) is set for HEIC photographs;" \
                "on these $kinds files the ratio is $(printf '%.2f' "$wall_ratio"), for comparison."
        fi
    fi
    echo
    echo "Every run (wall seconds, processor seconds in brackets, peak KiB of the whole tree / the largest process;" \
        "for the floor singly, each picture's peak KiB):"
    echo
    echo '```'
    for tool in "${tool_list[@]}"; do
        printf '%-16s' "$tool"
        for run in $(seq 1 "$runs"); do
            file=$results/$tool.$run
            printf ' %s [%s] (%s/%s)' "$(field "$file" wall_seconds)" "$(field "$file" processor_seconds)" \
                "$(field "$file" tree_peak_kib)" "$(field "$file" largest_process_kib)"
        done
        echo
    done
    if listed floor; then
        printf '%-16s %s\n' "floor, singly" "$(paste -sd ' ' "$results/single.peaks")"
    fi
    if listed pixfold-gallery; then
        file=$results/pixfold-gallery.j1
        printf '%-16s %s [%s] (%s/%s)\n' "gallery -j 1" "$(field "$file" wall_seconds)" \
            "$(field "$file" processor_seconds)" "$(field "$file" tree_peak_kib)" "$(field "$file" largest_process_kib)"
    fi
    echo '```'
} >"$table"
cat "$table"
[ "$keep" -eq 1 ] || rm -rf "$work"
