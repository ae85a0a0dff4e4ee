#!/usr/bin/env bash
# Every target of pixfold-gallery's speed, memory, sharpness, disk and scale, measured in one
# run, and a table that says of each whether it is met. Takes about 40 minutes on 2 cores, most
# of it in the cold build of 100,000 pictures; run it on a quiet machine.
#
#   bench/gallery/targets.sh [--runs 3] [--sizes "1000 10000 100000"] [--albums "10000 200"]
#                            [--table FILE] [--quick]
#
# --runs    repetitions of the cold builds against the floor (medians)
# --sizes   the picture counts of the scale bench; the last is where its targets are judged
# --albums  "N M": the tree of N pictures in M albums whose rerun is judged
# --table   where the table goes besides standard output (default build/bench-gallery/targets.md)
# --quick   one run, sizes "300 1000", albums "1000 20": checks the script, judges nothing
#
# The targets:
#  - a cold build of the bench photographs within 1.3 times the floor, in wall time and in
#    processor time, at -j 2. The floor is bench/gallery/floor.c with --margin 2, the least work
#    that keeps the web-size copies as sharp as they must be (below); the floor that decodes at
#    the scale just covering the box is printed beside it;
#  - every web-size copy at most 1 dB below bench/gallery/sharpness-baseline.txt;
#  - peak memory under 200 MiB at -j 1, 2 and 8, and the memory per decoding job;
#  - a gallery in place adds at most 3 % of the photographs' size;
#  - at the largest size of the scale bench: the cold build's time per picture within 10 % of
#    the smallest size's, a rerun with nothing changed under 2 s, a rerun with one picture added
#    under 3 s that rewrites no page but the new one's, those beside it and the index, peak
#    memory under 200 MiB,
#    and the index step within 1.2 times pixfold's own index run on the same list (the index step
#    is the step that writes the indexes, timed by pixfold-gallery itself through
#    PIXFOLD_GALLERY_TIMINGS, in the rerun after deleting index.html);
#  - the tree of albums: a rerun with nothing changed under 1 s.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
command_line="bench/gallery/targets.sh$(printf ' %q' "$@")"
runs=3
sizes="1000 10000 100000"
albums="10000 200"
table=build/bench-gallery/targets.md
quick=0
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs=$2; shift 2 ;;
    --sizes) sizes=$2; shift 2 ;;
    --albums) albums=$2; shift 2 ;;
    --table) table=$2; shift 2 ;;
    --quick) quick=1; runs=1; sizes="300 1000"; albums="1000 20"; shift ;;
    *) echo "bench/gallery/targets.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
cd "$root"
say_prefix="targets"
# shellcheck source=bench/gallery/lib.sh
. bench/gallery/lib.sh
table=$(absolute "$table")
results=$root/build/bench-gallery/targets
rm -rf "$results"
mkdir -p "$results"
photos=$(photo_folder "")
gallery=$root/build/dev/pixfold-gallery
[ -x "$gallery" ] || die "no $gallery: build it first (cmake --workflow --preset dev)"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date -u '+%Y-%m-%d %H:%M UTC')

say "the cold build against the floor"
bench/gallery/run.sh --runs "$runs" --tools "pixfold-gallery floor" --floor-options "--margin 2" \
    --table "$results/floor.md" >/dev/null
bench/gallery/run.sh --runs 1 --tools "floor" --table "$results/floor-margin-1.md" >/dev/null
ratio() { sed -n "s/^- $1.* ratio \([0-9.]*\)$/\1/p" "$results/floor.md"; }
wall_ratio=$(ratio "wall time")
processor_ratio=$(ratio "processor time")
# The cold build's wall time, the third column of run.sh's table.
cold_wall() { awk -F'|' -v t="$1" '$2 ~ "^ " t { gsub(/ /, "", $4); print $4 }' "$2"; }
floor_margin_1=$(cold_wall floor "$results/floor-margin-1.md")
gallery_cold=$(cold_wall pixfold-gallery "$results/floor.md")

say "sharpness"
sharp_out=$results/sharp-out
"$gallery" "$photos" "$sharp_out" 2>/dev/null
sharp_status=0
bench/gallery/sharpness.sh --photos "$photos" --check bench/gallery/sharpness-baseline.txt \
    "$sharp_out" >"$results/sharpness.txt" 2>&1 || sharp_status=$?
sharpness=$(tail -n 1 "$results/sharpness.txt" | sed 's/^sharpness: //')
rm -rf "$sharp_out"

say "memory"
bench/gallery/memory.sh --jobs "1 2 8" --runs "$runs" --tools pixfold-gallery >"$results/memory.md"
peak_at() { awk -F'|' -v j="$1" '$2 ~ /pixfold-gallery/ && $3 + 0 == j { gsub(/ /, "", $4); print $4 }' "$results/memory.md"; }
per_job=$(sed -n 's/^- pixfold-gallery: \([0-9.]*\) MiB per job.*/\1/p' "$results/memory.md")
at_64=$(sed -n 's/^- pixfold-gallery: .* about \([0-9]*\) MiB$/\1/p' "$results/memory.md")

say "a gallery in place"
in_place=$results/in-place
mkdir -p "$in_place"
# Every photograph named NAME.jpg, which a gallery in place takes.
for photo in "$photos"/*; do
    file=${photo##*/}
    cp -- "$photo" "$in_place/${file%.*}.jpg"
done
photo_bytes=$(du -sb "$in_place" | cut -f1)
"$gallery" "$in_place" 2>/dev/null
added_bytes=$(($(du -sb "$in_place" | cut -f1) - photo_bytes))
rm -rf "$in_place"

say "scale"
bench/gallery/scale.sh --sizes "$sizes" --table "$results/scale.md" >/dev/null
bench/gallery/scale.sh --sizes "${albums% *}" --albums "${albums#* }" \
    --table "$results/albums.md" >/dev/null
# raw TABLE N STEP COLUMN: a figure from the raw lines of scale.sh (3 wall, 4 processor, 5 KiB).
raw() { awk -v n="$2" -v s="$3" -v c="$4" '$1 == n && $2 == s { print $c }' "$results/$1.md"; }
smallest=${sizes%% *}
largest=${sizes##* }
per_small=$(awk -v s="$(raw scale "$smallest" cold 3)" -v n="$smallest" 'BEGIN { print 1000 * s / n }')
per_large=$(awk -v s="$(raw scale "$largest" cold 3)" -v n="$largest" 'BEGIN { print 1000 * s / n }')
rewritten=$(awk -F'|' -v n="$largest" '$2 + 0 == n { gsub(/ /, "", $10); print $10 }' "$results/scale.md")
rewritten_names=$(sed -n "s/^- $largest pictures: //p" "$results/scale.md")
index_step=$(raw scale "$largest" index-step 3)
index_pixfold=$(raw scale "$largest" index-pixfold 3)

# --- the table -----------------------------------------------------------------------------
met() { if awk "BEGIN { exit !($1) }"; then echo met; else echo "NOT MET"; fi; }
mib() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }
{
    echo "Command: \`$command_line\`, $started"
    echo
    echo "Machine: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), $(nproc) cores," \
        "$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo), Linux $(uname -r);" \
        "load average before $load_before, after $(cut -d' ' -f1-3 /proc/loadavg)"
    echo
    echo "pixfold-gallery: commit $(git describe --always --dirty 2>/dev/null || echo '?')"
    echo
    echo "| target | measured | |"
    echo "|---|---|---|"
    echo "| cold build, wall time, within 1.3 times the floor (\`--margin 2\`) | ratio $wall_ratio, the median of the runs' ($gallery_cold s); the floor at the scale just covering the box: $floor_margin_1 s | $(met "$wall_ratio <= 1.3") |"
    echo "| cold build, processor time, within 1.3 times the floor | ratio $processor_ratio, the median of the runs' | $(met "$processor_ratio <= 1.3") |"
    echo "| every web-size copy at most 1 dB below today's sharpness | $sharpness | $([ "$sharp_status" -eq 0 ] && echo met || echo "NOT MET") |"
    for jobs in 1 2 8; do
        echo "| peak memory under 200 MiB at -j $jobs | $(peak_at "$jobs") MiB | $(met "$(peak_at "$jobs") < 200") |"
    done
    echo "| memory per decoding job (for reading off a larger machine) | $per_job MiB; about $at_64 MiB at -j 64 on 64 cores | |"
    echo "| a gallery in place adds at most 3 % of the photographs' size | $added_bytes of $photo_bytes bytes, $(awk -v a="$added_bytes" -v p="$photo_bytes" 'BEGIN { printf "%.2f", 100 * a / p }') % | $(met "$added_bytes * 100 <= 3 * $photo_bytes") |"
    echo "| cold build's time per picture, $largest against $smallest, within 10 % | $(printf '%.2f' "$per_large") ms against $(printf '%.2f' "$per_small") ms | $(met "$per_large <= 1.1 * $per_small") |"
    echo "| rerun with nothing changed at $largest under 2 s | $(raw scale "$largest" same 3) s | $(met "$(raw scale "$largest" same 3) < 2") |"
    echo "| rerun with one picture added at $largest under 3 s | $(raw scale "$largest" added 3) s | $(met "$(raw scale "$largest" added 3) < 3") |"
    echo "| ... rewrites no page but the new one's, those beside it and the index | ${rewritten:-?} other files: $rewritten_names | $(met "$(echo "$rewritten_names" | grep -c '\.html') == 0") |"
    echo "| peak memory at $largest under 200 MiB | $(mib "$(raw scale "$largest" cold 5)") MiB cold, $(mib "$(raw scale "$largest" added 5)") MiB rerun | $(met "$(raw scale "$largest" cold 5) < 200 * 1024") |"
    echo "| the index step at $largest within 1.2 times pixfold's own index run | $(printf '%.3f' "$index_step") s against $index_pixfold s | $(met "$index_step <= 1.2 * $index_pixfold") |"
    echo "| ${albums% *} pictures in ${albums#* } albums: rerun with nothing changed under 1 s | $(raw albums "${albums% *}" same 3) s | $(met "$(raw albums "${albums% *}" same 3) < 1") |"
    echo
    echo "The figures behind it, each tool's own table:"
    for part in floor floor-margin-1 memory scale albums; do
        echo
        echo "### $part"
        echo
        cat "$results/$part.md"
    done
    echo
    echo "### sharpness"
    echo
    echo '```'
    tail -n 5 "$results/sharpness.txt"
    echo '```'
} >"$table"
sed -n '1,/^The figures behind it/p' "$table"
[ "$quick" -eq 1 ] || ! grep -q 'NOT MET' "$table"
