#!/usr/bin/env bash
# How sharp a gallery's web-size copies are: the PSNR of each against a reference made from
# its original the slow and careful way, and a check that a change keeps them as sharp.
#
#   bench/gallery/sharpness.sh [--photos DIR] [--jobs N] [--record FILE]
#                              [--check FILE [--tolerance DB]] OUT
#
# OUT          a gallery written with SRC OUT from the photographs in --photos
# --photos     the originals (default build/bench-gallery/photos, as bench/gallery/run.sh makes)
# --jobs       photographs compared side by side (default: the cores)
# --record     also write the figures to FILE, the baseline that --check reads
# --check      compare with a baseline written by --record: fails, and names each photograph,
#              where the PSNR is more than --tolerance dB (default 1) below the baseline's, or
#              where a photograph of the baseline has no web copy in OUT
#
# For each OUT/NAME.jpg (the web copies; the thumbnails in OUT/t are left alone) the original
# SRC/NAME.jpg, .JPG, .jpeg or .JPEG is decoded at full size (no shrink-on-load), turned upright
# by its EXIF orientation, and shrunk with a Lanczos-3 kernel straight to the copy's size, in one
# step (vips resize with --gap 0, so no box filter goes first); the copy is compared with that,
# pixel by pixel over every band: PSNR = 10 log10(255^2 / mean squared error). JPEG's own loss
# at the copy's quality is part of the figure, the same for every gallery at that quality; a
# softer or shifted shrink lowers it. Prints one line per photograph: name, size, PSNR.
#
# Needs vips (Debian package libvips-tools).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
self=$root/bench/gallery/sharpness.sh
export LC_ALL=C.UTF-8

# --- one photograph (run by xargs below) ---------------------------------------------------
# sharpness.sh --one ORIGINAL COPY SCRATCH: prints "NAME<TAB>WxH<TAB>PSNR".
if [ "${1:-}" = --one ]; then
    original=$2 copy=$3 scratch=$4
    mkdir -p "$scratch"
    # vips warns of every odd EXIF field; its messages are shown only when a step fails.
    exec 3>&2 2>"$scratch/log"
    finish() {
        local status=$?
        [ "$status" -eq 0 ] || cat "$scratch/log" >&3
        rm -rf "$scratch"
        exit "$status"
    }
    trap finish EXIT
    # header FILE: "WIDTH HEIGHT BANDS INTERPRETATION", from one start of vipsheader.
    header() {
        vipsheader "$1" | sed -n 's/^.*: \([0-9]*\)x\([0-9]*\) [a-z]*, \([0-9]*\) bands\{0,1\}, \([^,]*\),.*/\1 \2 \3 \4/p'
    }
    read -r width height copy_bands _ < <(header "$copy")
    # jpegload's autorotate: decoded at full size, then turned upright by the EXIF orientation.
    upright="${original}[autorotate]"
    read -r full_width full_height _ < <(header "$upright")
    # The scale that lands on the copy's size; vips rounds the product, so aim at its middle.
    hscale=$(awk -v w="$width" -v f="$full_width" 'BEGIN { printf "%.12f", w / f }')
    vscale=$(awk -v h="$height" -v f="$full_height" 'BEGIN { printf "%.12f", h / f }')
    vips resize "$upright" "$scratch/reference.v" "$hscale" --vscale "$vscale" \
        --kernel lanczos3 --gap 0
    read -r got_width got_height bands interpretation < <(header "$scratch/reference.v")
    if [ "${got_width}x$got_height" != "${width}x$height" ]; then
        echo "sharpness: $copy: the reference came out ${got_width}x$got_height, not ${width}x$height" >&3
        exit 1
    fi
    # A CMYK original becomes RGB as the gallery makes it, through a colour profile.
    if [ "$interpretation" = cmyk ]; then
        vips colourspace "$scratch/reference.v" "$scratch/reference-rgb.v" srgb
        mv "$scratch/reference-rgb.v" "$scratch/reference.v"
        bands=3
    fi
    # A grey copy of a colour original, or the other way round: compare both in sRGB.
    compared=$copy
    if [ "$copy_bands" != "$bands" ]; then
        vips colourspace "$copy" "$scratch/copy.v" srgb
        vips colourspace "$scratch/reference.v" "$scratch/reference-rgb.v" srgb
        mv "$scratch/reference-rgb.v" "$scratch/reference.v"
        compared=$scratch/copy.v
    fi
    vips subtract "$compared" "$scratch/reference.v" "$scratch/difference.v"
    vips multiply "$scratch/difference.v" "$scratch/difference.v" "$scratch/square.v"
    mse=$(vips avg "$scratch/square.v")
    psnr=$(awk -v m="$mse" 'BEGIN { if (m <= 0) print "inf"; else printf "%.2f", 10 * log(65025 / m) / log(10) }')
    printf '%s\t%s\t%s\n' "$(basename "$copy")" "${width}x$height" "$psnr"
    exit 0
fi

photos=build/bench-gallery/photos
jobs=$(nproc)
record=""
check=""
tolerance=1
out=""
while [ $# -gt 0 ]; do
    case "$1" in
    --photos) photos=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --record) record=$2; shift 2 ;;
    --check) check=$2; shift 2 ;;
    --tolerance) tolerance=$2; shift 2 ;;
    -*) echo "sharpness: unknown option $1" >&2; exit 2 ;;
    *)
        [ -z "$out" ] || { echo "sharpness: one gallery only" >&2; exit 2; }
        out=$1; shift
        ;;
    esac
done
[ -n "$out" ] || { echo "usage: bench/gallery/sharpness.sh [--photos DIR] [--jobs N] [--record FILE] [--check FILE [--tolerance DB]] OUT" >&2; exit 2; }
command -v vips >/dev/null || { echo "sharpness: needs vips (Debian package libvips-tools)" >&2; exit 2; }
case $photos in /*) ;; *) photos=$root/$photos ;; esac
[ -d "$out" ] || { echo "sharpness: no gallery at $out" >&2; exit 2; }
[ -d "$photos" ] || { echo "sharpness: no photographs at $photos" >&2; exit 2; }

# Full-size decodes go through files of up to 45 MB each: tmpfs where there is one.
scratch_base=${TMPDIR:-/tmp}
[ ! -d /dev/shm ] || [ -n "${TMPDIR:-}" ] || scratch_base=/dev/shm
scratch=$(mktemp -d "$scratch_base/sharpness.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# The pairs original / copy, as NUL-separated triples for xargs.
pairs=$scratch/pairs
: >"$pairs"
n=0
while IFS= read -r -d '' copy; do
    stem=$(basename "${copy%.jpg}")
    original=""
    for suffix in jpg JPG jpeg JPEG; do
        [ -f "$photos/$stem.$suffix" ] && { original=$photos/$stem.$suffix; break; }
    done
    if [ -z "$original" ]; then
        echo "sharpness: no original of $copy in $photos" >&2
        exit 1
    fi
    n=$((n + 1))
    printf '%s\0%s\0%s\0' "$original" "$copy" "$scratch/$n" >>"$pairs"
done < <(find "$out" -maxdepth 1 -type f -name '*.jpg' -print0 | LC_ALL=C sort -z)
[ "$n" -gt 0 ] || { echo "sharpness: no web-size copies (NAME.jpg) in $out" >&2; exit 1; }

results=$scratch/results
xargs -0 -n 3 -P "$jobs" "$self" --one <"$pairs" | LC_ALL=C sort >"$results"
[ "$(wc -l <"$results")" -eq "$n" ] || { echo "sharpness: some photographs could not be compared" >&2; exit 1; }

awk -F'\t' '{ printf "%-40s %-10s %s\n", $1, $2, $3 }' "$results"
awk -F'\t' '$3 != "inf" { s += $3; k++; if (k == 1 || $3 < low) low = $3 }
    END { printf "%d web-size copies; PSNR mean %.2f dB, lowest %.2f dB\n", NR, s / k, low }' "$results"

if [ -n "$record" ]; then
    {
        echo "# PSNR of each web-size copy against a full-size Lanczos-3 reference (bench/gallery/sharpness.sh)"
        echo "# photos ${photos#"$root"/}, recorded $(date -u '+%Y-%m-%d')"
        echo "# name<TAB>size<TAB>PSNR (dB)"
        cat "$results"
    } >"$record"
    echo "sharpness: recorded in $record" >&2
fi

if [ -n "$check" ]; then
    # Every photograph of the baseline must have a copy, at most TOLERANCE dB less sharp.
    if ! awk -F'\t' -v tolerance="$tolerance" '
        NR == FNR { if ($0 !~ /^#/ && NF >= 3) { base[$1] = $3; size[$1] = $2; order[++n] = $1 } next }
        { now[$1] = $3; nowsize[$1] = $2 }
        END {
            bad = 0
            for (i = 1; i <= n; i++) {
                name = order[i]
                if (!(name in now)) { printf "sharpness: %s: no web-size copy\n", name; bad++; continue }
                if (base[name] == "inf" || now[name] == "inf") { if (now[name] != "inf" && base[name] == "inf") { printf "sharpness: %s: %s dB, was identical\n", name, now[name]; bad++ } continue }
                if (now[name] + tolerance < base[name]) {
                    printf "sharpness: %s: %.2f dB, %.2f dB below the baseline %.2f dB%s\n", name,
                        now[name], base[name] - now[name], base[name],
                        nowsize[name] == size[name] ? "" : " (size " nowsize[name] ", was " size[name] ")"
                    bad++
                }
            }
            if (bad) { printf "sharpness: FAILED: %d of %d photographs more than %s dB below the baseline\n", bad, n, tolerance; exit 1 }
            printf "sharpness: all %d photographs of the baseline within %s dB of it\n", n, tolerance
        }' "$check" "$results" >&2; then
        exit 1
    fi
fi
