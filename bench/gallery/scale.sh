#!/usr/bin/env bash
# How pixfold-gallery SRC OUT scales with the number of pictures: cold build, reruns and the
# index at each size, as a Markdown table.
#
#   bench/gallery/scale.sh [--sizes "1000 10000 100000"] [--albums M] [--jobs N]
#                          [--pixfold-gallery build/dev/pixfold-gallery] [--pixfold PATH]
#                          [--photos DIR] [--work DIR] [--table FILE] [--keep] [--index-runs 5]
#
# --sizes            picture counts; each gets a folder from bench/gallery/make-many-photos, kept
#                    under build/bench-gallery/many/N and reused by later runs
# --albums           spread each size's pictures over M albums two folders deep (make-many-photos
#                    --albums); the added picture goes into the first of them
# --jobs             pixfold-gallery's -j (default: its own default, the cores)
# --pixfold-gallery  the program measured
# --pixfold          the pixfold timed for the index (default: the one beside pixfold-gallery)
# --photos           the bench folder the small pictures come from
# --work             where each gallery goes, in a new folder removed afterwards
# --table            where the table is written besides standard output
#                    (default build/bench-gallery/scale.md)
# --keep             leave the galleries in place
# --index-runs       how many times each of the two index runs of step 4 is timed (medians)
#
# At each size, all under bench/gallery/measure.c (wall time, processor time of the process
# tree, peak memory of its largest process):
#  1. cold build: no OUT yet; also per picture;
#  2. rerun with nothing changed;
#  3. rerun after adding one picture ("added picture.jpg", one of the small copies), and which
#     files of OUT it rewrote: every file whose inode or modification time changed, or that is
#     new or gone, besides the added picture's own files, the pages of the pictures beside it,
#     which lead to it, and index.html (named below the table);
#  4. the index: pixfold's own index run, `pixfold < list > index.html` where pixfold-gallery runs
#     it (OUT/.pixfold-gallery/sizes), with the list of the top index's entries as pixfold-gallery
#     gave them (the entries of its output must equal the gallery's index.html's; the site step
#     fills in the rest); and beside it a rerun of pixfold-gallery after deleting index.html
#     alone, which writes just the index again, and the time of its index step alone (from
#     PIXFOLD_GALLERY_TIMINGS: the journal, pixfold's run, the site step and the placing); the
#     two in turn, --index-runs times each (five by default), and their medians.
# The pictures are small (320x240 at most), so decoding is a small part and what grows with the
# count shows: the scan, the state, a pixfold start per page, the index.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
command_line="bench/gallery/scale.sh$(printf ' %q' "$@")"
sizes="1000 10000 100000"
jobs=""
pixfold_gallery=build/dev/pixfold-gallery
pixfold=""
photos=""
work=build/bench-gallery/work
table=build/bench-gallery/scale.md
keep=0
albums=0
index_runs=5
while [ $# -gt 0 ]; do
    case "$1" in
    --sizes) sizes=$2; shift 2 ;;
    --albums) albums=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --pixfold-gallery) pixfold_gallery=$2; shift 2 ;;
    --pixfold) pixfold=$2; shift 2 ;;
    --photos) photos=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --table) table=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --index-runs) index_runs=$2; shift 2 ;;
    *) echo "bench/gallery/scale.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
cd "$root"
say_prefix="scale bench"
# shellcheck source=bench/gallery/lib.sh
. bench/gallery/lib.sh
export LC_ALL=C.UTF-8
pixfold_gallery=$(absolute "$pixfold_gallery")
[ -x "$pixfold_gallery" ] || die "no $pixfold_gallery: build it first (cmake --workflow --preset dev)"
[ -n "$pixfold" ] || pixfold=$(dirname "$pixfold_gallery")/pixfold
pixfold=$(absolute "$pixfold")
[ -x "$pixfold" ] || die "no $pixfold"
table=$(absolute "$table")
work=$(absolute "$work")
build_measure
photos=$(photo_folder "$photos")
job_option=()
[ -z "$jobs" ] || job_option=(-j "$jobs")

mkdir -p "$work"
work=$(mktemp -d "$work/scale.XXXXXX")
added_name="added picture.jpg"
current_src=""
# The added picture never stays in a kept folder, whatever stops the run.
trap '[ -z "$current_src" ] || rm -f "$current_src/$added_name"; [ "$keep" -eq 1 ] || rm -rf "$work"' EXIT
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date -u '+%Y-%m-%d %H:%M UTC')

# medians_of NAME RUNS: a result line of measure from NAME.1 ... NAME.RUNS, each figure the
# median of the runs', the peak their largest.
medians_of() {
    local figure runs=()
    for k in $(seq "$2"); do runs+=("$1.$k"); done
    for figure in wall_seconds user_seconds system_seconds; do
        printf '%s=%s ' "$figure" "$(for run in "${runs[@]}"; do field "$run" "$figure"; done | median)"
    done
    printf 'largest_process_kib=%s\n' \
        "$(for run in "${runs[@]}"; do field "$run" largest_process_kib; done | sort -n | tail -n 1)"
}
# median_step STEP NAME RUNS: the median seconds of the step in NAME.1.steps ... NAME.RUNS.steps.
median_step() {
    for k in $(seq "$3"); do awk -v s="$1" '$1 == s { print $2 }' "$2.$k.steps"; done | median
}

# run NAME COMMAND...: runs under measure, fails the bench when the command fails.
run() {
    local name=$1
    shift
    PIXFOLD_GALLERY_TIMINGS=$work/$name.steps \
        "$measure" -o "$work/$name" -- "$@" </dev/null >"$work/$name.log" 2>&1 || {
        tail -n 20 "$work/$name.log" >&2
        die "$name failed; its log is in $work/$name.log"
    }
}
# snapshot DIR: every file with its inode and modification time, one NUL-free line each.
snapshot() { (cd "$1" && find . -type f -printf '%i %T@ %p\n' | LC_ALL=C sort -k3); }

album_options=()
[ "$albums" -eq 0 ] || album_options=(--albums "$albums")
for n in $sizes; do
    src=$root/build/bench-gallery/many/$n
    [ "$albums" -eq 0 ] || src=$src-in-$albums
    if [ ! -d "$src" ] || [ "$(find "$src" -type f | wc -l)" -ne "$n" ]; then
        rm -rf "$src"
        say "making $n pictures in $src"
        mkdir -p "$(dirname "$src")"
        bench/gallery/make-many-photos --photos "$photos" "${album_options[@]}" "$n" "$src" >&2
    fi
    out=$work/out-$n
    say "$n pictures: cold build"
    run "$n.cold" "$pixfold_gallery" "${job_option[@]}" "$src" "$out"
    say "$n pictures: rerun, nothing changed"
    run "$n.same" "$pixfold_gallery" "${job_option[@]}" "$src" "$out"

    say "$n pictures: rerun after adding one"
    before=$(snapshot "$out")
    # A copy of a picture, with its time: in a tree of albums, of the first album's first camera
    # picture, which is older than the album's newest, so that only its album's index changes.
    # sed reads to the end, where head would leave sort to die of SIGPIPE on a long list.
    first=$(find "$src" -type f -name 'IMG_*.JPG' | LC_ALL=C sort | sed -n 1p)
    current_src=$(dirname "$first")
    cp -p -- "$first" "$current_src/$added_name"
    run "$n.added" "$pixfold_gallery" "${job_option[@]}" "$src" "$out"
    after=$(snapshot "$out")
    # The pages of the pictures now beside it in its album's index, which lead to it.
    album=${current_src#"$src"}
    tr -d '\r' <"$out$album/index.html" |
        LC_ALL=C sed -n 's/^<a href="\([^"]*\)\.html" name="[^"]*"><img.*/\1/p' |
        LC_ALL=C grep -x -B1 -A1 -F -e "${added_name%.jpg}" |
        LC_ALL=C grep -vx -F -e "${added_name%.jpg}" | sed "s|^|.$album/|; s|\$|.html|" \
        >"$work/$n.beside" || true
    # Lines that differ (a new inode or time, a new or a gone file), by path, less the added
    # picture's own files, the pages beside it and the index.
    diff <(printf '%s\n' "$before") <(printf '%s\n' "$after") | sed -n 's/^[<>] [^ ]* [^ ]* //p' |
        LC_ALL=C sort -u | grep -v -F -e "${added_name%.jpg}" | grep -vx './index.html' |
        LC_ALL=C grep -vx -F -f "$work/$n.beside" >"$work/$n.rewritten" || true

    say "$n pictures: the index"
    # The list as pixfold-gallery gave it: the thumbnails of the index's entries, in its order.
    # The names are Shift-JIS bytes, which sed matches only in the C locale.
    tr -d '\r' <"$out/index.html" |
        LC_ALL=C sed -n 's/^<a href="[^"]*" name="[^"]*"><img src="\([^"]*\)".*/\1/p' |
        LC_ALL=C sed 's/&amp;/\&/g; s/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g' >"$work/$n.list"
    # Each of the two in turn, index_runs times: one run of a third of a second says little on
    # a machine whose speed drifts; the table takes the medians.
    for k in $(seq "$index_runs"); do
        run "$n.index-pixfold.$k" sh -c 'cd "$1" && exec "$2" <"$3" >"$4"' sh \
            "$out/.pixfold-gallery/sizes" "$pixfold" "$work/$n.list" "$work/$n.index.html"
        rm "$out/index.html"
        run "$n.index-gallery.$k" "$pixfold_gallery" "${job_option[@]}" "$src" "$out"
        [ -s "$out/index.html" ] || die "the rerun after deleting index.html wrote no index"
    done
    for step in index-pixfold index-gallery; do
        medians_of "$work/$n.$step" "$index_runs" >"$work/$n.$step"
    done
    median_step indexes "$work/$n.index-gallery" "$index_runs" >"$work/$n.index-step"
    entries() { grep -a '^<a href=' "$1"; }
    if [ "$(wc -l <"$work/$n.list")" -gt 0 ] &&
        cmp -s <(entries "$work/$n.index.html") <(entries "$out/index.html"); then
        echo same >"$work/$n.index-same"
    else
        echo differs >"$work/$n.index-same"
        say "pixfold's index of $n pictures differs from the gallery's index.html"
    fi

    rm -f "$current_src/$added_name"
    current_src=""
    [ "$keep" -eq 1 ] || rm -rf "$out"
done

# --- the table -----------------------------------------------------------------------------
mib() { awk -v k="$(field "$1" largest_process_kib)" 'BEGIN { printf "%.0f", k / 1024 }'; }
seconds() { awk -v s="$(field "$1" "$2")" 'BEGIN { printf "%.2f", s }'; }
# The seconds of the step that writes the indexes, in the rerun after deleting index.html.
index_step() { printf '%.3f' "$(cat "$work/$1.index-step")"; }
per_picture() { awk -v s="$(field "$1" "$2")" -v n="$3" 'BEGIN { printf "%.2f", 1000 * s / n }'; }
mkdir -p "$(dirname "$table")"
{
    echo "Command: \`$command_line\`, $started"
    echo
    echo "Machine: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1), $(nproc) cores," \
        "Linux $(uname -r); load average before $load_before, after $(cut -d' ' -f1-3 /proc/loadavg)"
    echo
    echo "pixfold-gallery: commit $(git describe --always --dirty 2>/dev/null || echo '?'), \`pixfold-gallery${jobs:+ -j $jobs} SRC OUT\`;" \
        "pictures from bench/gallery/make-many-photos (320x240 at most, 6 to 23 KB)$([ "$albums" -eq 0 ] || echo " in $albums albums");" \
        "seconds of wall time unless named; peak memory of the largest process."
    echo
    echo "| pictures | cold build (s) | per picture, wall (ms) | per picture, processor (ms) | peak (MiB) | rerun, nothing changed (s) | peak (MiB) | rerun, one added (s) | files rewritten | peak (MiB) | index by pixfold (s) | rerun after deleting index.html (s) | its index step (s) | peak (MiB) |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
    for n in $sizes; do
        echo "| $n | $(seconds "$work/$n.cold" wall_seconds) | $(per_picture "$work/$n.cold" wall_seconds "$n") |" \
            "$(per_picture "$work/$n.cold" processor_seconds "$n") | $(mib "$work/$n.cold") |" \
            "$(seconds "$work/$n.same" wall_seconds) | $(mib "$work/$n.same") |" \
            "$(seconds "$work/$n.added" wall_seconds) | $(wc -l <"$work/$n.rewritten") | $(mib "$work/$n.added") |" \
            "$(seconds "$work/$n.index-pixfold" wall_seconds) ($(cat "$work/$n.index-same")) |" \
            "$(seconds "$work/$n.index-gallery" wall_seconds) | $(index_step "$n") |" \
            "$(mib "$work/$n.index-gallery") |"
    done
    echo
    echo "Files rewritten by the rerun after adding one picture, besides its own, the pages beside it and index.html (at most 10 named):"
    echo
    for n in $sizes; do
        names=$(head -n 10 "$work/$n.rewritten" | sed 's/^\.\///' | paste -sd ',' - | sed 's/,/, /g')
        echo "- $n pictures: $(wc -l <"$work/$n.rewritten")${names:+: $names}"
    done
    echo
    echo "Every run (seconds: wall, processor; peak KiB of the largest process):"
    echo
    echo '```'
    for n in $sizes; do
        for step in cold same added index-pixfold index-gallery; do
            printf '%-8s %-14s %s %s %s\n' "$n" "$step" "$(field "$work/$n.$step" wall_seconds)" \
                "$(field "$work/$n.$step" processor_seconds)" "$(field "$work/$n.$step" largest_process_kib)"
        done
        printf '%-8s %-14s %s - -\n' "$n" index-step "$(index_step "$n")"
    done
    echo '```'
} >"$table"
cat "$table"
[ "$keep" -eq 0 ] || say "the galleries are in $work"
