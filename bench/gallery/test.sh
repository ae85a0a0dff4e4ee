#!/usr/bin/env bash
# Tests of the gallery bench's own tools: the floor makes correct pictures, the sharpness check
# catches a softer copy, make-many-photos is deterministic, and the scripts put out complete
# tables. About three minutes; it judges no timing.
#
#   bench/gallery/test.sh [--photos DIR] [--pixfold-gallery build/dev/pixfold-gallery]
#
# --photos  the test photo folder (default build/bench-gallery/test-photos, made on first use
#           by scripts/make-photo-folder test): all eight orientations, grey, CMYK, progressive
# Prints "N passed, N failed" last and exits 1 when a check failed.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
photos=""
pixfold_gallery=build/dev/pixfold-gallery
while [ $# -gt 0 ]; do
    case "$1" in
    --photos) photos=$2; shift 2 ;;
    --pixfold-gallery) pixfold_gallery=$2; shift 2 ;;
    *) echo "bench/gallery/test.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
cd "$root"
say_prefix="gallery bench test"
# shellcheck source=bench/gallery/lib.sh
. bench/gallery/lib.sh
export LC_ALL=C.UTF-8
pixfold_gallery=$(absolute "$pixfold_gallery")
if [ -z "$photos" ]; then
    photos=$root/build/bench-gallery/test-photos
    [ -d "$photos" ] || scripts/make-photo-folder test "$photos" >&2
fi
photos=$(absolute "$photos")
problem=$(build_floor) || die "$problem"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/gallery-bench-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

passed=0 failed=0
check() { # check NAME CONDITION-COMMAND...
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        say "FAILED: $name"
    fi
}
# row_complete ROW CELLS: a table row with CELLS cells, each a number (the index's may add "(same)").
row_complete() {
    printf '%s\n' "$1" | awk -F'|' -v cells="$2" '{
        if (NF != cells + 2) exit 1
        for (i = 2; i < NF; i++) if ($i !~ /^ [0-9]+(\.[0-9]+)? (\((same|differs)\) )?$/) exit 1
    }'
}
not_listed() { ! grep '^- [0-9]* pictures: ' "$1" | grep -q -e 'added picture' -e 'index.html'; }
# size FILE: "WIDTH HEIGHT" as shown (turned by the EXIF orientation).
size() { vipsheader "$1[autorotate]" 2>/dev/null | sed -n 's/^.*: \([0-9]*\)x\([0-9]*\) .*/\1 \2/p'; }

# --- the floor -----------------------------------------------------------------------------
# The test folder and two broken files: one cut in the middle, one that is text.
src=$scratch/src
cp -r "$photos" "$src"
scripts/make-photo-folder broken "$src" >/dev/null
status=0
"$floor" -j 2 "$src" "$scratch/floor" 2>"$scratch/floor.err" || status=$?
check "the floor fails with 2 when a picture cannot be decoded" [ "$status" -eq 2 ]
check "the floor names the picture it could not decode" grep -q 'not a picture.jpg' "$scratch/floor.err"

# Every picture: the web copy fits the box with its long side filling it (or is as large as the
# original), the thumbnail likewise in 200 pixels, and neither holds EXIF, XMP or IPTC.
sizes_ok=1 metadata_ok=1 profiles_ok=1
for original in "$photos"/*.jpg; do
    name=$(basename "$original")
    web=$scratch/floor/$name thumb=$scratch/floor/t/$name
    read -r ow oh < <(size "$original")
    read -r ww wh < <(size "$web" || echo "0 0")
    read -r tw th < <(size "$thumb" || echo "0 0")
    long=$((ow > oh ? ow : oh)) web_long=$((ww > wh ? ww : wh)) thumb_long=$((tw > th ? tw : th))
    want=$((long < 1600 ? long : 1600))
    # Same proportions: width/height agree with the original's within one pixel of rounding.
    if [ "$web_long" -ne "$want" ] || [ "$thumb_long" -ne 200 ] ||
        [ $(((ww * oh - wh * ow) * 2)) -gt $((ow > oh ? ow : oh)) ] ||
        [ $(((wh * ow - ww * oh) * 2)) -gt $((ow > oh ? ow : oh)) ]; then
        say "$name: original ${ow}x$oh, web copy ${ww}x$wh, thumbnail ${tw}x$th"
        sizes_ok=0
    fi
    if [ -n "$(exiftool -q -q -EXIF:all -XMP:all -IPTC:all "$web" "$thumb" 2>/dev/null)" ]; then
        say "$name: metadata left in the copies"
        metadata_ok=0
    fi
    profile=$(exiftool -q -q -s3 -ICC_Profile:ProfileDescription "$original" 2>/dev/null || true)
    case $name in cmyk*) profile="" ;; esac # a CMYK profile does not describe the RGB copy
    if [ -n "$profile" ] && [ "$(exiftool -q -q -s3 -ICC_Profile:ProfileDescription "$web")" != "$profile" ]; then
        say "$name: the colour profile \"$profile\" is lost"
        profiles_ok=0
    fi
done
check "every web copy and thumbnail fills its box, in the original's proportions" [ "$sizes_ok" -eq 1 ]
check "no copy holds EXIF, XMP or IPTC" [ "$metadata_ok" -eq 1 ]
check "every colour profile is kept" [ "$profiles_ok" -eq 1 ]

# Upright and sharp: against a Lanczos-3 reference from the full-size upright original, every
# web copy reaches 30 dB; a turn the wrong way or a shifted filter lands far below. CMYK is left
# out: the floor turns it into RGB without its profile.
rm -f "$src/not a picture.jpg" "$src/truncated photo.jpg" "$scratch/floor/truncated photo.jpg" \
    "$scratch/floor/t/truncated photo.jpg"
bench/gallery/sharpness.sh --photos "$src" "$scratch/floor" >"$scratch/sharpness" 2>&1 || true
check "sharpness.sh compares all 21 web copies" grep -q '^21 web-size copies' "$scratch/sharpness"
check "every web copy of the floor is upright and reaches 30 dB against the reference" \
    awk '/^[^ ].*[0-9]+x[0-9]+ / && !/^cmyk/ && $NF + 0 < 30 { print; bad = 1 } END { exit bad }' "$scratch/sharpness"
# The thumbnails are made from the web copies' pixels: compared with those as originals they
# reach 25 dB (quality 80 at 200 pixels costs more than 85 at 1600); another picture's thumbnail
# would not reach 15. (At 200 pixels a mirrored foggy jetty still reaches 28: the turns are
# held by the web copies, which a mirror drops to 8 to 25 dB.)
bench/gallery/sharpness.sh --photos "$scratch/floor" "$scratch/floor/t" >"$scratch/thumbs" 2>&1 || true
check "every thumbnail is the shrunk web copy and reaches 25 dB against it" \
    awk '/[0-9]+x[0-9]+ / { n++; if ($NF + 0 < 25) { print; bad = 1 } } END { exit bad || n != 21 }' "$scratch/thumbs"

# Threads change nothing: one job writes the very bytes that two wrote.
"$floor" -j 1 "$src" "$scratch/floor-1" 2>/dev/null
check "-j 1 and -j 2 write the same bytes" diff -r "$scratch/floor" "$scratch/floor-1"
status=0
"$floor" -j 2 "$scratch/missing" "$scratch/x" 2>/dev/null || status=$?
check "a missing SRC is an error" [ "$status" -eq 2 ]

# --- the sharpness check -------------------------------------------------------------------
# A baseline of four copies; the same gallery passes it, one blurred copy fails it by name, and
# so does a copy that is gone.
mkdir -p "$scratch/four"
for name in "orientation-6 dragonfly.jpg" "bridge.jpg" "grayscale building.jpg" "sunset.jpg"; do
    cp "$scratch/floor/$name" "$scratch/four/"
done
bench/gallery/sharpness.sh --photos "$src" --record "$scratch/baseline" "$scratch/four" >/dev/null 2>&1
check "the baseline holds the four photographs" [ "$(grep -cv '^#' "$scratch/baseline")" -eq 4 ]
status=0
bench/gallery/sharpness.sh --photos "$src" --check "$scratch/baseline" "$scratch/four" >/dev/null 2>&1 || status=$?
check "a gallery passes its own baseline" [ "$status" -eq 0 ]
vips gaussblur "$scratch/four/bridge.jpg" "$scratch/blurred.jpg[Q=85]" 1.5 2>/dev/null
mv "$scratch/blurred.jpg" "$scratch/four/bridge.jpg"
rm "$scratch/four/sunset.jpg"
status=0
bench/gallery/sharpness.sh --photos "$src" --check "$scratch/baseline" "$scratch/four" \
    >/dev/null 2>"$scratch/check.err" || status=$?
check "a blurred copy fails the check" [ "$status" -eq 1 ]
check "the check names the blurred copy" grep -q '^sharpness: bridge.jpg: .* below the baseline' "$scratch/check.err"
check "the check names the copy that is gone" grep -q '^sharpness: sunset.jpg: no web-size copy' "$scratch/check.err"
check "the check names no copy that kept its sharpness" \
    bash -c '! grep -q -e dragonfly -e "grayscale building" "$1"' _ "$scratch/check.err"

# --- many photographs ----------------------------------------------------------------------
bench_photos=$(photo_folder "")
bench/gallery/make-many-photos --photos "$bench_photos" 40 "$scratch/many-a" >/dev/null
bench/gallery/make-many-photos --photos "$bench_photos" 40 "$scratch/many-b" >/dev/null
check "make-many-photos makes exactly N files" [ "$(find "$scratch/many-a" -type f | wc -l)" -eq 40 ]
check "make-many-photos makes the same names and bytes twice" diff -r "$scratch/many-a" "$scratch/many-b"
kinds_ok=1
for pattern in '^IMG_[0-9]{4}\.JPG$' '^DSC[0-9]{5}\.jpg$' ' harbour walk [0-9]+\.jpg$' '^P[0-9]{7}\.JPG$' \
    '^(写真|京都の紅葉|夏休み|桜と富士山)' '^Été à Genève [0-9]+\.jpeg$' '^[0-9]{8}\.jpg$' '^holiday in the mountains'; do
    find "$scratch/many-a" -type f -printf '%f\n' | grep -Eq "$pattern" ||
        { say "no name like $pattern"; kinds_ok=0; }
done
check "every kind of name is there" [ "$kinds_ok" -eq 1 ]
check "a phone picture with its orientation is among them" \
    bash -c 'exiftool -q -q -n -s3 -Orientation "$1"/* | grep -q "^[2-8]$"' _ "$scratch/many-a"
check "every small copy is at most 320x240 and under 25 KB" \
    bash -c 'for f in "$1"/*; do read -r w h < <(vipsheader "$f" 2>/dev/null | sed -n "s/^.*: \([0-9]*\)x\([0-9]*\) .*/\1 \2/p")
        [ "$w" -le 320 ] && [ "$h" -le 320 ] && [ "$(stat -c %s "$f")" -lt 25000 ] || exit 1; done' _ "$scratch/many-a"
status=0
bench/gallery/make-many-photos --photos "$bench_photos" 5 "$scratch/many-a" >/dev/null 2>&1 || status=$?
check "make-many-photos refuses a folder that is not empty" [ "$status" -ne 0 ]

# A copy that is the original's bytes (it fitted the box) reads inf; a baseline of inf holds a
# later copy to being the original still.
mkdir -p "$scratch/same"
cp "$src/paint brushes.jpg" "$scratch/same/"
bench/gallery/sharpness.sh --photos "$src" --record "$scratch/same-baseline" "$scratch/same" \
    >"$scratch/same.out" 2>/dev/null
check "a copy that is the original reads inf" grep -q '^paint brushes.jpg *1365x1074 *inf$' "$scratch/same.out"
cp "$scratch/floor/paint brushes.jpg" "$scratch/same/"
status=0
bench/gallery/sharpness.sh --photos "$src" --check "$scratch/same-baseline" "$scratch/same" \
    >/dev/null 2>"$scratch/same.err" || status=$?
check "a re-encoded copy fails a baseline that was the original" \
    grep -q '^sharpness: paint brushes.jpg: .* dB, was identical' "$scratch/same.err"
check "... with status 1" [ "$status" -eq 1 ]

# --- the floor's options and measure's processor time --------------------------------------
usage_ok=1
for options in "-j 0" "--size 0" "--thumb-size x" "--filter box" "--margin 0.5" "--margin 9"; do
    status=0
    # shellcheck disable=SC2086 # the options are words
    "$floor" $options "$src" "$scratch/usage" 2>/dev/null || status=$?
    [ "$status" -eq 2 ] || { say "floor $options: status $status"; usage_ok=0; }
done
check "the floor refuses options out of range with status 2" [ "$usage_ok" -eq 1 ]
mkdir -p "$scratch/one"
cp "$src/orientation-6 dragonfly.jpg" "$scratch/one/"
"$floor" -j 1 --filter triangle --margin 8 --size 300 --thumb-size 50 "$scratch/one" "$scratch/one-out"
check "a triangle filter after a full decode fills a smaller box too" \
    [ "$(size "$scratch/one-out/orientation-6 dragonfly.jpg")" = "300 225" ]
check "... and the thumbnail's" [ "$(size "$scratch/one-out/t/orientation-6 dragonfly.jpg")" = "50 38" ]
# A child that the command leaves running, and that spends a second of processor time after
# the command has exited, is charged to the command's tree.
build_measure
"$measure" -o "$scratch/measured" -- sh -c \
    'sh -c "end=\$((\$(date +%s) + 2)); while [ \$(date +%s) -lt \$end ]; do :; done" & exit 0'
check "measure counts the processor time of orphans" \
    awk -v s="$(field "$scratch/measured" processor_seconds)" 'BEGIN { exit !(s >= 0.5) }'
check "... and the wall time of the command alone" \
    awk -v s="$(field "$scratch/measured" wall_seconds)" 'BEGIN { exit !(s < 0.5) }'

# --- the scripts' tables -------------------------------------------------------------------
if [ -x "$pixfold_gallery" ]; then
    status=0
    bench/gallery/scale.sh --sizes 40 --pixfold-gallery "$pixfold_gallery" --work "$scratch" \
        --table "$scratch/scale.md" >/dev/null 2>"$scratch/scale.err" || status=$?
    check "scale.sh runs through" [ "$status" -eq 0 ]
    row=$(grep '^| 40 |' "$scratch/scale.md" || true)
    check "scale.sh's row has a number in every one of its 14 cells" row_complete "$row" 14
    check "pixfold's index equals the gallery's" grep -q '^| 40 |.* (same) |' "$scratch/scale.md"
    check "the added picture's own files and the index are not counted as rewritten" \
        not_listed "$scratch/scale.md"

    # The count of rewritten files, against a stand-in gallery that rewrites one known file (and
    # the index) when a picture is added, besides writing that picture's own.
    cat >"$scratch/fake-gallery" <<'END'
#!/usr/bin/env bash
set -eu
src=$1 out=$2
# The folder that pixfold's own index run is timed in.
mkdir -p "$out/t" "$out/.pixfold-gallery/sizes"
for f in "$src"/*; do
    name=$(basename "${f%.*}")
    [ ! -e "$out/t/$name.jpg" ] || continue
    cp "$f" "$out/t/$name.jpg"
    printf 'P6\n1 1\n255\n...' >"$out/t/$name.ppm"
done
if [ -e "$src/added picture.jpg" ]; then
    touch "$out/t/IMG_0001.ppm"
    rm -f "$out/index.html"
fi
[ -e "$out/index.html" ] || echo index >"$out/index.html"
# Its own step timings, as pixfold-gallery writes them when asked.
[ -z "${PIXFOLD_GALLERY_TIMINGS:-}" ] || echo "indexes 0.001" >"$PIXFOLD_GALLERY_TIMINGS"
END
    chmod +x "$scratch/fake-gallery"
    bench/gallery/scale.sh --sizes 40 --pixfold-gallery "$scratch/fake-gallery" \
        --pixfold "$(dirname "$pixfold_gallery")/pixfold" --work "$scratch" \
        --table "$scratch/fake-scale.md" >/dev/null 2>&1 || true
    check "scale.sh counts the one file rewritten, and not the added picture's nor the index" \
        grep -qx -- '- 40 pictures: 1: t/IMG_0001.ppm' "$scratch/fake-scale.md"

    small=$scratch/four-photos
    mkdir -p "$small"
    mapfile -t first_four < <(find "$bench_photos" -maxdepth 1 -type f | LC_ALL=C sort | head -n 4)
    cp -- "${first_four[@]}" "$small/"
    status=0
    bench/gallery/run.sh --smoke --tools "pixfold-gallery floor" --photos "$small" \
        --pixfold-gallery "$pixfold_gallery" --work "$scratch" --table "$scratch/run.md" \
        >/dev/null 2>"$scratch/run.err" || status=$?
    check "run.sh --smoke with the floor passes" [ "$status" -eq 0 ]
    check "run.sh gives the ratios of pixfold-gallery to the floor" \
        grep -Eq '^- processor time .*, ratio [0-9]+\.[0-9]{2,3}$' "$scratch/run.md"
    bench/gallery/memory.sh --runs 1 --jobs "1 2" --photos "$small" --work "$scratch" \
        --pixfold-gallery "$pixfold_gallery" >"$scratch/memory.md" 2>/dev/null || true
    check "memory.sh gives the memory per job of both" \
        bash -c '[ "$(grep -Ec "^- (pixfold-gallery|floor): -?[0-9.]+ MiB per job" "$1")" -eq 2 ]' _ "$scratch/memory.md"
else
    say "no $pixfold_gallery: the scripts that run it are not tested"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
