#!/usr/bin/env bash
# Times pixfold-gallery against llgal, fgallery and thumbsup, and against the floor (the least
# work such a gallery needs, bench/gallery/floor.c), on one folder of real photographs, side by
# side in one run, and prints a Markdown table.
#
#   bench/gallery/run.sh [--runs 3] [--jobs N] [--pixfold-gallery build/dev/pixfold-gallery]
#                        [--photos DIR] [--tools "pixfold-gallery floor llgal fgallery thumbsup"]
#                        [--work DIR] [--table FILE] [--sample-ms 50] [--keep] [--smoke]
#                        [--floor-options "..."]
#
# --runs             repetitions; every figure in the table is the median of the runs
# --jobs             parallel jobs for the tools that take a number (default: the cores)
# --pixfold-gallery  the pixfold-gallery to time; while it does not exist it is skipped, with a note
# --photos           the photo folder (default build/bench-gallery/photos, made on first use by
#                    scripts/make-photo-folder bench)
# --tools            which tools, in this order on the first run; "floor" is bench/gallery/floor.c,
#                    built here with cc (Debian package libjpeg62-turbo-dev)
# --floor-options    more options of the floor, such as "--margin 2"
# --work             where each tool's copy of the folder goes, in a new folder made there
#                    (default build/bench-gallery/work)
# --table            where the table is written besides standard output
#                    (default build/bench-gallery/results.md)
# --sample-ms        how often the process tree's memory is sampled
# --keep             leave each tool's folder and output in place
# --smoke            3 photos and one added, one run: checks that every tool that runs writes its
#                    index page, twice, and that the table is complete; judges no timing
#
# Each tool runs in its own copy of the folder, holding every photo but the last by name. Its
# first run starts with no output at all (the cold build; the photos are in the page cache,
# having just been copied, for every tool alike); then the last photo is copied in and the tool
# runs again over the same output (the run after adding one picture). The disk added is the
# apparent size of everything the cold build wrote: the output folder, or for llgal, which
# writes into the photo folder, what the folder grew by. Peak memory comes from
# bench/gallery/measure.c for every tool alike: the peak of the summed resident sets of the
# whole process tree, sampled, and the exact peak of its largest single process. The tools run
# in turn, and the order turns by one on every run, so slow drifts of a shared machine's load
# do not always fall on the same tool. The processor time is the user and system time of the
# whole process tree. When both pixfold-gallery and the floor ran, their ratios follow the table.
#
# The tools are installed by bench/gallery/install.sh.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
command_line="bench/gallery/run.sh$(printf ' %q' "$@")"
runs=3
jobs=$(nproc)
pixfold_gallery=build/dev/pixfold-gallery
photos=""
tools="pixfold-gallery floor llgal fgallery thumbsup"
work=build/bench-gallery/work
table=build/bench-gallery/results.md
sample_ms=50
keep=0
smoke=0
floor_options=""
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --pixfold-gallery) pixfold_gallery=$2; shift 2 ;;
    --photos) photos=$2; shift 2 ;;
    --tools) tools=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --table) table=$2; shift 2 ;;
    --sample-ms) sample_ms=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --smoke) smoke=1; shift ;;
    --floor-options) floor_options=$2; shift 2 ;;
    *) echo "bench/gallery/run.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
[ "$smoke" -eq 0 ] || runs=1

cd "$root"
# shellcheck source=bench/gallery/lib.sh
. bench/gallery/lib.sh
pixfold_gallery=$(absolute "$pixfold_gallery")
work=$(absolute "$work")
table=$(absolute "$table")
thumbsup=$root/build/bench-gallery/thumbsup/node_modules/.bin/thumbsup
export LC_ALL=C.UTF-8

# --- the measuring program and the floor ---------------------------------------------------
build_measure
floor_problem=""
case " $tools " in *" floor "*) floor_problem=$(build_floor) || true ;; esac

# --- the photographs -----------------------------------------------------------------------
photos=$(photo_folder "$photos")
mapfile -t all_photos < <(find "$photos" -maxdepth 1 -type f \
    \( -iname '*.jpg' -o -iname '*.jpeg' \) -printf '%f\n' | LC_ALL=C sort)
if [ "$smoke" -eq 1 ]; then
    [ "${#all_photos[@]}" -ge 4 ] || die "the smoke run needs 4 photos in $photos"
    cold_photos=("${all_photos[@]:0:3}")
    added_photo=${all_photos[3]}
else
    [ "${#all_photos[@]}" -ge 2 ] || die "no photos in $photos"
    cold_photos=("${all_photos[@]:0:${#all_photos[@]}-1}")
    added_photo=${all_photos[${#all_photos[@]}-1]}
fi
photo_bytes=$(cd "$photos" && cat -- "${cold_photos[@]}" | wc -c)

# --- the tools -----------------------------------------------------------------------------
# Sets `command` (an array) and `in_place` for a tool working on SRC, writing into OUT.
# Every tool makes thumbnails of about 200 pixels and pictures for the screen of at most 1600:
#  - llgal links its slides to the originals unless --sx/--sy ask for scaled copies;
#  - fgallery -s leaves out the copies of the originals and the zip of the album, neither of
#    which pixfold-gallery makes; its default thumbnails are cut to 267x200;
#  - thumbsup's --large-size is a height, and it also writes a 300-pixel-high "small" picture.
tool_command() {
    local tool=$1 src=$2 out=$3
    in_place=0
    case $tool in
    pixfold-gallery) command=("$pixfold_gallery" -j "$jobs" "$src" "$out") ;;
    floor)
        read -ra extra <<<"$floor_options"
        command=("$floor" -j "$jobs" --size 1600 --thumb-size 200 "${extra[@]}" "$src" "$out")
        ;;
    llgal) command=(llgal -d "$src" --sx 1600 --sy 1600 --tx 200 --ty 200); in_place=1 ;;
    fgallery) command=(fgallery -s -j "$jobs" --max-full 1600x1600 "$src" "$out") ;;
    thumbsup)
        command=("$thumbsup" --input "$src" --output "$out" --concurrency "$jobs"
            --thumb-size 200 --large-size 1600)
        ;;
    *) die "unknown tool $tool" ;;
    esac
}
# The command as the table shows it.
shown_command() {
    tool_command "$1" SRC OUT
    local shown=${command[*]}
    shown=${shown/#$pixfold_gallery/pixfold-gallery}
    shown=${shown/#$floor/floor}
    printf '%s\n' "${shown/#$thumbsup/thumbsup}"
}
# Why a tool cannot run here, or nothing.
missing_reason() {
    case $1 in
    pixfold-gallery)
        [ -x "$pixfold_gallery" ] ||
            echo "not built yet: no ${pixfold_gallery#"$root"/} (build it, or name one with --pixfold-gallery)"
        ;;
    floor) [ -z "$floor_problem" ] || echo "$floor_problem" ;;
    llgal | fgallery)
        command -v "$1" >/dev/null || echo "not installed: run bench/gallery/install.sh"
        ;;
    thumbsup) [ -x "$thumbsup" ] || echo "not installed: run bench/gallery/install.sh" ;;
    esac
}
tool_version() {
    case $1 in
    pixfold-gallery) echo "pixfold-gallery, commit $(git -C "$root" describe --always --dirty 2>/dev/null || echo '?')" ;;
    floor) echo "floor, libjpeg-turbo $(dpkg-query -W -f='${Version}' libjpeg62-turbo 2>/dev/null)" ;;
    llgal) echo "llgal $(dpkg-query -W -f='${Version}' llgal 2>/dev/null)" ;;
    fgallery) echo "fgallery $(dpkg-query -W -f='${Version}' fgallery 2>/dev/null)" ;;
    thumbsup) echo "thumbsup $("$thumbsup" --version 2>/dev/null | tr -d "[:space:]")" ;;
    esac
}

read -ra tool_list <<<"$tools"
declare -A skipped=() failed=()
for tool in "${tool_list[@]}"; do
    tool_command "$tool" x y # rejects an unknown name
    reason=$(missing_reason "$tool")
    if [ -n "$reason" ]; then
        skipped[$tool]=$reason
        say "SKIPPED $tool: $reason"
    fi
done

# --- the runs ------------------------------------------------------------------------------
mkdir -p "$work"
work=$(mktemp -d "$work/run.XXXXXX")
results=$work/results
mkdir -p "$results"
failures=0
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date -u '+%Y-%m-%d %H:%M UTC')

# measure_run TOOL RUN PHASE SRC OUT: runs the tool once, keeps its figures in $results.
measure_run() {
    local tool=$1 run=$2 phase=$3 src=$4 out=$5 status=0
    local log=$work/$tool.$run.$phase.log
    tool_command "$tool" "$src" "$out"
    "$measure" -i "$sample_ms" -o "$results/$tool.$run.$phase" -- "${command[@]}" \
        </dev/null >"$log" 2>&1 || status=$?
    local index=$out/index.html
    [ "$in_place" -eq 0 ] || index=$src/index.html
    # The floor writes no pages: its first web-size copy stands for the index.
    [ "$tool" != floor ] || index=$out/${cold_photos[0]%.*}.jpg
    if [ "$status" -ne 0 ]; then
        say "$tool failed ($phase, run $run) with status $status; the end of $log:"
        tail -n 15 "$log" >&2
    elif [ ! -s "$index" ]; then
        say "$tool wrote no index page ($phase, run $run): $index"
        status=1
    elif [ "$phase" = added ] && [ -z "$(find "$(dirname "$index")" -newer "$work/added-marker" \
        -type f -name "*${added_photo%.*}*" | head -n 1)" ]; then
        # A run that did not notice the added picture would be timed for no work.
        say "$tool wrote nothing for the added ${added_photo} ($phase, run $run)"
        status=1
    fi
    if [ "$status" -ne 0 ]; then
        # A failed run's figures count nowhere; its folder stays for a look.
        mv "$results/$tool.$run.$phase" "$results/$tool.$run.$phase.failed"
        failed[$tool]=$((${failed[$tool]:-0} + 1))
        return 1
    fi
}

for run in $(seq 1 "$runs"); do
    # Turn the order by one on every run.
    count=${#tool_list[@]}
    for i in $(seq 0 $((count - 1))); do
        tool=${tool_list[$(((i + run - 1) % count))]}
        [ -z "${skipped[$tool]:-}" ] || continue
        say "run $run: $tool"
        dir=$work/$tool.$run
        mkdir -p "$dir/photos"
        (cd "$photos" && cp --reflink=auto -- "${cold_photos[@]}" "$dir/photos/")
        before=$(du -sb "$dir/photos" | cut -f1)
        if ! measure_run "$tool" "$run" cold "$dir/photos" "$dir/out"; then
            failures=$((failures + 1))
            continue
        fi
        tool_command "$tool" x y
        if [ "$in_place" -eq 1 ]; then
            echo $(($(du -sb "$dir/photos" | cut -f1) - before)) >"$results/$tool.$run.disk"
        else
            du -sb "$dir/out" | cut -f1 >"$results/$tool.$run.disk"
        fi
        cp --reflink=auto -- "$photos/$added_photo" "$dir/photos/"
        touch "$work/added-marker"
        measure_run "$tool" "$run" added "$dir/photos" "$dir/out" || failures=$((failures + 1))
        [ "$keep" -eq 1 ] || rm -rf "$dir"
    done
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# --- the table -----------------------------------------------------------------------------
# figure TOOL PHASE NAME SCALE FORMAT: the median over the runs, scaled and formatted.
figure() {
    local tool=$1 phase=$2 name=$3 scale=$4 format=$5 value
    value=$(for run in $(seq 1 "$runs"); do
        file=$results/$tool.$run.$phase
        [ -s "$file" ] || continue
        if [ "$phase" = disk ]; then cat "$file"; else field "$file" "$name"; fi
    done | median)
    [ -n "$value" ] || return 0
    awk -v v="$value" -v s="$scale" -v f="$format" 'BEGIN { printf f, v / s }'
}
# The larger of the two runs' memory peaks, per run, then the median.
memory_figure() {
    local tool=$1 name=$2 value
    value=$(for run in $(seq 1 "$runs"); do
        for phase in cold added; do
            [ -s "$results/$tool.$run.$phase" ] && field "$results/$tool.$run.$phase" "$name"
        done | sort -g | tail -n 1
    done | median)
    [ -n "$value" ] || return 0
    awk -v v="$value" 'BEGIN { printf "%.0f", v / 1024 }'
}

# Whether a tool is among those asked for.
listed() { case " ${tool_list[*]} " in *" $1 "*) return 0 ;; esac; return 1; }

mkdir -p "$(dirname "$table")"
{
    echo "Command: \`$command_line\`, $started"
    echo
    echo "Machine: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), $(nproc) cores," \
        "$(free -g | awk '/^Mem:/ { print $2 }') GiB, Linux $(uname -r); load average before" \
        "$load_before, after $load_after"
    echo
    echo "Photos: ${#cold_photos[@]} in the cold build ($photo_bytes bytes), then $added_photo added;" \
        "$runs run(s), medians; $jobs jobs where a tool takes a number; memory sampled every $sample_ms ms."
    echo
    echo "| tool | command | cold build (s) | cold build, processor time (s) | after adding one picture (s) | disk added (MB) | disk added, % of the photos | peak memory, whole process tree (MiB) | peak memory, largest process (MiB) |"
    echo "|---|---|---|---|---|---|---|---|---|"
    for tool in "${tool_list[@]}"; do
        shown=$(shown_command "$tool")
        if [ -n "${skipped[$tool]:-}" ]; then
            echo "| $tool | \`$shown\` | skipped: ${skipped[$tool]} | | | | | | |"
            continue
        fi
        disk=$(figure "$tool" disk x 1 "%s")
        percent=""
        [ -z "$disk" ] || percent=$(awk -v d="$disk" -v p="$photo_bytes" 'BEGIN { printf "%.1f", 100 * d / p }')
        note=""
        [ -z "${failed[$tool]:-}" ] || note=" (failed ${failed[$tool]} time(s): see the log)"
        echo "| $(tool_version "$tool")$note | \`$shown\` |" \
            "$(figure "$tool" cold wall_seconds 1 "%.2f") |" \
            "$(figure "$tool" cold processor_seconds 1 "%.2f") |" \
            "$(figure "$tool" added wall_seconds 1 "%.2f") |" \
            "$([ -z "$disk" ] || awk -v d="$disk" 'BEGIN { printf "%.1f", d / 1e6 }') |" \
            "$percent |" \
            "$(memory_figure "$tool" tree_peak_kib) |" \
            "$(memory_figure "$tool" largest_process_kib) |"
    done
    if listed pixfold-gallery && listed floor && [ -z "${skipped[pixfold-gallery]:-}" ] &&
        [ -z "${skipped[floor]:-}" ]; then
        echo
        echo "pixfold-gallery against the floor, cold build (medians; the floor writes no pages and keeps no state):"
        echo
        for name in wall_seconds processor_seconds; do
            g=$(figure pixfold-gallery cold "$name" 1 "%s")
            f=$(figure floor cold "$name" 1 "%s")
            if [ -z "$g" ] || [ -z "$f" ]; then continue; fi
            label="wall time"
            [ "$name" = wall_seconds ] || label="processor time (user + system, whole process tree)"
            # The ratio run by run, each run of the two taken in turn: the machine's speed drifts
            # between runs far more than within a pair.
            pairs=$(for run in $(seq 1 "$runs"); do
                g_run=$results/pixfold-gallery.$run.cold f_run=$results/floor.$run.cold
                [ -s "$g_run" ] && [ -s "$f_run" ] || continue
                awk -v g="$(field "$g_run" "$name")" -v f="$(field "$f_run" "$name")" \
                    'BEGIN { printf "%.3f\n", g / f }'
            done)
            echo "- $label: $(awk -v g="$g" -v f="$f" 'BEGIN { printf "%.2f s against %.2f s (medians, ratio %.2f)", g, f, g / f }');" \
                "run by run $(echo "$pairs" | paste -sd ' ' -), ratio $(echo "$pairs" | median)"
        done
        echo "- peak memory, largest process: pixfold-gallery $(memory_figure pixfold-gallery largest_process_kib) MiB," \
            "floor $(memory_figure floor largest_process_kib) MiB; whole process tree:" \
            "$(memory_figure pixfold-gallery tree_peak_kib) MiB and $(memory_figure floor tree_peak_kib) MiB"
    fi
    echo
    echo "Every run (seconds: wall, then processor time in brackets; disk in bytes; memory in KiB, whole tree / largest process):"
    echo
    echo '```'
    for tool in "${tool_list[@]}"; do
        [ -z "${skipped[$tool]:-}" ] || continue
        for phase in cold added disk; do
            printf '%-16s %-6s' "$tool" "$phase"
            for run in $(seq 1 "$runs"); do
                file=$results/$tool.$run.$phase
                if [ ! -s "$file" ]; then
                    printf ' %s' "-"
                elif [ "$phase" = disk ]; then
                    printf ' %s' "$(cat "$file")"
                else
                    printf ' %s [%s] (%s/%s)' "$(field "$file" wall_seconds)" \
                        "$(field "$file" processor_seconds)" \
                        "$(field "$file" tree_peak_kib)" "$(field "$file" largest_process_kib)"
                fi
            done
            echo
        done
    done
    echo '```'
} >"$table"
cat "$table"

# --- the smoke checks ----------------------------------------------------------------------
if [ "$smoke" -eq 1 ]; then
    ran=0
    for tool in "${tool_list[@]}"; do
        [ -z "${skipped[$tool]:-}" ] || continue
        ran=$((ran + 1))
        # Every figure of a tool that ran must be a number.
        row=$(grep -F "| $(tool_version "$tool")" "$table" || true)
        cells=$(printf '%s\n' "$row" | awk -F'|' '{ for (i = 4; i <= 10; i++) print $i }' | tr -d ' ')
        if [ -z "$row" ] || printf '%s\n' "$cells" | grep -Evq '^[0-9]+(\.[0-9]+)?$'; then
            say "FAILED: the row of $tool is incomplete: $row"
            failures=$((failures + 1))
        fi
    done
    for tool in llgal fgallery thumbsup; do
        listed "$tool" || continue
        if [ -n "${skipped[$tool]:-}" ]; then
            say "FAILED: $tool did not run: ${skipped[$tool]}"
            failures=$((failures + 1))
        fi
    done
    [ "$ran" -gt 0 ] || failures=$((failures + 1))
    if [ "$failures" -ne 0 ]; then
        say "smoke: FAILED; the folders and logs are in $work"
        exit 1
    fi
    say "smoke: every tool that ran wrote its index page twice; the table is complete${skipped[pixfold-gallery]:+ (pixfold-gallery skipped: ${skipped[pixfold-gallery]})}"
fi
if [ "$failures" -ne 0 ]; then
    say "$failures run(s) failed; their folders and logs are in $work"
    exit 1
fi
[ "$keep" -eq 1 ] || rm -rf "$work"
