#!/usr/bin/env bash
# Times two builds of pixfold-gallery, turn about, on one folder of photographs written into a
# folder on the real disk: the cold build (no output yet) and the run after it that changes
# nothing. Prints the median wall, user and system seconds of each.
#
#   tests/power-cut/cost.sh BEFORE AFTER [--photos build/bench-gallery/photos]
#                           [--out build/power-cut/cost] [--runs 5]
#
# BEFORE and AFTER are pixfold-gallery programs, each with its pixfold beside it. Before every
# timed run the disk is synced (not timed), so that no run pays for the pages that the run
# before left dirty; the photographs are in the page cache for both alike. --out must lie on
# the disk to be measured, not on tmpfs, where a sync costs nothing.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -ge 2 ] || { echo "usage: tests/power-cut/cost.sh BEFORE AFTER [--photos DIR] [--out DIR] [--runs N]" >&2; exit 2; }
builds=("$1" "$2")
shift 2
photos=$root/build/bench-gallery/photos
out=$root/build/power-cut/cost
runs=5
while [ $# -gt 0 ]; do
    case "$1" in
    --photos) photos=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "tests/power-cut/cost.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
[ -d "$photos" ] || { echo "$photos: no such folder (scripts/make-photo-folder bench $photos)" >&2; exit 1; }
mkdir -p "$out"
times=$(mktemp)
trap 'rm -f "$times"' EXIT

timed() { # BUILD KIND
    sync -f "$out"
    local status=0
    PIXFOLD=$(dirname "$1")/pixfold /usr/bin/time -f '%e %U %S' "$1" "$photos" "$out/gallery" \
        >/dev/null 2>"$out/stderr" || status=$?
    # Status 2 is a picture left out, as some of a camera folder may be; anything else fails.
    [ "$status" -le 2 ] || { cat "$out/stderr" >&2; exit 1; }
    echo "$1 $2 $(tail -n 1 "$out/stderr") $(cut -d' ' -f1 /proc/loadavg) $status" | tee -a "$times" >&2
}

for ((run = 0; run < runs; ++run)); do
    # Turn about, so that a drift of the machine's load falls on both.
    order=(0 1)
    [ $((run % 2)) -eq 0 ] || order=(1 0)
    for which in "${order[@]}"; do
        rm -rf "$out/gallery"
        timed "${builds[which]}" cold
        timed "${builds[which]}" rerun
    done
done
rm -rf "$out/gallery"

echo "| build | run | wall s | user s | system s | load (1 min) |"
echo "|---|---|---:|---:|---:|---:|"
for build in "${builds[@]}"; do
    for kind in cold rerun; do
        awk -v b="$build" -v k="$kind" '
            function median(list, n,   i, j, t) {
                for (i = 2; i <= n; ++i)
                    for (j = i; j > 1 && list[j - 1] > list[j]; --j) { t = list[j]; list[j] = list[j - 1]; list[j - 1] = t }
                return n % 2 ? list[(n + 1) / 2] : (list[n / 2] + list[n / 2 + 1]) / 2
            }
            $1 == b && $2 == k { ++n; e[n] = $3; u[n] = $4; s[n] = $5; l[n] = $6 }
            END { printf "| %s | %s | %.2f | %.2f | %.2f | %.2f |\n", b, k, median(e, n), median(u, n), median(s, n), median(l, n) }' "$times"
    done
done
