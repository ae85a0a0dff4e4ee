#!/usr/bin/env bash
# Checks what scripts/make-photo-folder promises for its `test`, `broken` and `phone` folders:
# sizes and count, all eight EXIF orientations with every picture upright once its tag is
# applied, the grayscale, progressive, CMYK and EXIF-less pictures, the same bytes on a second
# run, the two broken files, and the phone folder's formats, capture dates, private data and
# file times, its sideways HEIC shown upright and its truncated HEIC refused.
#
#   tests/photos/photo_folder_test.sh
#
# It fetches Debian's wallpaper packages on its first run (into the script's cache). Exit status
# 0 passed, 1 failed, 77 skipped: the package archive cannot be reached or a tool is missing,
# which fails instead when CI=true.
set -eu
export LC_ALL=C
root=$(cd "$(dirname "$0")/../.." && pwd)
make_folder=$root/scripts/make-photo-folder
cache=${PIXFOLD_PHOTO_CACHE:-build/photo-cache}
case $cache in /*) ;; *) cache=$root/$cache ;; esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
skip_or_fail() {
    if [ "${CI:-}" = true ]; then
        echo "FAIL: $*"
        exit 1
    fi
    echo "SKIPPED: $*"
    exit 77
}

for tool in jpegtran djpeg exiftool dpkg-deb gm heif-convert pnmpsnr; do
    command -v "$tool" >/dev/null || skip_or_fail "$tool is missing (Debian packages \
libjpeg-turbo-progs, libimage-exiftool-perl, graphicsmagick, libheif-examples, netpbm)"
done

# Makes a folder, or skips the whole test when the archive cannot be reached.
make_kind() {
    local status=0
    "$make_folder" "$1" "$2" >"$work/$3.out" 2>"$work/$3.err" || status=$?
    case $status in
    0) ;;
    3) skip_or_fail "the package archive cannot be reached: $(tail -n 1 "$work/$3.err")" ;;
    *)
        cat "$work/$3.err"
        echo "FAIL: make-photo-folder $1 exited with $status"
        exit 1
        ;;
    esac
}

make_kind test "$work/first" first
folder=$work/first

# --- the summary line ----------------------------------------------------------------------
summary=$(tail -n 1 "$work/first.out")
[[ $summary =~ ^test:\ ([0-9]+)\ files,\ ([0-9]+)\ bytes,\ [0-9.]+\ to\ [0-9.]+\ megapixels ]] ||
    fail "no summary line: $summary"

# --- count, sizes, names -------------------------------------------------------------------
# One line per picture: name, width, height, orientation (or -), colour components, process.
exiftool -q -q -T -n -FileName -ImageWidth -ImageHeight -Orientation -ColorComponents \
    -EncodingProcess "$folder" | sort >"$work/table"
count=$(wc -l <"$work/table")
if [ "$count" -lt 18 ] || [ "$count" -gt 25 ]; then fail "$count pictures, not about 20"; fi
[ "$count" = "${BASH_REMATCH[1]:-}" ] || fail "the summary counts ${BASH_REMATCH[1]:-?}, not $count"
bytes=$(cat "$folder"/* | wc -c)
[ "$bytes" -lt 40000000 ] || fail "the folder holds $bytes bytes, more than 40 MB"
[ "$bytes" = "${BASH_REMATCH[2]:-}" ] || fail "the summary says ${BASH_REMATCH[2]:-?} bytes, not $bytes"
awk -F'\t' '{ mp = $2 * $3 / 1e6; if (mp < 1.4 || mp > 15) print $1 ": " mp " megapixels" }' \
    "$work/table" >"$work/out_of_range"
[ ! -s "$work/out_of_range" ] || fail "pictures outside 1.5 to 15 megapixels: $(cat "$work/out_of_range")"
[ "$(awk -F'\t' '$2 == 5120 && $3 == 2880' "$work/table" | wc -l)" -ge 2 ] ||
    fail "fewer than two pictures of 5120x2880"
grep -q ' ' <(cut -f1 "$work/table") || fail "no name with a space"

# --- the kinds of JPEG ---------------------------------------------------------------------
awk -F'\t' '$5 == 1' "$work/table" | grep -q . || fail "no grayscale JPEG (one component)"
awk -F'\t' '$5 == 4' "$work/table" | grep -q . || fail "no CMYK JPEG (four components)"
awk -F'\t' '$6 == 2' "$work/table" | grep -q . || fail "no progressive JPEG"
for picture in "$folder"/*; do
    if [ -z "$(exiftool -q -q -EXIF:all "$picture")" ]; then
        no_exif=$picture
        break
    fi
done
[ -n "${no_exif:-}" ] || fail "every picture has EXIF data"
# A CMYK JPEG needs the Adobe marker to be read as CMYK, not as an inverted image.
cmyk=$(awk -F'\t' '$5 == 4 { print $1; exit }' "$work/table")
[ -z "$cmyk" ] || exiftool -q -q -Adobe:all "$folder/$cmyk" | grep -q . ||
    fail "$cmyk has no Adobe marker"

# --- orientations: all eight, and each upright once its tag is applied ---------------------
for orientation in 1 2 3 4 5 6 7 8; do
    awk -F'\t' -v o="$orientation" '$4 == o' "$work/table" | grep -q . ||
        fail "no picture with EXIF orientation $orientation"
done
# What a viewer does to show a picture of each orientation upright.
viewer_transform() {
    case $1 in
    1) echo "" ;; 2) echo "-flip horizontal" ;; 3) echo "-rotate 180" ;;
    4) echo "-flip vertical" ;; 5) echo "-transpose" ;; 6) echo "-rotate 90" ;;
    7) echo "-transverse" ;; 8) echo "-rotate 270" ;;
    esac
}
# The photographs as their packages ship them, upright. jpegtran writes the same bytes for the
# same DCT coefficients, so turning the stored picture as a viewer would must give the very
# bytes of the shipped picture: a wrong or missing turn cannot pass.
shipped() {
    local deb
    deb=$(find "$cache/debs" -maxdepth 1 -name "$1_*.deb" | sort -V | tail -n 1)
    dpkg-deb --fsys-tarfile "$deb" | tar -xO "./$2"
}
while read -r orientation package path; do
    picture=$(awk -F'\t' -v o="$orientation" '$1 ~ "^orientation-" o " " { print $1 }' "$work/table")
    if [ -z "$picture" ]; then
        fail "no picture named orientation-$orientation"
        continue
    fi
    # shellcheck disable=SC2046 # the transform is zero or two words
    viewed=$(jpegtran -copy none $(viewer_transform "$orientation") "$folder/$picture" | md5sum)
    upright=$(shipped "$package" "$path" | jpegtran -copy none | md5sum)
    [ "$viewed" = "$upright" ] ||
        fail "$picture does not show $path upright once turned by orientation $orientation"
done <<'EOF'
1 plasma-workspace-wallpapers usr/share/wallpapers/ColdRipple/contents/images/2560x1600.jpg
2 plasma-workspace-wallpapers usr/share/wallpapers/FallenLeaf/contents/images/2560x1600.jpg
3 mate-backgrounds usr/share/backgrounds/mate/nature/LadyBird.jpg
4 plasma-workspace-wallpapers usr/share/wallpapers/Path/contents/images/2560x1600.jpg
5 plasma-workspace-wallpapers usr/share/wallpapers/Kite/contents/images/2560x1600.jpg
6 lomiri-wallpapers-16.04 usr/share/backgrounds/Dragonfly_by_Bolly.jpg
7 plasma-workspace-wallpapers usr/share/wallpapers/OneStandsOut/contents/images/2560x1600.jpg
8 plasma-workspace-wallpapers usr/share/wallpapers/ColorfulCups/contents/images/2560x1600.jpg
EOF

# --- the same bytes on a second run --------------------------------------------------------
make_kind test "$work/second" second
diff -r "$folder" "$work/second" >"$work/diff" || fail "a second run differs: $(cat "$work/diff")"

# --- a folder that is not empty is refused -------------------------------------------------
if "$make_folder" test "$folder" >/dev/null 2>&1; then
    fail "make-photo-folder test wrote into a folder that was not empty"
fi
[ "$(find "$folder" -mindepth 1 | wc -l)" -eq "$count" ] || fail "the refused run left files behind"

# --- broken: a truncated photograph and a file that is no JPEG -----------------------------
mkdir "$work/broken"
make_kind broken "$work/broken" broken
[ "$(find "$work/broken" -mindepth 1 | wc -l)" -eq 2 ] || fail "broken did not add exactly two files"
truncated=0
not_jpeg=0
for file in "$work/broken"/*.jpg; do
    if [ "$(head -c 2 "$file" | od -An -tx1 | tr -d ' ')" = ffd8 ]; then
        # djpeg decodes what is there, warns about the rest and exits with 2.
        if ! djpeg "$file" 2>"$work/djpeg.err" >/dev/null && grep -q 'Premature end' "$work/djpeg.err"; then
            truncated=$((truncated + 1))
        fi
    else
        not_jpeg=$((not_jpeg + 1))
    fi
done
[ "$truncated" -eq 1 ] || fail "broken holds $truncated truncated JPEGs, not one"
[ "$not_jpeg" -eq 1 ] || fail "broken holds $not_jpeg files that are not JPEGs, not one"

# --- phone: each file's format, capture date, GPS, size and time, and what else it promises --
phone=$work/phone
make_kind phone "$phone" phone
# One line per file: name | type | DateTimeOriginal[.SubSecTimeOriginal] | GPS | stored size |
# modified (UTC) | orientation, irot (as exiftool gives it: degrees anticlockwise), PNG colour
# type (6: RGB and alpha), bits per sample other than 8, GIF frames. Every file is listed, so
# nothing else may be in the folder.
TZ=UTC exiftool -q -q -ext '*' -T -n -FileName -FileType -DateTimeOriginal -SubSecTimeOriginal \
    -GPSLatitude -ImageWidth -ImageHeight -FileModifyDate -Orientation -Rotation -ColorType \
    -BitsPerSample -FrameCount "$phone" | sort | awk -F'\t' '
    function more(label, value) { if (value != "-") extra = extra (extra == "" ? "" : ", ") label " " value }
    {
        extra = ""
        more("orientation", $9); more("rotation", $10); more("colour type", $11)
        more("bits", $12 == 8 ? "-" : $12); more("frames", $13)
        print $1 " | " $2 " | " $3 ($4 == "-" ? "" : "." $4) " | " ($5 == "-" ? "-" : "gps") " | " \
            ($6 == "-" ? "-" : $6 "x" $7) " | " substr($8, 1, 19) " |" (extra == "" ? "" : " " extra)
    }' >"$work/phone.table"
# Capture order is not name order: the camera's IMG_9999 before its IMG_0001, the two phones'
# names interleaved, IMG_0103.JPG a tenth of a second before IMG_0102.HEIC, the scan first.
sed 's/  */ /g; s/ $//; /^$/d' >"$work/phone.expected" <<'TABLE'
DSC_0001.NEF                   | NEF           | 2024:05:31 17:45:00     | gps | -         | 2024:06:10 08:00:00 |
IMG-20240602-WA0001.webp       | Extended WEBP | 2024:06:02 09:00:00     | gps | 1600x1000 | 2024:06:10 08:00:00 |
IMG_0001.JPG                   | JPEG          | 2024:05:31 18:00:07     | gps | 1920x1200 | 2024:06:10 08:00:00 |
IMG_0101.AAE                   | AAE           | -                       | -   | -         | 2024:06:10 08:00:00 |
IMG_0101.HEIC                  | HEIC          | 2024:06:01 12:00:00.417 | gps | 1930x1285 | 2024:06:10 08:00:00 | orientation 6, rotation 270
IMG_0102.HEIC                  | HEIC          | 2024:06:01 12:30:00.250 | gps | 1920x1200 | 2024:06:10 08:00:00 |
IMG_0102.MOV                   | MOV           | -                       | gps | -         | 2024:06:10 08:00:00 |
IMG_0103.HEIC                  | HEIC          | 2024:06:01 13:10:00.000 | gps | 1920x1200 | 2024:06:10 08:00:00 |
IMG_0103.JPG                   | JPEG          | 2024:06:01 12:30:00.100 | gps | 1680x1050 | 2024:06:10 08:00:00 |
IMG_0103.XMP                   | XMP           | -                       | gps | -         | 2024:06:10 08:00:00 |
IMG_0104.DNG                   | DNG           | 2024:06:01 12:05:00.030 | gps | -         | 2024:06:10 08:00:00 |
IMG_0104.JPG                   | JPEG          | 2024:06:01 12:05:00.030 | gps | 1920x1200 | 2024:06:10 08:00:00 |
IMG_9999.JPG                   | JPEG          | 2024:05:31 18:00:00     | gps | 1920x1200 | 2024:06:10 08:00:00 |
PXL_20240603_101500000.avif    | AVIF          | 2024:06:03 12:15:00.000 | gps | 1920x1200 | 2024:06:10 08:00:00 |
Screenshot_20240601-101500.png | PNG           | 2024:06:01 10:15:00     | gps | 1376x1120 | 2024:06:10 08:00:00 | colour type 6
animation.gif                  | GIF           | -                       | -   | 1280x800  | 2024:06:02 10:00:00 | frames 2
clip.mp4                       | MP4           | -                       | gps | -         | 2024:06:10 08:00:00 |
notes.txt                      | TXT           | -                       | -   | -         | 2024:06:10 08:00:00 |
scan 0001.tif                  | TIFF          | 1998:07:14 15:00:00     | gps | 1600x1203 | 2024:06:10 08:00:00 | bits 16 16 16
truncated.heic                 | HEIC          | 2024:06:01 14:00:00.000 | gps | 1920x1200 | 2024:06:10 08:00:00 |
花火.HEIC                      | HEIC          | 2024:06:01 21:00:00.500 | gps | 1920x1200 | 2024:06:10 08:00:00 |
TABLE
diff "$work/phone.expected" "$work/phone.table" >"$work/phone.diff" ||
    fail "the phone folder is not as promised (< promised, > found): $(cat "$work/phone.diff")"

# Every HEIF decodes but the truncated one, which libheif refuses.
for file in "$phone"/*.HEIC "$phone"/*.heic "$phone"/*.avif; do
    expected=yes
    [ "${file##*/}" != truncated.heic ] || expected=no
    decoded=yes
    heif-convert "$file" "$work/decoded.png" >/dev/null 2>&1 || decoded=no
    [ "$decoded" = "$expected" ] || fail "${file##*/}: decoded $decoded, expected $expected"
done
# The sideways HEIC, stored 1930x1285 as a phone held upright stores what its sensor saw, shows
# the upright (portrait) photograph once libheif applies its irot: the same size and, within
# the encoder's loss, the same pixels (a wrong turn by 180 degrees gives about 10 dB). Its
# thumbnail turns with it.
heif-convert "$phone/IMG_0101.HEIC" "$work/upright.png" >/dev/null
shipped lomiri-wallpapers-16.04 usr/share/backgrounds/friends_by_Aitzol_Berasategi.jpg |
    djpeg -scale 5/8 >"$work/dogs.ppm"
pngtopnm "$work/upright.png" >"$work/upright.ppm"
psnr=$(pnmpsnr -machine "$work/dogs.ppm" "$work/upright.ppm" 2>/dev/null | cut -d' ' -f1)
awk -v p="${psnr:-0}" 'BEGIN { exit !(p >= 35) }' ||
    fail "IMG_0101.HEIC shown by libheif is not the upright photograph (luma PSNR ${psnr:-none})"
heif-info "$phone/IMG_0101.HEIC" | grep -q 'thumbnail: 212x320' ||
    fail "the thumbnail of IMG_0101.HEIC is not shown upright"
# Part of the screenshot is transparent and part opaque; the GIF's two frames differ.
alpha=$(for bound in -min -max; do
    pngtopam -alphapam "$phone/Screenshot_20240601-101500.png" | pamchannel 3 | pamsumm "$bound" -brief
done | tr '\n' ' ')
[ "$alpha" = "0 255 " ] || fail "the screenshot's alpha runs over $alpha, not 0 to 255"
[ "$(gm convert "$phone/animation.gif[0]" ppm:- | md5sum)" != \
    "$(gm convert "$phone/animation.gif[1]" ppm:- | md5sum)" ] || fail "the GIF's two frames are the same"
# The same bytes and file times on a second run.
make_kind phone "$work/phone-again" phone-again
diff -r "$phone" "$work/phone-again" >"$work/diff" || fail "a second phone run differs: $(cat "$work/diff")"
[ "$(cd "$phone" && stat -c '%n %Y' -- *)" = "$(cd "$work/phone-again" && stat -c '%n %Y' -- *)" ] ||
    fail "a second phone run gives other file times"

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "photo folder: $count pictures, $bytes bytes, eight orientations upright, same bytes twice;" \
    "phone folder as promised"
